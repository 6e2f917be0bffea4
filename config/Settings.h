// The settings section of a configuration file: written from a Snapshot, and
// applied back to one line by line.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "config/ConfigText.h"
#include "config/Snapshot.h"

namespace config {

// The settings section, from its opening separator to its closing one.
std::string settingsSection(const Snapshot& snapshot);

// The vocabularies of the scaler keys, by combo box index.
extern const std::array<std::string_view, 9> kColourSpaceNames;
extern const std::array<std::string_view, 5> kDeepColourNames;
// Scale mode names by combo box index: port 0 lists the 1080p item (no
// scaling) first, port 1 the 4K item (scaling) first.
std::string_view scaleModeName(int port, int index);

// The most characters of each text key that the import takes; a longer text
// is cut to this on export, so that what is exported can be imported.
struct TextKey {
    std::string_view key;
    std::size_t minChars;  // shorter texts are ignored on import
    std::size_t maxChars;
    std::string Snapshot::*text;
    bool imported;  // DolbyVision is written for the reader only
};
std::span<const TextKey> textKeys();

// What importing one line asks of the box, after the line has changed the
// snapshot.
struct ImportAction {
    enum Kind : std::uint8_t {
        None,           // nothing to send (unknown key, value the box holds, widget only)
        WriteRegister,  // reg := value
        SendOsdParams,
        SendOsdText,
        SendScaler,  // port
        SendMacros,
    };
    Kind kind = None;
    std::uint8_t reg = 0;
    std::uint8_t value = 0;
    int port = 0;

    friend bool operator==(const ImportAction&, const ImportAction&) = default;
};

// Applies one key and value to the snapshot and says what to send.
ImportAction importLine(const KeyValue& line, Snapshot& snapshot);

// The option boxes of the EDID tab as the status poll sets them from the EP
// state (S[15] to S[19]); the import keeps them in step with what it writes.
void mirrorEdidBoxes(Snapshot& snapshot);

// Whether the import applies a key (the status section's lines and the
// keys written for the reader only are not).
bool isImportedKey(std::string_view key);

}  // namespace config
