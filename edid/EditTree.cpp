#include "edid/EditTree.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <span>
#include <variant>

#include "status/Printf.h"

namespace edid {
namespace {

using boxstatus::printfText;

EditNode group(std::string label, std::vector<EditNode> children = {}) {
    EditNode node;
    node.label = std::move(label);
    node.children = std::move(children);
    return node;
}

EditNode label(std::string label, std::string value) {
    EditNode node;
    node.label = std::move(label);
    node.value = std::move(value);
    return node;
}

EditNode spin(std::string label, int minimum, int maximum, int current, std::string unit,
              std::function<EditResult(EdidModel&, int)> set) {
    EditNode node;
    node.label = std::move(label);
    node.widget = FieldWidget::Spin;
    node.minimum = minimum;
    node.maximum = maximum;
    node.current = current;
    node.unit = std::move(unit);
    node.set = std::move(set);
    return node;
}

EditNode check(std::string label, bool on, std::function<EditResult(EdidModel&, int)> set) {
    EditNode node;
    node.label = std::move(label);
    node.widget = FieldWidget::Check;
    node.current = on ? 1 : 0;
    node.set = std::move(set);
    return node;
}

EditNode textField(std::string label, std::string text, int maxLength,
                   std::function<EditResult(EdidModel&, std::string_view)> set) {
    EditNode node;
    node.label = std::move(label);
    node.widget = FieldWidget::Text;
    node.text = std::move(text);
    node.maxLength = maxLength;
    node.setText = std::move(set);
    return node;
}

std::string hexBytes(std::span<const std::uint8_t> bytes, std::size_t most) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size() && i < most; ++i) {
        text += printfText(i == 0 ? "%02X" : " %02X", bytes[i]);
    }
    if (bytes.size() > most) {
        text += " ...";
    }
    return text;
}

std::string point(const Chromaticity& c) {
    return printfText("x %.4f, y %.4f", c.x, c.y);
}

// --- base block -------------------------------------------------------------------

EditNode identity(const EdidModel& model, const DecodedEdid& decoded) {
    const BaseModel& base = model.base;
    const BaseBlock& b = decoded.base;
    EditNode node = group("Identity");
    node.children.push_back(textField("Manufacturer", b.manufacturer, 3,
                                      [](EdidModel& m, std::string_view t) {
                                          return setManufacturer(m, t);
                                      }));
    node.children.push_back(spin("Product code", 0, 0xFFFF, base.productCode, "",
                                 [](EdidModel& m, int v) { return setProductCode(m, v); }));
    if (base.serialNumber <= std::uint32_t(INT_MAX)) {
        node.children.push_back(spin("Serial number", 0, INT_MAX, int(base.serialNumber), "",
                                     [](EdidModel& m, int v) {
                                         return setSerialNumber(m, std::uint32_t(v));
                                     }));
    } else {
        node.children.push_back(label("Serial number", std::to_string(base.serialNumber)));
    }
    const int year = 1990 + base.year;
    const int week = base.week;
    if (week == 0xFF) {
        node.children.push_back(check("Year is the model year", true, [year](EdidModel& m, int on) {
            return setWeekYear(m, on ? 0xFF : 0, year);
        }));
    } else {
        node.children.push_back(spin("Week of manufacture", 0, 54, week, "",
                                     [year](EdidModel& m, int v) { return setWeekYear(m, v, year); }));
    }
    node.children.push_back(spin("Year", 1990, 2245, year, "",
                                 [week](EdidModel& m, int v) { return setWeekYear(m, week, v); }));
    node.children.push_back(textField("Name", b.name, 13, [](EdidModel& m, std::string_view t) {
        return setName(m, t);
    }));
    node.children.push_back(textField("Serial text", b.serialText, 13,
                                      [](EdidModel& m, std::string_view t) {
                                          return setSerialText(m, t);
                                      }));
    return node;
}

