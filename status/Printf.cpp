#include "status/Printf.h"

#include <locale.h>

#include <cstdarg>
#include <cstdio>

namespace boxstatus {

namespace {

// Numbers are formatted the same in every locale: a full stop, no grouping.
locale_t cLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", nullptr);
    return c;
}

}  // namespace

std::string printfText(const char* format, ...) {
    const locale_t previous = uselocale(cLocale());
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    std::string text;
    if (length > 0) {
        text.resize(static_cast<std::size_t>(length) + 1);
        std::vsnprintf(text.data(), text.size(), format, again);
        text.resize(static_cast<std::size_t>(length));
    }
    va_end(again);
    uselocale(previous);
    return text;
}

}  // namespace boxstatus
