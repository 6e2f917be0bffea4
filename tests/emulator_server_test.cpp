// The emulator's socket server, driven through the host's own socket back
// end (usb/SocketLibrary): descriptor, exchanges, flush, faults, unplug and
// replug, two boxes, string queries and second connections, control socket.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "emulator/Server.h"
#include "link/BoxCommands.h"
#include "link/UsbLink.h"
#include "tests/emulator/Requests.h"
#include "usb/SocketFrame.h"
#include "usb/SocketLibrary.h"

namespace {

using namespace emutest;
using namespace boxlink;

std::string tempPath(const std::string& tag) {
    static std::atomic<int> counter{0};
    return (std::filesystem::temp_directory_path() /
            ("v2-emu-" + std::to_string(::getpid()) + "-" + tag + std::to_string(counter++)))
        .string();
}

int connectRaw(const std::string& path) {
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

// Reads until `replies` replies have come (a reply ends with a line that
// starts with "ok" or "error") or the peer closes; bounded by a receive time-out.
std::string readReplies(int fd, int replies) {
    timeval tv{2, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::string text;
    int seen = 0;
    std::size_t lineStart = 0;
    char chunk[1024];
    while (seen < replies) {
        const ssize_t n = ::recv(fd, chunk, sizeof chunk, 0);
        if (n <= 0) {
            break;
        }
        text.append(chunk, static_cast<std::size_t>(n));
        for (std::size_t nl; (nl = text.find('\n', lineStart)) != std::string::npos;
             lineStart = nl + 1) {
            const std::string line = text.substr(lineStart, nl - lineStart);
            if (line.rfind("ok", 0) == 0 || line.rfind("error", 0) == 0) {
                ++seen;
            }
        }
    }
    return text;
}

bool traceHas(emu::Server& server, emu::TraceEntry::Kind kind, const std::string& part) {
    for (const emu::TraceEntry& e : server.trace().entries()) {
        if (e.kind == kind && e.text.find(part) != std::string::npos) {
            return true;
        }
    }
    return false;
}

class EmuServer : public ::testing::Test {
protected:
    void SetUp() override { startBox(); }

    void startBox(const std::string& serial = "2026") {
        options.socketPath = tempPath("box");
        options.serial = serial;
        server = std::make_unique<emu::Server>(options);
        std::string error;
        ASSERT_TRUE(server->start(&error)) << error;
        library = usb::createSocketLibrary({options.socketPath});
        library->setTimeouts(2000, 1000);
    }

    usb::Handle open(std::uint32_t index = 0) {
        usb::Handle h = usb::kInvalidHandle;
        EXPECT_EQ(library->open(index, &h), usb::Ok);
        return h;
    }

    int write(usb::Handle h, const Bytes& request) {
        std::uint32_t written = 0;
        return library->write(h, request.data(), static_cast<std::uint32_t>(request.size()),
                              &written);
    }

    // Waits (a millisecond a try, three seconds at most) until n bytes are queued.
    std::uint32_t waitQueued(usb::Handle h, std::uint32_t n) {
        std::uint32_t queued = 0;
        for (int i = 0; i < 3000; ++i) {
            if (library->checkRxQueue(h, &queued, nullptr) != usb::Ok || queued >= n) {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return queued;
    }

    // Waits until the host notices that the box hung up.
    bool waitGone(usb::Handle h) {
        std::uint32_t queued = 0;
        for (int i = 0; i < 3000; ++i) {
            if (library->checkRxQueue(h, &queued, nullptr) != usb::Ok) {
                return true;
            }
        }
        return false;
    }

    // One read of up to 64 bytes; empty when it fails.
    Bytes read(usb::Handle h, std::uint32_t timeoutMs = 2000) {
        library->setTimeouts(timeoutMs, 1000);
        Bytes buffer(64);
        std::uint32_t got = 0;
        const int status = library->read(h, buffer.data(), 64, &got);
        library->setTimeouts(2000, 1000);
        buffer.resize(status == usb::Ok ? got : 0);
        return buffer;
    }

    // The utility's exchange: flush, write, one read.
    Bytes exchange(usb::Handle h, const Bytes& request, std::uint32_t timeoutMs = 2000) {
        EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
        EXPECT_EQ(write(h, request), usb::Ok);
        return read(h, timeoutMs);
    }

    std::string text(std::uint32_t index, std::uint32_t option) {
        char buffer[usb::kStringBufferSize] = {};
        if (library->getProductString(index, buffer, option) != usb::Ok) {
            return "<failed>";
        }
        return buffer;
    }

    emu::ServerOptions options;
    std::unique_ptr<emu::Server> server;
    std::unique_ptr<usb::Library> library;
};

class EmuServerSerials : public EmuServer, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {}
};

TEST_P(EmuServerSerials, DescriptorCarriesSerialAndDescription) {
    startBox(GetParam());
    EXPECT_EQ(text(0, usb::kSerialNumber), GetParam());
    EXPECT_EQ(text(0, usb::kDescription), "VORTILAN2");
    EXPECT_EQ(text(0, usb::kLinkName), options.socketPath);
    EXPECT_EQ(text(0, usb::kVendorId), "10C4");
    // An open after the queries gets the descriptor as well and is served.
    const usb::Handle h = open();
    EXPECT_EQ(exchange(h, pcbRead()), (Bytes{CMD_PCB_REVISION, 1}));
}

INSTANTIATE_TEST_SUITE_P(Serials, EmuServerSerials,
                         ::testing::Values("2026", "2026x", "2026 ", "1234"));

TEST_F(EmuServer, RegisterWriteIsAnsweredTracedAndSeenInTheStatus) {
    const usb::Handle h = open();
    EXPECT_EQ(exchange(h, registerWrite(25, 4)), (Bytes{CMD_REGISTER, 0x00}));
    const Bytes status = exchange(h, statusRead(64));
    ASSERT_EQ(status.size(), 64u);
    EXPECT_EQ(status[0], CMD_STATUS);
    EXPECT_EQ(status[2], 4);  // S[0]

    std::vector<std::string> lines;
    for (const emu::TraceEntry& e : server->trace().entries()) {
        lines.push_back(emu::formatTraceEntry(e));
    }
    // Each exchange shows in order: the flush, the request, the answer.
    const auto request = std::find(lines.begin(), lines.end(),
                                   "host> 10 04 E0 19 04   register 25 := 4 (S[0], input)");
    ASSERT_NE(request, lines.end());
    ASSERT_NE(request, lines.begin());
    EXPECT_EQ(*(request - 1), "host> flush");
    ASSERT_NE(request + 1, lines.end());
    EXPECT_EQ(*(request + 1), "box<  E0 00");
    EXPECT_EQ(server->withBox([](emu::Box& b) { return b.ep()[0]; }), 4);
}

TEST_F(EmuServer, PageReadAnswersTheAskedLength) {
    const usb::Handle h = open();
    const Bytes page0 = exchange(h, pageRead(0, 27));
    ASSERT_EQ(page0.size(), 27u);
    EXPECT_EQ(page0[0], CMD_REGISTER);
    EXPECT_EQ(std::string(page0.begin() + 2, page0.begin() + 4), "FW");
    EXPECT_EQ(exchange(h, pageRead(65, 41)).size(), 41u);
}

TEST_F(EmuServer, MalformedRequestGetsNoAnswerAndATracedReason) {
    const usb::Handle h = open();
    EXPECT_TRUE(exchange(h, {0x10, 0x02, CMD_REGISTER, 25, 4}, 100).empty());
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kIgnored, "length byte 0x02, expected 0x04"));
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
}

TEST_F(EmuServer, FlushDropsAnswersNotSentYet) {
    const usb::Handle h = open();
    ASSERT_EQ(server->command("fault delay 1 60000").rfind("ok", 0), 0u);
    EXPECT_EQ(write(h, registerWrite(26, 0)), usb::Ok);
    EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
    // The next answer comes at once and alone: the delayed one is gone.
    EXPECT_EQ(exchange(h, registerWrite(27, 1)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_TRUE(
        traceHas(*server, emu::TraceEntry::kFlush, "(dropped 2 answer bytes not sent yet)"));
    EXPECT_NE(server->command("show status").find("answers waiting 0"), std::string::npos);
}

// Each fault kind, as the host sees it.
struct FaultCase {
    const char* name;
    const char* command;
    Bytes request;
    Bytes firstRead;            // what one read right after the answer starts brings
    std::uint32_t queuedAfter;  // bytes still queued after that read
};

void PrintTo(const FaultCase& c, std::ostream* os) {
    *os << c.name;
}

class EmuServerFaults : public EmuServer, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(EmuServerFaults, ChangeTheNextAnswerOnly) {
    const FaultCase& c = GetParam();
    const usb::Handle h = open();
    ASSERT_EQ(server->command(c.command).rfind("ok", 0), 0u);
    EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
    EXPECT_EQ(write(h, c.request), usb::Ok);
    EXPECT_EQ(read(h, c.firstRead.empty() ? 100 : 2000), c.firstRead);
    if (c.queuedAfter > 0) {
        EXPECT_EQ(waitQueued(h, c.queuedAfter), c.queuedAfter);
    }
    // The fault was for one answer: the next exchange is sound, whatever is left is flushed.
    EXPECT_EQ(exchange(h, registerWrite(25, 1)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_TRUE(server->faults().empty());
}

Bytes statusWith(std::size_t n) {
    emu::Box box;
    Bytes a = box.handle(statusRead(64).data(), 3).answer;
    a.resize(n);
    return a;
}

Bytes longAnswer() {
    Bytes a = {CMD_REGISTER, 0x00};
    a.resize(64, 0xEE);
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, EmuServerFaults,
    ::testing::Values(
        FaultCase{"NoAnswer", "fault noanswer", registerWrite(25, 2), {}, 0},
        FaultCase{"WrongEcho", "fault echo", registerWrite(25, 2), {0x1F, 0x00}, 0},
        FaultCase{"Short", "fault short", registerWrite(25, 2), {CMD_REGISTER}, 0},
        FaultCase{"ShortStatus", "fault short", statusRead(64), statusWith(63), 0},
        FaultCase{"SplitWithPause", "fault split 1 300", statusRead(64), statusWith(32), 32},
        FaultCase{"Delayed", "fault delay 1 30", registerWrite(25, 2), {CMD_REGISTER, 0x00}, 0},
        FaultCase{"Long", "fault long", registerWrite(25, 2), longAnswer(), 16}),
    [](const auto& p) { return std::string(p.param.name); });

TEST_F(EmuServer, SplitAnswerComesInTwoReadFramesThatTogetherAreWhole) {
    const usb::Handle h = open();
    server->command("fault split");
    EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
    EXPECT_EQ(write(h, statusRead(64)), usb::Ok);
    ASSERT_EQ(waitQueued(h, 64), 64u);
    EXPECT_EQ(read(h), statusWith(64));
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kAnswer, "part 1 of 2"));
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kAnswer, "part 2 of 2"));
}

TEST_F(EmuServer, DelayedAnswerComesNoSoonerThanAsked) {
    const usb::Handle h = open();
    server->command("fault delay 1 50");
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
}

TEST_F(EmuServer, FaultCountCoversThatManyAnswers) {
    const usb::Handle h = open();
    server->command("fault echo 2");
    EXPECT_EQ(exchange(h, registerWrite(25, 2))[0], 0x1F);
    EXPECT_EQ(exchange(h, pageRead(0, 27))[0], static_cast<std::uint8_t>(CMD_REGISTER ^ 0xFF));
    EXPECT_EQ(exchange(h, registerWrite(25, 2))[0], CMD_REGISTER);
}

TEST_F(EmuServer, DelayDoesNotHoldUpTheServer) {
    const usb::Handle h = open();
    server->command("fault delay 1 60000");
    EXPECT_EQ(write(h, registerWrite(25, 2)), usb::Ok);
    // A string query is served while the answer waits.
    EXPECT_EQ(text(0, usb::kSerialNumber), "2026");
    std::uint32_t queued = 99;
    EXPECT_EQ(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
    EXPECT_EQ(queued, 0u);
    EXPECT_EQ(exchange(h, registerWrite(25, 3)),
              (Bytes{CMD_REGISTER, 0x00}));  // the flush dropped it
}

TEST_F(EmuServer, UnplugFaultAnswersThenDropsOffTheBus) {
    const usb::Handle h = open();
    server->command("fault unplug");
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
    ASSERT_TRUE(waitGone(h));
    EXPECT_NE(write(h, registerWrite(25, 3)), usb::Ok);
    EXPECT_FALSE(server->plugged());
    usb::Handle again = usb::kInvalidHandle;
    EXPECT_NE(library->open(0, &again), usb::Ok);
    EXPECT_EQ(server->command("replug"), "ok");
    const usb::Handle h2 = open();
    EXPECT_EQ(exchange(h2, registerWrite(25, 3)), (Bytes{CMD_REGISTER, 0x00}));
}

TEST_F(EmuServer, UnplugMidExchangeKeepsQueuedBytesReadable) {
    const usb::Handle h = open();
    EXPECT_EQ(library->flushBuffers(h, 1, 1), usb::Ok);
    EXPECT_EQ(write(h, statusRead(64)), usb::Ok);
    ASSERT_EQ(waitQueued(h, 64), 64u);
    EXPECT_TRUE(server->unplug());
    EXPECT_NE(write(h, statusRead(64)), usb::Ok);
    EXPECT_EQ(read(h).size(), 64u);  // already arrived before the unplug
    EXPECT_TRUE(read(h, 50).empty());
    std::uint32_t queued = 0;
    EXPECT_NE(library->checkRxQueue(h, &queued, nullptr), usb::Ok);
    usb::Handle again = usb::kInvalidHandle;
    EXPECT_NE(library->open(0, &again), usb::Ok);
    EXPECT_EQ(text(0, usb::kSerialNumber), "<failed>");
    EXPECT_FALSE(server->unplug());  // already unplugged

    ASSERT_TRUE(server->replug());
    EXPECT_EQ(library->close(h), usb::Ok);
    const usb::Handle h2 = open();
    EXPECT_EQ(exchange(h2, pcbRead()), (Bytes{CMD_PCB_REVISION, 1}));
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kNote, "unplugged"));
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kNote, "replugged"));
}

