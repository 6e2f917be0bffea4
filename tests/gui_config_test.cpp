// Configuration files in the window, against the emulated box: the export
// against a golden file and the command line's, the import line by line,
// what each refuses, and a whole box carried to another one.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QRegularExpression>
#include <QSpinBox>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextEdit>
#include <functional>
#include <sstream>

#include "cli/Cli.h"
#include "config/StateKeys.h"
#include "emulator/Box.h"
#include "qt/MainWindow.h"
#include "settings/RegisterMap.h"
#include "tests/emulator/Requests.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/FileLimits.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using gui_test::Bytes;

QString readText(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(f.readAll());
}

// The file with its timestamp line made constant.
QString masked(QString text) {
    return text.replace(QRegularExpression(QStringLiteral("^# \\[[0-9.: ]+\\]$"),
                                           QRegularExpression::MultilineOption),
                        QStringLiteral("# [TIME]"));
}

void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

class GuiConfigTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    void SetUp() override { start(); }

    void start() {
        window_.reset();
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
        box_.clearTrace();
        QObject::connect(ui().statusbar, &QStatusBar::messageChanged, window_.get(),
                         [this](const QString& m) {
                             if (!m.isEmpty()) {
                                 messages_.push_back(m);
                             }
                         });
    }

    Ui::MainWindow& ui() { return *window_->form(); }

    QString exportTo(const QString& name) {
        const QString path = dir_.filePath(name);
        dialogs_.fileNames.push_back(path);
        ui().actionExport->trigger();
        return path;
    }

    void importText(const QByteArray& text) {
        const QString path = dir_.filePath(QStringLiteral("import.txt"));
        writeText(path, text);
        dialogs_.fileNames.push_back(path);
        box_.clearTrace();
        ui().actionImport->trigger();
    }

    std::vector<Bytes> writes() { return box_.writes(); }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_{100};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    std::vector<QString> messages_;
    QTemporaryDir dir_;
};

// ---- Export ---------------------------------------------------------------------

TEST_F(GuiConfigTest, ExportWritesTheGoldenFileAndRestartsTheTimer) {
    const QString path = exportTo(QStringLiteral("box.txt"));
    const QString golden =
        readText(QStringLiteral(VORTILAN2_SOURCE_DIR "/tests/golden/default-export.txt"));
    ASSERT_FALSE(golden.isEmpty());
    EXPECT_EQ(masked(readText(path)), golden);
    EXPECT_EQ(dialogs_.shown.back().kind, gui_test::Shown::SaveFile);
    EXPECT_EQ(dialogs_.shown.back().title, QStringLiteral("Save file"));
    EXPECT_EQ(dialogs_.shown.back().text, QStringLiteral("Text Files (*.txt);;All files (*.*)"));
    EXPECT_EQ(messages_.back(), QStringLiteral("File saved"));
    EXPECT_TRUE(window_->isStatusTimerRunning());
}

TEST_F(GuiConfigTest, TheCommandLineExportsTheSameFile) {
    const QString byWindow = exportTo(QStringLiteral("window.txt"));
    window_.reset();  // the window gives the box back
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{
        box_.library(), clock_, out, err, false, [] { return config::LocalTime{}; }};
    const QString byCli = dir_.filePath(QStringLiteral("cli.txt"));
    ASSERT_EQ(cli::run({"config", "export", byCli.toStdString()}, env), 0) << err.str();
    EXPECT_EQ(masked(readText(byCli)), masked(readText(byWindow)));
}

TEST_F(GuiConfigTest, ExportThatTheBoxInterruptsKeepsTheOldFile) {
    const QString path = dir_.filePath(QStringLiteral("kept.txt"));
    writeText(path, "InputPort swap\n");
    box_.server().addFault({emu::Fault::kNoAnswer, 1000, 0});
    dialogs_.fileNames.push_back(path);
    ui().actionExport->trigger();
    EXPECT_EQ(readText(path), QStringLiteral("InputPort swap\n"));
    EXPECT_EQ(messages_.back(), QStringLiteral("File save error"));
    EXPECT_TRUE(window_->isStatusTimerRunning());
}

// A write cut short (a nearly full disk; here a file size limit) keeps the
// old file and says why instead of "File saved".
TEST_F(GuiConfigTest, ExportCutShortKeepsTheOldFileAndSaysWhy) {
    const QString path = dir_.filePath(QStringLiteral("kept.txt"));
    writeText(path, "InputPort swap\n");
    dialogs_.fileNames.push_back(path);
    {
        const testing_support::FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.ok());
        ui().actionExport->trigger();
    }
    EXPECT_EQ(readText(path), QStringLiteral("InputPort swap\n"));
    EXPECT_EQ(messages_.back(), QStringLiteral("Can't save ") + path + QStringLiteral(": File too large"));
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.txt")});
}

