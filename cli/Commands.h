// The commands of the command line as one table: name, usage, help and
// handler. The program's help, each command's help, the dispatch and the
// shell completion are all made from it.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "cli/Args.h"
#include "cli/Cli.h"

namespace cli {

// What a positional argument takes, for the shell completion.
enum class ArgKind : std::uint8_t {
    None,
    SettingName,
    SettingValue,  // a value of the setting named by the argument before
    EdidSource,
    EdidMode,
    Table,
    PacketKind,
    File,
    Shell,
};

struct Command {
    std::string_view name;      // one or two words: "edid read"
    std::string_view usage;     // the rest of the usage line
    std::string_view synopsis;  // the arguments in the program's list of commands
    std::string_view summary;   // what it does, in that list
    std::string_view text;      // what it does, in full (`COMMAND --help`)
    int (*run)(Environment&, const Args&);
    // The positional arguments, in order; filesAnywhere: every position takes
    // a file name.
    std::array<ArgKind, 3> args{};
    bool filesAnywhere = false;
    // A help text made at run time, in place of text.
    std::string (*makeText)() = nullptr;
};

// Every command, in the order of the program's help.
std::span<const Command> commands();
const Command* findCommand(std::string_view name);

// "Usage: vortilan2 NAME USAGE"
std::string usageLine(const Command& command);
// What `vortilan2 --help` prints.
const std::string& programHelp();
// What `vortilan2 COMMAND --help` prints.
std::string commandHelp(const Command& command);

// The handlers, by file: status and settings (StatusCommands.cpp), EDID
// (EdidCommands.cpp), packets (PacketCommands.cpp), configuration files
// (ConfigCommands.cpp) and the completion (Commands.cpp).
int statusCommand(Environment& env, const Args& args);
int getCommand(Environment& env, const Args& args);
int setCommand(Environment& env, const Args& args);
int edidRead(Environment& env, const Args& args);
int edidDecode(Environment& env, const Args& args);
int edidEditCommand(Environment& env, const Args& args);
int edidWrite(Environment& env, const Args& args);
int edidMode(Environment& env, const Args& args);
int cecSend(Environment& env, const Args& args);
int infoframeSend(Environment& env, const Args& args);
int rs232Send(Environment& env, const Args& args);
int osdText(Environment& env, const Args& args);
int configExport(Environment& env, const Args& args);
int configImport(Environment& env, const Args& args);
int configDiff(Environment& env, const Args& args);
int completionCommand(Environment& env, const Args& args);

}  // namespace cli
