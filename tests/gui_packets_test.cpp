// The custom packet slots against the emulated box: the bytes each send
// button puts on the wire, what the status bar says, the register writes
// that follow, the refusals, and the widgets that only work once the box's
// settings are read.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextEdit>
#include <functional>
#include <optional>
#include <string>

#include "emulator/Box.h"
#include "packets/Cec.h"
#include "qt/MainWindow.h"
#include "tests/emulator/Requests.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using gui_test::Bytes;

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) {
        out.insert(out.end(), p.begin(), p.end());
    }
    return out;
}

Bytes ascii(const char* text) {
    return Bytes(text, text + std::char_traits<char>::length(text));
}

class GuiPacketsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    void SetUp() override {
        window_ = std::make_unique<MainWindow>(box_.library(), clock_, dialogs_);
        window_->stopStatusTimer();
        // The start-up's EDID read leaves its message.
        ui().statusbar->clearMessage();
        box_.clearTrace();
    }

    Ui::MainWindow& ui() { return *window_->form(); }
    QString status() { return ui().statusbar->currentMessage(); }
    // The next answer of the box echoes another command.
    void failNextAnswer() { box_.server().command("fault echo"); }
    // Requests the box received and ignored since the last clear.
    std::vector<std::string> ignored() {
        std::vector<std::string> out;
        for (const emu::TraceEntry& e : box_.server().trace().entries()) {
            if (e.kind == emu::TraceEntry::kIgnored) {
                out.push_back(e.text);
            }
        }
        return out;
    }

    gui_test::EmulatedBox box_;
    testing_support::ManualClock clock_{100};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// One byte-list sender: its editor, how the user sends, what goes out and
// what follows a success and a failure.
struct SenderCase {
    const char* name;
    const char* editor;
    const char* text;
    std::function<void(MainWindow&)> send;
    Bytes request;
    const char* success;
    const char* failure;
    std::optional<Bytes> registerWrite;  // after the send
    bool writesAfterFailure;
    std::uint8_t epByte;
};

void PrintTo(const SenderCase& c, std::ostream* os) {
    *os << c.name;
}

std::function<void(MainWindow&)> click(const char* button) {
    return [button](MainWindow& w) {
        w.findChild<QPushButton*>(QString::fromLatin1(button))->click();
    };
}

std::function<void(MainWindow&)> invoke(const char* slot) {
    return [slot](MainWindow& w) { ASSERT_TRUE(QMetaObject::invokeMethod(&w, slot)); };
}

const SenderCase kSenders[] = {
    {"Hdr", "HDRCustomText", "87:01:02:5a:10:20", click("ButWriteIF"),
     concat({{0x10, 12, 0xE5}, ascii("hdrif"), {6, 0x87, 0x01, 0x02, 0x5A, 0x10, 0x20}}),
     "Infoframe values written...", "Error Writing Infoframe values.",
     emutest::registerWrite(40, 1), true, 20},
    {"Avi", "AVICustomText", "82:02:0D:5B:12", click("ButWriteAVI"),
     concat({{0x10, 11, 0xE6}, ascii("aviif"), {5, 0x82, 0x02, 0x0D, 0x5B, 0x12}}),
     "AVI values written...", "Error Writing AVI command.", emutest::registerWrite(42, 1), false,
     22},
    {"Vsi", "VSICustomText", "81:01:05:d8:03:0c:00 [HDMI 1.4]", click("ButWriteVSI"),
     concat({{0x10, 13, 0xE8}, ascii("vsiif"), {7, 0x81, 0x01, 0x05, 0xD8, 0x03, 0x0C, 0x00}}),
     "VSI values written...", "Error Writing VSI command.", emutest::registerWrite(44, 1), false,
     24},
    {"DolbyVision", "txtDvBlock", "eb:01:46:d0:00:45", invoke("setDvBlock"),
     concat({{0x10, 12, 0xED}, ascii("dviif"), {6, 0xEB, 0x01, 0x46, 0xD0, 0x00, 0x45}}),
     "DV values written...", "Error Writing Dolby Vision block.", emutest::registerWrite(39, 1),
     false, 19},
    {"Cec", "CECtext", "50:04", click("ButWriteCEC"),
     concat({{0x10, 0x08, 0xEA}, ascii("cecif"), {0x02, 0x50, 0x04}}), "CEC values written",
     "Error Writing CEC values.", std::nullopt, false, 0},
};

