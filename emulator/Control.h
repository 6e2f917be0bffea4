// The emulator's line-based control language (see docs/emulator.md): one
// command line in, a reply out whose last line starts with "ok" or "error".
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace emu {

class Box;
class Trace;

// A fault that the server applies to the next answers.
struct Fault {
    enum Kind {
        kNoAnswer,   // the answer is withheld
        kWrongEcho,  // byte 0 of the answer is changed
        kShort,      // the last byte of the answer is left off
        kSplit,      // the answer comes in two R frames, ms apart
        kDelay,      // the answer comes ms late
        kLong,       // bytes beyond 64 are appended (80 bytes in all)
        kUnplug,     // the box answers the next request, then unplugs
    };
    Kind kind = kNoAnswer;
    int count = 1;  // answers (requests for kUnplug) that it applies to
    int ms = 0;
};

std::optional<Fault::Kind> faultKindFromName(std::string_view name);
const char* faultKindName(Fault::Kind kind);
std::string describeFault(const Fault& fault);

// What the control language acts on besides the box.
class ControlTarget {
public:
    virtual ~ControlTarget() = default;
    // Runs f with the box locked against the server loop.
    virtual std::string withBoxLocked(const std::function<std::string(Box&)>& f) = 0;
    virtual bool unplugBox() = 0;
    virtual bool replugBox(std::string* error) = 0;
    virtual void addFaultLocked(const Fault& fault) = 0;
    virtual void clearFaultsLocked() = 0;
    virtual std::vector<Fault> faultsLocked() = 0;
    // Empty when quitting is not possible here.
    virtual bool requestQuit() = 0;
    virtual std::string statusText() = 0;
    virtual Trace& traceLog() = 0;
};

std::string runControl(ControlTarget& target, std::string_view line);

// The text of the "help" command.
std::string controlHelp();

}  // namespace emu
