#include "Box.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <utility>

#include "States.h"
#include "emulator/flash/FlashProtocol.h"
#include "link/CommandCodes.h"

namespace emu {

namespace {

using namespace boxlink;
using Bytes = std::span<const std::uint8_t>;

constexpr std::size_t kMaxAnswer = boxlink::kMaxAnswer;
constexpr std::size_t kInfoframeMax = 31;  // header, checksum and 27 payload bytes
constexpr std::size_t kDataBlockMax = 32;  // a CTA data block: header and 31 bytes
constexpr std::size_t kCecMax = 16;
constexpr std::size_t kRs232Max = 60;
constexpr std::size_t kOsdTextMax = 40;
constexpr std::size_t kOsdTextAt = 8;        // page 12: text from byte 8
constexpr std::size_t kOsdNeverFadeAt = 48;  // page 12: the "never fade" flag

std::string strf(const char* fmt, auto... args) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, fmt, args...);
    return buffer;
}

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

bool tagIs(Bytes r, std::size_t at, std::string_view tag) {
    return r.size() >= at + tag.size() &&
           std::equal(tag.begin(), tag.end(), r.begin() + static_cast<std::ptrdiff_t>(at));
}

std::string tagText(Bytes r, std::size_t at, std::size_t n) {
    std::string out;
    for (std::size_t i = at; i < at + n && i < r.size(); ++i) {
        const char c = static_cast<char>(r[i]);
        out.push_back(c >= 0x20 && c < 0x7F ? c : '.');
    }
    return out;
}

std::string colonHex(Bytes b) {
    std::string out;
    for (std::size_t i = 0; i < b.size(); ++i) {
        out += strf(i == 0 ? "%02x" : ":%02x", b[i]);
    }
    return out;
}

struct RegisterInfo {
    std::uint8_t reg;
    std::uint8_t epByte;
    const char* name;
    bool isSigned = false;
};

constexpr RegisterInfo kRegisters[] = {
    {25, 0, "input"},
    {26, 8, "automatic switching"},
    {27, 9, "switching priority"},
    {28, 2, "scaling mode"},
    {29, 10, "EDID mode"},
    {30, 4, "HDCP level"},
    {31, 11, "EDID algorithm"},
    {32, 13, "EDID table BOT"},
    {33, 12, "EDID table TOP"},
    {34, 14, "EDID audio"},
    {35, 15, "EDID BT.2020"},
    {36, 16, "EDID YCbCr removal"},
    {37, 17, "EDID 3D removal"},
    {38, 18, "EDID HDR"},
    {39, 19, "Dolby Vision flags"},
    {40, 20, "custom HDR infoframe"},
    {41, 21, "HDR infoframe disabled"},
    {42, 22, "custom AVI infoframe"},
    {43, 23, "AVI infoframe disabled"},
    {44, 24, "custom VSI"},
    {45, 25, "VSI disabled"},
    {46, 26, "4K30 preset"},
    {47, 27, "4K60 preset"},
    {48, 28, "4K60 HDR preset"},
    {50, 30, "logo LED"},
    {56, 36, "CEC"},
    {57, 37, "CEC device type"},
    {58, 38, "HTPC mode"},
    {66, 42, "RS-232 baud rate"},
    {67, 43, "ARC HBR audio"},
    {68, 46, "auto scaling without upscaling"},
    {69, 47, "audio volume", true},
    {70, 48, "audio bass", true},
    {71, 49, "audio treble", true},
    {72, 50, "mute BOT audio"},
    {73, 51, "HDR options"},
};

const RegisterInfo* findRegister(std::uint8_t reg) {
    for (const RegisterInfo& info : kRegisters) {
        if (info.reg == reg) {
            return &info;
        }
    }
    return nullptr;
}

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

struct TaggedKind {
    std::uint8_t command;
    const char* tag;
    const char* name;
    std::size_t maxData;
    int page;  // the page that keeps it, or -1
};

constexpr TaggedKind kTagged[] = {
    {CMD_HDR_INFOFRAME, "hdrif", "custom HDR infoframe", kInfoframeMax, 14},
    {CMD_AVI_INFOFRAME, "aviif", "custom AVI infoframe", kInfoframeMax, 15},
    {CMD_VSI_INFOFRAME, "vsiif", "custom VSI", kInfoframeMax, 16},
    {CMD_CEC_MESSAGE, "cecif", "CEC message", kCecMax, -1},
    {CMD_DV_BLOCK, "dviif", "Dolby Vision block", kDataBlockMax, -1},
};