EditNode display(const EdidModel& model, const DecodedEdid& decoded) {
    const BaseBlock& b = decoded.base;
    const int width = model.base.widthCm;
    const int height = model.base.heightCm;
    EditNode node = group("Display",
                          {label("EDID version", printfText("%d.%d", b.version, b.revision)),
                           label("Input", b.digital ? "digital" : "analog"),
                           spin("Screen width", 0, 255, width, " cm",
                                [height](EdidModel& m, int v) { return setScreenSize(m, v, height); }),
                           spin("Screen height", 0, 255, height, " cm",
                                [width](EdidModel& m, int v) { return setScreenSize(m, width, v); })});
    // Gamma in hundredths; 0xFF means it is given elsewhere and stays shown only.
    if (model.base.gamma == 0xFF) {
        node.children.push_back(label("Gamma", "not given"));
    } else {
        node.children.push_back(spin("Gamma (x 100)", 100, 354, model.base.gamma + 100, "",
                                     [](EdidModel& m, int v) { return setGamma(m, v); }));
    }
    return node;
}

EditNode colour(const DecodedEdid& decoded) {
    const BaseBlock& b = decoded.base;
    return group("Colour characteristics",
                 {label("Red", point(b.red)), label("Green", point(b.green)),
                  label("Blue", point(b.blue)), label("White", point(b.white))});
}

EditNode established(const EdidModel& model) {
    EditNode node = group("Established timings");
    const auto table = establishedTimings();
    for (std::size_t i = 0; i < table.size(); ++i) {
        const EstablishedTiming t = table[i];
        const bool on = (model.base.established[i / 8] & (0x80 >> (i % 8))) != 0;
        node.children.push_back(
            check(printfText("%dx%d%s@%d", t.width, t.height, t.interlaced ? "i" : "", t.refreshHz),
                  on, [t](EdidModel& m, int v) {
                      return setEstablishedTiming(m, t.width, t.height, t.refreshHz, v != 0);
                  }));
    }
    return node;
}

EditNode standard(const DecodedEdid& decoded) {
    EditNode node = group("Standard timings");
    for (const StandardTiming& t : decoded.base.standard) {
        EditNode item = label(printfText("%dx%d@%d", t.width, t.height, t.refreshHz), t.aspect);
        item.remove = [t](EdidModel& m) {
            return removeStandardTiming(m, t.width, t.height, t.refreshHz);
        };
        node.children.push_back(std::move(item));
    }
    return node;
}

