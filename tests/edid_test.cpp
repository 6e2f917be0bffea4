// The EDID module without a box: the text parse, checksums and their repair
// against edid-decode, the text form, the file formats and the modes.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "edid/File.h"
#include "edid/Image.h"
#include "edid/Modes.h"
#include "edid/Parse.h"

namespace {

using edid::EdidImage;
using Bytes = std::vector<std::uint8_t>;

// Every real EDID in the repository: the emulator's sinks.
std::vector<std::filesystem::path> realEdidFiles() {
    std::vector<std::filesystem::path> files;
    for (const auto& entry :
         std::filesystem::directory_iterator(VORTILAN2_SOURCE_DIR "/emulator/edids")) {
        if (entry.path().extension() == ".bin") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

EdidImage readImage(const std::filesystem::path& path) {
    QFile file(QString::fromStdString(path.string()));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
    const QByteArray bytes = file.readAll();
    EXPECT_EQ(bytes.size(), 256) << path;
    EdidImage image{};
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), 256), image.begin());
    return image;
}

EdidImage counting() {
    EdidImage image{};
    std::iota(image.begin(), image.end(), std::uint8_t{0});
    return image;
}

// --- Parse

struct ParseCase {
    const char* name;
    std::string text;
    int count;         // -1: an error
    Bytes first = {};  // the first values stored
    edid::ParseError error = edid::ParseError::None;
    int line = 0;
    int column = 0;
};

void PrintTo(const ParseCase& c, std::ostream* os) {
    *os << c.name;
}

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) {
        out += s;
    }
    return out;
}

const std::string kFullText = edid::hexText(counting());

const ParseCase kParseCases[] = {
    {"ThreeValues", "00 FF FF", 3, {0x00, 0xFF, 0xFF}},
    {"HyphenIsNoSeparator", "00-FF", -1, {}, edid::ParseError::BadSeparator, 1, 1},
    {"LowerCaseDigits", "ff ab", 2, {0xFF, 0xAB}},
    {"LetterBeyondFIsTakenModulo256", "G1 ", 1, {0x01}},
    {"LineFeedSeparates", "00\nFF\n", 2, {0x00, 0xFF}},
    {"Empty", "", 0},
    {"WholeImage", kFullText, 256, {0x00, 0x01, 0x02}},
    {"ExtraLineFeedAfterTheLastLine", kFullText + "\n", 256, {0x00, 0x01}},
    {"LoneDigitAfterTheLastGroupEndsTheText", "00 FF F", 2, {0x00, 0xFF}},
    {"LoneDigitAlone", "0", 0},
    {"ErrorNamesLineAndColumn", "00 FF\n11 22x33", -1, {}, edid::ParseError::BadSeparator, 2, 4},
    {"A257thValueIsRefused", kFullText + "00\n", -1, {}, edid::ParseError::TooManyValues, 17, 1},
    {"LongTextIsRefusedWithoutReadingPastIt",
     repeat("00 ", 40000),
     -1,
     {},
     edid::ParseError::TooManyValues,
     1,
     769},
    {"NulEndsTheText", std::string("00 FF\0 11", 9), 2, {0x00, 0xFF}},
    {"BlankGroupIsAValue", "   00", 2, {0xF0, 0x00}},
};

class ParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParseTest, StoresTheValuesOrSaysWhereTheTextIsWrong) {
    const ParseCase& c = GetParam();
    EdidImage image;
    image.fill(0x5A);
    const edid::ParseResult result = edid::parseEdidText(c.text, image);
    EXPECT_EQ(result.count, c.count);
    EXPECT_EQ(result.error, c.error);
    if (c.count >= 0) {
        ASSERT_TRUE(result.ok());
        EXPECT_TRUE(std::equal(c.first.begin(), c.first.end(), image.begin()));
        // Bytes after the last value are 0.
        EXPECT_TRUE(std::all_of(image.begin() + c.count, image.end(),
                                [](std::uint8_t b) { return b == 0; }));
    } else {
        EXPECT_FALSE(result.ok());
        EXPECT_EQ(result.line, c.line);
        EXPECT_EQ(result.column, c.column);
    }
}

