// The EDID file load: what a file of any content loads as, raw or text, and
// the parse of the loaded text that an upload or a save would run next.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "edid/File.h"
#include "edid/Parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const edid::EdidFileContent content = edid::edidFileContent(bytes);
    if (content.kind == edid::EdidFileKind::Raw) {
        const std::size_t n = std::min(size, edid::kEdidSize);
        if (size != 0 && data[0] != 0) {
            std::abort();
        }
        if (!std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
                        content.image.begin()) ||
            !std::all_of(content.image.begin() + static_cast<std::ptrdiff_t>(n),
                         content.image.end(), [](std::uint8_t b) { return b == 0; })) {
            std::abort();
        }
    } else {
        if (content.text.size() > edid::kMaxTextChars ||
            content.text.find('\0') != std::string::npos) {
            std::abort();
        }
        edid::EdidImage image;
        edid::parseEdidText(content.text, image);
    }
    return 0;
}