// A detailed timing's figures and flags; a change keeps the rest of the
// timing, and a timing that no longer encodes is refused.
std::vector<EditNode> timingFields(const DetailedTiming& timing, int index) {
    struct Figure {
        const char* label;
        int DetailedTiming::* field;
        int maximum;
        const char* unit;
    };
    static const Figure figures[] = {
        {"Horizontal active", &DetailedTiming::hActive, 4095, " pixels"},
        {"Horizontal blanking", &DetailedTiming::hBlank, 4095, " pixels"},
        {"Horizontal front porch", &DetailedTiming::hFront, 1023, " pixels"},
        {"Horizontal sync", &DetailedTiming::hSync, 1023, " pixels"},
        {"Vertical active", &DetailedTiming::vActive, 4095, " lines"},
        {"Vertical blanking", &DetailedTiming::vBlank, 4095, " lines"},
        {"Vertical front porch", &DetailedTiming::vFront, 63, " lines"},
        {"Vertical sync", &DetailedTiming::vSync, 63, " lines"},
        {"Image width", &DetailedTiming::widthMm, 4095, " mm"},
        {"Image height", &DetailedTiming::heightMm, 4095, " mm"},
    };
    const auto change = [timing, index](auto apply) {
        return [timing, index, apply](EdidModel& m, int value) {
            DetailedTiming changed = timing;
            apply(changed, value);
            return changeDetailedTiming(m, index, changed);
        };
    };
    std::vector<EditNode> nodes;
    EditNode clock = spin("Pixel clock", 10, 655350, int(timing.pixelClockKHz), " kHz",
                          change([](DetailedTiming& t, int v) { t.pixelClockKHz = std::uint32_t(v); }));
    clock.step = 10;
    nodes.push_back(std::move(clock));
    for (const Figure& f : figures) {
        EditNode node = spin(f.label, 0, f.maximum, timing.*(f.field), f.unit,
                             change([field = f.field](DetailedTiming& t, int v) { t.*field = v; }));
        // An interlaced timing's active lines are both fields': an even count.
        if (f.field == &DetailedTiming::vActive && timing.interlaced) {
            node.maximum = 2 * f.maximum;
            node.step = 2;
        }
        nodes.push_back(std::move(node));
    }
    nodes.push_back(check("Interlaced", timing.interlaced,
                          change([](DetailedTiming& t, int v) { t.interlaced = v != 0; })));
    // The polarities are bits of digital separate sync only.
    if (timing.syncType == 3) {
        nodes.push_back(check("Horizontal sync positive", timing.hSyncPositive,
                              change([](DetailedTiming& t, int v) { t.hSyncPositive = v != 0; })));
        nodes.push_back(check("Vertical sync positive", timing.vSyncPositive,
                              change([](DetailedTiming& t, int v) { t.vSyncPositive = v != 0; })));
    }
    return nodes;
}

EditNode timingNode(std::string label, const DetailedTiming& timing, int index, int count) {
    EditNode node;
    node.label = std::move(label);
    node.value = describeTiming(timing);
    node.remove = [index](EdidModel& m) { return removeDetailedTiming(m, index); };
    node.move = [index](EdidModel& m, int by) { return moveDetailedTiming(m, index, index + by); };
    node.canMoveUp = index > 0;
    node.canMoveDown = index + 1 < count;
    node.children = timingFields(timing, index);
    return node;
}

// The range limits' figures, each a spin box; a change keeps the others and
// the descriptor's timing formula data.
std::vector<EditNode> rangeLimitFields(const EdidModel& model, const RangeLimits& limits) {
    const bool edid14 = model.base.version == 1 && model.base.revision >= 4;
    const int maxRate = edid14 ? 510 : 255;
    struct Figure {
        const char* label;
        int RangeLimits::* field;
        int minimum;
        int maximum;
        int step;
        const char* unit;
    };
    const Figure figures[] = {
        {"Minimum vertical rate", &RangeLimits::minVHz, 1, maxRate, 1, " Hz"},
        {"Maximum vertical rate", &RangeLimits::maxVHz, 1, maxRate, 1, " Hz"},
        {"Minimum horizontal rate", &RangeLimits::minHKHz, 1, maxRate, 1, " kHz"},
        {"Maximum horizontal rate", &RangeLimits::maxHKHz, 1, maxRate, 1, " kHz"},
        {"Maximum pixel clock", &RangeLimits::maxPixelClockMHz, 10, 2550, 10, " MHz"},
    };
    std::vector<EditNode> nodes;
    for (const Figure& f : figures) {
        EditNode node = spin(f.label, f.minimum, f.maximum, limits.*(f.field), f.unit,
                             [limits, field = f.field](EdidModel& m, int value) {
                                 RangeLimits changed = limits;
                                 changed.*field = value;
                                 changed.support = -1;
                                 return setRangeLimits(m, changed);
                             });
        node.step = f.step;
        nodes.push_back(std::move(node));
    }
    return nodes;
}