INSTANTIATE_TEST_SUITE_P(Texts, ParseTest, ::testing::ValuesIn(kParseCases),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(ParseText, ErrorDescriptionNamesThePlace) {
    EdidImage image{};
    const auto bad = edid::parseEdidText("00 FF\n11 22x33", image);
    EXPECT_EQ(edid::describeParseError(bad), "hex format error at line 2, column 4");
    const auto many = edid::parseEdidText(kFullText + "00", image);
    EXPECT_EQ(edid::describeParseError(many),
              "more than 256 values, the first extra one at line 17, column 1");
}

// --- Text form

TEST(HexText, SixteenLinesOf47CharactersAndALineFeedThatParseBack) {
    const EdidImage image = counting();
    const std::string text = edid::hexText(image);
    ASSERT_EQ(text.size(), 768u);
    for (std::size_t line = 0; line < 16; ++line) {
        const std::string row = text.substr(line * 48, 48);
        EXPECT_EQ(row.back(), '\n');
        EXPECT_EQ(row.find('\n'), 47u);
    }
    EXPECT_EQ(text.substr(0, 12), "00 01 02 03 ");
    EXPECT_EQ(text.substr(720, 48), "F0 F1 F2 F3 F4 F5 F6 F7 F8 F9 FA FB FC FD FE FF\n");
    EdidImage back{};
    EXPECT_EQ(edid::parseEdidText(text, back).count, 256);
    EXPECT_EQ(back, image);
}

// --- Checksums

TEST(Checksum, BlockSummingTo0x1234GetsCC) {
    std::array<std::uint8_t, 128> block{};
    // 0x1234 = 4660 = 36 * 127 + 88
    std::fill(block.begin(), block.begin() + 127, std::uint8_t{36});
    block[0] = static_cast<std::uint8_t>(36 + 88);
    ASSERT_EQ(std::accumulate(block.begin(), block.begin() + 127, 0), 0x1234);
    EXPECT_EQ(edid::edidBlockChecksum(block), 0xCC);
    block[127] = 0x77;  // not read
    EXPECT_EQ(edid::edidBlockChecksum(block), 0xCC);
}

TEST(Checksum, AllZeroBlockIsCorrect) {
    const EdidImage zero{};
    EXPECT_TRUE(edid::checkChecksums(zero).ok());
}

// What edid-decode says of an EDID: per block the checksum it found and,
// when that is wrong, the one it should be.
struct ReferenceChecksum {
    int found;
    std::optional<int> shouldBe;
};

std::vector<ReferenceChecksum> referenceChecksums(const QByteArray& input) {
    QProcess process;
    process.start(QStringLiteral("edid-decode"), {QStringLiteral("-")});
    EXPECT_TRUE(process.waitForStarted()) << "edid-decode is not installed (scripts/deps.sh)";
    process.write(input);
    process.closeWriteChannel();
    EXPECT_TRUE(process.waitForFinished(30000));
    const QString out = QString::fromLatin1(process.readAllStandardOutput());
    static const QRegularExpression line(
        QStringLiteral("^\\s*Checksum: 0x([0-9a-f]{2})(?: \\(should be 0x([0-9a-f]{2})\\))?"),
        QRegularExpression::MultilineOption);
    std::vector<ReferenceChecksum> sums;
    for (auto it = line.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        ReferenceChecksum sum{m.captured(1).toInt(nullptr, 16), std::nullopt};
        if (m.hasCaptured(2)) {
            sum.shouldBe = m.captured(2).toInt(nullptr, 16);
        }
        sums.push_back(sum);
    }
    return sums;
}

QByteArray raw(const EdidImage& image) {
    return {reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())};
}

