// The EDID input formats of files and the command line: any bytes, as a file
// or standard input would bring them. What reads is whole blocks and comes
// back the same through every text format; what does not says what was
// expected, never a bare position. The file load over the same bytes agrees.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "edid/File.h"
#include "edid/TextFormats.h"

namespace {

std::string digits(std::span<const std::uint8_t> bytes, const char* between) {
    std::string text;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        text += (i == 0 ? "" : between);
        text += two;
    }
    return text;
}

// The bytes written in one text format: lines of 16 bytes, CR LF ends.
std::string written(const std::vector<std::uint8_t>& bytes, const std::string& head,
                    const std::string& indent, const char* between, bool blankAfterBlocks,
                    const std::string& tail) {
    std::string text = head;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        text += indent + digits(std::span(bytes).subspan(at, 16), between) + "\r\n";
        if (blankAfterBlocks && (at + 16) % 128 == 0) {
            text += "\n";
        }
    }
    return text + tail;
}

void expectSame(const std::string& text, edid::EdidFormat format,
                const std::vector<std::uint8_t>& bytes) {
    const edid::EdidInput again = edid::readEdidInput(std::string_view(text));
    if (!again.ok() || again.format != format || again.bytes != bytes) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const edid::EdidInput input = edid::readEdidInput(bytes);
    if (input.format != edid::detectEdidFormat(bytes)) {
        std::abort();
    }
    if (!input.ok()) {
        const bool named = input.error.rfind("line ", 0) == 0 || input.error.rfind("expected ", 0) == 0;
        if (!named || !input.bytes.empty() || input.format == edid::EdidFormat::Binary) {
            std::abort();
        }
    } else {
        const std::vector<std::uint8_t>& edid = input.bytes;
        if (edid.empty() || edid.size() % 128 != 0 || edid.size() > edid::kMaxEdidBytes) {
            std::abort();
        }
        using F = edid::EdidFormat;
        expectSame(written(edid, "", "", " ", false, ""), F::OwnText, edid);
        expectSame(written(edid, "edid-decode (hex):\n\n", "", " ", true,
                           "----------------\n\nBlock 0, Base EDID:\n"),
                   F::DecodeTool, edid);
        expectSame(written(edid, "HDMI-1 connected\n\tEDID: \n", "\t\t", "", false,
                           "\tBroadcast RGB: Full\n"),
                   F::Xrandr, edid);
        expectSame(digits(edid, ""), F::HexString, edid);
    }
    const edid::EdidFileContent content = edid::edidFileContent(bytes);
    if (content.input.bytes != input.bytes || content.input.error != input.error ||
        (content.kind == edid::EdidFileKind::Field && !content.input.ok() &&
         content.input.format == edid::EdidFormat::HexString)) {
        std::abort();
    }
    return 0;
}
