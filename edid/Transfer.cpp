#include "edid/Transfer.h"

#include <algorithm>
#include <array>

namespace edid {

namespace {

using boxlink::Answer;
using boxlink::UsbLink;

constexpr std::array<SourceInfo, 5> kSources = {{
    {EdidSource::Current, boxlink::CMD_EDID_FETCH, kCurrentWaitMs, true, "EDID values read.",
     "current"},
    {EdidSource::Tx0, boxlink::CMD_EDID_FETCH_TV_A, kSourceWaitMs, false, "TV EDID values read.",
     "tx0"},
    {EdidSource::Tx1, boxlink::CMD_EDID_FETCH_TV_B, kSourceWaitMs, false, "TV EDID values read.",
     "tx1"},
    {EdidSource::Rx0, boxlink::CMD_EDID_FETCH_RX_BOT, kSourceWaitMs, false, "RX EDID values read.",
     "rx0"},
    {EdidSource::Rx1, boxlink::CMD_EDID_FETCH_RX_TOP, kSourceWaitMs, false, "RX EDID values read.",
     "rx1"},
}};

void report(const BoxAccess& box, int value, int maximum) {
    if (box.progress) {
        box.progress(value, maximum);
    }
}

// Waits while the box prepares its current EDID: at most kMaxBusyReads status
// reads, kBusyPollPauseMs after each, for as long as bit 0 of status byte 1
// says busy. A failed read counts and leaves the last answer's bytes.
void pollWhileBusy(BoxAccess& box) {
    UsbLink& link = box.commands.link();
    Answer status{};
    for (int reads = 1;; ++reads) {
        box.commands.readStatusBlock(status, kBusyStatusLength);
        box.clock.sleepMs(kBusyPollPauseMs);
        if ((status[1] & 0x01) == 0 || reads >= kMaxBusyReads || link.boxSilent()) {
            return;
        }
    }
}

}  // namespace

std::span<const SourceInfo> edidSources() {
    return kSources;
}

const SourceInfo& sourceInfo(EdidSource source) {
    return kSources[static_cast<std::size_t>(source)];
}

std::optional<EdidSource> sourceByName(std::string_view name) {
    for (const SourceInfo& info : kSources) {
        if (info.name == name) {
            return info.source;
        }
    }
    return std::nullopt;
}

bool readEdid(BoxAccess& box, EdidSource source, std::string& hexText) {
    const SourceInfo& info = sourceInfo(source);
    UsbLink& link = box.commands.link();
    const UsbLink::SilenceGuard guard(link);

    const std::uint8_t fetch[] = {boxlink::REQ_WRITE, 0x01, info.fetchCommand};
    Answer answer{};
    if (!link.transact(answer, fetch, 2, sizeof fetch) || answer[0] != info.fetchCommand) {
        box.ui.showStatus(kFetchFailed, kFetchFailedMs);
    }

    box.clock.sleepMs(info.waitMs);
    if (info.busyPoll) {
        pollWhileBusy(box);
    }

    hexText.clear();
    for (std::size_t offset = 0; offset < kEdidSize; offset += kReadChunk) {
        report(box, static_cast<int>(offset), kReadProgressMaximum);
        const std::uint8_t request[] = {boxlink::REQ_READ, kReadChunk, boxlink::CMD_EDID_DATA,
                                        static_cast<std::uint8_t>(offset)};
        Answer chunk{};
        if (!link.transact(chunk, request, kReadChunk, sizeof request)) {
            report(box, 0, 0);
            return false;
        }
        appendHexLine(hexText, std::span(chunk).first(kReadChunk));
    }
    report(box, 0, 0);
    return true;
}

bool uploadEdid(BoxAccess& box, std::uint8_t table, const EdidImage& image) {
    UsbLink& link = box.commands.link();
    const UsbLink::SilenceGuard guard(link);

    // A chunk the box did not take is sent once more; one that fails again
    // ends the upload without the commit, so the table keeps its old content
    // instead of a mix of old and new bytes.
    bool chunksTaken = true;
    for (int i = 0; i < kUploadChunks && chunksTaken; ++i) {
        report(box, i, kUploadChunks);
        const std::size_t offset = static_cast<std::size_t>(i) * kUploadChunk;
        std::array<std::uint8_t, 5 + kUploadChunk> request = {boxlink::REQ_WRITE, kUploadChunk,
                                                              boxlink::CMD_EDID_DATA, table,
                                                              static_cast<std::uint8_t>(offset)};
        std::copy_n(image.begin() + static_cast<std::ptrdiff_t>(offset), kUploadChunk,
                    request.begin() + 5);
        chunksTaken = false;
        for (int attempt = 0; attempt < kUploadAttempts && !chunksTaken; ++attempt) {
            Answer answer{};
            chunksTaken = link.transact(answer, request.data(), 2,
                                        static_cast<std::uint32_t>(request.size())) &&
                          answer[0] == boxlink::CMD_EDID_DATA;
            box.clock.sleepMs(kUploadPauseMs);
        }
    }
    if (!chunksTaken) {
        box.ui.showStatus(kChunkFailed, kNoticeMs);
        report(box, 0, 0);
        return false;
    }

    const std::uint8_t commit[] = {boxlink::REQ_WRITE, 0x08, boxlink::CMD_EDID_COMMIT, table};
    Answer answer{};
    const bool ok =
        link.transact(answer, commit, 2, sizeof commit) && answer[0] == boxlink::CMD_EDID_COMMIT;
    box.ui.showStatus(ok ? kUploadDone : kCommitFailed, kNoticeMs);
    report(box, 0, 0);
    return ok;
}

}  // namespace edid
