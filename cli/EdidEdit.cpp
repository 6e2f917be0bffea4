#include "cli/EdidEdit.h"

#include <algorithm>
#include <charconv>
#include <ostream>

#include "cli/Args.h"
#include "edid/Model.h"
#include "edid/ModelEdits.h"
#include "edid/Timings.h"

namespace cli {
namespace {

using edid::EditResult;
using edid::EdidModel;

EditResult bad(std::string reason) {
    return EditResult{std::move(reason), {}};
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at - start));
        if (at == std::string_view::npos) {
            return parts;
        }
        start = at + 1;
    }
}

// A whole number, decimal or 0x hexadecimal, and nothing else.
std::optional<long> number(std::string_view text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    long v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

std::optional<double> decimal(std::string_view text) {
    double v = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return v;
}

struct Mode {
    int width = 0, height = 0;
    double refresh = 0;
};

// WxH@HZ
std::optional<Mode> mode(std::string_view text) {
    const auto at = text.find('@');
    const auto x = text.find('x');
    if (at == std::string_view::npos || x == std::string_view::npos || x > at) {
        return std::nullopt;
    }
    const auto w = number(text.substr(0, x));
    const auto h = number(text.substr(x + 1, at - x - 1));
    const auto hz = decimal(text.substr(at + 1));
    if (!w || !h || !hz || *w <= 0 || *h <= 0 || *w > 100000 || *h > 100000) {
        return std::nullopt;
    }
    return Mode{int(*w), int(*h), *hz};
}

std::optional<int> intArg(std::string_view text, long low, long high) {
    const auto v = number(text);
    if (!v || *v < low || *v > high) {
        return std::nullopt;
    }
    return int(*v);
}

EditResult needInt(std::string_view text, long low, long high, const char* what, int& out) {
    const auto v = intArg(text, low, high);
    if (!v) {
        return bad(std::string(what) + " is a number from " + std::to_string(low) + " to " +
                   std::to_string(high) + ", not '" + std::string(text) + "'");
    }
    out = *v;
    return {};
}

// --- edits ------------------------------------------------------------------------

EditResult addDtd(EdidModel& m, std::string_view arg) {
    edid::TimingResult timing;
    if (arg.substr(0, 4) == "vic:") {
        int vic = 0;
        if (EditResult r = needInt(arg.substr(4), 1, 255, "a VIC", vic); !r.ok()) {
            return r;
        }
        timing = edid::vicTiming(vic);
    } else {
        const auto colon = arg.find(':');
        const auto size = mode(arg.substr(0, colon));
        const std::string_view kind =
            colon == std::string_view::npos ? "cvt" : arg.substr(colon + 1);
        if (!size) {
            return bad("--add-dtd takes WxH@HZ[:cvt|cvt-rb|cvt-rb2] or vic:N, not '" +
                       std::string(arg) + "'");
        }
        edid::CvtBlanking blanking = edid::CvtBlanking::Standard;
        if (kind == "cvt-rb") {
            blanking = edid::CvtBlanking::Reduced;
        } else if (kind == "cvt-rb2") {
            blanking = edid::CvtBlanking::Reduced2;
        } else if (kind != "cvt") {
            return bad("a timing is computed by cvt, cvt-rb or cvt-rb2, not '" + std::string(kind) +
                       "'");
        }
        timing = edid::cvtTiming(size->width, size->height, size->refresh, blanking);
    }
    if (!timing.timing) {
        return bad(timing.error);
    }
    return edid::addDetailedTiming(m, *timing.timing);
}

EditResult removeDtd(EdidModel& m, std::string_view arg) {
    int n = 0;
    if (EditResult r = needInt(arg, 1, 100, "a detailed timing", n); !r.ok()) {
        return r;
    }
    return edid::removeDetailedTiming(m, n - 1);
}

EditResult moveDtd(EdidModel& m, std::string_view arg) {
    const auto parts = split(arg, ':');
    int from = 0, to = 0;
    if (parts.size() != 2) {
        return bad("--move-dtd takes N:POSITION");
    }
    for (const auto& [text, out] : {std::pair{parts[0], &from}, std::pair{parts[1], &to}}) {
        if (EditResult r = needInt(text, 1, 100, "a detailed timing", *out); !r.ok()) {
            return r;
        }
    }
    return edid::moveDetailedTiming(m, from - 1, to - 1);
}

EditResult nativeDtds(EdidModel& m, std::string_view arg) {
    int n = 0;
    if (EditResult r = needInt(arg, 0, 15, "the native timings", n); !r.ok()) {
        return r;
    }
    return edid::setNativeTimingCount(m, n);
}

template <EditResult (*Edit)(EdidModel&, int, int, int)>
EditResult modeEdit(EdidModel& m, std::string_view arg) {
    const auto size = mode(arg);
    if (!size || size->refresh != int(size->refresh)) {
        return bad("a timing is WxH@HZ, as 1280x1024@60, not '" + std::string(arg) + "'");
    }
    return Edit(m, size->width, size->height, int(size->refresh));
}

EditResult addEstablished(EdidModel& m, int w, int h, int hz) {
    return edid::setEstablishedTiming(m, w, h, hz, true);
}
EditResult removeEstablished(EdidModel& m, int w, int h, int hz) {
    return edid::setEstablishedTiming(m, w, h, hz, false);
}

template <EditResult (*Edit)(EdidModel&, int)>
EditResult vicEdit(EdidModel& m, std::string_view arg) {
    int vic = 0;
    if (EditResult r = needInt(arg, 0, 255, "a VIC", vic); !r.ok()) {
        return r;
    }
    return Edit(m, vic);
}

EditResult addVic(EdidModel& m, int vic) {
    return edid::addVic(m, vic);
}
EditResult removeVic(EdidModel& m, int vic) {
    return edid::removeVic(m, vic);
}
EditResult add420Vic(EdidModel& m, int vic) {
    return edid::addVic(m, vic, -1, edid::VicList::Ycbcr420Only);
}
EditResult remove420Vic(EdidModel& m, int vic) {
    return edid::removeVic(m, vic, edid::VicList::Ycbcr420Only);
}
EditResult map420(EdidModel& m, int vic) {
    return edid::setYcbcr420Capable(m, vic, true);
}
EditResult unmap420(EdidModel& m, int vic) {
    return edid::setYcbcr420Capable(m, vic, false);
}

EditResult moveVic(EdidModel& m, std::string_view arg) {
    const auto parts = split(arg, ':');
    int vic = 0, position = 0;
    if (parts.size() != 2) {
        return bad("--move-vic takes VIC:POSITION");
    }
    if (EditResult r = needInt(parts[0], 1, 255, "a VIC", vic); !r.ok()) {
        return r;
    }
    if (EditResult r = needInt(parts[1], 1, 64, "a position", position); !r.ok()) {
        return r;
    }
    return edid::moveVic(m, vic, position - 1);
}

const edid::AudioFormatName* audioFormat(std::string_view name) {
    for (const auto& f : edid::audioFormatNames()) {
        if (name == f.name) {
            return &f;
        }
    }
    return nullptr;
}

std::string audioFormatList() {
    std::string list;
    for (const auto& f : edid::audioFormatNames()) {
        list += (list.empty() ? "" : ", ") + std::string(f.name);
    }
    return list;
}

// Words of the third byte that name a format's own bits.
struct AudioFlag {
    std::string_view word;
    int code;
    std::uint8_t bit;
};
constexpr AudioFlag kAudioFlags[] = {
    {"joc", 10, 0x01},
    {"acmod28", 10, 0x02},
    {"object", 12, 0x01},
};

// FORMAT:CHANNELS:RATES[:EXTRA]
EditResult addAudio(EdidModel& m, std::string_view arg) {
    const auto parts = split(arg, ':');
    const auto* format = parts.empty() ? nullptr : audioFormat(parts[0]);
    if (format == nullptr) {
        return bad("an audio format is one of " + audioFormatList());
    }
    if (parts.size() < 3 || parts.size() > 4) {
        return bad("--add-audio takes FORMAT:CHANNELS:RATES[:EXTRA], as lpcm:2:32,44.1,48:16,24");
    }
    std::string_view channelText = parts[1];
    if (channelText.size() > 2 && channelText.substr(channelText.size() - 2) == "ch") {
        channelText.remove_suffix(2);
    }
    int channels = 0;
    if (EditResult r = needInt(channelText, 1, 8, "the channels", channels); !r.ok()) {
        return r;
    }
    std::uint8_t rates = 0;
    const auto table = edid::audioSampleRates();
    for (const auto rate : split(parts[2], ',')) {
        const auto khz = decimal(rate);
        const auto it = std::find_if(table.begin(), table.end(), [&](int hz) {
            return khz && int(*khz * 1000 + 0.5) == hz;
        });
        if (it == table.end()) {
            return bad("a sample rate is 32, 44.1, 48, 88.2, 96, 176.4 or 192 (kHz), not '" +
                       std::string(rate) + "'");
        }
        rates |= std::uint8_t(1U << (it - table.begin()));
    }
    std::uint8_t byte3 = 0;
    if (parts.size() == 4) {
        for (const auto item : split(parts[3], ',')) {
            if (format->code == 1 || format->extensionType == 13) {
                const auto depths = edid::lpcmBitDepths();
                const auto depth = number(item);
                const auto it = std::find(depths.begin(), depths.end(), depth ? int(*depth) : -1);
                if (it == depths.end()) {
                    return bad("an L-PCM sample size is 16, 20 or 24 bits");
                }
                byte3 |= std::uint8_t(1U << (it - depths.begin()));
            } else if (format->code >= 2 && format->code <= 8) {
                int kbps = 0;
                if (EditResult r = needInt(item, 8, 2040, "the max bit rate (kbit/s)", kbps);
                    !r.ok()) {
                    return r;
                }
                byte3 = std::uint8_t(kbps / 8);
            } else {
                const auto flag = std::find_if(
                    std::begin(kAudioFlags), std::end(kAudioFlags),
                    [&](const AudioFlag& f) { return f.word == item && f.code == format->code; });
                int value = 0;
                if (flag != std::end(kAudioFlags)) {
                    byte3 |= flag->bit;
                } else if (needInt(item, 0, 255, "", value).ok()) {
                    byte3 |= std::uint8_t(value);
                } else {
                    return bad("unknown " + std::string(format->name) + " value '" +
                               std::string(item) + "'");
                }
            }
        }
    } else if (format->code == 1) {
        byte3 = 0x07;  // 16, 20 and 24 bits
    }
    return edid::addAudio(m, edid::audioDescriptor(*format, channels, rates, byte3));
}

EditResult removeAudio(EdidModel& m, std::string_view arg) {
    const auto* format = audioFormat(arg);
    if (format == nullptr) {
        return bad("an audio format is one of " + audioFormatList());
    }
    return edid::removeAudio(m, *format);
}

EditResult speakers(EdidModel& m, std::string_view arg) {
    const auto names = edid::speakerNames();
    int bits = 0;
    for (const auto item : split(arg, ',')) {
        const auto it = std::find_if(names.begin(), names.end(), [&](const edid::SpeakerName& s) {
            return item == s.shortName;
        });
        if (it == names.end()) {
            return bad("unknown speaker '" + std::string(item) + "' (FL/FR, LFE1, FC, BL/BR, ...)");
        }
        bits |= 1 << (it - names.begin());
    }
    return edid::setBlockField(m, "speaker", "bits", bits);
}

EditResult maxTmds(EdidModel& m, std::string_view arg) {
    int mhz = 0;
    if (EditResult r = needInt(arg, 25, 1275, "a max TMDS clock (MHz)", mhz); !r.ok()) {
        return r;
    }
    return edid::capMaxTmds(m, mhz);
}

EditResult latency(EdidModel& m, std::string_view arg) {
    if (arg == "none") {
        return edid::setHdmiLatency(m, std::nullopt, std::nullopt);
    }
    const auto parts = split(arg, ':');
    int video = 0, audio = 0;
    if (parts.size() != 2 || !needInt(parts[0], 0, 500, "", video).ok() ||
        !needInt(parts[1], 0, 500, "", audio).ok()) {
        return bad("--latency takes VIDEO:AUDIO in ms, or none");
    }
    return edid::setHdmiLatency(m, video, audio);
}

EditResult removeBlock(EdidModel& m, std::string_view arg) {
    const auto selector = edid::blockSelectorByName(arg);
    if (!selector) {
        std::string kinds;
        for (const auto& k : edid::blockKindNames()) {
            kinds += std::string(k.name) + ", ";
        }
        return bad("a block kind is one of " + kinds + "or vendor:OUI as vendor:00-D0-46");
    }
    return edid::removeBlocks(m, *selector);
}

EditResult setField(EdidModel& m, std::string_view arg) {
    const auto dot = arg.find('.');
    const auto equals = arg.find('=');
    if (dot == std::string_view::npos || equals == std::string_view::npos || equals < dot) {
        return bad("--set takes BLOCK.FIELD=VALUE, as hdmi-forum.allm=1");
    }
    const auto value = number(arg.substr(equals + 1));
    if (!value || *value < 0 || *value > 0xFFFFFF) {
        return bad("a field's value is a number, not '" + std::string(arg.substr(equals + 1)) + "'");
    }
    return edid::setBlockField(m, arg.substr(0, dot), arg.substr(dot + 1, equals - dot - 1),
                               int(*value));
}

EditResult name(EdidModel& m, std::string_view arg) {
    return edid::setName(m, arg);
}
EditResult serialText(EdidModel& m, std::string_view arg) {
    return edid::setSerialText(m, arg);
}
EditResult manufacturer(EdidModel& m, std::string_view arg) {
    return edid::setManufacturer(m, arg);
}
EditResult product(EdidModel& m, std::string_view arg) {
    int code = 0;
    if (EditResult r = needInt(arg, 0, 0xFFFF, "a product code", code); !r.ok()) {
        return r;
    }
    return edid::setProductCode(m, code);
}
EditResult serial(EdidModel& m, std::string_view arg) {
    const auto v = number(arg);
    if (!v || *v < 0 || *v > 0xFFFFFFFFL) {
        return bad("a serial number is 0 to 4294967295");
    }
    return edid::setSerialNumber(m, std::uint32_t(*v));
}
EditResult date(EdidModel& m, std::string_view arg) {
    const auto parts = split(arg, '/');
    int week = 0, year = 0;
    if (parts.size() != 2 || !needInt(parts[0], 0, 255, "", week).ok() ||
        !needInt(parts[1], 0, 9999, "", year).ok()) {
        return bad("--date takes WEEK/YEAR, as 12/2020 (week 0: none, 255: model year)");
    }
    return edid::setWeekYear(m, week, year);
}
EditResult rangeLimits(EdidModel& m, std::string_view arg) {
    if (arg == "none") {
        return edid::removeRangeLimits(m);
    }
    const auto parts = split(arg, ':');
    int v[5] = {};
    bool ok = parts.size() == 5;
    for (std::size_t i = 0; ok && i < 5; ++i) {
        ok = needInt(parts[i], 0, 2550, "", v[i]).ok();
    }
    if (!ok) {
        return bad("--range-limits takes VMIN:VMAX:HMIN:HMAX:CLOCK (Hz, kHz, MHz), or none");
    }
    edid::RangeLimits r;
    r.minVHz = v[0];
    r.maxVHz = v[1];
    r.minHKHz = v[2];
    r.maxHKHz = v[3];
    r.maxPixelClockMHz = v[4];
    r.support = -1;  // as it was, or what the EDID version allows
    return edid::setRangeLimits(m, r);
}

using Apply = EditResult (*)(EdidModel&, std::string_view);

struct Option {
    EdidEditOption text;
    Apply apply;
};

constexpr Option kOptions[] = {
    {{"--name", "TEXT", "the display name (up to 13 characters; \"\" removes it)"}, name},
    {{"--serial-text", "TEXT", "the serial number text (up to 13 characters)"}, serialText},
    {{"--manufacturer", "ABC", "the three-letter manufacturer ID"}, manufacturer},
    {{"--product", "N", "the product code (0 to 65535)"}, product},
    {{"--serial", "N", "the serial number (0 to 4294967295)"}, serial},
    {{"--date", "WEEK/YEAR", "week and year of manufacture (week 255: model year)"}, date},
    {{"--range-limits", "VMIN:VMAX:HMIN:HMAX:CLOCK",
      "vertical Hz, horizontal kHz, max pixel clock MHz; none removes them"},
     rangeLimits},
    {{"--add-dtd", "WxH@HZ[:cvt|cvt-rb|cvt-rb2]|vic:N",
      "add a detailed timing computed by CVT (standard, reduced blanking v1 or v2) or of a VIC"},
     addDtd},
    {{"--remove-dtd", "N", "remove detailed timing N (1 is the preferred timing)"}, removeDtd},
    {{"--move-dtd", "N:POSITION", "move detailed timing N to POSITION"}, moveDtd},
    {{"--native-dtds", "N", "how many of the first detailed timings are native"}, nativeDtds},
    {{"--add-standard", "WxH@HZ", "add a standard timing"},
     modeEdit<edid::addStandardTiming>},
    {{"--remove-standard", "WxH@HZ", "remove a standard timing"},
     modeEdit<edid::removeStandardTiming>},
    {{"--add-established", "WxH@HZ", "set an established timing, as 800x600@60"},
     modeEdit<addEstablished>},
    {{"--remove-established", "WxH@HZ", "clear an established timing"},
     modeEdit<removeEstablished>},
    {{"--add-vic", "N", "add VIC N to the video block"}, vicEdit<addVic>},
    {{"--remove-vic", "N", "remove VIC N (the 4:2:0 map and 3D masks follow)"}, vicEdit<removeVic>},
    {{"--move-vic", "N:POSITION", "move VIC N to POSITION (1 first)"}, moveVic},
    {{"--native-vic", "N", "make VIC N (1 to 64) the native format; 0 clears"},
     vicEdit<edid::setNativeVic>},
    {{"--add-420-vic", "N", "add VIC N to the YCbCr 4:2:0 video block (4:2:0 only)"},
     vicEdit<add420Vic>},
    {{"--remove-420-vic", "N", "remove VIC N from the YCbCr 4:2:0 video block"},
     vicEdit<remove420Vic>},
    {{"--map-420", "N", "mark VIC N in the YCbCr 4:2:0 capability map"}, vicEdit<map420>},
    {{"--unmap-420", "N", "clear VIC N in the YCbCr 4:2:0 capability map"}, vicEdit<unmap420>},
    {{"--add-audio", "FORMAT:CHANNELS:RATES[:EXTRA]",
      "add a short audio descriptor; RATES in kHz; EXTRA: L-PCM sizes, max kbit/s for ac3 to "
      "atrac, joc,acmod28 for eac3, object for mat, else the third byte"},
     addAudio},
    {{"--remove-audio", "FORMAT", "remove every descriptor of an audio format"}, removeAudio},
    {{"--speakers", "LIST", "the speaker allocation, as FL/FR,LFE1,FC,BL/BR"}, speakers},
    {{"--max-tmds", "MHZ", "cap every max TMDS field (340 or less: HDMI Forum rate 0)"}, maxTmds},
    {{"--latency", "VIDEO:AUDIO", "the HDMI block's latencies in ms, or none"}, latency},
    {{"--remove-block", "KIND", "remove every block of a kind, or vendor:OUI"}, removeBlock},
    {{"--set", "BLOCK.FIELD=VALUE", "set a field of a data block (added when missing)"},
     setField},
};

const Option* findOption(std::string_view word) {
    for (const Option& o : kOptions) {
        if (o.text.name == word) {
            return &o;
        }
    }
    return nullptr;
}

std::optional<edid::EdidImage> readInput(const std::string& path, const EdidEditFiles& files,
                                         std::string& error) {
    return files.load(path == "-" ? "/dev/stdin" : path, error);
}

}  // namespace

