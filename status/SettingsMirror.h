// The settings mirror of the status poll: from the status block (the box's EP
// state) and the OSD pages 11 and 12, the ordered widget operations that bring
// the settings widgets in line with the box.
//
// The glue applies the operations in order with the ordinary setters and
// signals not blocked, so that a widget whose value changed emits its signal
// as a user change would; the order of the operations is therefore part of
// the result.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/Protocol.h"
#include "status/PageBytes.h"

namespace boxstatus {

using boxlink::kStatusEcho;
inline constexpr std::size_t kStatusLength = boxlink::kMaxAnswer;  // status block answer
inline constexpr std::size_t kOsdParamsLength = 30;                // page 11
inline constexpr std::size_t kOsdTextLength = 64;                  // page 12
inline constexpr const char* kReadErrorMessage = "Error: reading";
inline constexpr int kReadErrorMs = 1000;

enum class WidgetAction { SetChecked, SetCurrentIndex, SetEnabled, SetVisible, SetText, SetValue };

struct WidgetOp {
    std::string_view widget;  // object name in the form
    WidgetAction action;
    // SetChecked, SetEnabled, SetVisible: 0 or 1; SetCurrentIndex: index;
    // SetValue: a spin box's value
    int value = 0;
    std::string text;  // SetText

    friend bool operator==(const WidgetOp&, const WidgetOp&) = default;
};

// Whether the mirror may use what it read: all three reads succeeded and the
// status answer echoes 0xE1. Otherwise the poll shows kReadErrorMessage for
// kReadErrorMs and changes nothing.
bool mirrorReadOk(bool statusRead, bool page11Read, bool page12Read, Bytes status);

// Status answer bytes 2..63 into epState bytes 0..61 (as far as both reach).
void copyEpState(Bytes status, std::span<std::uint8_t> epState);

// S[47], S[48], S[49]: the audio volume, bass and treble bytes as the box
// reports them.
using AudioLevels = std::array<std::uint8_t, 3>;
AudioLevels audioLevels(Bytes status);

struct MirrorInput {
    Bytes status;  // status block answer: byte 0 echo, EP state byte n at n + 2
    Bytes page11;  // OSD parameters
    Bytes page12;  // OSD custom text
    std::uint8_t pcbRevision = 0;
    // The audio levels of the previous poll whose mirror was applied; empty
    // before the first. The spin boxes sbAudioVolume, sbAudioBass and
    // sbAudioTreble take the box's value (a signed byte) on the first poll and
    // afterwards only where the box's value differs from this, so that a value
    // the user has typed but not sent yet stays until the box itself changes.
    std::optional<AudioLevels> lastAudioLevels = std::nullopt;
};

// The widget operations, in the order they are to be applied.
std::vector<WidgetOp> settingsMirror(const MirrorInput& input);

}  // namespace boxstatus