TEST(ChecksumAgainstEdidDecode, EveryRealEdidIsCorrectAndAgrees) {
    const auto files = realEdidFiles();
    ASSERT_GE(files.size(), 8u);
    for (const auto& path : files) {
        SCOPED_TRACE(path.filename().string());
        const EdidImage image = readImage(path);
        const edid::ChecksumVerdict verdict = edid::checkChecksums(image);
        EXPECT_TRUE(verdict.ok());
        const auto reference = referenceChecksums(raw(image));
        ASSERT_EQ(reference.size(), 2u);
        for (std::size_t b = 0; b < 2; ++b) {
            EXPECT_EQ(reference[b].found, verdict.blocks[b].computed);
            EXPECT_FALSE(reference[b].shouldBe.has_value());
        }
        // edid-decode reads the text form as well, to the same bytes.
        const auto fromText = referenceChecksums(QByteArray::fromStdString(edid::hexText(image)));
        ASSERT_EQ(fromText.size(), 2u);
        EXPECT_EQ(fromText[0].found, image[127]);
        EXPECT_EQ(fromText[1].found, image[255]);
    }
}

TEST(ChecksumAgainstEdidDecode, CorruptedEdidIsFoundWrongAndRepairedAsItSays) {
    for (const auto& path : realEdidFiles()) {
        SCOPED_TRACE(path.filename().string());
        EdidImage image = readImage(path);
        image[20] ^= 0x5A;  // a byte of the base block
        image[200] += 1;    // a byte of the extension
        const edid::ChecksumVerdict verdict = edid::checkChecksums(image);
        EXPECT_FALSE(verdict.blocks[0].ok());
        EXPECT_FALSE(verdict.blocks[1].ok());
        const auto broken = referenceChecksums(raw(image));
        ASSERT_EQ(broken.size(), 2u);
        for (std::size_t b = 0; b < 2; ++b) {
            ASSERT_TRUE(broken[b].shouldBe.has_value());
            EXPECT_EQ(*broken[b].shouldBe, verdict.blocks[b].computed);
            EXPECT_EQ(broken[b].found, verdict.blocks[b].stored);
        }

        const EdidImage before = image;
        edid::repairChecksums(image);
        EXPECT_TRUE(edid::checkChecksums(image).ok());
        // Only the two checksum bytes changed.
        for (std::size_t i = 0; i < image.size(); ++i) {
            if (i != 127 && i != 255) {
                EXPECT_EQ(image[i], before[i]) << i;
            }
        }
        const auto repaired = referenceChecksums(raw(image));
        ASSERT_EQ(repaired.size(), 2u);
        for (std::size_t b = 0; b < 2; ++b) {
            EXPECT_FALSE(repaired[b].shouldBe.has_value());
            EXPECT_EQ(repaired[b].found, image[b * 128 + 127]);
        }
    }
}

// --- Files

Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

// The text form with each line as a text file writes it: "%02X " for every
// value, then the line end.
std::string textFileLines(const EdidImage& image, const std::string& lineEnd) {
    std::string out;
    for (std::size_t i = 0; i < image.size(); ++i) {
        char value[4];
        std::snprintf(value, sizeof value, "%02X ", image[i]);
        out += value;
        if (i % 16 == 15) {
            out += lineEnd;
        }
    }
    return out;
}

