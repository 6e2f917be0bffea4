// The vortilan2-emu program, started as a subprocess and reached through the
// socket protocol and its control socket.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/emulator/Requests.h"
#include "usb/SocketLibrary.h"

extern char** environ;

namespace {

using namespace emutest;

std::string tempPath(const std::string& tag) {
    static std::atomic<int> counter{0};
    return (std::filesystem::temp_directory_path() /
            ("v2-emuprog-" + std::to_string(::getpid()) + "-" + tag + std::to_string(counter++)))
        .string();
}

// Runs the program with its standard input, output and error on /dev/null.
pid_t spawnEmulator(const std::vector<std::string>& args) {
    std::vector<std::string> all = {VORTILAN2_EMU_PROGRAM};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// The exit status, or -1 if the program had to be killed after five seconds.
int waitExit(pid_t pid) {
    for (int i = 0; i < 500; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    return -1;
}

int connectTo(const std::string& path) {
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Sends one control line and returns the reply up to its "ok" or "error" line.
std::string control(const std::string& path, const std::string& line) {
    const int fd = connectTo(path);
    if (fd < 0) {
        return "<no control socket>";
    }
    const std::string out = line + "\n";
    ::send(fd, out.data(), out.size(), MSG_NOSIGNAL);
    ::shutdown(fd, SHUT_WR);
    timeval tv{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string reply;
    char chunk[1024];
    ssize_t n = 0;
    while ((n = ::recv(fd, chunk, sizeof chunk, 0)) > 0) {
        reply.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return reply;
}

class EmuProgram : public ::testing::Test {
protected:
    void start(std::vector<std::string> extra = {}) {
        extra.insert(extra.end(), {"--control", controlPath, socketPath});
        pid = spawnEmulator(extra);
        ASSERT_GT(pid, 0);
        library = usb::createSocketLibrary({socketPath});
        library->setTimeouts(2000, 1000);
        // Until the program listens (a few milliseconds).
        char serial[usb::kStringBufferSize];
        for (int i = 0; i < 500; ++i) {
            if (library->getProductString(0, serial, usb::kSerialNumber) == usb::Ok) {
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        FAIL() << "the emulator does not listen on " << socketPath;
    }

    void TearDown() override {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }

    Bytes exchange(usb::Handle h, const Bytes& request) {
        EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
        std::uint32_t n = 0;
        EXPECT_EQ(library->write(h, request.data(), static_cast<std::uint32_t>(request.size()), &n),
                  usb::Ok);
        Bytes answer(64);
        if (library->read(h, answer.data(), 64, &n) != usb::Ok) {
            return {};
        }
        answer.resize(n);
        return answer;
    }

    std::string socketPath = tempPath("dev");
    std::string controlPath = tempPath("ctl");
    pid_t pid = -1;
    std::unique_ptr<usb::Library> library;
};

TEST_F(EmuProgram, ServesRegisterWriteAndPageReadUntilSigterm) {
    start({"--quiet"});
    usb::Handle h = usb::kInvalidHandle;
    ASSERT_EQ(library->open(0, &h), usb::Ok);
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{boxlink::CMD_REGISTER, 0x00}));
    const Bytes page = exchange(h, pageRead(0, 27));
    ASSERT_EQ(page.size(), 27u);
    EXPECT_EQ(page[0], boxlink::CMD_REGISTER);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(page.data()) + 2), "FW: 0.61");
    // Standard input is at its end from the start; the program still serves, and
    // the control socket sees what the host did.
    EXPECT_EQ(control(controlPath, "show S").substr(0, 9), "S[ 0] 02 ");

    ::kill(pid, SIGTERM);
    EXPECT_EQ(waitExit(pid), 0);
    pid = -1;
    EXPECT_FALSE(std::filesystem::exists(socketPath));
    EXPECT_FALSE(std::filesystem::exists(controlPath));
}

TEST_F(EmuProgram, QuitCommandEndsItAndTheTraceFileHasTheTraffic) {
    const std::string traceFile = tempPath("trace");
    start({"--trace", traceFile, "--serial", "2027", "--state", "sdr"});
    char serial[usb::kStringBufferSize];
    ASSERT_EQ(library->getProductString(0, serial, usb::kSerialNumber), usb::Ok);
    EXPECT_STREQ(serial, "2027");
    usb::Handle h = usb::kInvalidHandle;
    ASSERT_EQ(library->open(0, &h), usb::Ok);
    EXPECT_EQ(exchange(h, pageRead(20, 33)).at(2), 0);  // the SDR state has no HDR infoframe
    EXPECT_EQ(exchange(h, registerWrite(25, 4)), (Bytes{boxlink::CMD_REGISTER, 0x00}));
    EXPECT_EQ(control(controlPath, "quit"), "ok\n");
    EXPECT_EQ(waitExit(pid), 0);
    pid = -1;
    std::ifstream in(traceFile);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(
        text.str().find("host> 10 04 E0 19 04   register 25 := 4 (S[0], input)\nbox<  E0 00\n"),
        std::string::npos)
        << text.str();
    std::filesystem::remove(traceFile);
}

// Runs vortilan2-box with the arguments; its exit status and standard output.
std::pair<int, std::string> runBoxCommand(const std::vector<std::string>& args) {
    std::string command = VORTILAN2_BOX_PROGRAM;
    for (const std::string& a : args) {
        command += " '" + a + "'";
    }
    command += " 2>/dev/null";
    std::FILE* out = ::popen(command.c_str(), "r");
    if (out == nullptr) {
        return {-1, {}};
    }
    std::string text;
    char chunk[512];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, out)) > 0;) {
        text.append(chunk, n);
    }
    const int status = ::pclose(out);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, text};
}

TEST_F(EmuProgram, BoxCommandDrivesTheRunningEmulatorFromAnotherProcess) {
    start({"--quiet"});
    struct Case {
        std::vector<std::string> args;
        int exitStatus;
        std::string replyStart;
    };
    const Case cases[] = {
        {{controlPath, "edidswitch", "fixed"}, 0, "ok"},
        {{controlPath, "show", "S"}, 0, "S[ 0] 01 00 01 02 "},
        {{controlPath, "nonesuch"}, 1, "error"},
        {{tempPath("nobody"), "help"}, 2, ""},
    };
    for (const Case& c : cases) {
        const auto [status, reply] = runBoxCommand(c.args);
        EXPECT_EQ(status, c.exitStatus) << c.args[1];
        EXPECT_EQ(reply.substr(0, c.replyStart.size()), c.replyStart) << reply;
    }
}

struct ArgumentCase {
    const char* name;
    std::vector<std::string> args;
    int exitStatus;
};

class EmuProgramArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(EmuProgramArguments, EndWithTheirExitStatus) {
    const pid_t pid = spawnEmulator(GetParam().args);
    ASSERT_GT(pid, 0);
    EXPECT_EQ(waitExit(pid), GetParam().exitStatus);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EmuProgramArguments,
    ::testing::Values(ArgumentCase{"Help", {"--help"}, 0}, ArgumentCase{"NoSocketPath", {}, 2},
                      ArgumentCase{"UnknownOption", {"--bogus", "/tmp/x"}, 2},
                      ArgumentCase{"MissingValue", {"/tmp/x", "--serial"}, 2},
                      ArgumentCase{"UnknownState", {"--state", "nonesuch", "/tmp/x"}, 2},
                      ArgumentCase{"TwoPaths", {"/tmp/x", "/tmp/y"}, 2},
                      ArgumentCase{"PathIsADirectory", {"--quiet", "/tmp"}, 1}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
