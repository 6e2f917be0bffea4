#include "UpdaterWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenuBar>
#include <QPainter>
#include <QThread>
#include <cstdio>

#include "Lines.h"

namespace updater {

namespace {

// Draws the window's lines at x = 10, each row at its y or as much lower as
// keeps it clear of the row above, so that no line is drawn over another.
class LinesView final : public QWidget {
public:
    LinesView(const std::vector<UpdaterWindow::Line>& lines, QWidget* parent)
        : QWidget(parent), lines_(lines) {
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(palette().window());
        const QFontMetrics metrics = painter.fontMetrics();
        for (const auto& line : lines_) {
            painter.drawText(10, drawnTop(line.y, metrics.lineSpacing()) + metrics.ascent(),
                             line.text);
        }
    }

private:
    const std::vector<UpdaterWindow::Line>& lines_;
};

}  // namespace

// The run's view of the window: it hands every call to the GUI thread, and
// waits there for message boxes.
class UpdaterWindow::WorkerUi final : public UpdaterUi {
public:
    explicit WorkerUi(UpdaterWindow& window) : window_(window) {}

    void drawLine(const std::string& text, int y) override {
        const QString line = QString::fromStdString(text);
        post([this, line, y] { window_.setLine(y, line); });
    }

    void messageBox(const std::string& text, const std::string& caption,
                    MessageIcon icon) override {
        const QString t = QString::fromStdString(text);
        const QString c = QString::fromStdString(caption);
        auto show = [this, t, c, icon] {
            if (!window_.abandoned_) {
                window_.dialogs_.messageBox(t, c, icon);
            }
        };
        if (QThread::currentThread() == window_.thread()) {
            show();
        } else if (!window_.abandoned_) {
            QMetaObject::invokeMethod(&window_, show, Qt::BlockingQueuedConnection);
        }
    }

    void printLine(const std::string& text) override {
        std::fprintf(stdout, "%s\n", text.c_str());
        std::fflush(stdout);
    }

    void endProgram(int exitStatus) override {
        post([this, exitStatus] { window_.endProgram(exitStatus); });
    }

private:
    template <typename F>
    void post(F f) {
        if (!window_.abandoned_) {
            QMetaObject::invokeMethod(&window_, f, Qt::QueuedConnection);
        }
    }

    UpdaterWindow& window_;
};

UpdaterWindow::UpdaterWindow(usb::Library& library, usb::Clock& clock,
                             std::vector<std::filesystem::path> searchDirs, Dialogs& dialogs)
    : dialogs_(dialogs),
      workerUi_(std::make_unique<WorkerUi>(*this)),
      updater_(std::make_unique<FlashUpdater>(library, clock, *workerUi_, std::move(searchDirs))) {
    setWindowTitle(QString::fromLatin1(kWindowTitle));
    resize(300, 200);

    QMenu* updateMenu = menuBar()->addMenu(QStringLiteral("&Update"));
    updateAction_ = updateMenu->addAction(QStringLiteral("U&pdate Firmware"));
    exitAction_ = updateMenu->addAction(QStringLiteral("E&xit"));
    QMenu* helpMenu = menuBar()->addMenu(QStringLiteral("&Help"));
    aboutAction_ = helpMenu->addAction(QStringLiteral("&About ..."));
    aboutAction_->setShortcuts(
        {QKeySequence(Qt::ALT | Qt::Key_Question), QKeySequence(Qt::ALT | Qt::Key_Slash)});
    aboutAction_->setShortcutContext(Qt::WindowShortcut);

    connect(updateAction_, &QAction::triggered, this, [this] { startUpdate(); });
    connect(exitAction_, &QAction::triggered, this, [this] { close(); });
    connect(aboutAction_, &QAction::triggered, this, [this] { dialogs_.about(this); });

    linesView_ = new LinesView(lines_, this);
    setCentralWidget(linesView_);

    setLine(kStatusRow, QStringLiteral("VORTILAN2 FPGA UPDATE"));
    setLine(kWarningRow, QString::fromLatin1(kVersionLine));
    setLine(kWaitRow, QStringLiteral("Connect USB cable to VORTILAN2"));
    setLine(kReconfigureRow, QStringLiteral("Close other software (e.g. GUI)"));
}

UpdaterWindow::~UpdaterWindow() {
    if (worker_.joinable()) {
        // A run cannot be stopped halfway without leaving the flash half
        // written: let it finish, answering its boxes, then wait for it.
        abandoned_ = true;
        while (!workerDone_) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        worker_.join();
    }
}

QString UpdaterWindow::lineAt(int y) const {
    for (const auto& line : lines_) {
        if (line.y == y) {
            return line.text;
        }
    }
    return {};
}

void UpdaterWindow::setLine(int y, const QString& text) {
    std::erase_if(lines_, [y](const Line& line) { return line.y == y; });
    lines_.push_back({y, text});
    linesView_->update();
}

void UpdaterWindow::startUpdate() {
    if (running_ || ending_) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = true;
    updateAction_->setEnabled(false);
    workerDone_ = false;
    worker_ = std::thread([this] {
        updater_->run();
        if (!abandoned_) {
            QMetaObject::invokeMethod(
                this, [this] { runFinished(); }, Qt::QueuedConnection);
        }
        workerDone_ = true;
    });
}

void UpdaterWindow::runFinished() {
    running_ = false;
    if (!ending_) {
        updateAction_->setEnabled(true);
    }
}

void UpdaterWindow::endProgram(int exitStatus) {
    ending_ = true;
    running_ = false;
    exitStatus_ = exitStatus;
    close();
    QCoreApplication::exit(exitStatus);
}

void UpdaterWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        dialogs_.messageBox(
            QStringLiteral("An update is in progress. Closing the window now could leave the "
                           "VORTILAN2 unable to start; please wait until the update has ended."),
            QString::fromLatin1(kWindowTitle), MessageIcon::Warning);
        return;
    }
    event->accept();
}

}  // namespace updater
