#include "edid/ModelEdits.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <functional>
#include <vector>

#include "edid/Timings.h"
#include "status/Printf.h"

namespace edid {
namespace {

using Block = std::vector<std::uint8_t>;

constexpr int kMaxPayload = 31;
constexpr std::uint32_t kOuiHdmi = 0x000C03;

// --- tables -----------------------------------------------------------------

constexpr std::array<BlockKindName, 15> kBlockKindNames = {{
    {"video", BlockKind::Video, "video data block (the VICs)"},
    {"audio", BlockKind::Audio, "audio data block (the short audio descriptors)"},
    {"speaker", BlockKind::SpeakerAllocation, "speaker allocation"},
    {"hdmi", BlockKind::Hdmi, "HDMI vendor-specific block"},
    {"hdmi-forum", BlockKind::HdmiForum, "HDMI Forum vendor-specific block"},
    {"hdmi-forum-scdb", BlockKind::HdmiForumSinkCapability, "HDMI Forum sink capability block"},
    {"colorimetry", BlockKind::Colorimetry, "colorimetry"},
    {"hdr-static", BlockKind::HdrStaticMetadata, "HDR static metadata"},
    {"hdr-dynamic", BlockKind::HdrDynamicMetadata, "HDR dynamic metadata"},
    {"dolby-vision", BlockKind::DolbyVision, "Dolby Vision vendor-specific video block"},
    {"hdr10plus", BlockKind::Hdr10Plus, "HDR10+ vendor-specific video block"},
    {"video-capability", BlockKind::VideoCapability, "video capability"},
    {"ycbcr420-video", BlockKind::Ycbcr420Video, "YCbCr 4:2:0 video (4:2:0-only VICs)"},
    {"ycbcr420-map", BlockKind::Ycbcr420CapabilityMap, "YCbCr 4:2:0 capability map"},
    {"dolby-audio", BlockKind::DolbyAudio, "Dolby vendor-specific audio block"},
}};

constexpr std::array<BlockField, 50> kBlockFields = {{
    {BlockKind::Hdmi, "hdmi", "pa-a", 4, 4, 4, 1, "physical address, first digit"},
    {BlockKind::Hdmi, "hdmi", "pa-b", 4, 0, 4, 1, "physical address, second digit"},
    {BlockKind::Hdmi, "hdmi", "pa-c", 5, 4, 4, 1, "physical address, third digit"},
    {BlockKind::Hdmi, "hdmi", "pa-d", 5, 0, 4, 1, "physical address, fourth digit"},
    {BlockKind::Hdmi, "hdmi", "ai", 6, 7, 1, 1, "supports ACP, ISRC1 and ISRC2"},
    {BlockKind::Hdmi, "hdmi", "dc48", 6, 6, 1, 1, "deep colour 48 bits per pixel"},
    {BlockKind::Hdmi, "hdmi", "dc36", 6, 5, 1, 1, "deep colour 36 bits per pixel"},
    {BlockKind::Hdmi, "hdmi", "dc30", 6, 4, 1, 1, "deep colour 30 bits per pixel"},
    {BlockKind::Hdmi, "hdmi", "dc-y444", 6, 3, 1, 1, "deep colour also in YCbCr 4:4:4"},
    {BlockKind::Hdmi, "hdmi", "dvi-dual", 6, 0, 1, 1, "dual-link DVI"},
    {BlockKind::Hdmi, "hdmi", "max-tmds", 7, 0, 8, 5, "max TMDS clock in MHz (up to 340)"},
    {BlockKind::Hdmi, "hdmi", "content-types", 8, 0, 4, 1, "content type bits (graphics, photo, cinema, game)"},
    {BlockKind::HdmiForum, "hdmi-forum", "max-tmds", 5, 0, 8, 5, "max TMDS character rate in MHz (0: 340 or less)"},
    {BlockKind::HdmiForum, "hdmi-forum", "scdc", 6, 7, 1, 1, "SCDC present"},
    {BlockKind::HdmiForum, "hdmi-forum", "read-request", 6, 6, 1, 1, "SCDC read request"},
    {BlockKind::HdmiForum, "hdmi-forum", "cable-status", 6, 5, 1, 1, "cable status"},
    {BlockKind::HdmiForum, "hdmi-forum", "ccbpci", 6, 4, 1, 1, "colour content bits per component indication"},
    {BlockKind::HdmiForum, "hdmi-forum", "scrambling-340", 6, 3, 1, 1, "scrambling at 340 Mcsc or less"},
    {BlockKind::HdmiForum, "hdmi-forum", "frl-rate", 7, 4, 4, 1, "max FRL rate code (0 none to 6: 4 lanes at 12 Gbit/s)"},
    {BlockKind::HdmiForum, "hdmi-forum", "uhd-vic", 7, 3, 1, 1, "UHD VIC"},
    {BlockKind::HdmiForum, "hdmi-forum", "dc48-420", 7, 2, 1, 1, "deep colour 48 bits in 4:2:0"},
    {BlockKind::HdmiForum, "hdmi-forum", "dc36-420", 7, 1, 1, 1, "deep colour 36 bits in 4:2:0"},
    {BlockKind::HdmiForum, "hdmi-forum", "dc30-420", 7, 0, 1, 1, "deep colour 30 bits in 4:2:0"},
    {BlockKind::HdmiForum, "hdmi-forum", "allm", 8, 1, 1, 1, "auto low-latency mode"},
    {BlockKind::HdmiForum, "hdmi-forum", "fva", 8, 2, 1, 1, "fast vactive"},
    {BlockKind::HdmiForum, "hdmi-forum", "cinema-vrr", 8, 4, 1, 1, "cinema VRR"},
    {BlockKind::HdmiForum, "hdmi-forum", "vrr-min", 9, 0, 6, 1, "VRR minimum in Hz (0 to 63)"},
    {BlockKind::HdmiForum, "hdmi-forum", "vrr-max", 9, 6, 10, 1, "VRR maximum in Hz (0 to 1023)"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc", 11, 7, 1, 1, "DSC 1.2a"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-native-420", 11, 6, 1, 1, "DSC native 4:2:0"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-all-bpp", 11, 3, 1, 1, "DSC all bits per pixel"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-16bpc", 11, 2, 1, 1, "DSC 16 bits per component"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-12bpc", 11, 1, 1, 1, "DSC 12 bits per component"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-10bpc", 11, 0, 1, 1, "DSC 10 bits per component"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-max-frl", 12, 4, 4, 1, "DSC max FRL rate code"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-max-slices", 12, 0, 4, 1, "DSC max slices code"},
    {BlockKind::HdmiForum, "hdmi-forum", "dsc-chunk", 13, 0, 6, 1, "DSC total chunk kbytes code"},
    {BlockKind::VideoCapability, "video-capability", "qy", 2, 7, 1, 1, "YCbCr quantization range selectable"},
    {BlockKind::VideoCapability, "video-capability", "qs", 2, 6, 1, 1, "RGB quantization range selectable"},
    {BlockKind::VideoCapability, "video-capability", "pt", 2, 4, 2, 1, "preferred format scan behaviour (0 to 3)"},
    {BlockKind::VideoCapability, "video-capability", "it", 2, 2, 2, 1, "IT format scan behaviour (0 to 3)"},
    {BlockKind::VideoCapability, "video-capability", "ce", 2, 0, 2, 1, "CE format scan behaviour (0 to 3)"},
    {BlockKind::Colorimetry, "colorimetry", "bits", 2, 0, 16, 1, "colorimetry bits (byte 2 bit 0 first)"},
    {BlockKind::HdrStaticMetadata, "hdr-static", "eotfs", 2, 0, 6, 1, "EOTF bits (SDR, HDR, PQ, HLG)"},
    {BlockKind::HdrStaticMetadata, "hdr-static", "metadata", 3, 0, 8, 1, "static metadata type bits"},
    {BlockKind::HdrStaticMetadata, "hdr-static", "max-luminance", 4, 0, 8, 1, "max luminance code: 50 * 2^(code / 32) cd/m2"},
    {BlockKind::HdrStaticMetadata, "hdr-static", "max-frame-average", 5, 0, 8, 1, "max frame-average luminance code"},
    {BlockKind::HdrStaticMetadata, "hdr-static", "min-luminance", 6, 0, 8, 1, "min luminance code"},
    {BlockKind::SpeakerAllocation, "speaker", "bits", 1, 0, 24, 1, "speaker bits (FL/FR is bit 0)"},
    {BlockKind::Hdr10Plus, "hdr10plus", "version", 5, 0, 2, 1, "application version"},
}};

constexpr std::array<AudioFormatName, 17> kAudioFormatNames = {{
    {"lpcm", 1, 0},     {"ac3", 2, 0},    {"mpeg1", 3, 0},     {"mp3", 4, 0},
    {"mpeg2", 5, 0},    {"aac", 6, 0},    {"dts", 7, 0},       {"atrac", 8, 0},
    {"dsd", 9, 0},      {"eac3", 10, 0},  {"dts-hd", 11, 0},   {"mat", 12, 0},
    {"dst", 13, 0},     {"wma-pro", 14, 0}, {"mpegh-3d", 15, 11}, {"ac4", 15, 12},
    {"lpcm-3d", 15, 13},
}};

// Bytes of a block when an edit adds it: header (length fixed on the way),
// extended tag, OUI, and the mandatory fields.
struct BlockTemplate {
    BlockKind kind;
    std::array<std::uint8_t, 8> bytes;
    int size;
};
constexpr std::array<BlockTemplate, 9> kTemplates = {{
    {BlockKind::Video, {0x40}, 1},
    {BlockKind::Audio, {0x20}, 1},
    {BlockKind::SpeakerAllocation, {0x80, 0x01, 0x00, 0x00}, 4},
    {BlockKind::Hdmi, {0x60, 0x03, 0x0C, 0x00, 0x10, 0x00}, 6},
    {BlockKind::HdmiForum, {0x60, 0xD8, 0x5D, 0xC4, 0x01, 0x00, 0x00, 0x00}, 8},
    {BlockKind::VideoCapability, {0xE0, 0x00, 0x40}, 3},
    {BlockKind::Colorimetry, {0xE0, 0x05, 0x00, 0x00}, 4},
    {BlockKind::HdrStaticMetadata, {0xE0, 0x06, 0x01, 0x01}, 4},
    {BlockKind::Ycbcr420Video, {0xE0, 0x0E}, 2},
}};

// --- helpers ------------------------------------------------------------------

EditResult refuse(std::string reason) {
    return EditResult{std::move(reason), {}};
}

EditResult nothingToDo(std::string note) {
    return EditResult{{}, std::move(note)};
}

void setLength(Block& b) {
    b[0] = std::uint8_t((b[0] & 0xE0) | ((b.size() - 1) & 0x1F));
}

EditResult checkFits(const EdidModel& model) {
    if (!model.cta) {
        return {};
    }
    for (const CtaBlock& block : model.cta->blocks) {
        if (int(block.bytes.size()) - 1 > kMaxPayload) {
            return refuse(boxstatus::printfText(
                "the %s block would need %zu bytes, a data block holds %d", block.name(),
                block.bytes.size() - 1, kMaxPayload));
        }
    }
    const int used = ctaBytesUsed(*model.cta);
    if (used > kCtaCapacity) {
        return refuse(boxstatus::printfText(
            "%d bytes too many: data blocks and detailed timings share the extension's %d bytes",
            used - kCtaCapacity, kCtaCapacity));
    }
    return {};
}

// Runs an edit on a copy and keeps it only when it worked and fits.
EditResult transact(EdidModel& model, const std::function<EditResult(EdidModel&)>& edit) {
    EdidModel copy = model;
    EditResult result = edit(copy);
    if (!result.ok()) {
        return result;
    }
    if (EditResult fits = checkFits(copy); !fits.ok()) {
        return fits;
    }
    model = std::move(copy);
    return result;
}

bool blankExtension(const EdidModel& model) {
    return !model.hasExtension() ||
           (model.otherExtension && model.base.extensionCount == 0 &&
            std::all_of(model.otherExtension->begin(), model.otherExtension->end() - 1,
                        [](std::uint8_t b) { return b == 0; }));
}

// The CTA-861 extension to edit; an EDID without one (or with a blank second
// block) gets an empty one when `create`.
CtaModel* ctaFor(EdidModel& model, bool create, EditResult& result) {
    if (model.cta) {
        return &*model.cta;
    }
    if (create && blankExtension(model)) {
        model.otherExtension.reset();
        model.cta.emplace();
        model.base.extensionCount = 1;
        return &*model.cta;
    }
    result = refuse(model.otherExtension
                        ? "the second block is not a CTA-861 extension that can be edited"
                        : "the EDID has no CTA-861 extension");
    return nullptr;
}

// Runs an edit of the CTA-861 extension (made when `create` and missing)
// as a transaction.
EditResult editCta(EdidModel& model, bool create,
                   const std::function<EditResult(CtaModel&)>& edit) {
    return transact(model, [&](EdidModel& m) {
        EditResult result;
        CtaModel* cta = ctaFor(m, create, result);
        return cta == nullptr ? result : edit(*cta);
    });
}

bool isKind(const CtaBlock& block, BlockKind kind) {
    const BlockKind k = block.kind();
    if (kind == BlockKind::HdmiForum) {
        return k == BlockKind::HdmiForum || k == BlockKind::HdmiForumSinkCapability;
    }
    return k == kind;
}

int findBlock(const CtaModel& cta, BlockKind kind) {
    for (std::size_t i = 0; i < cta.blocks.size(); ++i) {
        if (isKind(cta.blocks[i], kind)) {
            return int(i);
        }
    }
    return -1;
}

const char* kindName(BlockKind kind) {
    for (const BlockKindName& entry : kBlockKindNames) {
        if (entry.kind == kind) {
            return entry.name;
        }
    }
    return "data";
}

// The index of the block of a kind, added from its template when missing
// (an HDMI Forum block right after the HDMI block), or -1.
int blockFor(CtaModel& cta, BlockKind kind, EditResult& result) {
    const int found = findBlock(cta, kind);
    if (found >= 0) {
        return found;
    }
    for (const BlockTemplate& t : kTemplates) {
        if (t.kind != kind) {
            continue;
        }
        CtaBlock block{Block(t.bytes.begin(), t.bytes.begin() + t.size)};
        setLength(block.bytes);
        std::size_t at = cta.blocks.size();
        if (kind == BlockKind::HdmiForum) {
            const int hdmi = findBlock(cta, BlockKind::Hdmi);
            if (hdmi >= 0) {
                at = std::size_t(hdmi) + 1;
            }
        }
        cta.blocks.insert(cta.blocks.begin() + long(at), std::move(block));
        return int(at);
    }
    result = refuse(boxstatus::printfText("the EDID has no %s block", kindName(kind)));
    return -1;
}

int svdVic(std::uint8_t code) {
    return code > 128 && code <= 192 ? code & 0x7F : code;
}

Descriptor textDescriptor(std::uint8_t tag, std::string_view text) {
    Descriptor d{};
    d[3] = tag;
    std::size_t at = 5;
    for (const char c : text) {
        d[at++] = std::uint8_t(c);
    }
    if (at < d.size()) {
        d[at++] = 0x0A;
    }
    while (at < d.size()) {
        d[at++] = 0x20;
    }
    return d;
}

// Puts a display descriptor in the slot of its kind, else in a free slot.
EditResult placeDescriptor(EdidModel& model, DescriptorKind kind, const Descriptor& d) {
    for (DescriptorKind wanted : {kind, DescriptorKind::Dummy}) {
        for (Descriptor& slot : model.base.descriptors) {
            if (descriptorKind(slot) == wanted) {
                slot = d;
                return {};
            }
        }
    }
    return refuse("the base block's four descriptors are all in use");
}

void clearDescriptor(EdidModel& model, DescriptorKind kind) {
    for (Descriptor& slot : model.base.descriptors) {
        if (descriptorKind(slot) == kind) {
            slot = dummyDescriptor();
        }
    }
}

EditResult setText(EdidModel& model, DescriptorKind kind, std::uint8_t tag, std::string_view text) {
    if (text.size() > 13) {
        return refuse(boxstatus::printfText("a descriptor text holds 13 characters, not %zu",
                                            text.size()));
    }
    for (const char c : text) {
        if (c < 0x20 || c > 0x7E) {
            return refuse("a descriptor text holds printable ASCII characters only");
        }
    }
    return transact(model, [&](EdidModel& m) {
        if (text.empty()) {
            clearDescriptor(m, kind);
            return EditResult{};
        }
        return placeDescriptor(m, kind, textDescriptor(tag, text));
    });
}

// --- detailed timings -----------------------------------------------------------

std::vector<Descriptor> timingList(const EdidModel& model) {
    std::vector<Descriptor> list;
    for (const Descriptor* d : detailedTimings(model)) {
        list.push_back(*d);
    }
    return list;
}

// Lays the timings back: the base block's timing slots first (a free slot
// too when the EDID has no extension to take them), then the extension.
EditResult layTimings(EdidModel& model, const std::vector<Descriptor>& list) {
    std::vector<std::size_t> slots;
    for (std::size_t i = 0; i < model.base.descriptors.size(); ++i) {
        if (descriptorKind(model.base.descriptors[i]) == DescriptorKind::Timing) {
            slots.push_back(i);
        }
    }
    EditResult result;
    if (list.size() > slots.size() && !model.cta) {
        for (std::size_t i = 0; i < model.base.descriptors.size() && list.size() > slots.size();
             ++i) {
            if (descriptorKind(model.base.descriptors[i]) == DescriptorKind::Dummy) {
                slots.push_back(i);
            }
        }
        std::sort(slots.begin(), slots.end());
    }
    std::size_t next = 0;
    for (const std::size_t slot : slots) {
        model.base.descriptors[slot] = next < list.size() ? list[next++] : dummyDescriptor();
    }
    if (next < list.size()) {
        CtaModel* cta = ctaFor(model, true, result);
        if (cta == nullptr) {
            return refuse("no room for another detailed timing: " + result.error);
        }
        cta->timings.assign(list.begin() + long(next), list.end());
    } else if (model.cta) {
        model.cta->timings.clear();
    }
    return {};
}

EditResult checkIndex(const EdidModel& model, int index) {
    const int count = int(detailedTimings(model).size());
    if (index < 0 || index >= count) {
        return refuse(boxstatus::printfText("there is no detailed timing %d (the EDID has %d)",
                                            index + 1, count));
    }
    return {};
}

void withNativeCount(EdidModel& model, int delta) {
    if (model.cta) {
        const int count = std::max(0, model.cta->nativeTimings() + delta);
        model.cta->flags = std::uint8_t((model.cta->flags & 0xF0) | std::min(count, 15));
    }
}

Descriptor withImageSize(const EdidModel& model, Descriptor d) {
    if (d[12] != 0 || d[13] != 0 || (d[14] != 0)) {
        return d;
    }
    const auto timings = detailedTimings(model);
    if ((model.base.widthCm == 0 || model.base.heightCm == 0) && !timings.empty()) {
        d[12] = (*timings.front())[12];
        d[13] = (*timings.front())[13];
        d[14] = (*timings.front())[14];
        return d;
    }
    const int w = model.base.widthCm * 10;
    const int h = model.base.heightCm * 10;
    d[12] = std::uint8_t(w);
    d[13] = std::uint8_t(h);
    d[14] = std::uint8_t((w >> 8) << 4 | h >> 8);
    return d;
}

// --- SVDs, with the capability map and the 3D masks that count them ----------------

struct Hdmi3d {
    std::size_t lengthAt = 0;   // the byte holding HDMI_VIC_LEN and HDMI_3D_LEN
    std::size_t maskAt = 0;     // 0: no 3D_MASK
    std::size_t entriesAt = 0;  // the 2D_VIC_order entries
    std::size_t end = 0;
};

std::optional<Hdmi3d> hdmi3dLayout(const Block& b) {
    if (b.size() < 10) {
        return std::nullopt;
    }
    const std::uint8_t flags = b[8];
    std::size_t at = 9;
    if (flags & 0x80) {
        at += (flags & 0x40) ? 4 : 2;
    }
    if (!(flags & 0x20) || at + 1 >= b.size()) {
        return std::nullopt;
    }
    const int multi = b[at] >> 5 & 0x03;
    Hdmi3d layout;
    layout.lengthAt = at + 1;
    const std::size_t start = layout.lengthAt + 1 + (b[layout.lengthAt] >> 5);
    layout.end = start + (b[layout.lengthAt] & 0x1F);
    layout.maskAt = multi == 2 ? start + 2 : 0;
    layout.entriesAt = start + (multi == 1 ? 2 : multi == 2 ? 4 : 0);
    if (layout.end > b.size() || layout.entriesAt > layout.end) {
        return std::nullopt;
    }
    return layout;
}

// order[j]: the old position of the new j-th SVD, -1 for an added one.
int newPosition(const std::vector<int>& order, int old) {
    const auto it = std::find(order.begin(), order.end(), old);
    return it == order.end() ? -1 : int(it - order.begin());
}

void follow3d(Block& b, const std::vector<int>& order) {
    const auto layout = hdmi3dLayout(b);
    if (!layout) {
        return;
    }
    if (layout->maskAt != 0) {
        const unsigned old = unsigned(b[layout->maskAt]) << 8 | b[layout->maskAt + 1];
        unsigned mask = 0;
        for (std::size_t j = 0; j < 16 && j < order.size(); ++j) {
            if (order[j] >= 0 && order[j] < 16 && ((old >> order[j]) & 1U)) {
                mask |= 1U << j;
            }
        }
        b[layout->maskAt] = std::uint8_t(mask >> 8);
        b[layout->maskAt + 1] = std::uint8_t(mask);
    }
    Block entries;
    for (std::size_t at = layout->entriesAt; at < layout->end;) {
        const std::size_t size = (b[at] & 0x0F) >= 8 ? 2 : 1;
        const int moved = newPosition(order, b[at] >> 4);
        if (moved >= 0 && moved < 16 && at + size <= layout->end) {
            entries.push_back(std::uint8_t(moved << 4 | (b[at] & 0x0F)));
            if (size == 2) {
                entries.push_back(b[at + 1]);
            }
        }
        at += size;
    }
    const std::size_t removed = (layout->end - layout->entriesAt) - entries.size();
    std::copy(entries.begin(), entries.end(), b.begin() + long(layout->entriesAt));
    b.erase(b.begin() + long(layout->entriesAt + entries.size()), b.begin() + long(layout->end));
    b[layout->lengthAt] = std::uint8_t(b[layout->lengthAt] - removed);
    setLength(b);
}

void followMap(Block& b, const std::vector<int>& order, std::size_t oldCount) {
    const bool all = b.size() <= 2;
    const auto marked = [&](int old) {
        if (old < 0) {
            return false;
        }
        const std::size_t at = 2 + std::size_t(old) / 8;
        return all ? std::size_t(old) < oldCount
                   : at < b.size() && ((b[at] >> (old % 8)) & 1) != 0;
    };
    if (all && std::find(order.begin(), order.end(), -1) == order.end()) {
        return;  // still every SVD
    }
    Block map(std::max(b.size(), 2 + (order.size() + 7) / 8), 0);
    map[0] = b[0];
    map[1] = b[1];
    for (std::size_t j = 0; j < order.size(); ++j) {
        if (marked(order[j])) {
            map[2 + j / 8] |= std::uint8_t(1U << (j % 8));
        }
    }
    b = std::move(map);
    setLength(b);
}

// Rewrites the SVDs of the video data blocks to `svds`, block by block with
// `counts` SVDs each (an emptied block goes), and makes the capability map
// and the 3D masks follow `order`.
void writeSvds(CtaModel& cta, const std::vector<std::uint8_t>& svds,
               const std::vector<std::size_t>& counts, const std::vector<int>& order,
               std::size_t oldCount) {
    std::size_t next = 0;
    std::size_t k = 0;
    for (auto it = cta.blocks.begin(); it != cta.blocks.end();) {
        if (it->kind() != BlockKind::Video) {
            ++it;
            continue;
        }
        const std::size_t n = counts[k++];
        if (n == 0) {
            it = cta.blocks.erase(it);
            continue;
        }
        Block b{it->bytes[0]};
        b.insert(b.end(), svds.begin() + long(next), svds.begin() + long(next + n));
        next += n;
        setLength(b);
        it->bytes = std::move(b);
        ++it;
    }
    for (CtaBlock& block : cta.blocks) {
        if (block.kind() == BlockKind::Ycbcr420CapabilityMap) {
            followMap(block.bytes, order, oldCount);
        } else if (block.kind() == BlockKind::Hdmi) {
            follow3d(block.bytes, order);
        }
    }
}

std::vector<std::size_t> videoCounts(const CtaModel& cta) {
    std::vector<std::size_t> counts;
    for (const CtaBlock& block : cta.blocks) {
        if (block.kind() == BlockKind::Video) {
            counts.push_back(block.bytes.size() - 1);
        }
    }
    return counts;
}

std::vector<int> identity(std::size_t n) {
    std::vector<int> order(n);
    for (std::size_t i = 0; i < n; ++i) {
        order[i] = int(i);
    }
    return order;
}

int findSvd(const std::vector<std::uint8_t>& svds, int vic) {
    for (std::size_t i = 0; i < svds.size(); ++i) {
        if (svdVic(svds[i]) == vic) {
            return int(i);
        }
    }
    return -1;
}

// Which video block holds SVD position `at`: its index in counts.
std::size_t countIndex(const std::vector<std::size_t>& counts, std::size_t at) {
    for (std::size_t k = 0; k < counts.size(); ++k) {
        if (at < counts[k]) {
            return k;
        }
        at -= counts[k];
    }
    return counts.empty() ? 0 : counts.size() - 1;
}

EditResult checkVic(int vic) {
    if (findVic(vic) == nullptr) {
        return refuse(boxstatus::printfText("%d is not a VIC", vic));
    }
    return {};
}

EditResult edit420Only(EdidModel& model, int vic, int position, bool add) {
    return editCta(model, add, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        EditResult result;
        const int index = add ? blockFor(*cta, BlockKind::Ycbcr420Video, result)
                              : findBlock(*cta, BlockKind::Ycbcr420Video);
        if (index < 0) {
            return add ? result : refuse("the EDID has no YCbCr 4:2:0 video block");
        }
        Block& b = cta->blocks[std::size_t(index)].bytes;
        const auto found = std::find_if(b.begin() + 2, b.end(),
                                        [&](std::uint8_t c) { return svdVic(c) == vic; });
        if (add) {
            if (findSvd(svdBytes(*cta), vic) >= 0) {
                return refuse(boxstatus::printfText(
                    "VIC %d is a regular VIC; the 4:2:0 capability map marks it 4:2:0 capable", vic));
            }
            if (found != b.end()) {
                return refuse(boxstatus::printfText("VIC %d is already a 4:2:0-only VIC", vic));
            }
            const long at = position < 0 ? long(b.size())
                                         : std::min(long(b.size()), 2L + long(position));
            b.insert(b.begin() + at, std::uint8_t(vic));
        } else {
            if (found == b.end()) {
                return nothingToDo(boxstatus::printfText("VIC %d is not a 4:2:0-only VIC", vic));
            }
            b.erase(found);
            if (b.size() <= 2) {
                cta->blocks.erase(cta->blocks.begin() + index);
                return EditResult{};
            }
        }
        setLength(b);
        return EditResult{};
    });
}

// --- audio ------------------------------------------------------------------------

struct SadRef {
    std::size_t block;
    std::size_t at;
};

std::vector<SadRef> sads(const CtaModel& cta) {
    std::vector<SadRef> refs;
    for (std::size_t i = 0; i < cta.blocks.size(); ++i) {
        const Block& b = cta.blocks[i].bytes;
        if (cta.blocks[i].kind() == BlockKind::Audio) {
            for (std::size_t at = 1; at + 3 <= b.size(); at += 3) {
                refs.push_back({i, at});
            }
        }
    }
    return refs;
}

bool sadIs(const Block& b, std::size_t at, const AudioFormatName& format) {
    const int code = b[at] >> 3 & 0x0F;
    return code == format.code && (code != 15 || (b[at + 2] >> 3) == format.extensionType);
}

// --- fields -------------------------------------------------------------------------

int fieldBytes(const BlockField& f) {
    return (f.shift + f.width + 7) / 8;
}

EditResult storeField(CtaModel& cta, const BlockField& f, int value) {
    EditResult result;
    const int index = blockFor(cta, f.kind, result);
    if (index < 0) {
        return result;
    }
    Block& b = cta.blocks[std::size_t(index)].bytes;
    const std::size_t end = std::size_t(f.at + fieldBytes(f));
    if (b.size() < end) {
        b.resize(end, 0);
        setLength(b);
    }
    if (std::string_view(f.name) == "vrr-max") {
        // Bits 9 and 8 in bits 7 and 6 of byte 9, bits 7 to 0 in byte 10.
        b[9] = std::uint8_t((b[9] & 0x3F) | (value >> 8) << 6);
        b[10] = std::uint8_t(value);
        return {};
    }
    std::uint64_t word = 0;
    for (int i = 0; i < fieldBytes(f); ++i) {
        word |= std::uint64_t(b[std::size_t(f.at + i)]) << (8 * i);
    }
    const std::uint64_t mask = ((std::uint64_t(1) << f.width) - 1) << f.shift;
    word = (word & ~mask) | ((std::uint64_t(unsigned(value)) << f.shift) & mask);
    for (int i = 0; i < fieldBytes(f); ++i) {
        b[std::size_t(f.at + i)] = std::uint8_t(word >> (8 * i));
    }
    return {};
}

}  // namespace

