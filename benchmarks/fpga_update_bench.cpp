// Writes a full image set (a 640 KB "1A70" part 1 and four OSD parts that
// fill their ranges) into an emulated box through the socket back end, and
// prints the exchanges, their rate, the updater's CPU time per exchange and
// the wall time less the pauses that the protocol mandates.
//
// Usage: fpga_update_bench [--no-sleep] [--socket PATH]
//   --no-sleep     count the mandated pauses instead of sleeping them
//   --socket PATH  use an emulator that already listens there instead of one in this process
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "benchmarks/CpuTime.h"
#include "emulator/Server.h"
#include "updater/FlashUpdater.h"
#include "updater/ImageFile.h"
#include "usb/Clock.h"
#include "usb/SocketLibrary.h"

namespace {

using SteadyClock = std::chrono::steady_clock;

// Passes every call on and counts the writes: one write is one exchange.
class CountingLibrary final : public usb::Library {
public:
    explicit CountingLibrary(usb::Library& inner) : inner_(inner) {}
    std::uint64_t writes() const { return writes_; }

    int getNumDevices(std::uint32_t* c) override { return inner_.getNumDevices(c); }
    int getProductString(std::uint32_t i, char* b, std::uint32_t o) override {
        return inner_.getProductString(i, b, o);
    }
    int open(std::uint32_t i, usb::Handle* h) override { return inner_.open(i, h); }
    int close(usb::Handle h) override { return inner_.close(h); }
    int read(usb::Handle h, void* b, std::uint32_t c, std::uint32_t* n) override {
        return inner_.read(h, b, c, n);
    }
    int write(usb::Handle h, const void* b, std::uint32_t c, std::uint32_t* n) override {
        ++writes_;
        return inner_.write(h, b, c, n);
    }
    int flushBuffers(usb::Handle h, std::uint8_t t, std::uint8_t r) override {
        return inner_.flushBuffers(h, t, r);
    }
    int setTimeouts(std::uint32_t r, std::uint32_t w) override { return inner_.setTimeouts(r, w); }
    int getTimeouts(std::uint32_t* r, std::uint32_t* w) override {
        return inner_.getTimeouts(r, w);
    }
    int checkRxQueue(usb::Handle h, std::uint32_t* n, std::uint32_t* s) override {
        return inner_.checkRxQueue(h, n, s);
    }

private:
    usb::Library& inner_;
    std::atomic<std::uint64_t> writes_{0};
};

// The system clock; sums the time spent in the protocol's pauses.
class PauseClock final : public usb::Clock {
public:
    explicit PauseClock(bool sleep) : sleep_(sleep) {}
    std::uint32_t tickMs() override { return usb::systemClock().tickMs(); }
    void sleepMs(std::uint32_t ms) override {
        mandatedMs_ += ms;
        ++pauses_;
        if (sleep_) {
            const auto start = SteadyClock::now();
            usb::systemClock().sleepMs(ms);
            slept_ += SteadyClock::now() - start;
        }
    }
    std::uint64_t mandatedMs() const { return mandatedMs_; }
    std::uint64_t pauses() const { return pauses_; }
    double sleptSeconds() const { return std::chrono::duration<double>(slept_).count(); }

private:
    bool sleep_;
    std::uint64_t mandatedMs_ = 0;
    std::uint64_t pauses_ = 0;
    SteadyClock::duration slept_{};
};

class QuietUi final : public updater::UpdaterUi {
public:
    void drawLine(const std::string&, int) override { ++lines; }
    void messageBox(const std::string& text, const std::string& caption,
                    updater::MessageIcon) override {
        last = caption + "|" + text;
    }
    void printLine(const std::string& text) override { std::printf("%s\n", text.c_str()); }
    void endProgram(int exitStatus) override { status = exitStatus; }

    std::uint64_t lines = 0;
    std::string last;
    int status = -1;
};

double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    auto seconds = [](const timeval& v) {
        return static_cast<double>(v.tv_sec) + static_cast<double>(v.tv_usec) / 1e6;
    };
    return seconds(u.ru_utime) + seconds(u.ru_stime);
}

