#include "Control.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "Box.h"
#include "States.h"
#include "Strf.h"
#include "Trace.h"
#include "emulator/EmbeddedFiles.h"
#include "emulator/flash/FlashProtocol.h"
#include "protocol/Protocol.h"

namespace emu {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::vector<std::string> words(std::string_view line) {
    std::vector<std::string> out;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        if (i > start) {
            out.emplace_back(line.substr(start, i - start));
        }
    }
    return out;
}

// The rest of the line after the first n words, leading blanks removed.
std::string restAfter(std::string_view line, std::size_t n) {
    std::size_t i = 0;
    for (std::size_t w = 0; w < n; ++w) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
        }
    }
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) {
        ++i;
    }
    return std::string(line.substr(i));
}

// A number in decimal, or hexadecimal with 0x; optionally negative.
std::optional<long> number(std::string_view text, int base = 10) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
        base = 16;
    }
    if (text.empty() || text.size() > 12) {
        return std::nullopt;
    }
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<long> numberIn(std::string_view text, long low, long high, int base = 10) {
    const auto v = number(text, base);
    if (!v || *v < low || *v > high) {
        return std::nullopt;
    }
    return v;
}

// Hexadecimal bytes, as separate words or joined by colons.
std::optional<std::vector<std::uint8_t>> hexList(const std::vector<std::string>& w,
                                                 std::size_t from) {
    std::vector<std::uint8_t> out;
    for (std::size_t i = from; i < w.size(); ++i) {
        std::string_view rest = w[i];
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const std::string_view item = rest.substr(0, colon);
            const auto v = numberIn(item, 0, 255, 16);
            if (!v) {
                return std::nullopt;
            }
            out.push_back(static_cast<std::uint8_t>(*v));
            if (colon == std::string_view::npos) {
                break;
            }
            rest.remove_prefix(colon + 1);
        }
    }
    return out;
}

std::string dumpBytes(const std::uint8_t* data, std::size_t size, const char* label) {
    std::string out;
    for (std::size_t i = 0; i < size; i += 16) {
        out += strf(label, i);
        out += hexBytes(data + i, std::min<std::size_t>(16, size - i));
        out += "\n";
    }
    return out;
}

std::string dumpEdid(const Edid& e) {
    std::string out = dumpBytes(e.data(), e.size(), "%02zX: ");
    out += "name \"" + monitorName(e) + "\", checksums " +
           (checksumsValid(e) ? "correct" : "WRONG") + "\n";
    return out;
}

std::optional<Edid> readEdidFile(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = "cannot open " + path;
        return std::nullopt;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() != 256) {
        *error = strf("%s holds %zu bytes, an EDID file holds 256", path.c_str(), bytes.size());
        return std::nullopt;
    }
    Edid e{};
    std::transform(bytes.begin(), bytes.end(), e.begin(),
                   [](char c) { return static_cast<std::uint8_t>(c); });
    return e;
}

// An EDID by embedded name or from a file.
std::optional<Edid> edidFrom(const std::string& source, std::string* error) {
    if (auto e = embeddedEdid(source)) {
        return e;
    }
    if (source.find('/') == std::string::npos && source.find('.') == std::string::npos) {
        *error = "no embedded EDID named " + source + " (see \"show sinks\")";
        return std::nullopt;
    }
    return readEdidFile(source, error);
}

const char* const kPresetNames[] = {
    "4k30_444_8",          nullptr,         "1080p30_444_8_10_12",
    "4k30_422_12",         "4k60_420_8",    "4k60_420_10_12",
    "1080p60_444_8_10_12", "1080p60_444_8", "autosense",
};

std::optional<std::uint8_t> presetCode(std::string_view text) {
    std::string name = lower(text);
    if (name.rfind("preset_", 0) == 0) {
        name = name.substr(7);
    }
    for (std::size_t i = 0; i < std::size(kPresetNames); ++i) {
        if (kPresetNames[i] != nullptr && name == kPresetNames[i]) {
            return static_cast<std::uint8_t>(i);
        }
    }
    if (const auto v = numberIn(text, 0, 255)) {
        return static_cast<std::uint8_t>(*v);
    }
    return std::nullopt;
}

