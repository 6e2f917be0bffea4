// The EDID editor's outline: the model as a tree of nodes, each a field with
// the kind of widget that edits it (its range, unit, named values), and the
// edits that its buttons and menu make (change, remove, move, add). The
// window draws the tree and runs the edits on a copy of the model; nothing
// here knows about widgets.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "edid/Decode.h"
#include "edid/Model.h"
#include "edid/ModelEdits.h"
#include "edid/Timings.h"

namespace edid {

enum class FieldWidget {
    Label,  // shown, not edited here
    Spin,   // a number in minimum..maximum, with a unit
    Combo,  // one of choices; current is the index
    Check,  // a flag; current is 0 or 1
    Text,   // a short text of at most maxLength characters
};

// What the Add button offers on a node.
enum class AddKind { None, Timing, Vic, Audio, Block };

struct EditNode {
    std::string label;
    std::string value;  // the text shown beside a Label; the tool tip of a widget
    FieldWidget widget = FieldWidget::Label;
    int minimum = 0;
    int maximum = 0;
    int current = 0;
    int step = 1;
    std::string unit;  // " MHz"
    std::vector<std::string> choices;
    std::string text;
    int maxLength = 0;
    // The field's edit: set for Spin, Combo and Check, setText for Text.
    std::function<EditResult(EdidModel&, int)> set;
    std::function<EditResult(EdidModel&, std::string_view)> setText;
    // Empty where the node cannot be removed or moved. move takes -1 (up)
    // or +1 (down).
    std::function<EditResult(EdidModel&)> remove;
    std::function<EditResult(EdidModel&, int)> move;
    bool canMoveUp = false;  // there is a place before it to move to
    bool canMoveDown = false;
    AddKind add = AddKind::None;
    std::vector<EditNode> children;
};

// The whole outline: "Base block" and "Extension".
EditNode editTree(const EdidModel& model);

// --- what the Add actions offer ------------------------------------------------

// The timing generator's question: a size, a rate and a method, or a VIC.
enum class TimingMethod { Cvt, CvtReduced, CvtReduced2, Vic };
struct TimingRequest {
    int width = 1920;
    int height = 1080;
    double refreshHz = 60;
    TimingMethod method = TimingMethod::CvtReduced;
    int vic = 16;
};
std::vector<std::string> timingMethodNames();  // in TimingMethod's order
TimingResult generateTiming(const TimingRequest& request);
// "2560x1440p120: 497.75 MHz, H 2560 48 32 80, V 1440 3 5 ..., 183.00 kHz"
std::string describeTiming(const DetailedTiming& timing);

// Every VIC with its name ("97: 3840x2160p60 (16:9)"), in the order of vicTable().
std::vector<std::string> vicChoices();
// The data block kinds that can start empty, by name and as their help says.
struct BlockChoice {
    BlockKind kind;
    std::string text;
};
std::vector<BlockChoice> blockChoices();
// A short audio descriptor of a format with usual values: L-PCM 2 channels at
// 32 to 48 kHz in 16 to 24 bits, the others 6 channels at 48 kHz (640 kbit/s
// for the formats that give a bit rate).
AudioDescriptorBytes defaultAudio(const AudioFormatName& format);

// The CTA-861 flags byte's bits 7 to 4 (underscan, basic audio, YCbCr 4:4:4, 4:2:2).
EditResult setCtaFlag(EdidModel& model, int bit, bool on);

}  // namespace edid
