// The EDIT view of the EDID DATA tab against the emulated box: a user's round
// through it (read, remove blocks and VICs, add a timing, undo, redo,
// upload), the refusal of an edit that does not fit, and the HEX, DECODED and
// EDIT views following each other whatever changed the EDID.
#include <gtest/gtest.h>

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>
#include <functional>

#include "edid/Decode.h"
#include "edid/EditTree.h"
#include "edid/Image.h"
#include "edid/Model.h"
#include "edid/ModelEdits.h"
#include "edid/Parse.h"
#include "emulator/Box.h"
#include "qt/EdidEditView.h"
#include "qt/EdidUndo.h"
#include "qt/MainWindow.h"
#include "tests/gui/EdidWindowFixture.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using edid::EdidImage;
using edid::EdidModel;

EdidImage imageOf(const Bytes& bytes) {
    EdidImage image{};
    std::copy_n(bytes.begin(), std::min(bytes.size(), image.size()), image.begin());
    return image;
}

EdidModel modelOf(const EdidImage& image) {
    auto parsed = edid::parseModel(image);
    EXPECT_TRUE(parsed.model.has_value()) << parsed.error;
    return parsed.model ? *parsed.model : EdidModel{};
}

using gui_test::latin1;

class GuiEdidEditTest : public gui_test::EdidWindowTest {
public:
    void SetUp() override {
        EdidWindowTest::SetUp();
        window_->show();
        ui().tabWidget->setCurrentWidget(ui().tab);
        ui().tabEdidView->setCurrentWidget(&view());
    }

    gui::EdidEditView& view() { return window_->edidEditView(); }

    QTreeWidgetItem* item(const QStringList& path) {
        QTreeWidgetItem* found = view().findItem(path);
        EXPECT_NE(found, nullptr) << path.join(QLatin1Char('/')).toStdString();
        return found;
    }
    // Selects the item of path and runs one of the view's actions on it.
    void act(const QStringList& path, QAction* action) {
        QTreeWidgetItem* at = item(path);
        ASSERT_NE(at, nullptr);
        view().tree()->setCurrentItem(at);
        ASSERT_TRUE(action->isEnabled()) << action->text().toStdString();
        action->trigger();
    }

    // All three views show bytes: HEX as text with each block's checksum in
    // bold, DECODED as its text, EDIT as its model.
    void expectViews(const Bytes& bytes, bool hexView = true) {
        const EdidImage image = imageOf(bytes);
        EXPECT_EQ(editor(), latin1(edid::hexText(image)));
        if (hexView) {
            expectChecksumWeights({126, 127, 255}, true);
        }
        EXPECT_EQ(ui().txtEdidDecoded->toPlainText(),
                  latin1(edid::describeEdid(std::span<const std::uint8_t>(image))));
        view().tree();
        ASSERT_TRUE(view().model().has_value());
        EXPECT_EQ(edid::encodeModel(*view().model()), edid::encodeModel(modelOf(image)));
    }

    void readTv() {
        ui().pbReadTvEdidA->click();
        tv_ = modelOf(sinkEdid(0));
        expectViews(edid::encodeModel(tv_), false);
    }

    // The first VIC of the TV's video block.
    int firstVic() {
        const auto svds = edid::svdBytes(*tv_.cta);
        return svds.empty() ? 0 : svds.front() & 0x7F;
    }


    EdidModel tv_;
};

const edid::TimingRequest kQhd120{2560, 1440, 120, edid::TimingMethod::CvtReduced, 0};

