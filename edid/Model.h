// The editable EDID: a base block and one CTA-861 extension taken apart into
// the pieces an editor adds, removes, reorders and changes, and put back
// together with both checksums computed. Every byte of the input has a place
// in the model, so encoding an unedited model gives the input back (with its
// checksums made right). What the pieces mean is the decoder's business: the
// typed view of a model is decodeEdid(encodeModel(model)), in the same order
// as the model's timings and blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "edid/Tables.h"

namespace edid {

inline constexpr std::size_t kModelBlockSize = 128;
inline constexpr std::size_t kDescriptorSize = 18;
inline constexpr int kBaseDescriptorCount = 4;
// Data blocks and detailed timings share bytes 4 to 126 of the extension.
inline constexpr int kCtaCapacity = 123;

using Descriptor = std::array<std::uint8_t, kDescriptorSize>;

enum class DescriptorKind {
    Timing,       // a detailed timing: the pixel clock bytes are not both 0
    Name,         // 0xFC
    SerialText,   // 0xFF
    Text,         // 0xFE
    RangeLimits,  // 0xFD
    Dummy,        // 0x10: a free slot
    Other,        // any other display descriptor, kept as it is
};
DescriptorKind descriptorKind(const Descriptor& d);
Descriptor dummyDescriptor();

// The base block, field by field as stored (bytes 0 to 126).
struct BaseModel {
    std::array<std::uint8_t, 8> header{};
    std::uint16_t vendorId = 0;  // bytes 8 and 9, big-endian: three 5-bit letters
    std::uint16_t productCode = 0;
    std::uint32_t serialNumber = 0;
    std::uint8_t week = 0;  // 0 not given, 0xFF: year is the model year
    std::uint8_t year = 0;  // since 1990
    std::uint8_t version = 0, revision = 0;
    std::uint8_t input = 0;  // video input definition
    std::uint8_t widthCm = 0, heightCm = 0;
    std::uint8_t gamma = 0;     // (gamma * 100) - 100, 0xFF not given
    std::uint8_t features = 0;  // feature support
    std::array<std::uint8_t, 10> colour{};
    std::array<std::uint8_t, 3> established{};  // bit 7 of the first byte first
    std::array<std::array<std::uint8_t, 2>, 8> standard{};  // 01 01 unused
    std::array<Descriptor, kBaseDescriptorCount> descriptors{};
    std::uint8_t extensionCount = 0;
};

// One CTA-861 data block: its header byte and payload, as stored. Its kind
// comes from the tag, extended tag and OUI.
struct CtaBlock {
    std::vector<std::uint8_t> bytes;

    int tag() const { return bytes.empty() ? 0 : bytes[0] >> 5; }
    int extendedTag() const;  // -1 for tags other than 7
    std::uint32_t oui() const;  // vendor-specific blocks, else 0
    BlockKind kind() const;
    const char* name() const;
};

struct CtaModel {
    std::uint8_t revision = 3;
    // Underscan, basic audio, YCbCr 4:4:4 and 4:2:2 (bits 7 to 4), and the
    // number of native detailed timings (bits 3 to 0).
    std::uint8_t flags = 0;
    std::vector<CtaBlock> blocks;
    std::vector<Descriptor> timings;
    // What follows the last detailed timing; written back while it still
    // fills the space exactly, else the space is zeros.
    std::vector<std::uint8_t> padding;

    int nativeTimings() const { return flags & 0x0F; }
};

struct EdidModel {
    BaseModel base;
    // The second block: a CTA-861 extension of revision 3 or later whose data
    // blocks and timings lie where its offsets say, taken apart...
    std::optional<CtaModel> cta;
    // ...or any other second block, kept byte for byte.
    std::optional<std::array<std::uint8_t, kModelBlockSize>> otherExtension;

    bool hasExtension() const { return cta.has_value() || otherExtension.has_value(); }
};

struct ModelParse {
    std::optional<EdidModel> model;
    std::string error;  // why there is no model
};

// bytes: an EDID of 128 or 256 bytes (a base block, and the box's one
// extension). Other sizes are refused; the checksum bytes are not read.
ModelParse parseModel(std::span<const std::uint8_t> bytes);

// 128 bytes without an extension, else 256; both checksums computed.
std::vector<std::uint8_t> encodeModel(const EdidModel& model);

// Bytes of the extension's 123 that the data blocks and timings take.
int ctaBytesUsed(const CtaModel& cta);
inline int ctaBytesFree(const CtaModel& cta) {
    return kCtaCapacity - ctaBytesUsed(cta);
}

// The detailed timings in EDID order: the base block's timing descriptors,
// then the extension's. Each entry points into the model.
std::vector<const Descriptor*> detailedTimings(const EdidModel& model);

// The bytes of the SVDs of every video data block in order (the positions
// that a YCbCr 4:2:0 capability map and the HDMI 3D masks count).
std::vector<std::uint8_t> svdBytes(const CtaModel& cta);

}  // namespace edid