class SenderTest : public GuiPacketsTest, public ::testing::WithParamInterface<SenderCase> {
protected:
    void typeText() {
        window_->findChild<QTextEdit*>(QString::fromLatin1(GetParam().editor))
            ->setPlainText(QString::fromLatin1(GetParam().text));
        box_.clearTrace();
        window_->state().setEpState({});
    }
};

TEST_P(SenderTest, SendsTheTaggedRequestAndThenItsRegister) {
    const SenderCase& c = GetParam();
    typeText();
    c.send(*window_);
    std::vector<Bytes> expected = {c.request};
    if (c.registerWrite) {
        expected.push_back(*c.registerWrite);
    }
    EXPECT_EQ(box_.requests(), expected);
    EXPECT_TRUE(ignored().empty());
    EXPECT_EQ(status(), QString::fromLatin1(c.success));
    EXPECT_EQ(window_->state().epState()[c.epByte], c.registerWrite ? 1 : 0);
}

TEST_P(SenderTest, AFailedSendSaysSoAndWritesTheRegisterOnlyWhereItAlwaysDoes) {
    const SenderCase& c = GetParam();
    typeText();
    failNextAnswer();
    c.send(*window_);
    std::vector<Bytes> expected = {c.request};
    if (c.writesAfterFailure) {
        expected.push_back(*c.registerWrite);
    }
    EXPECT_EQ(box_.requests(), expected);
    EXPECT_EQ(status(), QString::fromLatin1(c.failure));
    EXPECT_EQ(window_->state().epState()[c.epByte], c.writesAfterFailure ? 1 : 0);
}

TEST_P(SenderTest, AMalformedListIsRefusedWithWhatIsWrongAndNothingIsSent) {
    const SenderCase& c = GetParam();
    window_->findChild<QTextEdit*>(QString::fromLatin1(c.editor))
        ->setPlainText(QStringLiteral("50:04:7"));
    box_.clearTrace();
    window_->state().setEpState({});
    c.send(*window_);
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_TRUE(status().endsWith(QStringLiteral(": value 3 is not two hexadecimal digits")))
        << status().toStdString();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Error: min 2, max ")))
        << status().toStdString();
    EXPECT_EQ(window_->state().epState()[c.epByte], 0);
}

INSTANTIATE_TEST_SUITE_P(ByteLists, SenderTest, ::testing::ValuesIn(kSenders),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GuiPacketsTest, ShortAndLongTextsAreRefusedBeforeAnythingIsSent) {
    ui().CECtext->setPlainText(QStringLiteral("50:4"));
    ui().ButWriteCEC->click();
    EXPECT_EQ(status(), QStringLiteral("Error: min 2, max 16 values: 4 characters, at least 5"));
    ui().HDRCustomText->setPlainText(QString(93, QLatin1Char('0')));
    ui().ButWriteIF->click();
    EXPECT_EQ(status(), QStringLiteral("Error: min 2, max 31 bytes: 93 characters, at most 92"));
    ui().AVICustomText->setPlainText(QString(51, QLatin1Char('0')));
    ui().ButWriteAVI->click();
    EXPECT_EQ(status(), QStringLiteral("Error: min 2, max 17 bytes: 51 characters, at most 50"));
    // Nothing sent, not even the HDR sender's register.
    EXPECT_TRUE(box_.requests().empty());
}

