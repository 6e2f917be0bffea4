// The form's OSD, macro, scaler and HDR composer widgets to and from the
// plain structs of packets/. The slots read the widgets into a struct and
// send it; the start-up shows the structs read from the box's pages.
#pragma once

#include "packets/HdrComposer.h"
#include "packets/Macros.h"
#include "packets/Osd.h"
#include "packets/Scaler.h"

class QDoubleSpinBox;

namespace Ui {
class MainWindow;
}

namespace gui::packetform {

packets::OsdParams readOsdParams(const Ui::MainWindow& ui);
void showOsdParams(Ui::MainWindow& ui, const packets::OsdParams& params);

packets::OsdText readOsdText(const Ui::MainWindow& ui);

packets::Macros readMacros(const Ui::MainWindow& ui);
// The A combo boxes first, so that each B spin box has the range of its A
// index before it gets its value; then the B, the C and the other boxes.
void showMacros(Ui::MainWindow& ui, const packets::Macros& macros);
// The threshold spin box of a rule by the metadata its A box compares: the
// minimum brightness 0 to 6.5535 with four decimals, the others 0 to 65535.
void setThresholdScale(QDoubleSpinBox& box, int metadataIndex);

packets::ScalerPort readScalerPort(const Ui::MainWindow& ui, int port);
void showScalerPort(Ui::MainWindow& ui, int port, const packets::ScalerPort& settings);

packets::HdrInputs readHdrInputs(const Ui::MainWindow& ui);

}  // namespace gui::packetform
