// Files the user names. Every file the programs write goes through
// saveFile: the target is replaced only once the new content is whole on
// disk, every write is checked, and a failure leaves an existing file as it
// was and says why ("No space left on device"). Every file they read goes
// through readFile with a bound that fits its format, so that a device or a
// pipe without end (/dev/zero, a FIFO) is refused in bounded memory and time.
#pragma once

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

namespace fileio {

// A file name as the system spells it: its bytes, which need not be UTF-8.
// A name from a command line passes through unchanged; one from a file
// dialog is encoded as Qt encodes file names.
class Path {
public:
    explicit Path(std::string bytes) : bytes_(std::move(bytes)) {}
    static Path fromQt(const QString& name);

    const std::string& bytes() const { return bytes_; }
    // For messages; bytes that are not UTF-8 show as replacement characters.
    QString shown() const;

private:
    std::string bytes_;
};

struct SaveResult {
    bool ok = false;
    std::string error;  // the system's reason when ok is false
};

// Replaces the file with bytes, or leaves it (or its absence) as it was.
SaveResult saveFile(const Path& path, std::string_view bytes);

struct ReadResult {
    bool ok = false;
    bool opened = false;  // false: the file could not be opened at all
    std::string bytes;
    std::string error;  // why not, when ok is false
};

// Reads the whole file if it holds at most limit bytes. A longer file, a
// device or a pipe that goes on past the limit is refused with "it holds
// more than <limit>, too much for <kind>"; a pipe that stays silent for
// kIdleSeconds is refused too.
inline constexpr int kIdleSeconds = 5;
ReadResult readFile(const Path& path, std::size_t limit, std::string_view kind);

// "256 KiB", "1024 bytes".
std::string sizeText(std::size_t bytes);

}  // namespace fileio
