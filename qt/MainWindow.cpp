#include "MainWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QTimerEvent>
#include <cstdlib>

#include "qt/EdidUndo.h"
#include "ui_VortilanForm.h"

// The form's pictures live in this library; Q_INIT_RESOURCE must be used
// outside any namespace.
static void initResources() {
    Q_INIT_RESOURCE(VortilanForm);
}

MainWindow::MainWindow(QWidget* parent)
    : MainWindow(usb::createLibrary(), nullptr, usb::systemClock(), gui::createQtDialogs(), nullptr,
                 parent) {}

MainWindow::MainWindow(usb::Library& library, usb::Clock& clock, gui::Dialogs& dialogs,
                       QWidget* parent)
    : MainWindow(nullptr, &library, clock, nullptr, &dialogs, parent) {}

MainWindow::MainWindow(std::unique_ptr<usb::Library> ownedLibrary, usb::Library* library,
                       usb::Clock& clock, std::unique_ptr<gui::Dialogs> ownedDialogs,
                       gui::Dialogs* dialogs, QWidget* parent)
    : QMainWindow(parent),
      ownedLibrary_(std::move(ownedLibrary)),
      ownedDialogs_(std::move(ownedDialogs)),
      library_(library != nullptr ? *library : *ownedLibrary_),
      clock_(clock),
      dialogs_(dialogs != nullptr ? *dialogs : *ownedDialogs_),
      link_(library_, clock_, *this),
      commands_(link_, *this, state_),
      endProcess_([](int code) { std::exit(code); }) {
    initResources();
    ui = new Ui::MainWindow;
    ui->setupUi(this);

    progressBar = new QProgressBar(this);
    progressBar->setObjectName(QStringLiteral("progressBar"));
    progressBar->setMaximumWidth(240);
    progressBar->setTextVisible(false);
    progressBar->hide();
    ui->statusbar->addPermanentWidget(progressBar);

    // A box that is gone is looked for every 2 s; while it is away, the
    // status bar comes back to saying so after each passing message.
    searchTimer_ = new QTimer(this);
    searchTimer_->setInterval(kSearchIntervalMs);
    connect(searchTimer_, &QTimer::timeout, this, &MainWindow::lookForBox);
    connect(ui->statusbar, &QStatusBar::messageChanged, this, [this](const QString& message) {
        if (boxAway_ && message.isEmpty() && link_.boxGone()) {
            showStatus(kDisconnectedText, 0);
        }
    });
    // A silent box costs one time-out; afterwards probes find out when it answers.
    link_.setKeepSilence(true);
    // Where the back end hears of boxes coming and going, the window acts at
    // once; the calls come from another thread and are queued to this one.
    watchesDevices_ = library_.watchDevices([this] {
        QMetaObject::invokeMethod(this, [this] { devicesChanged(); }, Qt::QueuedConnection);
    });

    edidUndo_ = new gui::EdidUndo(ui->EDIDtext, this);
    edidUndo_->bindActions(ui->actionUndo, ui->actionRedo);
    setupEditView();

    initDevice();
    // What the start-up read shows is where undoing ends.
    edidUndo_->reset();
}

MainWindow::~MainWindow() {
    library_.watchDevices({});
    delete ui;
    ui = nullptr;
    link_.closeLink();
    stopStatusTimer();
    QCoreApplication::exit(0);
}

void MainWindow::initDevice() {
    // 1. Find the box by its serial string.
    if (!link_.findBox(boxlink::BOX_SERIAL, link_.boxDeviceNumber())) {
        showStatus(link_.accessDenied() ? accessDeniedStatus()
                                        : "NO VORTILAN2 CONNECTED. CONNECT USB AND RESTART",
                   0);
        startLookingForBox();
        return;
    }
    // 2. Open it; the link has already said why when this fails.
    if (!link_.openLink(link_.boxDeviceNumber())) {
        dialogs_.warning(this, QStringLiteral("VORTILAN2 Utility"),
                         QStringLiteral("Hardware not found"));
        if (link_.accessDenied()) {
            showStatus(accessDeniedStatus(), 0);
        }
        startLookingForBox();
        return;
    }
    // 3. onwards: read the box into the window (MainWindow_connection.cpp).
    readBoxIntoWindow(true);
}

void MainWindow::showStatus(const std::string& text, int timeoutMs) {
    if (ui != nullptr) {
        ui->statusbar->showMessage(QString::fromLatin1(text), timeoutMs);
    }
}

void MainWindow::showLinkWarning(const std::string& text) {
    dialogs_.linkWarning(QString::fromLatin1(text));
}

void MainWindow::startStatusTimer(int intervalMs) {
    if (statusTimerRunning != 0) {
        return;
    }
    statusTimerId = startTimer(intervalMs);
    statusTimerRunning = 1;
}

void MainWindow::stopStatusTimer() {
    if (statusTimerRunning == 0) {
        return;
    }
    statusTimerRunning = 0;
    killTimer(statusTimerId);
}

void MainWindow::timerEvent(QTimerEvent* event) {
    if (statusTimerRunning == 0 || event->timerId() != statusTimerId) {
        QMainWindow::timerEvent(event);
        return;
    }
    // An exchange is still running further down this thread's stack (a modal
    // box of the link, or the wait of an exchange, delivers timer events):
    // leave the box alone.
    if (link_.linkBusy()) {
        return;
    }
    if (link_.boxSilent()) {
        probeSilentBox();
        return;
    }
    runStatusPoll();
    // The poll that found the box gone leaves the reason, not its failures.
    if (link_.boxGone()) {
        showStatus(kDisconnectedText, 0);
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Not in the middle of an exchange that paints while it waits: the
    // window closes as soon as the exchange is over.
    if (link_.linkBusy()) {
        closePending_ = true;
        event->ignore();
        return;
    }
    event->accept();
    searchTimer_->stop();
    link_.closeLink();
    stopStatusTimer();
    QCoreApplication::exit(0);
}

void MainWindow::FileExit() {
    searchTimer_->stop();
    link_.closeLink();
    stopStatusTimer();
    endProcess_(0);
}

void MainWindow::FileAbout() {
    const QString text =
        tr("<h2>VORTILAN2 Utility Version %1 </h2>").arg(QLatin1String(guiVersionText)) +
        tr("<p>Configuration utility for the VORTILAN2 HDMI video processor, %1</p>")
            .arg(state_.epState()[39] != 0 ? 1 : 0);
    dialogs_.about(this, tr("About VORTILAN2 Utility"), text);
}
