// Start-up readback: the register pages read once at start-up, and the
// widgets and combo-box items they fill.
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QSpinBox>
#include <QTextEdit>
#include <algorithm>

#include "MainWindow.h"
#include "qt/ItemLists.h"
#include "ui_VortilanForm.h"

using gui::readback::bitAt;
using gui::readback::byteAt;
using gui::readback::kStartupPageReads;
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

Page MainWindow::StartupPages::page(std::uint8_t number) const {
    for (std::size_t i = 0; i < kStartupPageReads.size(); ++i) {
        if (kStartupPageReads[i].page == number) {
            return Page(answers[i].data(), kStartupPageReads[i].length);
        }
    }
    return {};
}

MainWindow::StartupPages MainWindow::readStartupPages() {
    StartupPages pages;
    for (std::size_t i = 0; i < kStartupPageReads.size(); ++i) {
        boxlink::Answer& answer = pages.answers[i];
        // A failed read leaves a page of zeros: its widgets show empty
        // values, never part of an answer or another page's bytes.
        answer.fill(0);
        if (!commands_.readRegisterPage(kStartupPageReads[i].page, answer,
                                        kStartupPageReads[i].length)) {
            answer.fill(0);
        }
    }
    return pages;
}

void MainWindow::fillFromStartupPages(const StartupPages& pages) {
    fillOsdParameters(pages.page(11));
    addItems(ui->cmbBaudRate, gui::items::kBaudRates);
    ui->lblFwVer->clear();
    const std::string firmware = gui::readback::firmwareVersion(pages.page(0));
    if (!firmware.empty()) {
        ui->lblFwVer->setText(latin1(firmware));
    }
    ui->lblGuiVer->setText(QLatin1String(guiVersionText));
    fillComboBoxItems();
    fillMacros(pages.page(65));
    fillScaler(pages.page(9), pages.page(10));
    fillStoredInfoframes(pages.page(14), pages.page(15), pages.page(16));
    fillOsdCustomText(pages.page(12));
    // Page 2 is read with the others and not shown.
    fillSignalLabels(pages.page(1), pages.page(5), pages.page(6));
}

void MainWindow::fillOsdParameters(Page page11) {
    ui->cbOsdEn->setChecked(byteAt(page11, 2) != 0);
    ui->cbOsdMask1->setChecked(byteAt(page11, 3) != 0);
    ui->sbOsdMask1Rate->setValue(byteAt(page11, 4));
    ui->sbOsdColorFg->setValue(byteAt(page11, 5));
    ui->sbOsdColorBg->setValue(byteAt(page11, 6));
    ui->sbOsdColorBgRate->setValue(byteAt(page11, 7));
    QCheckBox* const items[] = {ui->cbOsdCapSpd,       ui->cbOsdCapVid,      ui->cbOsdCapVidIf,
                                ui->cbOsdCapHdr,       ui->cbOsdCapHdrIf,    ui->cbOsdCapAud,
                                ui->cbOsdCapHdrSource, ui->cbOsdCapVideoRXTX};
    for (int bit = 0; bit < 8; ++bit) {
        items[bit]->setChecked(bitAt(page11, 8, bit));
    }
    ui->sbOsdFadeValue->setValue(byteAt(page11, 9));
    ui->sbOsdMask1GrayScale->setValue(byteAt(page11, 10));
    ui->cbOsdIgnoreMetadata->setChecked(bitAt(page11, 11, 0));
    ui->sbOsdLocX->setValue(gui::readback::wordBe(page11, 18));
    ui->sbOsdLocY->setValue(gui::readback::wordBe(page11, 20));
    ui->sbOsdMask1X0->setValue(gui::readback::wordBe(page11, 22));
    ui->sbOsdMask1Y0->setValue(gui::readback::wordBe(page11, 24));
    ui->sbOsdMask1X1->setValue(gui::readback::wordBe(page11, 26));
    ui->sbOsdMask1Y1->setValue(gui::readback::wordBe(page11, 28));
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
    ui->cbJvcMacroEn->setChecked(bitAt(page65, 2, 0));
    ui->cbJvcMacroRefresh->setChecked(bitAt(page65, 2, 1));
    ui->cmbMacroHdr10Mode->setCurrentIndex(byteAt(page65, 3));
    QCheckBox* const enables[] = {ui->cbMacro0En, ui->cbMacro1En, ui->cbMacro2En, ui->cbMacro3En,
                                  ui->cbMacro4En, ui->cbMacro5En, ui->cbMacro6En};
    for (int bit = 0; bit < 7; ++bit) {
        enables[bit]->setChecked(bitAt(page65, 4, bit));
    }

    // Each rule k has its bytes at 5 + 4k (A), 6 + 4k and 7 + 4k (B, low
    // byte first) and 8 + 4k (C). The A boxes go first: they give the B
    // boxes their ranges.
    QComboBox* const a[] = {ui->cmbMacro0A, ui->cmbMacro1A, ui->cmbMacro2A,
                            ui->cmbMacro3A, ui->cmbMacro4A, ui->cmbMacro5A};
    QDoubleSpinBox* const b[] = {ui->sbMacro0B, ui->sbMacro1B, ui->sbMacro2B,
                                 ui->sbMacro3B, ui->sbMacro4B, ui->sbMacro5B};
    QComboBox* const c[] = {ui->cmbMacro0C, ui->cmbMacro1C, ui->cmbMacro2C, ui->cmbMacro3C,
                            ui->cmbMacro4C, ui->cmbMacro5C, ui->cmbMacro6C};
    for (std::size_t k = 0; k < 6; ++k) {
        a[k]->setCurrentIndex(byteAt(page65, 5 + 4 * k));
    }
    for (std::size_t k = 0; k < 6; ++k) {
        const double value = gui::readback::wordLe(page65, 6 + 4 * k);
        // Index 1 is the minimum brightness, counted in 0.0001 cd/m2.
        b[k]->setValue(a[k]->currentIndex() == 1 ? value * 0.0001 : value);
    }
    for (std::size_t k = 0; k < 6; ++k) {
        c[k]->setCurrentIndex(byteAt(page65, 8 + 4 * k));
    }
    c[6]->setCurrentIndex(byteAt(page65, 29));

    ui->sbJvcDelay->setValue(byteAt(page65, 30));
    QComboBox* const modes[] = {ui->cmbJvcPm0, ui->cmbJvcPm1, ui->cmbJvcPm2, ui->cmbJvcPm3,
                                ui->cmbJvcPm4, ui->cmbJvcPm5, ui->cmbJvcPm6, ui->cmbJvcPm7,
                                ui->cmbJvcPm8, ui->cmbJvcPm9};
    for (std::size_t i = 0; i < 10; ++i) {
        modes[i]->setCurrentIndex(byteAt(page65, 31 + i));
    }
}

