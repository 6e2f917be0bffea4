// The window on an emulated box, for the tests of its EDID editor: the EDID
// text, its undo stack, the box's sinks and tables, and EDID files to load.
#pragma once

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QString>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QUndoStack>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <string>

#include "edid/Image.h"
#include "emulator/Box.h"
#include "qt/EdidUndo.h"
#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"

namespace gui_test {

inline QString latin1(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}

class EdidWindowTest : public ::testing::Test {
public:
    static void SetUpTestSuite() { application(); }

    void SetUp() override {
        window_ = std::make_unique<MainWindow>(library_, clock_, dialogs_);
        window_->stopStatusTimer();
    }

    Ui::MainWindow& ui() { return *window_->form(); }
    QUndoStack& stack() { return window_->edidUndo().stack(); }
    QString editor() { return ui().EDIDtext->toPlainText(); }

    edid::EdidImage sinkEdid(int tx) {
        return box_.server().withBox([tx](emu::Box& box) { return *box.sink(tx); });
    }
    edid::EdidImage table(int n) {
        return box_.server().withBox([n](emu::Box& box) { return *box.table(n); });
    }

    // A raw EDID file holding image, for Load from File.
    QString loadable(const edid::EdidImage& image) {
        const QString file = dir_.filePath(QStringLiteral("edid.bin"));
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(image.data()), static_cast<qint64>(image.size()));
        return file;
    }

    // The editor's weight at the values given: bold for the checksums of
    // each block when the hex view formatted the text, else normal.
    void expectChecksumWeights(std::initializer_list<std::size_t> values, bool hexView) {
        for (const std::size_t i : values) {
            QTextCursor cursor(ui().EDIDtext->document());
            cursor.setPosition(static_cast<int>(i / 16 * 48 + i % 16 * 3 + 1));
            EXPECT_EQ(cursor.charFormat().fontWeight(),
                      hexView && i % 128 == 127 ? QFont::Bold : QFont::Normal)
                << i;
        }
    }

    EmulatedBox box_;
    HookedLibrary library_{box_.library()};
    testing_support::ManualClock clock_{10};
    ScriptedDialogs dialogs_;
    std::unique_ptr<MainWindow> window_;
    QTemporaryDir dir_;
};

}  // namespace gui_test
