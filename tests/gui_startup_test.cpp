// The start-up against an emulated box: the requests it sends, one by one,
// and the widgets it fills from the box's answers; a box that is missing,
// cannot be opened, or answers some reads wrongly.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTextEdit>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "edid/Image.h"
#include "emulator/Box.h"
#include "qt/MainWindow.h"
#include "settings/Words.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using gui_test::Bytes;

// The EDID read of step 7 begins with this fetch of input port 0's EDID.
const Bytes kEdidFetchRx0 = {0x10, 0x01, 0xB7};

// PCB revision, then the thirteen pages with their answer lengths, the
// status poll (step 6) and the EDID read (step 7).
const std::vector<Bytes> kStartupRequests = {
    {0x11, 0x02, 0xB9, 0x00},  //
    {0x11, 27, 0xE0, 0},
    {0x11, 33, 0xE0, 14},
    {0x11, 19, 0xE0, 15},
    {0x11, 33, 0xE0, 16},
    {0x11, 18, 0xE0, 9},
    {0x11, 18, 0xE0, 10},
    {0x11, 30, 0xE0, 11},
    {0x11, 64, 0xE0, 12},
    {0x11, 64, 0xE0, 1},
    {0x11, 64, 0xE0, 2},
    {0x11, 64, 0xE0, 5},
    {0x11, 64, 0xE0, 6},
    {0x11, 41, 0xE0, 65},
    // The first status poll: the settings mirror, then the signal pages.
    {0x11, 64, 0xE1},
    {0x11, 30, 0xE0, 11},
    {0x11, 64, 0xE0, 12},
    {0x11, 60, 0xE0, 1},
    {0x11, 60, 0xE0, 2},
    {0x11, 60, 0xE0, 5},
    {0x11, 60, 0xE0, 6},
    {0x11, 60, 0xE0, 7},
    {0x11, 60, 0xE0, 8},
    {0x11, 33, 0xE0, 3},
    {0x11, 33, 0xE0, 4},
    {0x11, 33, 0xE0, 17},
    {0x11, 33, 0xE0, 20},
    {0x11, 33, 0xE0, 21},
    {0x11, 33, 0xE0, 22},
    {0x11, 33, 0xE0, 23},
    {0x11, 19, 0xE0, 18},
    {0x11, 33, 0xE0, 19},
    {0x11, 28, 0xE0, 13},
    // The EDID of input port 0: the fetch, then 16 chunks of the buffer.
    kEdidFetchRx0,
    {0x11, 16, 0xB0, 0x00},
    {0x11, 16, 0xB0, 0x10},
    {0x11, 16, 0xB0, 0x20},
    {0x11, 16, 0xB0, 0x30},
    {0x11, 16, 0xB0, 0x40},
    {0x11, 16, 0xB0, 0x50},
    {0x11, 16, 0xB0, 0x60},
    {0x11, 16, 0xB0, 0x70},
    {0x11, 16, 0xB0, 0x80},
    {0x11, 16, 0xB0, 0x90},
    {0x11, 16, 0xB0, 0xA0},
    {0x11, 16, 0xB0, 0xB0},
    {0x11, 16, 0xB0, 0xC0},
    {0x11, 16, 0xB0, 0xD0},
    {0x11, 16, 0xB0, 0xE0},
    {0x11, 16, 0xB0, 0xF0},
};

// Bytes put into one of the box's register pages before the start-up.
struct Poke {
    int page;
    std::size_t offset;
    Bytes bytes;
};

Bytes text(const std::string& s, bool terminate = true) {
    Bytes b(s.begin(), s.end());
    if (terminate) {
        b.push_back(0);
    }
    return b;
}

class GuiStartupTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    explicit GuiStartupTest(const std::string& serial = "2026") : box_(serial) {}

    void poke(const Poke& p) {
        box_.server().withBox([&](emu::Box& box) {
            emu::Page* page = box.page(p.page);
            ASSERT_NE(page, nullptr);
            ASSERT_LE(p.offset + p.bytes.size(), page->size());
            std::copy(p.bytes.begin(), p.bytes.end(), page->begin() + static_cast<long>(p.offset));
        });
    }

    // Makes the box answer the first request that starts with `request` with
    // a fault (the status poll after the readback repeats some page reads).
    void faultOn(const Bytes& request, emu::Fault::Kind kind) {
        library_.beforeWrite = [this, request, kind, done = false](const Bytes& bytes) mutable {
            if (!done && bytes.size() >= request.size() &&
                std::equal(request.begin(), request.end(), bytes.begin())) {
                box_.server().addFault({kind, 1, 0});
                done = true;
            }
        };
    }

    void start() {
        box_.clearTrace();
        // Keeps the status-bar text of the moment the EDID read of step 7
        // starts, before that read's own message replaces it.
        library_.beforeWrite = [this, before = library_.beforeWrite](const Bytes& bytes) {
            if (before) {
                before(bytes);
            }
            if (bytes == kEdidFetchRx0) {
                statusBeforeEdidRead_ = statusOfTheWindowBeingBuilt();
            }
        };
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
    }

    static QString statusOfTheWindowBeingBuilt() {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<MainWindow*>(w)) {
                if (auto* bar = window->findChild<QStatusBar*>()) {
                    return bar->currentMessage();
                }
            }
        }
        return {};
    }

    Ui::MainWindow& ui() { return *window_->form(); }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_;
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    QString statusBeforeEdidRead_;
};

