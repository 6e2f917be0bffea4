// vortilan2-box: sends one line of the control language to a running
// vortilan2-emu through its control socket and prints the reply.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "vortilan2/Version.h"

namespace {

const char kUsage[] =
    "Usage: vortilan2-box CONTROL-SOCKET COMMAND [WORD...]\n"
    "Sends the command (its words joined by blanks) to the emulated box that\n"
    "listens for control commands on CONTROL-SOCKET (vortilan2-emu --control)\n"
    "and prints the reply. Exit status 0 when the reply ends in \"ok\", 1 when\n"
    "it ends in \"error\", 2 when the box cannot be reached.\n"
    "Example: vortilan2-box /tmp/box.ctl edidswitch fixed\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n";

constexpr int kReplyWaitMs = 5000;

// True once text holds a whole reply: its last line starts with ok or error.
bool replyComplete(const std::string& text, bool* ok) {
    if (text.empty() || text.back() != '\n') {
        return false;
    }
    const std::size_t start = text.rfind('\n', text.size() - 2);
    const std::string last = text.substr(start == std::string::npos ? 0 : start + 1);
    if (last.rfind("ok", 0) == 0) {
        *ok = true;
        return true;
    }
    if (last.rfind("error", 0) == 0) {
        *ok = false;
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vortilan2-box %s\n", VORTILAN2_VERSION);
        return 0;
    }
    if (argc < 3) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string line;
    for (int i = 2; i < argc; ++i) {
        line += (i > 2 ? " " : "") + std::string(argv[i]);
    }
    line += '\n';

    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = argv[1];
    if (path.size() >= sizeof address.sun_path) {
        std::fprintf(stderr, "vortilan2-box: socket path too long: %s\n", path.c_str());
        return 2;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "vortilan2-box: cannot reach %s: %s\n", path.c_str(),
                     std::strerror(errno));
        return 2;
    }
    if (::send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
        std::fprintf(stderr, "vortilan2-box: cannot send to %s: %s\n", path.c_str(),
                     std::strerror(errno));
        ::close(fd);
        return 2;
    }

    std::string reply;
    bool ok = false;
    while (!replyComplete(reply, &ok)) {
        pollfd p{fd, POLLIN, 0};
        const int ready = ::poll(&p, 1, kReplyWaitMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        char chunk[4096];
        const ssize_t n = ready > 0 ? ::recv(fd, chunk, sizeof chunk, 0) : 0;
        if (n <= 0) {
            std::fputs(reply.c_str(), stdout);
            std::fprintf(stderr, "vortilan2-box: no complete reply from %s\n", path.c_str());
            ::close(fd);
            return 2;
        }
        reply.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    std::fputs(reply.c_str(), stdout);
    return ok ? 0 : 1;
}