std::span<const EdidEditOption> edidEditOptions() {
    static const auto table = [] {
        std::vector<EdidEditOption> options;
        for (const Option& o : kOptions) {
            options.push_back(o.text);
        }
        return options;
    }();
    return table;
}

std::string edidEditHelp() {
    std::string text =
        "Edits an EDID file by structure and writes the result to OUT: raw bytes, or\n"
        "the hexadecimal text when OUT ends in .txt. IN is a raw or text EDID file,\n"
        "or - for standard input. The edits apply in the order given; checksums are\n"
        "computed. With no edit, OUT holds IN's bytes unchanged. An edit that does\n"
        "not apply or fit is refused and nothing is written (exit status 2).\n"
        "\nEdits:\n";
    for (const Option& o : kOptions) {
        std::string head = "  " + std::string(o.text.name) + " " + std::string(o.text.argument);
        text += head + "\n      " + std::string(o.text.help) + "\n";
    }
    text += "\nBlock kinds (--remove-block, --set):\n ";
    for (const auto& k : edid::blockKindNames()) {
        text += " " + std::string(k.name);
    }
    text += " vendor:OUI\n\nFields (--set BLOCK.FIELD=VALUE):\n";
    for (const auto& f : edid::blockFields()) {
        text += "  " + std::string(f.blockName) + "." + f.name + "  " + f.help + "\n";
    }
    text += "\nAudio formats: " + audioFormatList() +
            "\n\nExamples:\n"
            "  vortilan2 edid edit tv.bin -o out.bin --remove-block dolby-vision "
            "--remove-vic 97 --max-tmds 300\n"
            "  vortilan2 edid edit tv.bin -o out.txt --name \"Living room\" --add-dtd "
            "2560x1440@60:cvt-rb\n"
            "  vortilan2 edid edit tv.bin -o out.bin --add-audio lpcm:8:48,96,192:16,24 "
            "--remove-audio dts\n"
            "  vortilan2 edid edit tv.bin -o out.bin --add-audio eac3:8:48:joc --speakers "
            "FL/FR,LFE1,FC\n"
            "  vortilan2 edid edit tv.bin -o out.bin --set hdmi-forum.allm=1 --native-vic 16\n"
            "  cat tv.txt | vortilan2 edid edit - -o out.bin --remove-block vendor:00-D0-46\n";
    return text;
}