TEST_F(GuiPacketsTest, ComposedHdrInfoframeIsShownDecodedAndSentAsIs) {
    ui().cmbHdrEotf->setCurrentIndex(2);
    ui().cmbHdrPrim->setCurrentIndex(1);
    ui().sbMaxLum->setValue(1000);
    ui().sbMinLum->setValue(0.005);
    ui().sbMaxCLL->setValue(1000);
    ui().sbMaxFALL->setValue(400);
    ui().pbCreateIf->click();
    const QString text = QStringLiteral(
        "87:01:1a:91:02:00:34:21:aa:9b:96:19:fc:08:48:8a:08:39:13:3d:42:40:e8:03:32:00:e8:03:90:"
        "01");
    EXPECT_EQ(ui().HDRCustomText->toPlainText(), text);
    EXPECT_TRUE(box_.requests().empty());

    const QString preview = gui_test::plainText(ui().lblHdrPreview->text());
    for (const char* line : {"EOTF: SMPTE ST 2084", "GRN: x0 8500, y0 39850 [0.1700, 0.7970]",
                             "Mastering Target: BT2020", "Min Display Luminance: 0.005 nits",
                             "MaxFALL: 400 nits", "White Point: D65", "Checksum: correct"}) {
        EXPECT_TRUE(preview.contains(QLatin1String(line)))
            << line << " in " << preview.toStdString();
    }

    ui().ButWriteIF->click();
    const auto requests = box_.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[0].size(), 39u);
    EXPECT_EQ(Bytes(requests[0].begin() + 3, requests[0].begin() + 9),
              concat({ascii("hdrif"), {30}}));
    EXPECT_EQ(requests[0][9], 0x87);
    EXPECT_EQ(requests[0][12], 0x91);
    EXPECT_EQ(requests[1], emutest::registerWrite(40, 1));
    box_.server().withBox([](emu::Box& box) {
        const emu::Page& page = *box.page(14);
        EXPECT_EQ(page[2], 0x87);
        EXPECT_EQ(page[31], 0x01);
    });
}

// Filled, the preview and the message list still show in full beside
// their neighbours (the form test sees them empty, without a box).
TEST_F(GuiPacketsTest, FilledPreviewAndMessageListFitTheirTabs) {
    ui().pbCreateIf->click();
    window_->show();
    const std::pair<QWidget*, std::vector<QWidget*>> checks[] = {
        {ui().lblHdrPreview, {ui().HDRCustomText, ui().ButWriteIF, ui().label_92}},
        {ui().cmbCecMessage, {ui().CECtext, ui().ButWriteCEC, ui().lblCecMessage, ui().label_2}},
    };
    for (const auto& [widget, neighbours] : checks) {
        SCOPED_TRACE(widget->objectName().toStdString());
        ui().tabWidget->setCurrentWidget(widget == ui().lblHdrPreview ? ui().tab_2 : ui().tab_3);
        QApplication::processEvents();
        EXPECT_GE(widget->width(), widget->minimumSizeHint().width());
        EXPECT_GE(widget->height(), widget->minimumSizeHint().height());
        const QRect area(widget->mapTo(window_.get(), QPoint(0, 0)), widget->size());
        for (QWidget* other : neighbours) {
            const QRect rect(other->mapTo(window_.get(), QPoint(0, 0)), other->size());
            EXPECT_FALSE(area.intersects(rect)) << other->objectName().toStdString();
        }
    }
}

TEST_F(GuiPacketsTest, HdrPreviewFollowsTheTextAsTheUserEditsIt) {
    ui().HDRCustomText->setPlainText(QStringLiteral("87:01:1a:00"));
    EXPECT_TRUE(
        gui_test::plainText(ui().lblHdrPreview->text())
            .contains(QStringLiteral("Length: the header gives 30 bytes, the list holds 4")));
    ui().HDRCustomText->setPlainText(QStringLiteral("87:01:1"));
    EXPECT_EQ(gui_test::plainText(ui().lblHdrPreview->text()).trimmed(),
              QStringLiteral("Not a byte list: value 3 is not two hexadecimal digits"));
    ui().HDRCustomText->clear();
    EXPECT_TRUE(ui().lblHdrPreview->text().isEmpty());
}

