// The EDID MANAGER tab against the emulated box: the reads of the five EDIDs,
// the upload into a custom table with its refusals and questions, the
// checksum repair, the EDID files and the hex view, the buttons' signals.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "edid/Decode.h"
#include "edid/File.h"
#include "edid/Image.h"
#include "edid/Modes.h"
#include "edid/Parse.h"
#include "emulator/Box.h"
#include "emulator/Edid.h"
#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/FileLimits.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using edid::EdidImage;
using edid::EdidSource;
using gui_test::Bytes;
using gui_test::Shown;

const QString kTitle = QStringLiteral("VORTILAN2 Utility");

Bytes fetch(std::uint8_t command) {
    return {0x10, 0x01, command};
}
Bytes chunkRead(std::uint8_t offset) {
    return {0x11, 0x10, 0xB0, offset};
}
const Bytes kBusyStatusRead = {0x11, 42, 0xE1};

Bytes upload(std::uint8_t table, std::size_t offset, const EdidImage& image) {
    Bytes r = {0x10, 0x08, 0xB0, table, static_cast<std::uint8_t>(offset)};
    r.insert(r.end(), image.begin() + static_cast<long>(offset),
             image.begin() + static_cast<long>(offset + 8));
    return r;
}
Bytes commit(std::uint8_t table) {
    return {0x10, 0x08, 0xB1, table};
}
std::vector<Bytes> uploadRequests(std::uint8_t table, const EdidImage& image) {
    std::vector<Bytes> requests;
    for (std::size_t offset = 0; offset < 256; offset += 8) {
        requests.push_back(upload(table, offset, image));
    }
    requests.push_back(commit(table));
    return requests;
}

std::vector<QString> texts(std::initializer_list<const char*> list) {
    std::vector<QString> out;
    for (const char* s : list) {
        out.push_back(QString::fromLatin1(s));
    }
    return out;
}

