// printf formatting into a std::string, for the label formats of the status
// texts.
#pragma once

#include <string>

namespace boxstatus {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
printfText(const char* format, ...);

}  // namespace boxstatus
