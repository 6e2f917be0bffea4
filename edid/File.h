// EDID files: 256 raw bytes, or on load also a hexadecimal text such as the
// reads write (16 lines of 16 values). Saving goes through the careful save
// of fileio/, loading through its bounded read.
#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "edid/Image.h"
#include "edid/TextFormats.h"
#include "fileio/Files.h"

namespace edid {

// Our own text is taken from no more than the first 1024 bytes of a file.
inline constexpr std::size_t kMaxFileRead = 1024;
// A load reads no more than this: room for another tool's whole output. A
// longer file (or a device, or a pipe that goes on) is refused.
inline constexpr std::size_t kMaxLoadBytes = 1024 * 1024;
// The file name a save proposes.
inline constexpr char kDefaultFileName[] = "VORTILAN2_edid0.bin";

enum class EdidFileKind {
    Raw,    // the first byte is 0x00, as in every EDID's header
    Text,   // our own text, shown as it is
    Field,  // another tool's text: edid-decode's output, xrandr's, one hex string
};

struct EdidFileContent {
    EdidFileKind kind = EdidFileKind::Raw;
    EdidImage image{};  // Raw: the first 256 bytes, those missing in a shorter file 0x00
    std::string text;   // Text: the converted text, at most kMaxTextChars characters
    // Every kind: the whole EDID the file holds, or what is wrong with it.
    // Field is only given when it reads, or when its format is plain from a
    // heading line; a hex string that does not read loads as Text.
    EdidInput input;
};

// The line ends of a text file as the editor takes them: while a line keeps
// 48 characters per line, its 48th character, a blank, and the CR LF or LF
// after it become one line feed. From the first line that does not, the rest
// is copied unchanged. The text ends at its first NUL and after at most
// kMaxTextChars characters.
std::string convertTextLineEnds(std::span<const std::uint8_t> source);

// What a file holding these bytes loads as; our own text is taken from the
// first kMaxFileRead bytes. An empty file is a raw file of 256 zero bytes.
EdidFileContent edidFileContent(std::span<const std::uint8_t> bytes);

// What the editor shows of a loaded raw file or another tool's text: an EDID
// whose base block announces more than one extension, all there, whole;
// otherwise 256 bytes (the first 256 of a raw file; a 128-byte EDID with
// zeros after it). Nothing for our own text, which is shown as it is.
std::vector<std::uint8_t> editorBytes(const EdidFileContent& content);

struct LoadResult {
    bool ok = false;
    EdidFileContent content;
    QString error;  // the file's error text when ok is false
};
LoadResult loadEdidFile(const fileio::Path& path);
LoadResult loadEdidFile(const QString& path);

struct SaveResult {
    bool ok = false;
    QString error;  // the file's error text when ok is false
};
// Writes the 256 bytes raw. A failed save leaves an existing file as it was.
SaveResult saveEdidFile(const fileio::Path& path, const EdidImage& image);
SaveResult saveEdidFile(const QString& path, const EdidImage& image);

}  // namespace edid
