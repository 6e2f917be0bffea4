// printf formatting into a std::string, for the decoder's texts and notes.
#pragma once

#include <string>

namespace edid {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
textf(const char* format, ...);

}  // namespace edid
