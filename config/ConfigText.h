// The configuration file as text: its fixed lines, the status section written
// from the register pages and EDIDs read at export time, and the reading of a
// file back into key-value lines.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "status/SignalInfo.h"

namespace config {

// 64 '#' characters.
extern const std::string_view kSeparator;
inline constexpr std::string_view kTitle = "# ZANTOR VORTILAN2 CONFIGURATION FILE";

struct LocalTime {
    int day = 1;
    int month = 1;  // 1..12
    int year = 1970;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The title, the timestamp and the status heading (each line ended by "\n").
std::string headerLines(const LocalTime& time);

// What replaces the status section and everything after it when the box did
// not answer at export time.
std::string interruptionText(std::string_view guiVersion);

// The register pages that the export reads, in order, with their lengths.
// Only the last read (page 19) decides whether the status section is written.
using boxstatus::PageRead;
inline constexpr std::array<PageRead, 16> kExportPageReads = {{
    {0, 27},
    {1, 60},
    {2, 60},
    {5, 60},
    {6, 60},
    {7, 60},
    {8, 60},
    {3, 33},
    {4, 33},
    {17, 33},
    {20, 33},
    {21, 33},
    {22, 33},
    {23, 33},
    {18, 19},
    {19, 33},
}};

// The four EDIDs of the status section, in the order they are read and written.
inline constexpr std::array<std::string_view, 4> kEdidHeadings = {"#RX0 EDID", "#RX1 EDID",
                                                                  "#TX0 EDID", "#TX1 EDID"};

struct StatusInput {
    const boxstatus::PageSet& pages;  // the pages of kExportPageReads
    std::string_view guiVersion;
    std::uint8_t pcbRevision = 0;  // as the box reports it (0-based)
    int inputIndex = -1;           // the input routing's combo index
    // The hexadecimal text of each EDID as read (16 lines of 48 characters, or
    // the lines read before a failure).
    std::array<std::string, 4> edidTexts;
};

// The status section, from the firmware line to the closing "#".
std::string statusSection(const StatusInput& input);

// The key-value lines that a configuration file holds, as the import reads
// them: the file is read in pieces of at most 255 characters (a longer line
// goes on as a piece of its own; CR LF reads as LF), and the key and value
// are the first two blank-separated words of a piece, each of at most 127
// characters (a longer word goes on as the next word). Pieces with fewer than
// two words are left out.
struct KeyValue {
    std::string key;
    std::string value;
};
inline constexpr std::size_t kLinePiece = 255;
inline constexpr std::size_t kWordLength = 127;

struct ReadFile {
    // One entry per piece of the file; empty for a piece without two words.
    std::vector<std::optional<KeyValue>> lines;
    // Empty when the text may be a configuration file; otherwise why not.
    std::string refusal;
    bool unreadable = false;  // the file could not be opened
};

// isKnownKey tells whether the import applies a key; a text without any such
// key, one with a NUL byte (binary data), one with a control character in a
// line the import applies, or an empty file is refused. Control characters
// elsewhere (the status section's texts from the box) are left alone.
ReadFile readConfigText(std::string_view file, bool (*isKnownKey)(std::string_view key));

}  // namespace config
