// The box firmware's side of the configuration protocol, without any I/O:
// one host write in, the answer bytes (or none) out. Holds the EP state, the
// register pages, the EDID tables and buffers, the sinks' EDIDs and the
// custom packets that the host sent. Not thread-safe; the server locks it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "Edid.h"
#include "protocol/Protocol.h"

namespace emu {

class FlashProtocol;

inline constexpr std::size_t kEpStateBytes = boxlink::kEpStateSize;
inline constexpr std::size_t kPageBytes = boxlink::kPageSize;
using boxlink::kMacroPage;
using boxlink::kPageCount;
inline constexpr int kDefaultBusyReads = 3;  // status reads that show the EDID busy bit

using EpState = std::array<std::uint8_t, kEpStateBytes>;
using Page = std::array<std::uint8_t, kPageBytes>;

// EP state bytes that the box's slide switches own.
inline constexpr std::size_t kEdidSwitchByte = boxlink::kEpEdidSwitch;
inline constexpr std::size_t kHdcpSwitchByte = boxlink::kEpHdcpSwitch;
inline constexpr std::size_t kScalerAvailByte = boxlink::kEpScalerAvail;
inline constexpr std::size_t kScaleSwitchByte = boxlink::kEpScaleSwitch;

// The pages that describe what one input carries: its video (1) and audio (3)
// texts, what TX0 (5) and TX1 (6) show while they are fed from it, and the
// infoframes captured from it (17..23). Which input stands behind such a page
// number, and behind pages 2 and 4 (video and audio of the second path),
// follows the input selection S[0]; see Box::pageInput.
inline constexpr int kInputPages[] = {1, 3, 5, 6, 17, 18, 19, 20, 21, 22, 23};
using InputPages = std::map<int, Page>;  // keys: kInputPages

// Everything that makes up one box: what a named state sets.
struct BoxState {
    EpState ep{};
    // 0..23 and 65 except the input pages; byte 0 is overwritten with the echo on reads
    std::map<int, Page> pages;
    std::array<InputPages, 2> inputs;          // port 0 (BOT), port 1 (TOP)
    std::array<std::optional<Edid>, 2> sinks;  // the TVs on TX0 and TX1
    std::uint8_t pcbRevision = 1;
};

// A custom packet as the box received it.
struct StoredPacket {
    std::uint8_t command = 0;
    std::vector<std::uint8_t> request;  // the whole request
    std::vector<std::uint8_t> payload;  // the data bytes after the header
};

struct BoxReply {
    std::vector<std::uint8_t> answer;  // empty: the box does not answer
    std::string description;           // what the request means, for the trace
    std::string ignored;               // why the request was ignored; empty if handled
    bool unplug = false;               // the box drops off the bus after this answer
};

class Box {
public:
    Box();  // the default state
    explicit Box(const BoxState& state);
    ~Box();
    Box(const Box&) = delete;
    Box& operator=(const Box&) = delete;

    BoxReply handle(std::span<const std::uint8_t> request);
    BoxReply handle(const std::uint8_t* data, std::size_t size) { return handle({data, size}); }

    // Replaces everything (settings, signal, sinks, EDID tables) by a state.
    void load(const BoxState& state);
    // Replaces only the signal: input and output texts, sink names, captured
    // infoframes, the Dolby Vision block, and the sinks' EDIDs.
    void loadSignal(const BoxState& state);

    EpState& ep() { return ep_; }
    const EpState& ep() const { return ep_; }
    // nullptr for a page number the box does not have. A page that describes
    // an input is the one of the input that the selection routes there.
    Page* page(int number);
    const Page* page(int number) const;
    // The input (0 or 1) whose page stands behind a page number by S[0], and
    // that page's key in its InputPages; input -1 for a page of the box.
    // Page 1, 3, 5 and 17..23 describe the first path (the input on TX0), 2
    // and 4 the second path (the other input), 6 the input on TX1.
    struct PageInput {
        int input = -1;
        int key = 0;
    };
    PageInput pageInput(int number) const;
    InputPages& input(int port) { return inputs_[port == 1 ? 1 : 0]; }
    const InputPages& input(int port) const { return inputs_[port == 1 ? 1 : 0]; }
    static bool hasPage(int number) {
        return (number >= 0 && number < kPageCount) || number == kMacroPage;
    }

