// Serves one emulated box on a Unix-domain socket, per docs/emulated-usb.md:
// a descriptor frame first on every connection, write frames to the box,
// answer bytes back in read frames. Runs its poll loop on a thread of its
// own; every public member may be called from any thread.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "Box.h"
#include "Control.h"
#include "Trace.h"
#include "protocol/Protocol.h"
#include "usb/SocketFrame.h"

namespace emu {

struct ServerOptions {
    std::string socketPath;
    std::string serial = boxlink::kBoxSerial;
    std::string description = "VORTILAN2";
    std::string state = "default";  // a named state (see States.h)
    std::string controlPath;        // a control socket besides the device socket; empty for none
};

class Server final : private ControlTarget {
public:
    explicit Server(ServerOptions options);
    ~Server() override;
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Binds the sockets and starts the loop. A stale socket file is replaced;
    // a path where another box still listens, or that is not a socket, is refused.
    bool start(std::string* error = nullptr);
    // Closes every connection, stops the loop and removes the socket files.
    void stop();
    bool running() const { return running_; }

    // One line of the control language; the reply's last line starts with "ok" or "error".
    std::string command(std::string_view line);

    // Closes the host's connection and stops listening, so that opens fail.
    bool unplug();
    bool replug(std::string* error = nullptr);
    bool plugged() const { return plugged_; }
    // A host connection has sent something and holds the box.
    bool hostConnected() const { return activeId_ != 0; }

    void addFault(const Fault& fault);
    void clearFaults();
    std::vector<Fault> faults();

    Trace& trace() { return trace_; }

    // Runs f with the box, locked against the server loop.
    template <typename F>
    decltype(auto) withBox(F&& f) {
        std::lock_guard lock(mutex_);
        return f(box_);
    }

    // Called (from any thread) when a control command asks the program to end.
    void setQuitHandler(std::function<void()> handler);

    const ServerOptions& options() const { return options_; }

private:
    using SteadyClock = std::chrono::steady_clock;

    struct Connection {
        int id = 0;
        int fd = -1;
        usb::frame::Decoder decoder;
        std::deque<std::vector<std::uint8_t>> out;  // whole frames; the first may be part sent
        std::size_t outPos = 0;
        bool refusedNoted = false;
    };
    struct ControlClient {
        int fd = -1;
        std::string in;
        std::string out;
        bool closeAfterWrite = false;
    };
    struct Delivery {
        SteadyClock::time_point due;
        int connectionId = 0;
        std::vector<std::uint8_t> bytes;
        std::string note;  // for the trace, e.g. "(part 1 of 2)"
        bool unplugAfter = false;
    };

    // ControlTarget
    std::string withBoxLocked(const std::function<std::string(Box&)>& f) override;
    bool unplugBox() override { return unplug(); }
    bool replugBox(std::string* error) override { return replug(error); }
    void addFaultLocked(const Fault& fault) override { addFault(fault); }
    void clearFaultsLocked() override { clearFaults(); }
    std::vector<Fault> faultsLocked() override { return faults(); }
    bool requestQuit() override;
    std::string statusText() override;
    Trace& traceLog() override { return trace_; }

    void loop();
    // Runs task on the loop thread (or here, when the loop is not running or this is it).
    void runInLoop(const std::function<void()>& task);
    void wake();
    void runTasks(bool last);

    bool listenOn(const std::string& path, int* fd, std::string* error);
    void doUnplug(const std::string& why);
    bool doReplug(std::string* error);
    void closeAll();

    void acceptConnection();
    void acceptControl();
    void readConnection(Connection& c);
    void readControl(ControlClient& client);
    void handleFrame(Connection& c, const usb::frame::Frame& frame);
    void handleWrite(Connection& c, const std::vector<std::uint8_t>& payload);
    void flushConnection(Connection& c);
    void deliverDue();
    void queueFrame(Connection& c, std::uint8_t type, const std::vector<std::uint8_t>& payload);
    void sendOut(Connection& c);
    void closeConnection(Connection& c, const std::string& why);
    Connection* findConnection(int id);
    int pollTimeoutMs();

    const ServerOptions options_;
    Trace trace_;

    std::mutex mutex_;  // guards the box, the faults, the deliveries and the connections
    Box box_;
    std::deque<Fault> faults_;
    std::deque<Delivery> deliveries_;
    std::list<Connection> connections_;
    std::list<ControlClient> controlClients_;
    int nextId_ = 1;

    int listener_ = -1;
    int controlListener_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::atomic<bool> running_{false};
    std::atomic<bool> stopping_{false};
    std::atomic<bool> plugged_{false};
    std::atomic<int> activeId_{0};
    std::thread thread_;

    std::mutex tasksMutex_;
    std::condition_variable tasksDone_;
    std::deque<std::function<void()>> tasks_;
    std::uint64_t tasksQueued_ = 0;
    std::uint64_t tasksRun_ = 0;
    bool loopAlive_ = false;
    std::thread::id loopThreadId_;  // guarded by tasksMutex_

    std::mutex quitMutex_;
    std::function<void()> quitHandler_;
};

}  // namespace emu
