#include "edid/Model.h"

#include <algorithm>

#include "status/Printf.h"

namespace edid {
namespace {

using Bytes = std::span<const std::uint8_t>;

constexpr std::uint8_t kCtaTag = 0x02;
constexpr std::size_t kChecksumAt = kModelBlockSize - 1;
constexpr std::size_t kDataBlocksAt = 4;
constexpr std::size_t kDescriptorsAt = 54;
constexpr std::size_t kEstablishedAt = 35;
constexpr std::size_t kStandardAt = 38;

std::uint8_t checksum(Bytes block) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < kChecksumAt; ++i) {
        sum += block[i];
    }
    return std::uint8_t((256 - sum % 256) % 256);
}

BaseModel parseBase(Bytes b) {
    BaseModel base;
    std::copy_n(b.begin(), base.header.size(), base.header.begin());
    base.vendorId = std::uint16_t(b[8] << 8 | b[9]);
    base.productCode = std::uint16_t(b[10] | b[11] << 8);
    base.serialNumber = std::uint32_t(b[12]) | std::uint32_t(b[13]) << 8 |
                        std::uint32_t(b[14]) << 16 | std::uint32_t(b[15]) << 24;
    base.week = b[16];
    base.year = b[17];
    base.version = b[18];
    base.revision = b[19];
    base.input = b[20];
    base.widthCm = b[21];
    base.heightCm = b[22];
    base.gamma = b[23];
    base.features = b[24];
    std::copy_n(b.begin() + 25, base.colour.size(), base.colour.begin());
    std::copy_n(b.begin() + kEstablishedAt, base.established.size(), base.established.begin());
    for (std::size_t i = 0; i < base.standard.size(); ++i) {
        base.standard[i] = {b[kStandardAt + 2 * i], b[kStandardAt + 2 * i + 1]};
    }
    for (std::size_t i = 0; i < base.descriptors.size(); ++i) {
        std::copy_n(b.begin() + long(kDescriptorsAt + i * kDescriptorSize), kDescriptorSize,
                    base.descriptors[i].begin());
    }
    base.extensionCount = b[126];
    return base;
}

void encodeBase(const BaseModel& base, std::uint8_t* b) {
    std::copy(base.header.begin(), base.header.end(), b);
    b[8] = std::uint8_t(base.vendorId >> 8);
    b[9] = std::uint8_t(base.vendorId);
    b[10] = std::uint8_t(base.productCode);
    b[11] = std::uint8_t(base.productCode >> 8);
    for (int i = 0; i < 4; ++i) {
        b[12 + i] = std::uint8_t(base.serialNumber >> (8 * i));
    }
    b[16] = base.week;
    b[17] = base.year;
    b[18] = base.version;
    b[19] = base.revision;
    b[20] = base.input;
    b[21] = base.widthCm;
    b[22] = base.heightCm;
    b[23] = base.gamma;
    b[24] = base.features;
    std::copy(base.colour.begin(), base.colour.end(), b + 25);
    std::copy(base.established.begin(), base.established.end(), b + kEstablishedAt);
    for (std::size_t i = 0; i < base.standard.size(); ++i) {
        b[kStandardAt + 2 * i] = base.standard[i][0];
        b[kStandardAt + 2 * i + 1] = base.standard[i][1];
    }
    for (std::size_t i = 0; i < base.descriptors.size(); ++i) {
        std::copy(base.descriptors[i].begin(), base.descriptors[i].end(),
                  b + kDescriptorsAt + i * kDescriptorSize);
    }
    b[126] = base.extensionCount;
    b[kChecksumAt] = checksum(Bytes(b, kModelBlockSize));
}

// The extension taken apart, or nothing when its layout is not one the model
// can put back byte for byte: another tag, a revision before 3 (no data
// blocks), an offset outside the block, or data blocks that overrun it.
std::optional<CtaModel> parseCta(Bytes e) {
    if (e[0] != kCtaTag || e[1] < 3) {
        return std::nullopt;
    }
    const std::size_t dtdOffset = e[2];
    if (dtdOffset < kDataBlocksAt || dtdOffset > kChecksumAt) {
        return std::nullopt;
    }
    CtaModel cta;
    cta.revision = e[1];
    cta.flags = e[3];
    for (std::size_t at = kDataBlocksAt; at < dtdOffset;) {
        const std::size_t end = at + 1 + (e[at] & 0x1F);
        if (end > dtdOffset) {
            return std::nullopt;
        }
        cta.blocks.push_back(CtaBlock{std::vector<std::uint8_t>(e.begin() + long(at),
                                                                e.begin() + long(end))});
        at = end;
    }
    std::size_t at = dtdOffset;
    for (; at + kDescriptorSize <= kChecksumAt && (e[at] != 0 || e[at + 1] != 0);
         at += kDescriptorSize) {
        Descriptor d;
        std::copy_n(e.begin() + long(at), kDescriptorSize, d.begin());
        cta.timings.push_back(d);
    }
    cta.padding.assign(e.begin() + long(at), e.begin() + long(kChecksumAt));
    return cta;
}

