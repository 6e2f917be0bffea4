#include "config/BoxConfig.h"

#include "config/Settings.h"
#include "packets/Macros.h"
#include "packets/Osd.h"
#include "packets/Scaler.h"
#include "packets/Senders.h"
#include "settings/RegisterMap.h"
#include "status/Metadata.h"
#include "status/SettingsMirror.h"

namespace config {

namespace {

std::string pageName(std::uint8_t page) {
    return "register page " + std::to_string(page);
}

std::string pageFailure(boxlink::BoxCommands& commands, std::uint8_t page) {
    return readFailure(commands.link(), pageName(page));
}

boxstatus::Bytes readPage(boxlink::BoxCommands& commands, boxlink::Answer& buffer,
                          std::uint8_t page, std::uint8_t length, std::string* failedRead) {
    buffer.fill(0);
    if (!commands.readRegisterPage(page, buffer, length)) {
        buffer.fill(0);
        if (failedRead != nullptr && failedRead->empty()) {
            *failedRead = pageFailure(commands, page);
        }
        return {};
    }
    return boxstatus::Bytes(buffer.data(), length);
}

// The index a preset combo box shows for a code: the code's place in its
// list, or index 0 (where the start-up leaves it) for a code it does not list.
template <std::size_t N>
int presetIndex(const std::array<std::uint8_t, N>& codes, std::uint8_t code) {
    for (std::size_t i = 0; i < N; ++i) {
        if (codes[i] == code) {
            return static_cast<int>(i);
        }
    }
    return 0;
}

}  // namespace

std::string configFileText(const ExportInput& in) {
    std::string text = headerLines(in.time);
    if (!in.pages.lastRead) {
        text += interruptionText(kGuiVersionText);
        return text;
    }
    const boxstatus::PageSet pages = in.pages.pages();
    StatusInput status{pages, kGuiVersionText, in.pcbRevision, in.snapshot.inputIndex,
                       in.edidTexts};
    text += statusSection(status);
    text += settingsSection(in.snapshot);
    return text;
}

std::string readFailure(const boxlink::UsbLink& link, std::string_view what) {
    const boxlink::LinkFailure failure = link.lastFailure();
    std::string text = failure != boxlink::LinkFailure::None ? boxlink::describeFailure(failure)
                                                              : "a wrong answer from the box";
    return text + " (reading " + std::string(what) + ")";
}

ExportResult exportConfig(boxlink::BoxCommands& commands, const Snapshot& snapshot,
                          std::uint8_t pcbRevision, const LocalTime& time,
                          const EdidReader& readEdid) {
    ExportResult result;
    // The first failure is the one to tell.
    const boxlink::PageReads pages =
        boxlink::readPages(commands, kExportPageReads, [&](std::uint8_t page) {
            if (result.failedRead.empty()) {
                result.failedRead = pageFailure(commands, page);
            }
        });
    result.interrupted = !pages.lastRead;
    std::array<std::string, 4> edids;
    if (pages.lastRead) {
        static constexpr std::array<std::string_view, 4> kNames = {"rx0", "rx1", "tx0", "tx1"};
        static_assert(kNames.size() == kEdidHeadings.size());
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            if (!readEdid(kNames[i], edids[i]) && result.failedRead.empty()) {
                result.failedRead =
                    readFailure(commands.link(), "the " + std::string(kEdidHeadings[i].substr(1)));
            }
        }
    }
    result.text = configFileText({time, pages, pcbRevision, edids, snapshot});
    return result;
}

ReadFile readConfigFile(const fileio::Path& path) {
    const fileio::ReadResult read = fileio::readFile(path, kMaxFileSize, "a configuration file");
    if (!read.ok) {
        ReadFile refused;
        refused.refusal = read.error;
        refused.unreadable = !read.opened;
        return refused;
    }
    return readConfigText(read.bytes, isImportedKey);
}

void ImportView::reading(std::size_t, std::size_t) {}
void ImportView::changed(const Snapshot&) {}
void ImportView::reported(const packets::SendResult&) {}
void ImportView::applied(std::size_t, std::size_t, const KeyValue&, bool) {}

