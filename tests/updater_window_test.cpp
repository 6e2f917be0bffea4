// The updater's window, headless: its lines, menus and About box, and whole
// runs started from its menu against the emulated box, with the worker's
// message boxes answered through the dialog seam.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>

#include "tests/updater/UpdaterTestSupport.h"
#include "updater/Dialogs.h"
#include "updater/ImageFile.h"
#include "updater/Lines.h"
#include "updater/UpdaterWindow.h"

namespace {

using updater::MessageIcon;
using updater::padded;
using updater::UpdaterWindow;
using updater_test::Bytes;
using updater_test::Message;

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "updater_window_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QApplication> app_;
};

const auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

class TestDialogs final : public updater::Dialogs {
public:
    void messageBox(const QString& text, const QString& caption, MessageIcon icon) override {
        messages.push_back({text.toStdString(), caption.toStdString(), icon});
        if (onMessage) {
            onMessage(messages.back());
        }
    }
    void about(QWidget* owner) override { aboutOwners.push_back(owner); }

    std::vector<Message> messages;
    std::vector<QWidget*> aboutOwners;
    std::function<void(const Message&)> onMessage;
};

using Lines = std::vector<std::pair<int, QString>>;

Lines linesOf(const UpdaterWindow& window) {
    Lines lines;
    for (const auto& line : window.lines()) {
        lines.emplace_back(line.y, line.text);
    }
    return lines;
}

const Lines kStartLines{
    {10, "VORTILAN2 FPGA UPDATE"},
    {30, "Version: 2.45-1013"},
    {80, "Connect USB cable to VORTILAN2"},
    {100, "Close other software (e.g. GUI)"},
};

class UpdaterWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<UpdaterWindow>(
            library, clock, std::vector<std::filesystem::path>{dir.path()}, dialogs);
        window->show();
    }

    // Runs the event loop until done() holds; fails after a generous guard.
    void spinUntil(const std::function<bool()>& done) {
        QElapsedTimer guard;
        guard.start();
        while (!done()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            ASSERT_LT(guard.elapsed(), 30000) << "the run did not end";
        }
    }
    void runToEnd() {
        window->updateAction()->trigger();
        spinUntil([&] { return !window->runInProgress(); });
        QCoreApplication::processEvents();
    }
    std::size_t sent(const std::string& token) const {
        const auto e = trace.events();
        return static_cast<std::size_t>(std::count(e.begin(), e.end(), token));
    }

    updater_test::Trace trace;
    updater_test::EmulatedBox box;
    updater_test::RecordingLibrary library{box.library(), trace};
    updater_test::TracingClock clock{trace};
    updater_test::TempDir dir;
    TestDialogs dialogs;
    std::unique_ptr<UpdaterWindow> window;
};

TEST_F(UpdaterWindowTest, StartsWithItsTitleSizeAndTheFourStartLines) {
    EXPECT_EQ(window->windowTitle(), "VORTILAN2 FPGA Update");
    EXPECT_EQ(window->size(), QSize(300, 200));
    EXPECT_EQ(linesOf(*window), kStartLines);
}

TEST_F(UpdaterWindowTest, MenusCarryTheirCommands) {
    std::vector<std::pair<QString, QStringList>> menus;
    for (QAction* top : window->menuBar()->actions()) {
        QStringList items;
        for (QAction* item : top->menu()->actions()) {
            items << item->text();
        }
        menus.emplace_back(top->text(), items);
    }
    EXPECT_EQ(menus, (std::vector<std::pair<QString, QStringList>>{
                         {"&Update", {"U&pdate Firmware", "E&xit"}}, {"&Help", {"&About ..."}}}));
}

TEST_F(UpdaterWindowTest, AltQuestionMarkAltSlashAndTheMenuOpenTheAboutBox) {
    QApplication::setActiveWindow(window.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Question, Qt::AltModifier);
    QTest::keyClick(window.get(), Qt::Key_Slash, Qt::AltModifier);
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);  // no accelerator
    window->aboutAction()->trigger();
    EXPECT_EQ(dialogs.aboutOwners, (std::vector<QWidget*>(3, window.get())));
}

