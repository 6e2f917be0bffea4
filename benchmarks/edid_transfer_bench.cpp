// What one EDID read of a TV and one upload into a custom table cost against
// the emulated box on a socket: the exchanges, the host CPU time of the
// calling thread, and the wall time less the pauses that the protocol
// mandates (300 ms after the fetch, 30 ms after each of the 32 upload chunks).
// Each is measured through the EDID module alone and through the window's
// slot, which also fills the editor and the decoded view.

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QTextEdit>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>

#include "benchmarks/BenchApplication.h"
#include "benchmarks/BenchSupport.h"
#include "benchmarks/CpuTime.h"
#include "edid/Image.h"
#include "edid/Transfer.h"
#include "emulator/Box.h"
#include "emulator/Server.h"
#include "qt/Dialogs.h"
#include "qt/MainWindow.h"
#include "tests/support/EmulatedBox.h"
#include "ui_VortilanForm.h"

int main(int argc, char** argv) {
    bench::BenchApplication app(argc, argv);

    testing_support::EmulatedBox box;
    emu::Server& server = box.server();
    auto dialogs = gui::createQtDialogs();
    bench::PauseCountingClock clock;
    MainWindow window(box.library(), clock, *dialogs);
    window.stopStatusTimer();
    if (!window.link().isOpen()) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }

    const auto measure = [&](const char* what, int runs, const std::function<bool()>& run) {
        const std::size_t mark = server.trace().total();
        const std::uint64_t paused0 = clock.pausedMs();
        const auto start = std::chrono::steady_clock::now();
        const double cpu0 = bench::threadCpuMs();
        int failed = 0;
        for (int i = 0; i < runs; ++i) {
            failed += run() ? 0 : 1;
        }
        const double cpu = bench::threadCpuMs() - cpu0;
        const double wall =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count();
        const auto paused = static_cast<double>(clock.pausedMs() - paused0);
        std::printf("%s: %d runs%s\n", what, runs, failed != 0 ? " (SOME FAILED)" : "");
        std::printf("  exchanges per run:         %.1f\n",
                    static_cast<double>(bench::requestsSince(server, mark)) / runs);
        std::printf("  host CPU per run:          %.2f ms\n", cpu / runs);
        std::printf("  wall time per run:         %.1f ms\n", wall / runs);
        std::printf("  mandated pauses per run:   %.1f ms\n", paused / runs);
        std::printf("  wall less pauses per run:  %.2f ms\n", (wall - paused) / runs);
    };

    Ui::MainWindow& ui = *window.form();
    const emu::Edid tv = server.withBox([](emu::Box& b) { return *b.sink(0); });
    std::string text;
    edid::BoxAccess access{window.commands(), window, clock, {}};

    measure("TV EDID read, EDID module", 20,
            [&] { return edid::readEdid(access, edid::EdidSource::Tx0, text); });
    measure("TV EDID read, window slot (editor and decoded view)", 20, [&] {
        return QMetaObject::invokeMethod(&window, "readTvEdidA") &&
               window.state().edidHexText().size() == edid::kHexTextSize;
    });

    ui.customEDID->setChecked(true);
    ui.cmBEdid->setCurrentIndex(2);
    measure("upload into table 3, EDID module", 5, [&] { return edid::uploadEdid(access, 3, tv); });
    ui.EDIDtext->setPlainText(QString::fromStdString(edid::hexText(tv)));
    measure("upload into table 3, window slot", 5, [&] {
        return QMetaObject::invokeMethod(&window, "WriteEDID") &&
               server.withBox([](emu::Box& b) { return *b.table(3); }) == tv;
    });

    window.link().closeLink();
    return 0;
}
