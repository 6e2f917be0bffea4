#include "Lines.h"

#include <cstdio>

namespace updater {

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
