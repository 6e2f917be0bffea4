// The 256-byte EDID that the box keeps and the utility edits: a base block
// and one extension block, each closed by its checksum byte; its checksums
// and its text form of 16 lines of 16 hexadecimal values.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace edid {

inline constexpr std::size_t kEdidSize = 256;
inline constexpr std::size_t kBlockSize = 128;
inline constexpr std::size_t kBlockCount = kEdidSize / kBlockSize;
inline constexpr std::size_t kValuesPerLine = 16;
// The text of a whole image: 16 lines of 47 characters and a line feed.
inline constexpr std::size_t kHexTextSize = kEdidSize * 3;

using EdidImage = std::array<std::uint8_t, kEdidSize>;

// The eight bytes every EDID begins with.
inline constexpr std::array<std::uint8_t, 8> kEdidHeader = {0x00, 0xFF, 0xFF, 0xFF,
                                                            0xFF, 0xFF, 0xFF, 0x00};
inline constexpr char kNoHeaderText[] = "it does not begin with the EDID header 00 FF FF FF FF FF FF 00";

// Whether the image begins with kEdidHeader; an upload of one that does not
// is asked about (window) or needs --force (command line).
bool hasEdidHeader(const EdidImage& image);

// The byte that makes a block add up to 0 modulo 256: 256 minus the sum of
// bytes 0 to 126, modulo 256. Byte 127 is not read.
std::uint8_t edidBlockChecksum(std::span<const std::uint8_t, kBlockSize> block);

struct BlockChecksum {
    std::uint8_t stored = 0;    // byte 127 of the block
    std::uint8_t computed = 0;  // what it should be
    bool ok() const { return stored == computed; }
};

struct ChecksumVerdict {
    std::array<BlockChecksum, kBlockCount> blocks{};
    bool ok() const { return blocks[0].ok() && blocks[1].ok(); }
};

// Both blocks, always: block 0 against byte 127, block 1 against byte 255.
ChecksumVerdict checkChecksums(const EdidImage& image);
// Stores both computed checksums at bytes 127 and 255.
void repairChecksums(EdidImage& image);

// Every 128-byte block of an EDID of any length: all correct; their repair.
bool blockChecksumsOk(std::span<const std::uint8_t> bytes);
void repairBlockChecksums(std::span<std::uint8_t> bytes);

// An EDID as a box's table holds it: up to 256 bytes, the rest 0x00 (a
// 128-byte EDID says in its base block that no extension follows). None when
// the EDID has more than one extension; boxTableRefusal then says why.
std::optional<EdidImage> boxTableImage(std::span<const std::uint8_t> bytes);
std::string boxTableRefusal(std::size_t size);

// Appends one line of the text form: each byte as two upper-case digits and a
// blank, the last blank replaced by a line feed.
void appendHexLine(std::string& text, std::span<const std::uint8_t> bytes);
// The text form of the image: 768 characters.
std::string hexText(const EdidImage& image);

}  // namespace edid
