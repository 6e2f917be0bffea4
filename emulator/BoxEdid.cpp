// The box's EDID side: its tables and their upload, the EDID each input
// presents by the EDID mode, and the fetches into the EDID buffer.
#include <algorithm>

#include "Box.h"
#include "BoxRequests.h"
#include "Strf.h"
#include "protocol/Protocol.h"

namespace emu {

using namespace boxlink;
using namespace request;

Edid* Box::table(int number) {
    if (number < 1 || number > kEdidTableCount) {
        return nullptr;
    }
    return &tables_[static_cast<std::size_t>(number - 1)];
}

const Edid* Box::table(int number) const {
    if (number < 1 || number > kEdidTableCount) {
        return nullptr;
    }
    return &tables_[static_cast<std::size_t>(number - 1)];
}

int Box::effectiveEdidMode() const {
    const int sw = ep_[kEdidSwitchByte];
    if (sw == 1 || sw == 2) {
        return sw;
    }
    const int mode = ep_[kEpEdidMode];
    return mode >= 1 && mode <= 5 ? mode : 1;
}

Box::Presented Box::presented(int port) const {
    switch (effectiveEdidMode()) {
        case 1:
            return {Presented::kSink, sinks_[0] ? 0 : 1, "automix, "};
        case 2:
            return {Presented::kFixed, 0, ""};
        case 3: {
            int t = ep_[kEpEdidTableBot];
            if (port == 1 && ep_[kEpEdidTableTop] != 0) {
                t = ep_[kEpEdidTableTop];
            }
            return {Presented::kTable, t, ""};
        }
        case 4:
            return {Presented::kSink, 1, "copy TOP sink, "};
        default:
            return {Presented::kSink, 0, "copy BOT sink, "};
    }
}

std::string Box::presentedSource(int port) const {
    const Presented p = presented(port);
    switch (p.kind) {
        case Presented::kSink: {
            const auto& sink = sinks_[static_cast<std::size_t>(p.number)];
            return p.prefix + (sink ? strf("TX%d TV %s", p.number, monitorName(*sink).c_str())
                                    : strf("no TV on TX%d, fixed EDID", p.number));
        }
        case Presented::kTable:
            return table(p.number) != nullptr
                       ? strf("custom table %d", p.number)
                       : strf("custom table %d does not exist, fixed EDID", p.number);
        case Presented::kFixed:
            break;
    }
    return "fixed EDID";
}

Edid Box::presentedEdid(int port) const {
    const Presented p = presented(port);
    switch (p.kind) {
        case Presented::kSink: {
            const auto& sink = sinks_[static_cast<std::size_t>(p.number)];
            return sink ? *sink : fixedEdid();
        }
        case Presented::kTable: {
            const Edid* e = table(p.number);
            return e != nullptr ? *e : fixedEdid();
        }
        case Presented::kFixed:
            break;
    }
    return fixedEdid();
}

Edid Box::currentEdid() const {
    return presentedEdid(ep_[0] == 2 ? 1 : 0);
}
BoxReply Box::edidFetch(std::uint8_t command) {
    BoxReply reply = answered(command, "");
    switch (command) {
        case CMD_EDID_FETCH: {
            const int port = ep_[0] == 2 ? 1 : 0;
            pendingEdid_ = currentEdid();
            reply.description =
                strf("fetch current EDID (port %d: %s)", port, presentedSource(port).c_str());
            if (busyReads_ == 0) {
                edidBuffer_ = pendingEdid_;
                busyLeft_ = 0;
            } else {
                busyLeft_ = busyReads_;
                reply.description += strf(", busy for %d status reads", busyReads_);
            }
            break;
        }
        case CMD_EDID_FETCH_TV_A:
        case CMD_EDID_FETCH_TV_B: {
            const int tx = command == CMD_EDID_FETCH_TV_A ? 0 : 1;
            const auto& s = sinks_[static_cast<std::size_t>(tx)];
            edidBuffer_ = s ? *s : Edid{};
            reply.description = s ? strf("fetch TX%d TV EDID (%s)", tx, monitorName(*s).c_str())
                                  : strf("fetch TX%d TV EDID (no TV, buffer zeroed)", tx);
            break;
        }
        default: {
            const int port = command == CMD_EDID_FETCH_RX_BOT ? 0 : 1;
            edidBuffer_ = presentedEdid(port);
            reply.description =
                strf("fetch input port %d EDID (%s)", port, presentedSource(port).c_str());
            break;
        }
    }
    return reply;
}

BoxReply Box::edidUpload(Bytes r) {
    const int t = r.size() > 3 ? r[3] : -1;
    const int offset = r.size() > 4 ? r[4] : -1;
    const std::string what = strf("EDID table %d upload, offset %d", t, offset);
    if (auto bad = checkFixed(r, 13, 8); !bad.empty()) {
        return ignore(what, bad);
    }
    if (t < 1 || t > kCustomTableCount) {
        return ignore(what, strf("table %d is not a custom table (1..10)", t));
    }
    if (offset > 248) {
        return ignore(what, "the 8 bytes would end past byte 255");
    }
    Edid& image = staging_[static_cast<std::size_t>(t - 1)];
    std::copy_n(r.begin() + 5, 8, image.begin() + offset);
    stagedChunks_[static_cast<std::size_t>(t - 1)] |= 1u << (offset / 8);
    if (offset % 8 != 0) {
        stagedChunks_[static_cast<std::size_t>(t - 1)] |= 1u << (offset / 8 + 1);
    }
    return answered(CMD_EDID_DATA, what);
}

BoxReply Box::edidCommit(std::uint8_t t) {
    const std::string what = strf("EDID table %u commit", t);
    if (t < 1 || t > kCustomTableCount) {
        return ignore(what, strf("table %u is not a custom table (1..10)", t));
    }
    const std::size_t i = t - 1u;
    tables_[i] = staging_[i];
    const int chunks = __builtin_popcount(stagedChunks_[i]);
    stagedChunks_[i] = 0;
    return answered(
        CMD_EDID_COMMIT,
        strf("%s (%d of 32 chunks uploaded since the last commit, checksums %s, name \"%s\")",
             what.c_str(), chunks, checksumsValid(tables_[i]) ? "correct" : "WRONG",
             monitorName(tables_[i]).c_str()));
}

}  // namespace emu
