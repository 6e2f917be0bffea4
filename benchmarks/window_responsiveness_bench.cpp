// How long the main window stays unresponsive: the longest gap between two
// processed events (a 5 ms heartbeat timer) while its status timer runs, with
// the emulated box answering, silent, and unplugged. Real time, real timers.

#include <QApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "benchmarks/BenchApplication.h"
#include "emulator/Server.h"
#include "qt/Dialogs.h"
#include "qt/MainWindow.h"
#include "tests/support/EmulatedBox.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// No modal box may stop the run: every dialog is answered at once.
class ImmediateDialogs final : public gui::Dialogs {
public:
    void warning(QWidget*, const QString&, const QString& text) override { note(text); }
    QMessageBox::StandardButton question(QWidget*, const QString&, const QString&,
                                         const QString&) override {
        return QMessageBox::No;
    }
    void about(QWidget*, const QString&, const QString&) override {}
    void linkWarning(const QString& text) override { note(text); }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return {};
    }

private:
    static void note(const QString& text) {
        std::fprintf(stderr, "dialog: %s\n", text.toLocal8Bit().constData());
    }
};

struct Gaps {
    double longestMs = 0;
    int beats = 0;
};

// Runs the event loop for ms and measures the heartbeat's gaps.
Gaps runFor(int ms) {
    Gaps gaps;
    auto last = SteadyClock::now();
    QTimer heartbeat;
    heartbeat.setInterval(5);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const auto now = SteadyClock::now();
        gaps.longestMs = std::max(
            gaps.longestMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
        ++gaps.beats;
    });
    heartbeat.start();
    QTimer::singleShot(ms, [] { QCoreApplication::exit(0); });
    QApplication::exec();
    return gaps;
}

void print(const char* what, int ms, const Gaps& gaps) {
    std::printf("%-16s %5d ms run, %5d heartbeats, longest gap %7.1f ms\n", what, ms, gaps.beats,
                gaps.longestMs);
}

}  // namespace

int main(int argc, char** argv) {
    bench::BenchApplication app(argc, argv);

    testing_support::EmulatedBox box;
    emu::Server& server = box.server();
    ImmediateDialogs dialogs;
    MainWindow window(box.library(), usb::systemClock(), dialogs);
    if (!window.link().isOpen()) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }
    window.show();

    std::printf("longest gap between two processed events (5 ms heartbeat):\n");
    print("box answering", 6500, runFor(6500));

    server.command("fault noanswer 1000000");
    print("box silent", 10500, runFor(10500));
    server.command("fault clear");
    runFor(4500);  // probes find the box again

    server.command("unplug");
    print("box unplugged", 6500, runFor(6500));

    server.command("replug");
    const auto start = SteadyClock::now();
    Gaps back;
    while (window.boxAway() && SteadyClock::now() - start < std::chrono::seconds(5)) {
        const Gaps g = runFor(50);
        back.longestMs = std::max(back.longestMs, g.longestMs);
        back.beats += g.beats;
    }
    std::printf("box replugged: found again after %.0f ms, longest gap %.1f ms%s\n",
                std::chrono::duration<double, std::milli>(SteadyClock::now() - start).count(),
                back.longestMs, window.boxAway() ? " (NOT FOUND)" : "");
    return 0;
}