TEST_F(GuiPacketsTest, CommonCecMessagesFillTheTextFromTheBoxsOwnAddress) {
    ASSERT_EQ(static_cast<std::size_t>(ui().cmbCecMessage->count()), packets::cecMessages().size());
    EXPECT_EQ(ui().cmbCecMessage->currentIndex(), -1);
    const int standby = ui().cmbCecMessage->findText(QStringLiteral("Standby (0x36) [broadcast]"));
    ASSERT_GE(standby, 0);
    const auto pick = [&](int index) {
        ui().cmbCecMessage->setCurrentIndex(index);
        emit ui().cmbCecMessage->activated(index);
    };

    ui().cmbLa->setCurrentIndex(0);
    pick(standby);
    EXPECT_EQ(ui().CECtext->toPlainText(), QStringLiteral("ef:36"));
    ui().cmbLa->setCurrentIndex(1);
    pick(standby);
    EXPECT_EQ(ui().CECtext->toPlainText(), QStringLiteral("5f:36"));
    pick(ui().cmbCecMessage->findText(QStringLiteral("Give Device Power Status (0x8F) [TV]")));
    EXPECT_EQ(ui().CECtext->toPlainText(), QStringLiteral("50:8f"));

    box_.clearTrace();
    ui().ButWriteCEC->click();
    EXPECT_EQ(box_.requests(),
              std::vector<Bytes>{concat({{0x10, 0x08, 0xEA}, ascii("cecif"), {0x02, 0x50, 0x8F}})});
    EXPECT_EQ(status(), QStringLiteral("CEC values written"));
}

TEST_F(GuiPacketsTest, Rs232SendsTheListWithItsClosingZero) {
    // The example the start-up puts in.
    ui().pbJvcTest->click();
    EXPECT_EQ(box_.requests(), (std::vector<Bytes>{{0x10, 0x0B, 0xF0, 0x21, 0x89, 0x01, 0x50, 0x4D,
                                                    0x50, 0x4D, 0x30, 0x43, 0x0A, 0x00}}));
    EXPECT_EQ(status(), QStringLiteral("RS232 values written"));

    box_.clearTrace();
    ui().txtRs232->setPlainText(QStringLiteral("21:89:01:49:50:36 [INPUT 1]"));
    failNextAnswer();
    ui().pbJvcTest->click();
    EXPECT_EQ(box_.requests(),
              (std::vector<Bytes>{{0x10, 0x07, 0xF0, 0x21, 0x89, 0x01, 0x49, 0x50, 0x36, 0x00}}));
    EXPECT_EQ(status(), QStringLiteral("Error Writing RS232"));

    box_.clearTrace();
    ui().txtRs232->clear();
    ui().pbJvcTest->click();
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_EQ(status(), QStringLiteral("Error: max 16 values: no values entered"));
    ui().txtRs232->setPlainText(
        QString::fromLatin1("21:89:01:49:50:36:21:89:01:49:50:36:21:89:01:490"));
    ui().pbJvcTest->click();
    EXPECT_EQ(status(), QStringLiteral("Error: max 16 values: 48 characters, at most 47"));
    EXPECT_TRUE(box_.requests().empty());
}

