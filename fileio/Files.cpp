#include "fileio/Files.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QSaveFile>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

namespace fileio {

namespace {

std::string systemError(int error) {
    return std::strerror(error);
}

// The whole of bytes through a save file opened on name.
SaveResult saveThroughQt(const QString& name, std::string_view bytes) {
    SaveResult result;
    QSaveFile file(name);
    // Unbuffered, so that every write reports what reached the file: a
    // buffered write that fails only at commit would be harder to tell.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = file.errorString().toStdString();
        return result;
    }
    const auto size = static_cast<qint64>(bytes.size());
    for (qint64 done = 0; done < size;) {
        const qint64 written = file.write(bytes.data() + done, size - done);
        if (written <= 0) {
            result.error = file.errorString().toStdString();
            file.cancelWriting();
            return result;
        }
        done += written;
    }
    if (!file.commit()) {
        result.error = file.errorString().toStdString();
        return result;
    }
    result.ok = true;
    return result;
}

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

// A name that Qt cannot spell (bytes that are not UTF-8): the save file is
// written under a stand-in name in the same folder, reached through the
// folder's descriptor, and then renamed to the real name in one step.
SaveResult saveUnderStandIn(const Path& path, std::string_view bytes) {
    SaveResult result;
    const std::string& full = path.bytes();
    const std::size_t slash = full.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : full.substr(0, slash == 0 ? 1 : slash);
    const std::string base = slash == std::string::npos ? full : full.substr(slash + 1);
    const Descriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() < 0) {
        result.error = systemError(errno);
        return result;
    }
    static std::atomic<unsigned> counter{0};
    const std::string standIn = ".vortilan2-save-" + std::to_string(::getpid()) + "-" +
                                std::to_string(counter++);
    struct stat old {};
    const bool existed = ::fstatat(dir.get(), base.c_str(), &old, 0) == 0;
    result = saveThroughQt(QString::fromLatin1("/proc/self/fd/%1/%2")
                               .arg(dir.get())
                               .arg(QString::fromLatin1(standIn)),
                           bytes);
    if (!result.ok) {
        return result;
    }
    if (existed && ::fchmodat(dir.get(), standIn.c_str(), old.st_mode & 07777, 0) != 0) {
        result.ok = false;
        result.error = systemError(errno);
        ::unlinkat(dir.get(), standIn.c_str(), 0);
        return result;
    }
    if (::renameat(dir.get(), standIn.c_str(), dir.get(), base.c_str()) != 0) {
        result.ok = false;
        result.error = systemError(errno);
        ::unlinkat(dir.get(), standIn.c_str(), 0);
    }
    return result;
}

}  // namespace

Path Path::fromQt(const QString& name) {
    return Path(QFile::encodeName(name).toStdString());
}

QString Path::shown() const {
    return QFile::decodeName(QByteArray::fromStdString(bytes_));
}

SaveResult saveFile(const Path& path, std::string_view bytes) {
    if (path.bytes().empty()) {
        return {false, systemError(ENOENT)};
    }
    const QString name = path.shown();
    if (QFile::encodeName(name).toStdString() == path.bytes()) {
        return saveThroughQt(name, bytes);
    }
    return saveUnderStandIn(path, bytes);
}

std::string sizeText(std::size_t bytes) {
    if (bytes >= 1024 && bytes % 1024 == 0) {
        return std::to_string(bytes / 1024) + " KiB";
    }
    return std::to_string(bytes) + " bytes";
}

ReadResult readFile(const Path& path, std::size_t limit, std::string_view kind) {
    ReadResult result;
    // Not blocking: opening a FIFO that nobody writes returns at once.
    const Descriptor fd(
        ::open(path.bytes().c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
    if (fd.get() < 0) {
        result.error = systemError(errno);
        return result;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0) {
        result.error = systemError(errno);
        return result;
    }
    if (S_ISDIR(info.st_mode)) {
        result.error = systemError(EISDIR);
        return result;
    }
    result.opened = true;
    const std::string tooMuch =
        "it holds more than " + sizeText(limit) + ", too much for " + std::string(kind);
    if (S_ISREG(info.st_mode) && static_cast<std::uint64_t>(info.st_size) > limit) {
        result.error = tooMuch;
        return result;
    }
    // One byte past the limit tells a file that is too long.
    constexpr std::size_t kChunk = 64 * 1024;
    std::string& bytes = result.bytes;
    for (;;) {
        const std::size_t room = limit + 1 - bytes.size();
        const std::size_t at = bytes.size();
        bytes.resize(at + std::min(room, kChunk));
        const ssize_t n = ::read(fd.get(), bytes.data() + at, bytes.size() - at);
        if (n > 0) {
            bytes.resize(at + static_cast<std::size_t>(n));
            if (bytes.size() > limit) {
                result.bytes.clear();
                result.bytes.shrink_to_fit();
                result.error = tooMuch;
                return result;
            }
            continue;
        }
        bytes.resize(at);
        if (n == 0) {
            break;
        }
        if (errno == EINTR) {
            continue;
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            pollfd wait{fd.get(), POLLIN, 0};
            const int ready = ::poll(&wait, 1, kIdleSeconds * 1000);
            if (ready < 0 && errno != EINTR) {
                result.bytes.clear();
                result.error = systemError(errno);
                return result;
            }
            if (ready == 0) {
                result.bytes.clear();
                result.error = "nothing came from it for " + std::to_string(kIdleSeconds) +
                               " seconds";
                return result;
            }
            continue;
        }
        result.bytes.clear();
        result.error = systemError(errno);
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace fileio
