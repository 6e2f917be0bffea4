#include "cli/Cli.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <ostream>

#include "cli/EdidEdit.h"
#include "cli/Completion.h"
#include "cli/Help.h"
#include "cli/Session.h"
#include "config/BoxConfig.h"
#include "config/NamedSettings.h"
#include "config/Settings.h"
#include "edid/Decode.h"
#include "edid/File.h"
#include "edid/Image.h"
#include "edid/Modes.h"
#include "edid/Parse.h"
#include "edid/Transfer.h"
#include "packets/Osd.h"
#include "packets/Rs232.h"
#include "packets/Senders.h"
#include "settings/Words.h"
#include "status/Metadata.h"
#include "status/SettingsMirror.h"
#include "status/SignalInfo.h"

namespace cli {

namespace {

// ---- Arguments ----------------------------------------------------------------

struct Args {
    std::vector<std::string> words;             // everything that is not an option
    std::vector<std::string> flags;             // --name
    std::map<std::string, std::string> values;  // options with a value
    std::vector<std::string> all;               // every word after the command, in order

    bool has(std::string_view flag) const {
        return std::find(flags.begin(), flags.end(), flag) != flags.end();
    }
};

// Options that take a value; every other word beginning with "-" is a flag.
bool takesValue(std::string_view option) {
    return option == "-o" || option == "--output" || option == "--at";
}

std::optional<Args> parseArgs(const std::vector<std::string>& in, std::size_t from,
                              std::string& error) {
    Args args;
    args.all.assign(in.begin() + static_cast<long>(from), in.end());
    for (std::size_t i = from; i < in.size(); ++i) {
        const std::string& w = in[i];
        if (w == "--") {
            args.words.insert(args.words.end(), in.begin() + static_cast<long>(i) + 1, in.end());
            break;
        }
        if (w.size() > 1 && w[0] == '-' &&
            !(w.size() > 1 && std::isdigit(static_cast<unsigned char>(w[1])))) {
            if (takesValue(w)) {
                if (i + 1 >= in.size()) {
                    error = w + " needs a value";
                    return std::nullopt;
                }
                args.values[w == "--output" ? "-o" : w] = in[++i];
            } else {
                args.flags.push_back(w);
            }
            continue;
        }
        args.words.push_back(w);
    }
    return args;
}

const CommandHelp* helpFor(std::string_view command) {
    for (const CommandHelp& h : kCommandHelp) {
        if (h.command == command) {
            return &h;
        }
    }
    return nullptr;
}

void printHelp(std::ostream& out, const CommandHelp& h) {
    out << "Usage: vortilan2 " << h.command << ' ' << h.usage << "\n\n" << h.text;
}

int usage(Environment& env, std::string_view command, std::string_view problem) {
    env.err << "vortilan2 " << command << ": " << problem << '\n';
    if (const CommandHelp* h = helpFor(command)) {
        env.err << "Usage: vortilan2 " << h->command << ' ' << h->usage << '\n';
    }
    return kUsage;
}

// Only the listed flags, and the number of words in [low, high].
bool checkArgs(Environment& env, std::string_view command, const Args& args, std::size_t low,
               std::size_t high, std::initializer_list<std::string_view> allowed, int& code) {
    for (const std::string& f : args.flags) {
        if (std::find(allowed.begin(), allowed.end(), f) == allowed.end()) {
            code = usage(env, command, "unknown option " + f);
            return false;
        }
    }
    for (const auto& [option, value] : args.values) {
        if (std::find(allowed.begin(), allowed.end(), option) == allowed.end()) {
            code = usage(env, command, "unknown option " + option);
            return false;
        }
    }
    if (args.words.size() < low) {
        code = usage(env, command, "missing arguments");
        return false;
    }
    if (args.words.size() > high) {
        code = usage(env, command, "too many arguments");
        return false;
    }
    return true;
}

// A whole decimal number in [low, high], nothing else in the text.
std::optional<int> wholeNumber(std::string_view text, int low, int high) {
    int v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v < low || v > high) {
        return std::nullopt;
    }
    return v;
}

// A file name from the command line: its bytes, whatever the locale.
fileio::Path filePath(const std::string& path) {
    return fileio::Path(path);
}

// ---- status -------------------------------------------------------------------

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

// ---- get / set ------------------------------------------------------------------

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

// ---- edid ---------------------------------------------------------------------------

bool endsWith(std::string_view s, std::string_view suffix) {
    return s.size() >= suffix.size() &&
           std::equal(suffix.rbegin(), suffix.rend(), s.rbegin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) == b;
           });
}

