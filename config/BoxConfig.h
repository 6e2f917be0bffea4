// The configuration file's traffic with the box, shared by the window and
// the command line: the export (the register pages and EDIDs it reads, and
// the file's text), the import (each line applied and sent, with the pause
// the box needs), the bounded read of a file, and the snapshot that a
// program without a window reads in place of its widgets.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>

#include "config/ConfigText.h"
#include "config/Snapshot.h"
#include "link/BoxCommands.h"
#include "config/Settings.h"
#include "fileio/Files.h"
#include "link/PageReads.h"
#include "packets/Exchange.h"
#include "usb/Clock.h"

namespace config {

// The version text that the file names as its writer.
inline constexpr char kGuiVersionText[] = "GUI: 2.34";

struct ExportInput {
    LocalTime time;
    const boxlink::PageReads& pages;
    std::uint8_t pcbRevision = 0;
    std::array<std::string, 4> edidTexts;  // RX0, RX1, TX0, TX1 as read
    const Snapshot& snapshot;
};

// The whole file: header, status section and settings section, or header
// and interruption text when the box did not answer.
std::string configFileText(const ExportInput& input);

// Reads the hexadecimal text of one EDID of the status section ("rx0",
// "rx1", "tx0", "tx1"); a read that fails part-way leaves the lines it read.
using EdidReader = std::function<bool(std::string_view name, std::string& hexText)>;

// Why a read failed: "no answer from the box (reading register page 19)".
std::string readFailure(const boxlink::UsbLink& link, std::string_view what);

struct ExportResult {
    std::string text;  // the whole file
    // The first read that failed and why, as readFailure says it; empty when
    // every read succeeded.
    std::string failedRead;
    // The box did not answer the last page read: the text holds the header
    // and the interruption text only.
    bool interrupted = false;
};

// Reads the box for an export and gives the file's text. An earlier page or
// an EDID that fails leaves its part empty (the window saves such a file);
// failedRead names it.
ExportResult exportConfig(boxlink::BoxCommands& commands, const Snapshot& snapshot,
                          std::uint8_t pcbRevision, const LocalTime& time,
                          const EdidReader& readEdid);

// A configuration file is refused past this size: an export is about 7 KiB.
inline constexpr std::size_t kMaxFileSize = 256 * 1024;

// Reads a file with its bound and splits it into the import's lines; the
// refusal says why it cannot be imported.
ReadFile readConfigFile(const fileio::Path& path);

// The pause after each line that sent a setting, for the box to take it.
inline constexpr std::uint32_t kImportPauseMs = 100;

// What a front end shows while an import runs; each does nothing by default.
class ImportView {
public:
    virtual ~ImportView() = default;
    // Before line number (1-based) of total is applied.
    virtual void reading(std::size_t number, std::size_t total);
    // The line changed the snapshot (a window's widgets follow it).
    virtual void changed(const Snapshot& snapshot);
    // What a packet sender reported, for a status bar.
    virtual void reported(const packets::SendResult& result);
    // The line sent its setting; ok tells whether the box took it. The
    // pause follows.
    virtual void applied(std::size_t number, std::size_t total, const KeyValue& line, bool ok);
};

// Applies each line to snapshot as importLine says and sends what it asks
// for, in file order, pausing kImportPauseMs after each line that sent.
// Returns the number of lines whose setting the box did not take.
int importConfig(const ReadFile& file, Snapshot& snapshot, boxlink::BoxCommands& commands,
                 usb::Clock& clock, ImportView& view);

// The register pages that a window reads at start-up for the settings a file
// carries, and the status block; a program without a window takes its
// snapshot from them. Nothing when the status block could not be read;
// failedRead, when given, tells the first read that failed (readFailure).
std::optional<Snapshot> readSnapshot(boxlink::BoxCommands& commands,
                                     std::string* failedRead = nullptr);

// The text a window's CEC editor starts with.
inline constexpr char kStartupCecText[] = "ef:36";

}  // namespace config