int blockFieldValue(const CtaBlock& block, const BlockField& f) {
    const auto byte = [&](int at) {
        return at < int(block.bytes.size()) ? int(block.bytes[std::size_t(at)]) : 0;
    };
    if (std::string_view(f.name) == "vrr-max") {
        return ((byte(9) >> 6) << 8 | byte(10)) * f.scale;
    }
    std::uint64_t word = 0;
    for (int i = 0; i < fieldBytes(f); ++i) {
        word |= std::uint64_t(byte(f.at + i)) << (8 * i);
    }
    const std::uint64_t mask = (std::uint64_t(1) << f.width) - 1;
    return int((word >> f.shift) & mask) * f.scale;
}

namespace {

const BlockField* findField(BlockKind kind, std::string_view name) {
    for (const BlockField& f : kBlockFields) {
        if (f.kind == kind && name == f.name) {
            return &f;
        }
    }
    return nullptr;
}

}  // namespace

// --- tables -----------------------------------------------------------------------------

std::span<const BlockKindName> blockKindNames() {
    return kBlockKindNames;
}

std::span<const BlockField> blockFields() {
    return kBlockFields;
}

std::span<const AudioFormatName> audioFormatNames() {
    return kAudioFormatNames;
}

std::optional<BlockSelector> blockSelectorByName(std::string_view name) {
    for (const BlockKindName& entry : kBlockKindNames) {
        if (name == entry.name) {
            return BlockSelector{entry.kind, 0};
        }
    }
    constexpr std::string_view kVendor = "vendor:";
    if (name.substr(0, kVendor.size()) != kVendor) {
        return std::nullopt;
    }
    std::string digits;
    for (const char c : name.substr(kVendor.size())) {
        if (c != '-' && c != ':') {
            digits.push_back(c);
        }
    }
    std::uint32_t oui = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), oui, 16);
    if (digits.size() != 6 || ec != std::errc() || end != digits.data() + digits.size()) {
        return std::nullopt;
    }
    return BlockSelector{BlockKind::Unknown, oui};
}

