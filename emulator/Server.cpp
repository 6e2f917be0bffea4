#include "Server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "States.h"
#include "Strf.h"

namespace emu {

namespace {

constexpr std::size_t kControlLineMax = 64 * 1024;
constexpr std::size_t kControlOutMax = 16u << 20;  // replies a control client does not read
constexpr std::size_t kOutFramesMax = 16384;       // answer frames a host does not read
constexpr std::size_t kConnectionsMax = 64;
constexpr std::size_t kLongAnswer = 80;
constexpr std::uint8_t kLongFill = 0xEE;

bool fillAddress(const std::string& path, sockaddr_un* address) {
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address->sun_path) {
        return false;
    }
    std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
    return true;
}

// True when something accepts connections on the path.
bool someoneListens(const sockaddr_un& address) {
    const int probe = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) {
        return false;
    }
    const bool connected =
        ::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(probe);
    return connected;
}

}  // namespace

Server::Server(ServerOptions options) : options_(std::move(options)) {
    if (auto state = findState(options_.state)) {
        box_.load(*state);
    }
}

Server::~Server() {
    stop();
}

std::string Server::command(std::string_view line) {
    return runControl(*this, line);
}

void Server::setQuitHandler(std::function<void()> handler) {
    std::lock_guard lock(quitMutex_);
    quitHandler_ = std::move(handler);
}

bool Server::requestQuit() {
    std::function<void()> handler;
    {
        std::lock_guard lock(quitMutex_);
        handler = quitHandler_;
    }
    if (!handler) {
        return false;
    }
    handler();
    return true;
}

std::string Server::withBoxLocked(const std::function<std::string(Box&)>& f) {
    std::lock_guard lock(mutex_);
    return f(box_);
}

void Server::addFault(const Fault& fault) {
    std::lock_guard lock(mutex_);
    faults_.push_back(fault);
    trace_.note("fault queued: " + describeFault(fault));
}

void Server::clearFaults() {
    std::lock_guard lock(mutex_);
    faults_.clear();
    trace_.note("faults cleared");
}

std::vector<Fault> Server::faults() {
    std::lock_guard lock(mutex_);
    return {faults_.begin(), faults_.end()};
}

std::string Server::statusText() {
    std::lock_guard lock(mutex_);
    std::string out =
        strf("serial \"%s\", description \"%s\", socket %s\n", options_.serial.c_str(),
             options_.description.c_str(), options_.socketPath.c_str());
    out += plugged_ ? "plugged" : "unplugged";
    out += activeId_ != 0 ? strf(", held by connection %d", activeId_.load()) : ", not open";
    out += strf(
        "\nEDID busy %s, busy reads %d, hot-plug pulses %d, factory resets %d, PCB revision %u",
        box_.edidBusy() ? "yes" : "no", box_.busyReads(), box_.hotPlugCount(), box_.factoryResets(),
        box_.pcbRevision());
    out += strf("\nfaults queued %zu, answers waiting %zu", faults_.size(), deliveries_.size());
    return out;
}

