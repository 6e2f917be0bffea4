// The host side of the emulated-device socket protocol, checked byte by byte
// against a hand-driven peer.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>

#include "usb/SocketFrame.h"
#include "usb/SocketLibrary.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A device peer that accepts connections, greets each with a descriptor
// frame and lets the test send raw bytes and read the frames that arrive.
class Peer {
public:
    explicit Peer(std::string serial = "2026", std::string description = "VORTILAN2")
        : serial_(std::move(serial)), description_(std::move(description)) {
        static std::atomic<int> counter{0};
        path_ = (std::filesystem::temp_directory_path() /
                 ("v2-usb-test-" + std::to_string(::getpid()) + "-" + std::to_string(counter++)))
                    .string();
        listen();
    }
    ~Peer() {
        stopListening();
        for (int fd : connections_) {
            ::close(fd);
        }
    }

    const std::string& path() const { return path_; }

    void listen() {
        ::unlink(path_.c_str());
        listener_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path_.c_str(), sizeof a.sun_path - 1);
        EXPECT_EQ(::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(listener_, 8), 0);
        running_ = true;
        acceptor_ = std::thread([this] {
            for (;;) {
                pollfd p{listener_, POLLIN, 0};
                if (::poll(&p, 1, 20) <= 0) {
                    if (!running_) {
                        return;
                    }
                    continue;
                }
                const int fd = ::accept(listener_, nullptr, nullptr);
                if (fd < 0) {
                    return;
                }
                if (greet_) {
                    sendRaw(fd, usb::frame::encode(
                                    usb::frame::kDescriptor,
                                    usb::frame::descriptorPayload(serial_, description_).data(),
                                    serial_.size() + 1 + description_.size()));
                }
                std::lock_guard lock(mutex_);
                connections_.push_back(fd);
            }
        });
    }

    void stopListening() {
        running_ = false;
        if (acceptor_.joinable()) {
            acceptor_.join();
        }
        if (listener_ >= 0) {
            ::close(listener_);
            listener_ = -1;
        }
        ::unlink(path_.c_str());
    }

    void setGreeting(bool on) { greet_ = on; }

    // The most recent connection.
    int last() {
        for (int i = 0; i < 200; ++i) {
            {
                std::lock_guard lock(mutex_);
                if (!connections_.empty()) {
                    return connections_.back();
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        ADD_FAILURE() << "no connection";
        return -1;
    }
    std::size_t connectionCount() {
        std::lock_guard lock(mutex_);
        return connections_.size();
    }

    static void sendRaw(int fd, const Bytes& bytes) {
        ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    void sendAnswer(const Bytes& answer) {
        sendRaw(last(), usb::frame::encode(usb::frame::kRead, answer.data(), answer.size()));
    }

    // Frames that arrived on the last connection within a short while.
    std::vector<usb::frame::Frame> receive(std::size_t wanted) {
        const int fd = last();
        std::vector<usb::frame::Frame> frames;
        for (int i = 0; i < 100 && frames.size() < wanted; ++i) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) > 0) {
                std::uint8_t chunk[512];
                const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
                if (n <= 0) {
                    break;
                }
                decoder_.feed(chunk, static_cast<std::size_t>(n));
            }
            while (auto f = decoder_.next()) {
                frames.push_back(*f);
            }
        }
        return frames;
    }

    void hangUp() {
        std::lock_guard lock(mutex_);
        for (int fd : connections_) {
            ::close(fd);
        }
        connections_.clear();
    }

private:
    std::string serial_;
    std::string description_;
    std::string path_;
    int listener_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<bool> greet_{true};
    std::thread acceptor_;
    std::mutex mutex_;
    std::vector<int> connections_;
    usb::frame::Decoder decoder_;
};

class SocketLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        library = usb::createSocketLibrary({peer.path()});
        library->setTimeouts(50, 50);
    }
    usb::Handle openBox() {
        usb::Handle h = usb::kInvalidHandle;
        EXPECT_EQ(library->open(0, &h), usb::Ok);
        return h;
    }
    // Waits (through the queue check) until n bytes are queued.
    std::uint32_t waitQueued(usb::Handle h, std::uint32_t n) {
        std::uint32_t queued = 0;
        for (int i = 0; i < 500 && queued < n; ++i) {
            EXPECT_EQ(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
        }
        return queued;
    }

    Peer peer;
    std::unique_ptr<usb::Library> library;
};

