#include "Trace.h"

#include <algorithm>

namespace emu {

std::string hexBytes(const std::uint8_t* data, std::size_t size) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        if (i > 0) {
            out.push_back(' ');
        }
        out.push_back(kDigits[data[i] >> 4]);
        out.push_back(kDigits[data[i] & 0x0F]);
    }
    return out;
}

std::string hexBytes(const std::vector<std::uint8_t>& bytes) {
    return hexBytes(bytes.data(), bytes.size());
}

std::string formatTraceEntry(const TraceEntry& entry) {
    std::string line;
    switch (entry.kind) {
        case TraceEntry::kRequest:
        case TraceEntry::kIgnored:
            line = "host> ";
            break;
        case TraceEntry::kFlush:
            line = "host> flush";
            break;
        case TraceEntry::kAnswer:
            line = "box<  ";
            break;
        case TraceEntry::kNote:
            line = "note  ";
            break;
    }
    line += hexBytes(entry.bytes);
    std::string text = entry.kind == TraceEntry::kIgnored ? "ignored: " + entry.text : entry.text;
    if (!text.empty()) {
        if (!entry.bytes.empty()) {
            line += "   ";
        } else if (entry.kind == TraceEntry::kFlush) {
            line += " ";
        }
        line += text;
    }
    return line;
}

Trace::~Trace() {
    setOutput(nullptr);
}

void Trace::add(TraceEntry::Kind kind, std::vector<std::uint8_t> bytes, std::string text) {
    std::lock_guard lock(mutex_);
    TraceEntry entry{kind, std::move(bytes), std::move(text)};
    if (out_ != nullptr) {
        const std::string line = formatTraceEntry(entry);
        std::fprintf(out_, "%s\n", line.c_str());
        std::fflush(out_);
    }
    entries_.push_back(std::move(entry));
    ++total_;
    while (entries_.size() > capacity_) {
        entries_.pop_front();
    }
}

void Trace::setOutput(std::FILE* stream, bool owned) {
    std::lock_guard lock(mutex_);
    if (out_ != nullptr && owned_ && out_ != stream) {
        std::fclose(out_);
    }
    out_ = stream;
    owned_ = owned;
}

std::vector<TraceEntry> Trace::entries() const {
    std::lock_guard lock(mutex_);
    return {entries_.begin(), entries_.end()};
}

std::vector<TraceEntry> Trace::entriesSince(std::size_t total) const {
    std::lock_guard lock(mutex_);
    const std::size_t first = total_ - entries_.size();  // total count of the oldest kept
    const std::size_t skip = total > first ? std::min(total - first, entries_.size()) : 0;
    return {entries_.begin() + static_cast<std::ptrdiff_t>(skip), entries_.end()};
}

std::size_t Trace::total() const {
    std::lock_guard lock(mutex_);
    return total_;
}

void Trace::clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
}

}  // namespace emu