struct FileCase {
    const char* name;
    Bytes bytes;
    edid::EdidFileKind kind;
    EdidImage image = {};   // Raw
    std::string text = {};  // Text
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

EdidImage prefix(const Bytes& bytes) {
    EdidImage image{};
    std::copy_n(bytes.begin(), std::min<std::size_t>(bytes.size(), 256), image.begin());
    return image;
}

Bytes countingBytes(std::size_t n) {
    Bytes b(n);
    for (std::size_t i = 0; i < n; ++i) {
        b[i] = static_cast<std::uint8_t>(i);
    }
    return b;
}

std::vector<FileCase> fileCases() {
    const EdidImage image = counting();
    const std::string text = edid::hexText(image);
    std::string lf47;  // 47 characters and LF, no blank at the end
    for (int i = 0; i < 16; ++i) {
        lf47 += "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF\n";
    }
    // Converted lines up to one of another shape: the rest stays as it is.
    const std::string mixed =
        "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF \r\n"
        "00 11\r\n"
        "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF \r\n";
    std::string longText(1500, 'A');
    std::string longLines = textFileLines(image, "\r\n");  // 800 bytes ...
    longLines += longLines;                                // ... twice
    return {
        {"Raw128LoadsWithZerosAfter", countingBytes(128), edid::EdidFileKind::Raw,
         prefix(countingBytes(128))},
        {"EmptyIsRawZeros", {}, edid::EdidFileKind::Raw, EdidImage{}},
        {"Raw512LoadsItsFirst256", countingBytes(512), edid::EdidFileKind::Raw, image},
        {"TextCrLfLinesLoseTheirLastBlank",
         bytesOf(textFileLines(image, "\r\n")),
         edid::EdidFileKind::Text,
         {},
         text},
        {"TextLfLinesLoseTheirLastBlank",
         bytesOf(textFileLines(image, "\n")),
         edid::EdidFileKind::Text,
         {},
         text},
        {"Text47CharacterLinesStayAsTheyAre", bytesOf(lf47), edid::EdidFileKind::Text, {}, lf47},
        {"OnlyLinesUpToAnotherShapeAreConverted",
         bytesOf(mixed),
         edid::EdidFileKind::Text,
         {},
         "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF\n"
         "00 11\r\n"
         "00 11 22 33 44 55 66 77 88 99 AA BB CC DD EE FF \r\n"},
        {"TextEndsAtItsFirstNul",
         bytesOf(std::string("00 FF\0 11", 9)),
         edid::EdidFileKind::Text,
         {},
         "00 FF"},
        {"LongTextKeeps1023Characters",
         bytesOf(longText),
         edid::EdidFileKind::Text,
         {},
         std::string(1023, 'A')},
        // 1024 bytes are read: 20 lines of 50 and 24 bytes of the next.
        {"LongLinesAreConvertedWithinTheFirst1024Bytes",
         bytesOf(longLines),
         edid::EdidFileKind::Text,
         {},
         text + text.substr(0, 4 * 48) + "40 41 42 43 44 45 46 47 "},
    };
}

class FileContentTest : public ::testing::TestWithParam<FileCase> {};

TEST_P(FileContentTest, RawOrTextAsTheFirstByteSays) {
    const FileCase& c = GetParam();
    const edid::EdidFileContent content = edid::edidFileContent(c.bytes);
    EXPECT_EQ(content.kind, c.kind);
    if (c.kind == edid::EdidFileKind::Raw) {
        EXPECT_EQ(content.image, c.image);
    } else {
        EXPECT_EQ(content.text, c.text);
        EXPECT_LE(content.text.size(), edid::kMaxTextChars);
    }
}

INSTANTIATE_TEST_SUITE_P(Files, FileContentTest, ::testing::ValuesIn(fileCases()),
                         [](const auto& param) { return std::string(param.param.name); });

class FileIoTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }

    static void write(const QString& path, const QByteArray& bytes) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_EQ(file.write(bytes), bytes.size());
    }
    static QByteArray read(const QString& path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::ReadOnly));
        return file.readAll();
    }

    QTemporaryDir dir_;
};

TEST_F(FileIoTest, SaveWrites256RawBytesThatLoadBack) {
    const EdidImage image = readImage(realEdidFiles().front());
    const QString file = path(edid::kDefaultFileName);
    const edid::SaveResult saved = edid::saveEdidFile(file, image);
    ASSERT_TRUE(saved.ok) << saved.error.toStdString();
    EXPECT_EQ(read(file), raw(image));
    const edid::LoadResult loaded = edid::loadEdidFile(file);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.content.kind, edid::EdidFileKind::Raw);
    EXPECT_EQ(loaded.content.image, image);
}

TEST_F(FileIoTest, SaveReplacesALongerFileWhole) {
    const QString file = path("old.bin");
    write(file, QByteArray(4000, 'x'));
    ASSERT_TRUE(edid::saveEdidFile(file, counting()).ok);
    EXPECT_EQ(read(file), raw(counting()));
}

