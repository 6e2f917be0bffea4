#include "ImageFile.h"

#include <fstream>
#include <system_error>

#include "Lines.h"

namespace updater {

const ImageRange* findRange(const ImageHeader& header) {
    for (const ImageRange& range : kImageRanges) {
        if (range.id == header) {
            return &range;
        }
    }
    return nullptr;
}

std::filesystem::path locateFile(const std::string& name,
                                 const std::vector<std::filesystem::path>& dirs) {
    for (const auto& dir : dirs) {
        std::error_code error;
        const auto candidate = dir / name;
        if (std::filesystem::exists(candidate, error)) {
            return candidate;
        }
    }
    return {};
}

Image readImage(const std::string& name, const std::vector<std::filesystem::path>& dirs,
                bool withPayload) {
    Image image;
    image.path = locateFile(name, dirs);
    if (image.path.empty()) {
        image.status = Image::Status::Missing;
        return image;
    }
    std::error_code error;
    if (!std::filesystem::is_regular_file(image.path, error)) {
        image.status = Image::Status::Unreadable;
        return image;
    }
    std::ifstream in(image.path, std::ios::binary | std::ios::ate);
    if (!in) {
        image.status = Image::Status::Unreadable;
        return image;
    }
    const std::streamoff size = in.tellg();
    if (size < 0) {
        image.status = Image::Status::Unreadable;
        return image;
    }
    if (size < static_cast<std::streamoff>(kHeaderSize)) {
        image.status = Image::Status::NoHeader;
        return image;
    }
    in.seekg(0);
    if (!in.read(image.header.data(), kHeaderSize)) {
        image.status = Image::Status::Unreadable;
        return image;
    }
    image.payloadSize = static_cast<std::uint64_t>(size) - kHeaderSize;
    image.range = findRange(image.header);
    if (image.range == nullptr) {
        image.status = Image::Status::WrongId;
        return image;
    }
    if (image.payloadSize > image.range->capacity()) {
        image.status = Image::Status::TooLarge;
        return image;
    }
    if (withPayload) {
        image.payload.resize(static_cast<std::size_t>(image.payloadSize));
        if (!in.read(reinterpret_cast<char*>(image.payload.data()),
                     static_cast<std::streamsize>(image.payload.size()))) {
            image.payload.clear();
            image.status = Image::Status::Unreadable;
            return image;
        }
    }
    image.status = Image::Status::Ok;
    return image;
}

ImageProblem describeProblem(const std::string& name, const Image& image) {
    switch (image.status) {
        case Image::Status::Ok:
            return {};
        case Image::Status::Missing:
            return {formatLine("Input file %s not found", name.c_str()), "File missing"};
        case Image::Status::Unreadable:
            return {"Input file " + name + " cannot be read", "File error"};
        case Image::Status::NoHeader:
            return {"Input file " + name + " is too short to carry an image ID", "Wrong ID"};
        case Image::Status::WrongId:
            return {"Input file " + name + " carries an unknown image ID (known: 1A60, 1A65, 1A70)",
                    "Wrong ID"};
        case Image::Status::TooLarge:
            return {"Input file " + name + " does not fit: " + std::to_string(image.payloadSize) +
                        " bytes of data, the range " + image.range->name() + " holds " +
                        std::to_string(image.range->capacity()),
                    "File too large"};
    }
    return {};
}

}  // namespace updater
