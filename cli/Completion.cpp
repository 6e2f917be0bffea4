#include "cli/Completion.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <map>
#include <string_view>
#include <vector>

#include "cli/EdidEdit.h"
#include "cli/Commands.h"
#include "config/NamedSettings.h"
#include "edid/ModelEdits.h"
#include "edid/Modes.h"
#include "edid/Transfer.h"
#include "packets/Senders.h"

namespace cli {

namespace {

// The custom tables an EDID can be written into.
constexpr int kCustomTables = 10;

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

std::string joined(const std::vector<std::string>& words, std::string_view separator = " ") {
    std::string out;
    for (const std::string& w : words) {
        if (!out.empty()) {
            out += separator;
        }
        out += w;
    }
    return out;
}

// One arm of a case statement of the script; nothing when no word matches it.
std::string caseArm(std::string_view indent, const std::vector<std::string>& patterns,
                    std::string_view action) {
    if (patterns.empty()) {
        return {};
    }
    return std::string(indent) + joined(patterns, "|") + ") " + std::string(action) + " ;;\n";
}

void addOnce(std::vector<std::string>& words, std::string_view word) {
    if (std::find(words.begin(), words.end(), word) == words.end()) {
        words.emplace_back(word);
    }
}

// The words of a usage line, brackets and bars taken apart: "[-o FILE]" gives
// "-o" and "FILE".
std::vector<std::string> usageWords(std::string_view usage) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : usage) {
        if (c == ' ' || c == '[' || c == ']' || c == '|') {
            if (!word.empty()) {
                words.push_back(word);
            }
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}

bool isOption(std::string_view word) {
    return word.size() > 1 && word[0] == '-';
}

bool isPlaceholder(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return std::isupper(static_cast<unsigned char>(c)) || std::isdigit(static_cast<unsigned char>(c)) ||
               c == ',';
    });
}

// One command's options, and those that take a value with its placeholder.
struct Options {
    std::vector<std::string> all{"--help"};
    std::map<std::string, std::string> values;  // "-o" -> "FILE"
};

Options optionsOf(std::string_view usage) {
    Options options;
    const auto words = usageWords(usage);
    for (std::size_t i = 0; i < words.size(); ++i) {
        if (!isOption(words[i])) {
            continue;
        }
        addOnce(options.all, words[i]);
        if (i + 1 < words.size() && isPlaceholder(words[i + 1])) {
            options.values[words[i]] = words[i + 1];
        }
    }
    // The long name the command line takes for -o.
    if (options.values.count("-o") != 0) {
        addOnce(options.all, "--output");
        options.values["--output"] = options.values["-o"];
    }
    return options;
}

std::vector<std::string> settingValues(const config::NamedSetting& s) {
    std::vector<std::string> values;
    switch (s.kind) {
        case config::NamedSetting::Kind::OnOff:
        case config::NamedSetting::Kind::Bit:
            return {"on", "off"};
        case config::NamedSetting::Kind::Words:
            for (const config::Word& w : s.words) {
                addOnce(values, w.text);
            }
            return values;
        case config::NamedSetting::Kind::Number:
        case config::NamedSetting::Kind::Signed:
            break;
    }
    return values;
}

std::string wordsFor(ArgKind arg) {
    std::vector<std::string> words;
    switch (arg) {
        case ArgKind::SettingName:
            for (const auto& s : config::namedSettings()) {
                words.emplace_back(s.name);
            }
            break;
        case ArgKind::EdidSource:
            for (const auto& s : edid::edidSources()) {
                words.emplace_back(s.name);
            }
            break;
        case ArgKind::EdidMode:
            for (const auto& m : edid::edidModes()) {
                words.emplace_back(m.name);
            }
            break;
        case ArgKind::Table:
            for (int t = 1; t <= kCustomTables; ++t) {
                words.push_back(std::to_string(t));
            }
            break;
        case ArgKind::PacketKind:
            for (const auto& s : packets::senders()) {
                if (s.id != packets::SenderId::Cec) {  // CEC has a command of its own
                    words.emplace_back(s.name);
                }
            }
            break;
        case ArgKind::Shell:
            words.emplace_back("bash");
            break;
        case ArgKind::None:
        case ArgKind::SettingValue:
        case ArgKind::File:
            break;
    }
    return joined(words);
}

// The commands of the command table: first words in their order, and the second
// words of each group.
struct CommandTree {
    std::vector<std::string> first;
    std::map<std::string, std::vector<std::string>> groups;
};

CommandTree commandTree() {
    CommandTree tree;
    for (const Command& c : commands()) {
        const auto space = c.name.find(' ');
        const std::string head(c.name.substr(0, space));
        addOnce(tree.first, head);
        if (space != std::string_view::npos) {
            addOnce(tree.groups[head], c.name.substr(space + 1));
        }
    }
    return tree;
}

}  // namespace