bool Server::listenOn(const std::string& path, int* fd, std::string* error) {
    sockaddr_un address{};
    if (!fillAddress(path, &address)) {
        *error = "socket path is empty or too long: " + path;
        return false;
    }
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISSOCK(st.st_mode)) {
            *error = path + " exists and is not a socket";
            return false;
        }
        if (someoneListens(address)) {
            *error = "another program listens on " + path;
            return false;
        }
        ::unlink(path.c_str());  // stale socket of an earlier run
    }
    const int s = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (s < 0) {
        *error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    if (::bind(s, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(s, 16) != 0) {
        *error = "cannot listen on " + path + ": " + std::strerror(errno);
        ::close(s);
        return false;
    }
    *fd = s;
    return true;
}

bool Server::start(std::string* error) {
    std::string why;
    if (error == nullptr) {
        error = &why;
    }
    if (running_) {
        return true;
    }
    if (!findState(options_.state)) {
        *error = "no state named " + options_.state;
        return false;
    }
    int pipeFds[2];
    if (::pipe2(pipeFds, O_NONBLOCK | O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    if (!listenOn(options_.socketPath, &listener_, error)) {
        closeAll();
        return false;
    }
    plugged_ = true;
    if (!options_.controlPath.empty() &&
        !listenOn(options_.controlPath, &controlListener_, error)) {
        closeAll();
        return false;
    }
    trace_.note(strf("box \"%s\" (%s) listening on %s, state %s", options_.serial.c_str(),
                     options_.description.c_str(), options_.socketPath.c_str(),
                     options_.state.c_str()));
    stopping_ = false;
    running_ = true;
    {
        std::lock_guard lock(tasksMutex_);
        loopAlive_ = true;
    }
    thread_ = std::thread([this] { loop(); });
    return true;
}

void Server::stop() {
    if (running_) {
        stopping_ = true;
        wake();
        thread_.join();
        running_ = false;
    }
    closeAll();
}

void Server::closeAll() {
    std::lock_guard lock(mutex_);
    for (Connection& c : connections_) {
        if (c.fd >= 0) {
            ::close(c.fd);
        }
    }
    connections_.clear();
    for (ControlClient& c : controlClients_) {
        if (c.fd >= 0) {
            ::close(c.fd);
        }
    }
    controlClients_.clear();
    deliveries_.clear();
    activeId_ = 0;
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
        ::unlink(options_.socketPath.c_str());
        trace_.note("stopped");
    }
    plugged_ = false;
    if (controlListener_ >= 0) {
        ::close(controlListener_);
        controlListener_ = -1;
        ::unlink(options_.controlPath.c_str());
    }
    for (int* fd : {&wakeRead_, &wakeWrite_}) {
        if (*fd >= 0) {
            ::close(*fd);
            *fd = -1;
        }
    }
}

void Server::wake() {
    if (wakeWrite_ >= 0) {
        const char byte = 1;
        [[maybe_unused]] const ssize_t n = ::write(wakeWrite_, &byte, 1);
    }
}

void Server::runInLoop(const std::function<void()>& task) {
    std::unique_lock lock(tasksMutex_);
    if (!loopAlive_ || std::this_thread::get_id() == loopThreadId_) {
        lock.unlock();
        task();
        return;
    }
    tasks_.push_back(task);
    const std::uint64_t ticket = ++tasksQueued_;
    wake();
    tasksDone_.wait(lock, [&] { return tasksRun_ >= ticket; });
}

bool Server::unplug() {
    bool was = false;
    runInLoop([&] {
        std::lock_guard lock(mutex_);
        was = plugged_;
        doUnplug("by command");
    });
    return was;
}

bool Server::replug(std::string* error) {
    bool ok = false;
    std::string why;
    runInLoop([&] {
        std::lock_guard lock(mutex_);
        ok = doReplug(&why);
    });
    if (!ok && error != nullptr) {
        *error = why;
    }
    return ok;
}

void Server::doUnplug(const std::string& why) {
    if (!plugged_) {
        return;
    }
    // Stop listening first: once the host sees its connection end, opens fail too.
    plugged_ = false;
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
        ::unlink(options_.socketPath.c_str());
    }
    trace_.note("unplugged (" + why + ")");
    deliveries_.clear();
    for (Connection& c : connections_) {
        if (c.fd >= 0) {
            sendOut(c);  // what the box already answered still reaches the host
            ::close(c.fd);
            c.fd = -1;
        }
    }
    activeId_ = 0;
}

bool Server::doReplug(std::string* error) {
    if (plugged_) {
        return true;
    }
    if (!running_) {
        *error = "the server is not running";
        return false;
    }
    if (!listenOn(options_.socketPath, &listener_, error)) {
        trace_.note("replug failed: " + *error);
        return false;
    }
    plugged_ = true;
    trace_.note("replugged, listening on " + options_.socketPath);
    return true;
}

Server::Connection* Server::findConnection(int id) {
    for (Connection& c : connections_) {
        if (c.id == id) {
            return c.fd >= 0 ? &c : nullptr;
        }
    }
    return nullptr;
}

int Server::pollTimeoutMs() {
    if (deliveries_.empty()) {
        return -1;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deliveries_.front().due - SteadyClock::now())
                          .count();
    return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left + 1, 60000));
}

void Server::runTasks(bool last) {
    std::unique_lock lock(tasksMutex_);
    while (!tasks_.empty()) {
        auto task = std::move(tasks_.front());
        tasks_.pop_front();
        lock.unlock();
        task();
        lock.lock();
        ++tasksRun_;
    }
    if (last) {
        loopAlive_ = false;  // from now on callers run their tasks themselves
    }
    tasksDone_.notify_all();
}