std::string edidName(edid::EdidSource source) {
    switch (source) {
        case edid::EdidSource::Current:
            return "the current EDID";
        case edid::EdidSource::Tx0:
        case edid::EdidSource::Tx1:
            return "the TV EDID";
        case edid::EdidSource::Rx0:
        case edid::EdidSource::Rx1:
            return "the input EDID";
    }
    return "the EDID";
}

// An EDID from a file or, for "-", standard input: raw bytes, our own text,
// edid-decode's output, xrandr's EDID lines or one hex string. The loader of
// every command that takes an EDID.
std::optional<std::vector<std::uint8_t>> loadEdidBytes(Environment& env, const std::string& path,
                                                       std::string& error) {
    edid::EdidFileContent content;
    if (path == "-") {
        if (env.in == nullptr) {
            error = "no standard input";
            return std::nullopt;
        }
        std::string data(edid::kMaxLoadBytes + 1, '\0');
        env.in->read(data.data(), static_cast<std::streamsize>(data.size()));
        data.resize(static_cast<std::size_t>(env.in->gcount()));
        if (data.size() > edid::kMaxLoadBytes) {
            error = "it holds more than " + fileio::sizeText(edid::kMaxLoadBytes) +
                    ", too much for an EDID file";
            return std::nullopt;
        }
        content = edid::edidFileContent(
            std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()));
    } else {
        const auto loaded = edid::loadEdidFile(filePath(path));
        if (!loaded.ok) {
            error = loaded.error.toStdString();
            return std::nullopt;
        }
        content = loaded.content;
    }
    if (!content.input.ok()) {
        error = content.input.error;
        return std::nullopt;
    }
    return std::move(content.input.bytes);
}

// An EDID as the box's 256-byte table holds it: one of 128 bytes is followed
// by zeros; one with more than one extension does not fit.
std::optional<edid::EdidImage> loadImage(Environment& env, const std::string& path,
                                         std::string& error) {
    const auto bytes = loadEdidBytes(env, path, error);
    if (!bytes) {
        return std::nullopt;
    }
    const auto image = edid::boxTableImage(*bytes);
    if (!image) {
        error = edid::boxTableRefusal(bytes->size());
    }
    return image;
}

int edidRead(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "edid read", args, 1, 1, {"-o"}, code)) {
        return code;
    }
    const auto source = edid::sourceByName(args.words[0]);
    if (!source) {
        return usage(env, "edid read",
                     "unknown EDID " + args.words[0] + " (rx0, rx1, tx0, tx1 or current)");
    }
    const std::string action = "read " + edidName(*source);
    Session box(env);
    if (!box.open(action)) {
        return kBoxFailed;
    }
    edid::BoxAccess access{box.commands(), box, box.clock(), nullptr};
    std::string text;
    if (!edid::readEdid(access, *source, text)) {
        return box.failed(action);
    }
    const auto out = args.values.find("-o");
    if (out == args.values.end()) {
        env.out << text;
        return kOk;
    }
    if (endsWith(out->second, ".bin")) {
        edid::EdidImage image{};
        edid::parseEdidText(text, image);
        const auto saved = edid::saveEdidFile(filePath(out->second), image);
        if (!saved.ok) {
            return box.refused("write " + out->second, saved.error.toStdString(), kBoxFailed);
        }
    } else if (const auto saved = fileio::saveFile(filePath(out->second), text); !saved.ok) {
        return box.refused("write " + out->second, saved.error, kBoxFailed);
    }
    return kOk;
}

int edidDecode(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "edid decode", args, 1, 1, {}, code)) {
        return code;
    }
    std::string error;
    const auto bytes = loadEdidBytes(env, args.words[0], error);
    if (!bytes) {
        env.err << "Can't decode " << args.words[0] << ": " << error << '\n';
        return kUsage;
    }
    env.out << edid::describeEdid(*bytes);
    return kOk;
}

