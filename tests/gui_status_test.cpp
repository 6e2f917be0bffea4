// The status poll against the emulated box: what the box reports (its slide
// switches, remote, signal) reaches the widgets within one tick, a changed
// value is written back once, and a box that stops answering costs one
// time-out per tick.
#include <gtest/gtest.h>

#include <chrono>

#include <thread>

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimerEvent>
#include <filesystem>
#include <fstream>
#include <functional>

#include <unistd.h>

#include "emulator/Edid.h"
#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using gui_test::Bytes;

class GuiStatusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    void SetUp() override { startWindow(); }

    void startWindow() {
        window_.reset();
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
        box_.clearTrace();
    }

    // Makes the box answer every request equal to `request` with a wrong echo.
    void spoilAnswersTo(const Bytes& request) {
        library_.beforeWrite = [this, request](const Bytes& bytes) {
            if (bytes == request) {
                box_.server().addFault({emu::Fault::kWrongEcho, 1, 0});
            }
        };
    }

    void control(const std::string& line) {
        const std::string reply = box_.server().command(line);
        ASSERT_NE(reply.rfind("ok"), std::string::npos) << line << ": " << reply;
    }

    void tick() {
        QTimerEvent event(window_->statusTimer());
        QCoreApplication::sendEvent(window_.get(), &event);
    }

    std::vector<Bytes> writes() { return box_.writes(); }

    Ui::MainWindow& ui() { return *window_->form(); }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_{100};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
};

// What the box reports, and the widgets that show it after one tick.
struct MirrorCase {
    const char* name;
    std::vector<std::string> commands;
    std::function<void(Ui::MainWindow&)> check;
};

void PrintTo(const MirrorCase& c, std::ostream* os) {
    *os << c.name;
}

class MirrorTest : public GuiStatusTest, public ::testing::WithParamInterface<MirrorCase> {};

TEST_P(MirrorTest, FollowsTheBoxWithinOneTick) {
    for (const auto& line : GetParam().commands) {
        control(line);
    }
    tick();
    GetParam().check(ui());
}

std::vector<QWidget*> edidOptions(Ui::MainWindow& ui) {
    return {ui.cb2cForce,  ui.cb51,      ui.cbFull, ui.cbAudioNative, ui.cbAudioTop,
            ui.cbYUV,      ui.cbHdr,     ui.cbHlg,  ui.cbBt2020,      ui.cbDv,
            ui.cbDvRemove, ui.cbDvLimit, ui.cb3D};
}

