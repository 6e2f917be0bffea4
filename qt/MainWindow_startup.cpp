// Start-up readback: the register pages read once at start-up, and the
// widgets and combo-box items they fill.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTextEdit>
#include <algorithm>

#include "MainWindow.h"
#include "packets/Cec.h"
#include "qt/ItemLists.h"
#include "qt/PacketForm.h"
#include "ui_VortilanForm.h"

using gui::readback::Page;

namespace {

QString latin1(const std::string& text) {
    return QString::fromLatin1(text);
}

void addItems(QComboBox* box, gui::items::List items) {
    for (const std::string_view item : items) {
        box->addItem(QString::fromLatin1(item.data(), static_cast<qsizetype>(item.size())));
    }
}

}  // namespace

// A page whose read failed is empty: its widgets show empty values, never
// part of an answer or another page's bytes.
void MainWindow::fillFromStartupPages(const boxlink::PageReads& pages) {
    fillOsdParameters(pages.page(11));
    if (!itemsFilled_) {
        addItems(ui->cmbBaudRate, gui::items::kBaudRates);
    }
    ui->lblFwVer->clear();
    const std::string firmware = gui::readback::firmwareVersion(pages.page(0));
    if (!firmware.empty()) {
        ui->lblFwVer->setText(latin1(firmware));
    }
    ui->lblGuiVer->setText(QLatin1String(guiVersionText));
    // A box found again keeps the lists and the texts the user typed.
    if (!itemsFilled_) {
        fillComboBoxItems();
        itemsFilled_ = true;
    }
    fillMacros(pages.page(65));
    fillScaler(pages.page(9), pages.page(10));
    fillStoredInfoframes(pages);
    fillOsdCustomText(pages.page(12));
    // Page 2 is read with the others and not shown.
    fillSignalLabels(pages.page(1), pages.page(5), pages.page(6));
}

void MainWindow::fillOsdParameters(Page page11) {
    gui::packetform::showOsdParams(*ui, packets::osdParamsFromPage(page11));
}

