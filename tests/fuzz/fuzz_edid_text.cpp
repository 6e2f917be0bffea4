// The EDID text parse of what the user types or pastes into the editor: any
// bytes, as the editor's text would reach it. A text that parses comes back
// unchanged through the text form; a text that does not names a place inside
// itself.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "edid/Image.h"
#include "edid/Parse.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    edid::EdidImage image;
    const edid::ParseResult result = edid::parseEdidText(text, image);
    if (result.ok()) {
        if (result.count < 0 || result.count > static_cast<int>(edid::kEdidSize)) {
            std::abort();
        }
        edid::EdidImage back;
        const edid::ParseResult again = edid::parseEdidText(edid::hexText(image), back);
        if (again.count != static_cast<int>(edid::kEdidSize) || back != image) {
            std::abort();
        }
    } else if (result.count != -1 || result.position >= edid::kMaxTextChars ||
               result.position >= size || result.line < 1 || result.column < 1 ||
               edid::describeParseError(result).empty()) {
        std::abort();
    }
    return 0;
}
