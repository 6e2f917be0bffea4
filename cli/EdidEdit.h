// `vortilan2 edid edit IN -o OUT [EDIT...]`: edits of an EDID file by
// structure, applied in the order given, on the editable EDID model. The
// edit options are a table (name, argument, help) that the help text and
// the shell completion read.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "edid/Image.h"

namespace cli {

struct EdidEditOption {
    std::string_view name;      // "--remove-vic"
    std::string_view argument;  // "N", empty for none
    std::string_view help;
};
std::span<const EdidEditOption> edidEditOptions();

// The help text of the command below its usage line: what it does, the
// options, the block kinds and fields, the audio formats, and examples.
std::string edidEditHelp();

// The file access the command borrows from the rest of the command line.
struct EdidEditFiles {
    std::function<std::optional<edid::EdidImage>(const std::string& path, std::string& error)>
        load;
    std::function<bool(const std::string& path, std::string_view bytes, std::string& error)> write;
};

// words: everything after `edid edit`, in order.
int edidEdit(Environment& env, const std::vector<std::string>& words, const EdidEditFiles& files);

}  // namespace cli