// The round of the issue: each edit shows in all three views at once, is one
// undo step, and the table the box holds after the upload is exactly the
// model's bytes.
TEST_F(GuiEdidEditTest, UsersRoundReadRemoveAddUndoRedoUpload) {
    readTv();
    ASSERT_TRUE(tv_.cta.has_value());
    const int vic = firstVic();
    ASSERT_NE(vic, 0);
    ASSERT_NE(item({"Extension", "Data blocks", "Dolby Vision"}), nullptr);

    struct Step {
        const char* name;
        std::function<void()> act;  // through the view
        std::function<edid::EditResult(EdidModel&)> edit;  // the same on the model
    };
    const edid::DetailedTiming qhd = *edid::generateTiming(kQhd120).timing;
    const std::vector<Step> steps = {
        {"remove Dolby Vision",
         [&] { act({"Extension", "Data blocks", "Dolby Vision"}, view().removeAction()); },
         [](EdidModel& m) {
             return edid::removeBlocks(m, {edid::BlockKind::DolbyVision, 0});
         }},
        {"remove a VIC",
         [&] {
             act({"Extension", "Data blocks", "Video", QStringLiteral("VIC %1:").arg(vic)},
                 view().removeAction());
         },
         [&](EdidModel& m) { return edid::removeVic(m, vic); }},
        {"add 2560x1440@120 CVT-RB",
         [&] {
             dialogs_.timings = {kQhd120};
             act({"Extension", "Detailed timings"}, view().addAction());
         },
         [&](EdidModel& m) { return edid::addDetailedTiming(m, qhd); }},
    };
    const int before = stack().count();
    std::vector<Bytes> states = {edid::encodeModel(tv_)};
    EdidModel expected = tv_;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        ASSERT_TRUE(step.edit(expected).ok());
        step.act();
        states.push_back(edid::encodeModel(expected));
        expectViews(states.back());
    }
    EXPECT_EQ(stack().count(), before + static_cast<int>(steps.size()));  // one step per edit
    EXPECT_EQ(ui().actionUndo->text(), QStringLiteral("Undo Add Timing 2560x1440p120"));
    EXPECT_NE(ui().txtEdidDecoded->toPlainText().indexOf(QStringLiteral("2560x1440")), -1);

    ui().actionUndo->trigger();
    ui().actionUndo->trigger();
    expectViews(states[1]);
    ui().actionRedo->trigger();
    expectViews(states[2]);

    window_->findChild<QAbstractButton*>(QStringLiteral("customEDID"))->setChecked(true);
    ui().cmBEdid->setCurrentIndex(2);
    ui().ButWriteEDID->click();
    const EdidImage uploaded = table(3);
    EXPECT_EQ(Bytes(uploaded.begin(), uploaded.end()), states[2]);
    for (const gui_test::Shown& shown : dialogs_.shown) {
        EXPECT_NE(shown.kind, gui_test::Shown::Warning) << shown.text.toStdString();
    }
}

// Timings are added until the extension's 123 bytes are used up: the one that
// does not fit is refused with the model's reason, and nothing changes.
TEST_F(GuiEdidEditTest, EditThatDoesNotFitIsRefusedAndChangesNothing) {
    readTv();
    const int fitting = edid::ctaBytesFree(*tv_.cta) / static_cast<int>(edid::kDescriptorSize);
    for (int i = 0; i <= fitting; ++i) {
        dialogs_.timings.push_back(kQhd120);
        act({"Extension", "Detailed timings"}, view().addAction());
    }
    const int steps = stack().count();
    const QString before = editor();
    const int used = view().sizeBar()->value();
    EXPECT_GT(used, edid::kCtaCapacity - static_cast<int>(edid::kDescriptorSize));

    dialogs_.timings = {kQhd120};
    dialogs_.shown.clear();
    act({"Extension", "Detailed timings"}, view().addAction());

    EdidModel full = modelOf(imageOf(edid::encodeModel(*view().model())));
    const edid::EditResult refusal =
        edid::addDetailedTiming(full, *edid::generateTiming(kQhd120).timing);
    ASSERT_FALSE(refusal.ok());
    const QString text = QStringLiteral("Can't add Timing 2560x1440p120: ") + latin1(refusal.error);
    EXPECT_NE(refusal.error.find("bytes too many"), std::string::npos);
    ASSERT_FALSE(dialogs_.shown.empty());
    EXPECT_EQ(dialogs_.shown.back().kind, gui_test::Shown::Warning);
    EXPECT_EQ(dialogs_.shown.back().text, text);
    EXPECT_EQ(view().message()->text(), text);
    EXPECT_EQ(editor(), before);
    EXPECT_EQ(stack().count(), steps);
    view().tree();
    EXPECT_EQ(view().sizeBar()->value(), used);
}

