// Files compiled into the emulator: the sink EDIDs of emulator/edids.
#pragma once

#include <cstddef>
#include <span>

namespace emu {

struct EmbeddedFile {
    const char* name;  // the file name without its extension
    const unsigned char* data;
    std::size_t size;
};

std::span<const EmbeddedFile> embeddedFiles();

}  // namespace emu