// --- identity -----------------------------------------------------------------------------

EditResult setManufacturer(EdidModel& model, std::string_view letters) {
    if (letters.size() != 3 || !std::all_of(letters.begin(), letters.end(), [](char c) {
            return c >= 'A' && c <= 'Z';
        })) {
        return refuse("a manufacturer ID is three capital letters A to Z");
    }
    model.base.vendorId = std::uint16_t((letters[0] - 'A' + 1) << 10 |
                                        (letters[1] - 'A' + 1) << 5 | (letters[2] - 'A' + 1));
    return {};
}

EditResult setProductCode(EdidModel& model, int code) {
    if (code < 0 || code > 0xFFFF) {
        return refuse("a product code is 0 to 65535");
    }
    model.base.productCode = std::uint16_t(code);
    return {};
}

EditResult setScreenSize(EdidModel& model, int widthCm, int heightCm) {
    if (widthCm < 0 || widthCm > 255 || heightCm < 0 || heightCm > 255) {
        return refuse("a screen size is 0 to 255 cm");
    }
    model.base.widthCm = std::uint8_t(widthCm);
    model.base.heightCm = std::uint8_t(heightCm);
    return {};
}

EditResult setGamma(EdidModel& model, int hundredths) {
    if (hundredths < 100 || hundredths > 354) {
        return refuse("a gamma is 1.00 to 3.54");
    }
    model.base.gamma = std::uint8_t(hundredths - 100);
    return {};
}

