#include "Dialogs.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace updater {

void QtDialogs::messageBox(const QString& text, const QString& caption, MessageIcon icon) {
    QMessageBox box(
        icon == MessageIcon::Information ? QMessageBox::Information : QMessageBox::Warning, caption,
        text, QMessageBox::Ok);
    box.exec();
}

void QtDialogs::about(QWidget* owner) {
    AboutDialog dialog(owner);
    dialog.exec();
}

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("VORTILAN2 FPGA Update"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    for (const char* text : {"VORTILAN2 FPGA UPDATE", "Loader Version 1.0_120_xp"}) {
        auto* label = new QLabel(QString::fromLatin1(text), this);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

}  // namespace updater
