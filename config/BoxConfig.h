// The configuration file's traffic with the box, shared by the window and
// the command line: the register pages and EDIDs an export reads, and the
// snapshot that a program without a window reads in place of its widgets.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "config/ConfigText.h"
#include "config/Snapshot.h"
#include "link/BoxCommands.h"
#include "link/PageReads.h"

namespace config {

// The version text that the file names as its writer.
inline constexpr char kGuiVersionText[] = "GUI: 2.34";

// The register pages of an export's status section (kExportPageReads). When
// the box did not answer the last read, the file holds the interruption text
// instead of the status and settings sections.
boxlink::PageReads readExportPages(boxlink::BoxCommands& commands);

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

// The register pages that a window reads at start-up for the settings a file
// carries, and the status block; a program without a window takes its
// snapshot from them. Nothing when the status block could not be read.
std::optional<Snapshot> readSnapshot(boxlink::BoxCommands& commands);

// The text a window's CEC editor starts with.
inline constexpr char kStartupCecText[] = "ef:36";

}  // namespace config