EditResult setSerialNumber(EdidModel& model, std::uint32_t serial) {
    model.base.serialNumber = serial;
    return {};
}

EditResult setWeekYear(EdidModel& model, int week, int year) {
    if (!((week >= 0 && week <= 54) || week == 255)) {
        return refuse("a week is 1 to 54, 0 when not given, or 255 for a model year");
    }
    if (year < 1990 || year > 2245) {
        return refuse("a year is 1990 to 2245");
    }
    model.base.week = std::uint8_t(week);
    model.base.year = std::uint8_t(year - 1990);
    return {};
}

EditResult setName(EdidModel& model, std::string_view name) {
    return setText(model, DescriptorKind::Name, 0xFC, name);
}

EditResult setSerialText(EdidModel& model, std::string_view text) {
    return setText(model, DescriptorKind::SerialText, 0xFF, text);
}

EditResult setRangeLimits(EdidModel& model, const RangeLimits& r) {
    const bool edid14 = model.base.version == 1 && model.base.revision >= 4;
    const int maxRate = edid14 ? 510 : 255;
    if (r.minVHz < 1 || r.minVHz > r.maxVHz || r.maxVHz > maxRate || r.minHKHz < 1 ||
        r.minHKHz > r.maxHKHz || r.maxHKHz > maxRate) {
        return refuse(boxstatus::printfText(
            "range limits need 1 <= minimum <= maximum <= %d (Hz and kHz)", maxRate));
    }
    if (r.maxPixelClockMHz < 10 || r.maxPixelClockMHz > 2550 || r.maxPixelClockMHz % 10 != 0) {
        return refuse("the max pixel clock is 10 to 2550 MHz in steps of 10");
    }
    Descriptor d{};
    d[3] = 0xFD;
    const auto split = [&](int value, int bit, std::size_t at) {
        if (value > 255) {
            d[4] |= std::uint8_t(bit);
            value -= 255;
        }
        d[at] = std::uint8_t(value);
    };
    // A minimum above 255 also needs the maximum's offset.
    split(r.minVHz, r.minVHz > 255 ? 0x01 : 0, 5);
    split(r.maxVHz, 0x02, 6);
    split(r.minHKHz, r.minHKHz > 255 ? 0x04 : 0, 7);
    split(r.maxHKHz, 0x08, 8);
    d[9] = std::uint8_t(r.maxPixelClockMHz / 10);
    const auto kept = std::find_if(model.base.descriptors.begin(), model.base.descriptors.end(),
                                   [](const Descriptor& slot) {
                                       return descriptorKind(slot) == DescriptorKind::RangeLimits;
                                   });
    if (r.support < 0 && kept != model.base.descriptors.end()) {
        // The timing formula and its data stay as they were.
        std::copy(kept->begin() + 10, kept->end(), d.begin() + 10);
    } else {
        // Bare limits exist from EDID 1.4; before, the default GTF.
        d[10] = std::uint8_t(r.support >= 0 ? r.support : edid14 ? 1 : 0);
        d[11] = 0x0A;
        for (std::size_t i = 12; i < d.size(); ++i) {
            d[i] = 0x20;
        }
    }
    return transact(model,
                    [&](EdidModel& m) { return placeDescriptor(m, DescriptorKind::RangeLimits, d); });
}

