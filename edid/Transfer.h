// EDID traffic with the box: reading one of its EDIDs into the text form, and
// uploading an image into a custom table. Both block until they are done,
// report through the link's LinkUi (status-bar messages in the window, lines
// on stderr on a command line) and pause through the link's clock.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "edid/Image.h"
#include "link/BoxCommands.h"
#include "link/LinkUi.h"
#include "usb/Clock.h"

namespace edid {

// Which EDID a read asks the box for.
enum class EdidSource {
    Current,  // the box's current EDID, prepared on request
    Tx0,      // the TV on output TX0 [BOT]
    Tx1,      // the TV on output TX1 [TOP]
    Rx0,      // what input port 0 [BOT] presents
    Rx1,      // what input port 1 [TOP] presents
};

struct SourceInfo {
    EdidSource source;
    std::uint8_t fetchCommand;  // copies the EDID into the box's EDID buffer
    std::uint32_t waitMs;       // pause after the fetch
    bool busyPoll;              // then poll the status block until the box is done
    std::string_view message;   // status-bar text of a read that is shown
    std::string_view name;      // short name on command lines
};

std::span<const SourceInfo> edidSources();
const SourceInfo& sourceInfo(EdidSource source);
// By short name: "current", "tx0", "tx1", "rx0", "rx1".
std::optional<EdidSource> sourceByName(std::string_view name);

// Progress of a transfer as (value, maximum); (0, 0) when it is over.
using Progress = std::function<void(int value, int maximum)>;

// What a transfer works through. progress may be empty.
struct BoxAccess {
    boxlink::BoxCommands& commands;
    boxlink::LinkUi& ui;
    usb::Clock& clock;
    Progress progress;
};

// Read protocol.
inline constexpr std::uint32_t kCurrentWaitMs = 100;
inline constexpr std::uint32_t kSourceWaitMs = 300;
inline constexpr std::uint32_t kBusyPollPauseMs = 10;
inline constexpr int kMaxBusyReads = 502;
inline constexpr std::uint8_t kBusyStatusLength = 42;
inline constexpr std::uint8_t kReadChunk = 16;
inline constexpr int kReadProgressMaximum = 255;

// Upload protocol.
inline constexpr std::uint8_t kUploadChunk = 8;
inline constexpr int kUploadChunks = static_cast<int>(kEdidSize / kUploadChunk);
inline constexpr std::uint32_t kUploadPauseMs = 30;
// A chunk is sent at most this often before the upload gives up.
inline constexpr int kUploadAttempts = 2;

// Messages.
inline constexpr char kFetchFailed[] = "Error Writing values";
inline constexpr int kFetchFailedMs = 4000;
inline constexpr char kChunkFailed[] = "Error Writing EDID values.";
inline constexpr char kUploadDone[] = "EDID values written...";
inline constexpr char kCommitFailed[] = "Error Populating EDID values.";
inline constexpr int kNoticeMs = 2000;

// Fetches the EDID into the box's buffer, waits for it, and reads the buffer
// in 16 chunks into hexText (cleared after the wait): 768 characters. A fetch
// without its echo is reported and the read goes on. A chunk that fails ends
// the read with false; hexText then holds the lines read before it. Once the
// box stops answering altogether, the rest of the read fails at once.
bool readEdid(BoxAccess& box, EdidSource source, std::string& hexText);

// Uploads the image into a table in 32 chunks of 8 bytes, 30 ms apart, and
// commits it. A chunk that fails is sent once more; if it fails again the
// upload ends with "Error Writing EDID values." and false, and no commit is
// sent, so the table keeps what it held. Otherwise the result is whether the
// commit succeeded. Sends whatever table it is given: see
// edid::uploadAllowed().
bool uploadEdid(BoxAccess& box, std::uint8_t table, const EdidImage& image);

}  // namespace edid
