// Text helpers and the rows of the updater window's status lines.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <string>

namespace updater {

inline constexpr int kStatusRow = 10;
inline constexpr int kWarningRow = 30;
inline constexpr int kPartRow = 40;
inline constexpr int kPowerCycleRow = 60;
inline constexpr int kWaitRow = 80;
inline constexpr int kReconfigureRow = 100;

// The top at which the line of row y is drawn, for lines lineSpacing pixels
// high: y itself, or lower where the rows above (those of the table above and
// y's own) would otherwise overlap it. Rows 30 and 40 lie closer than a line
// of text is high, so from row 40 on the rows move down as far as needed.
int drawnTop(int y, int lineSpacing);

// Lines formatted by formatLine hold at most this many characters, terminator included.
inline constexpr std::size_t kFormatBuffer = 80;

// text followed by blanks up to width characters; a longer text is kept whole.
std::string padded(const std::string& text, std::size_t width);

// printf-style formatting that stops at kFormatBuffer - 1 characters.
std::string formatLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace updater
