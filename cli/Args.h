// The words of a command line after the command: options, their values and
// the plain words, and the checks every command makes of them.
#pragma once

#include <algorithm>
#include <initializer_list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "fileio/Files.h"

namespace cli {

struct Args {
    std::vector<std::string> words;             // everything that is not an option
    std::vector<std::string> flags;             // --name
    std::map<std::string, std::string> values;  // options with a value
    std::vector<std::string> all;               // every word after the command, in order

    bool has(std::string_view flag) const {
        return std::find(flags.begin(), flags.end(), flag) != flags.end();
    }
};

// The words from in[from] on; none, with error set, when an option lacks its value.
std::optional<Args> parseArgs(const std::vector<std::string>& in, std::size_t from,
                              std::string& error);

// "vortilan2 COMMAND: problem" and the command's usage line on standard
// error; returns kUsage.
int usage(Environment& env, std::string_view command, std::string_view problem);

// Only the listed options, and the number of words in [low, high]; otherwise
// says what is wrong, sets code and returns false.
bool checkArgs(Environment& env, std::string_view command, const Args& args, std::size_t low,
               std::size_t high, std::initializer_list<std::string_view> allowed, int& code);

// A whole decimal number in [low, high], nothing else in the text.
std::optional<int> wholeNumber(std::string_view text, int low, int high);

// A file name from the command line: its bytes, whatever the locale.
inline fileio::Path filePath(const std::string& path) {
    return fileio::Path(path);
}

}  // namespace cli
