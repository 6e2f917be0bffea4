#include "cli/Args.h"

#include <cctype>
#include <charconv>
#include <ostream>

#include "cli/Commands.h"

namespace cli {

namespace {

// Options that take a value; every other word beginning with "-" is a flag.
bool takesValue(std::string_view option) {
    return option == "-o" || option == "--output" || option == "--at";
}

}  // namespace

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

int usage(Environment& env, std::string_view command, std::string_view problem) {
    env.err << "vortilan2 " << command << ": " << problem << '\n';
    if (const Command* c = findCommand(command)) {
        env.err << usageLine(*c) << '\n';
    }
    return kUsage;
}

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

std::optional<int> wholeNumber(std::string_view text, int low, int high) {
    int v = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (error != std::errc() || end != text.data() + text.size() || v < low || v > high) {
        return std::nullopt;
    }
    return v;
}

}  // namespace cli
