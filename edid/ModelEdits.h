// The edits of the EDID editor: one function per operation, shared by the
// window and the command line. Each edit either changes the model and leaves
// it consistent (checksums are computed on encoding; the YCbCr 4:2:0
// capability map and the HDMI 3D masks follow the VICs they name; the count
// of native detailed timings follows the timings), or refuses with a reason
// and leaves the model exactly as it was. Data blocks and detailed timings
// share the extension's 123 bytes: an edit that would need more refuses with
// how many bytes too many.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "edid/Decode.h"
#include "edid/Model.h"

namespace edid {

struct EditResult {
    std::string error;  // empty when the edit was made
    // A remark on an edit that was made, such as a removal that found
    // nothing to remove (the EDID is as asked for, and unchanged).
    std::string note;
    bool ok() const { return error.empty(); }
};

// --- tables: what the editor can name -------------------------------------

// Block kinds by the names the command line and the window use.
struct BlockKindName {
    const char* name;  // "dolby-vision"
    BlockKind kind;
    const char* help;
};
std::span<const BlockKindName> blockKindNames();

// A block to remove: by kind, or a vendor-specific block by OUI.
struct BlockSelector {
    BlockKind kind = BlockKind::Unknown;
    std::uint32_t oui = 0;  // with kind Unknown: any block of this OUI
};
// "hdmi", "vendor:00-D0-46"; nothing for anything else.
std::optional<BlockSelector> blockSelectorByName(std::string_view name);

// A field of a data block: bits shift .. shift+width-1 of the little-endian
// value that starts at byte `at` of the block (its header byte is byte 0).
// The value given is divided by scale before it is stored.
struct BlockField {
    BlockKind kind;
    const char* blockName;  // as in blockKindNames()
    const char* name;
    int at;
    int shift;
    int width;
    int scale;
    const char* help;
};
std::span<const BlockField> blockFields();
// The value of a field as the block holds it (0 where the block is too short
// to hold it), in the unit setBlockField takes.
int blockFieldValue(const CtaBlock& block, const BlockField& field);

// Short audio descriptor formats by name: format code, and for code 15 the
// extension type.
struct AudioFormatName {
    const char* name;  // "lpcm", "eac3"
    int code;
    int extensionType;
};
std::span<const AudioFormatName> audioFormatNames();

// --- identity and descriptors --------------------------------------------

EditResult setManufacturer(EdidModel& model, std::string_view letters);  // "ABC"
EditResult setProductCode(EdidModel& model, int code);
EditResult setSerialNumber(EdidModel& model, std::uint32_t serial);
// week 1 to 54, 0 when not given, 255 when year is the model year; year 1990 to 2245.
EditResult setWeekYear(EdidModel& model, int week, int year);
// Screen size 0 to 255 cm each; 0 x 0 when not given.
EditResult setScreenSize(EdidModel& model, int widthCm, int heightCm);
// Gamma in hundredths, 100 to 354 (1.00 to 3.54).
EditResult setGamma(EdidModel& model, int hundredths);
// Up to 13 printable ASCII characters; an empty name removes the descriptor.
EditResult setName(EdidModel& model, std::string_view name);
EditResult setSerialText(EdidModel& model, std::string_view text);
// limits.support -1 keeps the descriptor's timing formula bytes (byte 10 on),
// or for a new descriptor takes bare limits (EDID 1.4) or default GTF.
EditResult setRangeLimits(EdidModel& model, const RangeLimits& limits);
EditResult removeRangeLimits(EdidModel& model);

// --- detailed timings (indices over detailedTimings(), from 0) --------------

// position -1 appends. A timing without an image size gets the base
// block's size, or when it has none the first timing's.
EditResult addDetailedTiming(EdidModel& model, const DetailedTiming& timing, int position = -1);
EditResult changeDetailedTiming(EdidModel& model, int index, const DetailedTiming& timing);
EditResult removeDetailedTiming(EdidModel& model, int index);
EditResult moveDetailedTiming(EdidModel& model, int from, int to);
// How many of the timings the extension marks native (the first ones).
EditResult setNativeTimingCount(EdidModel& model, int count);

// --- standard and established timings ---------------------------------------

EditResult addStandardTiming(EdidModel& model, int width, int height, int refreshHz);
EditResult removeStandardTiming(EdidModel& model, int width, int height, int refreshHz);
EditResult setEstablishedTiming(EdidModel& model, int width, int height, int refreshHz, bool on);

// --- VICs ---------------------------------------------------------------------

enum class VicList {
    Video,         // the video data blocks
    Ycbcr420Only,  // the YCbCr 4:2:0 video data block
};
// position: among the SVDs of the list, -1 appends.
EditResult addVic(EdidModel& model, int vic, int position = -1, VicList list = VicList::Video);
EditResult removeVic(EdidModel& model, int vic, VicList list = VicList::Video);
EditResult moveVic(EdidModel& model, int vic, int position);
// Marks vic (1 to 64) as the native format and no other; 0 clears native.
EditResult setNativeVic(EdidModel& model, int vic);
// Marks or clears vic in the YCbCr 4:2:0 capability map.
EditResult setYcbcr420Capable(EdidModel& model, int vic, bool on);

// --- audio ------------------------------------------------------------------

using AudioDescriptorBytes = std::array<std::uint8_t, 3>;
// format: from audioFormatNames(); channels 1 to 8; rates: bit 0 32 kHz to
// bit 6 192 kHz; byte3: L-PCM sample sizes, the max bit rate / 8 kbit/s for
// codes 2 to 8, else the format's own bits.
AudioDescriptorBytes audioDescriptor(const AudioFormatName& format, int channels,
                                     std::uint8_t rates, std::uint8_t byte3);
EditResult addAudio(EdidModel& model, const AudioDescriptorBytes& sad);
EditResult changeAudio(EdidModel& model, int index, const AudioDescriptorBytes& sad);
EditResult removeAudioAt(EdidModel& model, int index);
// Removes every descriptor of the format.
EditResult removeAudio(EdidModel& model, const AudioFormatName& format);

// --- data blocks --------------------------------------------------------------

EditResult removeBlockAt(EdidModel& model, int index);
// Adds an empty block of the kind (with its mandatory fields), for the kinds
// that can start empty; a kind already there is a note, not a second block.
EditResult addBlock(EdidModel& model, BlockKind kind);
bool blockStartsEmpty(BlockKind kind);
EditResult removeBlocks(EdidModel& model, const BlockSelector& selector);
EditResult moveBlock(EdidModel& model, int from, int to);
// Sets a field of blockFields(); the block is added when missing and grows
// to hold the field. The max TMDS fields keep HDMI 2.0's rule: up to 340 MHz
// in the HDMI block with the HDMI Forum rate 0, above it in the HDMI Forum
// block.
EditResult setBlockField(EdidModel& model, const BlockField& field, int value);
EditResult setBlockField(EdidModel& model, std::string_view blockName, std::string_view fieldName,
                         int value);
// Lowers every max TMDS field to at most mhz (the HDMI Forum rate to 0 when
// mhz is 340 or less).
EditResult capMaxTmds(EdidModel& model, int mhz);
// HDMI block latencies in ms (0 to 500), both or neither.
EditResult setHdmiLatency(EdidModel& model, std::optional<int> videoMs, std::optional<int> audioMs);

}  // namespace edid
