// The box's custom packets: the tagged infoframes, CEC and Dolby Vision
// requests, the OSD, macro, scaler and RS-232 requests, and the pages that
// keep them.
#include <algorithm>
#include <string_view>

#include "Box.h"
#include "BoxRequests.h"
#include "Strf.h"
#include "protocol/Protocol.h"

namespace emu {

namespace {

using namespace boxlink;
using namespace request;

constexpr std::size_t kInfoframeMax = 31;  // header, checksum and 27 payload bytes
constexpr std::size_t kDataBlockMax = 32;  // a CTA data block: header and 31 bytes
constexpr std::size_t kCecMax = 16;
constexpr std::size_t kRs232Max = 60;
constexpr std::size_t kOsdTextMax = 40;
constexpr std::size_t kOsdTextAt = 8;        // page 12: text from byte 8
constexpr std::size_t kOsdNeverFadeAt = 48;  // page 12: the "never fade" flag

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
void copyInto(Page& page, std::size_t at, Bytes data) {
    std::fill(page.begin() + static_cast<std::ptrdiff_t>(at), page.end(), std::uint8_t{0});
    const std::size_t n = std::min(data.size(), page.size() - at);
    std::copy_n(data.begin(), n, page.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

bool request::isTagged(std::uint8_t command) {
    return findTagged(command) != nullptr;
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

}  // namespace emu
