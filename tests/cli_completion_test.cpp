// The bash completion that `vortilan2 completion bash` prints, run in bash as
// the shell runs it: what it offers after each typed line.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Cli.h"
#include "cli/Completion.h"
#include "cli/Commands.h"
#include "tests/support/ScriptedLibrary.h"
#include "tests/support/ManualClock.h"

namespace {

std::string quoted(const std::string& word) {
    std::string out = "'";
    for (const char c : word) {
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return out + "'";
}

class CompletionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = std::filesystem::temp_directory_path() /
               ("v2-completion-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
        std::ofstream(dir_ / "completion.bash") << cli::bashCompletion();
        std::ofstream(dir_ / "tv.bin") << "x";
    }
    static void TearDownTestSuite() { std::filesystem::remove_all(dir_); }

    // What the completion offers for a typed line; the cursor is at its end.
    static std::vector<std::string> complete(const std::string& typed) {
        std::vector<std::string> words{"vortilan2"};
        std::istringstream in(typed);
        for (std::string w; in >> w;) {
            words.push_back(w);
        }
        if (typed.empty() || typed.back() == ' ') {
            words.emplace_back();
        }
        std::string command = "cd " + quoted(dir_.string()) +
                              " && bash --norc --noprofile -c " +
                              quoted("source ./completion.bash; COMP_WORDS=(\"$@\"); "
                                     "COMP_CWORD=$(($# - 1)); _vortilan2; "
                                     "printf '%s\\n' \"${COMPREPLY[@]}\"") +
                              " bash";
        for (const std::string& w : words) {
            command += ' ' + quoted(w);
        }
        std::FILE* out = ::popen(command.c_str(), "r");
        EXPECT_NE(out, nullptr);
        std::string text;
        char chunk[512];
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, out)) > 0;) {
            text.append(chunk, n);
        }
        EXPECT_EQ(::pclose(out), 0) << typed;
        std::vector<std::string> offered;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            if (!line.empty()) {
                offered.push_back(line);
            }
        }
        return offered;
    }

    static bool offers(const std::vector<std::string>& offered, const std::string& word) {
        return std::find(offered.begin(), offered.end(), word) != offered.end();
    }

    static inline std::filesystem::path dir_;
};

struct Case {
    std::string typed;
    std::vector<std::string> offered;
    std::vector<std::string> notOffered;
};

TEST_F(CompletionTest, OffersWhatEachPositionTakes) {
    const Case cases[] = {
        {"", {"status", "get", "set", "edid", "config", "completion"}, {"read", "tv.bin"}},
        {"-", {"--help", "--version"}, {"status"}},
        {"ed", {"edid"}, {"status", "set"}},
        {"edid ", {"read", "decode", "write", "mode"}, {"status", "tv.bin"}},
        {"edid r", {"read"}, {"decode"}},
        {"get ", {"InputPort", "EdidHdr", "AudioVolume"}, {"tv.bin"}},
        {"set Inp", {"InputPort"}, {"EdidHdr"}},
        {"set InputPort ", {"bot", "top", "thru", "swap"}, {"InputPort", "on"}},
        // Setting names are found in any case, as the command line finds them.
        {"set inputport s", {"swap"}, {"bot"}},
        {"set EdidHdr ", {"none", "hdrhlg"}, {}},
        {"set AudioVolume ", {}, {"on", "tv.bin"}},
        {"set InputPort swap ", {}, {"bot", "tv.bin"}},
        {"edid read ", {"rx0", "rx1", "tx0", "tx1", "current"}, {"tv.bin"}},
        {"edid read rx0 -", {"-o", "--output", "--help"}, {"--json"}},
        {"edid read rx0 -o ", {"tv.bin"}, {"rx0"}},
        {"edid read --output t", {"tv.bin"}, {}},
        {"edid decode ", {"tv.bin"}, {}},
        {"edid write ", {"1", "10"}, {"11", "tv.bin"}},
        {"edid write 3 ", {"tv.bin"}, {"3"}},
        {"edid write 3 tv.bin --", {"--fix-checksums", "--help"}, {}},
        {"edid mode ", {"automix", "fixed", "custom", "copy-top", "copy-bot"}, {}},
        {"edid mode custom ", {"1", "10"}, {"custom"}},
        {"infoframe send ", {"hdr", "avi", "vsi", "dv"}, {"cec"}},
        {"osd text hello --", {"--at", "--never-fade", "--hide", "--help"}, {}},
        {"osd text --at 20,20 ", {}, {"tv.bin"}},
        {"status ", {}, {"tv.bin"}},
        {"status --", {"--json", "--help"}, {"--version"}},
        {"config diff box.txt ", {"tv.bin"}, {}},
        {"completion ", {"bash"}, {}},
        {"edid edit tv.bin --remove-", {"--remove-block", "--remove-vic", "--remove-audio"}, {"--json"}},
        {"edid edit tv.bin --remove-block ", {"dolby-vision", "hdr10plus", "vendor:"}, {"tv.bin"}},
        {"edid edit tv.bin --remove-audio ", {"lpcm", "eac3"}, {"tv.bin"}},
        {"edid edit tv.bin --remove-vic 97 -o ", {"tv.bin"}, {"97"}},
    };
    for (const Case& c : cases) {
        const auto offered = complete(c.typed);
        for (const std::string& w : c.offered) {
            EXPECT_TRUE(offers(offered, w)) << "\"" << c.typed << "\" does not offer " << w;
        }
        for (const std::string& w : c.notOffered) {
            EXPECT_FALSE(offers(offered, w)) << "\"" << c.typed << "\" offers " << w;
        }
    }
}

// Every command of the command table is offered, with the options of its usage line.
TEST_F(CompletionTest, OffersEveryCommandOfTheCommandTable) {
    for (const cli::Command& entry : cli::commands()) {
        const std::string command(entry.name);
        const auto space = command.find(' ');
        if (space == std::string::npos) {
            EXPECT_TRUE(offers(complete(""), command)) << command;
        } else {
            EXPECT_TRUE(offers(complete(command.substr(0, space) + " "), command.substr(space + 1)))
                << command;
        }
        const auto options = complete(command + " -");
        EXPECT_TRUE(offers(options, "--help")) << command;
        std::istringstream usage{std::string(entry.usage)};
        for (std::string w; usage >> w;) {
            w.erase(std::remove_if(w.begin(), w.end(), [](char c) { return c == '[' || c == ']'; }),
                    w.end());
            if (w.size() > 1 && w[0] == '-') {
                EXPECT_TRUE(offers(options, w)) << command << ' ' << w;
            }
        }
    }
}

TEST_F(CompletionTest, TheCompletionCommandPrintsTheScriptForBashOnly) {
    testing_support::ScriptedLibrary library;
    testing_support::ManualClock clock;
    struct Run {
        std::vector<std::string> args;
        int code;
        bool printsScript;
    };
    const Run runs[] = {
        {{"completion", "bash"}, cli::kOk, true},
        {{"completion", "zsh"}, cli::kUsage, false},
        {{"completion"}, cli::kUsage, false},
        {{"completion", "bash", "extra"}, cli::kUsage, false},
    };
    for (const Run& r : runs) {
        std::ostringstream out;
        std::ostringstream err;
        cli::Environment env{library, clock, out, err, false, {}};
        EXPECT_EQ(cli::run(r.args, env), r.code) << r.args.size();
        EXPECT_EQ(out.str() == cli::bashCompletion(), r.printsScript) << r.args.size();
        EXPECT_EQ(err.str().empty(), r.printsScript) << err.str();
    }
}

}  // namespace
