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
    bytes = bytes.first(std::min(bytes.size(), kMaxLoadBytes));
    EdidFileContent content;
    content.input = readEdidInput(bytes);
    const EdidFormat format = content.input.format;
    if (format == EdidFormat::Binary) {
        content.kind = EdidFileKind::Raw;
        std::copy_n(bytes.begin(), std::min(bytes.size(), kEdidSize), content.image.begin());
    } else if (format == EdidFormat::DecodeTool || format == EdidFormat::Xrandr ||
               (format == EdidFormat::HexString && content.input.ok())) {
        content.kind = EdidFileKind::Field;
    } else {
        content.kind = EdidFileKind::Text;
        content.text = convertTextLineEnds(bytes.first(std::min(bytes.size(), kMaxFileRead)));
    }
    return content;
}

std::vector<std::uint8_t> editorBytes(const EdidFileContent& content) {
    const std::vector<std::uint8_t>& whole = content.input.bytes;
    if (content.kind == EdidFileKind::Text || !content.input.ok()) {
        return {};
    }
    const std::size_t announced = whole.size() >= kBlockSize ? (whole[126] + 1U) * kBlockSize : 0;
    if (announced > kEdidSize && whole.size() >= announced) {
        return {whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(announced)};
    }
    if (content.kind == EdidFileKind::Raw) {
        return {content.image.begin(), content.image.end()};
    }
    std::vector<std::uint8_t> bytes(whole.begin(),
                                    whole.begin() + static_cast<std::ptrdiff_t>(
                                                        std::min(whole.size(), kEdidSize)));
    bytes.resize(kEdidSize, 0x00);
    return bytes;
}

LoadResult loadEdidFile(const fileio::Path& path) {
    LoadResult result;
    const fileio::ReadResult read = fileio::readFile(path, kMaxLoadBytes, "an EDID file");
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