void Server::loop() {
    {
        std::lock_guard lock(tasksMutex_);
        loopThreadId_ = std::this_thread::get_id();
    }
    enum Kind { kWake, kListener, kConnection, kControlListener, kControlClient };
    while (!stopping_) {
        std::vector<pollfd> fds;
        std::vector<std::pair<Kind, int>> what;  // kind and connection id (or client index)
        int timeout = -1;
        {
            std::lock_guard lock(mutex_);
            fds.push_back({wakeRead_, POLLIN, 0});
            what.emplace_back(kWake, 0);
            if (listener_ >= 0) {
                fds.push_back({listener_, POLLIN, 0});
                what.emplace_back(kListener, 0);
            }
            for (const Connection& c : connections_) {
                if (c.fd >= 0) {
                    const short events = static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT));
                    fds.push_back({c.fd, events, 0});
                    what.emplace_back(kConnection, c.id);
                }
            }
            timeout = pollTimeoutMs();
        }
        if (controlListener_ >= 0) {
            fds.push_back({controlListener_, POLLIN, 0});
            what.emplace_back(kControlListener, 0);
        }
        for (const ControlClient& c : controlClients_) {
            const short events = static_cast<short>(POLLIN | (c.out.empty() ? 0 : POLLOUT));
            fds.push_back({c.fd, events, 0});
            what.emplace_back(kControlClient, 0);
        }

        const int ready = ::poll(fds.data(), fds.size(), timeout);
        if (ready < 0 && errno != EINTR) {
            trace_.note(std::string("poll failed: ") + std::strerror(errno));
            break;
        }

        // Tasks from other threads: unplug, replug.
        if (fds[0].revents & POLLIN) {
            char drain[64];
            while (::read(wakeRead_, drain, sizeof drain) > 0) {
            }
        }
        runTasks(false);

        bool controlReady = false;
        {
            std::lock_guard lock(mutex_);
            for (std::size_t i = 1; i < fds.size(); ++i) {
                const short revents = fds[i].revents;
                if (revents == 0) {
                    continue;
                }
                switch (what[i].first) {
                    case kListener:
                        if (listener_ >= 0 && fds[i].fd == listener_) {
                            acceptConnection();
                        }
                        break;
                    case kConnection:
                        if (Connection* c = findConnection(what[i].second)) {
                            if (revents & (POLLIN | POLLHUP | POLLERR)) {
                                readConnection(*c);
                            }
                        }
                        break;
                    default:
                        controlReady = true;
                        break;
                }
            }
            deliverDue();
            for (Connection& c : connections_) {
                if (c.fd >= 0 && !c.out.empty()) {
                    sendOut(c);
                }
            }
            connections_.remove_if([](const Connection& c) { return c.fd < 0; });
        }

        if (controlReady) {
            for (std::size_t i = 1; i < fds.size(); ++i) {
                if (what[i].first == kControlListener && (fds[i].revents & POLLIN)) {
                    acceptControl();
                }
            }
            for (ControlClient& c : controlClients_) {
                for (std::size_t i = 1; i < fds.size(); ++i) {
                    if (what[i].first == kControlClient && fds[i].fd == c.fd &&
                        fds[i].revents != 0) {
                        readControl(c);
                    }
                }
            }
        }
        for (ControlClient& c : controlClients_) {
            while (c.fd >= 0 && !c.out.empty()) {
                const ssize_t n =
                    ::send(c.fd, c.out.data(), c.out.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0) {
                    c.out.erase(0, static_cast<std::size_t>(n));
                } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
                    break;
                } else {
                    ::close(c.fd);
                    c.fd = -1;
                }
            }
            if (c.fd >= 0 && c.closeAfterWrite && c.out.empty()) {
                ::close(c.fd);
                c.fd = -1;
            }
        }
        controlClients_.remove_if([](const ControlClient& c) { return c.fd < 0; });
    }
    runTasks(true);
}

void Server::acceptConnection() {
    for (;;) {
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (connections_.size() >= kConnectionsMax) {
            ::close(fd);
            trace_.note(strf("refused a connection: %zu are open already", kConnectionsMax));
            continue;
        }
        Connection& c = connections_.emplace_back();
        c.id = nextId_++;
        c.fd = fd;
        queueFrame(c, usb::frame::kDescriptor,
                   usb::frame::descriptorPayload(options_.serial, options_.description));
        sendOut(c);
    }
}