EditResult removeRangeLimits(EdidModel& model) {
    clearDescriptor(model, DescriptorKind::RangeLimits);
    return {};
}

// --- detailed timings ----------------------------------------------------------------------

EditResult addDetailedTiming(EdidModel& model, const DetailedTiming& timing, int position) {
    const DescriptorResult encoded = encodeDetailedTiming(timing);
    if (!encoded.descriptor) {
        return refuse(encoded.error);
    }
    return transact(model, [&](EdidModel& m) {
        auto list = timingList(m);
        const Descriptor d = withImageSize(m, *encoded.descriptor);
        const long at = position < 0 ? long(list.size()) : std::min(long(list.size()), long(position));
        list.insert(list.begin() + at, d);
        if (m.cta && at < m.cta->nativeTimings()) {
            withNativeCount(m, 1);
        }
        return layTimings(m, list);
    });
}

EditResult changeDetailedTiming(EdidModel& model, int index, const DetailedTiming& timing) {
    if (EditResult r = checkIndex(model, index); !r.ok()) {
        return r;
    }
    const DescriptorResult encoded = encodeDetailedTiming(timing);
    if (!encoded.descriptor) {
        return refuse(encoded.error);
    }
    auto list = timingList(model);
    list[std::size_t(index)] = *encoded.descriptor;
    return transact(model, [&](EdidModel& m) { return layTimings(m, list); });
}