std::optional<std::size_t> choice(std::string_view word, std::initializer_list<const char*> names) {
    const std::string w = lower(word);
    std::size_t i = 0;
    for (const char* n : names) {
        if (w == n) {
            return i;
        }
        ++i;
    }
    return std::nullopt;
}

std::string error(const std::string& text) {
    return "error " + text;
}

std::string showPackets(const Box& box) {
    using namespace boxlink;
    static const std::pair<std::uint8_t, const char*> kKinds[] = {
        {CMD_HDR_INFOFRAME, "HDR infoframe"},
        {CMD_AVI_INFOFRAME, "AVI infoframe"},
        {CMD_VSI_INFOFRAME, "VSI"},
        {CMD_DV_BLOCK, "Dolby Vision block"},
        {CMD_CEC_MESSAGE, "CEC message"},
        {CMD_RS232, "RS-232 command"},
        {CMD_OSD_PARAMS, "OSD parameters"},
        {CMD_OSD_TEXT, "OSD text"},
        {CMD_MACRO, "macros"},
        {CMD_SCALE_PARAMS, "scaler parameters"},
        {CMD_EP_STATE, "EP state block"},
    };
    std::string out;
    for (const auto& [command, name] : kKinds) {
        const StoredPacket* p = box.lastPacket(command);
        out += strf("%02X %-18s ", command, name);
        out += p != nullptr ? hexBytes(p->payload) : "-";
        out += "\n";
    }
    out += strf("CEC messages kept: %zu, RS-232 commands kept: %zu\n", box.cecMessages().size(),
                box.rs232Commands().size());
    return out;
}

std::string setBytes(ControlTarget& t, const std::vector<std::string>& w) {
    if (w.size() < 4 || lower(w[1]) != "s") {
        return error("usage: set S N VALUE [VALUE ...]");
    }
    const auto n = numberIn(w[2], 0, kEpStateBytes - 1);
    if (!n) {
        return error("the EP state byte number must be 0..79");
    }
    std::vector<std::uint8_t> values;
    for (std::size_t i = 3; i < w.size(); ++i) {
        const auto v = numberIn(w[i], -128, 255);
        if (!v) {
            return error("values must be -128..255: " + w[i]);
        }
        values.push_back(static_cast<std::uint8_t>(*v & 0xFF));
    }
    if (static_cast<std::size_t>(*n) + values.size() > kEpStateBytes) {
        return error("the values run past S[79]");
    }
    return t.withBoxLocked([&](Box& box) {
        std::copy(values.begin(), values.end(), box.ep().begin() + *n);
        return std::string("ok");
    });
}

std::string setPage(ControlTarget& t, const std::vector<std::string>& w, std::string_view line) {
    const std::string& verb = w[0];
    if (w.size() < 3) {
        return error("usage: " + verb + " PAGE OFFSET ...");
    }
    const auto p = number(w[1]);
    if (!p || !Box::hasPage(static_cast<int>(*p))) {
        return error("no page " + w[1] + " (pages are 0..23 and 65)");
    }
    const auto offset = numberIn(w[2], 0, kPageBytes - 1);
    if (verb == "infoframe") {
        // infoframe PAGE TYPE VERSION PAYLOAD...: length and checksum are filled in.
        if (w.size() < 4) {
            return error("usage: infoframe PAGE TYPE VERSION [PAYLOAD-HEX ...]");
        }
        const auto bytes = hexList(w, 2);
        if (!bytes || bytes->size() < 2 || bytes->size() - 2 > kPageBytes - 6) {
            return error(
                "usage: infoframe PAGE TYPE VERSION [PAYLOAD-HEX ...] (hexadecimal, at most 58 "
                "payload bytes)");
        }
        return t.withBoxLocked([&](Box& box) {
            const std::vector<std::uint8_t> payload(bytes->begin() + 2, bytes->end());
            putInfoframe(*box.page(static_cast<int>(*p)), (*bytes)[0], (*bytes)[1], payload);
            return std::string("ok");
        });
    }
    if (!offset) {
        return error("the offset must be 0..63");
    }
    if (verb == "text") {
        const std::string text = restAfter(line, 3);
        return t.withBoxLocked([&](Box& box) {
            putText(*box.page(static_cast<int>(*p)), static_cast<std::size_t>(*offset), text);
            return std::string("ok");
        });
    }
    const auto bytes = hexList(w, 3);
    if (!bytes || bytes->empty()) {
        return error("usage: page PAGE OFFSET HEX [HEX ...]");
    }
    if (static_cast<std::size_t>(*offset) + bytes->size() > kPageBytes) {
        return error("the bytes run past the page's 64 bytes");
    }
    return t.withBoxLocked([&](Box& box) {
        std::copy(bytes->begin(), bytes->end(), box.page(static_cast<int>(*p))->begin() + *offset);
        return std::string("ok");
    });
}