TEST_F(GuiConfigTest, CancelledExportSavesNothingAndLeavesTheTimer) {
    window_->stopStatusTimer();
    ui().actionExport->trigger();  // no file name: cancelled
    EXPECT_EQ(messages_.back(), QStringLiteral("Cannot save file"));
    EXPECT_FALSE(window_->isStatusTimerRunning());
    EXPECT_TRUE(box_.requests().empty());
}

// ---- Import ---------------------------------------------------------------------

struct ImportCase {
    const char* name;
    const char* file;
    std::vector<Bytes> writes;  // every write request, in order
    std::uint64_t pausedMs;     // 100 ms after each line that sent something
    std::function<void(Ui::MainWindow&)> check = nullptr;
};

void PrintTo(const ImportCase& c, std::ostream* os) {
    *os << c.name;
}

class GuiImport : public GuiConfigTest, public ::testing::WithParamInterface<ImportCase> {};

TEST_P(GuiImport, EachLineSendsWhatItChangesOnce) {
    const ImportCase& c = GetParam();
    const std::uint64_t before = clock_.totalSleptMs();
    importText(c.file);
    EXPECT_EQ(writes(), c.writes);
    EXPECT_EQ(clock_.totalSleptMs() - before, c.pausedMs);
    EXPECT_EQ(messages_.back(), QStringLiteral("Import done"));
    if (c.check) {
        c.check(ui());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, GuiImport,
    ::testing::Values(
        ImportCase{"InputPortAlwaysWritten",
                   "InputPort bot\nInputPort bot\n",
                   {emutest::registerWrite(25, 1), emutest::registerWrite(25, 1)},
                   200},
        ImportCase{"EncLevelSkippedWhenTheBoxHoldsIt",
                   "EncLevel 22\nEncLevel 14\n",
                   {emutest::registerWrite(30, 2)},
                   100},
        ImportCase{"EdidAlgoOutOfRangeIgnored",
                   "EdidAlgo 7\nEdidAlgo 0\nEdidAlgo 2\n",
                   {emutest::registerWrite(31, 2)},
                   100,
                   [](Ui::MainWindow& ui) { EXPECT_EQ(ui.cmbEdidAlgo->currentIndex(), 2); }},
        ImportCase{"OsdPositionOutOfRangeIgnored",
                   "OsdLocX 0\nOsdLocX 1921\nOsdLocX 1920\n",
                   {},
                   0,
                   [](Ui::MainWindow& ui) { EXPECT_EQ(ui.sbOsdLocX->value(), 1920); }},
        ImportCase{"PresetThroughItsComboBoxSentOnce",
                   "AutoPreset4k30 PRESET_4K30_422_12\n",
                   {emutest::registerWrite(46, 3)},
                   100,
                   [](Ui::MainWindow& ui) { EXPECT_EQ(ui.cmbPreset4k30->currentIndex(), 2); }},
        ImportCase{"EdidHdrSetsBothBoxesAndSendsOnce",
                   "EdidHdr hdrhlg\n",
                   {emutest::registerWrite(38, 3)},
                   100,
                   [](Ui::MainWindow& ui) {
                       EXPECT_TRUE(ui.cbHdr->isChecked());
                       EXPECT_TRUE(ui.cbHlg->isChecked());
                   }},
        ImportCase{"CecTypeThroughItsComboBox",
                   "CecLa audio\nCecLa audio\n",
                   {emutest::registerWrite(57, 1)},
                   100,
                   [](Ui::MainWindow& ui) { EXPECT_EQ(ui.cmbLa->currentIndex(), 1); }},
        ImportCase{"TextsOnlyIntoTheirEditors",
                   "CustomHdrText 0123456789\nCustomAviText 82:02:0d:96\nCustomCecText 5f:36\n",
                   {},
                   0,
                   [](Ui::MainWindow& ui) {
                       EXPECT_EQ(ui.AVICustomText->toPlainText(), QStringLiteral("82:02:0d:96"));
                       EXPECT_EQ(ui.CECtext->toPlainText(), QStringLiteral("5f:36"));
                       EXPECT_NE(ui.HDRCustomText->toPlainText(), QStringLiteral("0123456789"));
                   }},
        ImportCase{"CommentsAndStatusLinesSendNothingAndDoNotWait",
                   "# STATUS\nFW: 0.61, GUI: 2.34, PCB 2\n00 FF FF FF\nLogoLed on\n",
                   {},
                   0}),
    [](const ::testing::TestParamInfo<ImportCase>& p) { return std::string(p.param.name); });

TEST_F(GuiConfigTest, ImportedScalerAndOsdLinesSendTheirWholeBlocks) {
    importText(
        "ScalePort1_4k60Mode HDMIDRV_SCALE_OFF\nScalePort1_4k60Mode HDMIDRV_SCALE_OFF\n"
        "OsdLocX 300\nOsd off\n");
    const auto w = writes();
    ASSERT_EQ(w.size(), 2u);
    EXPECT_EQ(w[0][2], 0xE7);  // the scaler block of port 1, its 4K60 scaled to 4K
    EXPECT_EQ(std::string(w[0].begin() + 3, w[0].begin() + 10), "param 1");
    EXPECT_EQ(w[0][11], 1);
    EXPECT_EQ(w[1][2], 0xEB);  // the OSD parameters, off, at x 300
    EXPECT_EQ(w[1][12], 0);
    EXPECT_EQ(w[1][28], 0x01);
    EXPECT_EQ(w[1][29], 0x2C);
    EXPECT_FALSE(ui().cbOsdEn->isChecked());
    EXPECT_EQ(ui().cmb4k60Port1Scale->currentIndex(), 1);
}

TEST_F(GuiConfigTest, ImportRefusesWhatIsNotAConfigurationFile) {
    importText(
        QByteArray("\x7f"
                   "ELF\x02\x01\x01\0\0\0",
                   10));
    EXPECT_TRUE(writes().empty());
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().kind, gui_test::Shown::Warning);
    EXPECT_TRUE(dialogs_.shown.back().text.startsWith(QStringLiteral("Can't import ")));
    EXPECT_TRUE(window_->isStatusTimerRunning());
}

