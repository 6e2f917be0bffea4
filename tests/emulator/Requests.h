// Request builders for the emulator tests: the byte layouts that the
// utility sends, written out once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"

namespace emutest {

using Bytes = std::vector<std::uint8_t>;

inline Bytes registerWrite(std::uint8_t reg, std::uint8_t value) {
    return {0x10, 0x04, boxlink::CMD_REGISTER, reg, value};
}

inline Bytes pageRead(std::uint8_t page, std::uint8_t length) {
    return {0x11, length, boxlink::CMD_REGISTER, page};
}

inline Bytes statusRead(std::uint8_t length) {
    return {0x11, length, boxlink::CMD_STATUS};
}

inline Bytes pcbRead() {
    return {0x11, 0x02, boxlink::CMD_PCB_REVISION, 0x00};
}

inline Bytes withTag(Bytes head, std::string_view tag, const Bytes& tail) {
    head.insert(head.end(), tag.begin(), tag.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

// The five-letter tagged layout of the infoframe, Dolby Vision and CEC senders.
inline Bytes tagged(std::uint8_t command, std::string_view tag, const Bytes& data) {
    // Grown from a reserved vector: GCC 12 at -O2 takes an insert after an
    // initializer list for a write past its end (-Warray-bounds).
    Bytes r;
    r.reserve(data.size() + 9);
    r.push_back(0x10);
    r.push_back(static_cast<std::uint8_t>(data.size() + 6));
    r.push_back(command);
    r.insert(r.end(), tag.begin(), tag.end());
    r.push_back(static_cast<std::uint8_t>(data.size()));
    r.insert(r.end(), data.begin(), data.end());
    return r;
}

inline Bytes epStateWrite(const Bytes& block40) {
    Bytes r = {0x10, 0x28, boxlink::CMD_EP_STATE};
    r.insert(r.end(), block40.begin(), block40.end());
    return r;
}

inline Bytes osdParams(const Bytes& data28) {
    return withTag({0x10, 0x25, boxlink::CMD_OSD_PARAMS}, "osdparam ", data28);
}

inline Bytes osdText(std::string_view text, std::uint8_t flags, int x, int y) {
    Bytes tail = {static_cast<std::uint8_t>(text.size()), flags,
                  static_cast<std::uint8_t>(x >> 8),      static_cast<std::uint8_t>(x & 0xFF),
                  static_cast<std::uint8_t>(y >> 8),      static_cast<std::uint8_t>(y & 0xFF)};
    tail.insert(tail.end(), text.begin(), text.end());
    return withTag({0x10, static_cast<std::uint8_t>(text.size() + 14), boxlink::CMD_OSD_TEXT},
                   "osdtext ", tail);
}

inline Bytes macro(const Bytes& data39) {
    return withTag({0x10, 0x2D, boxlink::CMD_MACRO}, "macro ", data39);
}

inline Bytes scaleParams(int port, const Bytes& data16) {
    return withTag({0x10, 0x17, boxlink::CMD_SCALE_PARAMS}, port == 0 ? "param 0" : "param 1",
                   data16);
}

inline Bytes rs232(const Bytes& data) {
    Bytes r = {0x10, static_cast<std::uint8_t>(data.size() + 1), boxlink::CMD_RS232};
    r.insert(r.end(), data.begin(), data.end());
    r.push_back(0x00);
    return r;
}

inline Bytes edidFetch(std::uint8_t command) {
    return {0x10, 0x01, command};
}

inline Bytes edidChunkRead(std::uint8_t offset) {
    return {0x11, 0x10, boxlink::CMD_EDID_DATA, offset};
}

inline Bytes edidUpload(std::uint8_t table, std::uint8_t offset, const std::uint8_t* eight) {
    Bytes r = {0x10, 0x08, boxlink::CMD_EDID_DATA, table, offset};
    r.insert(r.end(), eight, eight + 8);
    return r;
}

inline Bytes edidCommit(std::uint8_t table) {
    return {0x10, 0x08, boxlink::CMD_EDID_COMMIT, table};
}

// 0, 1, 2, ... n-1, offset by start.
inline Bytes counting(std::size_t n, std::uint8_t start = 0) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(start + i);
    }
    return b;
}

}  // namespace emutest
