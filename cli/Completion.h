// Shell completion for the command line, made from the tables that the
// command line itself reads: its commands and their usage lines, the setting
// names and vocabularies, the EDID sources and modes, the packet kinds.
#pragma once

#include <string>

namespace cli {

// The bash script that `vortilan2 completion bash` prints.
std::string bashCompletion();

}  // namespace cli