TEST(UpdaterAboutDialog, ShowsItsTwoLinesAndClosesWithOkOrEscape) {
    updater::AboutDialog dialog;
    EXPECT_EQ(dialog.windowTitle(), "VORTILAN2 FPGA Update");
    QStringList texts;
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
        texts << label->text();
    }
    EXPECT_EQ(texts, (QStringList{"VORTILAN2 FPGA UPDATE", "Loader Version 1.0_120_xp"}));
    EXPECT_EQ(dialog.okButton()->text(), "OK");
    EXPECT_TRUE(dialog.okButton()->isDefault());

    dialog.open();
    QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    dialog.open();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(UpdaterWindowTest, AMissingMainFileIsReportedAndTheWindowStaysUsable) {
    runToEnd();
    EXPECT_EQ(dialogs.messages,
              (std::vector<Message>{{"Input file VORTILAN2-FPGA-2.45-1013.bin not found",
                                     "File missing", MessageIcon::Warning}}));
    EXPECT_EQ(linesOf(*window), kStartLines);
    EXPECT_EQ(library.calls(), 0);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->updateAction()->isEnabled());

    dir.writeImage(updater::kPartFiles[0], "1A65", updater_test::pattern(64, 1));
    runToEnd();
    spinUntil([&] { return !window->isVisible(); });
    EXPECT_EQ(window->exitStatus(), 0);
}

TEST_F(UpdaterWindowTest, ASuccessfulRunDrawsTheFinalLinesAndClosesTheWindow) {
    dir.writeImage(updater::kPartFiles[0], "1A65", updater_test::pattern(100, 2));
    bool checkedDuringRun = false;
    dialogs.onMessage = [&](const Message& m) {
        if (m.text != "FLASH update ok ") {
            return;
        }
        // The run is still in progress while its last box is open.
        EXPECT_TRUE(window->runInProgress());
        EXPECT_FALSE(window->updateAction()->isEnabled());
        window->startUpdate();
        window->exitAction()->trigger();
        window->close();
        EXPECT_TRUE(window->isVisible());
        checkedDuringRun = true;
    };

    runToEnd();
    spinUntil([&] { return !window->isVisible(); });

    EXPECT_TRUE(checkedDuringRun);
    const Message refused{
        "An update is in progress. Closing the window now could leave the VORTILAN2 unable to "
        "start; please wait until the update has ended.",
        "VORTILAN2 FPGA Update", MessageIcon::Warning};
    EXPECT_EQ(dialogs.messages,
              (std::vector<Message>{
                  {"FLASH update ok ", " ", MessageIcon::Information}, refused, refused}));
    EXPECT_EQ(sent("DB"), 1u);
    EXPECT_EQ(window->exitStatus(), 0);
    EXPECT_EQ(window->lineAt(10), QString::fromStdString(padded("FLASH update ok", 42)));
    EXPECT_EQ(window->lineAt(30), QString(42, ' '));
    EXPECT_EQ(window->lineAt(60), QString::fromStdString(padded("Power cycle VORTILAN2", 33)));
    EXPECT_EQ(window->lineAt(80),
              QString::fromStdString(padded("After power up, wait around 15 seconds", 42)));
    EXPECT_EQ(window->lineAt(100),
              QString::fromStdString(padded("VORTILAN2 will reconfigure and start", 39)));
}

TEST_F(UpdaterWindowTest, AFatalErrorClosesTheWindowWithExitStatusOne) {
    dir.writeImage(updater::kPartFiles[0], "1A60", updater_test::pattern(100, 3));
    ASSERT_EQ(box.flash("fail-chunks 2"), "ok");
    runToEnd();
    spinUntil([&] { return !window->isVisible(); });
    EXPECT_EQ(window->exitStatus(), 1);
    EXPECT_EQ(window->lineAt(10), QString::fromStdString(padded("Chip Write error", 36)));
    EXPECT_EQ(
        dialogs.messages,
        (std::vector<Message>{{"Flash Write ERROR!", "Critical Error!!! ", MessageIcon::Warning},
                              {" ", "Critical Error!!! ", MessageIcon::Warning}}));
}

TEST_F(UpdaterWindowTest, ExitClosesAnIdleWindow) {
    window->exitAction()->trigger();
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(window->exitStatus(), 0);
    EXPECT_TRUE(dialogs.messages.empty());
}

// Whether any pixel in the rectangle differs from the background.
bool inked(const QImage& image, const QRect& area) {
    const QRgb background = image.pixel(image.width() - 1, image.height() - 1);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) != background) {
                return true;
            }
        }
    }
    return false;
}

// The bands of scanlines with ink, top to bottom: one per line of text on
// show when no line is drawn over another.
int inkedBands(const QImage& image) {
    const QRect row(0, 0, image.width(), 1);
    int bands = 0;
    bool inBand = false;
    for (int y = 0; y < image.height(); ++y) {
        const bool ink = inked(image, row.translated(0, y));
        bands += ink && !inBand ? 1 : 0;
        inBand = ink;
    }
    return bands;
}

