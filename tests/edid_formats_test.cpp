// The EDID input formats of files and the command line: raw bytes, our own
// text, edid-decode's own output (made by the installed tool), xrandr's EDID
// lines and one hex string, with LF or CR LF line ends; and what a wrong
// input is told, line by line.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "edid/File.h"
#include "edid/Image.h"
#include "edid/TextFormats.h"

#include "tests/support/ReferenceTool.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using edid::EdidFormat;

const std::filesystem::path kEdidDir = VORTILAN2_SOURCE_DIR "/emulator/edids";

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

Bytes tv() {
    return readFile(kEdidDir / "lg-c8-hdmi.bin");
}

// Three blocks: the TV's and its extension once more.
Bytes threeBlocks() {
    Bytes bytes = tv();
    bytes.insert(bytes.end(), bytes.begin() + 128, bytes.begin() + 256);
    bytes[126] = 2;
    return bytes;
}

Bytes bytesOf(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

std::string hexDigits(const Bytes& bytes, std::size_t from, std::size_t count) {
    std::string text;
    for (std::size_t i = from; i < from + count && i < bytes.size(); ++i) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", bytes[i]);
        text += two;
    }
    return text;
}

std::string withCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    }
    return out;
}

// What `xrandr --verbose` prints around an output's EDID.
std::string xrandrText(const Bytes& bytes) {
    std::string text =
        "Screen 0: minimum 320 x 200, current 3840 x 2160, maximum 16384 x 16384\n"
        "HDMI-1 connected primary 3840x2160+0+0 (0x48) normal (normal left inverted right x "
        "axis y axis) 1600mm x 900mm\n"
        "\tIdentifier: 0x42\n"
        "\tEDID: \n";
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        text += "\t\t" + hexDigits(bytes, at, 16) + "\n";
    }
    return text + "\tBroadcast RGB: Automatic \n\t\tsupported: Automatic, Full, Limited 16:235\n";
}

