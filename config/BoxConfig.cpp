#include "config/BoxConfig.h"

#include "config/Settings.h"
#include "packets/Senders.h"
#include "settings/RegisterMap.h"
#include "status/Metadata.h"
#include "status/SettingsMirror.h"

namespace config {

namespace {

boxstatus::Bytes readPage(boxlink::BoxCommands& commands, boxlink::Answer& buffer,
                          std::uint8_t page, std::uint8_t length) {
    buffer.fill(0);
    if (!commands.readRegisterPage(page, buffer, length)) {
        buffer.fill(0);
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

boxlink::PageReads readExportPages(boxlink::BoxCommands& commands) {
    return boxlink::readPages(commands, kExportPageReads);
}

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

std::optional<Snapshot> readSnapshot(boxlink::BoxCommands& commands) {
    const boxlink::UsbLink::SilenceGuard guard(commands.link());
    Snapshot s;
    boxlink::Answer status{};
    if (!commands.readStatusBlock(status, boxstatus::kStatusLength) ||
        status[0] != boxstatus::kStatusEcho) {
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
    s.osd = packets::osdParamsFromPage(readPage(commands, buffer, 11, 30));
    s.osdText = packets::osdTextFromPage(readPage(commands, buffer, 12, 64));
    s.macros = packets::macrosFromPage(readPage(commands, buffer, 65, 41));
    s.scaler[0] = packets::scalerPortFromPage(0, readPage(commands, buffer, 9, 18));
    s.scaler[1] = packets::scalerPortFromPage(1, readPage(commands, buffer, 10, 18));
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
                sender, readPage(commands, buffer, sender.stored->page, sender.stored->length));
            s.*field = text.value_or(std::string());
        }
    }
    s.cecText = kStartupCecText;
    // The Dolby Vision editor shows the captured block, when there is one.
    for (const auto& update :
         boxstatus::decodeDolbyVision(readPage(commands, buffer, 13, boxstatus::kDvPageLength))) {
        if (update.widget == boxstatus::kDvDumpWidget) {
            s.dvText = update.action == boxstatus::TextAction::Set ? update.text : std::string();
        }
    }
    return s;
}

}  // namespace config
