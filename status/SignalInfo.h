// The signal texts of the status poll: input, output and audio information,
// sink names, source (SPD) information, the captured infoframe dumps, and the
// decoded Dolby Vision block and HDR infoframe.
#pragma once

#include <array>
#include <cstdint>

#include "link/PageReads.h"
#include "status/PageBytes.h"
#include "status/TextUpdate.h"

namespace boxstatus {

// The pages of one poll by page number (0..23); an entry left empty counts as
// a page of zero bytes.
using PageSet = boxlink::PageSpans;

using boxlink::PageRead;

// The page reads of the signal information, in the order they are made. Only
// the last one (page 13) decides whether anything is shown.
inline constexpr std::array<PageRead, 16> kSignalPageReads = {{
    {1, 60},
    {2, 60},
    {5, 60},
    {6, 60},
    {7, 60},
    {8, 60},
    {3, 33},
    {4, 33},
    {17, 33},
    {20, 33},
    {21, 33},
    {22, 33},
    {23, 33},
    {18, 19},
    {19, 33},
    {13, 28},
}};

// The input, output, sink, source and infoframe texts. inputIndex is the
// current index of cmbInputSel; for an index other than 0..3 the four input
// and audio labels keep their texts.
TextUpdates signalInfo(const PageSet& pages, int inputIndex);

// signalInfo() followed by the Dolby Vision block (page 13) and the HDR
// infoframe (page 20): all the texts of one poll, in order.
TextUpdates signalTexts(const PageSet& pages, int inputIndex);

}  // namespace boxstatus
