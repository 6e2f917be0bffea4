// The emulator's traffic trace: every request, answer, ignored request and
// event as a structured entry, kept in memory and optionally written out as
// readable lines.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

namespace emu {

struct TraceEntry {
    enum Kind {
        kRequest,  // host> bytes the host wrote, with their meaning
        kAnswer,   // box<  bytes the box sent
        kIgnored,  // host> a request the box ignored, with the reason
        kFlush,    // host> the host flushed; what that dropped
        kNote,     // note  faults, flushes, connections, unplug and replug, control commands
    };
    Kind kind = kNote;
    std::vector<std::uint8_t> bytes;
    std::string text;
};

// Upper-case hexadecimal bytes separated by blanks: "10 04 E0".
std::string hexBytes(const std::uint8_t* data, std::size_t size);
std::string hexBytes(const std::vector<std::uint8_t>& bytes);

// One entry as a line without its line end, e.g. "host> 10 01 B4   fetch current EDID".
std::string formatTraceEntry(const TraceEntry& entry);

class Trace {
public:
    static constexpr std::size_t kDefaultCapacity = 50000;

    explicit Trace(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) {}
    ~Trace();
    Trace(const Trace&) = delete;
    Trace& operator=(const Trace&) = delete;

    void add(TraceEntry::Kind kind, std::vector<std::uint8_t> bytes, std::string text);
    void note(std::string text) { add(TraceEntry::kNote, {}, std::move(text)); }

    // Lines also go to this stream (standard error, for instance); nullptr for none.
    // With owned set, the stream is closed when it is replaced or the trace ends.
    void setOutput(std::FILE* stream, bool owned = false);

    std::vector<TraceEntry> entries() const;
    // Entries added since the given count of all entries ever added (see total()).
    std::vector<TraceEntry> entriesSince(std::size_t total) const;
    std::size_t total() const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::deque<TraceEntry> entries_;
    std::size_t capacity_;
    std::size_t total_ = 0;  // entries ever added, dropped ones included
    std::FILE* out_ = nullptr;
    bool owned_ = false;
};

}  // namespace emu