std::vector<QString> items(const QComboBox* box) {
    std::vector<QString> out;
    for (int i = 0; i < box->count(); ++i) {
        out.push_back(box->itemText(i));
    }
    return out;
}

std::vector<QString> strings(std::initializer_list<const char*> list) {
    std::vector<QString> out;
    for (const char* s : list) {
        out.push_back(QString::fromLatin1(s));
    }
    return out;
}

TEST_F(GuiStartupTest, ReadsRevisionAndThirteenPagesInOrderAndWritesNothing) {
    start();
    const std::vector<Bytes> requests = box_.requests();
    EXPECT_EQ(requests, kStartupRequests);
    // The only order to the box is the EDID fetch; no setting is written.
    for (const Bytes& r : requests) {
        if (r.front() == 0x10) {
            EXPECT_EQ(r, kEdidFetchRx0) << "a write to the box during start-up";
        }
    }
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_F(GuiStartupTest, ShowsTheEdidOfInputPort0) {
    const emu::Edid presented =
        box_.server().withBox([](emu::Box& box) { return box.presentedEdid(0); });
    start();
    const std::string expected = edid::hexText(presented);
    EXPECT_EQ(window_->state().edidHexText(), expected);
    EXPECT_EQ(ui().EDIDtext->toPlainText(), QString::fromStdString(expected));
    EXPECT_EQ(ui().statusbar->currentMessage(), QStringLiteral("RX EDID values read."));
    EXPECT_FALSE(window_->statusProgressBar()->isVisibleTo(window_.get()));
}

TEST_F(GuiStartupTest, EndsWithTheLinkOpenTheTimerRunningAndSettingsReady) {
    box_.server().withBox([](emu::Box& box) { box.setPcbRevision(4); });
    start();
    EXPECT_TRUE(window_->link().isOpen());
    EXPECT_TRUE(window_->isStatusTimerRunning());
    EXPECT_TRUE(window_->state().writesEnabled());
    EXPECT_EQ(window_->state().pcbRevision(), 4);
    EXPECT_TRUE(ui().CECtext->isEnabled());
    // The last message is the EDID read's; nothing went wrong before it.
    EXPECT_EQ(ui().statusbar->currentMessage(), QStringLiteral("RX EDID values read."));
    EXPECT_TRUE(statusBeforeEdidRead_.isEmpty());
}

TEST_F(GuiStartupTest, FillsTheComboBoxesWithTheirItemsAndDefaults) {
    start();
    const std::vector<QString> colourSpaces =
        strings({"FOLLOW", "RGB - FULL", "RGB - 2020", "444 - 709", "444 - 2020", "422 - 709",
                 "422 - 2020", "420 - 709", "420 - 2020"});
    const std::vector<QString> without420(colourSpaces.begin(), colourSpaces.begin() + 7);
    const std::vector<QString> deepColours =
        strings({"FOLLOW", "8-bit", "10-bit", "12-bit", "16-bit"});
    const std::vector<QString> pictureModes = strings({"DO NOTHING",
                                                       "USER 1",
                                                       "USER 2",
                                                       "USER 3",
                                                       "USER 4",
                                                       "USER 5 (2015+)",
                                                       "USER 6 (2015+)",
                                                       "FILM",
                                                       "NATURAL",
                                                       "ANIMATION",
                                                       "THX",
                                                       "STAGE (2014 ONLY)",
                                                       "GAMMA NORMAL",
                                                       "GAMMA A",
                                                       "GAMMA B",
                                                       "GAMMA C",
                                                       "GAMMA CUSTOM 1",
                                                       "GAMMA CUSTOM 2",
                                                       "GAMMA CUSTOM 3",
                                                       "GAMMA D",
                                                       "GAMMA FILM 1",
                                                       "GAMMA FILM 2"});
    const std::vector<QString> metadata = strings({"Max Brightness", "Min Brightness", "MaxCLL"});

    std::vector<QString> edid;
    for (const std::string_view e : boxsettings::kEdidTableNames) {
        edid.push_back(QString::fromLatin1(e.data(), static_cast<qsizetype>(e.size())));
    }
    std::vector<QString> edidTop = edid;
    edidTop.insert(edidTop.begin(), QStringLiteral("Follow PORT 0 EDID"));
    edidTop[8] = QStringLiteral("8 - Custom EDID #8");
    edidTop[9] = QStringLiteral("9 - Custom EDID #9");
    edidTop[10] = QStringLiteral("10 - Custom EDID #10");

    const std::vector<std::pair<QComboBox*, std::vector<QString>>> expected = {
        {ui().cmbInputSel, strings({"PORT 0 [BOT]", "PORT 1 [TOP]", "MATRIX THRU", "MATRIX SWAP"})},
        {ui().cmbBaudRate, strings({"9600", "19200", "57600", "115200"})},
        {ui().cmb4k60Port0Cs, colourSpaces},
        {ui().cmb4k30Port0Cs, colourSpaces},
        {ui().cmb1080p60Port0Cs, colourSpaces},
        {ui().cmb1080p30Port0Cs, colourSpaces},
        {ui().cmb4k60Port1Cs, colourSpaces},
        {ui().cmb4k30Port1Cs, colourSpaces},
        {ui().cmb1080p60Port1Cs, without420},
        {ui().cmb1080p30Port1Cs, without420},
        {ui().cmb4k60Port0Dc, deepColours},
        {ui().cmb4k30Port0Dc, deepColours},
        {ui().cmb1080p60Port0Dc, deepColours},
        {ui().cmb1080p30Port0Dc, deepColours},
        {ui().cmb4k60Port1Dc, deepColours},
        {ui().cmb4k30Port1Dc, deepColours},
        {ui().cmb1080p60Port1Dc, deepColours},
        {ui().cmb1080p30Port1Dc, deepColours},
        {ui().cmb1080p60Port0Scale, strings({"1080p60", "4k60"})},
        {ui().cmb1080p30Port0Scale, strings({"1080p30", "4k30"})},
        {ui().cmb4k60Port1Scale, strings({"1080p60", "4k60"})},
        {ui().cmb4k30Port1Scale, strings({"1080p30", "4k30"})},
        {ui().cmbPreset4k30, strings({"AUTOSENSE", "4k30 444 8-bit 300MHz",
                                      "4k30 422 12-bit 300MHz", "1080p30 444/RGB 8-12 bit"})},
        {ui().cmbPreset4k60, strings({"AUTOSENSE", "4k60 420 8-bit 300MHz",
                                      "1080p60 444/RGB 8-12 bit", "1080p60 444/RGB 8 bit"})},
        {ui().cmbPreset4k60Hdr,
         strings({"AUTOSENSE", "4k60 420 8-bit 300MHz", "4k60 420 12-bit 450MHz",
                  "1080p60 444/RGB 8-12 bit", "1080p60 444/RGB 8 bit"})},
        {ui().cmBEdid, edid},
        {ui().cmbEdidTop, edidTop},
        {ui().cmbLa, strings({"0x0E: Video Processor [Default]", "0x05: Audio System w/ARC"})},
        {ui().cmbEdidAlgo,
         strings({"Min Mixed Capabilities", "Max Audio, Min Video", "BOT Output Priority",
                  "TOP Output Priority", "Max Audio, Max Video"})},
        {ui().cmbHdrEotf, strings({"SDR Luminance Range", "HDR Luminance Range", "SMPTE ST 2084",
                                   "HLG ITU-R BT.2100-0"})},
        {ui().cmbHdrPrim, strings({"ITU-R BT 709-5", "ITU-R BT 2020-2", "DCI P3"})},
        {ui().cmbHdrWp, strings({"D65"})},
        {ui().cmbMacroHdr10Mode,
         strings({"Automatic (default)", "Ignore Metadata", "Semi-Automatic", "Custom"})},
    };
    for (const auto& [box, list] : expected) {
        EXPECT_EQ(items(box), list) << box->objectName().toStdString();
    }
    for (QComboBox* box : window_->findChildren<QComboBox*>(QRegularExpression("^cmbJvcPm\\d$"))) {
        EXPECT_EQ(items(box), pictureModes) << box->objectName().toStdString();
    }
    for (QComboBox* box : window_->findChildren<QComboBox*>(QRegularExpression("^cmbMacro\\dA$"))) {
        EXPECT_EQ(items(box), metadata) << box->objectName().toStdString();
    }
    for (QComboBox* box : window_->findChildren<QComboBox*>(QRegularExpression("^cmbMacro\\dC$"))) {
        EXPECT_EQ(items(box), pictureModes) << box->objectName().toStdString();
    }
    EXPECT_EQ(window_->findChildren<QComboBox*>(QRegularExpression("^cmbJvcPm\\d$")).size(), 10);
    EXPECT_EQ(window_->findChildren<QComboBox*>(QRegularExpression("^cmbMacro\\dA$")).size(), 6);
    EXPECT_EQ(window_->findChildren<QComboBox*>(QRegularExpression("^cmbMacro\\dC$")).size(), 7);
    // Every combo box of the window has its items; none is left out.
    for (QComboBox* box : window_->findChildren<QComboBox*>()) {
        EXPECT_GT(box->count(), 0) << box->objectName().toStdString();
    }

    EXPECT_EQ(ui().cmbHdrEotf->currentIndex(), 2);
    EXPECT_EQ(ui().cmbHdrPrim->currentIndex(), 2);
    EXPECT_EQ(ui().CECtext->toPlainText(), QStringLiteral("ef:36"));
    EXPECT_EQ(ui().txtRs232->toPlainText(), QStringLiteral("21:89:01:50:4d:50:4d:30:43:0a"));
    EXPECT_EQ(ui().lblGuiVer->text(), QStringLiteral("GUI: 2.34"));
}

TEST_F(GuiStartupTest, ShowsTheDefaultBoxAsTheEmulatorHoldsIt) {
    start();
    EXPECT_EQ(ui().lblFwVer->text(), QStringLiteral("FW: 0.61"));
    EXPECT_EQ(ui().lblRx0Info->text(),
              QStringLiteral("RX0: 3840x2160p60 YCbCr422 12bit BT2020 HDR10 HDCP2.2"));
    EXPECT_TRUE(ui().cbOsdEn->isChecked());
    EXPECT_EQ(ui().sbOsdColorFg->value(), 31);
    EXPECT_EQ(ui().sbOsdMask1X1->value(), 1920);
    EXPECT_EQ(ui().txtOsdRender->toPlainText(), QStringLiteral("VORTILAN2"));
    EXPECT_TRUE(ui().HDRCustomText->toPlainText().startsWith(QStringLiteral("87:01:1a:")));
    EXPECT_TRUE(ui().AVICustomText->toPlainText().startsWith(QStringLiteral("82:02:0d:")));
    EXPECT_TRUE(ui().VSICustomText->toPlainText().startsWith(QStringLiteral("81:01:05:")));
    EXPECT_EQ(ui().cmb4k60Port1Cs->currentIndex(), 3);  // 444 - 709
    EXPECT_EQ(ui().cmb4k60Port1Dc->currentIndex(), 1);  // 8-bit
    EXPECT_TRUE(ui().cb1080p60ModePort0->isChecked());
    EXPECT_EQ(ui().cmb1080p60Port0Scale->currentIndex(), 1);
    EXPECT_EQ(ui().sbJvcDelay->value(), 5);
    EXPECT_TRUE(ui().cbMacro2En->isChecked());
    EXPECT_FALSE(ui().cbMacro3En->isChecked());
    EXPECT_EQ(ui().sbMacro1B->value(), 4000);
    EXPECT_EQ(ui().cmbMacro2A->currentIndex(), 2);
    EXPECT_EQ(ui().cmbMacro2C->currentIndex(), 3);
}

// One byte pattern in the box's pages and what the start-up makes of it.
struct ReadbackCase {
    const char* name;
    std::vector<Poke> pokes;
    std::function<void(Ui::MainWindow&)> check;
};

void PrintTo(const ReadbackCase& c, std::ostream* os) {
    *os << c.name;
}

class GuiReadbackTest : public GuiStartupTest,
                        public ::testing::WithParamInterface<ReadbackCase> {};

TEST_P(GuiReadbackTest, FillsTheWidgetsFromTheBoxsPages) {
    for (const Poke& p : GetParam().pokes) {
        poke(p);
    }
    start();
    GetParam().check(ui());
}

const ReadbackCase kReadbackCases[] = {
    {"OsdFlagsAndLevels",
     {{11, 2, {0, 1, 5, 17, 3, 6}}, {11, 9, {200, 12, 0x01}}},
     [](Ui::MainWindow& ui) {
         EXPECT_FALSE(ui.cbOsdEn->isChecked());
         EXPECT_TRUE(ui.cbOsdMask1->isChecked());
         EXPECT_EQ(ui.sbOsdMask1Rate->value(), 5);
         EXPECT_EQ(ui.sbOsdColorFg->value(), 17);
         EXPECT_EQ(ui.sbOsdColorBg->value(), 3);
         EXPECT_EQ(ui.sbOsdColorBgRate->value(), 6);
         EXPECT_EQ(ui.sbOsdFadeValue->value(), 200);
         EXPECT_EQ(ui.sbOsdMask1GrayScale->value(), 12);
         EXPECT_TRUE(ui.cbOsdIgnoreMetadata->isChecked());
     }},
    {"OsdIgnoreMetadataIsBit0Only",
     {{11, 11, {0xFE}}},
     [](Ui::MainWindow& ui) { EXPECT_FALSE(ui.cbOsdIgnoreMetadata->isChecked()); }},
    {"OsdInformationBits",
     {{11, 8, {0b10100101}}},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.cbOsdCapSpd->isChecked());
         EXPECT_FALSE(ui.cbOsdCapVid->isChecked());
         EXPECT_TRUE(ui.cbOsdCapVidIf->isChecked());
         EXPECT_FALSE(ui.cbOsdCapHdr->isChecked());
         EXPECT_FALSE(ui.cbOsdCapHdrIf->isChecked());
         EXPECT_TRUE(ui.cbOsdCapAud->isChecked());
         EXPECT_FALSE(ui.cbOsdCapHdrSource->isChecked());
         EXPECT_TRUE(ui.cbOsdCapVideoRXTX->isChecked());
     }},
    {"OsdLocationsHighByteFirst",
     {{11, 18, {0x03, 0x20, 0x01, 0x2C, 0x00, 0x10, 0x02, 0x00, 0x07, 0x80, 0x04, 0x38}}},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.sbOsdLocX->value(), 800);
         EXPECT_EQ(ui.sbOsdLocY->value(), 300);
         EXPECT_EQ(ui.sbOsdMask1X0->value(), 16);
         EXPECT_EQ(ui.sbOsdMask1Y0->value(), 512);
         EXPECT_EQ(ui.sbOsdMask1X1->value(), 1920);
         EXPECT_EQ(ui.sbOsdMask1Y1->value(), 1080);
     }},
    {"FirmwareVersion",
     {{0, 2, text("FW 2.07")}},
     [](Ui::MainWindow& ui) { EXPECT_EQ(ui.lblFwVer->text(), QStringLiteral("FW 2.07")); }},
    {"FirmwareVersionNeedsFW",
     {{0, 2, text("Fw 2.07")}},
     [](Ui::MainWindow& ui) { EXPECT_TRUE(ui.lblFwVer->text().isEmpty()); }},
    {"FirmwareVersionEndsWithThePage",
     {{0, 2, text("FW-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", false)}},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.lblFwVer->text(), QStringLiteral("FW-0123456789ABCDEFGHIJKL"));
     }},
    {"ScalerPort0",
     {{9, 2, {1, 0, 2, 0, 0, 0, 6, 3, 1, 1, 33, 5, 1, 1, 99, 7}}},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.cb4k60ModePort0->isChecked());
         EXPECT_EQ(ui.cmb4k60Port0Cs->currentIndex(), 1);
         EXPECT_EQ(ui.cmb4k60Port0Dc->currentIndex(), 1);
         EXPECT_FALSE(ui.cb4k30ModePort0->isChecked());
         EXPECT_EQ(ui.cmb4k30Port0Cs->currentIndex(), 2);
         EXPECT_EQ(ui.cmb4k30Port0Dc->currentIndex(), 2);
         EXPECT_TRUE(ui.cb1080p60ModePort0->isChecked());
         EXPECT_EQ(ui.cmb1080p60Port0Scale->currentIndex(), 1);
         EXPECT_EQ(ui.cmb1080p60Port0Cs->currentIndex(), 8);
         EXPECT_EQ(ui.cmb1080p60Port0Dc->currentIndex(), 4);
         EXPECT_TRUE(ui.cb1080p30ModePort0->isChecked());
         EXPECT_EQ(ui.cmb1080p30Port0Scale->currentIndex(), 1);
         EXPECT_EQ(ui.cmb1080p30Port0Cs->currentIndex(), 0);
         EXPECT_EQ(ui.cmb1080p30Port0Dc->currentIndex(), 0);
     }},
    {"ScalerPort1",
     {{10, 2, {0, 1, 24, 4, 1, 1, 9, 2, 1, 0, 15, 0, 0, 0, 27, 6}}},
     [](Ui::MainWindow& ui) {
         EXPECT_FALSE(ui.cb4k60ModePort1->isChecked());
         EXPECT_EQ(ui.cmb4k60Port1Scale->currentIndex(), 1);
         EXPECT_EQ(ui.cmb4k60Port1Cs->currentIndex(), 4);
         EXPECT_EQ(ui.cmb4k60Port1Dc->currentIndex(), 3);
         EXPECT_TRUE(ui.cb4k30ModePort1->isChecked());
         EXPECT_EQ(ui.cmb4k30Port1Scale->currentIndex(), 1);
         EXPECT_EQ(ui.cmb4k30Port1Cs->currentIndex(), 5);
         EXPECT_EQ(ui.cmb4k30Port1Dc->currentIndex(), 1);
         EXPECT_TRUE(ui.cb1080p60ModePort1->isChecked());
         EXPECT_EQ(ui.cmb1080p60Port1Cs->currentIndex(), 6);
         EXPECT_EQ(ui.cmb1080p60Port1Dc->currentIndex(), 1);
         EXPECT_FALSE(ui.cb1080p30ModePort1->isChecked());
         EXPECT_EQ(ui.cmb1080p30Port1Dc->currentIndex(), 0);
     }},
    {"StoredInfoframes",
     {{14, 2, {0x87, 0x01, 0x03, 0x5A, 0x01, 0x02, 0x03, 0xFF}},
      {15, 2, {0x82, 0x02, 0x02, 0x10, 0xAB, 0xCD}},
      {16, 2, {0x81, 0x01, 0x01, 0x00, 0x7F}}},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.HDRCustomText->toPlainText(), QStringLiteral("87:01:03:5a:01:02:03"));
         EXPECT_EQ(ui.AVICustomText->toPlainText(), QStringLiteral("82:02:02:10:ab:cd"));
         EXPECT_EQ(ui.VSICustomText->toPlainText(), QStringLiteral("81:01:01:00:7f"));
     }},
    {"StoredInfoframeLongerThanItsPage",
     {{15, 2, {0x82, 0x02, 0xC8, 0x00, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}}},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.AVICustomText->toPlainText(),
                   QStringLiteral("82:02:c8:00:01:02:03:04:05:06:07:08:09:0a:0b:0c:0d"));
     }},
    {"StoredInfoframesOfAnotherKindAreNotShown",
     {{14, 2, {0x86, 0x01}}, {15, 2, {0x82, 0x01}}, {16, 2, {0x81, 0x02}}},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.HDRCustomText->toPlainText().isEmpty());
         EXPECT_TRUE(ui.AVICustomText->toPlainText().isEmpty());
         EXPECT_TRUE(ui.VSICustomText->toPlainText().isEmpty());
     }},
    {"OsdCustomTextByItsLength",
     {{12, 2, {5, 1}}, {12, 8, text("HELLO WORLD")}},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.cbOsdCustomText->isChecked());
         EXPECT_EQ(ui.txtOsdRender->toPlainText(), QStringLiteral("HELLO"));
     }},
    {"OsdCustomTextAtLeastOneCharacterAndNoZeros",
     {{12, 2, {0, 0}}, {12, 8, {'A', 0, 'B'}}},
     [](Ui::MainWindow& ui) {
         EXPECT_FALSE(ui.cbOsdCustomText->isChecked());
         EXPECT_EQ(ui.txtOsdRender->toPlainText(), QStringLiteral("A"));
     }},
    {"OsdCustomTextSkipsZerosAndEndsWithThePage",
     {{12, 2, {255}}, {12, 8, text(std::string("AB") + '\0' + "CD" + std::string(51, 'x'), false)}},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.txtOsdRender->toPlainText(),
                   QStringLiteral("ABCD") + QString(51, QLatin1Char('x')));
     }},
    {"Macros",
     {{65, 2, {0x03, 2, 0x55}},
      {65, 5, {2, 0x34, 0x12, 5, 0, 0xE8, 0x03, 21, 2, 0xFF, 0xFF, 1, 0,
               0, 0,    0,    0, 0, 0,    0,    0,  0, 0,    0,    7, 42}},
      {65, 31, {0, 1, 2, 3, 4, 5, 6, 7, 8, 21}}},
     [](Ui::MainWindow& ui) {
         EXPECT_TRUE(ui.cbJvcMacroEn->isChecked());
         EXPECT_TRUE(ui.cbJvcMacroRefresh->isChecked());
         EXPECT_EQ(ui.cmbMacroHdr10Mode->currentIndex(), 2);
         const QCheckBox* enables[] = {ui.cbMacro0En, ui.cbMacro1En, ui.cbMacro2En, ui.cbMacro3En,
                                       ui.cbMacro4En, ui.cbMacro5En, ui.cbMacro6En};
         for (int k = 0; k < 7; ++k) {
             EXPECT_EQ(enables[k]->isChecked(), k % 2 == 0) << k;
         }
         EXPECT_EQ(ui.cmbMacro0A->currentIndex(), 2);
         EXPECT_EQ(ui.sbMacro0B->value(), 0x1234);
         EXPECT_EQ(ui.cmbMacro0C->currentIndex(), 5);
         EXPECT_EQ(ui.cmbMacro1A->currentIndex(), 0);
         EXPECT_EQ(ui.sbMacro1B->value(), 1000);
         EXPECT_EQ(ui.cmbMacro1C->currentIndex(), 21);
         EXPECT_EQ(ui.cmbMacro2A->currentIndex(), 2);
         EXPECT_EQ(ui.sbMacro2B->value(), 65535);
         EXPECT_EQ(ui.cmbMacro2C->currentIndex(), 1);
         EXPECT_EQ(ui.cmbMacro6C->currentIndex(), 7);
         EXPECT_EQ(ui.sbJvcDelay->value(), 42);
         const QComboBox* modes[] = {ui.cmbJvcPm0, ui.cmbJvcPm1, ui.cmbJvcPm2, ui.cmbJvcPm3,
                                     ui.cmbJvcPm4, ui.cmbJvcPm5, ui.cmbJvcPm6, ui.cmbJvcPm7,
                                     ui.cmbJvcPm8, ui.cmbJvcPm9};
         const int expected[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 21};
         for (int i = 0; i < 10; ++i) {
             EXPECT_EQ(modes[i]->currentIndex(), expected[i]) << i;
         }
     }},
    // The status poll right after the readback writes these labels again,
    // with the output texts from byte 6.
    {"SignalLabels",
     {{1, 6, text("1920x1080p24")}, {5, 6, text("OUT A")}, {6, 6, text("OUT B")}},
     [](Ui::MainWindow& ui) {
         EXPECT_EQ(ui.lblRx0Info->text(), QStringLiteral("RX0: 1920x1080p24"));
         EXPECT_EQ(ui.lblTx0Info->text(), QStringLiteral("TX0: OUT A"));
         EXPECT_EQ(ui.lblTx1Info->text(), QStringLiteral("TX1: OUT B"));
     }},
};

