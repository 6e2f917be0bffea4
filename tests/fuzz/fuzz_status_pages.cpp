// The status poll's decoding of what the box answers: the status block and
// the OSD pages for the settings mirror, then every page of the signal
// information, cut from the input in the order the poll reads them. The last
// input byte, if any is left, picks the input index.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "status/Metadata.h"
#include "status/SettingsMirror.h"
#include "status/SignalInfo.h"
#include "tests/fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput cut(data, size);
    boxstatus::MirrorInput mirror;
    mirror.status = cut.next(boxstatus::kStatusLength);
    mirror.page11 = cut.next(boxstatus::kOsdParamsLength);
    mirror.page12 = cut.next(boxstatus::kOsdTextLength);
    std::array<std::uint8_t, 80> epState{};
    boxstatus::copyEpState(mirror.status, epState);
    (void)boxstatus::settingsMirror(mirror);

    boxstatus::PageSet pages{};
    for (const auto& read : boxstatus::kSignalPageReads) {
        pages[read.page] = cut.next(read.length);
    }
    // Indices outside 0..3 are legal too: the combo box may be empty.
    const int inputIndex = cut.lastUnused() % 6 - 1;
    (void)boxstatus::signalTexts(pages, inputIndex);
    (void)boxstatus::decodeDolbyVision(pages[13]);
    (void)boxstatus::decodeHdrInfoframe(pages[20]);
    return 0;
}