std::string bashCompletion() {
    const CommandTree tree = commandTree();
    std::vector<std::string> valueOptions;
    std::string script =
        "# bash completion for vortilan2, printed by `vortilan2 completion bash`\n"
        "\n"
        "_vortilan2_words() {\n"
        "    mapfile -t COMPREPLY < <(compgen -W \"$1\" -- \"$cur\")\n"
        "}\n"
        "\n"
        "_vortilan2_files() {\n"
        "    compopt -o filenames 2>/dev/null\n"
        "    mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")\n"
        "}\n"
        "\n"
        "_vortilan2() {\n"
        "    local cur=${COMP_WORDS[COMP_CWORD]} prev=\n"
        "    ((COMP_CWORD > 1)) && prev=${COMP_WORDS[COMP_CWORD - 1]}\n"
        "    COMPREPLY=()\n";

    // Options that take a value, over every command.
    std::map<std::string, std::string> valueOf;
    for (const Command& c : commands()) {
        for (const auto& [option, placeholder] : optionsOf(c.usage).values) {
            valueOf[option] = placeholder;
        }
    }
    // The edits of `edid edit`, from their own table.
    for (const EdidEditOption& e : edidEditOptions()) {
        if (!e.argument.empty()) {
            valueOf[std::string(e.name)] = std::string(e.argument);
        }
    }
    std::vector<std::string> fileOptions;
    std::vector<std::string> otherOptions;
    for (const auto& [option, placeholder] : valueOf) {
        valueOptions.push_back(option);
        if (option == "--remove-block" || option == "--remove-audio") {
            continue;  // their values are listed below
        }
        const bool file = placeholder == "FILE" || placeholder == "IN" || placeholder == "OUT";
        (file ? fileOptions : otherOptions).push_back(option);
    }

    // The words typed before the cursor, less the options and their values.
    script +=
        "    local words=() i\n"
        "    for ((i = 1; i < COMP_CWORD; i++)); do\n"
        "        case ${COMP_WORDS[i]} in\n";
    script += caseArm("            ", valueOptions, "((i++))");
    script +=
        "            -[!0-9]*) ;;\n"
        "            *) words+=(\"${COMP_WORDS[i]}\") ;;\n"
        "        esac\n"
        "    done\n"
        "    case $prev in\n";
    script += caseArm("        ", fileOptions, "_vortilan2_files; return");
    std::vector<std::string> kinds;
    for (const edid::BlockKindName& k : edid::blockKindNames()) {
        kinds.emplace_back(k.name);
    }
    kinds.emplace_back("vendor:");
    script += caseArm("        ", {"--remove-block"}, "_vortilan2_words \"" + joined(kinds) + "\"; return");
    std::vector<std::string> formats;
    for (const edid::AudioFormatName& f : edid::audioFormatNames()) {
        formats.emplace_back(f.name);
    }
    script += caseArm("        ", {"--remove-audio"}, "_vortilan2_words \"" + joined(formats) + "\"; return");
    script += caseArm("        ", otherOptions, "return");
    script +=
        "    esac\n"
        "\n"
        "    if ((${#words[@]} == 0)); then\n"
        "        if [[ $cur == -* ]]; then\n"
        "            _vortilan2_words \"--help --version\"\n"
        "        else\n"
        "            _vortilan2_words \"" +
        joined(tree.first) +
        "\"\n"
        "        fi\n"
        "        return\n"
        "    fi\n"
        "    local command=${words[0]} used=1\n"
        "    case $command in\n";
    for (const auto& [group, seconds] : tree.groups) {
        script += "        " + group +
                  ")\n"
                  "            if ((${#words[@]} == 1)); then\n"
                  "                [[ $cur == -* ]] && _vortilan2_words \"--help\" || _vortilan2_words \"" +
                  joined(seconds) +
                  "\"\n"
                  "                return\n"
                  "            fi\n"
                  "            command+=\" ${words[1]}\"\n"
                  "            used=2\n"
                  "            ;;\n";
    }
    script +=
        "    esac\n"
        "\n"
        "    if [[ $cur == -* ]]; then\n"
        "        case $command in\n";
    for (const Command& c : commands()) {
        Options options = optionsOf(c.usage);
        if (c.name == "edid edit") {
            for (const EdidEditOption& e : edidEditOptions()) {
                addOnce(options.all, e.name);
            }
        }
        script += "            \"" + std::string(c.name) + "\") _vortilan2_words \"" +
                  joined(options.all) + "\" ;;\n";
    }
    script +=
        "        esac\n"
        "        return\n"
        "    fi\n"
        "\n"
        "    case \"$command/$((${#words[@]} - used))\" in\n";
    for (const Command& c : commands()) {
        if (c.filesAnywhere) {
            continue;
        }
        for (std::size_t i = 0; i < c.args.size(); ++i) {
            const ArgKind arg = c.args[i];
            const std::string pattern = "        \"" + std::string(c.name) + "/" + std::to_string(i) + "\")";
            if (arg == ArgKind::File) {
                script += pattern + " _vortilan2_files ;;\n";
            } else if (arg == ArgKind::SettingValue) {
                // The values of the setting named before, in any case.
                script += pattern + "\n            case ${words[used + " + std::to_string(i - 1) +
                          "],,} in\n";
                for (const auto& s : config::namedSettings()) {
                    const auto values = settingValues(s);
                    if (!values.empty()) {
                        script += "                " + lower(s.name) + ") _vortilan2_words \"" +
                                  joined(values) + "\" ;;\n";
                    }
                }
                script += "            esac\n            ;;\n";
            } else if (arg != ArgKind::None) {
                script += pattern + " _vortilan2_words \"" + wordsFor(arg) + "\" ;;\n";
            }
        }
        // Past its arguments, or at one without a list, a known command completes nothing.
        script += "        \"" + std::string(c.name) + "/\"*) ;;\n";
    }
    script +=
        "        *) _vortilan2_files ;;\n"
        "    esac\n"
        "}\n"
        "\n"
        "complete -F _vortilan2 vortilan2\n";
    return script;
}

}  // namespace cli
