// status, get and set: what the box shows and the settings it holds.
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>
#include <map>
#include <optional>
#include <ostream>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "config/NamedSettings.h"
#include "link/PageReads.h"
#include "settings/Words.h"
#include "status/SettingsMirror.h"
#include "status/SignalInfo.h"

namespace cli {

namespace {

struct StatusField {
    std::string_view widget;
    std::string_view key;  // JSON key
};

constexpr StatusField kStatusFields[] = {
    {"lblRx0Info", "input"},
    {"lblRx1Info", "input2"},
    {"lblAudInfo", "audio"},
    {"lblAudInfo1", "audio2"},
    {"lblTx0Info", "tx0"},
    {"lblTx1Info", "tx1"},
    {"lblTx0Sink", "tx0Sink"},
    {"lblTx1Sink", "tx1Sink"},
    {"lblSpdIf", "source"},
    {"txtAviIf", "aviInfoframe"},
    {"AUDtext", "audioInfoframe"},
    {"txtHvsIf", "hdmiVsInfoframe"},
    {"txtVsiIf", "vsInfoframe"},
    {"txtHfvIf", "hdmiForumVsInfoframe"},
    {"txtSpdIf", "spdInfoframe"},
    {"txtHdrIf", "hdrInfoframe"},
    {"lblHdrEotf", "hdrEotf"},
    {"lblPrimary0", "hdrPrimary0"},
    {"lblPrimary1", "hdrPrimary1"},
    {"lblPrimary2", "hdrPrimary2"},
    {"lblWhitePoint", "hdrWhitePoint"},
    {"lblMaxLum", "hdrMaxLuminance"},
    {"lblMinLum", "hdrMinLuminance"},
    {"lblMaxCll", "hdrMaxCll"},
    {"lblMaxFall", "hdrMaxFall"},
    {"lblHdrMasterTarget", "hdrMasteringTarget"},
    {"lblHdrWpTarget", "hdrWhitePointTarget"},
    {"txtDvBlock", "dolbyVisionBlock"},
    {"lblDvVersion", "dolbyVisionVersion"},
    {"lblDvCaps2160", "dolbyVision2160p60"},
    {"lblDvCaps422", "dolbyVisionYuv422"},
    {"lblDvCapsDim", "dolbyVisionGlobalDimming"},
    {"lblDvMaxLum", "dolbyVisionMaxLuminance"},
    {"lblDvMinLum", "dolbyVisionMinLuminance"},
    {"lblDvRed", "dolbyVisionRed"},
    {"lblDvGreen", "dolbyVisionGreen"},
    {"lblDvBlue", "dolbyVisionBlue"},
    {"lblDvWhite", "dolbyVisionWhite"},
};

// Headings of the plain output, before the field they precede.
std::string_view headingBefore(std::string_view widget) {
    if (widget == "txtAviIf")
        return "Captured infoframes";
    if (widget == "txtHdrIf")
        return "HDR infoframe";
    if (widget == "txtDvBlock")
        return "Dolby Vision";
    return {};
}

std::string_view dumpLabel(std::string_view widget) {
    if (widget == "txtAviIf")
        return "AVI: ";
    if (widget == "AUDtext")
        return "AUDIO: ";
    if (widget == "txtHvsIf")
        return "HVS: ";
    if (widget == "txtVsiIf")
        return "VSI: ";
    if (widget == "txtHfvIf")
        return "HFV: ";
    if (widget == "txtSpdIf")
        return "SPD: ";
    if (widget == "txtHdrIf")
        return "Bytes: ";
    if (widget == "txtDvBlock")
        return "Block: ";
    return {};
}

}  // namespace

int statusCommand(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "status", args, 0, 0, {"--json"}, code)) {
        return code;
    }
    Session box(env);
    const std::string action = "read the box's status";
    if (!box.open(action)) {
        return kBoxFailed;
    }
    auto& commands = box.commands();
    const boxlink::UsbLink::SilenceGuard guard(box.link());
    const std::uint8_t pcb = commands.readPcbRevision();
    boxlink::Answer page0{};
    const bool firmwareRead = commands.readRegisterPage(0, page0, 27);
    boxlink::Answer status{};
    if (!commands.readStatusBlock(status, boxstatus::kStatusLength) ||
        status[0] != boxstatus::kStatusEcho) {
        return box.failed(action);
    }
    const boxlink::PageReads signal = boxlink::readPages(commands, boxstatus::kSignalPageReads);
    if (!signal.lastRead) {
        return box.failed(action);
    }
    const int inputIndex = status[2] - 1;  // S[0]: the routing, as the window's combo box
    std::map<std::string_view, std::string> texts;
    for (const auto& update : boxstatus::signalTexts(signal.pages(), inputIndex)) {
        if (update.action == boxstatus::TextAction::Set) {
            texts[update.widget] = update.text;
        } else {
            texts.erase(update.widget);
        }
    }
    const std::string firmware =
        firmwareRead ? boxstatus::textAt(boxstatus::Bytes(page0.data(), 27), 2) : std::string();
    const auto& captions = boxsettings::kInputCaptions;
    const std::string routing = inputIndex >= 0 && inputIndex < static_cast<int>(captions.size())
                                    ? std::string(captions[static_cast<std::size_t>(inputIndex)])
                                    : "unknown (" + std::to_string(status[2]) + ")";

    if (args.has("--json")) {
        QJsonObject json;
        json.insert("firmware", QString::fromLatin1(firmware));
        json.insert("pcbRevision", pcb + 1);
        json.insert("inputRouting", QString::fromLatin1(routing));
        for (const StatusField& f : kStatusFields) {
            const auto it = texts.find(f.widget);
            json.insert(
                QLatin1String(f.key.data(), static_cast<qsizetype>(f.key.size())),
                it != texts.end() ? QJsonValue(QString::fromLatin1(it->second)) : QJsonValue());
        }
        env.out << QJsonDocument(json).toJson(QJsonDocument::Indented).toStdString();
        return kOk;
    }
    env.out << "Firmware: " << firmware << "   PCB " << pcb + 1 << '\n';
    env.out << "Input routing: " << routing << '\n';
    for (const StatusField& f : kStatusFields) {
        if (const auto heading = headingBefore(f.widget); !heading.empty()) {
            env.out << '\n' << heading << '\n';
        }
        const auto it = texts.find(f.widget);
        if (it == texts.end() || it->second.empty()) {
            continue;
        }
        env.out << dumpLabel(f.widget) << it->second << '\n';
    }
    return kOk;
}