EditNode descriptors(const EdidModel& model, const DecodedEdid& decoded) {
    EditNode node = group("Descriptors");
    node.add = AddKind::Timing;
    int timing = 0;
    const int count = int(decoded.detailedTimings.size());
    for (int i = 0; i < kBaseDescriptorCount; ++i) {
        const Descriptor& d = model.base.descriptors[std::size_t(i)];
        const std::string name = printfText("Descriptor %d", i + 1);
        switch (descriptorKind(d)) {
        case DescriptorKind::Timing:
            if (std::size_t(timing) < decoded.detailedTimings.size()) {
                node.children.push_back(
                    timingNode(name + ": detailed timing",
                               decoded.detailedTimings[std::size_t(timing)], timing, count));
            }
            ++timing;
            break;
        case DescriptorKind::Name:
            node.children.push_back(label(name + ": name", decoded.base.name));
            break;
        case DescriptorKind::SerialText:
            node.children.push_back(label(name + ": serial text", decoded.base.serialText));
            break;
        case DescriptorKind::Text:
            node.children.push_back(label(name + ": text", hexBytes(d, 18)));
            break;
        case DescriptorKind::RangeLimits: {
            EditNode limits = label(name + ": range limits", "");
            if (const auto& r = decoded.base.rangeLimits) {
                limits.value = printfText("%d-%d Hz, %d-%d kHz, %d MHz", r->minVHz, r->maxVHz,
                                          r->minHKHz, r->maxHKHz, r->maxPixelClockMHz);
            }
            limits.remove = [](EdidModel& m) { return removeRangeLimits(m); };
            if (const auto& r = decoded.base.rangeLimits) {
                limits.children = rangeLimitFields(model, *r);
            }
            node.children.push_back(std::move(limits));
            break;
        }
        case DescriptorKind::Dummy:
            node.children.push_back(label(name, "free"));
            break;
        case DescriptorKind::Other:
            node.children.push_back(label(name, printfText("display descriptor 0x%02X", d[3])));
            break;
        }
    }
    return node;
}

// --- extension ---------------------------------------------------------------------

// The bit names of the fields that are flag sets.
struct FlagNames {
    BlockKind kind;
    const char* field;
    std::span<const char* const> (*names)();
};
std::span<const char* const> speakerShortNames() {
    static const std::vector<const char*> names = [] {
        std::vector<const char*> v;
        for (const SpeakerName& s : speakerNames()) {
            v.push_back(s.shortName);
        }
        return v;
    }();
    return names;
}
constexpr FlagNames kFlagFields[] = {
    {BlockKind::SpeakerAllocation, "bits", speakerShortNames},
    {BlockKind::Colorimetry, "bits", colorimetryNames},
    {BlockKind::HdrStaticMetadata, "eotfs", eotfNames},
    {BlockKind::Hdmi, "content-types", hdmiContentTypes},
};

// The names of the values of the fields that are one of a few named codes.
std::vector<std::string> namedValues(const BlockField& f) {
    const std::string_view name = f.name;
    std::vector<std::string> names;
    if (f.kind == BlockKind::HdmiForum && name == "frl-rate") {
        for (int code = 0; const FrlRate* rate = findFrlRate(code); ++code) {
            names.push_back(printfText("%d: %s", code, rate->rates));
        }
    } else if (f.kind == BlockKind::VideoCapability && (name == "pt" || name == "it" || name == "ce")) {
        const auto scan = scanBehaviours();
        for (std::size_t code = 0; code < scan.size(); ++code) {
            names.push_back(code > 0 ? scan[code] : name == "pt" ? "no data" : "not supported");
        }
    }
    return names;
}

