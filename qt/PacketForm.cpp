#include "PacketForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTextEdit>
#include <algorithm>
#include <array>

#include "settings/ScalerWidgets.h"
#include "ui_VortilanForm.h"

namespace gui::packetform {

namespace {

// Single-byte fields take the low 8 bits of a widget's value.
std::uint8_t low8(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}
std::uint16_t low16(int value) {
    return static_cast<std::uint16_t>(value & 0xFFFF);
}
// An empty combo box has the index -1; it counts as the first item.
std::uint8_t index8(const QComboBox* box) {
    return low8(std::max(0, box->currentIndex()));
}

std::array<QCheckBox*, 8> osdContentBoxes(const Ui::MainWindow& ui) {
    return {ui.cbOsdCapSpd,   ui.cbOsdCapVid, ui.cbOsdCapVidIf,     ui.cbOsdCapHdr,
            ui.cbOsdCapHdrIf, ui.cbOsdCapAud, ui.cbOsdCapHdrSource, ui.cbOsdCapVideoRXTX};
}

struct MacroWidgets {
    std::array<QComboBox*, packets::kMacroRules> a;
    std::array<QDoubleSpinBox*, packets::kMacroRules> b;
    std::array<QComboBox*, packets::kMacroRules + 1> c;  // with the ELSE rule's
    std::array<QCheckBox*, packets::kMacroRules + 1> enables;
    std::array<QComboBox*, packets::kPictureModeRows> pictureModes;
};

MacroWidgets macroWidgets(const Ui::MainWindow& ui) {
    return {
        {ui.cmbMacro0A, ui.cmbMacro1A, ui.cmbMacro2A, ui.cmbMacro3A, ui.cmbMacro4A, ui.cmbMacro5A},
        {ui.sbMacro0B, ui.sbMacro1B, ui.sbMacro2B, ui.sbMacro3B, ui.sbMacro4B, ui.sbMacro5B},
        {ui.cmbMacro0C, ui.cmbMacro1C, ui.cmbMacro2C, ui.cmbMacro3C, ui.cmbMacro4C, ui.cmbMacro5C,
         ui.cmbMacro6C},
        {ui.cbMacro0En, ui.cbMacro1En, ui.cbMacro2En, ui.cbMacro3En, ui.cbMacro4En, ui.cbMacro5En,
         ui.cbMacro6En},
        {ui.cmbJvcPm0, ui.cmbJvcPm1, ui.cmbJvcPm2, ui.cmbJvcPm3, ui.cmbJvcPm4, ui.cmbJvcPm5,
         ui.cmbJvcPm6, ui.cmbJvcPm7, ui.cmbJvcPm8, ui.cmbJvcPm9}};
}

// One row of a port's scaler grid; only some rows have a resolution box.
struct ScalerWidgets {
    QCheckBox* convert;
    QComboBox* resolution;
    QComboBox* colourSpace;
    QComboBox* deepColour;
};

// A widget of the form by name; nullptr for an empty name.
template <typename Widget>
Widget* formWidget(const Ui::MainWindow& ui, std::string_view name) {
    if (name.empty()) {
        return nullptr;
    }
    return ui.centralwidget->findChild<Widget*>(
        QLatin1String(name.data(), static_cast<qsizetype>(name.size())));
}

// The widgets of the settings' scaler list.
std::array<ScalerWidgets, packets::kScalerFormats> scalerWidgets(const Ui::MainWindow& ui,
                                                                 int port) {
    std::array<ScalerWidgets, packets::kScalerFormats> widgets{};
    const auto& names = boxsettings::kScalerWidgets[port == 0 ? 0 : 1];
    for (std::size_t format = 0; format < widgets.size(); ++format) {
        const boxsettings::ScalerRowWidgets& row = names[format];
        widgets[format] = {
            formWidget<QCheckBox>(ui, row.convert), formWidget<QComboBox>(ui, row.resolution),
            formWidget<QComboBox>(ui, row.colourSpace), formWidget<QComboBox>(ui, row.deepColour)};
    }
    return widgets;
}

}  // namespace

packets::OsdParams readOsdParams(const Ui::MainWindow& ui) {
    packets::OsdParams p;
    p.enabled = ui.cbOsdEn->isChecked();
    p.mask = ui.cbOsdMask1->isChecked();
    p.maskLevel = low8(ui.sbOsdMask1Rate->value());
    p.foreground = low8(ui.sbOsdColorFg->value());
    p.background = low8(ui.sbOsdColorBg->value());
    p.backgroundLevel = low8(ui.sbOsdColorBgRate->value());
    const auto boxes = osdContentBoxes(ui);
    p.contents = 0;
    for (std::size_t bit = 0; bit < boxes.size(); ++bit) {
        if (boxes[bit]->isChecked()) {
            p.contents = static_cast<std::uint8_t>(p.contents | 1u << bit);
        }
    }
    p.fade = low8(ui.sbOsdFadeValue->value());
    p.maskGrey = low8(ui.sbOsdMask1GrayScale->value());
    p.ignoreMetadata = ui.cbOsdIgnoreMetadata->isChecked();
    p.x = low16(ui.sbOsdLocX->value());
    p.y = low16(ui.sbOsdLocY->value());
    p.maskX0 = low16(ui.sbOsdMask1X0->value());
    p.maskY0 = low16(ui.sbOsdMask1Y0->value());
    p.maskX1 = low16(ui.sbOsdMask1X1->value());
    p.maskY1 = low16(ui.sbOsdMask1Y1->value());
    return p;
}

void showOsdParams(Ui::MainWindow& ui, const packets::OsdParams& p) {
    ui.cbOsdEn->setChecked(p.enabled);
    ui.cbOsdMask1->setChecked(p.mask);
    ui.sbOsdMask1Rate->setValue(p.maskLevel);
    ui.sbOsdColorFg->setValue(p.foreground);
    ui.sbOsdColorBg->setValue(p.background);
    ui.sbOsdColorBgRate->setValue(p.backgroundLevel);
    const auto boxes = osdContentBoxes(ui);
    for (std::size_t bit = 0; bit < boxes.size(); ++bit) {
        boxes[bit]->setChecked(((p.contents >> bit) & 1) != 0);
    }
    ui.sbOsdFadeValue->setValue(p.fade);
    ui.sbOsdMask1GrayScale->setValue(p.maskGrey);
    ui.cbOsdIgnoreMetadata->setChecked(p.ignoreMetadata);
    ui.sbOsdLocX->setValue(p.x);
    ui.sbOsdLocY->setValue(p.y);
    ui.sbOsdMask1X0->setValue(p.maskX0);
    ui.sbOsdMask1Y0->setValue(p.maskY0);
    ui.sbOsdMask1X1->setValue(p.maskX1);
    ui.sbOsdMask1Y1->setValue(p.maskY1);
}

packets::OsdText readOsdText(const Ui::MainWindow& ui) {
    packets::OsdText t;
    t.shown = ui.cbOsdCustomText->isChecked();
    t.neverFade = ui.cbOsdCustomTextFade->isChecked();
    t.x = low16(ui.sbCustomOsdLocX->value());
    t.y = low16(ui.sbCustomOsdLocY->value());
    t.text = ui.txtOsdRender->toPlainText().toLatin1().toStdString();
    return t;
}

packets::Macros readMacros(const Ui::MainWindow& ui) {
    const MacroWidgets w = macroWidgets(ui);
    packets::Macros m;
    m.enabled = ui.cbJvcMacroEn->isChecked();
    m.everySync = ui.cbJvcMacroRefresh->isChecked();
    m.hdr10Mode = index8(ui.cmbMacroHdr10Mode);
    m.ruleEnables = 0;
    for (std::size_t k = 0; k < w.enables.size(); ++k) {
        if (w.enables[k]->isChecked()) {
            m.ruleEnables = static_cast<std::uint8_t>(m.ruleEnables | 1u << k);
        }
    }
    for (std::size_t k = 0; k < packets::kMacroRules; ++k) {
        packets::MacroRule& rule = m.rules[k];
        rule.metadata = index8(w.a[k]);
        rule.threshold = packets::macroThreshold(rule.metadata, w.b[k]->value());
        rule.mode = index8(w.c[k]);
    }
    m.elseMode = index8(w.c[packets::kMacroRules]);
    m.syncDelay = low8(ui.sbJvcDelay->value());
    for (std::size_t i = 0; i < w.pictureModes.size(); ++i) {
        m.pictureModes[i] = index8(w.pictureModes[i]);
    }
    return m;
}

void showMacros(Ui::MainWindow& ui, const packets::Macros& m) {
    const MacroWidgets w = macroWidgets(ui);
    ui.cbJvcMacroEn->setChecked(m.enabled);
    ui.cbJvcMacroRefresh->setChecked(m.everySync);
    ui.cmbMacroHdr10Mode->setCurrentIndex(m.hdr10Mode);
    for (std::size_t k = 0; k < w.enables.size(); ++k) {
        w.enables[k]->setChecked(((m.ruleEnables >> k) & 1) != 0);
    }
    for (std::size_t k = 0; k < packets::kMacroRules; ++k) {
        w.a[k]->setCurrentIndex(m.rules[k].metadata);
    }
    // A box keeps its index when the page's is not one of its items; the
    // threshold is shown by the index the box has.
    for (std::size_t k = 0; k < packets::kMacroRules; ++k) {
        w.b[k]->setValue(packets::macroThresholdShown(index8(w.a[k]), m.rules[k].threshold));
    }
    for (std::size_t k = 0; k < packets::kMacroRules; ++k) {
        w.c[k]->setCurrentIndex(m.rules[k].mode);
    }
    w.c[packets::kMacroRules]->setCurrentIndex(m.elseMode);
    ui.sbJvcDelay->setValue(m.syncDelay);
    for (std::size_t i = 0; i < w.pictureModes.size(); ++i) {
        w.pictureModes[i]->setCurrentIndex(m.pictureModes[i]);
    }
}

void setThresholdScale(QDoubleSpinBox& box, int metadataIndex) {
    if (metadataIndex == packets::kMinBrightness) {
        box.setDecimals(4);
        box.setRange(0.0, 6.5535);
        box.setSingleStep(0.0001);
    } else {
        box.setDecimals(0);
        box.setRange(0.0, 65535.0);
        box.setSingleStep(1.0);
    }
}

packets::ScalerPort readScalerPort(const Ui::MainWindow& ui, int port) {
    packets::ScalerPort settings;
    const auto rows = scalerWidgets(ui, port);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        packets::ScalerRow& row = settings.rows[i];
        row.convert = rows[i].convert->isChecked();
        row.resolution = rows[i].resolution != nullptr ? index8(rows[i].resolution) : 0;
        row.colourSpace = index8(rows[i].colourSpace);
        row.deepColour = index8(rows[i].deepColour);
    }
    return settings;
}

void showScalerPort(Ui::MainWindow& ui, int port, const packets::ScalerPort& settings) {
    const auto rows = scalerWidgets(ui, port);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const packets::ScalerRow& row = settings.rows[i];
        rows[i].convert->setChecked(row.convert);
        if (rows[i].resolution != nullptr) {
            rows[i].resolution->setCurrentIndex(row.resolution);
        }
        rows[i].colourSpace->setCurrentIndex(row.colourSpace);
        rows[i].deepColour->setCurrentIndex(row.deepColour);
    }
}

packets::HdrInputs readHdrInputs(const Ui::MainWindow& ui) {
    packets::HdrInputs in;
    in.eotf = index8(ui.cmbHdrEotf);
    // No item chosen leaves the chromaticities at 0, as an unknown set does.
    in.primaries = low8(ui.cmbHdrPrim->currentIndex());
    in.maxLuminance = low16(ui.sbMaxLum->value());
    in.minLuminance = ui.sbMinLum->value();
    in.maxCll = low16(ui.sbMaxCLL->value());
    in.maxFall = low16(ui.sbMaxFALL->value());
    return in;
}

}  // namespace gui::packetform