const TaggedKind* findTagged(std::uint8_t command) {
    for (const TaggedKind& k : kTagged) {
        if (k.command == command) {
            return &k;
        }
    }
    return nullptr;
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

void copyInto(Page& page, std::size_t at, Bytes data) {
    std::fill(page.begin() + static_cast<std::ptrdiff_t>(at), page.end(), std::uint8_t{0});
    const std::size_t n = std::min(data.size(), page.size() - at);
    std::copy_n(data.begin(), n, page.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

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

Edid* Box::table(int number) {
    if (number < 1 || number > kEdidTableCount) {
        return nullptr;
    }
    return &tables_[static_cast<std::size_t>(number - 1)];
}

const Edid* Box::table(int number) const {
    if (number < 1 || number > kEdidTableCount) {
        return nullptr;
    }
    return &tables_[static_cast<std::size_t>(number - 1)];
}

const StoredPacket* Box::lastPacket(std::uint8_t command) const {
    const auto it = last_.find(command);
    return it == last_.end() ? nullptr : &it->second;
}

int Box::effectiveEdidMode() const {
    const int sw = ep_[kEdidSwitchByte];
    if (sw == 1 || sw == 2) {
        return sw;
    }
    const int mode = ep_[10];
    return mode >= 1 && mode <= 5 ? mode : 1;
}

std::string Box::presentedSource(int port) const {
    const int mode = effectiveEdidMode();
    auto sinkText = [&](int tx) {
        if (!sinks_[static_cast<std::size_t>(tx)]) {
            return strf("no TV on TX%d, fixed EDID", tx);
        }
        return strf("TX%d TV %s", tx, monitorName(*sinks_[static_cast<std::size_t>(tx)]).c_str());
    };
    switch (mode) {
        case 1:
            return std::string("automix, ") + (sinks_[0] ? sinkText(0) : sinkText(1));
        case 2:
            return "fixed EDID";
        case 3: {
            int t = ep_[13];
            if (port == 1 && ep_[12] != 0) {
                t = ep_[12];
            }
            if (t < 1 || t > kEdidTableCount) {
                return strf("custom table %d does not exist, fixed EDID", t);
            }
            return strf("custom table %d", t);
        }
        case 4:
            return "copy TOP sink, " + sinkText(1);
        default:
            return "copy BOT sink, " + sinkText(0);
    }
}

Edid Box::presentedEdid(int port) const {
    switch (effectiveEdidMode()) {
        case 1:
            if (sinks_[0]) {
                return *sinks_[0];
            }
            return sinks_[1] ? *sinks_[1] : fixedEdid();
        case 2:
            return fixedEdid();
        case 3: {
            int t = ep_[13];
            if (port == 1 && ep_[12] != 0) {
                t = ep_[12];
            }
            const Edid* e = table(t);
            return e != nullptr ? *e : fixedEdid();
        }
        case 4:
            return sinks_[1] ? *sinks_[1] : fixedEdid();
        default:
            return sinks_[0] ? *sinks_[0] : fixedEdid();
    }
}

Edid Box::currentEdid() const {
    return presentedEdid(ep_[0] == 2 ? 1 : 0);
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
            if (findTagged(command) != nullptr || command == CMD_EP_STATE ||
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
    if (const RegisterInfo* info = findRegister(reg)) {
        std::string what =
            info->isSigned
                ? strf("register %u := %d (S[%u], %s)", reg,
                       static_cast<int>(static_cast<std::int8_t>(value)), info->epByte, info->name)
                : strf("register %u := %u (S[%u], %s)", reg, value, info->epByte, info->name);
        if (reg == 30 && ep_[kHdcpSwitchByte] != 1) {
            what += strf("; not applied, the HDCP switch forces %s",
                         ep_[kHdcpSwitchByte] == 2 ? "1.4" : "2.2");
        } else {
            ep_[info->epByte] = value;
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

BoxReply Box::taggedPacket(Bytes r) {
    const TaggedKind& kind = *findTagged(r[2]);
    const std::string name = kind.name;
    if (r.size() < 9) {
        return ignore(name,
                      strf("request of %zu bytes, at least 9 with the tag and count", r.size()));
    }
    if (r[1] != r.size() - 3) {
        return ignore(name, strf("length byte %u does not match the %zu bytes after byte 2", r[1],
                                 r.size() - 3));
    }
    if (!tagIs(r, 3, kind.tag)) {
        return ignore(name,
                      strf("tag \"%s\", expected \"%s\"", tagText(r, 3, 5).c_str(), kind.tag));
    }
    const std::size_t d = r.size() - 9;
    if (r[8] != d) {
        return ignore(name, strf("count byte %u disagrees with the %zu data bytes", r[8], d));
    }
    if (d == 0) {
        return ignore(name, "no data bytes");
    }
    if (d > kind.maxData) {
        return ignore(name, strf("%zu data bytes, at most %zu", d, kind.maxData));
    }
    const Bytes data = r.subspan(9);
    store(kind.command, r, 9, d);
    std::string what = name + " " + colonHex(data);
    if (kind.page >= 0) {
        copyInto(pages_[kind.page], 2, data);
        what += strf(" (page %d)", kind.page);
    }
    return answered(kind.command, what);
}

BoxReply Box::osdParams(Bytes r) {
    if (auto bad = checkFixed(r, 40, 0x25); !bad.empty()) {
        return ignore("OSD parameters", bad);
    }
    if (!tagIs(r, 3, "osdparam ")) {
        return ignore("OSD parameters",
                      strf("tag \"%s\", expected \"osdparam \"", tagText(r, 3, 9).c_str()));
    }
    copyInto(pages_[11], 2, r.subspan(12, 28));
    store(CMD_OSD_PARAMS, r, 12, 28);
    return answered(CMD_OSD_PARAMS,
                    strf("OSD parameters: %s, position %u,%u (page 11)", r[12] != 0 ? "on" : "off",
                         (r[28] << 8) | r[29], (r[30] << 8) | r[31]));
}

BoxReply Box::osdText(Bytes r) {
    const std::string name = "OSD text";
    if (r.size() < 17) {
        return ignore(name, strf("request of %zu bytes, at least 17", r.size()));
    }
    if (r[1] != r.size() - 3) {
        return ignore(name, strf("length byte %u does not match the %zu bytes after byte 2", r[1],
                                 r.size() - 3));
    }
    if (!tagIs(r, 3, "osdtext ")) {
        return ignore(name, strf("tag \"%s\", expected \"osdtext \"", tagText(r, 3, 8).c_str()));
    }
    const std::size_t n = r.size() - 17;
    if (r[11] != n) {
        return ignore(name, strf("count byte %u disagrees with the %zu text bytes", r[11], n));
    }
    if (n > kOsdTextMax) {
        return ignore(name, strf("%zu characters, at most 40", n));
    }
    Page& p = pages_[12];
    std::fill(p.begin() + 2, p.end(), std::uint8_t{0});
    p[2] = static_cast<std::uint8_t>(n);
    p[3] = r[12] & 0x01;
    std::copy_n(r.begin() + 13, 4, p.begin() + 4);  // x high, x low, y high, y low
    std::copy_n(r.begin() + 17, n, p.begin() + kOsdTextAt);
    p[kOsdNeverFadeAt] = (r[12] >> 1) & 0x01;
    store(CMD_OSD_TEXT, r, 17, n);
    return answered(CMD_OSD_TEXT,
                    strf("OSD text \"%s\", %s%s, at %u,%u (page 12)", tagText(r, 17, n).c_str(),
                         (r[12] & 1) ? "shown" : "hidden", (r[12] & 2) ? ", never fades" : "",
                         (r[13] << 8) | r[14], (r[15] << 8) | r[16]));
}

BoxReply Box::macro(Bytes r) {
    if (auto bad = checkFixed(r, 48, 0x2D); !bad.empty()) {
        return ignore("macros", bad);
    }
    if (!tagIs(r, 3, "macro ")) {
        return ignore("macros", strf("tag \"%s\", expected \"macro \"", tagText(r, 3, 6).c_str()));
    }
    copyInto(pages_[kMacroPage], 2, r.subspan(9, 39));
    store(CMD_MACRO, r, 9, 39);
    return answered(CMD_MACRO, strf("macros: %s, enable bits 0x%02X (page 65)",
                                    (r[9] & 1) ? "on" : "off", r[11]));
}

BoxReply Box::scaleParams(Bytes r) {
    if (auto bad = checkFixed(r, 26, 0x17); !bad.empty()) {
        return ignore("scaler parameters", bad);
    }
    int port = -1;
    if (tagIs(r, 3, "param 0")) {
        port = 0;
    } else if (tagIs(r, 3, "param 1")) {
        port = 1;
    } else {
        return ignore("scaler parameters", strf("tag \"%s\", expected \"param 0\" or \"param 1\"",
                                                tagText(r, 3, 7).c_str()));
    }
    copyInto(pages_[9 + port], 2, r.subspan(10, 16));
    store(CMD_SCALE_PARAMS, r, 10, 16);
    return answered(
        CMD_SCALE_PARAMS,
        strf("scaler parameters port %d: 4K60 %s, 4K30 %s, 1080p60 %s, 1080p30 %s (page %d)", port,
             r[10] ? "on" : "off", r[14] ? "on" : "off", r[18] ? "on" : "off", r[22] ? "on" : "off",
             9 + port));
}

BoxReply Box::rs232(Bytes r) {
    const std::string name = "RS-232 command";
    if (r.size() < 4) {
        return ignore(name, strf("request of %zu bytes, at least 4", r.size()));
    }
    if (r[1] != r.size() - 3) {
        return ignore(name, strf("length byte %u does not match the %zu bytes after byte 2", r[1],
                                 r.size() - 3));
    }
    if (r.back() != 0x00) {
        return ignore(name, strf("last byte 0x%02X, expected the closing 0x00", r.back()));
    }
    const std::size_t d = r.size() - 4;
    if (d == 0) {
        return ignore(name, "no data bytes");
    }
    if (d > kRs232Max) {
        return ignore(name, strf("%zu data bytes, at most %zu", d, kRs232Max));
    }
    store(CMD_RS232, r, 3, d);
    return answered(CMD_RS232, name + " " + colonHex(r.subspan(3, d)));
}

BoxReply Box::edidFetch(std::uint8_t command) {
    BoxReply reply = answered(command, "");
    switch (command) {
        case CMD_EDID_FETCH: {
            const int port = ep_[0] == 2 ? 1 : 0;
            pendingEdid_ = currentEdid();
            reply.description =
                strf("fetch current EDID (port %d: %s)", port, presentedSource(port).c_str());
            if (busyReads_ == 0) {
                edidBuffer_ = pendingEdid_;
                busyLeft_ = 0;
            } else {
                busyLeft_ = busyReads_;
                reply.description += strf(", busy for %d status reads", busyReads_);
            }
            break;
        }
        case CMD_EDID_FETCH_TV_A:
        case CMD_EDID_FETCH_TV_B: {
            const int tx = command == CMD_EDID_FETCH_TV_A ? 0 : 1;
            const auto& s = sinks_[static_cast<std::size_t>(tx)];
            edidBuffer_ = s ? *s : Edid{};
            reply.description = s ? strf("fetch TX%d TV EDID (%s)", tx, monitorName(*s).c_str())
                                  : strf("fetch TX%d TV EDID (no TV, buffer zeroed)", tx);
            break;
        }
        default: {
            const int port = command == CMD_EDID_FETCH_RX_BOT ? 0 : 1;
            edidBuffer_ = presentedEdid(port);
            reply.description =
                strf("fetch input port %d EDID (%s)", port, presentedSource(port).c_str());
            break;
        }
    }
    return reply;
}

BoxReply Box::edidUpload(Bytes r) {
    const int t = r.size() > 3 ? r[3] : -1;
    const int offset = r.size() > 4 ? r[4] : -1;
    const std::string what = strf("EDID table %d upload, offset %d", t, offset);
    if (auto bad = checkFixed(r, 13, 8); !bad.empty()) {
        return ignore(what, bad);
    }
    if (t < 1 || t > kCustomTableCount) {
        return ignore(what, strf("table %d is not a custom table (1..10)", t));
    }
    if (offset > 248) {
        return ignore(what, "the 8 bytes would end past byte 255");
    }
    Edid& image = staging_[static_cast<std::size_t>(t - 1)];
    std::copy_n(r.begin() + 5, 8, image.begin() + offset);
    stagedChunks_[static_cast<std::size_t>(t - 1)] |= 1u << (offset / 8);
    if (offset % 8 != 0) {
        stagedChunks_[static_cast<std::size_t>(t - 1)] |= 1u << (offset / 8 + 1);
    }
    return answered(CMD_EDID_DATA, what);
}

BoxReply Box::edidCommit(std::uint8_t t) {
    const std::string what = strf("EDID table %u commit", t);
    if (t < 1 || t > kCustomTableCount) {
        return ignore(what, strf("table %u is not a custom table (1..10)", t));
    }
    const std::size_t i = t - 1u;
    tables_[i] = staging_[i];
    const int chunks = __builtin_popcount(stagedChunks_[i]);
    stagedChunks_[i] = 0;
    return answered(
        CMD_EDID_COMMIT,
        strf("%s (%d of 32 chunks uploaded since the last commit, checksums %s, name \"%s\")",
             what.c_str(), chunks, checksumsValid(tables_[i]) ? "correct" : "WRONG",
             monitorName(tables_[i]).c_str()));
}

}  // namespace emu
