// The window and a box that comes and goes: a wait that keeps the window
// painting, a silent box that blocks it for one time-out only, and a box that
// is gone and found again, read back into the window without a restart.
#include <QApplication>
#include <QCursor>
#include <QStatusBar>
#include <QTextEdit>
#include <QTimer>
#include <set>

#include "MainWindow.h"
#include "status/SignalInfo.h"
#include "ui_VortilanForm.h"

namespace {

// A wait shorter than this shows no busy cursor.
constexpr std::uint32_t kBusyCursorAfterMs = 200;

// Every widget the signal information writes: those of all texts of a poll
// with both inputs routed (matrix thru shows all four input labels).
const std::set<std::string_view>& signalWidgets() {
    static const std::set<std::string_view> widgets = [] {
        std::set<std::string_view> names;
        for (const auto& update : boxstatus::signalTexts(boxstatus::PageSet{}, 2)) {
            names.insert(update.widget);
        }
        return names;
    }();
    return widgets;
}

}  // namespace

std::string MainWindow::accessDeniedStatus() {
    return std::string("Can't open the box: ") + usb::kAccessDeniedText;
}

void MainWindow::readBoxIntoWindow(bool firstTime) {
    // 3. and 4. The PCB revision and the register pages.
    state_.setPcbRevision(commands_.readPcbRevision());
    const boxlink::PageReads pages = boxlink::readPages(commands_, gui::readback::kStartupPageReads);
    // 5. The widgets (and, the first time, the combo-box items).
    fillFromStartupPages(pages);
    // 6. One status poll, so that every settings widget shows the box's state.
    runStatusPoll();
    // 7. The EDID seen at input port 0; a box found again leaves the editor
    // to what the user has there.
    if (firstTime) {
        readRxBotEdid();
    }
    if (link_.boxGone()) {
        return;  // gone again during the readback: still looking for it
    }
    // 8. The CEC editor takes input, the status timer runs, and the widgets
    // send their settings from now on.
    ui->CECtext->setEnabled(true);
    startStatusTimer(kStatusIntervalMs);
    state_.setWritesEnabled(true);
}

void MainWindow::startLookingForBox() {
    boxAway_ = true;
    probeSent_ = false;
    if (!searchTimer_->isActive()) {
        searchTimer_->start();
    }
}

void MainWindow::boxGone() {
    // Called from inside the exchange that found it: the rest of what is
    // running fails at once, the status bar says why and the texts stay,
    // greyed, until the box is back.
    state_.setWritesEnabled(false);
    stopStatusTimer();
    showSignalTextsCurrent(false);
    startLookingForBox();
    showStatus(kDisconnectedText, 0);
}

void MainWindow::lookForBox() {
    if (link_.linkBusy() || !boxAway_) {
        return;
    }
    std::uint32_t number = 0;
    if (!link_.findBox(boxlink::BOX_SERIAL, number) || !link_.openLink(number, true)) {
        return;
    }
    link_.boxDeviceNumber() = number;
    searchTimer_->stop();
    boxAway_ = false;
    const bool firstTime = !itemsFilled_;
    readBoxIntoWindow(firstTime);
    if (link_.boxGone()) {
        return;
    }
    showSignalTextsCurrent(true);
    showStatus(kReconnectedText, edid::kNoticeMs);
}

void MainWindow::devicesChanged() {
    if (link_.linkBusy()) {
        return;  // the search timer or the next exchange finds out
    }
    if (boxAway_) {
        lookForBox();
    } else {
        link_.checkStillThere();
    }
}

void MainWindow::showSignalTextsCurrent(bool current) {
    for (const std::string_view name : signalWidgets()) {
        auto* widget = findChild<QWidget*>(
            QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())));
        if (widget != nullptr) {
            widget->setEnabled(current);
        }
    }
}

void MainWindow::probeSilentBox() {
    if (probeSent_ && commands_.probeAnswered()) {
        probeSent_ = false;
        link_.clearSilence();
        runStatusPoll();
        return;
    }
    probeSent_ = commands_.sendProbe();
}

void MainWindow::waiting(std::uint32_t elapsedMs) {
    if (!busyCursor_ && elapsedMs >= kBusyCursorAfterMs) {
        QApplication::setOverrideCursor(Qt::BusyCursor);
        busyCursor_ = true;
    }
    // Paint and run timers (which leave a busy link alone), but keep the
    // user's clicks and keys for when the exchange is over.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::waitOver() {
    if (busyCursor_) {
        QApplication::restoreOverrideCursor();
        busyCursor_ = false;
    }
    if (closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}