std::string hex2(std::uint8_t v) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[v >> 4] + digits[v & 15];
}

int edidWrite(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "edid write", args, 2, 2, {"--fix-checksums", "--force"}, code)) {
        return code;
    }
    const std::string& tableText = args.words[0];
    const std::string& path = args.words[1];
    const auto number = wholeNumber(tableText, 1, edid::kTableCount);
    if (!number) {
        return usage(env, "edid write", "TABLE is a number from 1 to 10");
    }
    const int table = *number;
    const std::string action = "write EDID table " + tableText;
    Session box(env);
    if (!edid::isCustomTable(table)) {
        return box.refused(action, "tables 11 to 100 are the box's fixed EDIDs; choose 1 to 10");
    }
    std::string error;
    auto image = loadImage(env, path, error);
    if (!image) {
        return box.refused(action, path + ": " + error);
    }
    if (!edid::hasEdidHeader(*image) && !args.has("--force")) {
        return box.refused(action, path + ": " + edid::kNoHeaderText + " (--force uploads it all the same)");
    }
    const auto verdict = edid::checkChecksums(*image);
    if (!verdict.ok()) {
        if (!args.has("--fix-checksums")) {
            std::string what;
            for (std::size_t b = 0; b < edid::kBlockCount; ++b) {
                if (!verdict.blocks[b].ok()) {
                    what += (what.empty() ? "" : ", ") + std::string("block ") + std::to_string(b) +
                            " checksum is " + hex2(verdict.blocks[b].stored) + ", should be " +
                            hex2(verdict.blocks[b].computed);
                }
            }
            return box.refused(action, what + " (--fix-checksums repairs them)");
        }
        edid::repairChecksums(*image);
    }
    if (!box.open(action)) {
        return kBoxFailed;
    }
    edid::BoxAccess access{box.commands(), box, box.clock(), nullptr};
    if (!edid::uploadEdid(access, static_cast<std::uint8_t>(table), *image)) {
        const bool chunkFailed = !box.messages().empty() && box.messages().back() == edid::kChunkFailed;
        if (chunkFailed) {
            return box.refused(action,
                               std::string(edid::kChunkFailed) + " (" +
                                   boxlink::describeFailure(box.link().lastFailure()) +
                                   "); the table keeps its old content",
                               kBoxFailed);
        }
        return box.failed(action);
    }
    return kOk;
}

int edidMode(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "edid mode", args, 1, 3, {}, code)) {
        return code;
    }
    const auto mode = edid::modeByName(args.words[0]);
    if (!mode) {
        return usage(
            env, "edid mode",
            "unknown mode " + args.words[0] + " (automix, fixed, custom, copy-top, copy-bot)");
    }
    const bool custom = *mode == edid::EdidMode::Custom;
    if ((custom && args.words.size() < 2) || (!custom && args.words.size() > 1)) {
        return usage(env, "edid mode",
                     custom ? "custom needs a TABLE" : "only custom takes a table");
    }
    std::vector<std::pair<std::uint8_t, std::uint8_t>> writes;
    if (custom) {
        const auto bot = wholeNumber(args.words[1], 1, edid::kTableCount);
        if (!bot) {
            return usage(env, "edid mode", "TABLE is a number from 1 to 100");
        }
        writes.emplace_back(edid::kPort0TableRegister, static_cast<std::uint8_t>(*bot));
        if (args.words.size() == 3) {
            const auto top = wholeNumber(args.words[2], 0, edid::kTableCount);
            if (!top) {
                return usage(env, "edid mode", "TOP is a number from 0 to 100");
            }
            writes.emplace_back(edid::kPort1TableRegister, static_cast<std::uint8_t>(*top));
        }
    }
    writes.emplace_back(edid::kEdidModeRegister, static_cast<std::uint8_t>(*mode));
    const std::string action = "set the EDID mode";
    Session box(env);
    if (!box.open(action)) {
        return kBoxFailed;
    }
    for (const auto& [reg, value] : writes) {
        if (!box.commands().writeRegister(reg, value)) {
            return box.failed(action);
        }
    }
    return kOk;
}