QString qtext(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

// The character format of value i (0..255) of an editor in the hex view.
QTextCharFormat valueFormat(QTextEdit* editor, std::size_t i) {
    QTextCursor cursor(editor->document());
    cursor.setPosition(static_cast<int>(i / 16 * 48 + i % 16 * 3 + 1));
    return cursor.charFormat();
}

// The editor shows image in the hex view: black, normal weight, the two
// checksum bytes bold.
void expectHexView(QTextEdit* editor, const EdidImage& image) {
    EXPECT_EQ(editor->toPlainText(), qtext(edid::hexText(image)));
    for (std::size_t i = 0; i < image.size(); ++i) {
        const QTextCharFormat format = valueFormat(editor, i);
        const bool checksum = i == 127 || i == 255;
        EXPECT_EQ(format.fontWeight(), checksum ? QFont::Bold : QFont::Normal) << i;
        EXPECT_EQ(format.foreground().color(), QColor(Qt::black)) << i;
    }
}

EdidImage broken(EdidImage image) {
    image[20] ^= 0x5A;
    image[200] += 1;
    return image;
}

class GuiEdidTest : public ::testing::Test {
public:
    static void SetUpTestSuite() { gui_test::application(); }

    void SetUp() override {
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
        window_->stopStatusTimer();
        QObject::connect(ui().statusbar, &QStatusBar::messageChanged, window_.get(),
                         [this](const QString& m) {
                             if (!m.isEmpty()) {
                                 messages_.push_back(m);
                             }
                         });
        resetRecords();
    }

    // Forgets what the start-up and the preparation of a test did.
    void resetRecords() {
        ui().statusbar->clearMessage();
        messages_.clear();
        box_.clearTrace();
        clock_.clearPauses();
        dialogs_.shown.clear();
    }

    Ui::MainWindow& ui() { return *window_->form(); }
    QProgressBar& bar() { return *window_->statusProgressBar(); }
    bool barShown() { return bar().isVisibleTo(window_.get()); }

    template <typename F>
    decltype(auto) withBox(F&& f) {
        return box_.server().withBox(std::forward<F>(f));
    }
    EdidImage sinkEdid(int tx) {
        return withBox([tx](emu::Box& box) { return *box.sink(tx); });
    }
    EdidImage table(int n) {
        return withBox([n](emu::Box& box) { return *box.table(n); });
    }

    // Makes the box answer the first request that starts with `request`
    // (and the next count - 1 requests) with a fault.
    void faultOn(const Bytes& request, emu::Fault::Kind kind, int count = 1) {
        library_.beforeWrite = [this, request, kind, count,
                                done = false](const Bytes& bytes) mutable {
            if (!done && bytes.size() >= request.size() &&
                std::equal(request.begin(), request.end(), bytes.begin())) {
                box_.server().addFault({kind, count, 0});
                done = true;
            }
        };
    }
    // Runs check when the request goes out.
    void onRequest(const Bytes& request, std::function<void()> check) {
        library_.beforeWrite = [request, check](const Bytes& bytes) {
            if (bytes == request) {
                check();
            }
        };
    }

    void invoke(const char* slot) {
        EXPECT_TRUE(QMetaObject::invokeMethod(window_.get(), slot)) << slot;
    }
    bool invokeBool(const char* slot) {
        bool result = false;
        EXPECT_TRUE(QMetaObject::invokeMethod(window_.get(), slot, Q_RETURN_ARG(bool, result)))
            << slot;
        return result;
    }

    void setEditor(const std::string& text) { ui().EDIDtext->setPlainText(qtext(text)); }
    QString editor() { return ui().EDIDtext->toPlainText(); }

    // Custom mode with a table, chosen before the records are reset.
    void chooseTable(const char* radio, int index) {
        window_->findChild<QAbstractButton*>(QString::fromLatin1(radio))->setChecked(true);
        ui().cmBEdid->setCurrentIndex(index);
    }

    gui_test::EmulatedBox box_;
    gui_test::HookedLibrary library_{box_.library()};
    // 10 ms per look at the clock: an exchange waits through 400 checks of
    // the receive queue (up to 1 ms each) for the box's answer, and a silent
    // box costs no more than that.
    testing_support::ManualClock clock_{10};
    gui_test::ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    std::vector<QString> messages_;
};

// --- Reads

struct ReadCase {
    const char* name;
    const char* slot;
    EdidSource source;
    std::uint8_t fetch;
    int statusReads;  // of the busy poll (the box is busy for 3)
    std::vector<std::uint32_t> pauses;
    const char* message;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

const ReadCase kReadCases[] = {
    {"Current",
     "ReadEDID",
     EdidSource::Current,
     0xB4,
     4,
     {100, 10, 10, 10, 10},
     "EDID values read."},
    {"TvBot", "readTvEdidA", EdidSource::Tx0, 0xB5, 0, {300}, "TV EDID values read."},
    {"TvTop", "readTvEdidB", EdidSource::Tx1, 0xB6, 0, {300}, "TV EDID values read."},
    {"RxBot", "readRxBotEdid", EdidSource::Rx0, 0xB7, 0, {300}, "RX EDID values read."},
    {"RxTop", "readRxTopEdid", EdidSource::Rx1, 0xB8, 0, {300}, "RX EDID values read."},
};

class GuiEdidReadTest : public GuiEdidTest, public ::testing::WithParamInterface<ReadCase> {
protected:
    void SetUp() override {
        GuiEdidTest::SetUp();
        // Each input port presents a custom table of its own; input 1 is active.
        withBox([](emu::Box& box) {
            box.ep()[10] = 3;
            box.ep()[13] = 4;
            box.ep()[12] = 6;
            box.ep()[0] = 2;
        });
    }

    EdidImage expected() {
        return withBox([source = GetParam().source](emu::Box& box) -> EdidImage {
            switch (source) {
                case EdidSource::Current:
                    return box.currentEdid();
                case EdidSource::Tx0:
                    return *box.sink(0);
                case EdidSource::Tx1:
                    return *box.sink(1);
                case EdidSource::Rx0:
                    return box.presentedEdid(0);
                case EdidSource::Rx1:
                    return box.presentedEdid(1);
            }
            return {};
        });
    }

    std::vector<Bytes> requests(int chunks = 16) {
        std::vector<Bytes> r = {fetch(GetParam().fetch)};
        r.insert(r.end(), static_cast<std::size_t>(GetParam().statusReads), kBusyStatusRead);
        for (int i = 0; i < chunks; ++i) {
            r.push_back(chunkRead(static_cast<std::uint8_t>(i * 16)));
        }
        return r;
    }

    // Whether the progress bar showed chunk 2 (offset 32 of 255) during the read.
    void watchProgress() {
        onRequest(chunkRead(32), [this] {
            progressSeen_ = barShown() && bar().value() == 32 && bar().maximum() == 255;
        });
    }
    bool progressSeen_ = false;
};

TEST_P(GuiEdidReadTest, ShownReadPutsTheEdidIntoTheEditor) {
    const ReadCase& c = GetParam();
    const EdidImage image = expected();
    setEditor("untouched");
    watchProgress();
    invoke(c.slot);

    EXPECT_EQ(box_.requests(), requests());
    EXPECT_EQ(clock_.pauses(), c.pauses);
    EXPECT_EQ(window_->state().edidHexText().size(), 768u);
    EXPECT_EQ(window_->state().edidHexText(), edid::hexText(image));
    EXPECT_EQ(editor(), qtext(edid::hexText(image)));
    const QTextCharFormat format = valueFormat(ui().EDIDtext, 130);
    EXPECT_EQ(format.fontPointSize(), 8);
    EXPECT_EQ(format.foreground().color(), QColor(Qt::black));
    EXPECT_EQ(format.fontWeight(), QFont::Normal);
    EXPECT_EQ(messages_, texts({c.message}));
    EXPECT_TRUE(progressSeen_);
    EXPECT_FALSE(barShown());
    EXPECT_TRUE(dialogs_.shown.empty());
}

TEST_P(GuiEdidReadTest, UnshownReadLeavesTheEditorAndSaysNothing) {
    const EdidImage image = expected();
    setEditor("untouched");
    watchProgress();
    EXPECT_TRUE(window_->readEdidFromBox(GetParam().source, false));

    EXPECT_EQ(box_.requests(), requests());
    EXPECT_EQ(window_->state().edidHexText(), edid::hexText(image));
    EXPECT_EQ(editor(), QStringLiteral("untouched"));
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(progressSeen_);
    EXPECT_FALSE(barShown());
}

TEST_P(GuiEdidReadTest, FailedFifthChunkKeepsTheEditorAndTheFourLinesRead) {
    const EdidImage image = expected();
    setEditor("untouched");
    faultOn(chunkRead(0x40), emu::Fault::kShort);
    EXPECT_FALSE(window_->readEdidFromBox(GetParam().source, true));

    EXPECT_EQ(box_.requests(), requests(5));
    EXPECT_EQ(window_->state().edidHexText().size(), 192u);
    EXPECT_EQ(window_->state().edidHexText(), edid::hexText(image).substr(0, 192));
    EXPECT_EQ(editor(), QStringLiteral("untouched"));
    EXPECT_TRUE(messages_.empty());
    EXPECT_FALSE(barShown());
}

INSTANTIATE_TEST_SUITE_P(Sources, GuiEdidReadTest, ::testing::ValuesIn(kReadCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(GuiEdidTest, SourcesUnderTestAreDifferentEdids) {
    withBox([](emu::Box& box) {
        box.ep()[10] = 3;
        box.ep()[13] = 4;
        box.ep()[12] = 6;
        const std::vector<emu::Edid> all = {*box.sink(0), *box.sink(1), box.presentedEdid(0),
                                            box.presentedEdid(1)};
        for (std::size_t i = 0; i < all.size(); ++i) {
            for (std::size_t j = i + 1; j < all.size(); ++j) {
                EXPECT_NE(all[i], all[j]) << i << " " << j;
            }
        }
    });
}

TEST_F(GuiEdidTest, WrongFetchEchoIsReportedAndTheReadGoesOn) {
    faultOn(fetch(0xB5), emu::Fault::kWrongEcho);
    invoke("readTvEdidA");
    EXPECT_EQ(messages_, texts({"Error Writing values", "TV EDID values read."}));
    EXPECT_EQ(editor(), qtext(edid::hexText(sinkEdid(0))));
}

TEST_F(GuiEdidTest, CurrentEdidWaitsForABusyBoxAtMost502StatusReads) {
    withBox([](emu::Box& box) { box.setBusyReads(100000); });
    // A failed status read counts as one of them.
    faultOn(kBusyStatusRead, emu::Fault::kWrongEcho);
    invoke("ReadEDID");
    const std::vector<Bytes> requests = box_.requests();
    ASSERT_EQ(requests.size(), 1u + 502u + 16u);
    EXPECT_EQ(std::count(requests.begin(), requests.end(), kBusyStatusRead), 502);
    EXPECT_EQ(requests[503], chunkRead(0));
    const std::vector<std::uint32_t> pauses = clock_.pauses();
    ASSERT_EQ(pauses.size(), 503u);
    EXPECT_EQ(pauses[0], 100u);
    EXPECT_TRUE(std::all_of(pauses.begin() + 1, pauses.end(), [](auto p) { return p == 10; }));
    EXPECT_EQ(messages_, texts({"Error Reading values", "EDID values read."}));
}

// A box that stops answering during the busy poll costs one time-out: the
// rest of the read fails at once.
TEST_F(GuiEdidTest, BoxThatGoesSilentDuringTheReadIsNotWaitedForAgain) {
    withBox([](emu::Box& box) { box.setBusyReads(100000); });
    setEditor("untouched");
    faultOn(kBusyStatusRead, emu::Fault::kNoAnswer);
    EXPECT_FALSE(window_->readEdidFromBox(EdidSource::Current, true));
    EXPECT_EQ(box_.requests(), (std::vector<Bytes>{fetch(0xB4), kBusyStatusRead}));
    EXPECT_EQ(messages_, texts({"Error Reading values"}));
    EXPECT_EQ(editor(), QStringLiteral("untouched"));
    EXPECT_TRUE(window_->state().edidHexText().empty());
    // Until a probe finds the box answering again, no read waits for it.
    withBox([](emu::Box& box) { box.setBusyReads(0); });
    box_.clearTrace();
    EXPECT_FALSE(window_->readEdidFromBox(EdidSource::Tx0, true));
    EXPECT_TRUE(box_.requests().empty());
    window_->link().clearSilence();  // what an answered probe does
    EXPECT_TRUE(window_->readEdidFromBox(EdidSource::Tx0, true));
}

TEST_F(GuiEdidTest, ProgressBarShowsOnlyForPositiveValueAndMaximum) {
    struct Case {
        int value;
        int maximum;
        bool shown;
    };
    const Case cases[] = {{16, 255, true}, {0, 255, false}, {31, 32, true},
                          {5, 0, false},   {-1, 10, false}, {16, 255, true}};
    for (const Case& c : cases) {
        window_->on_ProgressChange(c.value, c.maximum);
        EXPECT_EQ(barShown(), c.shown) << c.value << " of " << c.maximum;
        if (c.shown) {
            EXPECT_EQ(bar().value(), c.value);
            EXPECT_EQ(bar().maximum(), c.maximum);
            EXPECT_EQ(bar().minimum(), 0);
        }
    }
    EXPECT_FALSE(bar().isTextVisible());
}

// --- Upload

TEST_F(GuiEdidTest, UploadSendsThirtyTwoChunksAndTheCommitAndTheTableHoldsTheImage) {
    chooseTable("customEDID", 2);
    const EdidImage image = sinkEdid(0);
    ASSERT_NE(table(3), image);
    setEditor(edid::hexText(image));
    resetRecords();
    bool progressSeen = false;
    onRequest(upload(3, 16 * 8, image),
              [&] { progressSeen = barShown() && bar().value() == 16 && bar().maximum() == 32; });
    invoke("WriteEDID");

    EXPECT_EQ(box_.requests(), uploadRequests(3, image));
    EXPECT_EQ(clock_.pauses(), std::vector<std::uint32_t>(32, 30));
    EXPECT_EQ(table(3), image);
    EXPECT_EQ(messages_, texts({"EDID values written..."}));
    EXPECT_TRUE(dialogs_.shown.empty());
    EXPECT_TRUE(progressSeen);
    EXPECT_FALSE(barShown());
}

struct UploadModeCase {
    const char* name;
    const char* radio;
    int index;  // of cmBEdid: table index + 1
    bool allowed;
};

void PrintTo(const UploadModeCase& c, std::ostream* os) {
    *os << c.name;
}

class GuiEdidUploadModeTest : public GuiEdidTest,
                              public ::testing::WithParamInterface<UploadModeCase> {};

TEST_P(GuiEdidUploadModeTest, GoesAheadOnlyIntoACustomTableOutsideAutomixAndFixed) {
    const UploadModeCase& c = GetParam();
    chooseTable(c.radio, c.index);
    const EdidImage image = sinkEdid(1);
    setEditor(edid::hexText(image));
    resetRecords();
    invoke("WriteEDID");
    const auto table = static_cast<std::uint8_t>(c.index + 1);
    if (c.allowed) {
        EXPECT_EQ(box_.requests(), uploadRequests(table, image));
        EXPECT_EQ(this->table(table), image);
        EXPECT_TRUE(dialogs_.shown.empty());
    } else {
        EXPECT_TRUE(box_.requests().empty());
        ASSERT_EQ(dialogs_.shown.size(), 1u);
        EXPECT_EQ(dialogs_.shown[0].kind, Shown::Warning);
        EXPECT_EQ(dialogs_.shown[0].parent, window_.get());
        EXPECT_EQ(dialogs_.shown[0].title, kTitle);
        EXPECT_EQ(dialogs_.shown[0].text,
                  QStringLiteral("\nSelect CUSTOM EDID TABLE mode to upload an EDID table\n"));
        EXPECT_TRUE(messages_.empty());
    }
}

const UploadModeCase kUploadModeCases[] = {
    {"Automix", "automixEDID", 2, false},        {"Fixed", "fixedEDID", 2, false},
    {"CustomTable11", "customEDID", 10, false},  {"CustomTable100", "customEDID", 99, false},
    {"CustomTable10", "customEDID", 9, true},    {"CopyTopTable1", "rbCopyTopEDID", 0, true},
    {"CopyBotTable5", "rbCopyBotEDID", 4, true},
};

INSTANTIATE_TEST_SUITE_P(Modes, GuiEdidUploadModeTest, ::testing::ValuesIn(kUploadModeCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST_F(GuiEdidTest, NoToWriteAnywaySendsNothing) {
    chooseTable("customEDID", 2);
    const EdidImage before = table(3);
    setEditor(edid::hexText(broken(sinkEdid(0))));
    resetRecords();
    dialogs_.answers = {QMessageBox::No};
    invoke("WriteEDID");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Question);
    EXPECT_EQ(dialogs_.shown[0].title, kTitle);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("The EDID Checksum is not correct."));
    EXPECT_EQ(dialogs_.shown[0].informativeText, QStringLiteral("Write anyway?"));
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_EQ(table(3), before);
}

TEST_F(GuiEdidTest, YesToWriteAnywayUploadsTheWrongChecksumsUnchanged) {
    chooseTable("customEDID", 2);
    const EdidImage image = broken(sinkEdid(0));
    setEditor(edid::hexText(image));
    resetRecords();
    dialogs_.answers = {QMessageBox::Yes};
    invoke("WriteEDID");
    EXPECT_EQ(box_.requests(), uploadRequests(3, image));
    EXPECT_EQ(table(3), image);
    EXPECT_FALSE(edid::checkChecksums(table(3)).ok());
}

// An image without the EDID header (256 zeros, for instance) is asked about
// as a wrong checksum is; No sends nothing.
class GuiEdidHeaderTest : public GuiEdidTest,
                          public ::testing::WithParamInterface<QMessageBox::StandardButton> {};

TEST_P(GuiEdidHeaderTest, AnImageWithoutTheHeaderIsUploadedOnlyOnYes) {
    chooseTable("customEDID", 2);
    const EdidImage before = table(3);
    EdidImage image = sinkEdid(0);
    image[0] = 0xFF;
    image[7] = 0xFF;
    edid::repairChecksums(image);  // only the header is wrong
    setEditor(edid::hexText(image));
    resetRecords();
    dialogs_.answers = {GetParam()};
    invoke("WriteEDID");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Question);
    EXPECT_EQ(dialogs_.shown[0].title, kTitle);
    EXPECT_EQ(dialogs_.shown[0].text,
              QStringLiteral("The EDID does not begin with the header 00 FF FF FF FF FF FF 00."));
    EXPECT_EQ(dialogs_.shown[0].informativeText, QStringLiteral("Write anyway?"));
    if (GetParam() == QMessageBox::Yes) {
        EXPECT_EQ(box_.requests(), uploadRequests(3, image));
        EXPECT_EQ(table(3), image);
    } else {
        EXPECT_TRUE(box_.requests().empty());
        EXPECT_EQ(table(3), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, GuiEdidHeaderTest,
                         ::testing::Values(QMessageBox::Yes, QMessageBox::No),
                         [](const auto& param) {
                             return param.param == QMessageBox::Yes ? "Yes" : "No";
                         });

TEST_F(GuiEdidTest, UploadOfTextThatDoesNotParseSendsNothing) {
    chooseTable("customEDID", 2);
    setEditor("00 FF-FF");
    resetRecords();
    invoke("WriteEDID");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Warning);
    EXPECT_EQ(dialogs_.shown[0].title, kTitle);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Hex Format Error"));
    EXPECT_TRUE(box_.requests().empty());
    EXPECT_EQ(editor(), QStringLiteral("00 FF-FF"));
}

struct UploadFaultCase {
    const char* name;
    Bytes request;  // the first request that starts with these bytes fails
    emu::Fault::Kind fault;
    int count;         // answers spoiled from there on
    std::size_t sent;  // requests of the upload that reach the box
    int repeated;      // the chunk sent a second time, -1 for none
    std::vector<const char*> messages;
};

void PrintTo(const UploadFaultCase& c, std::ostream* os) {
    *os << c.name;
}

class GuiEdidUploadFaultTest : public GuiEdidTest,
                               public ::testing::WithParamInterface<UploadFaultCase> {};

TEST_P(GuiEdidUploadFaultTest, ARetriedChunkCommitsAndAFailedOneLeavesTheTable) {
    const UploadFaultCase& c = GetParam();
    chooseTable("customEDID", 2);
    const EdidImage before = table(3);
    const EdidImage image = sinkEdid(0);
    setEditor(edid::hexText(image));
    resetRecords();
    faultOn(c.request, c.fault, c.count);
    invoke("WriteEDID");
    const std::vector<Bytes> all = uploadRequests(3, image);
    std::vector<Bytes> expectedRequests(all.begin(), all.begin() + static_cast<long>(c.sent));
    if (c.repeated >= 0) {
        expectedRequests.insert(expectedRequests.begin() + c.repeated, all[c.repeated]);
    }
    EXPECT_EQ(box_.requests(), expectedRequests);
    std::vector<QString> expected;
    for (const char* m : c.messages) {
        expected.push_back(QString::fromLatin1(m));
    }
    EXPECT_EQ(messages_, expected);
    // The table changes exactly when the commit reached the box, answered
    // rightly or not.
    const bool committed =
        std::any_of(expectedRequests.begin(), expectedRequests.end(),
                    [](const Bytes& r) { return r.size() > 2 && r[2] == 0xB1; });
    EXPECT_EQ(table(3), committed ? image : before);
    EXPECT_FALSE(barShown());
}

const UploadFaultCase kUploadFaultCases[] = {
    {"ChunkWrongEchoRetried",
     {0x10, 0x08, 0xB0, 3, 40},
     emu::Fault::kWrongEcho,
     1,
     33,
     5,
     {"EDID values written..."}},
    {"ChunkShortAnswerRetried",
     {0x10, 0x08, 0xB0, 3, 0},
     emu::Fault::kShort,
     1,
     33,
     0,
     {"EDID values written..."}},
    // Twice wrong: no commit, the table keeps its content.
    {"ChunkWrongEchoTwice",
     {0x10, 0x08, 0xB0, 3, 40},
     emu::Fault::kWrongEcho,
     2,
     6,
     5,
     {"Error Writing EDID values."}},
    {"CommitWrongEcho",
     {0x10, 0x08, 0xB1, 3},
     emu::Fault::kWrongEcho,
     1,
     33,
     -1,
     {"Error Populating EDID values."}},
    // A box that stops answering costs one time-out and gets no commit.
    {"BoxGoesSilent",
     {0x10, 0x08, 0xB0, 3, 40},
     emu::Fault::kNoAnswer,
     1,
     6,
     -1,
     {"Error Writing EDID values."}},
};

INSTANTIATE_TEST_SUITE_P(Faults, GuiEdidUploadFaultTest, ::testing::ValuesIn(kUploadFaultCases),
                         [](const auto& param) { return std::string(param.param.name); });

// --- Checksums and the hex view

TEST_F(GuiEdidTest, CorrectChecksumsRedrawTheEditorInTheHexViewWithoutAsking) {
    const EdidImage image = sinkEdid(0);
    std::string text = edid::hexText(image);
    std::transform(text.begin(), text.end(), text.begin(), ::tolower);
    setEditor(text);
    invoke("CalculateChkSum");
    EXPECT_TRUE(dialogs_.shown.empty());
    expectHexView(ui().EDIDtext, image);
}

TEST_F(GuiEdidTest, WrongChecksumsAreRepairedOnYes) {
    const EdidImage wrong = broken(sinkEdid(1));
    setEditor(edid::hexText(wrong));
    dialogs_.answers = {QMessageBox::Yes};
    invoke("CalculateChkSum");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Question);
    EXPECT_TRUE(dialogs_.shown[0].title.isEmpty());
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("The EDID Checksum is not correct."));
    EXPECT_EQ(dialogs_.shown[0].informativeText,
              QStringLiteral("Do you want to calculate a new checksum?"));
    EdidImage repaired = wrong;
    edid::repairChecksums(repaired);
    EXPECT_TRUE(edid::checkChecksums(repaired).ok());
    expectHexView(ui().EDIDtext, repaired);
}

TEST_F(GuiEdidTest, WrongChecksumsStayOnNo) {
    const std::string text = edid::hexText(broken(sinkEdid(1)));
    setEditor(text);
    invoke("CalculateChkSum");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(editor(), qtext(text));
}

TEST_F(GuiEdidTest, ChecksumOfTextThatDoesNotParseWarns) {
    setEditor("00 FF\nG1x");
    invoke("CalculateChkSum");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Warning);
    EXPECT_EQ(dialogs_.shown[0].title, kTitle);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Hex Format Error"));
    EXPECT_EQ(editor(), QStringLiteral("00 FF\nG1x"));
}

// --- Files

Bytes countingBytes(std::size_t n, std::uint8_t start = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(start + i);
    }
    return b;
}

