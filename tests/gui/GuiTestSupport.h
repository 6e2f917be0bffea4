// Test helpers for the main window: the application object, a scripted
// dialog seam, an emulated box reached through the USB layer, and a library
// wrapper that can fail calls or run a hook before a write.
#pragma once

#include <QApplication>
#include <QString>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "emulator/Server.h"
#include "qt/Dialogs.h"
#include "tests/support/EmulatedBox.h"
#include "tests/support/HookedLibrary.h"
#include "usb/UsbLibrary.h"

// Readable QStrings in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace gui_test {

using Bytes = std::vector<std::uint8_t>;

// The test program's one QApplication (created on first use).
QApplication& application();

// What a dialog showed, as the seam was asked.
struct Shown {
    enum Kind { Warning, Question, About, LinkWarning, OpenFile, SaveFile, Choice, Timing };
    Kind kind;
    QWidget* parent;
    QString title;  // the caption for file dialogs
    QString text;   // the filter for file dialogs
    QString informativeText;
};

// Records every dialog and answers at once: questions from `answers` (No when
// empty), file dialogs from `fileNames`, choices with the first item that
// starts with the front of `choices`, the timing generator from `timings`
// (each cancelled when empty). onShow runs
// while the dialog counts as open, as a modal box's nested event loop would.
class ScriptedDialogs final : public gui::Dialogs {
public:
    void warning(QWidget* parent, const QString& title, const QString& text) override;
    QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                         const QString& informativeText) override;
    void about(QWidget* parent, const QString& title, const QString& text) override;
    void linkWarning(const QString& text) override;
    QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override;
    int chooseItem(QWidget* parent, const QString& title, const QString& label,
                   const QStringList& items) override;
    std::optional<edid::TimingRequest> timingRequest(QWidget* parent,
                                                     const edid::TimingRequest& start) override;

    std::vector<Shown> shown;
    std::deque<QMessageBox::StandardButton> answers;
    std::deque<QString> fileNames;
    std::deque<QString> choices;
    std::deque<edid::TimingRequest> timings;
    std::function<void(const Shown&)> onShow;

private:
    void record(Shown s);
};

// One emulated box on a socket in a temporary directory.
using EmulatedBox = testing_support::EmulatedBox;

// Passes every call on to another library and keeps every write
// (tests/support/HookedLibrary.h).
using HookedLibrary = testing_support::HookedLibrary;

// The plain text of a rich text, as a user reads it.
QString plainText(const QString& richText);

}  // namespace gui_test
