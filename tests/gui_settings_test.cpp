// The settings widgets against the emulated box: what each widget action
// sends, what it keeps in epState, and what it does before the start-up has
// finished.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QStatusBar>
#include <functional>
#include <optional>

#include "qt/MainWindow.h"
#include "tests/emulator/Requests.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using gui_test::Bytes;

class GuiSettingsTest : public ::testing::Test {
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

    gui_test::EmulatedBox box_;
    testing_support::ManualClock clock_{100};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

using Action = std::function<void(MainWindow&)>;

void none(MainWindow&) {}

template <typename T>
T* widget(MainWindow& window, const char* name) {
    T* w = window.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
}

Action click(const char* name) {
    return [name](MainWindow& w) { widget<QAbstractButton>(w, name)->click(); };
}

Action check(const char* name, bool on) {
    return [name, on](MainWindow& w) { widget<QAbstractButton>(w, name)->setChecked(on); };
}

Action pick(const char* name, int index) {
    return [name, index](MainWindow& w) { widget<QComboBox>(w, name)->setCurrentIndex(index); };
}

struct SettingCase {
    const char* name;
    // Brings the widgets into a known state first (what it sends is not looked at).
    Action prepare;
    Action act;
    std::vector<Bytes> sent;
    std::optional<std::uint8_t> epByte;  // the mirror byte the slot keeps
    std::uint8_t epValue = 0;
    bool gated = false;        // does nothing at all before the start-up has finished
    const char* message = "";  // the status-bar text it leaves, sent or not
};

void PrintTo(const SettingCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<SettingCase>& settingCases() {
    static const std::vector<SettingCase> cases = {
        {"InputMatrixSwap",
         pick("cmbInputSel", 0),
         pick("cmbInputSel", 3),
         {emutest::registerWrite(25, 4)},
         std::nullopt,
         0,
         true},
        {"AutoSwitchOff", none, click("autoSwDis"), {emutest::registerWrite(26, 0)}, 8, 0},
        {"AutoSwitchOn", none, click("autoSwEn"), {emutest::registerWrite(26, 1)}, 8, 1},
        {"PriorityForced",
         click("autoSwEn"),
         click("pPrioForce"),
         {emutest::registerWrite(27, 1)},
         9,
         1},
        {"PriorityNormal",
         click("autoSwEn"),
         click("bPrioNorm"),
         {emutest::registerWrite(27, 0)},
         9,
         0},
        {"CustomScaling", none, click("cbCustomScale"), {emutest::registerWrite(28, 2)}, 2, 2},
        {"AutoScaling", none, click("cbAutoScale"), {emutest::registerWrite(28, 1)}, 2, 1},
        {"NoScaling", none, click("cbNoScale"), {emutest::registerWrite(28, 0)}, 2, 0},
        {"EdidModeAutomix",
         click("customEDID"),
         click("automixEDID"),
         {emutest::registerWrite(29, 1)},
         10,
         1,
         false,
         "EDID Writing Busy"},
        {"EdidModeFixed",
         none,
         click("fixedEDID"),
         {emutest::registerWrite(29, 2)},
         10,
         2,
         false,
         "EDID Writing Busy"},
        {"EdidModeCustom",
         none,
         click("customEDID"),
         {emutest::registerWrite(29, 3)},
         10,
         3,
         false,
         "EDID Writing Busy"},
        {"EdidModeCopyTop",
         none,
         click("rbCopyTopEDID"),
         {emutest::registerWrite(29, 4)},
         10,
         4,
         false,
         "EDID Writing Busy"},
        {"EdidModeCopyBot",
         none,
         click("rbCopyBotEDID"),
         {emutest::registerWrite(29, 5)},
         10,
         5,
         false,
         "EDID Writing Busy"},
        {"EdidAlgorithm",
         pick("cmbEdidAlgo", 0),
         pick("cmbEdidAlgo", 3),
         {emutest::registerWrite(31, 3)},
         std::nullopt,
         0,
         true},
        {"EdidTablePort0",
         [](MainWindow& w) {
             w.form()->cmBEdid->setCurrentIndex(0);
             w.form()->cmbEdidTop->setCurrentIndex(0);
         },
         pick("cmBEdid", 4),
         {emutest::registerWrite(32, 5), emutest::registerWrite(33, 0)},
         std::nullopt,
         0,
         true},
        {"EdidTablePort1",
         [](MainWindow& w) {
             w.form()->cmBEdid->setCurrentIndex(9);
             w.form()->cmbEdidTop->setCurrentIndex(0);
         },
         pick("cmbEdidTop", 100),
         {emutest::registerWrite(32, 10), emutest::registerWrite(33, 100)},
         std::nullopt,
         0,
         true},
        {"Hdcp14", none, click("hdcp14"), {emutest::registerWrite(30, 2)}, 4, 2},
        {"Hdcp22", none, click("hdcp22"), {emutest::registerWrite(30, 3)}, 4, 3},
        {"AudioStereo",
         click("cbFull"),
         click("cb2cForce"),
         {emutest::registerWrite(34, 1)},
         14,
         1,
         true},
        {"Audio51", click("cbFull"), click("cb51"), {emutest::registerWrite(34, 2)}, 14, 2, true},
        {"Audio71", click("cb51"), click("cbFull"), {emutest::registerWrite(34, 3)}, 14, 3, true},
        {"AudioNative",
         click("cbFull"),
         click("cbAudioNative"),
         {emutest::registerWrite(34, 4)},
         14,
         4,
         true},
        {"AudioTopMax",
         click("cbFull"),
         click("cbAudioTop"),
         {emutest::registerWrite(34, 5)},
         14,
         5,
         true},
        {"Bt2020On",
         check("cbBt2020", false),
         check("cbBt2020", true),
         {emutest::registerWrite(35, 1)},
         15,
         1},
        {"YcbcrRemovalOff",
         check("cbYUV", true),
         check("cbYUV", false),
         {emutest::registerWrite(36, 0)},
         16,
         0},
        {"No3dOn",
         check("cb3D", false),
         check("cb3D", true),
         {emutest::registerWrite(37, 1)},
         17,
         1},
        {"HdrAndHlg",
         [](MainWindow& w) {
             Ui::MainWindow& ui = *w.form();
             ui.cbHlg->setChecked(true);
             ui.cbHdr->setChecked(false);
         },
         check("cbHdr", true),
         {emutest::registerWrite(38, 3)},
         18,
         3},
        {"HlgOnly",
         [](MainWindow& w) {
             Ui::MainWindow& ui = *w.form();
             ui.cbHdr->setChecked(false);
             ui.cbHlg->setChecked(false);
         },
         click("cbHlg"),
         {emutest::registerWrite(38, 2)},
         18,
         2},
        {"DolbyVisionBits",
         [](MainWindow& w) {
             Ui::MainWindow& ui = *w.form();
             ui.cbDv->setChecked(true);
             ui.cbDvRemove->setChecked(false);
             ui.cbDvLimit->setChecked(false);
         },
         click("cbDvLimit"),
         {emutest::registerWrite(39, 5)},
         19,
         5},
        {"HdrCustom",
         check("cbHdrCustom", false),
         click("cbHdrCustom"),
         {emutest::registerWrite(40, 1)},
         20,
         1},
        {"HdrDisable",
         check("cbHdrDisable", false),
         click("cbHdrDisable"),
         {emutest::registerWrite(41, 1)},
         21,
         1,
         true},
        {"AviCustom",
         check("cbAviCustom", false),
         click("cbAviCustom"),
         {emutest::registerWrite(42, 1)},
         22,
         1},
        {"AviDisable",
         check("cbAviDisable", false),
         click("cbAviDisable"),
         {emutest::registerWrite(43, 1)},
         23,
         1,
         true},
        {"VsiCustom",
         check("cbVsiCustom", false),
         click("cbVsiCustom"),
         {emutest::registerWrite(44, 1)},
         24,
         1},
        {"VsiDisable",
         check("cbVsiDisable", false),
         click("cbVsiDisable"),
         {emutest::registerWrite(45, 1)},
         25,
         1,
         true},
        {"Preset4k30",
         pick("cmbPreset4k30", 0),
         pick("cmbPreset4k30", 2),
         {emutest::registerWrite(46, 3)},
         std::nullopt,
         0,
         true},
        {"Preset4k60",
         pick("cmbPreset4k60", 0),
         pick("cmbPreset4k60", 1),
         {emutest::registerWrite(47, 4)},
         std::nullopt,
         0,
         true},
        {"Preset4k60Hdr",
         pick("cmbPreset4k60Hdr", 0),
         pick("cmbPreset4k60Hdr", 2),
         {emutest::registerWrite(48, 5)},
         std::nullopt,
         0,
         true},
        {"PresetAutosense",
         pick("cmbPreset4k60Hdr", 1),
         pick("cmbPreset4k60Hdr", 0),
         {emutest::registerWrite(48, 8)},
         std::nullopt,
         0,
         true},
        {"LogoLedOff", none, click("disableLed"), {emutest::registerWrite(50, 0)}, 30, 0},
        {"LogoLedOn", none, click("enableLed"), {emutest::registerWrite(50, 1)}, 30, 1},
        {"CecOff",
         check("cbCec", true),
         check("cbCec", false),
         {emutest::registerWrite(56, 0)},
         36,
         0},
        {"CecAudioSystem",
         pick("cmbLa", 0),
         pick("cmbLa", 1),
         {emutest::registerWrite(57, 1)},
         std::nullopt,
         0,
         true},
        {"HtpcOn", none, click("cbHtpcEnable"), {emutest::registerWrite(58, 1)}, 38, 1},
        {"HtpcOff", none, click("cbHtpcDisable"), {emutest::registerWrite(58, 0)}, 38, 0},
        {"HotPlug", none, click("pbHotPlug"), {emutest::registerWrite(62, 1)}, std::nullopt},
        {"BaudRate115200",
         pick("cmbBaudRate", 0),
         pick("cmbBaudRate", 3),
         {emutest::registerWrite(66, 3)},
         std::nullopt,
         0,
         true},
        {"ArcHbr",
         check("cbArcAllowHbr", false),
         click("cbArcAllowHbr"),
         {emutest::registerWrite(67, 1)},
         43,
         1},
        {"NoUpscaling",
         check("cbAutoScaleNoUpscale", false),
         click("cbAutoScaleNoUpscale"),
         {emutest::registerWrite(68, 1)},
         46,
         1},
        {"AudioLevelsAsLowBytes",
         [](MainWindow& w) {
             Ui::MainWindow& ui = *w.form();
             ui.sbAudioVolume->setValue(-6);
             ui.sbAudioBass->setValue(5);
             ui.sbAudioTreble->setValue(-3);
         },
         click("pbAudioVolume"),
         {emutest::registerWrite(69, 0xFA), emutest::registerWrite(70, 0x05),
          emutest::registerWrite(71, 0xFD)},
         std::nullopt,
         0,
         true},
        {"MuteBotAudio", none, click("cbMuteBotAudioOn"), {emutest::registerWrite(72, 1)}, 50, 1},
        {"UnmuteBotAudio",
         none,
         click("cbMuteBotAudioOff"),
         {emutest::registerWrite(72, 0)},
         50,
         0},
        {"HdrOptionBits",
         [](MainWindow& w) {
             Ui::MainWindow& ui = *w.form();
             ui.cbHlgOptionDisable->setChecked(false);
             ui.cbHdr10OptionDisable->setChecked(false);
         },
         click("cbHdr10OptionDisable"),
         {emutest::registerWrite(73, 2)},
         51,
         2,
         true},
    };
    return cases;
}

class SettingTest : public GuiSettingsTest, public ::testing::WithParamInterface<SettingCase> {};

TEST_P(SettingTest, SendsItsRegisterAndKeepsTheMirrorByte) {
    const SettingCase& c = GetParam();
    c.prepare(*window_);
    box_.clearTrace();
    if (c.epByte) {
        window_->state().setEpByte(*c.epByte, 0xAA);
    }
    c.act(*window_);
    EXPECT_EQ(box_.requests(), c.sent);
    if (c.epByte) {
        EXPECT_EQ(window_->state().epState()[*c.epByte], c.epValue);
    }
    EXPECT_EQ(ui().statusbar->currentMessage(), QString::fromLatin1(c.message));
}

TEST_P(SettingTest, BeforeTheStartUpHasFinishedSendsNothing) {
    const SettingCase& c = GetParam();
    c.prepare(*window_);
    window_->state().setWritesEnabled(false);
    box_.clearTrace();
    if (c.epByte) {
        window_->state().setEpByte(*c.epByte, 0xAA);
    }
    c.act(*window_);
    EXPECT_TRUE(box_.requests().empty());
    if (c.epByte) {
        // A gated slot does nothing at all; the others still keep the byte.
        EXPECT_EQ(window_->state().epState()[*c.epByte], c.gated ? 0xAA : c.epValue);
    }
    EXPECT_EQ(ui().statusbar->currentMessage(), QString::fromLatin1(c.message));
}

INSTANTIATE_TEST_SUITE_P(RegisterMap, SettingTest, ::testing::ValuesIn(settingCases()),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GuiSettingsTest, AudioChoiceThatIsAlreadyTheBoxsSendsNothing) {
    ui().cb51->click();
    ASSERT_EQ(window_->state().epState()[14], 2);
    box_.clearTrace();
    ui().cb51->click();
    EXPECT_TRUE(box_.requests().empty());
}

TEST_F(GuiSettingsTest, NoHdcpChoiceSendsNothing) {
    ui().buttonGroup_4->setExclusive(false);
    ui().hdcp14->setChecked(false);
    ui().hdcp22->setChecked(false);
    window_->state().setEpByte(4, 0xAA);
    QMetaObject::invokeMethod(window_.get(), "SetHDCP_Version");
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_EQ(window_->state().epState()[4], 0xAA);
}

TEST_F(GuiSettingsTest, FailedWriteStillKeepsTheChoiceInTheMirror) {
    ui().cbAutoScaleNoUpscale->setChecked(false);  // connected through clicked(): sends nothing
    box_.server().command("fault echo");
    ui().cbAutoScaleNoUpscale->click();
    EXPECT_EQ(window_->state().epState()[46], 1);
    EXPECT_EQ(ui().statusbar->currentMessage(), QStringLiteral("Error Writing values"));
}

struct ResetCase {
    const char* name;
    const char* word;
    bool clearSettings;
    bool clearEdid;
    std::vector<Bytes> sent;
    const char* message;  // status bar, empty for none
    bool cleared;
};

void PrintTo(const ResetCase& c, std::ostream* os) {
    *os << c.name;
}

class ResetTest : public GuiSettingsTest, public ::testing::WithParamInterface<ResetCase> {};

TEST_P(ResetTest, NeedsTheWordAndAChoice) {
    const ResetCase& c = GetParam();
    ui().leReset->setText(QString::fromLatin1(c.word));
    ui().cbClearSettings->setChecked(c.clearSettings);
    ui().cbClearEdid->setChecked(c.clearEdid);
    ui().pbReset->click();
    EXPECT_EQ(box_.requests(), c.sent);
    EXPECT_EQ(ui().statusbar->currentMessage(), QString::fromLatin1(c.message));
    EXPECT_EQ(ui().leReset->text().isEmpty(), c.cleared || std::string(c.word).empty());
    EXPECT_EQ(ui().cbClearSettings->isChecked(), c.cleared ? false : c.clearSettings);
    EXPECT_EQ(ui().cbClearEdid->isChecked(), c.cleared ? false : c.clearEdid);
}

const char* const kWordMissing = "Type RESET into the text box and click OK";

INSTANTIATE_TEST_SUITE_P(
    FactoryReset, ResetTest,
    ::testing::Values(
        ResetCase{"Both", "RESET", true, true, {emutest::registerWrite(63, 3)}, "", true},
        ResetCase{"Settings", "RESET", true, false, {emutest::registerWrite(63, 2)}, "", true},
        ResetCase{"Edid", "RESET", false, true, {emutest::registerWrite(63, 1)}, "", true},
        ResetCase{
            "NoChoice", "RESET", false, false, {}, "Choose the reset from the checkboxes", true},
        ResetCase{"LowerCase", "reset", true, true, {}, kWordMissing, false},
        ResetCase{"TrailingBlank", "RESET ", true, true, {}, kWordMissing, false},
        ResetCase{"Empty", "", true, false, {}, kWordMissing, false}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(GuiSettingsTest, EpStateBlockSendsTheFirst40Bytes) {
    for (std::size_t i = 0; i < window_->state().epState().size(); ++i) {
        window_->state().setEpByte(i, static_cast<std::uint8_t>(i));
    }
    QMetaObject::invokeMethod(window_.get(), "SetEPState");
    Bytes expected = {0x10, 0x28, 0xE2};
    for (std::uint8_t i = 0; i < 40; ++i) {
        expected.push_back(i);
    }
    EXPECT_EQ(box_.requests(), std::vector<Bytes>{expected});
}

}  // namespace