EdidImage prefix(const Bytes& bytes) {
    EdidImage image{};
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 256), image.begin());
    return image;
}

std::string textFileLines(const EdidImage& image, const std::string& lineEnd, bool blank) {
    std::string out;
    for (std::size_t i = 0; i < image.size(); ++i) {
        char value[4];
        std::snprintf(value, sizeof value, "%02X", image[i]);
        out += value;
        if (i % 16 != 15 || blank) {
            out += ' ';
        }
        if (i % 16 == 15) {
            out += lineEnd;
        }
    }
    return out;
}

class GuiEdidFileTest : public GuiEdidTest {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    QString write(const char* name, const Bytes& bytes) {
        const QString file = path(name);
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
        return file;
    }
    static Bytes read(const QString& file) {
        QFile in(file);
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        return Bytes(bytes.begin(), bytes.end());
    }

    bool load(const QString& file) {
        dialogs_.fileNames = {file};
        return invokeBool("LoadEDIDfromFile");
    }
    bool save(const QString& file) {
        dialogs_.fileNames = {file};
        return invokeBool("SaveEDIDtoFile");
    }

    QTemporaryDir dir_;
};

struct LoadCase {
    const char* name;
    Bytes file;
    bool raw;           // shown in the hex view
    std::string shown;  // the editor's text
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

std::vector<LoadCase> loadCases() {
    EdidImage image{};
    const Bytes counting = countingBytes(256, 0x00);
    std::copy(counting.begin(), counting.end(), image.begin());
    return {
        {"Raw128WithZerosAfter", countingBytes(128), true,
         edid::hexText(prefix(countingBytes(128)))},
        {"EmptyAsZeros", {}, true, edid::hexText(EdidImage{})},
        {"Raw512ItsFirst256", countingBytes(512), true, edid::hexText(image)},
        {"TextCrLfLines", bytesOf(textFileLines(image, "\r\n", true)), false, edid::hexText(image)},
        {"Text47CharacterLfLinesUnchanged", bytesOf(textFileLines(image, "\n", false)), false,
         textFileLines(image, "\n", false)},
        {"LongTextIts1023Characters", Bytes(3000, 'F'), false, std::string(1023, 'F')},
    };
}

class GuiEdidLoadTest : public GuiEdidFileTest, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(GuiEdidLoadTest, ShowsRawFilesInTheHexViewAndTextFilesInBlueBold) {
    const LoadCase& c = GetParam();
    window_->state().setEdidHexText("old");
    EXPECT_TRUE(load(write("edid.bin", c.file)));

    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::OpenFile);
    EXPECT_EQ(dialogs_.shown[0].title, QStringLiteral("Open file"));
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Binary Files (*.bin);;All files (*.*)"));
    EXPECT_TRUE(dialogs_.shown[0].informativeText.isEmpty());  // no start folder
    EXPECT_EQ(editor(), qtext(c.shown));
    if (c.raw) {
        expectHexView(ui().EDIDtext, prefix(c.file));
    } else {
        for (const int position : {1, 200, static_cast<int>(c.shown.size())}) {
            QTextCursor cursor(ui().EDIDtext->document());
            cursor.setPosition(position);
            EXPECT_EQ(cursor.charFormat().foreground().color(), QColor(0, 0, 255));
            EXPECT_EQ(cursor.charFormat().fontWeight(), QFont::Bold);
            EXPECT_EQ(cursor.charFormat().fontPointSize(), 8);
        }
    }
    EXPECT_EQ(messages_, texts({"File loaded"}));
    EXPECT_TRUE(window_->state().edidHexText().empty());
}