EditResult removeDetailedTiming(EdidModel& model, int index) {
    if (EditResult r = checkIndex(model, index); !r.ok()) {
        return r;
    }
    return transact(model, [&](EdidModel& m) {
        auto list = timingList(m);
        list.erase(list.begin() + index);
        if (m.cta && index < m.cta->nativeTimings()) {
            withNativeCount(m, -1);
        }
        return layTimings(m, list);
    });
}

EditResult moveDetailedTiming(EdidModel& model, int from, int to) {
    if (EditResult r = checkIndex(model, from); !r.ok()) {
        return r;
    }
    if (EditResult r = checkIndex(model, to); !r.ok()) {
        return r;
    }
    auto list = timingList(model);
    const Descriptor d = list[std::size_t(from)];
    list.erase(list.begin() + from);
    list.insert(list.begin() + to, d);
    return transact(model, [&](EdidModel& m) { return layTimings(m, list); });
}

EditResult setNativeTimingCount(EdidModel& model, int count) {
    const int timings = int(detailedTimings(model).size());
    if (count < 0 || count > std::min(15, timings)) {
        return refuse(boxstatus::printfText("the native timings are 0 to %d", std::min(15, timings)));
    }
    EditResult result;
    CtaModel* cta = ctaFor(model, false, result);
    if (cta != nullptr) {
        cta->flags = std::uint8_t((cta->flags & 0xF0) | count);
    }
    return result;
}

// --- standard and established timings ---------------------------------------------------

EditResult addStandardTiming(EdidModel& model, int width, int height, int refreshHz) {
    if (width < 256 || width > 2288 || width % 8 != 0) {
        return refuse("a standard timing's width is 256 to 2288 in steps of 8");
    }
    if (refreshHz < 60 || refreshHz > 123) {
        return refuse("a standard timing's refresh rate is 60 to 123 Hz");
    }
    const auto aspects = standardAspects();
    int code = -1;
    for (std::size_t i = 0; i < aspects.size(); ++i) {
        if (width * aspects[i].numerator / aspects[i].denominator == height) {
            code = int(i);
        }
    }
    const bool before13 = model.base.version == 1 && model.base.revision < 3;
    if (code < 0 || (code == 0 && before13)) {
        return refuse(boxstatus::printfText("%dx%d is not 16:10, 4:3, 5:4 or 16:9", width, height));
    }
    const std::array<std::uint8_t, 2> entry = {std::uint8_t(width / 8 - 31),
                                               std::uint8_t(code << 6 | (refreshHz - 60))};
    for (const auto& slot : model.base.standard) {
        if (slot == entry) {
            return refuse("the standard timing is already listed");
        }
    }
    for (auto& slot : model.base.standard) {
        if (slot[0] <= 0x01) {
            slot = entry;
            return {};
        }
    }
    return refuse("the base block's eight standard timings are all in use");
}

EditResult removeStandardTiming(EdidModel& model, int width, int height, int refreshHz) {
    const auto aspects = standardAspects();
    for (auto& slot : model.base.standard) {
        if (slot[0] <= 0x01) {
            continue;
        }
        const StandardAspect& aspect = aspects[slot[1] >> 6];
        const int w = (slot[0] + 31) * 8;
        if (w == width && w * aspect.numerator / aspect.denominator == height &&
            (slot[1] & 0x3F) + 60 == refreshHz) {
            slot = {0x01, 0x01};
            return {};
        }
    }
    return refuse(boxstatus::printfText("there is no standard timing %dx%d@%d", width, height,
                                        refreshHz));
}

EditResult setEstablishedTiming(EdidModel& model, int width, int height, int refreshHz, bool on) {
    const auto table = establishedTimings();
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].width == width && table[i].height == height &&
            table[i].refreshHz == refreshHz) {
            const auto mask = std::uint8_t(0x80 >> (i % 8));
            std::uint8_t& byte = model.base.established[i / 8];
            byte = on ? std::uint8_t(byte | mask) : std::uint8_t(byte & ~mask);
            return {};
        }
    }
    return refuse(boxstatus::printfText("%dx%d@%d is not an established timing", width, height,
                                        refreshHz));
}

// --- VICs ------------------------------------------------------------------------------

EditResult addVic(EdidModel& model, int vic, int position, VicList list) {
    if (EditResult r = checkVic(vic); !r.ok()) {
        return r;
    }
    if (list == VicList::Ycbcr420Only) {
        return edit420Only(model, vic, position, true);
    }
    return editCta(model, true, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        EditResult result;
        if (blockFor(*cta, BlockKind::Video, result) < 0) {
            return result;
        }
        auto svds = svdBytes(*cta);
        if (findSvd(svds, vic) >= 0) {
            return refuse(boxstatus::printfText("VIC %d is already listed", vic));
        }
        const int only = findBlock(*cta, BlockKind::Ycbcr420Video);
        if (only >= 0) {
            const Block& b = cta->blocks[std::size_t(only)].bytes;
            if (std::any_of(b.begin() + 2, b.end(), [&](std::uint8_t c) { return svdVic(c) == vic; })) {
                return refuse(boxstatus::printfText("VIC %d is a 4:2:0-only VIC", vic));
            }
        }
        auto counts = videoCounts(*cta);
        const std::size_t old = svds.size();
        const std::size_t at =
            position < 0 ? svds.size() : std::min(svds.size(), std::size_t(position));
        auto order = identity(old);
        svds.insert(svds.begin() + long(at), std::uint8_t(vic));
        order.insert(order.begin() + long(at), -1);
        ++counts[at == old ? counts.size() - 1 : countIndex(counts, at)];
        writeSvds(*cta, svds, counts, order, old);
        return EditResult{};
    });
}

EditResult removeVic(EdidModel& model, int vic, VicList list) {
    if (list == VicList::Ycbcr420Only) {
        return edit420Only(model, vic, -1, false);
    }
    return editCta(model, false, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        auto svds = svdBytes(*cta);
        const int at = findSvd(svds, vic);
        if (at < 0) {
            return nothingToDo(boxstatus::printfText("VIC %d is not listed", vic));
        }
        auto counts = videoCounts(*cta);
        const std::size_t old = svds.size();
        auto order = identity(old);
        svds.erase(svds.begin() + at);
        order.erase(order.begin() + at);
        --counts[countIndex(counts, std::size_t(at))];
        writeSvds(*cta, svds, counts, order, old);
        return EditResult{};
    });
}