void setOsdParameters(Ui::MainWindow& ui) {
    ui.cbOsdEn->setChecked(true);
    ui.cbOsdMask1->setChecked(true);
    ui.sbOsdMask1Rate->setValue(3);
    ui.sbOsdColorFg->setValue(31);
    ui.sbOsdColorBg->setValue(2);
    ui.sbOsdColorBgRate->setValue(7);
    for (QCheckBox* box :
         {ui.cbOsdCapSpd, ui.cbOsdCapVid, ui.cbOsdCapVidIf, ui.cbOsdCapHdr, ui.cbOsdCapHdrIf,
          ui.cbOsdCapAud, ui.cbOsdCapHdrSource, ui.cbOsdCapVideoRXTX}) {
        box->setChecked(false);
    }
    ui.cbOsdCapVid->setChecked(true);
    ui.cbOsdCapAud->setChecked(true);
    ui.sbOsdFadeValue->setValue(200);
    ui.sbOsdMask1GrayScale->setValue(9);
    ui.cbOsdIgnoreMetadata->setChecked(true);
    ui.sbOsdLocX->setValue(300);
    ui.sbOsdLocY->setValue(1080);
    ui.sbOsdMask1X0->setValue(1);
    ui.sbOsdMask1Y0->setValue(950);
    ui.sbOsdMask1X1->setValue(1920);
    ui.sbOsdMask1Y1->setValue(0);
}

TEST_F(GuiPacketsTest, OsdParametersGoOutAsOneRequestFromEachOfItsFourWidgets) {
    setOsdParameters(ui());
    const Bytes expected =
        concat({{0x10, 0x25, 0xEB},
                ascii("osdparam "),
                {1, 1, 3, 31, 2, 7, 0x22, 200, 9, 1, 0, 0, 0, 0, 0, 0},
                {0x01, 0x2C, 0x04, 0x38, 0x00, 0x01, 0x03, 0xB6, 0x07, 0x80, 0, 0}});
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{ui().pbOsdLoc, ui().pbMaskSend}) {
        box_.clearTrace();
        button->click();
        EXPECT_EQ(box_.requests(), std::vector<Bytes>{expected})
            << button->objectName().toStdString();
    }
    // The check boxes send their new state.
    for (QAbstractButton* button :
         std::initializer_list<QAbstractButton*>{ui().cbOsdEn, ui().cbOsdMask1}) {
        box_.clearTrace();
        button->click();
        ASSERT_EQ(box_.requests().size(), 1u) << button->objectName().toStdString();
        EXPECT_EQ(box_.requests()[0][button == ui().cbOsdEn ? 12 : 13], 0);
        button->click();
    }
    EXPECT_TRUE(status().isEmpty());
    EXPECT_TRUE(ignored().empty());
    // The box keeps them in page 11, where the start-up reads them.
    box_.server().withBox([&](emu::Box& box) {
        const emu::Page& page = *box.page(11);
        EXPECT_EQ(Bytes(page.begin() + 2, page.begin() + 30),
                  Bytes(expected.begin() + 12, expected.end()));
    });

    failNextAnswer();
    ui().pbOsdLoc->click();
    EXPECT_EQ(status(), QStringLiteral("Error Writing OSD values"));
}

TEST_F(GuiPacketsTest, OsdCustomTextWithItsFlagsAndPosition) {
    ui().txtOsdRender->setPlainText(QStringLiteral("MOVIE"));
    ui().sbCustomOsdLocX->setValue(300);
    ui().sbCustomOsdLocY->setValue(1500);
    ui().cbOsdCustomText->setChecked(true);
    ui().cbOsdCustomTextFade->setChecked(false);
    ui().pbCustomOsdLoc->click();
    const Bytes sent = concat(
        {{0x10, 19, 0xEC}, ascii("osdtext "), {5, 0x01, 0x01, 0x2C, 0x05, 0xDC}, ascii("MOVIE")});
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{sent});
    EXPECT_TRUE(status().isEmpty());

    // "NEVER FADE TEXT" resends with bit 1 of the flags set.
    box_.clearTrace();
    ui().cbOsdCustomTextFade->click();
    Bytes faded = sent;
    faded[12] = 0x03;
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{faded});

    box_.clearTrace();
    ui().txtOsdRender->setPlainText(QString(40, QLatin1Char('A')));
    ui().pbCustomOsdLoc->click();
    ASSERT_EQ(box_.requests().size(), 1u);
    EXPECT_EQ(box_.requests()[0].size(), 57u);
    EXPECT_EQ(box_.requests()[0][1], 54);
    EXPECT_TRUE(ignored().empty());

    box_.clearTrace();
    ui().txtOsdRender->setPlainText(QString(41, QLatin1Char('A')));
    ui().pbCustomOsdLoc->click();
    EXPECT_EQ(status(), QStringLiteral("OSD text: too many characters, max is 40"));
    ui().txtOsdRender->clear();
    ui().cbOsdCustomTextFade->click();
    EXPECT_EQ(status(), QStringLiteral("OSD text: no text is entered"));
    EXPECT_TRUE(box_.requests().empty());

    ui().txtOsdRender->setPlainText(QStringLiteral("X"));
    failNextAnswer();
    ui().cbOsdCustomText->click();
    EXPECT_EQ(status(), QStringLiteral("Error Writing OSD custom text values"));
}

