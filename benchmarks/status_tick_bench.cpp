// What one status tick of the main window costs: the exchanges it makes and
// the host CPU time it takes, against the emulated box on a socket.

#include <QApplication>
#include <QTimerEvent>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "benchmarks/BenchApplication.h"
#include "benchmarks/BenchSupport.h"
#include "benchmarks/CpuTime.h"
#include "emulator/Server.h"
#include "qt/Dialogs.h"
#include "qt/MainWindow.h"
#include "tests/support/EmulatedBox.h"

int main(int argc, char** argv) {
    bench::BenchApplication app(argc, argv);

    testing_support::EmulatedBox box;
    emu::Server& server = box.server();
    auto dialogs = gui::createQtDialogs();
    MainWindow window(box.library(), usb::systemClock(), *dialogs);
    window.stopStatusTimer();
    if (!window.link().isOpen()) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }

    // Runs the ticks, calling between() before each, and prints their cost.
    auto runTicks = [&](int ticks, const char* what, const std::function<void(int)>& between) {
        const std::size_t mark = server.trace().total();
        const auto start = std::chrono::steady_clock::now();
        const double cpu0 = bench::threadCpuMs();
        window.startStatusTimer(MainWindow::kStatusIntervalMs);
        for (int i = 0; i < ticks; ++i) {
            between(i);
            QTimerEvent event(window.statusTimer());
            QCoreApplication::sendEvent(&window, &event);
        }
        window.stopStatusTimer();
        const double cpu = bench::threadCpuMs() - cpu0;
        const double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        std::printf("%s: %d ticks\n", what, ticks);
        std::printf("  exchanges per tick:  %.1f\n",
                    static_cast<double>(bench::requestsSince(server, mark)) / ticks);
        std::printf("  host CPU per tick:   %.2f ms\n", cpu / ticks);
        std::printf("  wall time per tick:  %.2f ms (of the 2000 ms interval)\n", wall / ticks);
    };

    runTicks(200, "box unchanged", [](int) {});
    // A box whose input and signal change between every tick: each tick then
    // also writes the changed input back once.
    runTicks(100, "box changing every tick", [&](int i) {
        server.command(i % 2 == 0 ? "signal sdr" : "signal default");
        server.command(i % 2 == 0 ? "input top" : "input bot");
    });

    window.link().closeLink();
    return 0;
}
