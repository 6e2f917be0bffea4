// config export, import and diff: the whole box and configuration files.
#include <algorithm>
#include <map>
#include <ostream>

#include "cli/Commands.h"
#include "cli/Session.h"
#include "config/BoxConfig.h"
#include "config/Settings.h"
#include "edid/Modes.h"
#include "edid/Transfer.h"

namespace cli {

int configExport(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "config export", args, 1, 1, {}, code)) {
        return code;
    }
    const std::string& path = args.words[0];
    const std::string action = "export the box to " + path;
    Session box(env);
    if (!box.open(action)) {
        return kBoxFailed;
    }
    std::string failedRead;
    const std::uint8_t pcb = box.commands().readPcbRevision();
    if (box.link().lastFailure() != boxlink::LinkFailure::None) {
        failedRead = config::readFailure(box.link(), "the PCB revision");
    }
    const auto snapshot = config::readSnapshot(box.commands(), &failedRead);
    config::ExportResult exported;
    if (snapshot) {
        edid::BoxAccess access{box.commands(), box, box.clock(), nullptr};
        exported = config::exportConfig(
            box.commands(), *snapshot, pcb, env.now ? env.now() : config::LocalTime{},
            [&access](std::string_view name, std::string& text) {
                return edid::readEdid(access, *edid::sourceByName(name), text);
            });
    }
    // A script trusts the exit status: a file with any part missing is not
    // written, and an existing one stays as it was.
    if (failedRead.empty()) {
        failedRead = exported.failedRead;
    }
    if (!failedRead.empty()) {
        return box.refused(action, failedRead, kBoxFailed);
    }
    if (const auto saved = fileio::saveFile(filePath(path), exported.text); !saved.ok) {
        return box.refused(action, saved.error, kBoxFailed);
    }
    return kOk;
}

namespace {

// The command line's view of an import: a progress line on a terminal, and
// each line the box did not take on standard error.
class CliImportView final : public config::ImportView {
public:
    CliImportView(Environment& env, Session& box, const std::string& path)
        : env_(env), box_(box), path_(path) {}
    ~CliImportView() override {
        if (env_.progressOnTerminal) {
            env_.err << '\n';
        }
    }
    void reading(std::size_t number, std::size_t total) override {
        if (env_.progressOnTerminal) {
            env_.err << "\rImporting " << path_ << ": line " << number << " of " << total
                     << std::flush;
        }
    }
    void applied(std::size_t number, std::size_t, const config::KeyValue& line,
                 bool ok) override {
        if (ok) {
            return;
        }
        if (env_.progressOnTerminal) {
            env_.err << '\n';
        }
        env_.err << "Can't apply line " << number << " (" << line.key << ' ' << line.value
                 << "): " << boxlink::describeFailure(box_.link().lastFailure()) << '\n';
    }

private:
    Environment& env_;
    Session& box_;
    const std::string& path_;
};

}  // namespace

int configImport(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "config import", args, 1, 1, {}, code)) {
        return code;
    }
    const std::string& path = args.words[0];
    const std::string action = "import " + path;
    Session box(env);
    const config::ReadFile read = config::readConfigFile(filePath(path));
    if (!read.refusal.empty()) {
        return box.refused(action, read.refusal);
    }
    if (!box.open(action)) {
        return kBoxFailed;
    }
    auto snapshot = config::readSnapshot(box.commands());
    if (!snapshot) {
        return box.failed(action);
    }
    int failures = 0;
    {
        CliImportView view(env, box, path);
        failures = config::importConfig(read, *snapshot, box.commands(), box.clock(), view);
    }
    if (failures != 0) {
        return box.refused(action, std::to_string(failures) + " lines were not applied",
                           kBoxFailed);
    }
    return kOk;
}

namespace {

// The settings lines of a file: key to value, the last line of a key winning.
std::map<std::string, std::string> settingsOf(const config::ReadFile& read) {
    std::map<std::string, std::string> values;
    for (const auto& line : read.lines) {
        if (line && line->key[0] != '#') {
            values[line->key] = line->value;
        }
    }
    return values;
}

}  // namespace

int configDiff(Environment& env, const Args& args) {
    int code = kOk;
    if (!checkArgs(env, "config diff", args, 1, 2, {}, code)) {
        return code;
    }
    const std::string& path = args.words[0];
    const std::string action = "compare " + path;
    Session box(env);
    const auto load = [&](const std::string& p, config::ReadFile& read) {
        read = config::readConfigFile(filePath(p));
        if (!read.refusal.empty()) {
            box.refused("compare " + p, read.refusal);
            return false;
        }
        return true;
    };
    config::ReadFile wanted;
    if (!load(path, wanted)) {
        return kUsage;
    }
    config::ReadFile current;
    std::string currentName;
    if (args.words.size() == 2) {
        if (!load(args.words[1], current)) {
            return kUsage;
        }
        currentName = args.words[1];
    } else {
        if (!box.open(action)) {
            return kBoxFailed;
        }
        const auto snapshot = config::readSnapshot(box.commands());
        if (!snapshot) {
            return box.failed(action);
        }
        current = config::readConfigText(config::settingsSection(*snapshot), config::isImportedKey);
        currentName = "the box";
    }
    const auto from = settingsOf(current);
    const auto to = settingsOf(wanted);
    // In the order of the file to apply, then keys only the other side has.
    std::vector<std::string> keys;
    for (const auto& line : wanted.lines) {
        if (line && to.count(line->key) != 0 &&
            std::find(keys.begin(), keys.end(), line->key) == keys.end()) {
            keys.push_back(line->key);
        }
    }
    int changes = 0;
    for (const std::string& key : keys) {
        if (!config::isImportedKey(key)) {
            continue;  // the import leaves it alone
        }
        const auto f = from.find(key);
        const std::string before = f != from.end() ? f->second : "(none)";
        if (before != to.at(key)) {
            env.out << key << ": " << before << " -> " << to.at(key) << '\n';
            ++changes;
        }
    }
    if (changes == 0) {
        env.out << path << " changes nothing in " << currentName << '\n';
    }
    return kOk;
}

}  // namespace cli