TEST_F(FileIoTest, LoadReadsTheFirst1024BytesOfATextFile) {
    const QString file = path("long.txt");
    write(file, QByteArray(5000, 'B'));
    const edid::LoadResult loaded = edid::loadEdidFile(file);
    ASSERT_TRUE(loaded.ok);
    EXPECT_EQ(loaded.content.kind, edid::EdidFileKind::Text);
    EXPECT_EQ(loaded.content.text, std::string(1023, 'B'));
}

TEST_F(FileIoTest, MissingFileOrFolderGivesTheReason) {
    const edid::LoadResult loaded = edid::loadEdidFile(path("missing.bin"));
    EXPECT_FALSE(loaded.ok);
    EXPECT_FALSE(loaded.error.isEmpty());
    const edid::SaveResult saved = edid::saveEdidFile(path("no/such/folder/x.bin"), counting());
    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(saved.error.isEmpty());
    EXPECT_FALSE(QFile::exists(path("no")));
}

TEST_F(FileIoTest, LoadOfAFolderFails) {
    const edid::LoadResult loaded = edid::loadEdidFile(dir_.path());
    EXPECT_FALSE(loaded.ok);
    EXPECT_FALSE(loaded.error.isEmpty());
}

// A write that the system cuts short (here a file size limit, which holds
// for root as well) leaves the old file as it was.
TEST_F(FileIoTest, FailedSaveLeavesTheOldFileAsItWas) {
    const QString file = path("keep.bin");
    const QByteArray old(300, '\x42');
    write(file, old);

    rlimit kept{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &kept), 0);
    const auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = kept;
    small.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const edid::SaveResult saved = edid::saveEdidFile(file, counting());
    setrlimit(RLIMIT_FSIZE, &kept);
    signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(saved.error.isEmpty());
    EXPECT_EQ(read(file), old);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{QStringLiteral("keep.bin")});
}

// --- Modes

TEST(EdidModes, UploadGoesAheadOnlyIntoCustomTablesOutsideAutomixAndFixed) {
    using edid::EdidMode;
    struct Case {
        std::optional<EdidMode> mode;
        int table;
        bool allowed;
    };
    const Case cases[] = {
        {EdidMode::Custom, 1, true},   {EdidMode::Custom, 10, true},
        {EdidMode::Custom, 11, false}, {EdidMode::Custom, 100, false},
        {EdidMode::Custom, 0, false},  {EdidMode::CopyTop, 1, true},
        {EdidMode::CopyBot, 5, true},  {EdidMode::Automix, 1, false},
        {EdidMode::Fixed, 3, false},   {std::nullopt, 3, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(edid::uploadAllowed(c.mode, c.table), c.allowed)
            << (c.mode ? static_cast<int>(*c.mode) : 0) << " table " << c.table;
    }
}

TEST(EdidModes, NamesAndValuesMatchTheRadioButtons) {
    const char* const names[] = {"automix", "fixed", "custom", "copy-top", "copy-bot"};
    const char* const radios[] = {"automixEDID", "fixedEDID", "customEDID", "rbCopyTopEDID",
                                  "rbCopyBotEDID"};
    for (int value = 1; value <= 5; ++value) {
        const auto mode = edid::modeFromValue(value);
        ASSERT_TRUE(mode.has_value());
        EXPECT_EQ(edid::modeByName(names[value - 1]), mode);
        EXPECT_EQ(edid::modeInfo(*mode).radio, radios[value - 1]);
    }
    EXPECT_FALSE(edid::modeFromValue(0).has_value());
    EXPECT_FALSE(edid::modeFromValue(6).has_value());
    EXPECT_FALSE(edid::modeByName("AUTOMIX").has_value());
    EXPECT_EQ(edid::kEdidModeRegister, 29);
    EXPECT_EQ(edid::kEdidAlgoRegister, 31);
    EXPECT_EQ(edid::kPort0TableRegister, 32);
    EXPECT_EQ(edid::kPort1TableRegister, 33);
}

}  // namespace
