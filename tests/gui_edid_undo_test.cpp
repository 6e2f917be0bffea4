// Undo and redo of the EDID editor against the emulated box: typing, reads,
// file loads and the checksum repair are steps; undoing one brings back the
// text, its formats and the decoded view and diagram that follow it; the
// Edit menu and the keys Ctrl+Z and Ctrl+Shift+Z act on the same steps.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <functional>

#include "edid/Decode.h"
#include "edid/Image.h"
#include "edid/Parse.h"
#include "emulator/Box.h"
#include "qt/ChromaticityDiagram.h"
#include "qt/EdidUndo.h"
#include "qt/MainWindow.h"
#include "tests/gui/EdidWindowFixture.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using edid::EdidImage;
using gui_test::latin1;

class GuiEdidUndoTest : public gui_test::EdidWindowTest {
public:
    void SetUp() override {
        EdidWindowTest::SetUp();
        startText_ = editor();
    }

    EdidImage shown() {
        EdidImage image{};
        EXPECT_TRUE(edid::parseEdidText(editor().toStdString(), image).ok());
        return image;
    }

    // Replaces the two digits of value i by typing them, as a user would.
    void typeValue(std::size_t i, const char* digits) {
        QTextCursor cursor(ui().EDIDtext->document());
        const int at = static_cast<int>(i / 16 * 48 + i % 16 * 3);
        cursor.setPosition(at);
        cursor.setPosition(at + 2, QTextCursor::KeepAnchor);
        ui().EDIDtext->setTextCursor(cursor);
        QTest::keyClicks(ui().EDIDtext, QString::fromLatin1(digits));
    }
    void undoKey() { QTest::keyClick(ui().EDIDtext, Qt::Key_Z, Qt::ControlModifier); }
    void redoKey() {
        QTest::keyClick(ui().EDIDtext, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    }

    // The editor shows image, as a read shows it (all normal weight) or in
    // the hex view (checksums bold), and the decoded view and the diagram
    // follow it.
    void expectShown(const EdidImage& image, bool hexView) {
        EXPECT_EQ(editor(), latin1(edid::hexText(image)));
        expectChecksumWeights({20, 127, 255}, hexView);
        EXPECT_EQ(ui().txtEdidDecoded->toPlainText(),
                  latin1(edid::describeEdid(std::span<const std::uint8_t>(image))));
        const edid::BaseBlock base = edid::decodeEdid(image).base;
        ASSERT_TRUE(ui().chartEdid->colourPoints().red.has_value());
        EXPECT_EQ(ui().chartEdid->colourPoints().red->x, base.red.x);
    }

    QString startText_;
};

TEST_F(GuiEdidUndoTest, StartUpReadIsWhereUndoingEnds) {
    EXPECT_FALSE(startText_.isEmpty());
    EXPECT_EQ(stack().count(), 0);
    EXPECT_FALSE(ui().actionUndo->isEnabled());
    EXPECT_FALSE(ui().actionRedo->isEnabled());
    undoKey();
    EXPECT_EQ(editor(), startText_);
}

// A user's round: read the TV's EDID, change a byte by typing, repair the
// checksums, load a file; then go back step by step and forward again.
TEST_F(GuiEdidUndoTest, ReadTypeRepairLoadThenUndoAndRedoEachStep) {
    // From an empty editor: the start-up may already show the TV's EDID.
    ui().EDIDtext->clear();
    window_->edidUndo().reset();
    startText_.clear();
    const EdidImage tv = sinkEdid(0);
    ui().pbReadTvEdidA->click();
    expectShown(tv, false);

    typeValue(20, "5A");  // two keystrokes, one step
    EdidImage typed = tv;
    typed[20] = 0x5A;
    EXPECT_EQ(shown(), typed);

    dialogs_.answers = {QMessageBox::Yes};
    ui().pbEdidChecksum->click();
    EdidImage repaired = typed;
    edid::repairChecksums(repaired);
    expectShown(repaired, true);

    const EdidImage other = sinkEdid(1);
    dialogs_.fileNames = {loadable(other)};
    ui().ButLoadEDID->click();
    expectShown(other, true);

    EXPECT_EQ(stack().count(), 4);
    EXPECT_EQ(ui().actionUndo->text(), QStringLiteral("Undo Load from File"));

    undoKey();
    expectShown(repaired, true);
    undoKey();
    EXPECT_EQ(shown(), typed);
    EXPECT_EQ(ui().actionUndo->text(), QStringLiteral("Undo Typing"));
    EXPECT_EQ(ui().actionRedo->text(), QStringLiteral("Redo Fix Checksums"));
    undoKey();
    expectShown(tv, false);
    undoKey();
    EXPECT_EQ(editor(), startText_);
    EXPECT_FALSE(ui().actionUndo->isEnabled());

    redoKey();
    expectShown(tv, false);
    redoKey();
    EXPECT_EQ(shown(), typed);
    redoKey();
    expectShown(repaired, true);

    // A new change drops the steps that were undone.
    undoKey();
    typeValue(21, "11");
    EXPECT_FALSE(ui().actionRedo->isEnabled());
    EXPECT_EQ(stack().count(), 3);
}

TEST_F(GuiEdidUndoTest, EditMenuSitsBetweenFileAndConfigAndActsOnTheSameSteps) {
    const QList<QAction*> menus = ui().menubar->actions();
    ASSERT_GE(menus.size(), 2);
    EXPECT_EQ(menus[1]->menu(), ui().menuEdit);
    EXPECT_EQ(ui().menuEdit->actions(), (QList<QAction*>{ui().actionUndo, ui().actionRedo}));
    EXPECT_EQ(ui().actionUndo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Z")));
    EXPECT_EQ(ui().actionRedo->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+Z")));

    ui().pbReadTvEdidB->click();
    const QString read = editor();
    EXPECT_EQ(ui().actionUndo->text(), QStringLiteral("Undo Read TX1 EDID"));
    ui().actionUndo->trigger();
    EXPECT_EQ(editor(), startText_);
    EXPECT_EQ(ui().actionRedo->text(), QStringLiteral("Redo Read TX1 EDID"));
    ui().actionRedo->trigger();
    EXPECT_EQ(editor(), read);
}

// What makes a step, and what does not.
TEST_F(GuiEdidUndoTest, OnlyChangesOfTheTextAreSteps) {
    struct Case {
        const char* name;
        std::function<void(GuiEdidUndoTest&)> act;
        int steps;
        bool startWithTheTvEdid = true;
    };
    const Case cases[] = {
        {"ReadingTheSameEdidTwice",
         [](GuiEdidUndoTest& t) {
             t.ui().pbReadTvEdidB->click();
             t.ui().pbReadTvEdidB->click();
         },
         1},
        {"TypingInOneRunMergesAndTypingItBackIsNothing",
         [](GuiEdidUndoTest& t) {
             QTextCursor cursor = t.ui().EDIDtext->textCursor();
             cursor.movePosition(QTextCursor::End);
             t.ui().EDIDtext->setTextCursor(cursor);
             QTest::keyClicks(t.ui().EDIDtext, QStringLiteral("12"));
             QTest::keyClick(t.ui().EDIDtext, Qt::Key_Backspace);
             QTest::keyClick(t.ui().EDIDtext, Qt::Key_Backspace);
         },
         0,
         false},
        {"TypingRunsSplitByAnotherStep",
         [](GuiEdidUndoTest& t) {
             t.typeValue(20, "5A");
             t.dialogs_.answers = {QMessageBox::Yes};
             t.ui().pbEdidChecksum->click();
             t.typeValue(21, "11");
         },
         3},
        {"ChecksumsLeftAsTheyWere",
         [](GuiEdidUndoTest& t) {
             t.typeValue(20, "5A");
             t.dialogs_.answers = {QMessageBox::No};
             t.ui().pbEdidChecksum->click();
         },
         1},
        {"CancelledLoad", [](GuiEdidUndoTest& t) { t.ui().ButLoadEDID->click(); }, 0, false},
        {"FailedRead",
         [](GuiEdidUndoTest& t) {
             t.box_.server().addFault({emu::Fault::kNoAnswer, 100, 0});
             t.ui().pbReadTvEdidB->click();
             t.box_.server().command("fault clear");
         },
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ui().EDIDtext->setPlainText(c.startWithTheTvEdid ? latin1(edid::hexText(sinkEdid(0)))
                                                         : QString());
        window_->edidUndo().reset();
        c.act(*this);
        EXPECT_EQ(stack().count(), c.steps);
    }
}

}  // namespace
