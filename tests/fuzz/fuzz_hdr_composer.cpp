// The HDR infoframe composer's inputs, as the widgets or a command line may
// give them (any EOTF and primaries index, any 16-bit value, any double for
// the minimum luminance, NaN and infinities included), then the rest of the
// input as an infoframe for the preview. Stops on a composed frame whose
// checksum, text or preview is wrong.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

#include "packets/ByteList.h"
#include "packets/HdrComposer.h"
#include "packets/Macros.h"
#include "tests/fuzz/FuzzInput.h"

using fuzz::check;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    packets::HdrInputs inputs;
    inputs.eotf = in.byte();
    inputs.primaries = in.byte();
    inputs.maxLuminance = in.word();
    inputs.maxCll = in.word();
    inputs.maxFall = in.word();
    inputs.minLuminance = in.real();

    const packets::HdrInfoframe frame = packets::composeHdrInfoframe(inputs);
    unsigned sum = 0;
    for (const std::uint8_t b : frame) {
        sum += b;
    }
    check(sum % 256 == 0);
    check(frame[0] == 0x87 && frame[1] == 0x01 && frame[2] == 26 && frame[4] == inputs.eotf);
    const std::string text = packets::hdrInfoframeText(frame);
    check(text.size() == 89);
    const packets::ParsedBytes parsed = packets::parseByteList(text);
    check(parsed.ok() &&
          std::equal(frame.begin(), frame.end(), parsed.values.begin(), parsed.values.end()));
    const auto lines = packets::hdrInfoframePreview(frame);
    check(!lines.empty() && lines.back() == "Checksum: correct");

    // The same value on a macro threshold of each kind.
    for (std::uint8_t metadata = 0; metadata < 3; ++metadata) {
        const std::uint16_t threshold = packets::macroThreshold(metadata, inputs.minLuminance);
        (void)packets::macroThresholdShown(metadata, threshold);
    }

    (void)packets::hdrInfoframePreview(in.rest());
    return 0;
}