// ---- packets --------------------------------------------------------------------------

// What a send tells: refused input, a failed exchange, or nothing on success.
int sendResult(Session& box, std::string_view action, const packets::SendResult& result) {
    switch (result.outcome) {
        case packets::Outcome::Refused:
            return box.refused(action, result.message);
        case packets::Outcome::Failed:
            return box.failed(action);
        case packets::Outcome::Sent:
            break;
    }
    return kOk;
}

int sendTaggedCommand(Environment& env, const packets::Sender& sender, const std::string& text,
                      std::string_view action) {
    Session box(env);
    const auto prepared = packets::prepareTagged(sender, text);
    if (!prepared.ok()) {
        return box.refused(action, prepared.refusal);
    }
    if (!box.open(action)) {
        return kBoxFailed;
    }
    const auto result = packets::sendTagged(box.link(), sender, text);
    // The window writes the sender's register after a send, so that the box
    // switches to the custom packet; so does the command line.
    if (result.registerWrite) {
        box.commands().writeRegister(result.registerWrite->reg, result.registerWrite->value);
    }
    return sendResult(box, action, result);
}

int cecSend(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "cec send", args, 1, 1, {}, code)) {
        return code;
    }
    return sendTaggedCommand(env, packets::sender(packets::SenderId::Cec), args.words[0],
                             "send the CEC message");
}

int infoframeSend(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "infoframe send", args, 2, 2, {}, code)) {
        return code;
    }
    const packets::Sender* sender = packets::findSender(args.words[0]);
    if (sender == nullptr || sender->id == packets::SenderId::Cec) {
        return usage(env, "infoframe send",
                     "unknown kind " + args.words[0] + " (hdr, avi, vsi or dv)");
    }
    return sendTaggedCommand(env, *sender, args.words[1],
                             "send the " + std::string(sender->name) + " packet");
}

int rs232Send(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "rs232 send", args, 1, 1, {}, code)) {
        return code;
    }
    const std::string action = "send the RS-232 command";
    Session box(env);
    if (const auto request = packets::rs232Request(args.words[0]); !request.ok()) {
        return box.refused(action, request.refusal);
    }
    if (!box.open(action)) {
        return kBoxFailed;
    }
    return sendResult(box, action, packets::sendRs232(box.link(), args.words[0]));
}

int osdText(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "osd text", args, 1, 1, {"--at", "--never-fade", "--hide"}, code)) {
        return code;
    }
    packets::OsdText text;
    text.text = args.words[0];
    text.shown = !args.has("--hide");
    text.neverFade = args.has("--never-fade");
    if (const auto at = args.values.find("--at"); at != args.values.end()) {
        const std::string_view v = at->second;
        const auto comma = v.find(',');
        const auto x = wholeNumber(v.substr(0, comma), 1, 1920);
        const auto y = comma == std::string_view::npos ? std::nullopt
                                                       : wholeNumber(v.substr(comma + 1), 1, 1080);
        if (!x || !y) {
            return usage(env, "osd text", "--at takes X,Y with X 1 to 1920 and Y 1 to 1080");
        }
        text.x = static_cast<std::uint16_t>(*x);
        text.y = static_cast<std::uint16_t>(*y);
    }
    const std::string action = "set the OSD text";
    Session box(env);
    if (const auto request = packets::osdTextRequest(text); !request.ok()) {
        return box.refused(action, request.refusal);
    }
    if (!box.open(action)) {
        return kBoxFailed;
    }
    return sendResult(box, action, packets::sendOsdText(box.link(), text));
}

// ---- config ---------------------------------------------------------------------------