const MirrorCase kMirrorCases[] = {
    {"EdidSwitchFixedLeavesOnlyFixed",
     {"edidswitch fixed"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.fixedEDID->isChecked());
         EXPECT_TRUE(ui.fixedEDID->isEnabled());
         for (QAbstractButton* b : {static_cast<QAbstractButton*>(ui.automixEDID),
                                    static_cast<QAbstractButton*>(ui.customEDID),
                                    static_cast<QAbstractButton*>(ui.rbCopyTopEDID),
                                    static_cast<QAbstractButton*>(ui.rbCopyBotEDID)}) {
             EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
             EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
         }
         for (QWidget* w : edidOptions(ui)) {
             EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
         }
         EXPECT_FALSE(ui.cmBEdid->isEnabled());
         EXPECT_FALSE(ui.cmbEdidTop->isEnabled());
         EXPECT_FALSE(ui.cmbEdidAlgo->isEnabled());
         EXPECT_FALSE(ui.lblEdid0->isEnabled());
     }},
    {"EdidSwitchAutomixKeepsTheOptions",
     {"edidswitch automix"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.automixEDID->isChecked());
         EXPECT_TRUE(ui.automixEDID->isEnabled());
         EXPECT_FALSE(ui.fixedEDID->isEnabled());
         EXPECT_FALSE(ui.cmBEdid->isEnabled());
         EXPECT_TRUE(ui.cmbEdidAlgo->isEnabled());
         for (QWidget* w : edidOptions(ui)) {
             EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
         }
     }},
    {"EdidSwitchCustomShowsTheChosenMode",
     {"edidswitch custom", "set S 10 4"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.rbCopyTopEDID->isChecked());
         EXPECT_FALSE(ui.automixEDID->isChecked());
         EXPECT_TRUE(ui.fixedEDID->isEnabled());
         EXPECT_TRUE(ui.cmBEdid->isEnabled());
     }},
    {"HdcpSwitchForced14",
     {"hdcpswitch 1.4"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.hdcp14->isChecked());
         EXPECT_FALSE(ui.hdcp14->isEnabled());
         EXPECT_FALSE(ui.hdcp22->isEnabled());
         EXPECT_FALSE(ui.lblHdcpSlideWarning->isHidden());
     }},
    {"HdcpSwitchForced22",
     {"hdcpswitch 2.2"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.hdcp22->isChecked());
         EXPECT_FALSE(ui.hdcp22->isEnabled());
         EXPECT_FALSE(ui.lblHdcpSlideWarning->isHidden());
     }},
    {"HdcpSwitchSoftware",
     {"hdcpswitch soft", "set S 4 2"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.hdcp14->isChecked());
         EXPECT_TRUE(ui.hdcp14->isEnabled());
         EXPECT_TRUE(ui.hdcp22->isEnabled());
         EXPECT_TRUE(ui.lblHdcpSlideWarning->isHidden());
     }},
    {"ScalerAutomaticOnly",
     {"set S 7 2"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.cbAutoScale->isEnabled());
         EXPECT_TRUE(ui.cmbPreset4k60->isEnabled());
         EXPECT_TRUE(ui.cbAutoScaleNoUpscale->isEnabled());
         EXPECT_FALSE(ui.cbNoScale->isEnabled());
         EXPECT_FALSE(ui.cbCustomScale->isEnabled());
         EXPECT_FALSE(ui.cb4k60ModePort0->isEnabled());
         EXPECT_FALSE(ui.cmb1080p30Port1Dc->isEnabled());
     }},
    {"ScalerOff",
     {"set S 7 0"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.cbNoScale->isEnabled());
         EXPECT_FALSE(ui.cbAutoScale->isEnabled());
         EXPECT_FALSE(ui.cmbPreset4k30->isEnabled());
         EXPECT_FALSE(ui.cbAutoScaleNoUpscale->isEnabled());
     }},
    {"ScaleSwitchCustomFollowsTheBoxsChoice",
     {"scaleswitch custom", "set S 2 2"},
     [](Ui::MainWindow& ui) { EXPECT_TRUE(ui.cbCustomScale->isChecked()); }},
    {"ScaleSwitchNone",
     {"scaleswitch none"},
     [](Ui::MainWindow& ui) { EXPECT_TRUE(ui.cbNoScale->isChecked()); }},
    {"AutomaticSwitchingOff",
     {"set S 8 0"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.autoSwDis->isChecked());
         EXPECT_FALSE(ui.pPrioForce->isEnabled());
         EXPECT_FALSE(ui.bPrioNorm->isEnabled());
     }},
    {"AudioLevelsAsSignedBytes",
     {"volume -12", "bass 5", "treble 0"},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.lblAudioVol->text(), QStringLiteral("-12dB"));
         EXPECT_EQ(ui.lblAudioBass->text(), QStringLiteral("5dB"));
         EXPECT_EQ(ui.lblAudioTreb->text(), QStringLiteral("0dB"));
     }},
    {"Presets",
     {"preset 4k30 4k30_422_12", "preset 4k60hdr 4k60_420_10_12"},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.cmbPreset4k30->currentIndex(), 2);
         EXPECT_EQ(ui.cmbPreset4k60Hdr->currentIndex(), 2);
     }},
    {"SdrSourceClearsTheHdrAndDolbyVisionValues",
     {"state sdr"},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.txtHdrIf->toPlainText().isEmpty());
         EXPECT_TRUE(ui.lblHdrEotf->text().isEmpty());
         EXPECT_TRUE(ui.lblMaxLum->text().isEmpty());
         EXPECT_TRUE(ui.lblDvVersion->text().isEmpty());
         EXPECT_TRUE(ui.lblRx0Info->text().startsWith(QStringLiteral("RX0: 1920x1080p60")))
             << ui.lblRx0Info->text().toStdString();
     }},
    {"InputTopShowsThePort1Source",
     {"input top"},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.cmbInputSel->currentIndex(), 1);
         EXPECT_EQ(ui.lblRx0Info->text(), QStringLiteral("RX1: 1920x1080p60 RGB 8bit SDR HDCP1.4"));
         EXPECT_EQ(ui.lblAudInfo->text(), QStringLiteral("AUD1: PCM 2ch 48kHz 16bit"));
         EXPECT_EQ(ui.lblSpdIf->text(), QStringLiteral("Source Info: Streamer HD Media Stick"));
         EXPECT_EQ(ui.lblTx0Info->text(), QStringLiteral("TX0: 1920x1080p60 RGB 8bit SDR HDCP1.4"));
         EXPECT_TRUE(ui.txtAviIf->toPlainText().startsWith(QStringLiteral("82:02:0d:")));
         EXPECT_TRUE(ui.txtHdrIf->toPlainText().isEmpty());
         EXPECT_TRUE(ui.lblHdrEotf->text().isEmpty());
     }},
    {"InputThruShowsEachPortOnItsOwnLabel",
     {"input thru"},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.lblRx0Info->text(), QStringLiteral("RX1: 1920x1080p60 RGB 8bit SDR HDCP1.4"));
         EXPECT_EQ(ui.lblRx1Info->text(),
                   QStringLiteral("RX0: 3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2"));
         EXPECT_EQ(ui.lblAudInfo->text(), QStringLiteral("RX1-AUD: PCM 2ch 48kHz 16bit"));
         EXPECT_EQ(ui.lblAudInfo1->text(), QStringLiteral("RX0-AUD: TrueHD Atmos 8ch 48kHz HBR"));
         EXPECT_EQ(ui.lblTx1Info->text(), QStringLiteral("TX1: 1920x1080p60 RGB 8bit SDR HDCP1.4"));
     }},
    {"InputSwapShowsBothPathsCrossed",
     {"input swap"},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.cmbInputSel->currentIndex(), 3);
         EXPECT_EQ(ui.lblRx0Info->text(), QStringLiteral("RX1: 1920x1080p60 RGB 8bit SDR HDCP1.4"));
         EXPECT_EQ(ui.lblRx1Info->text(),
                   QStringLiteral("RX0: 3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2"));
         EXPECT_TRUE(ui.lblAudInfo->text().startsWith(QStringLiteral("RX1-AUD: ")));
     }},
};