TEST_F(GuiPacketsTest, MacrosGoOutAsOneRequestWithTheMinimumBrightnessInTenThousandths) {
    Ui::MainWindow& u = ui();
    u.cbJvcMacroEn->setChecked(true);
    u.cbJvcMacroRefresh->setChecked(false);
    u.cmbMacroHdr10Mode->setCurrentIndex(3);
    QCheckBox* enables[] = {u.cbMacro0En, u.cbMacro1En, u.cbMacro2En, u.cbMacro3En,
                            u.cbMacro4En, u.cbMacro5En, u.cbMacro6En};
    for (int k = 0; k < 7; ++k) {
        enables[k]->setChecked(k == 0 || k == 1 || k == 6);
    }
    QComboBox* a[] = {u.cmbMacro0A, u.cmbMacro1A, u.cmbMacro2A,
                      u.cmbMacro3A, u.cmbMacro4A, u.cmbMacro5A};
    QDoubleSpinBox* b[] = {u.sbMacro0B, u.sbMacro1B, u.sbMacro2B,
                           u.sbMacro3B, u.sbMacro4B, u.sbMacro5B};
    QComboBox* c[] = {u.cmbMacro0C, u.cmbMacro1C, u.cmbMacro2C, u.cmbMacro3C,
                      u.cmbMacro4C, u.cmbMacro5C, u.cmbMacro6C};
    for (int k = 0; k < 6; ++k) {
        a[k]->setCurrentIndex(0);
        b[k]->setValue(0);
        c[k]->setCurrentIndex(0);
    }
    a[0]->setCurrentIndex(1);
    b[0]->setValue(0.05);
    c[0]->setCurrentIndex(5);
    a[1]->setCurrentIndex(2);
    b[1]->setValue(1000);
    c[1]->setCurrentIndex(21);
    c[6]->setCurrentIndex(7);
    u.sbJvcDelay->setValue(12);
    QComboBox* modes[] = {u.cmbJvcPm0, u.cmbJvcPm1, u.cmbJvcPm2, u.cmbJvcPm3, u.cmbJvcPm4,
                          u.cmbJvcPm5, u.cmbJvcPm6, u.cmbJvcPm7, u.cmbJvcPm8, u.cmbJvcPm9};
    for (int i = 0; i < 10; ++i) {
        modes[i]->setCurrentIndex(i * 2);
    }
    box_.clearTrace();
    u.pbSetMacro->click();
    const Bytes expected = concat({{0x10, 0x2D, 0xEF},
                                   ascii("macro "),
                                   {0x01, 3, 0x43},
                                   {1, 0xF4, 0x01, 5, 2, 0xE8, 0x03, 21},
                                   Bytes(16, 0),
                                   {7, 12},
                                   {0, 2, 4, 6, 8, 10, 12, 14, 16, 18}});
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{expected});
    EXPECT_EQ(status(), QStringLiteral("Macro values written"));
    EXPECT_TRUE(ignored().empty());

    box_.clearTrace();
    u.pbSetMacro2->click();
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{expected});

    failNextAnswer();
    u.pbSetMacro2->click();
    EXPECT_EQ(status(), QStringLiteral("Error Writing values"));
}