TEST_F(GuiConfigTest, ImportOfAnEndlessInputIsRefusedAtItsBound) {
    dialogs_.fileNames.push_back(QStringLiteral("/dev/zero"));
    box_.clearTrace();
    ui().actionImport->trigger();
    EXPECT_TRUE(writes().empty());
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().text,
              QStringLiteral("Can't import /dev/zero: it holds more than 256 KiB, too much for a "
                             "configuration file."));
}

// The box's texts go into the status section as they come: a control byte
// there does not make the file unimportable.
TEST_F(GuiConfigTest, AControlByteInTheStatusSectionImports) {
    importText("# STATUS INFO START\nTX0 Sink: LG\x07TV\x1b[0m\nFW: 0.61\x01\nLogoLed off\n");
    EXPECT_EQ(writes(), (std::vector<Bytes>{emutest::registerWrite(50, 0)}));
    EXPECT_EQ(messages_.back(), QStringLiteral("Import done"));
}

// Values inside a key's range that the window's spin box cannot hold are
// brought into it, the same from the window and from the command line.
struct ClampCase {
    const char* name;
    const char* file;
    std::size_t request;  // the write request, by order, and its byte and value
    std::size_t byte;
    std::uint8_t value;
};

void PrintTo(const ClampCase& c, std::ostream* os) {
    *os << c.name;
}

class GuiImportClamp : public GuiConfigTest, public ::testing::WithParamInterface<ClampCase> {};