std::string show(ControlTarget& t, const std::vector<std::string>& w) {
    const std::string what = w.size() > 1 ? lower(w[1]) : "";
    if (what == "s" || what == "state" || what == "ep") {
        return t.withBoxLocked([](Box& box) {
            return dumpBytes(box.ep().data(), box.ep().size(), "S[%2zu] ") + "ok";
        });
    }
    if (what == "page") {
        const auto p = w.size() > 2 ? number(w[2]) : std::nullopt;
        if (!p || !Box::hasPage(static_cast<int>(*p))) {
            return error("usage: show page PAGE (0..23 or 65)");
        }
        return t.withBoxLocked([&](Box& box) {
            const Page& page = *box.page(static_cast<int>(*p));
            return dumpBytes(page.data(), page.size(), "%02zu: ") + "ok";
        });
    }
    if (what == "table") {
        const auto n = w.size() > 2 ? numberIn(w[2], 1, kEdidTableCount) : std::nullopt;
        if (!n) {
            return error("usage: show table 1..100");
        }
        return t.withBoxLocked([&](Box& box) {
            return std::string(edidTableName(static_cast<int>(*n))) + "\n" +
                   dumpEdid(*box.table(static_cast<int>(*n))) + "ok";
        });
    }
    if (what == "edid") {
        const std::string which = w.size() > 2 ? lower(w[2]) : "buffer";
        return t.withBoxLocked([&](Box& box) -> std::string {
            if (which == "buffer") {
                return dumpEdid(box.edidBuffer()) + "ok";
            }
            if (which == "tx0" || which == "tx1") {
                const auto& s = box.sink(which == "tx0" ? 0 : 1);
                return s ? dumpEdid(*s) + "ok" : "no TV on " + which + "\nok";
            }
            if (which == "rx0" || which == "rx1") {
                const int port = which == "rx0" ? 0 : 1;
                return box.presentedSource(port) + "\n" + dumpEdid(box.presentedEdid(port)) + "ok";
            }
            if (which == "current") {
                return dumpEdid(box.currentEdid()) + "ok";
            }
            return error("usage: show edid buffer|current|tx0|tx1|rx0|rx1");
        });
    }
    if (what == "packets") {
        return t.withBoxLocked([](Box& box) { return showPackets(box) + "ok"; });
    }
    if (what == "states") {
        std::string out;
        for (const NamedState& s : namedStates()) {
            out += strf("%-9s %s\n", s.name, s.summary);
        }
        return out + "ok";
    }
    if (what == "sinks") {
        std::string out;
        for (const EmbeddedFile& f : embeddedFiles()) {
            const auto e = embeddedEdid(f.name);
            out += strf("%-24s %s\n", f.name, e ? monitorName(*e).c_str() : "?");
        }
        return out + "ok";
    }
    if (what == "faults") {
        std::string out;
        for (const Fault& f : t.faultsLocked()) {
            out += describeFault(f) + "\n";
        }
        return out + "ok";
    }
    if (what == "status") {
        return t.statusText() + "\nok";
    }
    if (what == "trace") {
        const auto n = w.size() > 2 ? numberIn(w[2], 1, 100000) : std::optional<long>(20);
        if (!n) {
            return error("usage: show trace [LINES]");
        }
        const auto entries = t.traceLog().entries();
        std::string out;
        const std::size_t first = entries.size() > static_cast<std::size_t>(*n)
                                      ? entries.size() - static_cast<std::size_t>(*n)
                                      : 0;
        for (std::size_t i = first; i < entries.size(); ++i) {
            out += formatTraceEntry(entries[i]) + "\n";
        }
        return out + "ok";
    }
    return error(
        "usage: show S|page P|table T|edid WHICH|packets|states|sinks|faults|status|trace [N]");
}

