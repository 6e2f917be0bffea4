// The box's dispatch: requests by kind and command, the register writes,
// the EP state, its pages and what a factory reset restores.
#include "Box.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

#include "BoxRequests.h"
#include "Registers.h"
#include "States.h"
#include "Strf.h"
#include "emulator/flash/FlashProtocol.h"
#include "protocol/Protocol.h"

namespace emu {

namespace {

using namespace boxlink;
using namespace request;

constexpr std::size_t kMaxAnswer = boxlink::kMaxAnswer;

const char* pageName(int page) {
    static const char* const kNames[kPageCount] = {
        "firmware",
        "video, first path",
        "video, second path",
        "audio, first path",
        "audio, second path",
        "TX0",
        "TX1",
        "TX0 sink name",
        "TX1 sink name",
        "scaler port 0",
        "scaler port 1",
        "OSD parameters",
        "OSD text",
        "Dolby Vision block",
        "custom HDR infoframe",
        "custom AVI infoframe",
        "custom VSI",
        "SPD infoframe",
        "AVI infoframe",
        "audio infoframe",
        "HDR infoframe",
        "HDMI VSI",
        "VSI",
        "HDMI Forum VSI",
    };
    if (page >= 0 && page < kPageCount) {
        return kNames[page];
    }
    return page == kMacroPage ? "macros" : "?";
}

// Pages 2 and 4 show the second path with the layout of pages 1 and 3.
bool isInputPage(int number) {
    return number == 2 || number == 4 ||
           std::find(std::begin(kInputPages), std::end(kInputPages), number) !=
               std::end(kInputPages);
}

InputPages inputPages(const InputPages& from) {
    InputPages pages;
    for (int key : kInputPages) {
        const auto it = from.find(key);
        pages[key] = it == from.end() ? Page{} : it->second;
    }
    return pages;
}

}  // namespace

namespace request {

BoxReply ignore(std::string description, std::string reason) {
    BoxReply r;
    r.description = std::move(description);
    r.ignored = std::move(reason);
    return r;
}

BoxReply answered(std::uint8_t echo, std::string description) {
    BoxReply r;
    r.answer = {echo, 0x00};
    r.description = std::move(description);
    return r;
}

// Checks the total length and the length byte of a fixed-layout request.
std::string checkFixed(Bytes r, std::size_t size, std::uint8_t lengthByte) {
    if (r[1] != lengthByte) {
        return strf("length byte 0x%02X, expected 0x%02X", r[1], lengthByte);
    }
    if (r.size() != size) {
        return strf("request of %zu bytes, expected %zu", r.size(), size);
    }
    return {};
}

}  // namespace request

void putInfoframe(Page& page, std::uint8_t type, std::uint8_t version, Bytes payload) {
    std::fill(page.begin() + 2, page.end(), std::uint8_t{0});
    const std::size_t n = std::min(payload.size(), page.size() - 6);
    page[2] = type;
    page[3] = version;
    page[4] = static_cast<std::uint8_t>(n);
    unsigned sum = type + version + static_cast<unsigned>(n);
    for (std::size_t i = 0; i < n; ++i) {
        page[6 + i] = payload[i];
        sum += payload[i];
    }
    page[5] = static_cast<std::uint8_t>((256 - sum % 256) % 256);
}

void putText(Page& page, std::size_t offset, std::string_view text) {
    if (offset >= page.size()) {
        return;
    }
    std::fill(page.begin() + static_cast<std::ptrdiff_t>(offset), page.end(), std::uint8_t{0});
    const std::size_t n = std::min(text.size(), page.size() - offset - 1);
    std::memcpy(page.data() + offset, text.data(), n);
}

std::string pageText(const Page& page, std::size_t offset) {
    std::string out;
    for (std::size_t i = offset; i < page.size() && page[i] != 0; ++i) {
        out.push_back(static_cast<char>(page[i]));
    }
    return out;
}

Box::Box() : Box(defaultState()) {}

Box::Box(const BoxState& state) : flash_(std::make_unique<FlashProtocol>()) {
    load(state);
}

Box::~Box() = default;

void Box::load(const BoxState& state) {
    ep_ = state.ep;
    pages_.clear();
    for (int p = 0; p < kPageCount; ++p) {
        if (!isInputPage(p)) {
            pages_[p] = Page{};
        }
    }
    pages_[kMacroPage] = Page{};
    for (const auto& [number, content] : state.pages) {
        if (hasPage(number) && !isInputPage(number)) {
            pages_[number] = content;
        }
    }
    for (std::size_t port = 0; port < inputs_.size(); ++port) {
        inputs_[port] = inputPages(state.inputs[port]);
    }
    sinks_ = state.sinks;
    pcbRevision_ = state.pcbRevision;
    tables_.clear();
    for (int t = 1; t <= kEdidTableCount; ++t) {
        tables_.push_back(defaultTableEdid(t));
    }
    staging_.assign(tables_.begin(), tables_.begin() + kCustomTableCount);
    stagedChunks_.assign(kCustomTableCount, 0);
    edidBuffer_ = Edid{};
    busyLeft_ = 0;
}

void Box::loadSignal(const BoxState& state) {
    for (int p : {7, 8, 13}) {
        const auto it = state.pages.find(p);
        pages_[p] = it == state.pages.end() ? Page{} : it->second;
    }
    for (std::size_t port = 0; port < inputs_.size(); ++port) {
        inputs_[port] = inputPages(state.inputs[port]);
    }
    sinks_ = state.sinks;
}

Box::PageInput Box::pageInput(int number) const {
    if (!isInputPage(number)) {
        return {};
    }
    const std::uint8_t selection = ep_[0];
    const int tx0 = selection == 2 || selection == 4 ? 1 : 0;  // TOP, MATRIX SWAP
    const int tx1 = selection == 2 || selection == 3 ? 1 : 0;  // TOP, MATRIX THRU
    if (number == 2 || number == 4) {
        return {1 - tx0, number - 1};
    }
    return {number == 6 ? tx1 : tx0, number};
}

Page* Box::page(int number) {
    return const_cast<Page*>(std::as_const(*this).page(number));
}

const Page* Box::page(int number) const {
    if (const PageInput in = pageInput(number); in.input >= 0) {
        const InputPages& pages = inputs_[static_cast<std::size_t>(in.input)];
        const auto it = pages.find(in.key);
        return it == pages.end() ? nullptr : &it->second;
    }
    const auto it = pages_.find(number);
    return it == pages_.end() ? nullptr : &it->second;
}

const StoredPacket* Box::lastPacket(std::uint8_t command) const {
    const auto it = last_.find(command);
    return it == last_.end() ? nullptr : &it->second;
}

BoxReply Box::handle(Bytes r) {
    if (r.empty()) {
        return ignore("empty write", "a write without bytes");
    }
    if (FlashProtocol::isFlashPacket(r.data(), r.size())) {
        const std::string description = flash_->describe(r.data(), r.size());
        FlashReply fr = flash_->handle(r.data(), r.size());
        BoxReply reply;
        reply.answer = std::move(fr.answer);
        reply.unplug = fr.unplug;
        reply.description = description;
        return reply;
    }
    if (r.size() < 3) {
        return ignore("short request", strf("%zu bytes, a request has at least 3", r.size()));
    }
    if (r[0] == REQ_WRITE) {
        return handleWrite(r);
    }
    if (r[0] == REQ_READ) {
        return handleRead(r);
    }
    return ignore("unknown request", strf("unknown request kind 0x%02X", r[0]));
}

BoxReply Box::handleWrite(Bytes r) {
    const std::uint8_t command = r[2];
    switch (command) {
        case CMD_REGISTER: {
            if (auto bad = checkFixed(r, 5, 4); !bad.empty()) {
                return ignore("register write", bad);
            }
            return registerWrite(r[3], r[4]);
        }
        case CMD_EP_STATE: {
            if (auto bad = checkFixed(r, 3 + kEpStateBlockSize, kEpStateBlockSize); !bad.empty()) {
                return ignore("EP state block", bad);
            }
            return epStateWrite(r);
        }
        case CMD_HDR_INFOFRAME:
        case CMD_AVI_INFOFRAME:
        case CMD_VSI_INFOFRAME:
        case CMD_CEC_MESSAGE:
        case CMD_DV_BLOCK:
            return taggedPacket(r);
        case CMD_SCALE_PARAMS:
            return scaleParams(r);
        case CMD_OSD_PARAMS:
            return osdParams(r);
        case CMD_OSD_TEXT:
            return osdText(r);
        case CMD_MACRO:
            return macro(r);
        case CMD_RS232:
            return rs232(r);
        case CMD_EDID_DATA:
            return edidUpload(r);
        case CMD_EDID_COMMIT: {
            if (auto bad = checkFixed(r, 4, 8); !bad.empty()) {
                return ignore("EDID commit", bad);
            }
            return edidCommit(r[3]);
        }
        case CMD_EDID_FETCH:
        case CMD_EDID_FETCH_TV_A:
        case CMD_EDID_FETCH_TV_B:
        case CMD_EDID_FETCH_RX_BOT:
        case CMD_EDID_FETCH_RX_TOP: {
            if (auto bad = checkFixed(r, 3, 1); !bad.empty()) {
                return ignore("EDID fetch", bad);
            }
            return edidFetch(command);
        }
        case CMD_STATUS:
        case CMD_PCB_REVISION:
            return ignore("write request",
                          strf("command 0x%02X is read with request kind 0x11", command));
        default:
            return ignore("write request", strf("unknown command 0x%02X", command));
    }
}

BoxReply Box::handleRead(Bytes r) {
    const std::uint8_t command = r[2];
    const std::size_t n = r[1];
    auto checkAsked = [&](std::size_t size) -> std::string {
        if (r.size() != size) {
            return strf("request of %zu bytes, expected %zu", r.size(), size);
        }
        if (n == 0 || n > kMaxAnswer) {
            return strf("asked for %zu bytes, at most 64 and at least 1", n);
        }
        return {};
    };
    BoxReply reply;
    switch (command) {
        case CMD_REGISTER: {
            const int number = r.size() > 3 ? r[3] : -1;
            const int port = pageInput(number).input;
            const std::string what =
                number < 0  ? "page read"
                : port >= 0 ? strf("read page %d (%s: port %d), %zu bytes", number,
                                   pageName(number), port, n)
                            : strf("read page %d (%s), %zu bytes", number, pageName(number), n);
            if (auto bad = checkAsked(4); !bad.empty()) {
                return ignore(what, bad);
            }
            const Page* p = page(number);
            if (p == nullptr) {
                return ignore(what, strf("no page %d", number));
            }
            reply.answer.assign(p->begin(), p->begin() + static_cast<std::ptrdiff_t>(n));
            reply.answer[0] = CMD_REGISTER;
            reply.description = what;
            return reply;
        }
        case CMD_STATUS: {
            const std::string what = strf("read status, %zu bytes", n);
            if (auto bad = checkAsked(3); !bad.empty()) {
                return ignore(what, bad);
            }
            std::array<std::uint8_t, kMaxAnswer> block{};
            block[0] = CMD_STATUS;
            block[1] = busyLeft_ > 0 ? 0x01 : 0x00;
            std::copy_n(ep_.begin(), kEpStateReported, block.begin() + 2);
            reply.answer.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
            reply.description = what + (busyLeft_ > 0 ? " (EDID busy)" : "");
            if (busyLeft_ > 0 && --busyLeft_ == 0) {
                edidBuffer_ = pendingEdid_;
            }
            return reply;
        }
        case CMD_EDID_DATA: {
            const std::size_t offset = r.size() > 3 ? r[3] : 0;
            const std::string what = strf("EDID buffer read, offset %zu, %zu bytes", offset, n);
            if (auto bad = checkAsked(4); !bad.empty()) {
                return ignore(what, bad);
            }
            if (offset + n > edidBuffer_.size()) {
                return ignore(what, "reads past the end of the 256-byte EDID buffer");
            }
            reply.answer.assign(edidBuffer_.begin() + static_cast<std::ptrdiff_t>(offset),
                                edidBuffer_.begin() + static_cast<std::ptrdiff_t>(offset + n));
            reply.description = what;
            return reply;
        }
        case CMD_PCB_REVISION: {
            const std::string what = "read PCB revision";
            if (auto bad = checkAsked(4); !bad.empty()) {
                return ignore(what, bad);
            }
            reply.answer.assign(n, 0);
            reply.answer[0] = CMD_PCB_REVISION;
            if (n > 1) {
                reply.answer[1] = pcbRevision_;
            }
            reply.description = strf("read PCB revision (%u)", pcbRevision_);
            return reply;
        }
        default:
            if (isTagged(command) || command == CMD_EP_STATE ||
                (command >= CMD_EDID_COMMIT && command <= CMD_EDID_FETCH_RX_TOP) ||
                command == CMD_SCALE_PARAMS || command == CMD_OSD_PARAMS ||
                command == CMD_OSD_TEXT || command == CMD_MACRO || command == CMD_RS232) {
                return ignore("read request",
                              strf("command 0x%02X is sent with request kind 0x10", command));
            }
            return ignore("read request", strf("unknown command 0x%02X", command));
    }
}

BoxReply Box::registerWrite(std::uint8_t reg, std::uint8_t value) {
    const RegisterName* info = findRegisterName(reg);
    const std::optional<std::size_t> epByte = registerEpByte(reg);
    if (info != nullptr && epByte) {
        const auto byte = static_cast<unsigned>(*epByte);
        std::string what =
            info->isSigned
                ? strf("register %u := %d (S[%u], %s)", reg,
                       static_cast<int>(static_cast<std::int8_t>(value)), byte, info->name)
                : strf("register %u := %u (S[%u], %s)", reg, value, byte, info->name);
        if (reg == 30 && ep_[kHdcpSwitchByte] != 1) {
            what += strf("; not applied, the HDCP switch forces %s",
                         ep_[kHdcpSwitchByte] == 2 ? "1.4" : "2.2");
        } else {
            ep_[*epByte] = value;
        }
        return answered(CMD_REGISTER, what);
    }
    if (reg == 62) {
        ++hotPlugs_;
        return answered(CMD_REGISTER, strf("register 62 := %u (hot-plug pulse)", value));
    }
    if (reg == 63) {
        static const char* const kWhat[] = {"nothing", "EDID", "settings", "EDID and settings"};
        const std::string what =
            value >= 1 && value <= 3
                ? strf("register 63 := %u (factory reset: %s)", value, kWhat[value])
                : strf("register 63 := %u (factory reset: unknown choice, nothing reset)", value);
        factoryReset(value);
        return answered(CMD_REGISTER, what);
    }
    return answered(CMD_REGISTER, strf("register %u := %u (no such setting)", reg, value));
}

void Box::factoryReset(std::uint8_t what) {
    if (what < 1 || what > 3) {
        return;
    }
    ++factoryResets_;
    const BoxState factory = defaultState();
    if (what & 1) {
        for (int t = 1; t <= kCustomTableCount; ++t) {
            tables_[static_cast<std::size_t>(t - 1)] = defaultTableEdid(t);
        }
        staging_.assign(tables_.begin(), tables_.begin() + kCustomTableCount);
        stagedChunks_.assign(kCustomTableCount, 0);
        std::copy(factory.ep.begin() + 10, factory.ep.begin() + 20, ep_.begin() + 10);
    }
    if (what & 2) {
        for (std::size_t i = 0; i < kEpStateBytes; ++i) {
            const bool edidByte = i >= 10 && i < 20;
            const bool switchByte = i == kEdidSwitchByte || i == kHdcpSwitchByte ||
                                    i == kScalerAvailByte || i == kScaleSwitchByte;
            if (!edidByte && !switchByte) {
                ep_[i] = factory.ep[i];
            }
        }
        for (int p : {9, 10, 11, 12, 14, 15, 16, kMacroPage}) {
            const auto it = factory.pages.find(p);
            pages_[p] = it == factory.pages.end() ? Page{} : it->second;
        }
    }
}

BoxReply Box::epStateWrite(Bytes r) {
    // The slide switches are not the host's to move; their bytes stay.
    for (std::size_t i = 0; i < kEpStateBlockSize; ++i) {
        if (i != kEdidSwitchByte && i != kHdcpSwitchByte && i != kScalerAvailByte) {
            ep_[i] = r[3 + i];
        }
    }
    store(CMD_EP_STATE, r, 3, kEpStateBlockSize);
    return answered(CMD_EP_STATE, "EP state block S[0..39] (switch bytes S[3], S[6], S[7] kept)");
}

void Box::store(std::uint8_t command, Bytes request, std::size_t payloadAt,
                std::size_t payloadSize) {
    StoredPacket p;
    p.command = command;
    p.request.assign(request.begin(), request.end());
    p.payload.assign(request.begin() + static_cast<std::ptrdiff_t>(payloadAt),
                     request.begin() + static_cast<std::ptrdiff_t>(payloadAt + payloadSize));
    if (command == CMD_CEC_MESSAGE || command == CMD_RS232) {
        auto& history = command == CMD_CEC_MESSAGE ? cec_ : rs232_;
        history.push_back(p);
        while (history.size() > kHistory) {
            history.pop_front();
        }
    }
    last_[command] = std::move(p);
}

}  // namespace emu