INSTANTIATE_TEST_SUITE_P(GuiPages, GuiReadbackTest, ::testing::ValuesIn(kReadbackCases),
                         [](const auto& param) { return std::string(param.param.name); });

// A page whose read fails shows empty values: nothing of a short answer, and
// the start-up goes on with the other pages.
struct FailedReadCase {
    const char* name;
    Bytes request;
    emu::Fault::Kind fault;
    std::function<void(Ui::MainWindow&, MainWindow&)> check;
};

void PrintTo(const FailedReadCase& c, std::ostream* os) {
    *os << c.name;
}

class GuiFailedReadTest : public GuiStartupTest,
                          public ::testing::WithParamInterface<FailedReadCase> {};

TEST_P(GuiFailedReadTest, ShowsEmptyValuesAndGoesOn) {
    faultOn(GetParam().request, GetParam().fault);
    start();
    EXPECT_EQ(box_.requests(), kStartupRequests);
    // Shown until the EDID read of step 7 replaces it with its own message.
    EXPECT_EQ(statusBeforeEdidRead_, QStringLiteral("..."));
    EXPECT_EQ(ui().statusbar->currentMessage(), QStringLiteral("RX EDID values read."));
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_TRUE(window_->state().writesEnabled());
    GetParam().check(ui(), *window_);
}