std::string fault(ControlTarget& t, const std::vector<std::string>& w) {
    if (w.size() < 2) {
        return error("usage: fault KIND [COUNT] [MS], or fault clear");
    }
    if (lower(w[1]) == "clear") {
        t.clearFaultsLocked();
        return "ok";
    }
    const auto kind = faultKindFromName(lower(w[1]));
    if (!kind) {
        return error("unknown fault " + w[1] +
                     " (noanswer, echo, short, split, delay, long, unplug, clear)");
    }
    Fault f;
    f.kind = *kind;
    if (w.size() > 2) {
        const auto count = numberIn(w[2], 1, 1000000);
        if (!count) {
            return error("the count must be 1 or more");
        }
        f.count = static_cast<int>(*count);
    }
    if (w.size() > 3) {
        const auto ms = numberIn(w[3], 0, 600000);
        if (!ms) {
            return error("the delay must be 0..600000 ms");
        }
        f.ms = static_cast<int>(*ms);
    }
    if (f.kind == Fault::kDelay && w.size() <= 3) {
        return error("usage: fault delay COUNT MS");
    }
    t.addFaultLocked(f);
    return "ok " + describeFault(f);
}

std::string sink(ControlTarget& t, const std::vector<std::string>& w) {
    const auto tx = w.size() == 3 ? choice(w[1], {"tx0", "tx1"}) : std::nullopt;
    if (!tx) {
        return error("usage: sink tx0|tx1 NAME|FILE|none");
    }
    std::optional<Edid> edid;
    if (lower(w[2]) != "none") {
        std::string why;
        edid = edidFrom(w[2], &why);
        if (!edid) {
            return error(why);
        }
    }
    return t.withBoxLocked([&](Box& box) {
        box.sink(static_cast<int>(*tx)) = edid;
        putText(*box.page(7 + static_cast<int>(*tx)), 10, edid ? monitorName(*edid) : "");
        return std::string("ok");
    });
}

std::string loadTable(ControlTarget& t, const std::vector<std::string>& w) {
    const auto n = w.size() == 3 ? numberIn(w[1], 1, kEdidTableCount) : std::nullopt;
    if (!n) {
        return error("usage: table 1..100 NAME|FILE|default");
    }
    std::optional<Edid> edid;
    if (lower(w[2]) == "default") {
        edid = defaultTableEdid(static_cast<int>(*n));
    } else {
        std::string why;
        edid = edidFrom(w[2], &why);
        if (!edid) {
            return error(why);
        }
    }
    return t.withBoxLocked([&](Box& box) {
        *box.table(static_cast<int>(*n)) = *edid;
        return std::string("ok");
    });
}

std::string setByte(ControlTarget& t, std::size_t index, std::uint8_t value) {
    return t.withBoxLocked([&](Box& box) {
        box.ep()[index] = value;
        return std::string("ok");
    });
}

}  // namespace

