// The status poll: the box's settings state into the settings widgets, then
// the live signal information. The logic is in status/; this applies it.
#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTextEdit>
#include <QtGlobal>

#include "MainWindow.h"
#include "status/SettingsMirror.h"
#include "status/SignalInfo.h"
#include "ui_VortilanForm.h"

namespace {

QString name(std::string_view widget) {
    return QString::fromLatin1(widget.data(), static_cast<qsizetype>(widget.size()));
}

// Applies one operation with the widget's ordinary setter. Signals are not
// blocked: a changed value reaches its slot as a user change would, which
// is how the box's own changes are written back once.
void apply(QWidget& window, const boxstatus::WidgetOp& op) {
    auto* widget = window.findChild<QWidget*>(name(op.widget));
    if (widget == nullptr) {
        qWarning("status poll: no widget %s", name(op.widget).toLatin1().constData());
        return;
    }
    switch (op.action) {
        case boxstatus::WidgetAction::SetChecked:
            if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
                button->setChecked(op.value != 0);
            }
            break;
        case boxstatus::WidgetAction::SetCurrentIndex:
            if (auto* combo = qobject_cast<QComboBox*>(widget)) {
                combo->setCurrentIndex(op.value);
            }
            break;
        case boxstatus::WidgetAction::SetEnabled:
            widget->setEnabled(op.value != 0);
            break;
        case boxstatus::WidgetAction::SetVisible:
            widget->setVisible(op.value != 0);
            break;
        case boxstatus::WidgetAction::SetText:
            if (auto* label = qobject_cast<QLabel*>(widget)) {
                label->setText(QString::fromLatin1(op.text));
            }
            break;
        case boxstatus::WidgetAction::SetValue:
            // A value outside the spin box's range is held at its limit.
            if (auto* spin = qobject_cast<QSpinBox*>(widget)) {
                spin->setValue(op.value);
            }
            break;
    }
}

void apply(QWidget& window, const boxstatus::TextUpdate& update) {
    auto* widget = window.findChild<QWidget*>(name(update.widget));
    if (widget == nullptr) {
        qWarning("status poll: no widget %s", name(update.widget).toLatin1().constData());
        return;
    }
    const QString text =
        update.action == boxstatus::TextAction::Set ? QString::fromLatin1(update.text) : QString();
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(text);
    } else if (auto* edit = qobject_cast<QTextEdit*>(widget)) {
        edit->setPlainText(text);
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        line->setText(text);
    }
}

}  // namespace

void MainWindow::runStatusPoll() {
    const boxlink::UsbLink::SilenceGuard guard(link_);
    refreshSettingsMirror();
    refreshSignalInfo();
}

void MainWindow::refreshSettingsMirror() {
    boxlink::Answer status{};
    boxlink::Answer page11{};
    boxlink::Answer page12{};
    const bool statusRead = commands_.readStatusBlock(status, boxstatus::kStatusLength);
    const bool page11Read = commands_.readRegisterPage(11, page11, boxstatus::kOsdParamsLength);
    const bool page12Read = commands_.readRegisterPage(12, page12, boxstatus::kOsdTextLength);
    const boxstatus::Bytes statusBytes(status.data(), boxstatus::kStatusLength);
    if (!boxstatus::mirrorReadOk(statusRead, page11Read, page12Read, statusBytes)) {
        showStatus(boxstatus::kReadErrorMessage, boxstatus::kReadErrorMs);
        return;
    }
    boxlink::EpState epState = state_.epState();
    boxstatus::copyEpState(statusBytes, epState);
    state_.setEpState(epState);
    const boxstatus::MirrorInput input{
        statusBytes, boxstatus::Bytes(page11.data(), boxstatus::kOsdParamsLength),
        boxstatus::Bytes(page12.data(), boxstatus::kOsdTextLength), state_.pcbRevision(), lastAudioLevels_};
    for (const auto& op : boxstatus::settingsMirror(input)) {
        apply(*this, op);
    }
    lastAudioLevels_ = boxstatus::audioLevels(statusBytes);
}

void MainWindow::refreshSignalInfo() {
    // A page whose read failed counts as empty: its texts are cleared.
    const boxlink::PageReads read = boxlink::readPages(commands_, boxstatus::kSignalPageReads);
    // Only the last read decides: without it nothing changes.
    if (!read.lastRead) {
        return;
    }
    const boxlink::PageSpans pages = read.pages();
    for (const auto& update : boxstatus::signalTexts(pages, ui->cmbInputSel->currentIndex())) {
        apply(*this, update);
    }
    showSignalPictures(pages);
}
