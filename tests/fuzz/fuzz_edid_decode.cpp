// The EDID decoder on whatever bytes a box or a user file may hold: the
// structured decode and its text. Beyond the sanitizers' checks, the decode
// must account for exactly the complete blocks of the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "edid/Decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    const edid::DecodedEdid decoded = edid::decodeEdid(bytes);
    const std::size_t blocks = size / 128 < 256 ? size / 128 : 256;
    if (decoded.checksums.size() != blocks ||
        decoded.extensions.size() != (blocks == 0 ? 0 : blocks - 1)) {
        std::abort();
    }
    for (const edid::DetailedTiming& timing : decoded.detailedTimings) {
        if (timing.block < 0 || std::size_t(timing.block) >= blocks) {
            std::abort();
        }
    }
    (void)edid::describeEdid(decoded);
    return 0;
}
