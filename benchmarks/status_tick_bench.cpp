// What one status tick of the main window costs: the exchanges it makes and
// the host CPU time it takes, against the emulated box on a socket.
#include <unistd.h>

#include <QApplication>
#include <QTimerEvent>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include "benchmarks/CpuTime.h"
#include "emulator/Server.h"
#include "qt/Dialogs.h"
#include "qt/MainWindow.h"
#include "usb/SocketLibrary.h"

namespace {

std::size_t requestsSince(emu::Server& server, std::size_t mark) {
    std::size_t n = 0;
    for (const auto& e : server.trace().entriesSince(mark)) {
        n += e.kind == emu::TraceEntry::kRequest || e.kind == emu::TraceEntry::kIgnored;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const std::string path =
        (std::filesystem::temp_directory_path() / ("v2-tick-bench-" + std::to_string(::getpid())))
            .string();
    emu::ServerOptions options;
    options.socketPath = path;
    emu::Server server(options);
    std::string error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "cannot start the emulated box: %s\n", error.c_str());
        return 1;
    }
    auto library = usb::createSocketLibrary({path});
    auto dialogs = gui::createQtDialogs();
    MainWindow window(*library, usb::systemClock(), *dialogs);
    window.stopStatusTimer();
    if (!window.link().isOpen()) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }

    auto runTicks = [&](int ticks, const char* what) {
        const std::size_t mark = server.trace().total();
        const auto start = std::chrono::steady_clock::now();
        const double cpu0 = bench::threadCpuMs();
        window.startStatusTimer(MainWindow::kStatusIntervalMs);
        for (int i = 0; i < ticks; ++i) {
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
                    static_cast<double>(requestsSince(server, mark)) / ticks);
        std::printf("  host CPU per tick:   %.2f ms\n", cpu / ticks);
        std::printf("  wall time per tick:  %.2f ms (of the 2000 ms interval)\n", wall / ticks);
    };

    runTicks(200, "box unchanged");

    // A box whose input and signal change between every tick: each tick then
    // also writes the changed input back once.
    const std::size_t mark = server.trace().total();
    const auto start = std::chrono::steady_clock::now();
    const double cpu0 = bench::threadCpuMs();
    constexpr int kTicks = 100;
    window.startStatusTimer(MainWindow::kStatusIntervalMs);
    for (int i = 0; i < kTicks; ++i) {
        server.command(i % 2 == 0 ? "signal sdr" : "signal default");
        server.command(i % 2 == 0 ? "input top" : "input bot");
        QTimerEvent event(window.statusTimer());
        QCoreApplication::sendEvent(&window, &event);
    }
    window.stopStatusTimer();
    const double cpu = bench::threadCpuMs() - cpu0;
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::printf("box changing every tick: %d ticks\n", kTicks);
    std::printf("  exchanges per tick:  %.1f\n",
                static_cast<double>(requestsSince(server, mark)) / kTicks);
    std::printf("  host CPU per tick:   %.2f ms\n", cpu / kTicks);
    std::printf("  wall time per tick:  %.2f ms\n", wall / kTicks);

    window.link().closeLink();
    server.stop();
    return 0;
}