std::optional<Fault::Kind> faultKindFromName(std::string_view name) {
    static const std::pair<const char*, Fault::Kind> kNames[] = {
        {"noanswer", Fault::kNoAnswer}, {"silent", Fault::kNoAnswer}, {"echo", Fault::kWrongEcho},
        {"short", Fault::kShort},       {"split", Fault::kSplit},     {"delay", Fault::kDelay},
        {"long", Fault::kLong},         {"unplug", Fault::kUnplug},
    };
    for (const auto& [n, k] : kNames) {
        if (name == n) {
            return k;
        }
    }
    return std::nullopt;
}

const char* faultKindName(Fault::Kind kind) {
    switch (kind) {
        case Fault::kNoAnswer:
            return "noanswer";
        case Fault::kWrongEcho:
            return "echo";
        case Fault::kShort:
            return "short";
        case Fault::kSplit:
            return "split";
        case Fault::kDelay:
            return "delay";
        case Fault::kLong:
            return "long";
        case Fault::kUnplug:
            break;
    }
    return "unplug";
}

std::string describeFault(const Fault& f) {
    std::string out = strf("%s for %d %s", faultKindName(f.kind), f.count,
                           f.kind == Fault::kUnplug ? (f.count == 1 ? "request" : "requests")
                                                    : (f.count == 1 ? "answer" : "answers"));
    if (f.kind == Fault::kSplit || f.kind == Fault::kDelay) {
        out += strf(", %d ms", f.ms);
    }
    return out;
}