EditResult moveVic(EdidModel& model, int vic, int position) {
    return editCta(model, false, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        auto svds = svdBytes(*cta);
        const int at = findSvd(svds, vic);
        if (at < 0) {
            return refuse(boxstatus::printfText("VIC %d is not listed", vic));
        }
        if (position < 0 || position >= int(svds.size())) {
            return refuse(boxstatus::printfText("a VIC's position is 0 to %zu", svds.size() - 1));
        }
        auto order = identity(svds.size());
        const std::uint8_t code = svds[std::size_t(at)];
        svds.erase(svds.begin() + at);
        order.erase(order.begin() + at);
        svds.insert(svds.begin() + position, code);
        order.insert(order.begin() + position, at);
        writeSvds(*cta, svds, videoCounts(*cta), order, svds.size());
        return EditResult{};
    });
}

EditResult setNativeVic(EdidModel& model, int vic) {
    if (vic < 0 || vic > 64) {
        return refuse("only VICs 1 to 64 can be marked native");
    }
    return editCta(model, false, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        auto svds = svdBytes(*cta);
        if (vic != 0 && findSvd(svds, vic) < 0) {
            return refuse(boxstatus::printfText("VIC %d is not listed", vic));
        }
        for (std::uint8_t& code : svds) {
            if (code > 128 && code <= 192) {
                code &= 0x7F;
            }
            if (vic != 0 && code == vic) {
                code |= 0x80;
            }
        }
        const auto order = identity(svds.size());
        writeSvds(*cta, svds, videoCounts(*cta), order, svds.size());
        return EditResult{};
    });
}

EditResult setYcbcr420Capable(EdidModel& model, int vic, bool on) {
    return editCta(model, false, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        const auto svds = svdBytes(*cta);
        const int at = findSvd(svds, vic);
        if (at < 0) {
            return refuse(boxstatus::printfText("VIC %d is not listed", vic));
        }
        int index = findBlock(*cta, BlockKind::Ycbcr420CapabilityMap);
        if (index < 0) {
            if (!on) {
                return EditResult{};
            }
            CtaBlock map{Block{0xE0, 0x0F}};
            map.bytes.resize(2 + (svds.size() + 7) / 8, 0);
            setLength(map.bytes);
            cta->blocks.push_back(std::move(map));
            index = int(cta->blocks.size()) - 1;
        }
        Block& b = cta->blocks[std::size_t(index)].bytes;
        if (b.size() <= 2) {
            if (on) {
                return EditResult{};  // the empty map marks every SVD
            }
            b.resize(2 + (svds.size() + 7) / 8, 0xFF);
        }
        const std::size_t byteAt = 2 + std::size_t(at) / 8;
        if (b.size() <= byteAt) {
            b.resize(byteAt + 1, 0);
        }
        const auto mask = std::uint8_t(1U << (at % 8));
        b[byteAt] = on ? std::uint8_t(b[byteAt] | mask) : std::uint8_t(b[byteAt] & ~mask);
        setLength(b);
        return EditResult{};
    });
}

// --- audio ----------------------------------------------------------------------------------

AudioDescriptorBytes audioDescriptor(const AudioFormatName& format, int channels,
                                     std::uint8_t rates, std::uint8_t byte3) {
    const int c = std::clamp(channels, 1, 8) - 1;
    std::uint8_t third = byte3;
    if (format.code == 15) {
        third = std::uint8_t(format.extensionType << 3 | (byte3 & 0x07));
    }
    return {std::uint8_t(format.code << 3 | c), std::uint8_t(rates & 0x7F), third};
}

EditResult addAudio(EdidModel& model, const AudioDescriptorBytes& sad) {
    return editCta(model, true, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        EditResult result;
        const int index = blockFor(*cta, BlockKind::Audio, result);
        if (index < 0) {
            return result;
        }
        Block& b = cta->blocks[std::size_t(index)].bytes;
        b.insert(b.end(), sad.begin(), sad.end());
        setLength(b);
        return EditResult{};
    });
}

EditResult changeAudio(EdidModel& model, int index, const AudioDescriptorBytes& sad) {
    if (!model.cta) {
        return refuse("the EDID has no CTA-861 extension");
    }
    const auto refs = sads(*model.cta);
    if (index < 0 || index >= int(refs.size())) {
        return refuse(boxstatus::printfText("there is no audio descriptor %d", index + 1));
    }
    Block& b = model.cta->blocks[refs[std::size_t(index)].block].bytes;
    std::copy(sad.begin(), sad.end(), b.begin() + long(refs[std::size_t(index)].at));
    return {};
}

EditResult removeAudioAt(EdidModel& model, int index) {
    if (!model.cta) {
        return refuse("the EDID has no CTA-861 extension");
    }
    const auto refs = sads(*model.cta);
    if (index < 0 || index >= int(refs.size())) {
        return refuse(boxstatus::printfText("there is no audio descriptor %d", index + 1));
    }
    const SadRef ref = refs[std::size_t(index)];
    Block& b = model.cta->blocks[ref.block].bytes;
    b.erase(b.begin() + long(ref.at), b.begin() + long(ref.at + 3));
    setLength(b);
    if (b.size() == 1) {
        model.cta->blocks.erase(model.cta->blocks.begin() + long(ref.block));
    }
    return {};
}

EditResult removeAudio(EdidModel& model, const AudioFormatName& format) {
    if (!model.cta) {
        return refuse("the EDID has no CTA-861 extension");
    }
    bool removed = false;
    for (int i = int(sads(*model.cta).size()) - 1; i >= 0; --i) {
        const SadRef ref = sads(*model.cta)[std::size_t(i)];
        if (sadIs(model.cta->blocks[ref.block].bytes, ref.at, format)) {
            removeAudioAt(model, i);
            removed = true;
        }
    }
    if (!removed) {
        return nothingToDo(boxstatus::printfText("the EDID has no %s audio descriptor", format.name));
    }
    return {};
}

// --- data blocks ------------------------------------------------------------------------

bool blockStartsEmpty(BlockKind kind) {
    return std::any_of(kTemplates.begin(), kTemplates.end(),
                       [kind](const BlockTemplate& t) { return t.kind == kind; });
}

EditResult addBlock(EdidModel& model, BlockKind kind) {
    if (model.cta && findBlock(*model.cta, kind) >= 0) {
        return nothingToDo(boxstatus::printfText("the EDID has a %s block already", kindName(kind)));
    }
    if (!blockStartsEmpty(kind)) {
        return refuse(boxstatus::printfText("a %s block does not start empty: load or type it",
                                            kindName(kind)));
    }
    return editCta(model, true, [&](CtaModel& cta) {
        EditResult result;
        blockFor(cta, kind, result);
        return result;
    });
}

EditResult removeBlockAt(EdidModel& model, int index) {
    if (!model.cta || index < 0 || index >= int(model.cta->blocks.size())) {
        return refuse(boxstatus::printfText("there is no data block %d", index + 1));
    }
    CtaModel& cta = *model.cta;
    if (cta.blocks[std::size_t(index)].kind() != BlockKind::Video) {
        cta.blocks.erase(cta.blocks.begin() + index);
        return {};
    }
    // The SVDs of a video block go the way removed VICs go.
    std::size_t first = 0;
    std::size_t k = 0;
    for (int i = 0; i < index; ++i) {
        if (cta.blocks[std::size_t(i)].kind() == BlockKind::Video) {
            first += cta.blocks[std::size_t(i)].bytes.size() - 1;
            ++k;
        }
    }
    auto svds = svdBytes(cta);
    auto counts = videoCounts(cta);
    const std::size_t old = svds.size();
    auto order = identity(old);
    svds.erase(svds.begin() + long(first), svds.begin() + long(first + counts[k]));
    order.erase(order.begin() + long(first), order.begin() + long(first + counts[k]));
    counts[k] = 0;
    writeSvds(cta, svds, counts, order, old);
    return {};
}