EditNode fieldNode(const CtaBlock& block, const BlockField& f) {
    const BlockField* field = &f;
    const int value = blockFieldValue(block, f);
    const auto setter = [field](EdidModel& m, int v) { return setBlockField(m, *field, v); };
    EditNode node;
    if (f.width == 1) {
        node = check(f.help, value != 0, setter);
    } else {
        const std::string_view name = f.name;
        const char* unit = f.scale > 1 ? " MHz" : name.starts_with("vrr") ? " Hz" : "";
        node = spin(f.help, 0, ((1 << f.width) - 1) * f.scale, value, unit, setter);
        node.step = f.scale;
    }
    node.value = f.name;
    if (auto names = namedValues(f); value < int(names.size())) {
        node.widget = FieldWidget::Combo;
        node.choices = std::move(names);
    }
    for (const FlagNames& flags : kFlagFields) {
        if (flags.kind != f.kind || std::string_view(flags.field) != f.name) {
            continue;
        }
        // A flag set: one check box per named bit.
        node = group(f.help);
        node.value = f.name;
        const auto names = flags.names();
        for (std::size_t bit = 0; bit < names.size() && int(bit) < f.width; ++bit) {
            if (names[bit] == nullptr) {
                continue;
            }
            const int mask = 1 << bit;
            node.children.push_back(check(names[bit], (value & mask) != 0,
                                          [field, value, mask](EdidModel& m, int on) {
                                              return setBlockField(
                                                  m, *field, on ? value | mask : value & ~mask);
                                          }));
        }
    }
    return node;
}

std::string audioText(const ShortAudioDescriptor& sad) {
    std::string text = sad.formatName();
    std::string rates;
    const auto table = audioSampleRates();
    for (std::size_t bit = 0; bit < table.size(); ++bit) {
        if (sad.rates & (1 << bit)) {
            rates += printfText(rates.empty() ? "%g" : ", %g", table[bit] / 1000.0);
        }
    }
    if (!rates.empty()) {
        text += ", " + rates + " kHz";
    }
    std::string depths;
    for (const int depth : sad.bitDepths()) {
        depths += printfText(depths.empty() ? "%d" : ", %d", depth);
    }
    if (!depths.empty()) {
        text += ", " + depths + " bit";
    }
    if (sad.maxBitrateKbps() > 0) {
        text += printfText(", up to %d kbit/s", sad.maxBitrateKbps());
    }
    return text;
}

struct Counters {
    int svd = 0;  // SVD bytes of the video blocks before this one
    int sad = 0;  // short audio descriptors before this one
    int svdTotal = 0;  // SVD bytes of all video blocks
    std::vector<BlockKind> seen;
};

void blockChildren(EditNode& node, const CtaBlock& block, const DataBlock* decoded,
                   Counters& count) {
    const BlockKind kind = block.kind();
    if (kind == BlockKind::Video || kind == BlockKind::Ycbcr420Video) {
        const bool regular = kind == BlockKind::Video;
        const auto* video = decoded ? std::get_if<VideoBlock>(&decoded->content) : nullptr;
        if (regular) {
            node.add = AddKind::Vic;
        }
        for (const Svd& svd : video ? video->svds : std::vector<Svd>{}) {
            const int vic = svd.vic;
            const std::string name = printfText("VIC %d: ", vic) + vicName(vic);
            EditNode item = regular && vic <= 64
                                ? check(name, svd.native,
                                        [vic, native = svd.native](EdidModel& m, int on) {
                                            // Clearing a VIC that is not native
                                            // leaves the native one as it is.
                                            return on || native ? setNativeVic(m, on ? vic : 0)
                                                                : EditResult{};
                                        })
                                : label(name, svd.native ? "native" : "");
            item.text = "native";
            item.remove = [vic, regular](EdidModel& m) {
                return removeVic(m, vic, regular ? VicList::Video : VicList::Ycbcr420Only);
            };
            if (regular) {
                const int at = count.svd + svd.position;
                item.move = [vic, at](EdidModel& m, int by) { return moveVic(m, vic, at + by); };
                item.canMoveUp = at > 0;
                item.canMoveDown = at + 1 < count.svdTotal;
            }
            node.children.push_back(std::move(item));
        }
        if (regular && video) {
            count.svd += video->entries;
        }
        return;
    }
    if (kind == BlockKind::Audio) {
        node.add = AddKind::Audio;
        const auto* audio = decoded ? std::get_if<AudioBlock>(&decoded->content) : nullptr;
        for (const ShortAudioDescriptor& sad : audio ? audio->descriptors
                                                     : std::vector<ShortAudioDescriptor>{}) {
            const int index = count.sad++;
            const std::size_t at = 1 + 3 * node.children.size();
            if (at + 3 > block.bytes.size()) {
                break;
            }
            const AudioDescriptorBytes bytes = {block.bytes[at], block.bytes[at + 1],
                                                block.bytes[at + 2]};
            EditNode item = spin(audioText(sad), 1, 8, sad.channels, " ch",
                                 [index, bytes](EdidModel& m, int channels) {
                                     AudioDescriptorBytes changed = bytes;
                                     changed[0] = std::uint8_t((bytes[0] & 0xF8) | (channels - 1));
                                     return changeAudio(m, index, changed);
                                 });
            item.remove = [index](EdidModel& m) { return removeAudioAt(m, index); };
            node.children.push_back(std::move(item));
        }
        return;
    }
    bool fields = false;
    const bool first = std::find(count.seen.begin(), count.seen.end(), kind) == count.seen.end();
    count.seen.push_back(kind);
    if (first) {
        for (const BlockField& f : blockFields()) {
            if (f.kind == kind) {
                node.children.push_back(fieldNode(block, f));
                fields = true;
            }
        }
    }
    if (!fields) {
        node.value += ": " + hexBytes(std::span(block.bytes).subspan(1), 24);
    }
}