INSTANTIATE_TEST_SUITE_P(Files, GuiEdidLoadTest, ::testing::ValuesIn(loadCases()),
                         [](const auto& param) { return std::string(param.param.name); });

// Another tool's text loads as the bytes it holds; an EDID with two
// extensions loads and decodes whole, and its upload is refused with the
// reason, nothing sent.
TEST_F(GuiEdidFileTest, OtherToolsTextAndLongerEdidsLoadWhole) {
    const EdidImage tv = sinkEdid(0);
    const auto lines = [](const Bytes& bytes, const std::string& indent, const char* between) {
        std::string text;
        for (std::size_t at = 0; at < bytes.size(); at += 16) {
            text += indent;
            for (std::size_t i = at; i < at + 16; ++i) {
                char two[3];
                std::snprintf(two, sizeof two, "%02x", bytes[i]);
                text += (i == at ? "" : between) + std::string(two);
            }
            text += "\n";
        }
        return text;
    };
    const Bytes tvBytes(tv.begin(), tv.end());
    const std::string xrandr = "HDMI-1 connected\n\tEDID: \n" + lines(tvBytes, "\t\t", "") +
                               "\tBroadcast RGB: Automatic\n";
    ASSERT_TRUE(load(write("xrandr.txt", bytesOf(xrandr))));
    EXPECT_EQ(editor(), qtext(edid::hexText(tv)));
    expectHexView(ui().EDIDtext, tv);

    Bytes three = tvBytes;
    three.insert(three.end(), tvBytes.begin() + 128, tvBytes.end());
    three[126] = 2;
    edid::repairBlockChecksums(three);
    ASSERT_TRUE(load(write("three.bin", three)));
    std::string threeText;
    for (std::size_t at = 0; at < three.size(); at += 16) {
        edid::appendHexLine(threeText, std::span(three).subspan(at, 16));
    }
    EXPECT_EQ(editor(), qtext(threeText));
    EXPECT_EQ(ui().txtEdidDecoded->toPlainText(), qtext(edid::describeEdid(three)));
    EXPECT_TRUE(ui().txtEdidDecoded->toPlainText().contains(QStringLiteral("Block 2: CTA-861")));

    chooseTable("customEDID", 2);
    resetRecords();
    invoke("WriteEDID");
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Warning);
    EXPECT_EQ(dialogs_.shown[0].text,
              QStringLiteral("Can't upload the EDID: the EDID has 384 bytes (2 extension blocks); "
                             "the box's tables hold a base block and one extension"));
    EXPECT_TRUE(box_.requests().empty());

    // A cut line of xrandr's text: the place and what was expected; the editor keeps its text.
    std::string cut = xrandr;
    cut.erase(cut.find("\t\t" + lines(Bytes(tvBytes.begin() + 16, tvBytes.begin() + 32), "", "")) + 2, 2);
    resetRecords();
    const QString file = write("cut.txt", bytesOf(cut));
    EXPECT_FALSE(load(file));
    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(dialogs_.shown[1].text, QStringLiteral("Cannot read file ") + file +
                                          QStringLiteral(":\nline 4: expected 32 hex digits, found 30."));
    EXPECT_EQ(editor(), qtext(threeText));
}