int configExport(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "config export", args, 1, 1, {}, code)) {
        return code;
    }
    const std::string& path = args.words[0];
    const std::string action = "export the box to " + path;
    Session box(env);
    if (!box.open(action)) {
        return kBoxFailed;
    }
    std::string failedRead;
    const std::uint8_t pcb = box.commands().readPcbRevision();
    if (box.link().lastFailure() != boxlink::LinkFailure::None) {
        failedRead = config::readFailure(box.link(), "the PCB revision");
    }
    const auto snapshot = config::readSnapshot(box.commands(), &failedRead);
    config::ExportResult exported;
    if (snapshot) {
        edid::BoxAccess access{box.commands(), box, box.clock(), nullptr};
        exported = config::exportConfig(
            box.commands(), *snapshot, pcb, env.now ? env.now() : config::LocalTime{},
            [&access](std::string_view name, std::string& text) {
                return edid::readEdid(access, *edid::sourceByName(name), text);
            });
    }
    // A script trusts the exit status: a file with any part missing is not
    // written, and an existing one stays as it was.
    if (failedRead.empty()) {
        failedRead = exported.failedRead;
    }
    if (!failedRead.empty()) {
        return box.refused(action, failedRead, kBoxFailed);
    }
    if (const auto saved = fileio::saveFile(filePath(path), exported.text); !saved.ok) {
        return box.refused(action, saved.error, kBoxFailed);
    }
    return kOk;
}

// The command line's view of an import: a progress line on a terminal, and
// each line the box did not take on standard error.
class CliImportView final : public config::ImportView {
public:
    CliImportView(Environment& env, Session& box, const std::string& path)
        : env_(env), box_(box), path_(path) {}
    ~CliImportView() override {
        if (env_.progressOnTerminal) {
            env_.err << '\n';
        }
    }
    void reading(std::size_t number, std::size_t total) override {
        if (env_.progressOnTerminal) {
            env_.err << "\rImporting " << path_ << ": line " << number << " of " << total
                     << std::flush;
        }
    }
    void applied(std::size_t number, std::size_t, const config::KeyValue& line,
                 bool ok) override {
        if (ok) {
            return;
        }
        if (env_.progressOnTerminal) {
            env_.err << '\n';
        }
        env_.err << "Can't apply line " << number << " (" << line.key << ' ' << line.value
                 << "): " << boxlink::describeFailure(box_.link().lastFailure()) << '\n';
    }

private:
    Environment& env_;
    Session& box_;
    const std::string& path_;
};

int configImport(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "config import", args, 1, 1, {}, code)) {
        return code;
    }
    const std::string& path = args.words[0];
    const std::string action = "import " + path;
    Session box(env);
    const config::ReadFile read = config::readConfigFile(filePath(path));
    if (!read.refusal.empty()) {
        return box.refused(action, read.refusal);
    }
    if (!box.open(action)) {
        return kBoxFailed;
    }
    auto snapshot = config::readSnapshot(box.commands());
    if (!snapshot) {
        return box.failed(action);
    }
    int failures = 0;
    {
        CliImportView view(env, box, path);
        failures = config::importConfig(read, *snapshot, box.commands(), box.clock(), view);
    }
    if (failures != 0) {
        return box.refused(action, std::to_string(failures) + " lines were not applied",
                           kBoxFailed);
    }
    return kOk;
}

// The settings lines of a file: key to value, the last line of a key winning.
std::map<std::string, std::string> settingsOf(const config::ReadFile& read) {
    std::map<std::string, std::string> values;
    for (const auto& line : read.lines) {
        if (line && line->key[0] != '#') {
            values[line->key] = line->value;
        }
    }
    return values;
}

int configDiff(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "config diff", args, 1, 2, {}, code)) {
        return code;
    }
    const std::string& path = args.words[0];
    const std::string action = "compare " + path;
    Session box(env);
    const auto load = [&](const std::string& p, config::ReadFile& read) {
        read = config::readConfigFile(filePath(p));
        if (!read.refusal.empty()) {
            box.refused("compare " + p, read.refusal);
            return false;
        }
        return true;
    };
    config::ReadFile wanted;
    if (!load(path, wanted)) {
        return kUsage;
    }
    config::ReadFile current;
    std::string currentName;
    if (args.words.size() == 2) {
        if (!load(args.words[1], current)) {
            return kUsage;
        }
        currentName = args.words[1];
    } else {
        if (!box.open(action)) {
            return kBoxFailed;
        }
        const auto snapshot = config::readSnapshot(box.commands());
        if (!snapshot) {
            return box.failed(action);
        }
        current = config::readConfigText(config::settingsSection(*snapshot), config::isImportedKey);
        currentName = "the box";
    }
    const auto from = settingsOf(current);
    const auto to = settingsOf(wanted);
    // In the order of the file to apply, then keys only the other side has.
    std::vector<std::string> keys;
    for (const auto& line : wanted.lines) {
        if (line && to.count(line->key) != 0 &&
            std::find(keys.begin(), keys.end(), line->key) == keys.end()) {
            keys.push_back(line->key);
        }
    }
    int changes = 0;
    for (const std::string& key : keys) {
        if (!config::isImportedKey(key)) {
            continue;  // the import leaves it alone
        }
        const auto f = from.find(key);
        const std::string before = f != from.end() ? f->second : "(none)";
        if (before != to.at(key)) {
            env.out << key << ": " << before << " -> " << to.at(key) << '\n';
            ++changes;
        }
    }
    if (changes == 0) {
        env.out << path << " changes nothing in " << currentName << '\n';
    }
    return kOk;
}