// Checks that every line on show is drawn whole where the window puts its row:
// the pixels there are those of the line's text drawn alone.
void expectEveryLineWhole(const UpdaterWindow& window, const QImage& grabbed) {
    const QWidget& view = *window.centralWidget();
    const QFontMetrics metrics(view.font());
    const int spacing = metrics.lineSpacing();
    const QImage image = grabbed.convertToFormat(QImage::Format_RGB32);
    for (const auto& line : window.lines()) {
        SCOPED_TRACE("row " + std::to_string(line.y) + " \"" + line.text.toStdString() + "\"");
        QImage alone(image.width(), spacing, QImage::Format_RGB32);
        alone.fill(view.palette().window().color());
        {
            QPainter painter(&alone);
            painter.setFont(view.font());
            painter.setPen(view.palette().windowText().color());
            painter.drawText(10, metrics.ascent(), line.text);
        }
        const int top = updater::drawnTop(line.y, spacing);
        ASSERT_LE(top + spacing, image.height());
        EXPECT_TRUE(image.copy(0, top, image.width(), spacing) == alone);
    }
}

class FivePartWindowTest : public UpdaterWindowTest {
protected:
    void SetUp() override {
        UpdaterWindowTest::SetUp();
        const char* ids[] = {"1A70", "1A60", "1A65", "1A60", "1A65"};
        for (std::size_t part = 0; part < updater::kPartFiles.size(); ++part) {
            dir.writeImage(updater::kPartFiles[part], ids[part],
                           updater_test::pattern(64, static_cast<std::uint32_t>(part)));
        }
    }
};

TEST_F(FivePartWindowTest, ThePartLineIsDrawnUnderTheWarningNotOverIt) {
    ASSERT_EQ(box.flash("fail-chunks 2 after 2"), "ok");  // part 2's first chunk, twice
    bool checked = false;
    dialogs.onMessage = [&](const Message& m) {
        if (m.text != "Flash Write ERROR!") {
            return;
        }
        EXPECT_EQ(window->lineAt(30), QString::fromStdString(padded("Do NOT turn power OFF", 39)));
        EXPECT_EQ(window->lineAt(40), QString::fromStdString(padded("Writing part 2 ...", 32)));
        const QImage image = window->centralWidget()->grab().toImage();
        expectEveryLineWhole(*window, image);
        // The status row, the warning, the part line and the start lines at 80 and 100.
        EXPECT_EQ(inkedBands(image), 5);
        checked = true;
    };
    runToEnd();
    spinUntil([&] { return !window->isVisible(); });
    EXPECT_TRUE(checked);
    EXPECT_EQ(window->exitStatus(), 1);
}

TEST_F(FivePartWindowTest, AtTheEndNoPartLineIsLeftBetweenTheFinalLines) {
    bool checked = false;
    dialogs.onMessage = [&](const Message& m) {
        if (m.text != "FLASH update ok ") {
            return;
        }
        EXPECT_TRUE(window->lineAt(30).trimmed().isEmpty());
        EXPECT_TRUE(window->lineAt(40).trimmed().isEmpty());
        const QImage image = window->centralWidget()->grab().toImage();
        expectEveryLineWhole(*window, image);
        // "FLASH update ok" and the three lines at 60, 80 and 100.
        EXPECT_EQ(inkedBands(image), 4);
        checked = true;
    };
    runToEnd();
    spinUntil([&] { return !window->isVisible(); });
    EXPECT_TRUE(checked);
    EXPECT_EQ(window->exitStatus(), 0);
}

TEST_F(UpdaterWindowTest, LinesAreKeptAndRepaintedAfterMinimising) {
    window->showMinimized();
    window->showNormal();
    QCoreApplication::processEvents();
    EXPECT_EQ(linesOf(*window), kStartLines);

    const QImage image = window->centralWidget()->grab().toImage();
    const int right = image.width() - 1;
    EXPECT_TRUE(inked(image, QRect(QPoint(10, 10), QPoint(right, 24))));
    EXPECT_TRUE(inked(image, QRect(QPoint(10, 100), QPoint(right, 114))));
    EXPECT_FALSE(inked(image, QRect(QPoint(0, 0), QPoint(7, image.height() - 1))));
    EXPECT_FALSE(inked(image, QRect(QPoint(0, 130), QPoint(right, image.height() - 1))));
}

}  // namespace
