// Firmware image files: a four-character ImageHeader that names a flash
// range, followed by the bytes for that range.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace updater {

inline constexpr std::uint32_t kSectorSize = 0x10000;
inline constexpr std::size_t kHeaderSize = 4;

using ImageHeader = std::array<char, kHeaderSize>;

struct ImageRange {
    ImageHeader id;
    std::uint32_t start;
    std::uint8_t firstSector;
    std::uint8_t sectorCount;
    bool moreParts;  // the OSD parts follow this image

    std::uint32_t capacity() const { return std::uint32_t{sectorCount} * kSectorSize; }
    std::string name() const { return std::string(id.data(), id.size()); }
};

inline constexpr std::array<ImageRange, 3> kImageRanges{{
    {{'1', 'A', '6', '0'}, 0x000000, 0, 10, false},
    {{'1', 'A', '6', '5'}, 0x0A0000, 10, 6, false},
    {{'1', 'A', '7', '0'}, 0x100000, 16, 14, true},
}};

// The files of one run, part 1 first.
inline constexpr std::array<const char*, 5> kPartFiles{
    "VORTILAN2-FPGA-2.45-1013.bin", "ORVINE.0.1.OSD.01.bin", "ORVINE.0.1.OSD.02.bin",
    "ORVINE.0.1.OSD.03.bin",        "ORVINE.0.1.OSD.04.bin",
};

// nullptr for an unknown header.
const ImageRange* findRange(const ImageHeader& header);

struct Image {
    enum class Status { Ok, Missing, Unreadable, NoHeader, WrongId, TooLarge };

    Status status = Status::Missing;
    std::filesystem::path path;
    ImageHeader header{};
    const ImageRange* range = nullptr;
    std::uint64_t payloadSize = 0;
    std::vector<std::uint8_t> payload;  // read only when the status is Ok
};

// The first directory in dirs that holds a file called name; empty when none does.
std::filesystem::path locateFile(const std::string& name,
                                 const std::vector<std::filesystem::path>& dirs);

// Looks name up in dirs and reads it; withPayload false checks it only.
Image readImage(const std::string& name, const std::vector<std::filesystem::path>& dirs,
                bool withPayload);

// What is wrong with an image that is not Ok, for a message box.
struct ImageProblem {
    std::string text;
    std::string caption;
};
ImageProblem describeProblem(const std::string& name, const Image& image);

}  // namespace updater
