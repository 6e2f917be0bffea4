// Prints how fast the emulator answers: requests handled by the box model
// alone, and whole exchanges (flush, write, read) through the socket back end,
// for single requests and for the utility's 19-exchange status poll.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "emulator/Box.h"
#include "emulator/Server.h"
#include "usb/SocketLibrary.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

double seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool exchange(usb::Library& library, usb::Handle h, const Bytes& request, std::size_t expected) {
    std::uint32_t n = 0;
    library.flushBuffers(h, 1, 1);
    if (library.write(h, request.data(), static_cast<std::uint32_t>(request.size()), &n) !=
        usb::Ok) {
        return false;
    }
    std::uint8_t answer[64];
    std::size_t got = 0;
    while (got < expected) {
        if (library.read(h, answer, 64, &n) != usb::Ok) {
            return false;
        }
        got += n;
    }
    return true;
}

}  // namespace

int main() {
    {
        emu::Box box;
        const Bytes status = {0x11, 64, 0xE1};
        const Bytes reg = {0x10, 4, 0xE0, 25, 1};
        const int rounds = 200000;
        const auto start = Clock::now();
        for (int i = 0; i < rounds; ++i) {
            box.handle(i % 2 ? status.data() : reg.data(), i % 2 ? 3 : 5);
        }
        const double s = seconds(start);
        std::printf("box model alone:        %8.0f requests/s (%.2f us each)\n", rounds / s,
                    s / rounds * 1e6);
    }

    emu::ServerOptions options;
    options.socketPath =
        (std::filesystem::temp_directory_path() / ("v2-emu-bench-" + std::to_string(::getpid())))
            .string();
    emu::Server server(options);
    std::string error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "cannot start the emulator: %s\n", error.c_str());
        return 1;
    }
    auto library = usb::createSocketLibrary({options.socketPath});
    usb::Handle h = usb::kInvalidHandle;
    if (library->open(0, &h) != usb::Ok) {
        std::fprintf(stderr, "cannot open the emulated box\n");
        return 1;
    }

    const Bytes reg = {0x10, 4, 0xE0, 25, 1};
    const int rounds = 5000;
    auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) {
        if (!exchange(*library, h, reg, 2)) {
            std::fprintf(stderr, "exchange failed\n");
            return 1;
        }
    }
    double s = seconds(start);
    std::printf("register write exchange: %7.0f exchanges/s (%.1f us each)\n", rounds / s,
                s / rounds * 1e6);

    // One status tick of the utility: status block, pages 11 and 12, then 16 signal pages.
    struct Read {
        std::uint8_t cmd, page, length;
    };
    std::vector<Read> tick = {{0xE1, 0, 64}, {0xE0, 11, 30}, {0xE0, 12, 64}};
    for (int p : {1, 2, 5, 6, 7, 8}) {
        tick.push_back({0xE0, static_cast<std::uint8_t>(p), 60});
    }
    for (int p : {3, 4, 17, 20, 21, 22, 23}) {
        tick.push_back({0xE0, static_cast<std::uint8_t>(p), 33});
    }
    tick.push_back({0xE0, 18, 19});
    tick.push_back({0xE0, 19, 33});
    tick.push_back({0xE0, 13, 28});
    const int ticks = 500;
    start = Clock::now();
    for (int t = 0; t < ticks; ++t) {
        for (const Read& r : tick) {
            const Bytes request =
                r.cmd == 0xE1 ? Bytes{0x11, r.length, 0xE1} : Bytes{0x11, r.length, 0xE0, r.page};
            if (!exchange(*library, h, request, r.length)) {
                std::fprintf(stderr, "status tick failed\n");
                return 1;
            }
        }
    }
    s = seconds(start);
    std::printf("status poll tick (%zu exchanges): %.2f ms each\n", tick.size(), s / ticks * 1e3);
    std::printf("trace entries kept: %zu\n", server.trace().entries().size());
    library->close(h);
    server.stop();
    return 0;
}