const FailedReadCase kFailedReadCases[] = {
    {"OsdPageShort",
     {0x11, 30, 0xE0, 11},
     emu::Fault::kShort,
     [](Ui::MainWindow& ui, MainWindow&) {
         // cbOsdEn and cbOsdMask1 come from the box again with the status poll.
         EXPECT_EQ(ui.sbOsdColorFg->value(), 0);
         EXPECT_EQ(ui.sbOsdColorBgRate->value(), 1);
         EXPECT_EQ(ui.sbOsdLocX->value(), 1);
         EXPECT_EQ(ui.sbOsdMask1X1->value(), 0);
         EXPECT_FALSE(ui.cbOsdCapSpd->isChecked());
     }},
    {"FirmwarePageWrongEcho",
     {0x11, 27, 0xE0, 0},
     emu::Fault::kWrongEcho,
     [](Ui::MainWindow& ui, MainWindow&) { EXPECT_TRUE(ui.lblFwVer->text().isEmpty()); }},
    {"HdrPageShort",
     {0x11, 33, 0xE0, 14},
     emu::Fault::kShort,
     [](Ui::MainWindow& ui, MainWindow&) {
         EXPECT_TRUE(ui.HDRCustomText->toPlainText().isEmpty());
         EXPECT_FALSE(ui.AVICustomText->toPlainText().isEmpty());
     }},
    {"OsdTextPageWrongEcho",
     {0x11, 64, 0xE0, 12},
     emu::Fault::kWrongEcho,
     [](Ui::MainWindow& ui, MainWindow&) {
         EXPECT_TRUE(ui.txtOsdRender->toPlainText().isEmpty());
     }},
    {"MacroPageShort",
     {0x11, 41, 0xE0, 65},
     emu::Fault::kShort,
     [](Ui::MainWindow& ui, MainWindow&) {
         EXPECT_EQ(ui.sbJvcDelay->value(), 1);
         EXPECT_FALSE(ui.cbMacro0En->isChecked());
         EXPECT_EQ(ui.sbMacro1B->value(), 0);
     }},
    {"InputPageWrongEcho",
     {0x11, 64, 0xE0, 1},
     emu::Fault::kWrongEcho,
     [](Ui::MainWindow& ui, MainWindow&) {
         // The status poll right after reads the page again and shows its text.
         EXPECT_TRUE(ui.lblRx0Info->text().startsWith(QStringLiteral("RX0: 3840x2160p60")));
     }},
    {"PcbRevisionWrongEcho",
     {0x11, 0x02, 0xB9},
     emu::Fault::kWrongEcho,
     [](Ui::MainWindow& ui, MainWindow& window) {
         EXPECT_EQ(window.state().pcbRevision(), 0);
         EXPECT_EQ(ui.lblFwVer->text(), QStringLiteral("FW: 0.61"));
     }},
};

