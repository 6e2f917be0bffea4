#include "Lines.h"

#include <algorithm>
#include <cstdio>

namespace updater {

int drawnTop(int y, int lineSpacing) {
    static constexpr int kRows[] = {kStatusRow,     kWarningRow, kPartRow,
                                    kPowerCycleRow, kWaitRow,    kReconfigureRow};
    // The rows above y, in order, each as low as the one above it requires.
    bool first = true;
    int top = 0;
    auto place = [&](int row) {
        top = first ? row : std::max(row, top + lineSpacing);
        first = false;
    };
    for (int row : kRows) {
        if (row < y) {
            place(row);
        }
    }
    place(y);
    return top;
}

std::string padded(const std::string& text, std::size_t width) {
    std::string line = text;
    if (line.size() < width) {
        line.append(width - line.size(), ' ');
    }
    return line;
}

std::string formatLine(const char* format, ...) {
    char buffer[kFormatBuffer];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) {
        return {};
    }
    return buffer;
}

}  // namespace updater