// Whatever changes the EDID, the other views show it at once.
TEST_F(GuiEdidEditTest, EveryViewFollowsTheOthers) {
    readTv();
    struct Change {
        const char* name;
        std::function<void()> act;
        std::function<Bytes(const Bytes&)> expected;  // from the bytes before
        bool hexView;  // shown by the HEX view (bold checksums)
    };
    const EdidImage other = sinkEdid(1);
    const std::vector<Change> changes = {
        {"typing in HEX",
         [&] {
             QTextCursor cursor(ui().EDIDtext->document());
             cursor.setPosition(10 * 3);  // product code, low byte
             cursor.setPosition(10 * 3 + 2, QTextCursor::KeepAnchor);
             ui().EDIDtext->setTextCursor(cursor);
             QTest::keyClicks(ui().EDIDtext, QStringLiteral("5A"));
         },
         [](const Bytes& b) {
             Bytes typed = b;
             typed[10] = 0x5A;
             return typed;
         },
         false},
        {"a spin box in EDIT",
         [&] {
             auto* spin = qobject_cast<QSpinBox*>(view().tree()->itemWidget(
                 item({"Base block", "Identity", "Product code"}), 1));
             ASSERT_NE(spin, nullptr);
             EXPECT_EQ(spin->value() & 0xFF, 0x5A);  // the typed byte shows in EDIT
             spin->setValue(0x1234);
         },
         [](const Bytes& b) {
             EdidModel m = modelOf(imageOf(b));
             edid::setProductCode(m, 0x1234);
             return edid::encodeModel(m);
         },
         true},
        {"a text field in EDIT",
         [&] {
             auto* name = qobject_cast<QLineEdit*>(
                 view().tree()->itemWidget(item({"Base block", "Identity", "Name"}), 1));
             ASSERT_NE(name, nullptr);
             name->setText(QStringLiteral("Bench TV"));
             emit name->editingFinished();
         },
         [](const Bytes& b) {
             EdidModel m = modelOf(imageOf(b));
             edid::setName(m, "Bench TV");
             return edid::encodeModel(m);
         },
         true},
        {"a check box in EDIT",
         [&] {
             QTreeWidgetItem* underscan = item({"Extension", "Flags", "Underscan"});
             ASSERT_NE(underscan, nullptr);
             underscan->setCheckState(
                 1, underscan->checkState(1) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
         },
         [](const Bytes& b) {
             Bytes flipped = b;
             flipped[128 + 3] ^= 0x80;
             return edid::encodeModel(modelOf(imageOf(flipped)));
         },
         true},
        {"Fix Checksums after typing",
         [&] {
             QTextCursor cursor(ui().EDIDtext->document());
             cursor.setPosition(11 * 3);
             cursor.setPosition(11 * 3 + 2, QTextCursor::KeepAnchor);
             ui().EDIDtext->setTextCursor(cursor);
             QTest::keyClicks(ui().EDIDtext, QStringLiteral("77"));
             dialogs_.answers = {QMessageBox::Yes};
             ui().pbEdidChecksum->click();
         },
         [](const Bytes& b) {
             EdidImage image = imageOf(b);
             image[11] = 0x77;
             edid::repairChecksums(image);
             return Bytes(image.begin(), image.end());
         },
         true},
        {"a file load",
         [&] {
             dialogs_.fileNames = {loadable(other)};
             ui().ButLoadEDID->click();
         },
         [&](const Bytes&) { return Bytes(other.begin(), other.end()); }, true},
        {"a read from the box",
         [&] { ui().pbReadTvEdidA->click(); },
         [&](const Bytes&) { return edid::encodeModel(tv_); }, false},
    };
    Bytes now = edid::encodeModel(tv_);
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        change.act();
        now = change.expected(now);
        expectViews(now, change.hexView);
    }
}

// Nothing to edit: the view says why, and its actions are off.
TEST_F(GuiEdidEditTest, TextThatIsNoEdidLeavesNothingToEdit) {
    ui().EDIDtext->setPlainText(QStringLiteral("00 FF FF"));
    view().tree();
    EXPECT_FALSE(view().model().has_value());
    EXPECT_TRUE(view().message()->text().startsWith(QStringLiteral("Can't edit: 3 values")))
        << view().message()->text().toStdString();
    EXPECT_EQ(view().tree()->topLevelItemCount(), 0);
    EXPECT_FALSE(view().addAction()->isEnabled());
}

}  // namespace