INSTANTIATE_TEST_SUITE_P(GuiPages, GuiFailedReadTest, ::testing::ValuesIn(kFailedReadCases),
                         [](const auto& param) { return std::string(param.param.name); });

// An answer longer than a page: nothing beyond the page reaches a widget.
TEST_F(GuiStartupTest, TextsEndWithTheirPageEvenWhenTheAnswerIsLonger) {
    poke({0, 2, text("FW-0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ", false)});
    faultOn({0x11, 27, 0xE0, 0}, emu::Fault::kLong);
    start();
    EXPECT_EQ(ui().lblFwVer->text(), QStringLiteral("FW-0123456789ABCDEFGHIJKL"));
}

// No box with the serial "2026": the window stays usable and talks to nobody.
class GuiNoBoxTest : public GuiStartupTest, public ::testing::WithParamInterface<const char*> {
protected:
    GuiNoBoxTest() : GuiStartupTest(GetParam()) {}
};

TEST_P(GuiNoBoxTest, SaysSoInTheStatusBarAndLeavesTheFormAsItIs) {
    start();
    EXPECT_EQ(ui().statusbar->currentMessage(),
              QStringLiteral("NO VORTILAN2 CONNECTED. CONNECT USB AND RESTART"));
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_FALSE(window_->link().isOpen());
    EXPECT_FALSE(window_->isStatusTimerRunning());
    EXPECT_FALSE(window_->state().writesEnabled());
    EXPECT_TRUE(dialogs_.shown.empty());
    for (QComboBox* box : window_->findChildren<QComboBox*>()) {
        EXPECT_EQ(box->count(), 0) << box->objectName().toStdString();
    }
    EXPECT_FALSE(ui().CECtext->isEnabled());
    EXPECT_TRUE(ui().CECtext->toPlainText().isEmpty());
    EXPECT_TRUE(ui().txtRs232->toPlainText().isEmpty());
    EXPECT_EQ(ui().lblFwVer->text(), QStringLiteral("FW Version:"));
    EXPECT_EQ(ui().lblGuiVer->text(), QStringLiteral("GUI Version:"));

    // Still usable: the About box opens and the window's state is unchanged.
    ui().actionAbout->trigger();
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, gui_test::Shown::About);
    EXPECT_TRUE(box_.requests().empty());
}

