#include "edid/File.h"

#include <algorithm>

#include "edid/Parse.h"

namespace edid {

namespace {

constexpr std::size_t kLineColumns = 48;

bool holds(std::span<const std::uint8_t> source, std::size_t at, std::string_view what) {
    if (source.size() - at < what.size()) {
        return false;
    }
    return std::equal(what.begin(), what.end(), source.begin() + static_cast<std::ptrdiff_t>(at),
                      [](char a, std::uint8_t b) { return static_cast<std::uint8_t>(a) == b; });
}

}  // namespace

std::string convertTextLineEnds(std::span<const std::uint8_t> source) {
    std::string out;
    std::size_t column = 0;
    for (std::size_t i = 0; i < source.size() && source[i] != 0 && out.size() < kMaxTextChars;) {
        ++column;
        if (column == kLineColumns) {
            for (const std::string_view lineEnd :
                 {std::string_view(" \r\n"), std::string_view(" \n")}) {
                if (holds(source, i, lineEnd)) {
                    out += '\n';
                    i += lineEnd.size();
                    column = 0;
                    break;
                }
            }
            if (column == 0) {
                continue;
            }
        }
        out += static_cast<char>(source[i]);
        ++i;
    }
    return out;
}

EdidFileContent edidFileContent(std::span<const std::uint8_t> bytes) {
    bytes = bytes.first(std::min(bytes.size(), kMaxFileRead));
    EdidFileContent content;
    if (bytes.empty() || bytes[0] == 0x00) {
        content.kind = EdidFileKind::Raw;
        std::copy_n(bytes.begin(), std::min(bytes.size(), kEdidSize), content.image.begin());
    } else {
        content.kind = EdidFileKind::Text;
        content.text = convertTextLineEnds(bytes);
    }
    return content;
}

LoadResult loadEdidFile(const fileio::Path& path) {
    LoadResult result;
    const fileio::ReadResult read = fileio::readFile(path, kMaxFileSize, "an EDID file");
    if (!read.ok) {
        result.error = QString::fromStdString(read.error);
        return result;
    }
    result.content = edidFileContent(std::span(
        reinterpret_cast<const std::uint8_t*>(read.bytes.data()), read.bytes.size()));
    result.ok = true;
    return result;
}

LoadResult loadEdidFile(const QString& path) {
    return loadEdidFile(fileio::Path::fromQt(path));
}

SaveResult saveEdidFile(const fileio::Path& path, const EdidImage& image) {
    const fileio::SaveResult saved = fileio::saveFile(
        path, std::string_view(reinterpret_cast<const char*>(image.data()), image.size()));
    return {saved.ok, QString::fromStdString(saved.error)};
}

SaveResult saveEdidFile(const QString& path, const EdidImage& image) {
    return saveEdidFile(fileio::Path::fromQt(path), image);
}

}  // namespace edid