EditNode extension(const EdidModel& model, const DecodedEdid& decoded) {
    EditNode node = group("Extension");
    if (!model.cta) {
        node.value = model.otherExtension ? "not a CTA-861 extension: kept as it is"
                                          : "none: adding a data block or a timing makes one";
        if (!model.otherExtension) {
            node.add = AddKind::Block;
        }
        return node;
    }
    const CtaModel& cta = *model.cta;
    node.value = "CTA-861";
    node.children.push_back(label("Revision", std::to_string(cta.revision)));
    EditNode flags = group("Flags");
    static constexpr const char* kFlagNames[] = {"YCbCr 4:2:2", "YCbCr 4:4:4", "Basic audio",
                                                 "Underscan"};
    for (int bit = 7; bit >= 4; --bit) {
        flags.children.push_back(check(kFlagNames[bit - 4], (cta.flags >> bit & 1) != 0,
                                       [bit](EdidModel& m, int on) {
                                           return setCtaFlag(m, bit, on != 0);
                                       }));
    }
    flags.children.push_back(spin("Native detailed timings", 0, 15, cta.nativeTimings(), "",
                                  [](EdidModel& m, int v) { return setNativeTimingCount(m, v); }));
    node.children.push_back(std::move(flags));

    const CtaExtension* decodedCta = nullptr;
    for (const Extension& e : decoded.extensions) {
        if (e.cta) {
            decodedCta = &*e.cta;
            break;
        }
    }
    EditNode blocks = group("Data blocks");
    blocks.add = AddKind::Block;
    Counters count;
    count.svdTotal = int(svdBytes(cta).size());
    for (std::size_t i = 0; i < cta.blocks.size(); ++i) {
        const CtaBlock& block = cta.blocks[i];
        const int index = int(i);
        EditNode item = label(block.name(), printfText("%zu bytes", block.bytes.size()));
        item.remove = [index](EdidModel& m) { return removeBlockAt(m, index); };
        item.move = [index](EdidModel& m, int by) { return moveBlock(m, index, index + by); };
        item.canMoveUp = i > 0;
        item.canMoveDown = i + 1 < cta.blocks.size();
        const DataBlock* d = decodedCta && i < decodedCta->dataBlocks.size()
                                 ? &decodedCta->dataBlocks[i]
                                 : nullptr;
        blockChildren(item, block, d, count);
        blocks.children.push_back(std::move(item));
    }
    node.children.push_back(std::move(blocks));

    EditNode timings = group("Detailed timings");
    timings.add = AddKind::Timing;
    const int baseTimings = int(detailedTimings(model).size() - cta.timings.size());
    for (std::size_t i = 0; i < cta.timings.size(); ++i) {
        const std::size_t at = std::size_t(baseTimings) + i;
        if (at < decoded.detailedTimings.size()) {
            timings.children.push_back(timingNode(printfText("Timing %zu", i + 1),
                                                  decoded.detailedTimings[at], int(at),
                                                  int(decoded.detailedTimings.size())));
        }
    }
    node.children.push_back(std::move(timings));
    return node;
}

}  // namespace

