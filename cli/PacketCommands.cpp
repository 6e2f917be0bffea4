// cec send, infoframe send, rs232 send and osd text: packets through the box.
#include <optional>
#include <ostream>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "packets/Osd.h"
#include "packets/Rs232.h"
#include "packets/Senders.h"

namespace cli {

namespace {

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

}  // namespace

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

}  // namespace cli