TEST_F(GuiPacketsTest, EachRulesMetadataSetsTheScaleOfItsThreshold) {
    Ui::MainWindow& u = ui();
    const std::pair<QComboBox*, QDoubleSpinBox*> rules[] = {
        {u.cmbMacro0A, u.sbMacro0B}, {u.cmbMacro1A, u.sbMacro1B}, {u.cmbMacro2A, u.sbMacro2B},
        {u.cmbMacro3A, u.sbMacro3B}, {u.cmbMacro4A, u.sbMacro4B}, {u.cmbMacro5A, u.sbMacro5B},
    };
    for (const auto& [a, b] : rules) {
        SCOPED_TRACE(a->objectName().toStdString());
        a->setCurrentIndex(1);
        EXPECT_EQ(b->decimals(), 4);
        EXPECT_DOUBLE_EQ(b->maximum(), 6.5535);
        EXPECT_DOUBLE_EQ(b->singleStep(), 0.0001);
        for (const int other : {2, 0}) {
            a->setCurrentIndex(other);
            EXPECT_EQ(b->decimals(), 0);
            EXPECT_DOUBLE_EQ(b->maximum(), 65535.0);
            EXPECT_DOUBLE_EQ(b->singleStep(), 1.0);
        }
    }
    EXPECT_TRUE(box_.requests().empty());
}

struct ScalerSetup {
    QCheckBox* mode;
    QComboBox* scale;
    QComboBox* cs;
    QComboBox* dc;
};

TEST_F(GuiPacketsTest, EveryScalerWidgetSendsTheWholeBlockOfItsPort) {
    Ui::MainWindow& u = ui();
    const ScalerSetup port0[] = {
        {u.cb4k60ModePort0, nullptr, u.cmb4k60Port0Cs, u.cmb4k60Port0Dc},
        {u.cb4k30ModePort0, nullptr, u.cmb4k30Port0Cs, u.cmb4k30Port0Dc},
        {u.cb1080p60ModePort0, u.cmb1080p60Port0Scale, u.cmb1080p60Port0Cs, u.cmb1080p60Port0Dc},
        {u.cb1080p30ModePort0, u.cmb1080p30Port0Scale, u.cmb1080p30Port0Cs, u.cmb1080p30Port0Dc},
    };
    const ScalerSetup port1[] = {
        {u.cb4k60ModePort1, u.cmb4k60Port1Scale, u.cmb4k60Port1Cs, u.cmb4k60Port1Dc},
        {u.cb4k30ModePort1, u.cmb4k30Port1Scale, u.cmb4k30Port1Cs, u.cmb4k30Port1Dc},
        {u.cb1080p60ModePort1, nullptr, u.cmb1080p60Port1Cs, u.cmb1080p60Port1Dc},
        {u.cb1080p30ModePort1, nullptr, u.cmb1080p30Port1Cs, u.cmb1080p30Port1Dc},
    };
    for (const auto* rows : {port0, port1}) {
        for (int i = 0; i < 4; ++i) {
            rows[i].mode->setChecked(false);
            if (rows[i].scale != nullptr) {
                rows[i].scale->setCurrentIndex(0);
            }
            rows[i].cs->setCurrentIndex(0);
            rows[i].dc->setCurrentIndex(0);
        }
    }
    const Bytes follow = {0, 0, 0x23, 6};
    const Bytes allFollow0 =
        concat({{0x10, 0x17, 0xE7}, ascii("param 0"), follow, follow, follow, follow});
    box_.clearTrace();
    u.cb4k30ModePort0->click();
    u.cb4k30ModePort0->click();
    Bytes on4k30 = allFollow0;
    on4k30[14] = 1;
    EXPECT_EQ(box_.requests(), (std::vector<Bytes>{on4k30, allFollow0}));

    // Port 1: 4K60 on, scale "1080p60", "420 - 709", "10-bit".
    box_.clearTrace();
    u.cb4k60ModePort1->click();
    u.cmb4k60Port1Cs->setCurrentIndex(7);
    u.cmb4k60Port1Dc->setCurrentIndex(2);
    const auto requests = box_.requests();
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(
        requests[2],
        concat({{0x10, 0x17, 0xE7}, ascii("param 1"), {1, 0, 0x1B, 3}, follow, follow, follow}));
    // Each of the fourteen widgets of a port sends its block.
    for (const auto* rows : {port0, port1}) {
        for (int i = 0; i < 4; ++i) {
            std::vector<QWidget*> widgets = {rows[i].cs, rows[i].dc};
            if (rows[i].scale != nullptr) {
                widgets.push_back(rows[i].scale);
            }
            for (QWidget* w : widgets) {
                box_.clearTrace();
                auto* combo = static_cast<QComboBox*>(w);
                combo->setCurrentIndex(1);
                ASSERT_EQ(box_.requests().size(), 1u) << w->objectName().toStdString();
                EXPECT_EQ(box_.requests()[0][9], rows == port0 ? '0' : '1');
            }
            box_.clearTrace();
            rows[i].mode->click();
            EXPECT_EQ(box_.requests().size(), 1u) << rows[i].mode->objectName().toStdString();
        }
    }
    EXPECT_TRUE(status().isEmpty());
    EXPECT_TRUE(ignored().empty());

    failNextAnswer();
    u.cb4k60ModePort0->click();
    EXPECT_EQ(status(), QStringLiteral("Error Writing values"));
}