void MainWindow::fillComboBoxItems() {
    namespace items = gui::items;
    const auto cs = items::List(items::kColourSpaces);
    const auto cs7 = cs.first(items::kColourSpacesWithout420);

    addItems(ui->cmb4k60Port0Cs, cs);
    addItems(ui->cmb4k30Port0Cs, cs);
    addItems(ui->cmb1080p60Port0Cs, cs);
    addItems(ui->cmb1080p30Port0Cs, cs);
    addItems(ui->cmb4k60Port0Dc, items::kDeepColours);
    addItems(ui->cmb4k30Port0Dc, items::kDeepColours);
    addItems(ui->cmb1080p60Port0Dc, items::kDeepColours);
    addItems(ui->cmb1080p30Port0Dc, items::kDeepColours);
    addItems(ui->cmb1080p60Port0Scale, items::kScale60);
    addItems(ui->cmb1080p30Port0Scale, items::kScale30);

    addItems(ui->cmb4k60Port1Cs, cs);
    addItems(ui->cmb4k30Port1Cs, cs);
    addItems(ui->cmb1080p60Port1Cs, cs7);
    addItems(ui->cmb1080p30Port1Cs, cs7);
    addItems(ui->cmb4k60Port1Dc, items::kDeepColours);
    addItems(ui->cmb4k30Port1Dc, items::kDeepColours);
    addItems(ui->cmb1080p60Port1Dc, items::kDeepColours);
    addItems(ui->cmb1080p30Port1Dc, items::kDeepColours);
    addItems(ui->cmb4k60Port1Scale, items::kScale60);
    addItems(ui->cmb4k30Port1Scale, items::kScale30);

    addItems(ui->cmbPreset4k30, items::kPreset4k30);
    addItems(ui->cmbPreset4k60, items::kPreset4k60);
    addItems(ui->cmbPreset4k60Hdr, items::kPreset4k60Hdr);
    addItems(ui->cmbInputSel, items::kInputs);
    addItems(ui->cmBEdid, items::kEdidTables);
    addItems(ui->cmbEdidTop, items::kEdidTablesTop);
    addItems(ui->cmbLa, items::kCecDeviceTypes);
    for (const packets::CecMessage& message : packets::cecMessages()) {
        ui->cmbCecMessage->addItem(
            QString::fromLatin1(message.name.data(), static_cast<qsizetype>(message.name.size())));
    }
    // Nothing is picked until the user picks a message.
    ui->cmbCecMessage->setCurrentIndex(-1);
    ui->CECtext->setPlainText(QStringLiteral("ef:36"));
    ui->txtRs232->setPlainText(QStringLiteral("21:89:01:50:4d:50:4d:30:43:0a"));
    addItems(ui->cmbEdidAlgo, items::kEdidAlgorithms);
    addItems(ui->cmbHdrEotf, items::kHdrEotfs);
    ui->cmbHdrEotf->setCurrentIndex(2);
    addItems(ui->cmbHdrPrim, items::kHdrPrimaries);
    ui->cmbHdrPrim->setCurrentIndex(2);
    addItems(ui->cmbHdrWp, items::kHdrWhitePoints);
    addItems(ui->cmbMacroHdr10Mode, items::kMacroHdr10Modes);
    for (QComboBox* box :
         {ui->cmbJvcPm0, ui->cmbJvcPm1, ui->cmbJvcPm2, ui->cmbJvcPm3, ui->cmbJvcPm4, ui->cmbJvcPm5,
          ui->cmbJvcPm6, ui->cmbJvcPm7, ui->cmbJvcPm8, ui->cmbJvcPm9}) {
        addItems(box, items::kPictureModes);
    }
    for (QComboBox* box : {ui->cmbMacro0A, ui->cmbMacro1A, ui->cmbMacro2A, ui->cmbMacro3A,
                           ui->cmbMacro4A, ui->cmbMacro5A}) {
        addItems(box, items::kMacroMetadata);
    }
    for (QComboBox* box : {ui->cmbMacro0C, ui->cmbMacro1C, ui->cmbMacro2C, ui->cmbMacro3C,
                           ui->cmbMacro4C, ui->cmbMacro5C, ui->cmbMacro6C}) {
        addItems(box, items::kPictureModes);
    }
}

void MainWindow::fillMacros(Page page65) {
    gui::packetform::showMacros(*ui, packets::macrosFromPage(page65));
}

void MainWindow::fillScaler(Page page9, Page page10) {
    gui::packetform::showScalerPort(*ui, 0, packets::scalerPortFromPage(0, page9));
    gui::packetform::showScalerPort(*ui, 1, packets::scalerPortFromPage(1, page10));
}

void MainWindow::fillStoredInfoframes(const boxlink::PageReads& pages) {
    // HDR (page 14), AVI (page 15), vendor-specific (page 16).
    for (const packets::Sender& sender : packets::senders()) {
        if (!sender.stored) {
            continue;
        }
        if (const auto text = packets::storedInfoframe(sender, pages.page(sender.stored->page))) {
            editor(sender)->setPlainText(latin1(*text));
        }
    }
}

void MainWindow::fillOsdCustomText(Page page12) {
    const packets::OsdText text = packets::osdTextFromPage(page12);
    ui->cbOsdCustomText->setChecked(text.shown);
    ui->txtOsdRender->setPlainText(latin1(text.text));
}

void MainWindow::fillSignalLabels(Page page1, Page page5, Page page6) {
    ui->lblRx0Info->setText(QStringLiteral("RX%1: %2")
                                .arg(ui->cmbInputSel->currentIndex())
                                .arg(latin1(gui::readback::textAt(page1, 6))));
    ui->lblTx0Info->setText(QStringLiteral("TX0: ") + latin1(gui::readback::textAt(page5, 2)));
    ui->lblTx1Info->setText(QStringLiteral("TX1: ") + latin1(gui::readback::textAt(page6, 2)));
}
