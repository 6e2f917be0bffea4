#include "config/ConfigText.h"

#include <algorithm>

#include "status/PageBytes.h"
#include "status/Printf.h"

namespace config {

namespace {

constexpr char kSeparatorText[] =
    "################################################################";
static_assert(sizeof kSeparatorText == 65);

void line(std::string& out, std::string_view text) {
    out += text;
    out += '\n';
}

boxstatus::Bytes pageOf(const boxstatus::PageSet& pages, std::size_t n) {
    return n < pages.size() ? pages[n] : boxstatus::Bytes{};
}

// Labels of the signal information in the order the status section lists them.
constexpr std::string_view kStatusLabels[] = {
    "lblRx0Info", "lblRx1Info", "lblAudInfo", "lblAudInfo1", "lblTx0Info",
    "lblTx1Info", "lblTx0Sink", "lblTx1Sink", "lblSpdIf",
};

struct Capture {
    std::string_view prefix;
    std::uint8_t page;
    std::uint8_t type;
    std::uint8_t version;
};

constexpr Capture kCaptures[] = {
    {"AVI: ", 18, 0x82, 2}, {"AUDIO: ", 19, 0x84, 1}, {"HVS: ", 21, 0x81, 1},
    {"VSI: ", 22, 0x81, 1}, {"HFV: ", 23, 0x81, 1},   {"SPD: ", 17, 0x83, 1},
    {"HDR: ", 20, 0x87, 1},
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// The next word of a piece from pos, at most kWordLength characters.
std::optional<std::string> nextWord(std::string_view piece, std::size_t& pos) {
    while (pos < piece.size() && isBlank(piece[pos])) {
        ++pos;
    }
    const std::size_t start = pos;
    while (pos < piece.size() && !isBlank(piece[pos]) && pos - start < kWordLength) {
        ++pos;
    }
    if (pos == start) {
        return std::nullopt;
    }
    return std::string(piece.substr(start, pos - start));
}

bool isControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && !isBlank(c)) || u == 0x7F;
}

}  // namespace

const std::string_view kSeparator(kSeparatorText, 64);

std::string headerLines(const LocalTime& t) {
    std::string out;
    line(out, kSeparator);
    line(out, kTitle);
    line(out, boxstatus::printfText("# [%d.%d.%d %02d:%02d:%02d]", t.day, t.month, t.year, t.hour,
                                    t.minute, t.second));
    line(out, kSeparator);
    line(out, "# STATUS INFO START - DO NOT MODIFY VALUES");
    line(out, kSeparator);
    return out;
}

std::string interruptionText(std::string_view guiVersion) {
    std::string out = "\nVORTILAN2 not connected, export interrupted - ";
    out += guiVersion;
    out += "\n\n";
    line(out, kSeparator);
    return out;
}

std::string statusSection(const StatusInput& in) {
    std::string out;
    line(out, boxstatus::printfText("%s, %.*s, PCB %d",
                                    boxstatus::textAt(pageOf(in.pages, 0), 2).c_str(),
                                    static_cast<int>(in.guiVersion.size()), in.guiVersion.data(),
                                    in.pcbRevision + 1));
    // The same texts as the window's signal labels; an input index outside
    // 0..3 leaves the input labels out.
    const boxstatus::TextUpdates texts = boxstatus::signalInfo(in.pages, in.inputIndex);
    for (const std::string_view label : kStatusLabels) {
        for (const boxstatus::TextUpdate& t : texts) {
            if (t.widget == label && t.action == boxstatus::TextAction::Set) {
                line(out, t.text);
            }
        }
    }
    for (const Capture& c : kCaptures) {
        const boxstatus::Bytes page = pageOf(in.pages, c.page);
        if (boxstatus::byteAt(page, 2) == c.type && boxstatus::byteAt(page, 3) == c.version) {
            std::string text(c.prefix);
            text += boxstatus::infoframeDump(page);
            line(out, text);
        }
    }
    for (std::size_t i = 0; i < kEdidHeadings.size(); ++i) {
        line(out, "");
        line(out, kEdidHeadings[i]);
        out += in.edidTexts[i];
    }
    line(out, "");
    line(out, "#STATUS END");
    line(out, "#");
    return out;
}

ReadFile readConfigText(std::string_view file, bool (*isKnownKey)(std::string_view key)) {
    ReadFile result;
    if (file.empty()) {
        result.refusal = "the file is empty";
        return result;
    }
    // Text holds no NUL byte. Other control bytes matter only in the lines
    // the import reads: the status section copies texts from the box as
    // they come.
    if (file.find('\0') != std::string_view::npos) {
        result.refusal = "the file is not text";
        return result;
    }
    bool known = false;
    std::size_t lineNumber = 1;
    std::size_t pos = 0;
    while (pos < file.size()) {
        // One piece: up to the line end, at most kLinePiece characters, the
        // line feed included as it counts in the piece.
        std::size_t end = pos;
        std::string piece;
        while (end < file.size() && piece.size() < kLinePiece) {
            const char c = file[end++];
            if (c == '\r' && end < file.size() && file[end] == '\n') {
                continue;  // CR LF reads as LF
            }
            piece += c;
            if (c == '\n') {
                break;
            }
        }
        pos = end;
        std::size_t at = 0;
        auto key = nextWord(piece, at);
        auto value = key ? nextWord(piece, at) : std::nullopt;
        if (key && value) {
            if (isKnownKey(*key)) {
                known = true;
                if (std::any_of(piece.begin(), piece.end(), isControl)) {
                    result.lines.clear();
                    result.refusal = "line " + std::to_string(lineNumber) + " (" + *key +
                                     ") holds a control character";
                    return result;
                }
            }
            result.lines.push_back(KeyValue{std::move(*key), std::move(*value)});
        } else {
            result.lines.push_back(std::nullopt);
        }
        if (!piece.empty() && piece.back() == '\n') {
            ++lineNumber;
        }
    }
    if (!known) {
        result.lines.clear();
        result.refusal = "it holds no setting of the box";
    }
    return result;
}

}  // namespace config