// The installed reference's own output for bytes; empty without the tool.
std::string decodeToolText(const Bytes& bytes) {
    if (!testing_support::haveEdidDecode()) {
        return {};
    }
    // One file per process: ctest runs the cases of this table side by side.
    const std::string name =
        testing::TempDir() + "edid_formats_test_" + std::to_string(::getpid()) + ".bin";
    {
        std::ofstream out(name, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    }
    const std::string output = testing_support::runCommand("edid-decode " + name + " 2>/dev/null");
    std::remove(name.c_str());
    return output;
}

std::string ownText(const Bytes& bytes) {
    std::string text;
    for (std::size_t at = 0; at < bytes.size(); at += 16) {
        edid::appendHexLine(text, std::span(bytes).subspan(at, std::min<std::size_t>(16, bytes.size() - at)));
    }
    return text;
}

struct FormatCase {
    const char* name;
    Bytes input;
    EdidFormat format;
    Bytes expected;       // when it reads
    std::string error{};  // when it does not: the whole message
};

void PrintTo(const FormatCase& c, std::ostream* out) {
    *out << c.name;
}

std::vector<FormatCase> formatCases() {
    const Bytes edid = tv();
    const Bytes three = threeBlocks();
    Bytes block0(edid.begin(), edid.begin() + 128);
    Bytes shortRaw(edid.begin(), edid.begin() + 200);
    Bytes shortRawFilled = shortRaw;
    shortRawFilled.resize(256, 0);

    const std::string decodeTool = decodeToolText(edid);
    std::string decodeToolBroken = decodeTool;  // no dashes: the text runs on
    decodeToolBroken.replace(decodeToolBroken.find("----------------"), 16, "");
    std::string xrandrShortLine = xrandrText(edid);  // its second line of digits cut short
    xrandrShortLine.erase(xrandrShortLine.find("\t\t" + hexDigits(edid, 16, 16)) + 2, 2);
    std::string ownBroken = ownText(edid);
    ownBroken.insert(ownBroken.find('\n', ownBroken.find('\n') + 1) + 1, "Block 0\n");

    std::vector<FormatCase> cases = {
        {"Raw256", edid, EdidFormat::Binary, edid},
        {"Raw128IsOneBlock", block0, EdidFormat::Binary, block0},
        {"Raw384IsWhole", three, EdidFormat::Binary, three},
        {"Raw200IsFilledToWholeBlocks", shortRaw, EdidFormat::Binary, shortRawFilled},
        {"OwnText", bytesOf(ownText(edid)), EdidFormat::OwnText, edid},
        {"OwnTextCrLf", bytesOf(withCrLf(ownText(edid))), EdidFormat::OwnText, edid},
        {"OwnTextOf384Bytes", bytesOf(ownText(three)), EdidFormat::OwnText, three},
        {"Xrandr", bytesOf(xrandrText(edid)), EdidFormat::Xrandr, edid},
        {"XrandrCrLf", bytesOf(withCrLf(xrandrText(three))), EdidFormat::Xrandr, three},
        {"HexString", bytesOf(hexDigits(edid, 0, 256)), EdidFormat::HexString, edid},
        {"HexStringIndentedWithCrLf", bytesOf("  " + hexDigits(block0, 0, 128) + "\r\n"),
         EdidFormat::HexString, block0},
        // Errors: what was expected where.
        {"OwnTextWithAWord", bytesOf(ownBroken), EdidFormat::OwnText, {},
         "line 3: expected 16 hex bytes, found 'Block'"},
        {"XrandrLineCut", bytesOf(xrandrShortLine), EdidFormat::Xrandr, {},
         "line 6: expected 32 hex digits, found 30"},
        {"XrandrWithoutHex", bytesOf("\tEDID: \n\tBroadcast RGB: Automatic\n"),
         EdidFormat::Xrandr, {}, "line 2: expected 32 hex digits after EDID:, found 'Broadcast RGB: Automatic'"},
        {"HexStringOdd", bytesOf(hexDigits(edid, 0, 256).substr(1)), EdidFormat::HexString, {},
         "line 1: expected an even count of hex digits, found 511"},
        {"HexStringWithALetter", bytesOf("00ffffffffffff00zz"), EdidFormat::HexString, {},
         "line 1: expected hex digits, found 'z' after 16"},
        {"TooShort", bytesOf("00 FF FF\n"), EdidFormat::OwnText, {},
         "expected at least 128 bytes (one EDID block), found 3"},
        {"NotWholeBlocks", bytesOf(ownText(shortRaw)), EdidFormat::OwnText, {},
         "expected whole blocks of 128 bytes, found 200 bytes"},
        {"DecodeToolHeadingAlone", bytesOf("edid-decode (hex):\n\n"), EdidFormat::DecodeTool, {},
         "line 1: expected lines of 16 hex bytes after edid-decode (hex):, found none"},
        {"DecodeToolShortLine",
         bytesOf("edid-decode (hex):\n\n" + ownText(edid).substr(0, 47) + "\n00 11\n"),
         EdidFormat::DecodeTool, {}, "line 4: expected 16 hex bytes, found 2"},
    };
    if (!decodeTool.empty()) {
        cases.push_back({"DecodeTool", bytesOf(decodeTool), EdidFormat::DecodeTool, edid});
        cases.push_back(
            {"DecodeToolCrLf", bytesOf(withCrLf(decodeToolText(three))), EdidFormat::DecodeTool, three});
        cases.push_back({"DecodeToolOf128Bytes", bytesOf(decodeToolText(block0)),
                         EdidFormat::DecodeTool, block0});
        cases.push_back({"DecodeToolWithoutItsDashes", bytesOf(decodeToolBroken),
                         EdidFormat::DecodeTool, {}, "line 23: expected 16 hex bytes, found 'Block'"});
    }
    return cases;
}

class EdidFormats : public ::testing::TestWithParam<FormatCase> {};

TEST_P(EdidFormats, ReadsTheBytesOrSaysWhatWasExpectedWhere) {
    const FormatCase& c = GetParam();
    const edid::EdidInput input = edid::readEdidInput(std::span<const std::uint8_t>(c.input));
    EXPECT_EQ(input.format, c.format);
    EXPECT_EQ(edid::detectEdidFormat(c.input), c.format);
    EXPECT_EQ(input.error, c.error);
    EXPECT_EQ(input.bytes, c.expected);
}

INSTANTIATE_TEST_SUITE_P(Inputs, EdidFormats, ::testing::ValuesIn(formatCases()),
                         [](const auto& p) { return std::string(p.param.name); });

// A file loads as the window shows it: our text as it is, another tool's text
// as its bytes; a string of letters that is no EDID stays text.
TEST(EdidFileFormats, FieldTextsLoadAsBytesOurTextAsText) {
    const Bytes edid = tv();
    const edid::EdidFileContent xrandr = edid::edidFileContent(bytesOf(xrandrText(edid)));
    EXPECT_EQ(xrandr.kind, edid::EdidFileKind::Field);
    EXPECT_EQ(xrandr.input.bytes, edid);
    const edid::EdidFileContent own = edid::edidFileContent(bytesOf(ownText(edid)));
    EXPECT_EQ(own.kind, edid::EdidFileKind::Text);
    EXPECT_EQ(own.input.bytes, edid);
    const edid::EdidFileContent letters = edid::edidFileContent(bytesOf(std::string(1500, 'A')));
    EXPECT_EQ(letters.kind, edid::EdidFileKind::Text);
    EXPECT_FALSE(letters.input.ok());
    // Another tool's long output is read past the first 1024 bytes.
    std::string longXrandr = std::string(3000, '\n') + xrandrText(threeBlocks());
    const edid::EdidFileContent far = edid::edidFileContent(bytesOf(longXrandr));
    EXPECT_EQ(far.input.bytes, threeBlocks());
}

// One check decides what fits a box's table: 128 bytes are followed by zeros,
// more than one extension is refused with the reason.
TEST(EdidBoxTable, HoldsABaseBlockAndOneExtension) {
    const Bytes edid = tv();
    const auto image = edid::boxTableImage(Bytes(edid.begin(), edid.begin() + 128));
    ASSERT_TRUE(image);
    EXPECT_TRUE(std::equal(edid.begin(), edid.begin() + 128, image->begin()));
    EXPECT_TRUE(std::all_of(image->begin() + 128, image->end(), [](auto b) { return b == 0; }));
    EXPECT_TRUE(edid::boxTableImage(edid));
    EXPECT_FALSE(edid::boxTableImage(threeBlocks()));
    EXPECT_EQ(edid::boxTableRefusal(384),
              "the EDID has 384 bytes (2 extension blocks); the box's tables hold a base block "
              "and one extension");
}

}  // namespace