TEST_F(GuiEdidFileTest, CancelledLoadChangesNothing) {
    setEditor("kept");
    EXPECT_FALSE(invokeBool("LoadEDIDfromFile"));
    EXPECT_EQ(editor(), QStringLiteral("kept"));
    EXPECT_TRUE(messages_.empty());
}

TEST_F(GuiEdidFileTest, UnreadableFileIsNamedWithTheReason) {
    setEditor("kept");
    const QString missing = path("missing.bin");
    EXPECT_FALSE(load(missing));
    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(dialogs_.shown[1].kind, Shown::Warning);
    EXPECT_EQ(dialogs_.shown[1].title, kTitle);
    EXPECT_TRUE(dialogs_.shown[1].text.startsWith(QStringLiteral("Cannot read file ") + missing +
                                                  QStringLiteral(":\n")));
    EXPECT_TRUE(dialogs_.shown[1].text.endsWith(QStringLiteral(".")));
    EXPECT_GT(dialogs_.shown[1].text.size(), 18 + missing.size() + 2);
    EXPECT_EQ(editor(), QStringLiteral("kept"));
    EXPECT_TRUE(messages_.empty());
}

// Inputs without end are refused at the bound, with the reason, and change nothing.
TEST_F(GuiEdidFileTest, EndlessInputsAreRefusedWithTheReason) {
    const testing_support::EndlessFifo fifo(path("fifo").toStdString());
    for (const QString& input : {QStringLiteral("/dev/zero"), QString::fromStdString(fifo.path())}) {
        setEditor("kept");
        resetRecords();
        EXPECT_FALSE(load(input));
        ASSERT_EQ(dialogs_.shown.size(), 2u);
        EXPECT_EQ(dialogs_.shown[1].text,
                  QStringLiteral("Cannot read file %1:\nit holds more than 1024 KiB, too much for "
                                 "an EDID file.")
                      .arg(input));
        EXPECT_EQ(editor(), QStringLiteral("kept"));
    }
}

