// The updater window's modal boxes, behind a seam so that tests answer them.
#pragma once

#include <QDialog>
#include <QString>

#include "UpdaterUi.h"

class QPushButton;

namespace updater {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A modal message box without an owner window; returns once it is dismissed.
    virtual void messageBox(const QString& text, const QString& caption, MessageIcon icon) = 0;
    // The modal About box, owned by owner.
    virtual void about(QWidget* owner) = 0;
};

// The real boxes.
class QtDialogs final : public Dialogs {
public:
    void messageBox(const QString& text, const QString& caption, MessageIcon icon) override;
    void about(QWidget* owner) override;
};

// "VORTILAN2 FPGA UPDATE", "Loader Version 1.0_120_xp" and a default OK button.
class AboutDialog final : public QDialog {
public:
    explicit AboutDialog(QWidget* owner = nullptr);
    QPushButton* okButton() const { return ok_; }

private:
    QPushButton* ok_;
};

}  // namespace updater