namespace {

using Words = std::vector<std::string>;

std::string setInput(ControlTarget& t, const Words& w, std::string_view) {
    const auto i = w.size() == 2 ? choice(w[1], {"bot", "top", "thru", "swap"}) : std::nullopt;
    const auto n = w.size() == 2 ? numberIn(w[1], 1, 4) : std::nullopt;
    if (!i && !n) {
        return error("usage: input bot|top|thru|swap (or 1..4)");
    }
    return setByte(t, boxlink::kEpInput,
                   static_cast<std::uint8_t>(i ? *i + 1 : static_cast<std::size_t>(*n)));
}

std::string edidSwitch(ControlTarget& t, const Words& w, std::string_view) {
    const auto i = w.size() == 2 ? choice(w[1], {"automix", "fixed", "custom"}) : std::nullopt;
    if (!i) {
        return error("usage: edidswitch automix|fixed|custom");
    }
    return setByte(t, kEdidSwitchByte, static_cast<std::uint8_t>(*i + 1));
}

std::string hdcpSwitch(ControlTarget& t, const Words& w, std::string_view) {
    const auto i = w.size() == 2 ? choice(w[1], {"soft", "1.4", "2.2"}) : std::nullopt;
    if (!i) {
        return error("usage: hdcpswitch soft|1.4|2.2");
    }
    return t.withBoxLocked([&](Box& box) {
        box.ep()[kHdcpSwitchByte] = static_cast<std::uint8_t>(*i + 1);
        if (*i > 0) {
            // 2: HDCP 1.4, 3: HDCP 2.2
            box.ep()[boxlink::kEpHdcpLevel] = static_cast<std::uint8_t>(*i + 1);
        }
        return std::string("ok");
    });
}

std::string scaleSwitch(ControlTarget& t, const Words& w, std::string_view) {
    const auto i = w.size() == 2 ? choice(w[1], {"none", "auto", "custom"}) : std::nullopt;
    if (!i) {
        return error("usage: scaleswitch none|auto|custom");
    }
    return setByte(t, kScaleSwitchByte, static_cast<std::uint8_t>(*i));
}

std::string setPreset(ControlTarget& t, const Words& w, std::string_view) {
    const auto which = w.size() == 3 ? choice(w[1], {"4k30", "4k60", "4k60hdr"}) : std::nullopt;
    const auto code = w.size() == 3 ? presetCode(w[2]) : std::nullopt;
    if (!which || !code) {
        return error("usage: preset 4k30|4k60|4k60hdr CODE|NAME (e.g. autosense, 4k60_420_8)");
    }
    return setByte(t, boxlink::kEpPreset4k30 + *which, *code);
}

std::string setAudioLevel(ControlTarget& t, const Words& w, std::string_view) {
    const std::string& verb = w[0];
    const auto v = w.size() == 2 ? numberIn(w[1], -128, 127) : std::nullopt;
    if (!v) {
        return error("usage: " + verb + " DB (-128..127)");
    }
    const std::size_t level = verb == "volume" ? 0 : verb == "bass" ? 1 : 2;
    return setByte(t, boxlink::kEpAudioVolume + level, static_cast<std::uint8_t>(*v & 0xFF));
}

std::string loadState(ControlTarget& t, const Words& w, std::string_view) {
    const std::string& verb = w[0];
    const auto s = w.size() == 2 ? findState(lower(w[1])) : std::nullopt;
    if (!s) {
        std::string names;
        for (const NamedState& n : namedStates()) {
            names += std::string(names.empty() ? "" : ", ") + n.name;
        }
        return error("usage: " + verb + " NAME (" + names + ")");
    }
    return t.withBoxLocked([&](Box& box) {
        if (verb == "state") {
            box.load(*s);
        } else {
            box.loadSignal(*s);
        }
        return std::string("ok");
    });
}

std::string setBusy(ControlTarget& t, const Words& w, std::string_view) {
    const auto n = w.size() == 2 ? numberIn(w[1], 0, 100000) : std::nullopt;
    if (!n) {
        return error("usage: busy N (0..100000)");
    }
    return t.withBoxLocked([&](Box& box) {
        box.setBusyReads(static_cast<int>(*n));
        return std::string("ok");
    });
}

std::string setPcb(ControlTarget& t, const Words& w, std::string_view) {
    const auto n = w.size() == 2 ? numberIn(w[1], 0, 255) : std::nullopt;
    if (!n) {
        return error("usage: pcb N (0..255)");
    }
    return t.withBoxLocked([&](Box& box) {
        box.setPcbRevision(static_cast<std::uint8_t>(*n));
        return std::string("ok");
    });
}

std::string unplug(ControlTarget& t, const Words&, std::string_view) {
    return t.unplugBox() ? "ok" : error("already unplugged");
}

std::string replug(ControlTarget& t, const Words&, std::string_view) {
    std::string why;
    return t.replugBox(&why) ? "ok" : error(why);
}

std::string flash(ControlTarget& t, const Words&, std::string_view line) {
    const std::string args = restAfter(line, 1);
    return t.withBoxLocked([&](Box& box) { return box.flash().control(args); });
}

std::string quit(ControlTarget& t, const Words&, std::string_view) {
    return t.requestQuit() ? "ok" : error("quit is not available here");
}

std::string help(ControlTarget&, const Words&, std::string_view) {
    return controlHelp();
}

// One control command. The help lists the rows with a usage, in this order;
// a row without one is listed with the row above it.
struct ControlCommand {
    const char* verb;
    const char* usage;    // the help's left column; nullptr: not listed on its own
    const char* summary;  // the help's right column; empty for a usage that says it all
    std::string (*run)(ControlTarget&, const Words& w, std::string_view line);
    bool traced = true;  // the trace notes the command line
};

std::string showCommand(ControlTarget& t, const Words& w, std::string_view) {
    return show(t, w);
}
std::string setCommand(ControlTarget& t, const Words& w, std::string_view) {
    return setBytes(t, w);
}
std::string sinkCommand(ControlTarget& t, const Words& w, std::string_view) {
    return sink(t, w);
}
std::string tableCommand(ControlTarget& t, const Words& w, std::string_view) {
    return loadTable(t, w);
}
std::string faultCommand(ControlTarget& t, const Words& w, std::string_view) {
    return fault(t, w);
}

constexpr ControlCommand kCommands[] = {
    {"set", "set S N V [V ...]", "EP state bytes S[N], S[N+1], ... := V ...", setCommand},
    {"page", "page P OFFSET HH [HH ...]",
     "page P bytes from OFFSET (HH may also be joined by colons)", setPage},
    {"text", "text P OFFSET TEXT", "zero-terminated TEXT into page P from OFFSET", setPage},
    {"infoframe", "infoframe P TYPE VER [HH ...]",
     "an infoframe into page P from byte 2, length and checksum filled in", setPage},
    {"input", "input bot|top|thru|swap", "the remote's input keys (S[0] := 1..4)", setInput},
    {"edidswitch", "edidswitch automix|fixed|custom", "the EDID slide switch (S[3] := 1..3)",
     edidSwitch},
    {"hdcpswitch", "hdcpswitch soft|1.4|2.2",
     "the HDCP slide switch (S[6] := 1..3; 1.4 and 2.2 also set S[4])", hdcpSwitch},
    {"scaleswitch", "scaleswitch none|auto|custom", "the scale slide switch (S[44] := 0..2)",
     scaleSwitch},
    {"preset", "preset 4k30|4k60|4k60hdr CODE",
     "a preset (S[26..28]) by code or name, e.g. autosense", setPreset},
    {"volume", "volume|bass|treble DB", "audio levels, signed (S[47..49])", setAudioLevel},
    {"bass", nullptr, "", setAudioLevel},
    {"treble", nullptr, "", setAudioLevel},
    {"state", "state NAME", "load a named state (everything: settings, signal, TVs, tables)",
     loadState},
    {"signal", "signal NAME", "load only the signal and TVs of a named state", loadState},
    {"sink", "sink tx0|tx1 NAME|FILE|none",
     "the TV on an output: an embedded EDID, a 256-byte file, or none", sinkCommand},
    {"table", "table T NAME|FILE|default", "the content of EDID table T (1..100)", tableCommand},
    {"busy", "busy N", "status reads that show the EDID busy bit after a fetch", setBusy},
    {"pcb", "pcb N", "the PCB revision the box reports", setPcb},
    {"fault", "fault KIND [COUNT] [MS]",
     "noanswer, echo, short, split, delay, long, unplug; fault clear", faultCommand},
    {"unplug", "unplug, replug", "drop off the bus and come back", unplug},
    {"replug", nullptr, "", replug},
    {"show",
     "show S|page P|table T|edid buffer|current|tx0|tx1|rx0|rx1|packets|states|sinks|faults|"
     "status|trace [N]",
     "", showCommand, false},
    {"dump", "dump ...", "the same as show", showCommand, false},
    {"flash", "flash ...", "passed to the flash model", flash},
    {"help", "help, quit", "", help, false},
    {"quit", nullptr, "", quit},
    {"exit", nullptr, "", quit},
};

const ControlCommand* findCommand(std::string_view verb) {
    for (const ControlCommand& c : kCommands) {
        if (verb == c.verb) {
            return &c;
        }
    }
    return nullptr;
}

}  // namespace

std::string controlHelp() {
    // The summaries start in one column, two blanks at least after the usage;
    // a usage that reaches into it is set off by three.
    constexpr std::size_t kSummaryColumn = 31;
    std::string out = "Commands (values decimal or 0x-hexadecimal; page bytes hexadecimal):\n";
    for (const ControlCommand& c : kCommands) {
        if (c.usage == nullptr) {
            continue;
        }
        const std::string_view usage = c.usage;
        out += "  ";
        out += usage;
        if (*c.summary != '\0') {
            out.append(usage.size() + 2 <= kSummaryColumn ? kSummaryColumn - usage.size() : 3, ' ');
            out += c.summary;
        }
        out += "\n";
    }
    return out + "ok";
}

std::string runControl(ControlTarget& t, std::string_view line) {
    std::vector<std::string> w = words(line);
    if (w.empty() || w[0][0] == '#') {
        return "ok";
    }
    const std::string given = w[0];
    w[0] = lower(w[0]);
    const ControlCommand* command = findCommand(w[0]);
    if (command == nullptr || command->traced) {
        t.traceLog().note("control: " + std::string(line));
    }
    if (command == nullptr) {
        return error("unknown command " + given + " (try help)");
    }
    return command->run(t, w, line);
}

}  // namespace emu
