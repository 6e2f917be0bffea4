#include "cli/Commands.h"

#include <algorithm>
#include <ostream>

#include "cli/Completion.h"
#include "cli/EdidEdit.h"

namespace cli {

namespace {

constexpr Command kCommands[] = {
    {"status",
     "[--json]",
     "[--json]",
     "firmware, signal, sinks, source, HDR, Dolby Vision",
     "Shows what the window's status area and signal tabs show: firmware and PCB\n"
     "revision, the input and output timings, the sink names, the source name,\n"
     "the captured infoframes, the HDR infoframe and the Dolby Vision block.\n"
     "--json prints one JSON object instead, for scripts.\n",
     statusCommand,
     {}},
    {"get",
     "[NAME]",
     "[NAME]",
     "one setting, or all of them",
     "Prints the value of a setting as the box reports it, or every setting with\n"
     "its value when NAME is left out. Names and values are those of the\n"
     "configuration file (InputPort swap, EdidHdr hdrhlg, ...).\n",
     getCommand,
     {ArgKind::SettingName}},
    {"set",
     "NAME VALUE",
     "NAME VALUE",
     "change a setting",
     "Writes one setting to the box. A value outside the setting's vocabulary\n"
     "is refused with the list of allowed values; `vortilan2 get` lists the\n"
     "names.\n",
     setCommand,
     {ArgKind::SettingName, ArgKind::SettingValue}},
    {"edid read",
     "rx0|rx1|tx0|tx1|current [-o FILE]",
     "SOURCE [-o FILE]",
     "read an EDID: rx0, rx1, tx0, tx1 or current",
     "Reads an EDID: what input port 0 or 1 presents (rx0, rx1), the TV on\n"
     "output TX0 or TX1 (tx0, tx1), or the box's current EDID. Prints it as 16\n"
     "lines of hexadecimal values, or writes it to FILE: raw 256 bytes when the\n"
     "name ends in .bin, else the hexadecimal text.\n",
     edidRead,
     {ArgKind::EdidSource}},
    {"edid decode",
     "FILE",
     "FILE|-",
     "show what an EDID says (raw or text)",
     "Shows what an EDID says, every block of it: manufacturer, product,\n"
     "timings, CTA-861 blocks, HDR and Dolby Vision, and the checksums. FILE\n"
     "(- for standard input) holds raw bytes, hexadecimal text as `edid read`\n"
     "writes it, edid-decode's output, the EDID lines of xrandr --verbose, or\n"
     "one hex string; LF or CR LF line ends. Examples:\n"
     "  vortilan2 edid decode tv.bin\n"
     "  edid-decode tv.bin | vortilan2 edid decode -\n",
     edidDecode,
     {ArgKind::File}},
    {"edid edit",
     "IN -o OUT [EDIT...]",
     "IN -o OUT [EDIT...]",
     "change an EDID file by structure",
     {},
     edidEditCommand,
     {},
     true,
     edidEditHelp},
    {"edid write",
     "TABLE FILE [--fix-checksums] [--force]",
     "TABLE FILE",
     "upload an EDID into custom table 1 to 10",
     "Uploads an EDID file (any format of `edid decode`) into custom table\n"
     "TABLE (1 to 10; tables 11 to 100 are fixed). An EDID whose checksums are\n"
     "wrong is refused unless --fix-checksums repairs them first; one that does\n"
     "not begin with the EDID header 00 FF FF FF FF FF FF 00 is refused unless\n"
     "--force. A 128-byte EDID fills the table's second half with zeros; one\n"
     "with more than one extension does not fit a table and is refused. A part\n"
     "the box does not take is sent once more; if it fails again nothing is\n"
     "committed and the table keeps its old content.\n",
     edidWrite,
     {ArgKind::Table, ArgKind::File}},
    {"edid mode",
     "automix|fixed|custom TABLE [TOP]|copy-top|copy-bot",
     "MODE [TABLE [TOP]]",
     "automix, fixed, custom, copy-top, copy-bot",
     "Chooses the EDID the box presents: its automatic mix, its fixed EDID, a\n"
     "custom table (TABLE for input port 0; TOP for input port 1, 0 for the\n"
     "same as port 0), or a copy of the EDID of the TV on TX1 (copy-top) or TX0\n"
     "(copy-bot).\n",
     edidMode,
     {ArgKind::EdidMode, ArgKind::Table, ArgKind::None}},
    {"cec send",
     "BYTES",
     "BYTES",
     "send a CEC message, e.g. 5f:36",
     "Sends one CEC message typed as two-digit hexadecimal values separated by\n"
     "colons, header byte first: 5f:36 (standby to all), e0:04 (image view on).\n",
     cecSend,
     {}},
    {"infoframe send",
     "hdr|avi|vsi|dv BYTES",
     "KIND BYTES",
     "send a custom hdr, avi, vsi or dv packet",
     "Sends a custom HDR, AVI or vendor-specific infoframe or a Dolby Vision\n"
     "block, typed as colon-separated hexadecimal values, and switches the box\n"
     "to it as the window's Send buttons do.\n",
     infoframeSend,
     {ArgKind::PacketKind}},
    {"rs232 send",
     "BYTES",
     "BYTES",
     "send bytes through the box's RS-232 port",
     "Sends up to 16 bytes, typed as colon-separated hexadecimal values, once\n"
     "through the box's RS-232 port, e.g. 21:89:01:49:50:36.\n",
     rs232Send,
     {}},
    {"osd text",
     "TEXT [--at X,Y] [--never-fade] [--hide]",
     "TEXT",
     "show a text on the box's on-screen display",
     "Sets the on-screen display's custom text (1 to 40 characters) and shows\n"
     "it at X,Y (default 20,20).\n",
     osdText,
     {}},
    {"config export",
     "FILE",
     "FILE",
     "save the whole box to a configuration file",
     "Saves the whole box (status, four EDIDs, every setting) to a commented\n"
     "configuration text file, as the window's Export does.\n",
     configExport,
     {ArgKind::File}},
    {"config import",
     "FILE",
     "FILE",
     "apply a configuration file to the box",
     "Applies the settings of a configuration file to the box, line by line.\n",
     configImport,
     {ArgKind::File}},
    {"config diff",
     "FILE [FILE2]",
     "FILE [FILE2]",
     "what FILE would change in the box (or in FILE2)",
     "Lists, key by key, what importing FILE would change in the box, or, with\n"
     "FILE2, how FILE differs from FILE2.\n",
     configDiff,
     {ArgKind::File, ArgKind::File}},
    {"completion",
     "bash",
     "bash",
     "print the bash completion script",
     "Prints the script that completes vortilan2's commands, options, setting\n"
     "names and values in bash. Packages install it; to try it in a shell:\n"
     "source <(vortilan2 completion bash)\n",
     completionCommand,
     {ArgKind::Shell}},
};

constexpr std::string_view kProgramUsage =
    "Usage: vortilan2 COMMAND [ARGUMENTS] [--help]\n"
    "  or:  vortilan2 --help | --version\n"
    "\n"
    "Reads and changes the settings of a VORTILAN2 box, its EDIDs, and sends\n"
    "packets through it, without the window. The box is found by USB, or among\n"
    "the emulated boxes named in VORTILAN2_EMULATOR.\n"
    "\n"
    "Commands:\n";

constexpr std::string_view kProgramEnd =
    "\n"
    "Exit status: 0 done, 1 the box refused or did not answer, 2 bad usage or input.\n"
    "`vortilan2 COMMAND --help` tells more about a command.\n";

// Where the summaries of the list of commands begin, after the indent.
constexpr std::size_t kSummaryColumn = 33;

}  // namespace

std::span<const Command> commands() {
    return kCommands;
}

const Command* findCommand(std::string_view name) {
    for (const Command& c : kCommands) {
        if (c.name == name) {
            return &c;
        }
    }
    return nullptr;
}

std::string usageLine(const Command& command) {
    return "Usage: vortilan2 " + std::string(command.name) + ' ' + std::string(command.usage);
}

const std::string& programHelp() {
    static const std::string text = [] {
        std::string t(kProgramUsage);
        for (const Command& c : kCommands) {
            std::string left = std::string(c.name) + ' ' + std::string(c.synopsis);
            left.resize(std::max(kSummaryColumn, left.size() + 1), ' ');
            t += "  " + left + std::string(c.summary) + '\n';
        }
        return t + std::string(kProgramEnd);
    }();
    return text;
}

std::string commandHelp(const Command& command) {
    return usageLine(command) + "\n\n" +
           (command.makeText != nullptr ? command.makeText() : std::string(command.text));
}

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

}  // namespace cli
