// The command line `vortilan2`: the box's settings, EDIDs, packets and
// configuration files without the window, on the same modules. run() is the
// whole program less its process: tests call it with an emulated box, a test
// clock and string streams.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "config/ConfigText.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

namespace cli {

enum Exit : int {
    kOk = 0,
    kBoxFailed = 1,  // the box refused, did not answer, or could not be opened
    kUsage = 2,      // bad usage or bad input (values, files)
};

struct Environment {
    usb::Library& library;
    usb::Clock& clock;
    std::ostream& out;
    std::ostream& err;
    // Standard error is a terminal: long runs show a progress line there.
    bool progressOnTerminal = false;
    // The local time for the timestamp of an exported file.
    std::function<config::LocalTime()> now;
    // Standard input, for the file name "-"; none when null.
    std::istream* in = nullptr;
};

// args are the words after the program name.
int run(const std::vector<std::string>& args, Environment& env);

}  // namespace cli
