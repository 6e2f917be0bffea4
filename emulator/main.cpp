// vortilan2-emu: serves an emulated box on a Unix-domain socket, with a
// control language on standard input and on an optional control socket.
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "Server.h"
#include "States.h"
#include "vortilan2/Version.h"

namespace {

const char kUsage[] =
    "Usage: vortilan2-emu [OPTION...] SOCKET-PATH\n"
    "Serves an emulated VORTILAN2 box on the Unix-domain socket SOCKET-PATH\n"
    "(list it in VORTILAN2_EMULATOR to reach it from the programs).\n"
    "\n"
    "Options:\n"
    "  --serial TEXT        USB serial string (default \"2026\")\n"
    "  --description TEXT   USB description string (default \"VORTILAN2\")\n"
    "  --state NAME         named state to start in (default \"default\")\n"
    "  --control PATH       also accept control commands on this Unix-domain socket\n"
    "  --trace FILE         write the traffic trace to FILE (default: standard error)\n"
    "  --quiet              write no trace\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "Control commands are read from standard input, one per line (\"help\" lists\n"
    "them); replies go to standard output. The end of standard input does not\n"
    "stop the emulator; SIGINT, SIGTERM or the command \"quit\" do.\n";

struct QuitSignal {
    std::mutex mutex;
    std::condition_variable cv;
    bool quit = false;
    void raise() {
        std::lock_guard lock(mutex);
        quit = true;
        cv.notify_all();
    }
    bool raised() {
        std::lock_guard lock(mutex);
        return quit;
    }
};

// Reads control lines from standard input until its end or until quit.
void readStandardInput(emu::Server& server, QuitSignal& quit) {
    std::string pending;
    while (!quit.raised()) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        const int ready = ::poll(&p, 1, 200);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            continue;
        }
        char chunk[4096];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        const bool end = n <= 0;
        if (!end) {
            pending.append(chunk, static_cast<std::size_t>(n));
        }
        std::size_t start = 0;
        for (std::size_t nl; (nl = pending.find('\n', start)) != std::string::npos;
             start = nl + 1) {
            const std::string reply = server.command(pending.substr(start, nl - start));
            std::printf("%s\n", reply.c_str());
            std::fflush(stdout);
        }
        pending.erase(0, start);
        if (end) {
            if (!pending.empty()) {
                std::printf("%s\n", server.command(pending).c_str());
                std::fflush(stdout);
            }
            return;  // the emulator keeps running
        }
        if (pending.size() > 65536) {
            std::printf("error control line longer than 65536 characters\n");
            std::fflush(stdout);
            pending.clear();
        }
    }
}

bool takeValue(int argc, char** argv, int& i, std::string& value) {
    if (i + 1 >= argc) {
        std::fprintf(stderr, "vortilan2-emu: %s needs a value\n%s", argv[i], kUsage);
        return false;
    }
    value = argv[++i];
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    emu::ServerOptions options;
    std::string traceFile;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::printf("%s\nNamed states:\n", kUsage);
            for (const emu::NamedState& s : emu::namedStates()) {
                std::printf("  %-9s %s\n", s.name, s.summary);
            }
            return 0;
        }
        if (arg == "--version") {
            std::printf("vortilan2-emu %s\n", VORTILAN2_VERSION);
            return 0;
        }
        bool ok = true;
        if (arg == "--serial") {
            ok = takeValue(argc, argv, i, options.serial);
        } else if (arg == "--description") {
            ok = takeValue(argc, argv, i, options.description);
        } else if (arg == "--state") {
            ok = takeValue(argc, argv, i, options.state);
        } else if (arg == "--control") {
            ok = takeValue(argc, argv, i, options.controlPath);
        } else if (arg == "--trace") {
            ok = takeValue(argc, argv, i, traceFile);
        } else if (arg == "--quiet") {
            quiet = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            std::fprintf(stderr, "vortilan2-emu: unknown option %s\n%s", arg.c_str(), kUsage);
            return 2;
        } else if (options.socketPath.empty()) {
            options.socketPath = arg;
        } else {
            std::fprintf(stderr, "vortilan2-emu: one socket path only\n%s", kUsage);
            return 2;
        }
        if (!ok) {
            return 2;
        }
    }
    if (options.socketPath.empty()) {
        std::fprintf(stderr, "vortilan2-emu: no socket path\n%s", kUsage);
        return 2;
    }
    if (!emu::findState(options.state)) {
        std::fprintf(stderr, "vortilan2-emu: no state named %s (see --help)\n",
                     options.state.c_str());
        return 2;
    }

    // SIGINT and SIGTERM are taken by a thread of their own; every other thread blocks them.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    emu::Server server(options);
    if (quiet) {
        server.trace().setOutput(nullptr);
    } else if (!traceFile.empty()) {
        std::FILE* f = std::fopen(traceFile.c_str(), "a");
        if (f == nullptr) {
            std::fprintf(stderr, "vortilan2-emu: cannot write %s: %s\n", traceFile.c_str(),
                         std::strerror(errno));
            return 1;
        }
        server.trace().setOutput(f, true);
    } else {
        server.trace().setOutput(stderr);
    }

    QuitSignal quit;
    server.setQuitHandler([&quit] { quit.raise(); });
    std::string error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "vortilan2-emu: %s\n", error.c_str());
        return 1;
    }

    std::thread signalThread([&] {
        const timespec wait{0, 200 * 1000 * 1000};
        while (!quit.raised()) {
            if (sigtimedwait(&signals, nullptr, &wait) > 0) {
                quit.raise();
            }
        }
    });
    std::thread input([&] { readStandardInput(server, quit); });

    {
        std::unique_lock lock(quit.mutex);
        quit.cv.wait(lock, [&] { return quit.quit; });
    }
    signalThread.join();
    input.join();
    server.stop();
    return 0;
}