TEST(SocketFrame, EncodesLengthLowByteFirstAndDecodesWholeFramesOnly) {
    Bytes payload(300, 0xAB);
    const Bytes f = usb::frame::encode(usb::frame::kWrite, payload.data(), payload.size());
    ASSERT_EQ(f.size(), 303u);
    EXPECT_EQ(f[0], 'W');
    EXPECT_EQ(f[1], 0x2C);
    EXPECT_EQ(f[2], 0x01);

    usb::frame::Decoder d;
    d.feed(f.data(), 100);
    EXPECT_FALSE(d.next().has_value());
    d.feed(f.data() + 100, f.size() - 100);
    const auto frame = d.next();
    ASSERT_TRUE(frame.has_value());
    EXPECT_EQ(frame->payload, payload);
}

TEST(SocketFrame, UnknownTypeIsAProtocolError) {
    usb::frame::Decoder d;
    const std::uint8_t bad[] = {'X', 0, 0};
    d.feed(bad, sizeof bad);
    EXPECT_FALSE(d.next().has_value());
    EXPECT_TRUE(d.failed());
}

TEST(SocketPathList, SplitsOnColonsAndKeepsEmptyEntries) {
    EXPECT_EQ(usb::splitPathList("/a:/b"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_EQ(usb::splitPathList("/a::/b"), (std::vector<std::string>{"/a", "", "/b"}));
    EXPECT_TRUE(usb::splitPathList("").empty());
}

TEST(SocketPathList, EnvironmentSelectsEmulatedDevices) {
    ::setenv(usb::kEmulatorVariable, "/tmp/one.sock:/tmp/two.sock", 1);
    EXPECT_EQ(usb::emulatorPaths().size(), 2u);
    ::setenv(usb::kEmulatorVariable, "", 1);
    EXPECT_TRUE(usb::emulatorPaths().empty());
    ::unsetenv(usb::kEmulatorVariable);
    EXPECT_TRUE(usb::emulatorPaths().empty());
}

TEST_F(SocketLibraryTest, DeviceStringsComeFromTheDescriptorAndTheList) {
    struct Case {
        std::uint32_t option;
        std::string expected;
    };
    const Case cases[] = {{usb::kSerialNumber, "2026"},
                          {usb::kDescription, "VORTILAN2"},
                          {usb::kLinkName, peer.path()},
                          {usb::kVendorId, "10C4"},
                          {usb::kProductId, "EA61"}};
    for (const auto& c : cases) {
        char text[usb::kStringBufferSize];
        std::memset(text, 'x', sizeof text);
        ASSERT_EQ(library->getProductString(0, text, c.option), usb::Ok) << c.option;
        EXPECT_EQ(std::string(text), c.expected) << c.option;
    }
    std::uint32_t count = 0;
    EXPECT_EQ(library->getNumDevices(&count), usb::Ok);
    EXPECT_EQ(count, 1u);
}

TEST(SocketLibrary, ListedPathWithoutListenerCountsButFails) {
    auto library = usb::createSocketLibrary({"/nonexistent/box.sock"});
    std::uint32_t count = 0;
    EXPECT_EQ(library->getNumDevices(&count), usb::Ok);
    EXPECT_EQ(count, 1u);
    char text[usb::kStringBufferSize];
    EXPECT_NE(library->getProductString(0, text, usb::kSerialNumber), usb::Ok);
    usb::Handle h = 0;
    EXPECT_NE(library->open(0, &h), usb::Ok);
    EXPECT_EQ(h, usb::kInvalidHandle);
}

TEST_F(SocketLibraryTest, DeviceWithoutDescriptorFailsTheQuery) {
    peer.setGreeting(false);
    char text[usb::kStringBufferSize];
    EXPECT_NE(library->getProductString(0, text, usb::kSerialNumber), usb::Ok);
}

TEST_F(SocketLibraryTest, WriteIsOneWFrameWithTheBytesUnchanged) {
    const usb::Handle h = openBox();
    const Bytes request = {0x10, 0x04, 0xE0, 25, 4};
    std::uint32_t written = 0;
    ASSERT_EQ(library->write(h, request.data(), 5, &written), usb::Ok);
    EXPECT_EQ(written, 5u);
    const auto frames = peer.receive(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, usb::frame::kWrite);
    EXPECT_EQ(frames[0].payload, request);
}

TEST_F(SocketLibraryTest, AnswerInSeveralFramesIsQueuedInOrderAndReadShort) {
    const usb::Handle h = openBox();
    peer.sendAnswer({0xE0, 0x01});
    peer.sendAnswer({0x02, 0x03});
    EXPECT_EQ(waitQueued(h, 4), 4u);
    std::uint8_t buffer[64] = {};
    std::uint32_t read = 0;
    ASSERT_EQ(library->read(h, buffer, 3, &read), usb::Ok);
    EXPECT_EQ(read, 3u);
    EXPECT_EQ(Bytes(buffer, buffer + 3), (Bytes{0xE0, 0x01, 0x02}));
    ASSERT_EQ(library->read(h, buffer, 64, &read), usb::Ok);
    EXPECT_EQ(read, 1u);
    EXPECT_EQ(buffer[0], 0x03);
}

TEST_F(SocketLibraryTest, HalfArrivedFrameIsNotQueued) {
    const usb::Handle h = openBox();
    const Bytes f = usb::frame::encode(usb::frame::kRead, Bytes{1, 2, 3, 4}.data(), 4);
    Peer::sendRaw(peer.last(), Bytes(f.begin(), f.begin() + 5));
    std::uint32_t queued = 99;
    for (int i = 0; i < 20; ++i) {
        ASSERT_EQ(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
    }
    EXPECT_EQ(queued, 0u);
    Peer::sendRaw(peer.last(), Bytes(f.begin() + 5, f.end()));
    EXPECT_EQ(waitQueued(h, 4), 4u);
}

TEST_F(SocketLibraryTest, ReadWithNothingQueuedTimesOut) {
    const usb::Handle h = openBox();
    std::uint8_t buffer[64];
    std::uint32_t read = 7;
    EXPECT_EQ(library->read(h, buffer, 64, &read), usb::ReadTimedOut);
    EXPECT_EQ(read, 0u);
}

TEST_F(SocketLibraryTest, FlushEmptiesTheQueueAndSendsAnFFrame) {
    const usb::Handle h = openBox();
    peer.sendAnswer({1, 2, 3});
    EXPECT_EQ(waitQueued(h, 3), 3u);
    EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
    std::uint32_t queued = 9;
    EXPECT_EQ(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
    EXPECT_EQ(queued, 0u);
    const auto frames = peer.receive(1);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, usb::frame::kFlush);
    EXPECT_TRUE(frames[0].payload.empty());
}

TEST_F(SocketLibraryTest, FlushAlsoDropsBytesAlreadyInTheSocket) {
    const usb::Handle h = openBox();
    peer.sendAnswer({1, 2, 3});
    EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
    std::uint32_t queued = 9;
    EXPECT_EQ(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
    EXPECT_EQ(queued, 0u);
}

TEST_F(SocketLibraryTest, UnknownFrameTypeClosesTheConnection) {
    const usb::Handle h = openBox();
    Peer::sendRaw(peer.last(), {'Z', 0, 0});
    std::uint32_t queued = 0;
    int status = usb::Ok;
    for (int i = 0; i < 200 && status == usb::Ok; ++i) {
        status = library->checkRxQueue(h, &queued, nullptr);
    }
    EXPECT_NE(status, usb::Ok);
    std::uint32_t written = 0;
    const std::uint8_t byte = 0;
    EXPECT_NE(library->write(h, &byte, 1, &written), usb::Ok);
}

TEST_F(SocketLibraryTest, UnplugFailsEveryCallButKeepsArrivedBytes) {
    const usb::Handle h = openBox();
    peer.sendAnswer({0xE1, 0x00});
    EXPECT_EQ(waitQueued(h, 2), 2u);
    peer.hangUp();
    peer.stopListening();

    std::uint8_t buffer[64];
    std::uint32_t read = 0;
    EXPECT_EQ(library->read(h, buffer, 64, &read), usb::Ok);
    EXPECT_EQ(read, 2u);

    std::uint32_t queued = 0;
    EXPECT_NE(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
    EXPECT_NE(library->read(h, buffer, 64, &read), usb::Ok);
    std::uint32_t written = 0;
    EXPECT_NE(library->write(h, buffer, 1, &written), usb::Ok);
    usb::Handle again = usb::kInvalidHandle;
    EXPECT_NE(library->open(0, &again), usb::Ok);
    EXPECT_EQ(library->close(h), usb::Ok);
}

TEST_F(SocketLibraryTest, TimeoutsAreKeptForTheWholeLibrary) {
    EXPECT_EQ(library->setTimeouts(123, 456), usb::Ok);
    std::uint32_t r = 0;
    std::uint32_t w = 0;
    EXPECT_EQ(library->getTimeouts(&r, &w), usb::Ok);
    EXPECT_EQ(r, 123u);
    EXPECT_EQ(w, 456u);
}

TEST_F(SocketLibraryTest, CallsOnAClosedHandleFail) {
    const usb::Handle h = openBox();
    EXPECT_EQ(library->close(h), usb::Ok);
    EXPECT_NE(library->close(h), usb::Ok);
    std::uint32_t queued = 0;
    EXPECT_NE(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
}

}  // namespace
