// The careful save and the bounded read that every file of the programs goes
// through: a write the system cuts short keeps the old file, names that are
// not UTF-8 keep their bytes, and endless inputs are refused in bounded
// memory and time.
#include <dirent.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <set>

#include "fileio/Files.h"
#include "tests/support/FileLimits.h"

namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

// The names in a folder, as the system spells them.
std::set<std::string> namesIn(const std::string& folder) {
    std::set<std::string> names;
    DIR* dir = ::opendir(folder.c_str());
    while (dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") {
            names.insert(name);
        }
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    return names;
}

class FileIo : public ::testing::Test {
protected:
    FileIo() {
        std::string pattern = (std::filesystem::temp_directory_path() / "v2-fileio-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
    }
    // By bytes: a name that is not UTF-8 goes as well.
    ~FileIo() override { std::filesystem::remove_all(folder_); }

    std::string path(const std::string& name) const { return folder_ + "/" + name; }
    const std::string& folder() const { return folder_; }

    std::string folder_;
};

const std::string kNotUtf8 = "name_\xff\xfe.txt";

// ---- Save ---------------------------------------------------------------------

class SaveName : public FileIo, public ::testing::WithParamInterface<std::string> {};

TEST_P(SaveName, ReplacesTheFileWholeUnderItsOwnName) {
    const std::string file = path(GetParam());
    writeBytes(file, std::string(5000, 'x'));
    ::chmod(file.c_str(), 0640);
    const auto saved = fileio::saveFile(fileio::Path(file), "new content\n");
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(readBytes(file), "new content\n");
    EXPECT_EQ(namesIn(folder()), std::set<std::string>{GetParam()});
    struct stat info {};
    ASSERT_EQ(::stat(file.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

// A write that the system cuts short (a full disk, here a file size limit)
// leaves the old file byte for byte, and no temporary file beside it.
TEST_P(SaveName, ASaveCutShortKeepsTheOldFileAndSaysWhy) {
    const std::string file = path(GetParam());
    const std::string old = "old content that must survive\n";
    writeBytes(file, old);
    fileio::SaveResult saved;
    {
        const testing_support::FileSizeLimit limit(1000);
        ASSERT_TRUE(limit.ok());
        saved = fileio::saveFile(fileio::Path(file), std::string(7000, 'n'));
    }
    EXPECT_FALSE(saved.ok);
    EXPECT_EQ(saved.error, "File too large");
    EXPECT_EQ(readBytes(file), old);
    EXPECT_EQ(namesIn(folder()), std::set<std::string>{GetParam()});
}

TEST_P(SaveName, ASaveCutShortWritesNothingWhereNoFileWas) {
    const testing_support::FileSizeLimit limit(0);
    ASSERT_TRUE(limit.ok());
    EXPECT_FALSE(fileio::saveFile(fileio::Path(path(GetParam())), "x").ok);
    EXPECT_TRUE(namesIn(folder()).empty());
}

INSTANTIATE_TEST_SUITE_P(Names, SaveName, ::testing::Values("plain.txt", kNotUtf8),
                         [](const ::testing::TestParamInfo<std::string>& p) {
                             return p.index == 0 ? std::string("Utf8") : std::string("NotUtf8");
                         });

TEST_F(FileIo, ASaveIntoAMissingFolderSaysWhy) {
    const auto saved = fileio::saveFile(fileio::Path(path("no/such/x.txt")), "x");
    EXPECT_FALSE(saved.ok);
    EXPECT_FALSE(saved.error.empty());
    const auto oddFolder = fileio::saveFile(fileio::Path(path("no_\xff/x.txt")), "x");
    EXPECT_EQ(oddFolder.error, "No such file or directory");
}

// ---- Read ---------------------------------------------------------------------

struct ReadCase {
    const char* name;
    // Makes the input in folder; returns its path.
    std::function<std::string(const std::string& folder)> make;
    bool ok;
    const char* error;  // the error starts with this
    std::size_t size = 0;
};

void PrintTo(const ReadCase& c, std::ostream* os) {
    *os << c.name;
}

class ReadBound : public FileIo, public ::testing::WithParamInterface<ReadCase> {};

constexpr std::size_t kLimit = 100 * 1024;

TEST_P(ReadBound, ReadsUpToTheBoundAndRefusesWhatGoesPastIt) {
    const ReadCase& c = GetParam();
    const fileio::ReadResult read =
        fileio::readFile(fileio::Path(c.make(folder())), kLimit, "a test file");
    EXPECT_EQ(read.ok, c.ok) << read.error;
    EXPECT_EQ(read.error.substr(0, std::string(c.error).size()), c.error);
    EXPECT_EQ(read.bytes.size(), c.size);
}

const char* const kTooMuch = "it holds more than 100 KiB, too much for a test file";

INSTANTIATE_TEST_SUITE_P(
    Inputs, ReadBound,
    ::testing::Values(
        ReadCase{"FileAtTheBound",
                 [](const std::string& f) {
                     writeBytes(f + "/a", std::string(kLimit, 'a'));
                     return f + "/a";
                 },
                 true, "", kLimit},
        ReadCase{"FileOneBytePastTheBound",
                 [](const std::string& f) {
                     writeBytes(f + "/a", std::string(kLimit + 1, 'a'));
                     return f + "/a";
                 },
                 false, kTooMuch},
        ReadCase{"NameThatIsNotUtf8",
                 [](const std::string& f) {
                     writeBytes(f + "/" + kNotUtf8, "abc");
                     return f + "/" + kNotUtf8;
                 },
                 true, "", 3},
        ReadCase{"Zeros", [](const std::string&) { return std::string("/dev/zero"); }, false,
                 kTooMuch},
        ReadCase{"RandomBytes", [](const std::string&) { return std::string("/dev/urandom"); },
                 false, kTooMuch},
        ReadCase{"FifoWithoutWriter",
                 [](const std::string& f) {
                     ::mkfifo((f + "/fifo").c_str(), 0600);
                     return f + "/fifo";
                 },
                 true, "", 0},
        ReadCase{"Missing", [](const std::string& f) { return f + "/missing"; }, false,
                 "No such file or directory"},
        ReadCase{"Folder", [](const std::string& f) { return f; }, false, "Is a directory"}),
    [](const ::testing::TestParamInfo<ReadCase>& p) { return std::string(p.param.name); });

TEST_F(FileIo, AFifoThatNeverEndsIsRefusedAtTheBound) {
    const testing_support::EndlessFifo fifo(path("endless"));
    const fileio::ReadResult read = fileio::readFile(fileio::Path(fifo.path()), kLimit, "a test file");
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, kTooMuch);
    EXPECT_TRUE(read.bytes.empty());
}

TEST(FileSize, InKibWhereWhole) {
    EXPECT_EQ(fileio::sizeText(256 * 1024), "256 KiB");
    EXPECT_EQ(fileio::sizeText(1000), "1000 bytes");
}

}  // namespace