TEST_F(GuiEdidFileTest, SaveAfterLoadOfARawFileWritesItsFirst256Bytes) {
    // Two EDIDs in one file: only the first is kept.
    const EdidImage first = sinkEdid(0);
    const EdidImage second = sinkEdid(1);
    Bytes original(first.begin(), first.end());
    original.insert(original.end(), second.begin(), second.end());
    ASSERT_TRUE(load(write("in.bin", original)));
    resetRecords();
    const QString out = path("out.bin");
    EXPECT_TRUE(save(out));

    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::SaveFile);
    EXPECT_EQ(dialogs_.shown[0].title, QStringLiteral("Save File"));
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Binary file (*.bin)"));
    EXPECT_EQ(dialogs_.shown[0].informativeText, QStringLiteral("VORTILAN2_edid0.bin"));
    EXPECT_EQ(read(out), Bytes(original.begin(), original.begin() + 256));
    EXPECT_EQ(messages_, texts({"Saving file...", "File saved"}));
}

TEST_F(GuiEdidFileTest, TextFileSavesAsItsRawBytesAndLoadsBack) {
    const EdidImage image = sinkEdid(0);
    ASSERT_TRUE(load(write("in.txt", bytesOf(textFileLines(image, "\r\n", true)))));
    const QString out = path("out.bin");
    ASSERT_TRUE(save(out));
    EXPECT_EQ(read(out), Bytes(image.begin(), image.end()));
    setEditor("");
    ASSERT_TRUE(load(out));
    expectHexView(ui().EDIDtext, image);
}

