// edid read, decode, edit, write and mode: the box's EDIDs and EDID files.
#include <algorithm>
#include <cctype>
#include <optional>
#include <istream>
#include <ostream>

#include "cli/Commands.h"
#include "cli/EdidEdit.h"
#include "cli/Session.h"
#include "edid/Decode.h"
#include "edid/File.h"
#include "edid/Image.h"
#include "edid/Modes.h"
#include "edid/Parse.h"
#include "edid/Transfer.h"

namespace cli {

namespace {

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

}  // namespace

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

namespace {

std::string hex2(std::uint8_t v) {
    static const char digits[] = "0123456789ABCDEF";
    return std::string("0x") + digits[v >> 4] + digits[v & 15];
}

}  // namespace

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

}  // namespace cli