namespace {

std::optional<std::array<std::uint8_t, boxlink::kEpStateSize>> readEpState(Session& box) {
    boxlink::Answer status{};
    if (!box.commands().readStatusBlock(status, boxstatus::kStatusLength) ||
        status[0] != boxstatus::kStatusEcho) {
        return std::nullopt;
    }
    std::array<std::uint8_t, boxlink::kEpStateSize> ep{};
    boxstatus::copyEpState(boxstatus::Bytes(status.data(), boxstatus::kStatusLength), ep);
    return ep;
}

}  // namespace

int getCommand(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "get", args, 0, 1, {}, code)) {
        return code;
    }
    const config::NamedSetting* one = nullptr;
    if (!args.words.empty()) {
        one = config::findSetting(args.words[0]);
        if (one == nullptr) {
            return usage(
                env, "get",
                "no setting is called " + args.words[0] + " (`vortilan2 get` lists them all)");
        }
    }
    Session box(env);
    const std::string action =
        one != nullptr ? "read " + std::string(one->name) : "read the settings";
    if (!box.open(action)) {
        return kBoxFailed;
    }
    const auto ep = readEpState(box);
    if (!ep) {
        return box.failed(action);
    }
    if (one != nullptr) {
        env.out << config::settingValue(*one, *ep) << '\n';
        return kOk;
    }
    std::size_t width = 0;
    for (const auto& s : config::namedSettings()) {
        width = std::max(width, s.name.size());
    }
    for (const auto& s : config::namedSettings()) {
        env.out << s.name << std::string(width + 2 - s.name.size(), ' ')
                << config::settingValue(s, *ep) << '\n';
    }
    return kOk;
}

int setCommand(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "set", args, 2, 2, {}, code)) {
        return code;
    }
    const config::NamedSetting* setting = config::findSetting(args.words[0]);
    if (setting == nullptr) {
        return usage(env, "set",
                     "no setting is called " + args.words[0] + " (`vortilan2 get` lists them all)");
    }
    const std::string action = "set " + std::string(setting->name);
    // A value outside the vocabulary is refused before the box is touched.
    std::array<std::uint8_t, boxlink::kEpStateSize> none{};
    if (const auto check = config::settingValueFor(*setting, args.words[1], none); !check.ok()) {
        Session quiet(env);
        return quiet.refused(action, check.refusal);
    }
    Session box(env);
    if (!box.open(action)) {
        return kBoxFailed;
    }
    std::array<std::uint8_t, boxlink::kEpStateSize> ep{};
    if (setting->kind == config::NamedSetting::Kind::Bit) {
        // One bit of a register that holds others: keep them.
        const auto read = readEpState(box);
        if (!read) {
            return box.failed(action);
        }
        ep = *read;
    }
    const auto value = config::settingValueFor(*setting, args.words[1], ep);
    if (!box.commands().writeRegister(setting->reg, value.value)) {
        return box.failed(action);
    }
    return kOk;
}

}  // namespace cli