EditNode editTree(const EdidModel& model) {
    const std::vector<std::uint8_t> bytes = encodeModel(model);
    const DecodedEdid decoded = decodeEdid(bytes);
    EditNode base = group("Base block", {identity(model, decoded), display(model, decoded),
                                         colour(decoded), established(model), standard(decoded),
                                         descriptors(model, decoded)});
    return group("EDID", {std::move(base), extension(model, decoded)});
}

std::vector<std::string> timingMethodNames() {
    return {"CVT", "CVT reduced blanking", "CVT reduced blanking v2", "CTA-861 VIC"};
}

TimingResult generateTiming(const TimingRequest& request) {
    switch (request.method) {
    case TimingMethod::Vic:
        return vicTiming(request.vic);
    case TimingMethod::Cvt:
        return cvtTiming(request.width, request.height, request.refreshHz, CvtBlanking::Standard);
    case TimingMethod::CvtReduced:
        return cvtTiming(request.width, request.height, request.refreshHz, CvtBlanking::Reduced);
    case TimingMethod::CvtReduced2:
        return cvtTiming(request.width, request.height, request.refreshHz, CvtBlanking::Reduced2);
    }
    return {std::nullopt, "unknown timing method"};
}

std::string describeTiming(const DetailedTiming& t) {
    return formatName(t.hActive, t.vActive, t.interlaced, t.refreshHz()) +
           printfText(": %.2f MHz, H %d %d %d %d, V %d %d %d %d, %.2f kHz",
                      t.pixelClockKHz / 1000.0, t.hActive, t.hFront, t.hSync, t.hBack(),
                      t.interlaced ? t.vActive / 2 : t.vActive, t.vFront, t.vSync, t.vBack(),
                      t.hFreqKHz());
}

std::vector<std::string> vicChoices() {
    std::vector<std::string> choices;
    for (const VideoFormat& f : vicTable()) {
        choices.push_back(printfText("%d: ", f.vic) + vicName(f.vic) + " (" + f.aspect + ")");
    }
    return choices;
}

std::vector<BlockChoice> blockChoices() {
    std::vector<BlockChoice> choices;
    for (const BlockKindName& entry : blockKindNames()) {
        if (blockStartsEmpty(entry.kind)) {
            choices.push_back({entry.kind, entry.help});
        }
    }
    return choices;
}

AudioDescriptorBytes defaultAudio(const AudioFormatName& format) {
    if (format.code == 1) {
        return audioDescriptor(format, 2, 0x07, 0x07);
    }
    const bool bitRate = format.code >= 2 && format.code <= 8;
    return audioDescriptor(format, 6, 0x04, bitRate ? 640 / 8 : 0);
}

EditResult setCtaFlag(EdidModel& model, int bit, bool on) {
    if (!model.cta) {
        return {"the EDID has no CTA-861 extension", {}};
    }
    if (bit < 4 || bit > 7) {
        return {printfText("bit %d of the flags byte is the native timing count", bit), {}};
    }
    const auto mask = std::uint8_t(1U << bit);
    model.cta->flags = on ? std::uint8_t(model.cta->flags | mask) : std::uint8_t(model.cta->flags & ~mask);
    return {};
}

}  // namespace edid
