// Running the field's reference tools (edid-decode) from tests: whether one
// is installed, and a command's standard output.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>

namespace testing_support {

inline bool haveEdidDecode() {
    return std::system("command -v edid-decode >/dev/null 2>&1") == 0;
}

inline std::string runCommand(const std::string& command) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return output;
    }
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, n);
    }
    pclose(pipe);
    return output;
}

}  // namespace testing_support

// Skips a test on a machine without edid-decode (scripts/deps.sh installs it).
#define REQUIRE_EDID_DECODE()                                              \
    if (!testing_support::haveEdidDecode()) {                              \
        GTEST_SKIP() << "edid-decode is not installed (scripts/deps.sh)"; \
    }
