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

namespace {

class Cutter {
public:
    Cutter(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    // The next `length` bytes, fewer at the end of the input.
    boxstatus::Bytes next(std::size_t length) {
        const std::size_t n = length < size_ - used_ ? length : size_ - used_;
        const boxstatus::Bytes part(data_ + used_, n);
        used_ += n;
        return part;
    }
    int remainingByte() const { return used_ < size_ ? data_[size_ - 1] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Cutter cut(data, size);
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
    const int inputIndex = cut.remainingByte() % 6 - 1;
    (void)boxstatus::signalTexts(pages, inputIndex);
    (void)boxstatus::decodeDolbyVision(pages[13]);
    (void)boxstatus::decodeHdrInfoframe(pages[20]);
    return 0;
}
