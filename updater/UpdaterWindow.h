// The updater's window: the menus, the About box, the status lines, and the
// worker thread that performs one update run at a time.
#pragma once

#include <QMainWindow>
#include <QString>
#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

#include "Dialogs.h"
#include "FlashUpdater.h"
#include "UpdaterUi.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

class QAction;

namespace updater {

inline constexpr char kWindowTitle[] = "VORTILAN2 FPGA Update";
inline constexpr char kVersionLine[] = "Version: 2.45-1013";

class UpdaterWindow final : public QMainWindow {
public:
    struct Line {
        int y;
        QString text;
    };

    // Image files are looked up in searchDirs, in order. library, clock and
    // dialogs must outlive the window.
    UpdaterWindow(usb::Library& library, usb::Clock& clock,
                  std::vector<std::filesystem::path> searchDirs, Dialogs& dialogs);
    ~UpdaterWindow() override;

    // The lines on show, in the order they were drawn (a line replaces the
    // earlier one at the same y).
    const std::vector<Line>& lines() const { return lines_; }
    // The text at y, or a null string.
    QString lineAt(int y) const;

    bool runInProgress() const { return running_; }
    // 0, or 1 after a fatal error.
    int exitStatus() const { return exitStatus_; }

    QAction* updateAction() const { return updateAction_; }
    QAction* exitAction() const { return exitAction_; }
    QAction* aboutAction() const { return aboutAction_; }

    // The menu command "U&pdate Firmware"; refused while a run is in progress.
    void startUpdate();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    class WorkerUi;

    void setLine(int y, const QString& text);
    void endProgram(int exitStatus);
    void runFinished();

    Dialogs& dialogs_;
    std::unique_ptr<WorkerUi> workerUi_;
    std::unique_ptr<FlashUpdater> updater_;
    std::vector<Line> lines_;
    QWidget* linesView_;
    QAction* updateAction_;
    QAction* exitAction_;
    QAction* aboutAction_;
    bool running_ = false;
    bool ending_ = false;
    int exitStatus_ = 0;
    std::thread worker_;
    std::atomic<bool> workerDone_{true};
    std::atomic<bool> abandoned_{false};
};

}  // namespace updater