int importConfig(const ReadFile& file, Snapshot& snapshot, boxlink::BoxCommands& commands,
                 usb::Clock& clock, ImportView& view) {
    boxlink::UsbLink& link = commands.link();
    const std::size_t total = file.lines.size();
    int failures = 0;
    const auto send = [&view](const packets::SendResult& result) {
        view.reported(result);
        return result.sent();
    };
    for (std::size_t i = 0; i < total; ++i) {
        view.reading(i + 1, total);
        if (!file.lines[i]) {
            continue;
        }
        const Snapshot before = snapshot;
        const ImportAction action = importLine(*file.lines[i], snapshot);
        if (!(snapshot == before)) {
            view.changed(snapshot);
        }
        bool ok = true;
        switch (action.kind) {
            case ImportAction::None:
                continue;  // nothing sent: no pause
            case ImportAction::WriteRegister:
                ok = commands.writeRegister(action.reg, action.value);
                break;
            case ImportAction::SendOsdParams:
                ok = send(packets::sendOsdParams(link, snapshot.osd));
                break;
            case ImportAction::SendOsdText:
                // The box shows no empty text: there is nothing to send.
                ok = snapshot.osdText.text.empty() ||
                     send(packets::sendOsdText(link, snapshot.osdText));
                break;
            case ImportAction::SendScaler:
                ok = send(packets::sendScalerPort(
                    link, action.port, snapshot.scaler[static_cast<std::size_t>(action.port)]));
                break;
            case ImportAction::SendMacros:
                ok = send(packets::sendMacros(link, snapshot.macros));
                break;
        }
        if (!ok) {
            ++failures;
        }
        view.applied(i + 1, total, *file.lines[i], ok);
        clock.sleepMs(kImportPauseMs);
    }
    return failures;
}

std::optional<Snapshot> readSnapshot(boxlink::BoxCommands& commands, std::string* failedRead) {
    const boxlink::UsbLink::SilenceGuard guard(commands.link());
    Snapshot s;
    boxlink::Answer status{};
    if (!commands.readStatusBlock(status, boxstatus::kStatusLength) ||
        status[0] != boxstatus::kStatusEcho) {
        if (failedRead != nullptr) {
            *failedRead = readFailure(commands.link(), "the status block");
        }
        return std::nullopt;
    }
    boxstatus::copyEpState(boxstatus::Bytes(status.data(), boxstatus::kStatusLength), s.epState);
    const auto& S = s.epState;

    // The combo boxes as the status poll sets them.
    s.inputIndex = S[0] - 1;
    s.edidTableBotIndex = S[13] - 1;
    s.edidTableTopIndex = S[12];
    s.cecLaIndex = S[37];
    s.edidAlgoIndex = S[11];
    s.baudRateIndex = S[42];
    s.preset4k30Index = presetIndex(boxsettings::kPreset4k30Codes, S[26]);
    s.preset4k60Index = presetIndex(boxsettings::kPreset4k60Codes, S[27]);
    s.preset4k60HdrIndex = presetIndex(boxsettings::kPreset4k60HdrCodes, S[28]);
    mirrorEdidBoxes(s);

    // The settings the window reads from register pages at start-up.
    boxlink::Answer buffer{};
    s.osd = packets::osdParamsFromPage(readPage(commands, buffer, 11, 30, failedRead));
    s.osdText = packets::osdTextFromPage(readPage(commands, buffer, 12, 64, failedRead));
    s.macros = packets::macrosFromPage(readPage(commands, buffer, 65, 41, failedRead));
    s.scaler[0] = packets::scalerPortFromPage(0, readPage(commands, buffer, 9, 18, failedRead));
    s.scaler[1] = packets::scalerPortFromPage(1, readPage(commands, buffer, 10, 18, failedRead));
    // The stored custom infoframes; an editor keeps its empty text when the
    // page holds another kind.
    const std::pair<packets::SenderId, std::string Snapshot::*> stored[] = {
        {packets::SenderId::Hdr, &Snapshot::hdrText},
        {packets::SenderId::Avi, &Snapshot::aviText},
        {packets::SenderId::Vsi, &Snapshot::vsiText},
    };
    for (const auto& [id, field] : stored) {
        const packets::Sender& sender = packets::sender(id);
        if (sender.stored) {
            const auto text = packets::storedInfoframe(
                sender, readPage(commands, buffer, sender.stored->page, sender.stored->length, failedRead));
            s.*field = text.value_or(std::string());
        }
    }
    s.cecText = kStartupCecText;
    // The Dolby Vision editor shows the captured block, when there is one.
    for (const auto& update :
         boxstatus::decodeDolbyVision(readPage(commands, buffer, 13, boxstatus::kDvPageLength, failedRead))) {
        if (update.widget == boxstatus::kDvDumpWidget) {
            s.dvText = update.action == boxstatus::TextAction::Set ? update.text : std::string();
        }
    }
    return s;
}

}  // namespace config
