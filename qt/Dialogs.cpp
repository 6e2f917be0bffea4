#include "Dialogs.h"

#include <QFileDialog>
#include <QInputDialog>

#include "qt/TimingDialog.h"

namespace gui {

namespace {

class QtDialogs final : public Dialogs {
public:
    void warning(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::warning(parent, title, text, QMessageBox::Ok);
    }

    QMessageBox::StandardButton question(QWidget* parent, const QString& title, const QString& text,
                                         const QString& informativeText) override {
        QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No,
                        parent);
        box.setInformativeText(informativeText);
        return static_cast<QMessageBox::StandardButton>(box.exec());
    }

    void about(QWidget* parent, const QString& title, const QString& text) override {
        QMessageBox::about(parent, title, text);
    }

    void linkWarning(const QString& text) override {
        QMessageBox box(QMessageBox::Warning, QStringLiteral(" "), text, QMessageBox::Ok);
        box.exec();
    }

    QString openFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, dir, filter);
    }

    QString saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                         const QString& filter) override {
        return QFileDialog::getSaveFileName(parent, caption, dir, filter);
    }

    int chooseItem(QWidget* parent, const QString& title, const QString& label,
                   const QStringList& items) override {
        bool ok = false;
        const QString chosen = QInputDialog::getItem(parent, title, label, items, 0, false, &ok);
        return ok ? static_cast<int>(items.indexOf(chosen)) : -1;
    }

    std::optional<edid::TimingRequest> timingRequest(QWidget* parent,
                                                     const edid::TimingRequest& start) override {
        TimingDialog dialog(start, parent);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return dialog.request();
    }
};

}  // namespace

std::unique_ptr<Dialogs> createQtDialogs() {
    return std::make_unique<QtDialogs>();
}

}  // namespace gui