TEST_F(GuiEdidFileTest, SaveNeverAsksAboutChecksums) {
    const EdidImage wrong = broken(sinkEdid(0));
    setEditor(edid::hexText(wrong));
    const QString out = path("wrong.bin");
    EXPECT_TRUE(save(out));
    EXPECT_EQ(read(out), Bytes(wrong.begin(), wrong.end()));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::SaveFile);
}

TEST_F(GuiEdidFileTest, SaveOfTextThatDoesNotParseAsksForNoFile) {
    setEditor("00-FF");
    dialogs_.fileNames = {path("never.bin")};
    EXPECT_FALSE(invokeBool("SaveEDIDtoFile"));
    ASSERT_EQ(dialogs_.shown.size(), 1u);
    EXPECT_EQ(dialogs_.shown[0].kind, Shown::Warning);
    EXPECT_EQ(dialogs_.shown[0].text, QStringLiteral("Hex Format Error"));
    EXPECT_FALSE(QFile::exists(path("never.bin")));
}

TEST_F(GuiEdidFileTest, CancelledSaveWritesNothing) {
    setEditor(edid::hexText(sinkEdid(0)));
    EXPECT_FALSE(invokeBool("SaveEDIDtoFile"));
    EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files).isEmpty());
    EXPECT_TRUE(messages_.empty());
}

// A write that the system cuts short (a file size limit, which holds for
// root as well) leaves the old file whole and is reported, not "saved".
TEST_F(GuiEdidFileTest, FailedSaveLeavesTheOldFileAndSaysWhy) {
    const Bytes old(300, 0x42);
    const QString file = write("keep.bin", old);
    setEditor(edid::hexText(sinkEdid(0)));

    rlimit kept{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &kept), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = kept;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = save(file);
    setrlimit(RLIMIT_FSIZE, &kept);
    signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(read(file), old);
    ASSERT_EQ(dialogs_.shown.size(), 2u);
    EXPECT_EQ(dialogs_.shown[1].kind, Shown::Warning);
    EXPECT_EQ(dialogs_.shown[1].title, kTitle);
    EXPECT_EQ(dialogs_.shown[1].text,
              QStringLiteral("Cannot write file ") + file + QStringLiteral(":\nFile too large."));
    EXPECT_EQ(std::count(messages_.begin(), messages_.end(), QStringLiteral("File saved")), 0);
}

// --- edidHexText

TEST_F(GuiEdidTest, FileChecksumAndUploadSlotsClearTheTextOfTheLastRead) {
    for (const char* slot :
         {"LoadEDIDfromFile", "SaveEDIDtoFile", "CalculateChkSum", "WriteEDID"}) {
        ASSERT_TRUE(window_->readEdidFromBox(EdidSource::Tx0, false));
        ASSERT_EQ(window_->state().edidHexText().size(), 768u);
        setEditor("00-FF");  // no slot gets further than its first check
        invoke(slot);
        EXPECT_TRUE(window_->state().edidHexText().empty()) << slot;
    }
}

// --- The buttons: each slot answers its own signal only.

struct ButtonCase {
    const char* button;
    const char* signal;
    std::function<void(GuiEdidTest&)> prepare;
    std::function<bool(GuiEdidTest&)> ran;  // the slot's first effect
};

bool requested(gui_test::EmulatedBox& box, const Bytes& request) {
    const auto all = box.requests();
    return std::find(all.begin(), all.end(), request) != all.end();
}