int edidEdit(Environment& env, const std::vector<std::string>& words, const EdidEditFiles& files) {
    std::optional<std::string> in, out;
    std::vector<std::pair<const Option*, std::string>> edits;
    const auto usageError = [&](const std::string& problem) {
        return usage(env, "edid edit", problem);
    };
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (w == "-o" || w == "--output") {
            if (i + 1 >= words.size()) {
                return usageError(w + " needs a value");
            }
            out = words[++i];
        } else if (const Option* option = findOption(w)) {
            if (i + 1 >= words.size()) {
                return usageError(w + " needs " + std::string(option->text.argument));
            }
            edits.emplace_back(option, words[++i]);
        } else if (w.size() > 1 && w[0] == '-') {
            return usageError("unknown option " + w);
        } else if (!in) {
            in = w;
        } else {
            return usageError("too many arguments");
        }
    }
    if (!in || !out) {
        return usageError(!in ? "missing IN" : "missing -o OUT");
    }
    std::string error;
    const auto image = readInput(*in, files, error);
    if (!image) {
        env.err << "Can't edit " << *in << ": " << error << '\n';
        return kUsage;
    }
    edid::EdidImage result = *image;
    if (!edits.empty()) {
        auto parsed = edid::parseModel(*image);
        if (!parsed.model) {
            env.err << "Can't edit " << *in << ": " << parsed.error << '\n';
            return kUsage;
        }
        for (const auto& [option, argument] : edits) {
            const EditResult r = option->apply(*parsed.model, argument);
            if (!r.ok()) {
                env.err << "Can't edit " << *in << ": " << option->text.name << ' ' << argument
                        << ": " << r.error << '\n';
                return kUsage;
            }
            if (!r.note.empty()) {
                env.err << "vortilan2 edid edit: " << option->text.name << ' ' << argument
                        << ": " << r.note << ", nothing changed\n";
            }
        }
        const auto bytes = edid::encodeModel(*parsed.model);
        result.fill(0);
        std::copy(bytes.begin(), bytes.end(), result.begin());
    }
    const bool text = out->size() > 4 && out->substr(out->size() - 4) == ".txt";
    const std::string content = text ? edid::hexText(result)
                                     : std::string(result.begin(), result.end());
    if (!files.write(*out, content, error)) {
        env.err << "Can't write " << *out << ": " << error << '\n';
        return kUsage;
    }
    return kOk;
}

}  // namespace cli