TEST_P(GuiImportClamp, TheWindowAndTheCommandLineSendTheSame) {
    const ClampCase& c = GetParam();
    importText(c.file);
    const std::vector<Bytes> byWindow = writes();
    window_.reset();  // the window gives the box back

    // The same file into a box in the state the window started from.
    gui_test::EmulatedBox fresh;
    std::ostringstream out;
    std::ostringstream err;
    cli::Environment env{fresh.library(), clock_, out, err, false, nullptr};
    fresh.clearTrace();
    const QString path = dir_.filePath(QStringLiteral("import.txt"));
    ASSERT_EQ(cli::run({"config", "import", path.toStdString()}, env), 0) << err.str();
    const std::vector<Bytes> byCli = fresh.writes();

    EXPECT_EQ(byCli, byWindow);
    ASSERT_GT(byWindow.size(), c.request);
    ASSERT_GT(byWindow[c.request].size(), c.byte);
    EXPECT_EQ(byWindow[c.request][c.byte], c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Values, GuiImportClamp,
    ::testing::Values(
        // The OSD parameters: byte 14 the mask level, byte 17 the background level.
        ClampCase{"OsdMaskRate0Sends1", "OsdMaskRate 0\nOsd on\n", 0, 14, 1},
        ClampCase{"OsdColorBgRate0Sends1", "OsdColorBgRate 0\nOsd on\n", 0, 17, 1},
        ClampCase{"OsdMaskRate8Ignored", "OsdMaskRate 3\nOsdMaskRate 8\nOsd on\n", 0, 14, 3},
        // The custom text's x position (byte 13 high, 14 low): 1500 is held as 1080.
        ClampCase{"OsdCustTextLocX1500Sends1080", "OsdCustTextLocX 1500\n", 0, 14, 1080 & 0xFF},
        // The macros: byte 37 the delay.
        ClampCase{"JvcMacro28Of0Sends1", "JvcMacro28 0\nJvcMacro38 0\n", 0, 37, 1},
        ClampCase{"JvcMacro28Of100Sends60", "JvcMacro28 100\nJvcMacro38 0\n", 0, 37, 60}),
    [](const ::testing::TestParamInfo<ClampCase>& p) { return std::string(p.param.name); });

TEST_F(GuiConfigTest, ImportWithoutABoxAsksForNoFile) {
    box_.server().addFault({emu::Fault::kNoAnswer, 1000, 0});
    ui().actionImport->trigger();
    EXPECT_EQ(messages_.back(), QStringLiteral("VORTILAN2 not connected"));
    EXPECT_TRUE(dialogs_.shown.empty() || dialogs_.shown.back().kind != gui_test::Shown::OpenFile);
}

// ---- A whole box into another -------------------------------------------------------

// Settings of box A that differ from a box as shipped.
void changeSettings(emu::Box& b) {
    auto& S = b.ep();
    S[0] = 3;   // matrix thru
    S[2] = 2;   // custom scaling
    S[4] = 2;   // HDCP 1.4
    S[8] = 0;   // no automatic switching
    S[10] = 3;  // custom EDID
    S[11] = 4;  // algorithm
    S[12] = 7;  // tables
    S[13] = 3;
    S[14] = 2;  // 5.1
    S[16] = 1;
    S[18] = 3;  // HDR and HLG
    S[19] = 5;  // Dolby Vision copy and limit
    S[22] = 1;
    S[25] = 1;
    S[26] = 3;  // presets
    S[27] = 6;
    S[28] = 5;
    S[30] = 0;
    S[37] = 1;  // CEC audio system
    S[39] = 1;  // macro repeat
    S[42] = 3;  // 115200
    S[43] = 1;
    S[50] = 1;
    S[51] = 2;
    emu::Page& scaler = *b.page(10);
    scaler[6] = 1;     // port 1 converts 4K30
    scaler[7] = 1;     // to 4K
    scaler[8] = 0x21;  // 420 - 2020
    scaler[9] = 4;     // 12-bit
    emu::Page& osd = *b.page(11);
    osd[2] = 0;  // OSD off
    osd[8] = 0x5A;
    osd[18] = 0x01;  // x 300
    osd[19] = 0x2C;
    emu::Page& macros = *b.page(emu::kMacroPage);
    macros[2] = 3;
    macros[4] = 0x41;
    macros[5] = 1;     // rule 0 compares the minimum brightness
    macros[6] = 0xF4;  // 0.05
    macros[7] = 0x01;
    macros[8] = 7;
    macros[40] = 9;
}

TEST(GuiConfigRoundTrip, AnotherBoxInAnotherStateTakesEveryKeyTheFileCarries) {
    gui_test::application();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("a.txt"));
    testing_support::ManualClock clock(100);
    gui_test::ScriptedDialogs dialogs;

    gui_test::EmulatedBox a("2026", "default");
    a.server().withBox(changeSettings);
    {
        MainWindow window(a.library(), clock, dialogs);
        dialogs.fileNames.push_back(file);
        window.form()->actionExport->trigger();
    }

    gui_test::EmulatedBox b("2026", "sdr");
    {
        MainWindow window(b.library(), clock, dialogs);
        dialogs.fileNames.push_back(file);
        window.form()->actionImport->trigger();
    }

    const auto epA = a.server().withBox([](emu::Box& x) { return x.ep(); });
    const auto epB = b.server().withBox([](emu::Box& x) { return x.ep(); });
    for (const config::StateKey& key : config::stateKeys()) {
        if (key.reg == 0) {
            continue;  // the slide switches are each box's own
        }
        const std::uint8_t mask = key.kind == config::StateKind::Bit ? key.bit : 0xFF;
        EXPECT_EQ(epB[key.epByte] & mask, epA[key.epByte] & mask) << key.key;
    }
    for (const int reg : {46, 47, 48}) {  // the presets
        const std::size_t n = *boxsettings::registerByte(static_cast<std::uint8_t>(reg));
        EXPECT_EQ(epB[n], epA[n]) << "S[" << n << "]";
    }
    for (const int page : {9, 10, 11, emu::kMacroPage}) {
        const auto pa = a.server().withBox([page](emu::Box& x) { return *x.page(page); });
        const auto pb = b.server().withBox([page](emu::Box& x) { return *x.page(page); });
        EXPECT_TRUE(std::equal(pa.begin() + 2, pa.end(), pb.begin() + 2)) << "page " << page;
    }
    const auto flags = [](emu::Box& x) {
        return std::make_pair((*x.page(12))[3], (*x.page(12))[48]);
    };
    EXPECT_EQ(b.server().withBox(flags), a.server().withBox(flags));
}

}  // namespace
