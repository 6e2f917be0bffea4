// What the utility's answer wait costs the host: one exchange that never gets
// its answer (the whole 4000 ms window) and the round trip of answered
// exchanges, against the emulated box on a socket.

#include <chrono>
#include <cstdio>
#include <string>

#include "benchmarks/CpuTime.h"
#include "emulator/Server.h"
#include "link/BoxCommands.h"
#include "link/UsbLink.h"
#include "tests/support/EmulatedBox.h"

namespace {

class QuietUi final : public boxlink::LinkUi {
public:
    void showStatus(const std::string&, int) override {}
    void showLinkWarning(const std::string& text) override {
        std::fprintf(stderr, "warning: %s\n", text.c_str());
    }
};

double wallMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

}  // namespace

int main() {
    testing_support::EmulatedBox box;
    emu::Server& server = box.server();
    QuietUi ui;
    boxlink::UsbLink link(box.library(), usb::systemClock(), ui);
    boxlink::BoxState state{true};  // writes go out
    boxlink::BoxCommands commands(link, ui, state);
    std::uint32_t number = 0;
    if (!link.findBox(boxlink::BOX_SERIAL, number) || !link.openLink(number)) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }

    // Answered exchanges: status block reads.
    constexpr int kAnswered = 500;
    boxlink::Answer answer{};
    auto start = std::chrono::steady_clock::now();
    double cpu0 = bench::threadCpuMs();
    int failed = 0;
    for (int i = 0; i < kAnswered; ++i) {
        failed += commands.readStatusBlock(answer, 64) ? 0 : 1;
    }
    const double answeredWall = wallMs(start);
    const double answeredCpu = bench::threadCpuMs() - cpu0;
    std::printf("answered exchanges:   %d (%d failed)\n", kAnswered, failed);
    std::printf("  round trip:         %.1f us per exchange\n", answeredWall * 1e3 / kAnswered);
    std::printf("  host CPU:           %.1f us per exchange\n", answeredCpu * 1e3 / kAnswered);

    // One exchange that never gets its answer.
    server.command("fault noanswer 1");
    start = std::chrono::steady_clock::now();
    cpu0 = bench::threadCpuMs();
    const double process0 = bench::processCpuMs();
    const bool ok = commands.readStatusBlock(answer, 64);
    const double silentWall = wallMs(start);
    const double silentCpu = bench::threadCpuMs() - cpu0;
    const double silentProcess = bench::processCpuMs() - process0;
    std::printf("unanswered exchange:  %s after %.0f ms\n", ok ? "answered (unexpected)" : "failed",
                silentWall);
    std::printf("  host CPU:           %.1f ms of the waiting thread = %.2f%% of one core\n",
                silentCpu, 100.0 * silentCpu / silentWall);
    std::printf("  whole process:      %.1f ms = %.2f%% of one core (emulator thread included)\n",
                silentProcess, 100.0 * silentProcess / silentWall);

    link.closeLink();
    return ok ? 1 : 0;
}
