#include "cli/Cli.h"

#include <ostream>

#include "cli/Args.h"
#include "cli/Commands.h"

namespace cli {

int run(const std::vector<std::string>& args, Environment& env) {
    if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
        (args.empty() ? env.err : env.out) << programHelp();
        return args.empty() ? kUsage : kOk;
    }
    const Command* command = nullptr;
    std::size_t used = 0;
    for (const Command& c : commands()) {
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
        for (const Command& c : commands()) {
            if (c.name.substr(0, c.name.find(' ')) == args[0] &&
                c.name.find(' ') != std::string_view::npos) {
                if (!group) {
                    env.err << "vortilan2 " << args[0] << ": say which command:\n";
                }
                group = true;
                env.err << "  vortilan2 " << c.name << ' ' << c.usage << '\n';
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
        env.out << commandHelp(*command);
        return kOk;
    }
    return command->run(env, *parsed);
}

}  // namespace cli