INSTANTIATE_TEST_SUITE_P(Box, MirrorTest, ::testing::ValuesIn(kMirrorCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(GuiStatusTest, BackOnBotThePort0SourceReturns) {
    control("input top");
    tick();
    ASSERT_EQ(ui().lblSpdIf->text(), QStringLiteral("Source Info: Streamer HD Media Stick"));
    control("input bot");
    tick();
    EXPECT_EQ(ui().cmbInputSel->currentIndex(), 0);
    EXPECT_EQ(ui().lblRx0Info->text(),
              QStringLiteral("RX0: 3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2"));
    EXPECT_EQ(ui().lblAudInfo->text(), QStringLiteral("AUD0: TrueHD Atmos 8ch 48kHz HBR"));
    EXPECT_EQ(ui().lblSpdIf->text(), QStringLiteral("Source Info: Mediabox UHD Player 4K"));
    EXPECT_EQ(ui().lblHdrEotf->text(), QStringLiteral("EOTF: SMPTE ST 2084"));
}

// The name in an EDID's monitor-name descriptor: up to 13 characters, ended
// early by a line feed.
std::string descriptorName(const emu::Edid& edid, std::size_t* at = nullptr) {
    for (std::size_t d = 54; d < 126; d += 18) {
        if (edid[d] == 0 && edid[d + 1] == 0 && edid[d + 3] == 0xFC) {
            if (at != nullptr) {
                *at = d + 5;
            }
            std::string name;
            for (std::size_t i = d + 5; i < d + 18 && edid[i] != 0x0A; ++i) {
                name.push_back(static_cast<char>(edid[i]));
            }
            return name;
        }
    }
    return {};
}

// A sink's name reaches lblTx0Sink whole: the TV as shipped, a name one
// character longer, and one that fills the descriptor without a line feed.
TEST_F(GuiStatusTest, SinkNamesAreShownWhole) {
    const emu::Edid shipped = *emu::embeddedEdid("lg-oled-cx-hdmi");
    tick();
    EXPECT_EQ(ui().lblTx0Sink->text().toStdString(), descriptorName(shipped));
    EXPECT_EQ(ui().lblTx0Sink->text(), QStringLiteral("LG TV SSCR"));

    const auto path = std::filesystem::temp_directory_path() /
                      ("v2-gui-sink-" + std::to_string(::getpid()) + ".bin");
    for (const std::string name : {"LG TV SSCR2\n  ", "ABCDEFGHIJKLM"}) {
        emu::Edid edid = shipped;
        std::size_t at = 0;
        descriptorName(edid, &at);
        std::copy(name.begin(), name.end(), edid.begin() + static_cast<std::ptrdiff_t>(at));
        emu::fixChecksums(edid);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(edid.data()),
                   static_cast<std::streamsize>(edid.size()));
        control("sink tx0 " + path.string());
        tick();
        EXPECT_EQ(ui().lblTx0Sink->text().toStdString(), name.substr(0, name.find('\n')));
    }
    std::filesystem::remove(path);
}

// The audio level spin boxes start with the box's levels, so Send writes what
// the labels show; a value typed and not sent stays until the box changes.
TEST_F(GuiStatusTest, AudioLevelSpinBoxesShowTheBoxsLevelsAndKeepAnEdit) {
    EXPECT_EQ(ui().sbAudioVolume->value(), -10);
    EXPECT_EQ(ui().sbAudioBass->value(), 2);
    EXPECT_EQ(ui().sbAudioTreble->value(), -1);
    EXPECT_EQ(ui().lblAudioVol->text(), QStringLiteral("-10dB"));

    ui().pbAudioVolume->click();
    EXPECT_EQ(writes(), (std::vector<Bytes>{{0x10, 0x04, 0xE0, 69, 0xF6},
                                            {0x10, 0x04, 0xE0, 70, 0x02},
                                            {0x10, 0x04, 0xE0, 71, 0xFF}}));

    box_.clearTrace();
    ui().sbAudioVolume->setValue(-20);
    tick();
    EXPECT_EQ(ui().sbAudioVolume->value(), -20);
    EXPECT_TRUE(writes().empty());

    control("bass 4");
    tick();
    EXPECT_EQ(ui().sbAudioBass->value(), 4);
    EXPECT_EQ(ui().sbAudioVolume->value(), -20);

    control("volume -30");
    tick();
    EXPECT_EQ(ui().sbAudioVolume->value(), -30);
    EXPECT_EQ(ui().lblAudioVol->text(), QStringLiteral("-30dB"));
    EXPECT_TRUE(writes().empty());
}

TEST_F(GuiStatusTest, DefaultBoxShowsDecodedHdrAndDolbyVisionValues) {
    tick();
    EXPECT_EQ(ui().lblHdrEotf->text(), QStringLiteral("EOTF: SMPTE ST 2084"));
    EXPECT_EQ(ui().lblHdrMasterTarget->text(), QStringLiteral("Mastering Target: BT2020 "));
    EXPECT_EQ(ui().lblHdrWpTarget->text(), QStringLiteral("White Point: D65"));
    EXPECT_EQ(ui().lblMinLum->text(), QStringLiteral("Min Display Luminance: 0.005 nits"));
    EXPECT_TRUE(ui().lblDvVersion->text().startsWith(QStringLiteral("Dolby Vision Version: 1")));
    EXPECT_TRUE(ui().txtAviIf->toPlainText().startsWith(QStringLiteral("82:02:")));
    EXPECT_TRUE(ui().lblSpdIf->text().startsWith(QStringLiteral("Source Info: ")));
}

TEST_F(GuiStatusTest, UnchangedBoxIsReadAndNotWrittenTo) {
    tick();
    EXPECT_EQ(box_.requests().size(), 19u);
    EXPECT_TRUE(writes().empty());
}

TEST_F(GuiStatusTest, ChangeAtTheBoxIsWrittenBackOnceThroughItsChangeSignal) {
    control("input top");
    tick();
    EXPECT_EQ(ui().cmbInputSel->currentIndex(), 1);
    EXPECT_EQ(writes(), (std::vector<Bytes>{{0x10, 0x04, 0xE0, 25, 2}}));

    box_.clearTrace();
    const std::uint8_t bt2020 = ui().cbBt2020->isChecked() ? 0 : 1;
    control("set S 15 " + std::to_string(bt2020));
    tick();
    EXPECT_EQ(ui().cbBt2020->isChecked(), bt2020 == 1);
    EXPECT_EQ(writes(), (std::vector<Bytes>{{0x10, 0x04, 0xE0, 35, bt2020}}));

    box_.clearTrace();
    tick();
    EXPECT_TRUE(writes().empty());
}

TEST_F(GuiStatusTest, HdrAndHlgSetAtTheBoxAreWrittenBackAsTheyAre) {
    control("set S 18 0");
    tick();
    box_.clearTrace();
    control("set S 18 3");
    tick();
    EXPECT_TRUE(ui().cbHdr->isChecked());
    EXPECT_TRUE(ui().cbHlg->isChecked());
    EXPECT_EQ(writes(), (std::vector<Bytes>{{0x10, 0x04, 0xE0, 38, 3}}));
}

TEST_F(GuiStatusTest, ChangeOfAClickedOnlyWidgetIsShownAndNotWrittenBack) {
    control("set S 20 1");
    tick();
    EXPECT_TRUE(ui().cbHdrCustom->isChecked());
    EXPECT_TRUE(writes().empty());
}

TEST_F(GuiStatusTest, FailedStatusReadChangesNoWidget) {
    control("edidswitch fixed");
    control("fault echo");
    tick();
    EXPECT_TRUE(ui().automixEDID->isEnabled());
    // The signal pages that follow are read and shown as usual.
    EXPECT_EQ(box_.requests().size(), 19u);
}

TEST_F(GuiStatusTest, SilentBoxCostsOneTimeOutThenIsOnlyProbed) {
    control("fault noanswer 100");
    const std::uint32_t start = clock_.now();
    tick();
    const std::uint32_t spent = clock_.now() - start;
    EXPECT_GE(spent, boxlink::kExchangeTimeoutMs);
    EXPECT_LT(spent, 2 * boxlink::kExchangeTimeoutMs);
    EXPECT_EQ(box_.requests(), (std::vector<Bytes>{{0x11, 0x40, 0xE1}}));
    EXPECT_FALSE(ui().statusbar->currentMessage().isEmpty());
    EXPECT_TRUE(dialogs_.shown.empty());

    // The next tick does not wait for it again: it sends a probe and goes.
    box_.clearTrace();
    const std::uint32_t second = clock_.now();
    tick();
    EXPECT_EQ(clock_.now(), second);
    // The probe is not waited for: it reaches the box on the box's own thread.
    for (int i = 0; i < 1000 && box_.requests().empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(box_.requests(), (std::vector<Bytes>{{0x11, 0x02, 0xB9, 0x00}}));
}

TEST_F(GuiStatusTest, LastSignalPageFailingKeepsTheTexts) {
    tick();
    const QString tx0 = ui().lblTx0Info->text();
    const QString eotf = ui().lblHdrEotf->text();
    control("state sdr");
    spoilAnswersTo({0x11, 28, 0xE0, 13});
    tick();
    EXPECT_EQ(ui().lblTx0Info->text(), tx0);
    EXPECT_EQ(ui().lblHdrEotf->text(), eotf);
    EXPECT_TRUE(ui().lblRx0Info->text().startsWith(QStringLiteral("RX0: 3840x2160p60")));
}

TEST_F(GuiStatusTest, FailedPageBeforeTheLastIsShownEmpty) {
    tick();
    ASSERT_FALSE(ui().txtAviIf->toPlainText().isEmpty());
    spoilAnswersTo({0x11, 19, 0xE0, 18});
    tick();
    EXPECT_TRUE(ui().txtAviIf->toPlainText().isEmpty());
    EXPECT_FALSE(ui().txtHdrIf->toPlainText().isEmpty());
}

TEST_F(GuiStatusTest, FirstBoardRevisionHasNoAudioLevelControls) {
    control("pcb 0");
    startWindow();
    EXPECT_EQ(window_->state().pcbRevision(), 0);
    EXPECT_FALSE(ui().sbAudioVolume->isEnabled());
    EXPECT_FALSE(ui().sbAudioBass->isEnabled());
    EXPECT_FALSE(ui().sbAudioTreble->isEnabled());
    EXPECT_FALSE(ui().pbAudioVolume->isEnabled());
}

TEST_F(GuiStatusTest, TickDuringAnExchangeSendsNothing) {
    int ticksInside = 0;
    library_.beforeWrite = [&](const Bytes&) {
        if (ticksInside++ == 0) {
            tick();  // a timer event delivered while the link is busy
        }
    };
    ui().pbHotPlug->click();
    EXPECT_EQ(box_.requests(), (std::vector<Bytes>{{0x10, 0x04, 0xE0, 62, 1}}));
}

}  // namespace
