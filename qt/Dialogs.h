// The one way the utility shows modal boxes and file dialogs. The window
// gets a Dialogs at construction: the program uses the Qt boxes below, tests
// use a scripted one that records what was asked and answers at once.
#pragma once

#include <QMessageBox>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

#include "edid/EditTree.h"

class QWidget;

namespace gui {

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A warning box with one OK button.
    virtual void warning(QWidget* parent, const QString& title, const QString& text) = 0;
    // A question box with Yes and No; returns the button chosen (another
    // value, such as NoButton, when the box was closed otherwise).
    virtual QMessageBox::StandardButton question(QWidget* parent, const QString& title,
                                                 const QString& text,
                                                 const QString& informativeText) = 0;
    // The About box; text is rich text.
    virtual void about(QWidget* parent, const QString& title, const QString& text) = 0;
    // The link's warning box: no owner window, caption " ", warning icon, OK.
    virtual void linkWarning(const QString& text) = 0;
    // The file name chosen, empty when the user cancelled.
    virtual QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                 const QString& filter) = 0;
    // One of items, as its index; -1 when the user cancelled.
    virtual int chooseItem(QWidget* /*parent*/, const QString& /*title*/,
                           const QString& /*label*/, const QStringList& /*items*/) {
        return -1;
    }
    // The timing generator (size, rate and method, the resulting timing shown
    // before it is taken), starting from start; nothing when cancelled.
    virtual std::optional<edid::TimingRequest> timingRequest(QWidget* /*parent*/,
                                                             const edid::TimingRequest& /*start*/) {
        return std::nullopt;
    }
};

// Real message boxes and file dialogs.
std::unique_ptr<Dialogs> createQtDialogs();

}  // namespace gui
