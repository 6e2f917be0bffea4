#include "edid/Image.h"

#include <algorithm>

namespace edid {

std::uint8_t edidBlockChecksum(std::span<const std::uint8_t, kBlockSize> block) {
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < kBlockSize; ++i) {
        sum += block[i];
    }
    return static_cast<std::uint8_t>((256u - sum % 256u) % 256u);
}

bool hasEdidHeader(const EdidImage& image) {
    return std::equal(kEdidHeader.begin(), kEdidHeader.end(), image.begin());
}

ChecksumVerdict checkChecksums(const EdidImage& image) {
    ChecksumVerdict verdict;
    for (std::size_t b = 0; b < kBlockCount; ++b) {
        const std::span<const std::uint8_t, kBlockSize> block(image.data() + b * kBlockSize,
                                                              kBlockSize);
        verdict.blocks[b] = {block[kBlockSize - 1], edidBlockChecksum(block)};
    }
    return verdict;
}

void repairChecksums(EdidImage& image) {
    const ChecksumVerdict verdict = checkChecksums(image);
    for (std::size_t b = 0; b < kBlockCount; ++b) {
        image[b * kBlockSize + kBlockSize - 1] = verdict.blocks[b].computed;
    }
}

bool blockChecksumsOk(std::span<const std::uint8_t> bytes) {
    for (std::size_t at = 0; at + kBlockSize <= bytes.size(); at += kBlockSize) {
        const std::span<const std::uint8_t, kBlockSize> block(bytes.data() + at, kBlockSize);
        if (block[kBlockSize - 1] != edidBlockChecksum(block)) {
            return false;
        }
    }
    return true;
}

void repairBlockChecksums(std::span<std::uint8_t> bytes) {
    for (std::size_t at = 0; at + kBlockSize <= bytes.size(); at += kBlockSize) {
        const std::span<const std::uint8_t, kBlockSize> block(bytes.data() + at, kBlockSize);
        bytes[at + kBlockSize - 1] = edidBlockChecksum(block);
    }
}

std::optional<EdidImage> boxTableImage(std::span<const std::uint8_t> bytes) {
    if (bytes.size() > kEdidSize) {
        return std::nullopt;
    }
    EdidImage image{};
    std::copy(bytes.begin(), bytes.end(), image.begin());
    return image;
}

std::string boxTableRefusal(std::size_t size) {
    const std::size_t extensions = size > kBlockSize ? (size - 1) / kBlockSize : 0;
    return "the EDID has " + std::to_string(size) + " bytes (" + std::to_string(extensions) +
           " extension blocks); the box's tables hold a base block and one extension";
}

void appendHexLine(std::string& text, std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    if (bytes.empty()) {
        return;
    }
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
        text += ' ';
    }
    text.back() = '\n';
}

std::string hexText(const EdidImage& image) {
    std::string text;
    text.reserve(kHexTextSize);
    for (std::size_t line = 0; line < kEdidSize; line += kValuesPerLine) {
        appendHexLine(text, std::span(image).subspan(line, kValuesPerLine));
    }
    return text;
}

}  // namespace edid