void writeImage(const std::filesystem::path& file, const char* id, std::size_t size,
                std::uint32_t seed) {
    std::vector<char> bytes(id, id + 4);
    std::uint32_t x = seed;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        bytes.push_back(static_cast<char>(x >> 24));
    }
    std::ofstream(file, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    bool sleep = true;
    std::string externalSocket;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-sleep") == 0) {
            sleep = false;
        } else if (std::strcmp(argv[i], "--socket") == 0 && i + 1 < argc) {
            externalSocket = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--no-sleep] [--socket PATH]\n", argv[0]);
            return 2;
        }
    }

    char dirTemplate[] = "/tmp/fpga-update-bench-XXXXXX";
    if (::mkdtemp(dirTemplate) == nullptr) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::filesystem::path dir = dirTemplate;
    const struct {
        const char* id;
        std::size_t size;
    } parts[] = {{"1A70", 640 * 1024},
                 {"1A60", 640 * 1024},
                 {"1A65", 384 * 1024},
                 {"1A60", 640 * 1024},
                 {"1A65", 384 * 1024}};
    std::size_t payload = 0;
    for (std::size_t i = 0; i < std::size(parts); ++i) {
        writeImage(dir / updater::kPartFiles[i], parts[i].id, parts[i].size,
                   static_cast<std::uint32_t>(i + 1));
        payload += parts[i].size;
    }

    std::unique_ptr<emu::Server> server;
    std::string socketPath = externalSocket;
    if (socketPath.empty()) {
        socketPath = (dir / "box.sock").string();
        emu::ServerOptions options;
        options.socketPath = socketPath;
        server = std::make_unique<emu::Server>(options);
        std::string error;
        if (!server->start(&error)) {
            std::fprintf(stderr, "emulator: %s\n", error.c_str());
            return 1;
        }
    }

    auto socketLibrary = usb::createSocketLibrary({socketPath});
    CountingLibrary library(*socketLibrary);
    PauseClock clock(sleep);
    QuietUi ui;
    updater::FlashUpdater updater(library, clock, ui, {dir});

    const double processCpuBefore = processCpuSeconds();
    const double cpuBefore = bench::threadCpuMs() / 1e3;
    const auto start = SteadyClock::now();
    const updater::RunEnd end = updater.run();
    const double wall = std::chrono::duration<double>(SteadyClock::now() - start).count();
    const double cpu = bench::threadCpuMs() / 1e3 - cpuBefore;
    const double processCpu = processCpuSeconds() - processCpuBefore;

    if (server) {
        server->stop();
    }
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);

    if (end != updater::RunEnd::Succeeded) {
        std::fprintf(stderr, "the run failed: %s\n", ui.last.c_str());
        return 1;
    }
    const auto exchanges = static_cast<double>(library.writes());
    const double pauses = sleep ? clock.sleptSeconds() : 0.0;
    const double working = wall - pauses;
    std::printf("fpga-update benchmark: 5 parts, %zu payload bytes, ended with \"%s\"\n", payload,
                ui.last.substr(ui.last.find('|') + 1).c_str());
    std::printf("  exchanges                      %.0f\n", exchanges);
    std::printf("  wall time                      %.3f s\n", wall);
    std::printf("  mandated pauses                %.3f s (%llu pauses, %llu ms asked%s)\n", pauses,
                static_cast<unsigned long long>(clock.pauses()),
                static_cast<unsigned long long>(clock.mandatedMs()), sleep ? "" : ", not slept");
    std::printf("  wall time less the pauses      %.3f s\n", working);
    std::printf("  exchanges per second           %.0f (without the pauses)\n",
                exchanges / working);
    std::printf("  updater CPU time per exchange  %.2f us\n", cpu / exchanges * 1e6);
    std::printf("  process CPU time per exchange  %.2f us (updater and emulator)\n",
                processCpu / exchanges * 1e6);
    return 0;
}