EditResult removeBlocks(EdidModel& model, const BlockSelector& selector) {
    if (!model.cta) {
        return refuse("the EDID has no CTA-861 extension");
    }
    bool removed = false;
    for (int i = int(model.cta->blocks.size()) - 1; i >= 0; --i) {
        const CtaBlock& block = model.cta->blocks[std::size_t(i)];
        const bool match = selector.kind == BlockKind::Unknown
                               ? block.oui() == selector.oui &&
                                     (block.tag() == 3 || block.extendedTag() == 1 ||
                                      block.extendedTag() == 17)
                               : block.kind() == selector.kind;
        if (match) {
            removeBlockAt(model, i);
            removed = true;
        }
    }
    if (!removed) {
        return nothingToDo(selector.kind == BlockKind::Unknown
                          ? boxstatus::printfText("the EDID has no vendor block of OUI %02X-%02X-%02X",
                                                  selector.oui >> 16, selector.oui >> 8 & 0xFF,
                                                  selector.oui & 0xFF)
                          : boxstatus::printfText("the EDID has no %s block", kindName(selector.kind)));
    }
    return {};
}

EditResult moveBlock(EdidModel& model, int from, int to) {
    if (!model.cta || from < 0 || to < 0 || from >= int(model.cta->blocks.size()) ||
        to >= int(model.cta->blocks.size())) {
        return refuse("there is no such data block");
    }
    auto& blocks = model.cta->blocks;
    CtaBlock block = blocks[std::size_t(from)];
    const bool video = block.kind() == BlockKind::Video;
    blocks.erase(blocks.begin() + from);
    blocks.insert(blocks.begin() + to, std::move(block));
    if (video && videoCounts(*model.cta).size() > 1) {
        // Several video blocks: their SVD positions changed; undo.
        CtaBlock back = blocks[std::size_t(to)];
        blocks.erase(blocks.begin() + to);
        blocks.insert(blocks.begin() + from, std::move(back));
        return refuse("moving one of several video blocks would renumber the VICs");
    }
    return {};
}

EditResult setBlockField(EdidModel& model, const BlockField& field, int value) {
    const long max = ((1L << field.width) - 1) * field.scale;
    if (value < 0 || value > max || value % field.scale != 0) {
        return refuse(boxstatus::printfText("%s.%s is 0 to %ld%s", field.blockName, field.name, max,
                                            field.scale > 1 ? " in steps of 5" : ""));
    }
    const bool tmds = std::string_view(field.name) == "max-tmds";
    if (tmds && field.kind == BlockKind::Hdmi && value > 340) {
        return refuse("the HDMI block carries a max TMDS clock up to 340 MHz; above it, set "
                      "hdmi-forum.max-tmds");
    }
    return editCta(model, true, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        if (tmds && field.kind == BlockKind::HdmiForum) {
            // 340 MHz or less: the HDMI block's field, the HDMI Forum rate 0.
            if (value <= 340) {
                if (EditResult r = storeField(*cta, *findField(BlockKind::Hdmi, "max-tmds"), value / 5);
                    !r.ok()) {
                    return r;
                }
                return storeField(*cta, field, 0);
            }
            if (findBlock(*cta, BlockKind::Hdmi) >= 0) {
                if (EditResult r = storeField(*cta, *findField(BlockKind::Hdmi, "max-tmds"), 340 / 5);
                    !r.ok()) {
                    return r;
                }
            }
        }
        return storeField(*cta, field, value / field.scale);
    });
}

EditResult setBlockField(EdidModel& model, std::string_view blockName, std::string_view fieldName,
                         int value) {
    for (const BlockField& f : blockFields()) {
        if (blockName == f.blockName && fieldName == f.name) {
            return setBlockField(model, f, value);
        }
    }
    return refuse(std::string("there is no field ") + std::string(blockName) + "." +
                  std::string(fieldName));
}

EditResult capMaxTmds(EdidModel& model, int mhz) {
    if (mhz < 25 || mhz > 1275) {
        return refuse("a max TMDS clock is 25 to 1275 MHz");
    }
    if (!model.cta) {
        return refuse("the EDID has no CTA-861 extension");
    }
    bool found = false;
    for (CtaBlock& block : model.cta->blocks) {
        Block& b = block.bytes;
        const BlockKind kind = block.kind();
        if (kind == BlockKind::Hdmi && b.size() > 7) {
            found = true;
            b[7] = std::min<std::uint8_t>(b[7], std::uint8_t(std::min(mhz, 340) / 5));
        } else if ((kind == BlockKind::HdmiForum || kind == BlockKind::HdmiForumSinkCapability) &&
                   b.size() > 5) {
            found = true;
            b[5] = mhz <= 340 ? 0 : std::min<std::uint8_t>(b[5], std::uint8_t(mhz / 5));
            // FRL rates from 2 (6 Gbit/s on 3 lanes) need a TMDS character rate of
            // 600 MHz, rate 1 (3 Gbit/s on 3 lanes) one above 340 MHz.
            if (mhz < 600 && b.size() > 7) {
                const int frl = std::min(b[7] >> 4, mhz > 340 ? 1 : 0);
                b[7] = std::uint8_t(frl << 4 | (b[7] & 0x0F));
                if (b.size() > 12 && (b[12] >> 4) > frl) {
                    b[12] = std::uint8_t(frl << 4 | (b[12] & 0x0F));
                }
            }
        }
    }
    if (!found) {
        return refuse("the EDID has no max TMDS field (HDMI or HDMI Forum block)");
    }
    return {};
}

EditResult setHdmiLatency(EdidModel& model, std::optional<int> videoMs, std::optional<int> audioMs) {
    if (videoMs.has_value() != audioMs.has_value()) {
        return refuse("the HDMI block carries both latencies or neither");
    }
    for (const auto& ms : {videoMs, audioMs}) {
        if (ms && (*ms < 0 || *ms > 500 || *ms % 2 != 0)) {
            return refuse("a latency is 0 to 500 ms in steps of 2");
        }
    }
    return editCta(model, false, [&](CtaModel& extension) {
        CtaModel* cta = &extension;
        const int index = findBlock(*cta, BlockKind::Hdmi);
        if (index < 0) {
            return refuse("the EDID has no HDMI block");
        }
        Block& b = cta->blocks[std::size_t(index)].bytes;
        if (b.size() < 9) {
            b.resize(9, 0);
        }
        const std::uint8_t flags = b[8];
        const std::size_t present = (flags & 0x80) ? ((flags & 0x40) ? 4 : 2) : 0;
        b.erase(b.begin() + 9, b.begin() + long(std::min(b.size(), 9 + present)));
        b[8] = std::uint8_t(flags & 0x3F);
        if (videoMs) {
            const std::array<std::uint8_t, 2> codes = {std::uint8_t(*videoMs / 2 + 1),
                                                       std::uint8_t(*audioMs / 2 + 1)};
            b.insert(b.begin() + 9, codes.begin(), codes.end());
            b[8] |= 0x80;
        }
        setLength(b);
        return EditResult{};
    });
}

}  // namespace edid