void Server::acceptControl() {
    for (;;) {
        const int fd = ::accept4(controlListener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            return;
        }
        if (controlClients_.size() >= kConnectionsMax) {
            ::close(fd);
            continue;
        }
        controlClients_.push_back(ControlClient{fd, {}, {}, false});
    }
}

void Server::readControl(ControlClient& client) {
    char chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(client.fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            client.in.append(chunk, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            break;
        }
        client.closeAfterWrite = true;  // end of input: answer what came, then close
        break;
    }
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = client.in.find('\n', start);
        if (end == std::string::npos) {
            break;
        }
        std::string line = client.in.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        client.out += command(line) + "\n";
        start = end + 1;
    }
    client.in.erase(0, start);
    if (client.closeAfterWrite && !client.in.empty()) {
        client.out += command(client.in) + "\n";  // a last line without its line end
        client.in.clear();
    }
    if (client.out.size() > kControlOutMax) {
        ::close(client.fd);  // it does not read its replies
        client.fd = -1;
        return;
    }
    if (client.in.size() > kControlLineMax) {
        client.out += "error control line longer than 65536 characters\n";
        client.in.clear();
        client.closeAfterWrite = true;
    }
}

void Server::readConnection(Connection& c) {
    std::uint8_t chunk[4096];
    for (;;) {
        const ssize_t n = ::recv(c.fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            c.decoder.feed(chunk, static_cast<std::size_t>(n));
            while (c.fd >= 0) {
                auto frame = c.decoder.next();
                if (!frame) {
                    break;
                }
                handleFrame(c, *frame);
            }
            if (c.fd < 0) {
                return;
            }
            if (c.decoder.failed()) {
                closeConnection(c, "sent a frame of unknown type");
                return;
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        closeConnection(c, "closed by the host");
        return;
    }
}

void Server::closeConnection(Connection& c, const std::string& why) {
    if (c.fd < 0) {
        return;
    }
    ::close(c.fd);
    c.fd = -1;
    if (activeId_ == c.id) {
        activeId_ = 0;
        const auto dropped =
            std::erase_if(deliveries_, [&](const Delivery& d) { return d.connectionId == c.id; });
        trace_.note(strf("connection %d %s%s", c.id, why.c_str(),
                         dropped > 0 ? strf(", %zu answers not sent", dropped).c_str() : ""));
    } else if (why != "closed by the host") {
        trace_.note(strf("connection %d %s", c.id, why.c_str()));
    }
}

void Server::handleFrame(Connection& c, const usb::frame::Frame& frame) {
    if (activeId_ == 0) {
        activeId_ = c.id;
        trace_.note(strf("connection %d opened the box", c.id));
    }
    if (activeId_ != c.id) {
        if (!c.refusedNoted) {
            c.refusedNoted = true;
            trace_.note(
                strf("connection %d: the box is in use by connection %d; ignoring its frames", c.id,
                     activeId_.load()));
        }
        return;
    }
    switch (frame.type) {
        case usb::frame::kWrite:
            handleWrite(c, frame.payload);
            break;
        case usb::frame::kFlush:
            flushConnection(c);
            break;
        default:
            trace_.note(strf("connection %d sent a '%c' frame, which only a box sends; ignored",
                             c.id, frame.type));
            break;
    }
}

void Server::flushConnection(Connection& c) {
    std::size_t dropped = 0;
    std::erase_if(deliveries_, [&](const Delivery& d) {
        if (d.connectionId != c.id) {
            return false;
        }
        dropped += d.bytes.size();
        return true;
    });
    // Frames not begun yet; a frame partly sent must stay whole.
    for (std::size_t i = c.outPos > 0 ? 1 : 0; i < c.out.size();) {
        if (c.out[i][0] == usb::frame::kRead) {
            dropped += c.out[i].size() - usb::frame::kHeaderSize;
            c.out.erase(c.out.begin() + static_cast<std::ptrdiff_t>(i));
        } else {
            ++i;
        }
    }
    trace_.add(TraceEntry::kFlush, {},
               dropped > 0 ? strf("(dropped %zu answer bytes not sent yet)", dropped) : "");
}

void Server::handleWrite(Connection& c, const std::vector<std::uint8_t>& payload) {
    BoxReply reply = box_.handle(payload.data(), payload.size());
    if (reply.ignored.empty()) {
        trace_.add(TraceEntry::kRequest, payload, reply.description);
    } else {
        trace_.add(TraceEntry::kIgnored, payload, reply.description + ": " + reply.ignored);
    }

    struct Part {
        int afterMs;
        std::vector<std::uint8_t> bytes;
        std::string note;
    };
    std::vector<Part> parts;
    bool unplugAfter = reply.unplug;
    std::vector<std::uint8_t> answer = std::move(reply.answer);
    bool faulted = false;
    if (!faults_.empty() && (faults_.front().kind == Fault::kUnplug || !answer.empty())) {
        Fault& f = faults_.front();
        faulted = true;
        switch (f.kind) {
            case Fault::kNoAnswer:
                trace_.note("fault: answer withheld");
                break;
            case Fault::kWrongEcho:
                answer[0] = static_cast<std::uint8_t>(answer[0] ^ 0xFF);
                parts.push_back({0, answer, "(fault: wrong echo)"});
                break;
            case Fault::kShort:
                answer.pop_back();
                if (answer.empty()) {
                    trace_.note("fault: short answer of 0 bytes, nothing sent");
                } else {
                    parts.push_back({0, answer, "(fault: short answer)"});
                }
                break;
            case Fault::kSplit: {
                const std::size_t half = std::max<std::size_t>(1, answer.size() / 2);
                if (half >= answer.size()) {
                    parts.push_back({0, answer, "(fault: split, one byte only)"});
                } else {
                    parts.push_back(
                        {0,
                         {answer.begin(), answer.begin() + static_cast<std::ptrdiff_t>(half)},
                         "(fault: split, part 1 of 2)"});
                    parts.push_back(
                        {f.ms,
                         {answer.begin() + static_cast<std::ptrdiff_t>(half), answer.end()},
                         "(fault: split, part 2 of 2)"});
                }
                break;
            }
            case Fault::kDelay:
                parts.push_back({f.ms, answer, strf("(fault: delayed %d ms)", f.ms)});
                break;
            case Fault::kLong:
                answer.resize(std::max(answer.size(), kLongAnswer), kLongFill);
                parts.push_back({0, answer, "(fault: long answer)"});
                break;
            case Fault::kUnplug:
                unplugAfter = true;
                faulted = false;  // the answer itself is sent as it is
                break;
        }
        if (--f.count <= 0) {
            faults_.pop_front();
        }
    }
    if (!faulted && !answer.empty()) {
        parts.push_back({0, answer, ""});
    }

    const auto now = SteadyClock::now();
    const auto base = deliveries_.empty() ? now : std::max(now, deliveries_.back().due);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Delivery d;
        d.due = base + std::chrono::milliseconds(parts[i].afterMs);
        d.connectionId = c.id;
        d.bytes = std::move(parts[i].bytes);
        d.note = std::move(parts[i].note);
        d.unplugAfter = unplugAfter && i + 1 == parts.size();
        deliveries_.push_back(std::move(d));
    }
    if (parts.empty() && unplugAfter) {
        doUnplug("after a request");
    }
}

void Server::deliverDue() {
    const auto now = SteadyClock::now();
    while (!deliveries_.empty() && deliveries_.front().due <= now) {
        Delivery d = std::move(deliveries_.front());
        deliveries_.pop_front();
        Connection* c = findConnection(d.connectionId);
        if (c == nullptr) {
            continue;
        }
        trace_.add(TraceEntry::kAnswer, d.bytes, d.note);
        queueFrame(*c, usb::frame::kRead, d.bytes);
        if (d.unplugAfter) {
            sendOut(*c);
            doUnplug("after an answer");
            return;
        }
    }
}

void Server::queueFrame(Connection& c, std::uint8_t type,
                        const std::vector<std::uint8_t>& payload) {
    c.out.push_back(usb::frame::encode(type, payload.data(), payload.size()));
}

void Server::sendOut(Connection& c) {
    while (c.fd >= 0 && !c.out.empty()) {
        const std::vector<std::uint8_t>& f = c.out.front();
        const ssize_t n =
            ::send(c.fd, f.data() + c.outPos, f.size() - c.outPos, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            c.outPos += static_cast<std::size_t>(n);
            if (c.outPos == f.size()) {
                c.out.pop_front();
                c.outPos = 0;
            }
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        closeConnection(c, "lost (send failed)");
        return;
    }
}

}  // namespace emu