    // Table 1..100; nullptr outside.
    Edid* table(int number);
    const Edid* table(int number) const;
    const Edid& edidBuffer() const { return edidBuffer_; }
    std::optional<Edid>& sink(int tx) { return sinks_[tx == 0 ? 0 : 1]; }
    const std::optional<Edid>& sink(int tx) const { return sinks_[tx == 0 ? 0 : 1]; }
    // The EDID the box presents on input port 0 or 1 by its EDID mode and tables.
    Edid presentedEdid(int port) const;
    // What the current-EDID fetch prepares: the EDID of the active input.
    Edid currentEdid() const;
    // Describes where presentedEdid(port) comes from, e.g. "custom table 3".
    std::string presentedSource(int port) const;

    std::uint8_t pcbRevision() const { return pcbRevision_; }
    void setPcbRevision(std::uint8_t revision) { pcbRevision_ = revision; }
    void setBusyReads(int reads) { busyReads_ = reads < 0 ? 0 : reads; }
    int busyReads() const { return busyReads_; }
    bool edidBusy() const { return busyLeft_ > 0; }
    int hotPlugCount() const { return hotPlugs_; }
    int factoryResets() const { return factoryResets_; }

    // The last packet of each custom kind (command code), and the recent CEC
    // messages and RS-232 commands, oldest first.
    const StoredPacket* lastPacket(std::uint8_t command) const;
    const std::deque<StoredPacket>& cecMessages() const { return cec_; }
    const std::deque<StoredPacket>& rs232Commands() const { return rs232_; }
    static constexpr std::size_t kHistory = 32;

    FlashProtocol& flash() { return *flash_; }

private:
    BoxReply handleWrite(std::span<const std::uint8_t> r);
    BoxReply handleRead(std::span<const std::uint8_t> r);
    BoxReply registerWrite(std::uint8_t reg, std::uint8_t value);
    BoxReply epStateWrite(std::span<const std::uint8_t> r);
    BoxReply taggedPacket(std::span<const std::uint8_t> r);
    BoxReply osdParams(std::span<const std::uint8_t> r);
    BoxReply osdText(std::span<const std::uint8_t> r);
    BoxReply macro(std::span<const std::uint8_t> r);
    BoxReply scaleParams(std::span<const std::uint8_t> r);
    BoxReply rs232(std::span<const std::uint8_t> r);
    BoxReply edidFetch(std::uint8_t command);
    BoxReply edidUpload(std::span<const std::uint8_t> r);
    BoxReply edidCommit(std::uint8_t table);
    void factoryReset(std::uint8_t what);
    void store(std::uint8_t command, std::span<const std::uint8_t> request, std::size_t payloadAt,
               std::size_t payloadSize);
    int effectiveEdidMode() const;
    // Where the EDID of an input port comes from by the EDID mode: a TV (number
    // is TX0 or TX1; without a TV the fixed EDID), a table (its number; the
    // fixed EDID when it does not exist) or the fixed EDID.
    struct Presented {
        enum Kind { kSink, kTable, kFixed } kind;
        int number;
        const char* prefix;  // what the trace text starts with
    };
    Presented presented(int port) const;

    EpState ep_{};
    std::map<int, Page> pages_;
    std::array<InputPages, 2> inputs_;
    std::vector<Edid> tables_;                 // index 0 is table 1
    std::vector<Edid> staging_;                // upload images of the custom tables
    std::vector<std::uint32_t> stagedChunks_;  // bit per 8-byte chunk written since the last commit
    std::array<std::optional<Edid>, 2> sinks_;
    Edid edidBuffer_{};
    Edid pendingEdid_{};
    int busyLeft_ = 0;
    int busyReads_ = kDefaultBusyReads;
    std::uint8_t pcbRevision_ = 1;
    int hotPlugs_ = 0;
    int factoryResets_ = 0;
    std::map<std::uint8_t, StoredPacket> last_;
    std::deque<StoredPacket> cec_;
    std::deque<StoredPacket> rs232_;
    std::unique_ptr<FlashProtocol> flash_;
};

// Infoframe helper: type, version, length, checksum and payload from byte 2 of a page.
void putInfoframe(Page& page, std::uint8_t type, std::uint8_t version,
                  std::span<const std::uint8_t> payload);
// A zero-terminated text at an offset of a page (cut to fit, the rest of the page zeroed).
void putText(Page& page, std::size_t offset, std::string_view text);
// The zero-terminated text at an offset of a page.
std::string pageText(const Page& page, std::size_t offset);

}  // namespace emu
