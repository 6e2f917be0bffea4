// A configuration file of any content, as the import reads it: the lines and
// words, what each line does to the settings, and the export of the result.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "config/ConfigText.h"
#include "config/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view file(reinterpret_cast<const char*>(data), size);
    const config::ReadFile read = config::readConfigText(file, config::isImportedKey);
    config::Snapshot snapshot;
    snapshot.inputIndex = 0;
    snapshot.edidAlgoIndex = 0;
    snapshot.edidTableBotIndex = 0;
    snapshot.edidTableTopIndex = 0;
    for (const auto& line : read.lines) {
        if (line) {
            (void)config::importLine(*line, snapshot);
        }
    }
    (void)config::settingsSection(snapshot);
    return 0;
}
