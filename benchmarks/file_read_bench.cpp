// The bounded reads of every file input, against inputs without end: how
// long each takes to refuse /dev/zero, /dev/urandom and a FIFO that never
// ends, and how much the process's peak memory grows while it does.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

#include "config/BoxConfig.h"
#include "edid/File.h"
#include "tests/support/FileLimits.h"

namespace {

long peakKib() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void measure(const char* reader, const char* input, const std::function<std::string()>& read) {
    const long before = peakKib();
    const auto start = std::chrono::steady_clock::now();
    const std::string refusal = read();
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() -
                                                              start)
                        .count();
    std::printf("%-22s %-14s %8.1f ms  peak +%5ld KiB  \"%s\"\n", reader, input, ms,
                peakKib() - before, refusal.c_str());
}

}  // namespace

int main() {
    const std::string fifoPath =
        (std::filesystem::temp_directory_path() / ("v2-bench-fifo-" + std::to_string(::getpid())))
            .string();
    const testing_support::EndlessFifo fifo(fifoPath);
    std::printf("peak memory at start: %ld KiB\n", peakKib());
    for (const char* input : {"/dev/zero", "/dev/urandom", fifoPath.c_str()}) {
        const char* shown = input == fifoPath.c_str() ? "endless FIFO" : input;
        measure("configuration file", shown, [input] {
            return config::readConfigFile(fileio::Path(input)).refusal;
        });
        measure("EDID file", shown, [input] {
            return edid::loadEdidFile(fileio::Path(input)).error.toStdString();
        });
    }
    std::printf("peak memory at end: %ld KiB\n", peakKib());
    return 0;
}