TEST_F(EmuServer, StringQueryWhileTheBoxIsOpenDoesNotDisturbIt) {
    const usb::Handle h = open();
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(text(0, usb::kSerialNumber), "2026");
        EXPECT_EQ(text(0, usb::kDescription), "VORTILAN2");
    }
    EXPECT_EQ(exchange(h, registerWrite(25, 3)), (Bytes{CMD_REGISTER, 0x00}));
    EXPECT_TRUE(server->hostConnected());
    EXPECT_FALSE(traceHas(*server, emu::TraceEntry::kNote, "in use"));
}

TEST_F(EmuServer, SecondConnectionGetsTheDescriptorButIsNotServed) {
    const usb::Handle first = open();
    EXPECT_EQ(exchange(first, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
    // Another program's connection (the USB layer itself refuses a second
    // open of a box that is held): the descriptor, then no answer.
    const int second = connectRaw(options.socketPath);
    ASSERT_GE(second, 0);
    const Bytes request = registerWrite(25, 4);
    Bytes frame = {'W', static_cast<std::uint8_t>(request.size()), 0};
    frame.insert(frame.end(), request.begin(), request.end());
    ASSERT_EQ(::send(second, frame.data(), frame.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(frame.size()));
    timeval tv{0, 200000};
    ::setsockopt(second, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    usb::frame::Decoder decoder;
    std::uint8_t chunk[256];
    ssize_t n = 0;
    while ((n = ::recv(second, chunk, sizeof chunk, 0)) > 0) {
        decoder.feed(chunk, static_cast<std::size_t>(n));
    }
    std::vector<usb::frame::Frame> frames;
    while (auto f = decoder.next()) {
        frames.push_back(*f);
    }
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, usb::frame::kDescriptor);
    for (int i = 0; i < 200 && !traceHas(*server, emu::TraceEntry::kNote, "in use by connection");
         ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kNote, "in use by connection"));
    EXPECT_EQ(exchange(first, statusRead(64))[2], 2);
    // Once the first closes, the next connection that speaks holds the box.
    EXPECT_EQ(library->close(first), usb::Ok);
    ::close(second);
    const usb::Handle third = open();
    for (int i = 0; i < 200 && server->hostConnected(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));  // the server sees the close
    }
    EXPECT_EQ(exchange(third, registerWrite(25, 4)), (Bytes{CMD_REGISTER, 0x00}));
}

TEST_F(EmuServer, UnknownFrameTypeClosesThatConnectionOnly) {
    const usb::Handle h = open();
    const int raw = connectRaw(options.socketPath);
    ASSERT_GE(raw, 0);
    const std::uint8_t bad[] = {'X', 0, 0};
    ASSERT_EQ(::send(raw, bad, sizeof bad, MSG_NOSIGNAL), 3);
    // The descriptor comes first, then the server hangs up.
    timeval tv{2, 0};
    ::setsockopt(raw, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    usb::frame::Decoder decoder;
    std::uint8_t chunk[256];
    ssize_t n = 0;
    while ((n = ::recv(raw, chunk, sizeof chunk, 0)) > 0) {
        decoder.feed(chunk, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(n, 0);  // closed, not timed out
    const auto d = decoder.next();
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->type, usb::frame::kDescriptor);
    ::close(raw);
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
}

TEST_F(EmuServer, IdleConnectionsBeyondTheLimitAreRefusedAndTheHolderKeepsWorking) {
    const usb::Handle h = open();
    EXPECT_EQ(exchange(h, registerWrite(25, 2)), (Bytes{CMD_REGISTER, 0x00}));
    std::vector<int> idle;
    for (int i = 0; i < 80; ++i) {
        idle.push_back(connectRaw(options.socketPath));
    }
    EXPECT_EQ(exchange(h, registerWrite(25, 3)), (Bytes{CMD_REGISTER, 0x00}));
    // The last ones were closed without a descriptor.
    timeval tv{2, 0};
    ::setsockopt(idle.back(), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
    std::uint8_t byte = 0;
    EXPECT_EQ(::recv(idle.back(), &byte, 1, 0), 0);
    EXPECT_TRUE(traceHas(*server, emu::TraceEntry::kNote, "refused a connection"));
    for (int fd : idle) {
        ::close(fd);
    }
    // Once the server has seen them close, string queries are served again.
    std::string serial;
    for (int i = 0; i < 400 && serial != "2026"; ++i) {
        serial = text(0, usb::kSerialNumber);
        std::this_thread::sleep_for(std::chrono::milliseconds(i == 0 ? 0 : 5));
    }
    EXPECT_EQ(serial, "2026");
}

TEST_F(EmuServer, FlashPacketsReachTheFlashModel) {
    const usb::Handle h = open();
    const Bytes answer = exchange(h, {0x01, 0x01, 0xDA});  // ready poll
    ASSERT_FALSE(answer.empty());
    EXPECT_EQ(answer[0], 0xDA);
}

TEST(EmuServerTwoBoxes, EachServesItsOwnBox) {
    emu::ServerOptions a;
    a.socketPath = tempPath("a");
    emu::ServerOptions b = a;
    b.socketPath = tempPath("b");
    b.serial = "2027";
    emu::Server boxA(a);
    emu::Server boxB(b);
    ASSERT_TRUE(boxA.start());
    ASSERT_TRUE(boxB.start());
    auto library = usb::createSocketLibrary({a.socketPath, b.socketPath});
    char serial[usb::kStringBufferSize];
    ASSERT_EQ(library->getProductString(1, serial, usb::kSerialNumber), usb::Ok);
    EXPECT_STREQ(serial, "2027");
    usb::Handle ha = usb::kInvalidHandle;
    usb::Handle hb = usb::kInvalidHandle;
    ASSERT_EQ(library->open(0, &ha), usb::Ok);
    ASSERT_EQ(library->open(1, &hb), usb::Ok);
    std::uint32_t n = 0;
    const Bytes toA = registerWrite(25, 3);
    const Bytes toB = registerWrite(25, 4);
    ASSERT_EQ(library->write(ha, toA.data(), 5, &n), usb::Ok);
    ASSERT_EQ(library->write(hb, toB.data(), 5, &n), usb::Ok);
    std::uint8_t answer[64];
    ASSERT_EQ(library->read(ha, answer, 64, &n), usb::Ok);
    ASSERT_EQ(library->read(hb, answer, 64, &n), usb::Ok);
    EXPECT_EQ(boxA.withBox([](emu::Box& box) { return box.ep()[0]; }), 3);
    EXPECT_EQ(boxB.withBox([](emu::Box& box) { return box.ep()[0]; }), 4);
    EXPECT_TRUE(traceHas(boxA, emu::TraceEntry::kRequest, "register 25 := 3"));
    EXPECT_FALSE(traceHas(boxA, emu::TraceEntry::kRequest, "register 25 := 4"));
}

struct RecordingUi final : boxlink::LinkUi {
    void showStatus(const std::string& text, int) override { statuses.push_back(text); }
    void showLinkWarning(const std::string& text) override { warnings.push_back(text); }
    std::vector<std::string> statuses;
    std::vector<std::string> warnings;
};

TEST(EmuServerWithTheLink, TheUtilitysLinkFindsTheBoxByItsExactSerialAndTalksToIt) {
    std::vector<std::unique_ptr<emu::Server>> boxes;
    std::vector<std::string> paths;
    for (const char* serial : {"2026x", "2026 ", "2026"}) {
        emu::ServerOptions o;
        o.socketPath = tempPath("link");
        o.serial = serial;
        boxes.push_back(std::make_unique<emu::Server>(o));
        ASSERT_TRUE(boxes.back()->start());
        paths.push_back(o.socketPath);
    }
    auto library = usb::createSocketLibrary(paths);
    RecordingUi ui;
    boxlink::UsbLink link(*library, usb::systemClock(), ui);
    std::uint32_t number = 99;
    ASSERT_TRUE(link.findBox(boxlink::BOX_SERIAL, number));
    EXPECT_EQ(number, 2u);
    ASSERT_TRUE(link.openLink(number));
    boxlink::BoxState state{true};  // writes go out
    boxlink::BoxCommands commands(link, ui, state);

    EXPECT_TRUE(commands.writeRegister(25, 4));
    boxlink::Answer answer{};
    ASSERT_TRUE(commands.readStatusBlock(answer, 64));
    EXPECT_EQ(answer[2], 4);
    ASSERT_TRUE(commands.readRegisterPage(0, answer, 27));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(answer.data()) + 2), "FW: 0.61");
    EXPECT_EQ(commands.readPcbRevision(), 1);
    std::array<std::uint8_t, boxlink::kEpStateBlockSize> block{};
    block[8] = 0;
    EXPECT_TRUE(commands.writeEpStateBlock(block));
    EXPECT_TRUE(ui.statuses.empty());

    boxes[2]->command("fault echo");
    EXPECT_FALSE(commands.writeRegister(25, 1));
    EXPECT_EQ(ui.statuses, (std::vector<std::string>{"Error Writing values"}));
    boxes[2]->command("fault short");
    EXPECT_FALSE(commands.readStatusBlock(answer, 64));
    EXPECT_TRUE(ui.warnings.empty());
    link.closeLink();
    EXPECT_FALSE(boxes[0]->hostConnected());
}

TEST(EmuServerStart, RefusesPathsThatAreNotStaleSockets) {
    // A regular file is left alone.
    const std::string file = tempPath("file");
    std::ofstream(file) << "keep me";
    emu::ServerOptions o;
    o.socketPath = file;
    emu::Server onFile(o);
    std::string error;
    EXPECT_FALSE(onFile.start(&error));
    EXPECT_NE(error.find("not a socket"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(file));
    std::filesystem::remove(file);

    // A live box keeps its socket.
    o.socketPath = tempPath("live");
    emu::Server live(o);
    ASSERT_TRUE(live.start());
    emu::Server intruder(o);
    EXPECT_FALSE(intruder.start(&error));
    EXPECT_NE(error.find("another program"), std::string::npos);

    // A stale socket file of an earlier run is replaced.
    live.stop();
    EXPECT_FALSE(std::filesystem::exists(o.socketPath));
    {
        const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, o.socketPath.c_str(), sizeof a.sun_path - 1);
        ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        ::close(s);  // the file stays, nobody listens
    }
    emu::Server fresh(o);
    EXPECT_TRUE(fresh.start(&error)) << error;

    emu::ServerOptions unknownState;
    unknownState.socketPath = tempPath("state");
    unknownState.state = "nonesuch";
    emu::Server badState(unknownState);
    EXPECT_FALSE(badState.start(&error));
}

TEST(EmuServerControl, ControlSocketTakesLinesAndAnswersEach) {
    emu::ServerOptions o;
    o.socketPath = tempPath("dev");
    o.controlPath = tempPath("ctl");
    emu::Server server(o);
    ASSERT_TRUE(server.start());
    const int fd = connectRaw(o.controlPath);
    ASSERT_GE(fd, 0);
    const std::string lines = "set S 8 0\nbogus\r\nshow S\n";
    ASSERT_EQ(::send(fd, lines.data(), lines.size(), MSG_NOSIGNAL),
              static_cast<ssize_t>(lines.size()));
    const std::string reply = readReplies(fd, 3);
    EXPECT_EQ(reply.rfind("ok\nerror unknown command bogus", 0), 0u) << reply;
    EXPECT_NE(reply.find("S[ 0] 01 00 01 03 03 00 01 01 00"), std::string::npos) << reply;
    EXPECT_EQ(server.withBox([](emu::Box& b) { return b.ep()[8]; }), 0);
    ::close(fd);
    server.stop();
    EXPECT_FALSE(std::filesystem::exists(o.controlPath));
}

}  // namespace
