// Hostile file systems and inputs for the tests of the file writers and
// readers: a file size limit (as a nearly full disk cuts a write short), and
// a FIFO whose writer never stops.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// While it lives, no file of this process grows past `bytes`: a write past
// it fails with "File too large" (SIGXFSZ ignored). Needs no privilege.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &kept_);
        handler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = kept_;
        small.rlim_cur = bytes;
        ok_ = setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &kept_);
        std::signal(SIGXFSZ, handler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool ok() const { return ok_; }

private:
    rlimit kept_{};
    void (*handler_)(int) = nullptr;
    bool ok_ = false;
};

// A FIFO at path that a thread fills for as long as the object lives.
class EndlessFifo {
public:
    explicit EndlessFifo(std::string path) : path_(std::move(path)) {
        ::mkfifo(path_.c_str(), 0600);
        // Read and write: the open does not wait for a reader, and a reader
        // never sees the end of the data.
        fd_ = ::open(path_.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        writer_ = std::thread([this] {
            const std::vector<char> chunk(4096, 'A');
            while (!stop_) {
                if (::write(fd_, chunk.data(), chunk.size()) < 0) {
                    pollfd wait{fd_, POLLOUT, 0};
                    ::poll(&wait, 1, 10);
                }
            }
        });
    }
    ~EndlessFifo() {
        stop_ = true;
        writer_.join();
        ::close(fd_);
        ::unlink(path_.c_str());
    }
    EndlessFifo(const EndlessFifo&) = delete;
    EndlessFifo& operator=(const EndlessFifo&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    std::atomic<bool> stop_{false};
    std::thread writer_;
};

}  // namespace testing_support