TEST_F(GuiEdidTest, EachButtonRunsItsSlotOnItsOwnSignal) {
    const auto fetched = [](std::uint8_t command) {
        return [command](GuiEdidTest& t) { return requested(t.box_, fetch(command)); };
    };
    const auto dialog = [](Shown::Kind kind) {
        return [kind](GuiEdidTest& t) {
            return std::any_of(t.dialogs_.shown.begin(), t.dialogs_.shown.end(),
                               [kind](const Shown& s) { return s.kind == kind; });
        };
    };
    const auto validText = [](GuiEdidTest& t) { t.setEditor(edid::hexText(t.sinkEdid(0))); };
    const auto wrongText = [](GuiEdidTest& t) {
        t.setEditor(edid::hexText(broken(t.sinkEdid(0))));
    };
    const auto nothing = [](GuiEdidTest&) {};
    const ButtonCase cases[] = {
        {"pbReadTvEdidA", "pressed", nothing, fetched(0xB5)},
        {"pbReadTvEdidB", "pressed", nothing, fetched(0xB6)},
        {"pbReadRxBotEdid", "clicked", nothing, fetched(0xB7)},
        {"pbReadRxTopEdid", "clicked", nothing, fetched(0xB8)},
        {"pbReadCurrentEdid", "clicked", nothing, fetched(0xB4)},
        {"ButWriteEDID", "pressed", nothing, dialog(Shown::Warning)},  // automix: refused
        {"ButLoadEDID", "released", nothing, dialog(Shown::OpenFile)},
        {"ButSaveEDID", "released", validText, dialog(Shown::SaveFile)},
        {"pbEdidChecksum", "clicked", wrongText, dialog(Shown::Question)},
    };
    ui().automixEDID->setChecked(true);
    for (const ButtonCase& c : cases) {
        auto* button = window_->findChild<QAbstractButton*>(QString::fromLatin1(c.button));
        ASSERT_NE(button, nullptr) << c.button;
        for (const char* signal : {"pressed", "released", "clicked"}) {
            c.prepare(*this);
            resetRecords();
            ASSERT_TRUE(QMetaObject::invokeMethod(button, signal)) << c.button << " " << signal;
            EXPECT_EQ(c.ran(*this), std::string(signal) == c.signal) << c.button << " " << signal;
        }
    }
}

// --- The decoded view

QString decodeOf(const EdidImage& image) {
    return qtext(edid::describeEdid(std::span<const std::uint8_t>(image)));
}

TEST_F(GuiEdidTest, DecodedViewShowsTheDecodeOfWhatTheEditorHoldsAndFollowsEdits) {
    invoke("readTvEdidA");
    const EdidImage tv = sinkEdid(0);
    const QString decoded = ui().txtEdidDecoded->toPlainText();
    EXPECT_EQ(decoded, decodeOf(tv));
    EXPECT_TRUE(decoded.contains(qtext(emu::monitorName(tv)))) << emu::monitorName(tv);

    // Byte 20, the fifth value of the second line, changed by hand.
    EdidImage changed = tv;
    changed[20] ^= 0x5A;
    QTextCursor cursor(ui().EDIDtext->document());
    cursor.setPosition(48 + 4 * 3);
    cursor.setPosition(48 + 4 * 3 + 2, QTextCursor::KeepAnchor);
    cursor.insertText(QStringLiteral("%1").arg(changed[20], 2, 16, QLatin1Char('0')));
    EXPECT_EQ(ui().txtEdidDecoded->toPlainText(), decodeOf(changed));
    EXPECT_NE(ui().txtEdidDecoded->toPlainText(), decoded);
}

TEST_F(GuiEdidTest, DecodedViewSaysWhyTheTextCannotBeDecoded) {
    const std::pair<std::string, const char*> cases[] = {
        {"00 FF\n11 22\n33x44", "Can't decode: hex format error at line 3, column 1"},
        {"00 FF FF", "Can't decode: 3 values, an EDID has at least 128"},
        {"00", "Can't decode: 1 value, an EDID has at least 128"},
        {edid::hexText(EdidImage{}) + "00",
         "Can't decode: more than 256 values, the first extra one at line 17, column 1"},
        {"", ""},
    };
    for (const auto& [text, shown] : cases) {
        setEditor(text);
        EXPECT_EQ(ui().txtEdidDecoded->toPlainText(), QString::fromLatin1(shown)) << text;
    }
}

// --- A user's round: read the TV's EDID, break a byte, repair the checksum,
// upload it into table 3, present table 3 on input port 0, save, load back.

TEST_F(GuiEdidFileTest, ReadBreakRepairUploadPresentSaveAndLoad) {
    ui().pbReadTvEdidA->click();
    const EdidImage tv = sinkEdid(0);
    ASSERT_EQ(editor(), qtext(edid::hexText(tv)));

    QString text = editor();
    text.replace(20 / 16 * 48 + 20 % 16 * 3, 2, QStringLiteral("5A"));  // byte 20
    ui().EDIDtext->setPlainText(text);
    dialogs_.answers = {QMessageBox::Yes};
    ui().pbEdidChecksum->click();
    EdidImage repaired{};
    ASSERT_TRUE(edid::parseEdidText(editor().toStdString(), repaired).ok());
    EXPECT_EQ(repaired[20], 0x5A);
    EXPECT_TRUE(edid::checkChecksums(repaired).ok());

    ui().customEDID->click();
    ui().cmBEdid->setCurrentIndex(2);
    ui().cmbEdidTop->setCurrentIndex(0);
    ui().ButWriteEDID->click();
    EXPECT_EQ(table(3), repaired);

    setEditor("");
    ui().pbReadRxBotEdid->click();
    EXPECT_EQ(editor(), qtext(edid::hexText(repaired)));

    const QString file = path("VORTILAN2_edid0.bin");
    dialogs_.fileNames = {file};
    ui().ButSaveEDID->click();
    setEditor("");
    dialogs_.fileNames = {file};
    ui().ButLoadEDID->click();
    expectHexView(ui().EDIDtext, repaired);
    EXPECT_EQ(ui().txtEdidDecoded->toPlainText(), decodeOf(repaired));
}

}  // namespace
