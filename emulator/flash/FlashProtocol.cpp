#include "FlashProtocol.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <set>
#include <sstream>

#include "SpiNorFlash.h"

namespace emu {

namespace {

constexpr std::uint8_t kControlPacket = 0x01;
constexpr std::uint8_t kDataPacket = 0x00;

constexpr std::uint8_t kSpiSpeed = 0xD5;
constexpr std::uint8_t kFpgaNormal = 0xD6;
constexpr std::uint8_t kPageWrite = 0xD7;
constexpr std::uint8_t kFpgaReset = 0xD8;
constexpr std::uint8_t kWriteActive = 0xD9;
constexpr std::uint8_t kReadyPoll = 0xDA;
constexpr std::uint8_t kUpdateBegin = 0xDB;
constexpr std::uint8_t kUpdateOk = 0xDC;
constexpr std::uint8_t kSpi = 0xD0;

constexpr std::uint8_t kSpiWriteEnable = 0x06;
constexpr std::uint8_t kSpiWriteDisable = 0x04;
constexpr std::uint8_t kSpiReadStatus = 0x05;
constexpr std::uint8_t kSpiSectorErase = 0xD8;
constexpr std::uint8_t kSpiPageProgram = 0x02;

constexpr std::size_t kPageWriteHeader = 7;  // 00 L D7 02 A2 A1 A0
constexpr std::size_t kMaxChunk = 32;

std::uint8_t negatedSum(const std::uint8_t* data, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum += data[i];
    }
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

std::string hexBytes(const std::uint8_t* data, std::size_t size, std::size_t limit) {
    std::string text;
    char cell[4];
    for (std::size_t i = 0; i < size && i < limit; ++i) {
        std::snprintf(cell, sizeof cell, i == 0 ? "%02X" : " %02X", data[i]);
        text += cell;
    }
    if (size > limit) {
        text += " ...";
    }
    return text;
}

std::string hex(std::uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

bool parseNumber(const std::string& text, std::uint64_t& value) {
    if (text.empty() || text[0] == '-' || text[0] == '+') {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const unsigned long long parsed = std::strtoull(text.c_str(), &end, 0);
    if (errno != 0 || end == text.c_str() || *end != '\0') {
        return false;
    }
    value = parsed;
    return true;
}

bool parseSwitch(const std::vector<std::string>& words, bool& value) {
    if (words.size() == 1) {
        value = true;
        return true;
    }
    if (words.size() == 2 && (words[1] == "on" || words[1] == "off")) {
        value = words[1] == "on";
        return true;
    }
    return false;
}

const char* controlName(std::uint8_t code) {
    switch (code) {
        case kSpiSpeed:
            return "SPI speed";
        case kFpgaNormal:
            return "FPGA normal";
        case kFpgaReset:
            return "FPGA reset";
        case kWriteActive:
            return "write active";
        case kReadyPoll:
            return "ready poll";
        case kUpdateBegin:
            return "update begin";
        case kUpdateOk:
            return "update ok";
        default:
            return nullptr;
    }
}

constexpr const char* kHelp =
    "ok commands: dump <file> | fill <byte> | fail-chunks <n> [after <m>] | "
    "unplug-after <n> | unplug-after off | never-ready [on|off] | stay-busy [on|off] | "
    "ready-polls <n> | erase-polls <n> | clear-faults | status";

}  // namespace

struct FlashProtocol::State {
    explicit State(std::size_t size) : flash(size) {}

    mutable std::mutex mutex;
    SpiNorFlash flash;
    bool fpgaInReset = false;
    std::uint32_t notReadyPolls = kDefaultNotReadyPolls;
    std::uint32_t notReadyLeft = 0;

    // Faults.
    bool neverReady = false;
    std::set<std::uint64_t> failingChunks;  // ordinals of page-write packets
    std::uint64_t unplugAtChunk = 0;        // 0: never

    // Counters.
    std::uint64_t chunkPackets = 0;  // well-formed page-write packets seen
    std::uint64_t chunksWritten = 0;
    std::uint64_t sectorsErased = 0;
    std::uint64_t readyPolls = 0;

    FlashReply controlCommand(std::uint8_t code);
    FlashReply spiInstruction(const std::uint8_t* data, std::size_t size);
    FlashReply pageWrite(const std::uint8_t* data, std::size_t size);
    std::string status() const;
};

FlashReply FlashProtocol::State::controlCommand(std::uint8_t code) {
    switch (code) {
        case kFpgaNormal:
            fpgaInReset = false;
            return {{code}};
        case kFpgaReset:
            fpgaInReset = true;
            return {{code}};
        case kWriteActive:
            notReadyLeft = notReadyPolls;
            return {{code}};
        case kSpiSpeed:
        case kUpdateBegin:
        case kUpdateOk:
            return {{code}};
        case kReadyPoll: {
            ++readyPolls;
            const bool ready = !neverReady && notReadyLeft == 0;
            if (notReadyLeft > 0) {
                --notReadyLeft;
            }
            return {{kReadyPoll, static_cast<std::uint8_t>(ready ? 0x01 : 0x00)}};
        }
        default:
            return {};
    }
}

FlashReply FlashProtocol::State::spiInstruction(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t good = negatedSum(data, size);
    const std::uint8_t instruction = data[3];
    bool done = false;
    if (fpgaInReset) {
        if (instruction == kSpiWriteEnable && size == 4) {
            done = flash.writeEnable();
        } else if (instruction == kSpiWriteDisable && size == 4) {
            done = flash.writeDisable();
        } else if (instruction == kSpiSectorErase && size == 7) {
            const std::uint32_t address = static_cast<std::uint32_t>(data[4]) << 16 |
                                          static_cast<std::uint32_t>(data[5]) << 8 | data[6];
            done = flash.sectorErase(address);
            if (done) {
                ++sectorsErased;
            }
        }
    }
    return {{static_cast<std::uint8_t>(done ? good : good ^ 0xFF)}};
}

FlashReply FlashProtocol::State::pageWrite(const std::uint8_t* data, std::size_t size) {
    const std::size_t count = data[1];
    const std::uint8_t* payload = data + kPageWriteHeader;
    const std::uint32_t address = static_cast<std::uint32_t>(data[4]) << 16 |
                                  static_cast<std::uint32_t>(data[5]) << 8 | data[6];
    const std::uint8_t wrong = kPageWrite ^ 0xFF;
    ++chunkPackets;
    if (unplugAtChunk != 0 && chunkPackets >= unplugAtChunk) {
        unplugAtChunk = 0;
        return {{}, true};
    }
    if (failingChunks.erase(chunkPackets) == 1) {
        return {{wrong}};
    }
    if (negatedSum(payload, count) != data[size - 1] || !fpgaInReset) {
        return {{wrong}};
    }
    // The firmware sets the write-enable latch itself before it programs.
    if (address + count > flash.size() || !flash.writeEnable() ||
        !flash.pageProgram(address, payload, count)) {
        return {{wrong}};
    }
    ++chunksWritten;
    return {{kPageWrite}};
}

std::string FlashProtocol::State::status() const {
    std::ostringstream text;
    text << "ok fpga=" << (fpgaInReset ? "reset" : "running")
         << " wel=" << (flash.writeEnabled() ? 1 : 0) << " busy=" << (flash.busy() ? 1 : 0)
         << " erased=" << sectorsErased << " chunks=" << chunksWritten
         << " chunk-packets=" << chunkPackets << " ready-polls=" << readyPolls
         << " never-ready=" << (neverReady ? "on" : "off")
         << " stay-busy=" << (flash.stuckAfterErase() ? "on" : "off")
         << " failing-chunks=" << failingChunks.size();
    if (unplugAtChunk != 0) {
        text << " unplug-at-chunk-packet=" << unplugAtChunk;
    }
    return text.str();
}

FlashProtocol::FlashProtocol(std::size_t flashSize) : state_(std::make_unique<State>(flashSize)) {
    state_->flash.setEraseBusyReads(kDefaultEraseBusyPolls);
}

FlashProtocol::~FlashProtocol() = default;

bool FlashProtocol::isFlashPacket(const std::uint8_t* data, std::size_t size) {
    return data != nullptr && size >= 3 && (data[0] == kDataPacket || data[0] == kControlPacket);
}

FlashReply FlashProtocol::handle(const std::uint8_t* data, std::size_t size) {
    if (!isFlashPacket(data, size)) {
        return {};
    }
    std::lock_guard lock(state_->mutex);
    State& s = *state_;
    if (data[0] == kControlPacket && data[1] == 0x01) {
        if (size == 3) {
            return s.controlCommand(data[2]);
        }
        if (size == 4 && data[2] == kSpi && data[3] == kSpiReadStatus) {
            return {{s.flash.readStatus()}};
        }
        return {};
    }
    if (data[0] == kDataPacket && data[2] == kSpi && size >= 4 && data[1] == size) {
        return s.spiInstruction(data, size);
    }
    if (data[0] == kDataPacket && data[2] == kPageWrite && size >= 4 &&
        data[3] == kSpiPageProgram && data[1] >= 1 && data[1] <= kMaxChunk &&
        size == data[1] + kPageWriteHeader + 1u) {
        return s.pageWrite(data, size);
    }
    return {};
}

std::string FlashProtocol::control(const std::string& args) {
    std::vector<std::string> words;
    std::istringstream in(args);
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    if (words.empty() || words[0] == "help") {
        return kHelp;
    }
    std::lock_guard lock(state_->mutex);
    State& s = *state_;
    const std::string& command = words[0];
    std::uint64_t n = 0;
    if (command == "dump" && words.size() == 2) {
        std::ofstream out(words[1], std::ios::binary | std::ios::trunc);
        const auto& memory = s.flash.memory();
        out.write(reinterpret_cast<const char*>(memory.data()),
                  static_cast<std::streamsize>(memory.size()));
        out.close();
        if (!out) {
            return "error cannot write " + words[1];
        }
        return "ok dumped " + std::to_string(memory.size()) + " bytes to " + words[1];
    }
    if (command == "fill" && words.size() == 2 && parseNumber(words[1], n) && n <= 0xFF) {
        s.flash.fill(static_cast<std::uint8_t>(n));
        return "ok";
    }
    if (command == "fail-chunks" && (words.size() == 2 || words.size() == 4) &&
        parseNumber(words[1], n) && n <= 1000000) {
        std::uint64_t after = 0;
        if (words.size() == 4 &&
            (words[2] != "after" || !parseNumber(words[3], after) || after > 100000000)) {
            return "error usage: fail-chunks <n> [after <m>]";
        }
        for (std::uint64_t i = 1; i <= n; ++i) {
            s.failingChunks.insert(s.chunkPackets + after + i);
        }
        return "ok";
    }
    if (command == "unplug-after" && words.size() == 2) {
        if (words[1] == "off") {
            s.unplugAtChunk = 0;
            return "ok";
        }
        if (parseNumber(words[1], n) && n <= 100000000) {
            s.unplugAtChunk = s.chunkPackets + n + 1;
            return "ok";
        }
    }
    bool on = false;
    if (command == "never-ready" && parseSwitch(words, on)) {
        s.neverReady = on;
        return "ok";
    }
    if (command == "stay-busy" && parseSwitch(words, on)) {
        s.flash.setStuckAfterErase(on);
        return "ok";
    }
    if (command == "ready-polls" && words.size() == 2 && parseNumber(words[1], n) && n <= 1000000) {
        s.notReadyPolls = static_cast<std::uint32_t>(n);
        return "ok";
    }
    if (command == "erase-polls" && words.size() == 2 && parseNumber(words[1], n) && n <= 1000000) {
        s.flash.setEraseBusyReads(static_cast<std::uint32_t>(n));
        return "ok";
    }
    if (command == "clear-faults" && words.size() == 1) {
        s.neverReady = false;
        s.flash.setStuckAfterErase(false);
        s.failingChunks.clear();
        s.unplugAtChunk = 0;
        return "ok";
    }
    if (command == "status" && words.size() == 1) {
        return s.status();
    }
    return "error unknown flash command: " + args;
}

std::string FlashProtocol::describe(const std::uint8_t* data, std::size_t size) const {
    if (!isFlashPacket(data, size)) {
        return "not a flash packet";
    }
    if (data[0] == kControlPacket && data[1] == 0x01 && size == 3) {
        if (const char* name = controlName(data[2])) {
            return hexBytes(data + 2, 1, 1) + " " + name;
        }
    }
    if (data[0] == kControlPacket && data[1] == 0x01 && size == 4 && data[2] == kSpi &&
        data[3] == kSpiReadStatus) {
        return "D0 05 read status";
    }
    if (data[0] == kDataPacket && data[2] == kSpi && size >= 4 && data[1] == size) {
        if (data[3] == kSpiWriteEnable && size == 4) {
            return "D0 06 write enable";
        }
        if (data[3] == kSpiWriteDisable && size == 4) {
            return "D0 04 write disable";
        }
        if (data[3] == kSpiSectorErase && size == 7) {
            const std::uint32_t address = static_cast<std::uint32_t>(data[4]) << 16 |
                                          static_cast<std::uint32_t>(data[5]) << 8 | data[6];
            return "D0 D8 sector erase " + std::to_string(address / SpiNorFlash::kSectorSize) +
                   " (" + hex(address, 6) + ")";
        }
    }
    if (data[0] == kDataPacket && data[2] == kPageWrite && size >= 7 &&
        data[3] == kSpiPageProgram && data[1] >= 1 && data[1] <= kMaxChunk &&
        size == data[1] + kPageWriteHeader + 1u) {
        const std::uint32_t address = static_cast<std::uint32_t>(data[4]) << 16 |
                                      static_cast<std::uint32_t>(data[5]) << 8 | data[6];
        return "D7 page write " + std::to_string(data[1]) + " bytes at " + hex(address, 6) +
               " K=" + hex(data[size - 1], 2);
    }
    return "unknown flash packet " + hexBytes(data, size, 12);
}

const std::vector<std::uint8_t>& FlashProtocol::contents() const {
    return state_->flash.memory();
}

bool FlashProtocol::fpgaInReset() const {
    std::lock_guard lock(state_->mutex);
    return state_->fpgaInReset;
}

}  // namespace emu
