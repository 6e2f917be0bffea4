// Bounded access to register page answers. Page bytes come from the box and
// can be anything: nothing here reads past the end of the page, and a byte
// beyond it counts as 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace boxstatus {

// A register page as read: the answer bytes up to the page's read length,
// byte 0 being the echo. An empty page stands for a page that was not read.
using Bytes = std::span<const std::uint8_t>;

std::uint8_t byteAt(Bytes page, std::size_t offset);
// 16-bit value, low byte first.
std::uint16_t wordLe(Bytes page, std::size_t offset);
// 16-bit value, high byte first.
std::uint16_t wordBe(Bytes page, std::size_t offset);
// The zero-terminated text from offset: ends at the first zero byte, after
// maxLength characters or at the end of the page, whichever comes first.
std::string textAt(Bytes page, std::size_t offset, std::size_t maxLength = SIZE_MAX);
// The bytes start .. start + count - 1 that the page holds.
Bytes slice(Bytes page, std::size_t start, std::size_t count);
// Each byte as two lower-case hexadecimal digits, joined by ":".
std::string hexBytes(Bytes bytes);
// The infoframe dump text of the infoframe that starts at start (type,
// version, length L, checksum, payload): L + 4 bytes, cut at the end of the
// page when the length byte says more than the page holds.
std::string infoframeDump(Bytes page, std::size_t start = 2);

}  // namespace boxstatus