void MainWindow::fillScaler(Page page9, Page page10) {
    // One group of four bytes per input format (4K60, 4K30, 1080p60,
    // 1080p30) from byte 2: mode flag, scale choice, colour space, deep colour.
    struct Row {
        QCheckBox* mode;
        QComboBox* scale;  // only some formats have one
        QComboBox* colourSpace;
        QComboBox* deepColour;
    };
    const Row port0[] = {
        {ui->cb4k60ModePort0, nullptr, ui->cmb4k60Port0Cs, ui->cmb4k60Port0Dc},
        {ui->cb4k30ModePort0, nullptr, ui->cmb4k30Port0Cs, ui->cmb4k30Port0Dc},
        {ui->cb1080p60ModePort0, ui->cmb1080p60Port0Scale, ui->cmb1080p60Port0Cs,
         ui->cmb1080p60Port0Dc},
        {ui->cb1080p30ModePort0, ui->cmb1080p30Port0Scale, ui->cmb1080p30Port0Cs,
         ui->cmb1080p30Port0Dc},
    };
    const Row port1[] = {
        {ui->cb4k60ModePort1, ui->cmb4k60Port1Scale, ui->cmb4k60Port1Cs, ui->cmb4k60Port1Dc},
        {ui->cb4k30ModePort1, ui->cmb4k30Port1Scale, ui->cmb4k30Port1Cs, ui->cmb4k30Port1Dc},
        {ui->cb1080p60ModePort1, nullptr, ui->cmb1080p60Port1Cs, ui->cmb1080p60Port1Dc},
        {ui->cb1080p30ModePort1, nullptr, ui->cmb1080p30Port1Cs, ui->cmb1080p30Port1Dc},
    };
    const auto fill = [](const Row(&rows)[4], Page page) {
        for (std::size_t i = 0; i < 4; ++i) {
            const std::size_t at = 2 + 4 * i;
            rows[i].mode->setChecked(byteAt(page, at) != 0);
            if (rows[i].scale != nullptr) {
                rows[i].scale->setCurrentIndex(byteAt(page, at + 1));
            }
            rows[i].colourSpace->setCurrentIndex(
                gui::readback::colourSpaceIndex(byteAt(page, at + 2)));
            rows[i].deepColour->setCurrentIndex(
                gui::readback::deepColourIndex(byteAt(page, at + 3)));
        }
    };
    fill(port0, page9);
    fill(port1, page10);
}

void MainWindow::fillStoredInfoframes(Page page14, Page page15, Page page16) {
    if (const auto text = gui::readback::storedInfoframe(page14, 0x87, 0x01)) {
        ui->HDRCustomText->setPlainText(latin1(*text));
    }
    if (const auto text = gui::readback::storedInfoframe(page15, 0x82, 0x02)) {
        ui->AVICustomText->setPlainText(latin1(*text));
    }
    if (const auto text = gui::readback::storedInfoframe(page16, 0x81, 0x01)) {
        ui->VSICustomText->setPlainText(latin1(*text));
    }
}

void MainWindow::fillOsdCustomText(Page page12) {
    ui->cbOsdCustomText->setChecked(byteAt(page12, 3) != 0);
    ui->txtOsdRender->setPlainText(latin1(gui::readback::osdCustomText(page12)));
}

void MainWindow::fillSignalLabels(Page page1, Page page5, Page page6) {
    ui->lblRx0Info->setText(QStringLiteral("RX%1: %2")
                                .arg(ui->cmbInputSel->currentIndex())
                                .arg(latin1(gui::readback::textAt(page1, 6))));
    ui->lblTx0Info->setText(QStringLiteral("TX0: ") + latin1(gui::readback::textAt(page5, 2)));
    ui->lblTx1Info->setText(QStringLiteral("TX1: ") + latin1(gui::readback::textAt(page6, 2)));
}