int edidEditCommand(Environment& env, const Args& args) {
    const auto load = [&env](const std::string& path, std::string& error) {
        return loadImage(env, path, error);
    };
    const auto save = [](const std::string& path, std::string_view bytes, std::string& error) {
        const auto saved = fileio::saveFile(filePath(path), bytes);
        error = saved.error;
        return saved.ok;
    };
    return edidEdit(env, args.all, {load, save});
}

// ---- completion ------------------------------------------------------------------------

int completionCommand(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "completion", args, 1, 1, {}, code)) {
        return code;
    }
    if (args.words[0] != "bash") {
        return usage(env, "completion", "unknown shell " + args.words[0] + " (bash)");
    }
    env.out << bashCompletion();
    return kOk;
}

// ---- dispatch -------------------------------------------------------------------------

struct Command {
    std::string_view name;  // one or two words
    int (*run)(Environment&, const Args&);
    std::string (*help)() = nullptr;  // a help text of its own, else the one of Help.h
};

constexpr Command kCommands[] = {
    {"status", statusCommand},       {"get", getCommand},         {"set", setCommand},
    {"edid read", edidRead},         {"edid decode", edidDecode}, {"edid write", edidWrite},
    {"edid mode", edidMode},         {"cec send", cecSend},       {"infoframe send", infoframeSend},
    {"rs232 send", rs232Send},       {"osd text", osdText},       {"config export", configExport},
    {"config import", configImport}, {"config diff", configDiff},
    {"edid edit", edidEditCommand, edidEditHelp},
    {"completion", completionCommand},
};

}  // namespace

int run(const std::vector<std::string>& args, Environment& env) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? env.err : env.out) << kProgramHelp;
        return args.empty() ? kUsage : kOk;
    }
    const Command* command = nullptr;
    std::size_t used = 0;
    for (const Command& c : kCommands) {
        const auto space = c.name.find(' ');
        if (space == std::string_view::npos) {
            if (args[0] == c.name) {
                command = &c;
                used = 1;
            }
        } else if (args[0] == c.name.substr(0, space) && args.size() > 1 &&
                   args[1] == c.name.substr(space + 1)) {
            command = &c;
            used = 2;
        }
    }
    if (command == nullptr) {
        // A group word alone ("edid") or with --help: list its commands.
        bool group = false;
        for (const Command& c : kCommands) {
            if (c.name.substr(0, c.name.find(' ')) == args[0] &&
                c.name.find(' ') != std::string_view::npos) {
                if (!group) {
                    env.err << "vortilan2 " << args[0] << ": say which command:\n";
                }
                group = true;
                const CommandHelp* h = helpFor(c.name);
                env.err << "  vortilan2 " << c.name << ' ' << (h ? h->usage : "") << '\n';
            }
        }
        if (!group) {
            env.err << "vortilan2: unknown command " << args[0]
                    << " (`vortilan2 --help` lists the commands)\n";
        }
        return kUsage;
    }
    std::string error;
    const auto parsed = parseArgs(args, used, error);
    if (!parsed) {
        return usage(env, command->name, error);
    }
    if (parsed->has("--help") || parsed->has("-h")) {
        if (command->help != nullptr) {
            env.out << command->help();
            return kOk;
        }
        printHelp(env.out, *helpFor(command->name));
        return kOk;
    }
    return command->run(env, *parsed);
}

}  // namespace cli