void encodeCta(const CtaModel& cta, std::uint8_t* e) {
    std::fill(e, e + kModelBlockSize, 0);
    e[0] = kCtaTag;
    e[1] = cta.revision;
    e[3] = cta.flags;
    std::size_t at = kDataBlocksAt;
    for (const CtaBlock& block : cta.blocks) {
        std::copy(block.bytes.begin(), block.bytes.end(), e + at);
        at += block.bytes.size();
    }
    e[2] = std::uint8_t(at);
    for (const Descriptor& d : cta.timings) {
        std::copy(d.begin(), d.end(), e + at);
        at += kDescriptorSize;
    }
    if (at + cta.padding.size() == kChecksumAt) {
        std::copy(cta.padding.begin(), cta.padding.end(), e + at);
    }
    e[kChecksumAt] = checksum(Bytes(e, kModelBlockSize));
}

}  // namespace

DescriptorKind descriptorKind(const Descriptor& d) {
    if (d[0] != 0 || d[1] != 0) {
        return DescriptorKind::Timing;
    }
    switch (d[3]) {
        case 0xFC:
            return DescriptorKind::Name;
        case 0xFF:
            return DescriptorKind::SerialText;
        case 0xFE:
            return DescriptorKind::Text;
        case 0xFD:
            return DescriptorKind::RangeLimits;
        case 0x10:
            return DescriptorKind::Dummy;
        default:
            return DescriptorKind::Other;
    }
}

Descriptor dummyDescriptor() {
    Descriptor d{};
    d[3] = 0x10;
    return d;
}

int CtaBlock::extendedTag() const {
    return tag() == 7 && bytes.size() > 1 ? bytes[1] : -1;
}

std::uint32_t CtaBlock::oui() const {
    const std::size_t at = tag() == 7 ? 2 : 1;
    if (bytes.size() < at + 3) {
        return 0;
    }
    return std::uint32_t(bytes[at]) | std::uint32_t(bytes[at + 1]) << 8 |
           std::uint32_t(bytes[at + 2]) << 16;
}

namespace {

struct Classified {
    BlockKind kind = BlockKind::Unknown;
    const char* name = "Unknown";
};

Classified classify(const CtaBlock& block) {
    Classified c;
    const int extended = block.extendedTag();
    if (block.tag() == 7 && extended < 0) {
        return c;
    }
    const auto tags = block.tag() == 7 ? extendedTags() : dataBlockTags();
    const int key = block.tag() == 7 ? extended : block.tag();
    for (const TagEntry& entry : tags) {
        if (entry.tag == key) {
            c = {entry.kind, entry.name};
        }
    }
    const std::uint32_t oui = block.oui();
    for (const VendorEntry& entry : vendorBlocks()) {
        if (entry.tag == block.tag() && entry.extendedTag == extended && entry.oui == oui &&
            (c.kind == BlockKind::VendorSpecific || c.kind == BlockKind::VendorSpecificVideo ||
             c.kind == BlockKind::VendorSpecificAudio)) {
            c = {entry.kind, entry.name};
        }
    }
    return c;
}

}  // namespace

BlockKind CtaBlock::kind() const {
    return classify(*this).kind;
}

const char* CtaBlock::name() const {
    return classify(*this).name;
}

ModelParse parseModel(std::span<const std::uint8_t> bytes) {
    ModelParse result;
    if (bytes.size() != kModelBlockSize && bytes.size() != 2 * kModelBlockSize) {
        result.error = boxstatus::printfText(
            "an EDID here has 128 or 256 bytes (a base block and one extension), not %zu",
            bytes.size());
        return result;
    }
    EdidModel model;
    model.base = parseBase(bytes.first(kModelBlockSize));
    if (bytes.size() > kModelBlockSize) {
        const Bytes e = bytes.subspan(kModelBlockSize, kModelBlockSize);
        model.cta = parseCta(e);
        if (!model.cta) {
            model.otherExtension.emplace();
            std::copy(e.begin(), e.end(), model.otherExtension->begin());
        }
    }
    result.model = std::move(model);
    return result;
}

std::vector<std::uint8_t> encodeModel(const EdidModel& model) {
    std::vector<std::uint8_t> bytes(model.hasExtension() ? 2 * kModelBlockSize : kModelBlockSize);
    encodeBase(model.base, bytes.data());
    std::uint8_t* e = bytes.data() + kModelBlockSize;
    if (model.cta) {
        encodeCta(*model.cta, e);
    } else if (model.otherExtension) {
        std::copy(model.otherExtension->begin(), model.otherExtension->end(), e);
        e[kChecksumAt] = checksum(Bytes(e, kModelBlockSize));
    }
    return bytes;
}

int ctaBytesUsed(const CtaModel& cta) {
    std::size_t used = cta.timings.size() * kDescriptorSize;
    for (const CtaBlock& block : cta.blocks) {
        used += block.bytes.size();
    }
    return int(used);
}

std::vector<const Descriptor*> detailedTimings(const EdidModel& model) {
    std::vector<const Descriptor*> timings;
    for (const Descriptor& d : model.base.descriptors) {
        if (descriptorKind(d) == DescriptorKind::Timing) {
            timings.push_back(&d);
        }
    }
    if (model.cta) {
        for (const Descriptor& d : model.cta->timings) {
            timings.push_back(&d);
        }
    }
    return timings;
}

std::vector<std::uint8_t> svdBytes(const CtaModel& cta) {
    std::vector<std::uint8_t> svds;
    for (const CtaBlock& block : cta.blocks) {
        if (block.kind() == BlockKind::Video) {
            svds.insert(svds.end(), block.bytes.begin() + 1, block.bytes.end());
        }
    }
    return svds;
}

}  // namespace edid
