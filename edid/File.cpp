#include "edid/File.h"

#include <QFile>
#include <QSaveFile>
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

LoadResult loadEdidFile(const QString& path) {
    LoadResult result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
        return result;
    }
    const QByteArray bytes = file.read(static_cast<qint64>(kMaxLoadBytes));
    if (bytes.isEmpty() && file.error() != QFileDevice::NoError) {
        result.error = file.errorString();
        return result;
    }
    result.content =
        edidFileContent(std::span(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                                  static_cast<std::size_t>(bytes.size())));
    result.ok = true;
    return result;
}

SaveResult saveEdidFile(const QString& path, const EdidImage& image) {
    SaveResult result;
    QSaveFile file(path);
    // Unbuffered, so that every write reports what reached the file: a short
    // write at commit time would otherwise pass as success.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        result.error = file.errorString();
        return result;
    }
    const auto* data = reinterpret_cast<const char*>(image.data());
    const auto size = static_cast<qint64>(image.size());
    for (qint64 done = 0; done < size;) {
        const qint64 written = file.write(data + done, size - done);
        if (written <= 0) {
            result.error = file.errorString();
            file.cancelWriting();
            return result;
        }
        done += written;
    }
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace edid