// Before the start-up has read the box the OSD, macro and scaler widgets
// send nothing and say nothing; the byte-list senders and RS-232 do not wait.
TEST_F(GuiPacketsTest, OsdMacroAndScalerWaitForTheStartUp) {
    window_->state().setWritesEnabled(false);
    ui().txtOsdRender->setPlainText(QStringLiteral("X"));
    for (QAbstractButton* b : std::initializer_list<QAbstractButton*>{
             ui().pbOsdLoc, ui().pbMaskSend, ui().cbOsdEn, ui().cbOsdMask1, ui().pbCustomOsdLoc,
             ui().cbOsdCustomText, ui().cbOsdCustomTextFade, ui().pbSetMacro, ui().pbSetMacro2,
             ui().cb4k60ModePort0, ui().cb1080p30ModePort1}) {
        b->click();
    }
    ui().cmb4k30Port1Dc->setCurrentIndex(3);
    ui().txtOsdRender->clear();
    ui().pbCustomOsdLoc->click();
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_TRUE(status().isEmpty());

    ui().pbJvcTest->click();
    EXPECT_EQ(box_.requests().size(), 1u);
}

// What a user of the demo sees: every send button of the packet tabs, with
// the texts and settings the start-up read, reaches the box, which takes it.
TEST_F(GuiPacketsTest, EverySendButtonReachesTheBoxWithTheStartUpsValues) {
    const std::pair<QAbstractButton*, const char*> buttons[] = {
        {ui().ButWriteIF, "Infoframe values written..."},
        {ui().ButWriteAVI, "AVI values written..."},
        {ui().ButWriteVSI, "VSI values written..."},
        {ui().ButWriteCEC, "CEC values written"},
        {ui().pbJvcTest, "RS232 values written"},
        {ui().pbOsdLoc, ""},
        {ui().pbMaskSend, ""},
        {ui().pbCustomOsdLoc, ""},
        {ui().pbSetMacro, "Macro values written"},
        {ui().pbSetMacro2, "Macro values written"},
        {ui().cb4k60ModePort0, ""},
        {ui().cb4k60ModePort1, ""},
    };
    for (const auto& [button, message] : buttons) {
        SCOPED_TRACE(button->objectName().toStdString());
        box_.clearTrace();
        ui().statusbar->clearMessage();
        button->click();
        EXPECT_FALSE(box_.requests().empty());
        EXPECT_TRUE(ignored().empty());
        EXPECT_EQ(status(), QString::fromLatin1(message));
    }
}

}  // namespace