INSTANTIATE_TEST_SUITE_P(GuiSerials, GuiNoBoxTest, ::testing::Values("2027", "20260", "2026 "),
                         [](const auto& param) { return "Case" + std::to_string(param.index); });

TEST_F(GuiStartupTest, ABoxThatCannotBeOpenedShowsBothWarningsAndNothingElse) {
    library_.failOpens = 1;
    start();
    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(dialogs_.shown[0].kind, gui_test::Shown::LinkWarning);
    EXPECT_EQ(dialogs_.shown[0].parent, nullptr);
    EXPECT_EQ(dialogs_.shown[0].title, QStringLiteral(" "));
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Usb device open error!"));
    EXPECT_EQ(dialogs_.shown[1].kind, gui_test::Shown::Warning);
    EXPECT_EQ(dialogs_.shown[1].parent, window_.get());
    EXPECT_EQ(dialogs_.shown[1].title, QStringLiteral("VORTILAN2 Utility"));
    EXPECT_EQ(dialogs_.shown[1].text, QStringLiteral("Hardware not found"));

    EXPECT_TRUE(box_.requests().empty());
    EXPECT_FALSE(window_->link().isOpen());
    EXPECT_FALSE(window_->isStatusTimerRunning());
    EXPECT_FALSE(window_->state().writesEnabled());
    EXPECT_TRUE(ui().statusbar->currentMessage().isEmpty());
    for (QComboBox* box : window_->findChildren<QComboBox*>()) {
        EXPECT_EQ(box->count(), 0) << box->objectName().toStdString();
    }
}

}  // namespace
