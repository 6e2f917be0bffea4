#include "usb/DeviceLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace usb {

namespace {

// The program's name as the system shows it.
std::string programName() {
    std::ifstream comm("/proc/self/comm");
    std::string name;
    std::getline(comm, name);
    return name.empty() ? std::string("a program") : name;
}

// File names keep letters, digits, '-' and '.'; anything else becomes '_',
// and a hash of the whole name keeps two link names apart.
std::string fileNameFor(const std::string& linkName) {
    std::string name;
    for (const char c : linkName) {
        const bool keep = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '.';
        name += keep ? c : '_';
    }
    if (name.size() > 80) {
        name = name.substr(name.size() - 80);
    }
    std::uint64_t hash = 1469598103934665603ULL;  // FNV-1a
    for (const char c : linkName) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
    }
    std::ostringstream out;
    out << "vortilan2-" << name << '-' << std::hex << (hash & 0xFFFFFFFFULL) << ".lock";
    return out.str();
}

}  // namespace

DeviceLock::~DeviceLock() {
    // Removed while still locked, so that nobody takes a lock on a file that
    // is about to go; whoever opened it meanwhile finds it gone (see acquire).
    if (!path_.empty()) {
        ::unlink(path_.c_str());
    }
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

std::string DeviceLock::pathFor(const std::string& linkName) {
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir == nullptr || *dir == '\0' || ::access(dir, W_OK) != 0) {
        dir = std::getenv("TMPDIR");
    }
    if (dir == nullptr || *dir == '\0') {
        dir = "/tmp";
    }
    return std::string(dir) + "/" + fileNameFor(linkName);
}

std::unique_ptr<DeviceLock> DeviceLock::acquire(const std::string& linkName) {
    const std::string path = pathFor(linkName);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            // No place for a lock file: go on without one rather than refuse the box.
            return std::unique_ptr<DeviceLock>(new DeviceLock(-1, std::string()));
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd);
            return nullptr;
        }
        // The holder before us may have removed the file between our open and
        // our lock: then the lock is on a file nobody else sees. Try again.
        struct stat opened {};
        struct stat named {};
        if (::fstat(fd, &opened) != 0 || ::stat(path.c_str(), &named) != 0 ||
            opened.st_dev != named.st_dev || opened.st_ino != named.st_ino) {
            ::close(fd);
            continue;
        }
        const std::string who = programName() + " (process " + std::to_string(::getpid()) + ")\n";
        if (::ftruncate(fd, 0) == 0) {
            ssize_t written = ::pwrite(fd, who.data(), who.size(), 0);
            (void)written;
        }
        return std::unique_ptr<DeviceLock>(new DeviceLock(fd, path));
    }
    return nullptr;
}

std::optional<std::string> DeviceLock::inUseText(const std::string& linkName) {
    if (const auto who = holder(linkName)) {
        return "the box is in use by " + *who + "; close that program first";
    }
    return std::nullopt;
}

std::optional<std::string> DeviceLock::holder(const std::string& linkName) {
    const std::string path = pathFor(linkName);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return std::nullopt;
    }
    const bool held = ::flock(fd, LOCK_SH | LOCK_NB) != 0 && errno == EWOULDBLOCK;
    std::string who;
    if (held) {
        char buffer[256];
        const ssize_t n = ::pread(fd, buffer, sizeof buffer - 1, 0);
        if (n > 0) {
            who.assign(buffer, static_cast<std::size_t>(n));
        }
        while (!who.empty() && (who.back() == '\n' || who.back() == '\r')) {
            who.pop_back();
        }
        if (who.empty()) {
            who = "another program";
        }
    }
    ::close(fd);
    if (!held) {
        return std::nullopt;
    }
    return who;
}

}  // namespace usb
