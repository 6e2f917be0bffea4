#include "status/SignalInfo.h"

#include <string>
#include <string_view>

#include "status/Metadata.h"
#include "status/Printf.h"

namespace boxstatus {

namespace {

Bytes pageOf(const PageSet& pages, std::size_t number) {
    return number < pages.size() ? pages[number] : Bytes{};
}

// Offsets of the texts in their pages.
constexpr std::size_t kInputTextAt = 6;   // pages 1, 2
constexpr std::size_t kAudioTextAt = 2;   // pages 3, 4
constexpr std::size_t kOutputTextAt = 6;  // pages 5, 6
constexpr std::size_t kSinkNameAt = 10;   // pages 7, 8

// SPD infoframe fields (page 17), not necessarily terminated.
constexpr std::size_t kSpdVendorAt = 6;
constexpr std::size_t kSpdVendorLength = 8;
constexpr std::size_t kSpdProductAt = 14;
constexpr std::size_t kSpdProductLength = 16;

// One input label: a prefix and the text of a page, or cleared.
struct InputText {
    std::string_view prefix;  // empty: cleared
    std::uint8_t page;
    bool withIndex;  // the combo index and ": " follow the prefix
};

struct InputRow {
    int index;
    InputText rx0, rx1, aud, aud1;
};

constexpr InputText kEmpty = {{}, 0, false};

constexpr InputRow kInputRows[] = {
    {0, {"RX", 1, true}, kEmpty, {"AUD", 3, true}, kEmpty},
    {1, {"RX", 1, true}, kEmpty, {"AUD", 3, true}, kEmpty},
    {2, {"RX1: ", 2, false}, {"RX0: ", 1, false}, {"RX1-AUD: ", 4, false}, {"RX0-AUD: ", 3, false}},
    {3, {"RX1: ", 1, false}, {"RX0: ", 2, false}, {"RX1-AUD: ", 3, false}, {"RX0-AUD: ", 4, false}},
};

struct DumpRow {
    std::uint8_t page;
    std::uint8_t type;
    std::uint8_t version;
    std::string_view widget;
};

constexpr DumpRow kDumpRows[] = {
    {18, 0x82, 2, "txtAviIf"}, {19, 0x84, 1, "AUDtext"},  {21, 0x81, 1, "txtHvsIf"},
    {22, 0x81, 1, "txtVsiIf"}, {23, 0x81, 1, "txtHfvIf"}, {17, 0x83, 1, "txtSpdIf"},
};

void setText(TextUpdates& out, std::string_view widget, std::string text) {
    out.push_back({widget, TextAction::Set, std::move(text)});
}

void inputLabel(TextUpdates& out, std::string_view widget, const InputText& label,
                const PageSet& pages, int index) {
    if (label.prefix.empty()) {
        out.push_back({widget, TextAction::Clear, {}});
        return;
    }
    std::string text(label.prefix);
    if (label.withIndex) {
        text += std::to_string(index) + ": ";
    }
    text += textAt(pageOf(pages, label.page), label.page <= 2 ? kInputTextAt : kAudioTextAt);
    setText(out, widget, std::move(text));
}

}  // namespace

TextUpdates signalInfo(const PageSet& pages, int inputIndex) {
    TextUpdates out;
    for (const InputRow& row : kInputRows) {
        if (row.index == inputIndex) {
            inputLabel(out, "lblRx0Info", row.rx0, pages, inputIndex);
            inputLabel(out, "lblRx1Info", row.rx1, pages, inputIndex);
            inputLabel(out, "lblAudInfo", row.aud, pages, inputIndex);
            inputLabel(out, "lblAudInfo1", row.aud1, pages, inputIndex);
        }
    }

    setText(out, "lblTx0Info",
            printfText("TX0: %s", textAt(pageOf(pages, 5), kOutputTextAt).c_str()));
    setText(out, "lblTx1Info",
            printfText("TX1: %s", textAt(pageOf(pages, 6), kOutputTextAt).c_str()));
    setText(out, "lblTx0Sink", textAt(pageOf(pages, 7), kSinkNameAt));
    setText(out, "lblTx1Sink", textAt(pageOf(pages, 8), kSinkNameAt));

    const Bytes spd = pageOf(pages, 17);
    const std::string vendor = textAt(spd, kSpdVendorAt, kSpdVendorLength);
    const std::string product = textAt(spd, kSpdProductAt, kSpdProductLength);
    setText(out, "lblSpdIf",
            vendor.empty() && product.empty()
                ? std::string("Source Info: No Info")
                : printfText("Source Info: %s %s", vendor.c_str(), product.c_str()));

    for (const DumpRow& row : kDumpRows) {
        const Bytes page = pageOf(pages, row.page);
        if (byteAt(page, 2) == row.type && byteAt(page, 3) == row.version) {
            setText(out, row.widget, infoframeDump(page));
        } else {
            out.push_back({row.widget, TextAction::Clear, {}});
        }
    }
    return out;
}

TextUpdates signalTexts(const PageSet& pages, int inputIndex) {
    TextUpdates out = signalInfo(pages, inputIndex);
    for (TextUpdates part :
         {decodeDolbyVision(pageOf(pages, 13)), decodeHdrInfoframe(pageOf(pages, 20))}) {
        for (TextUpdate& update : part) {
            out.push_back(std::move(update));
        }
    }
    return out;
}

}  // namespace boxstatus
