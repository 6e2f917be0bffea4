// printf formatting into a std::string, for the label formats of the status
// texts. Always in the C locale: "0.1700", whatever the user's locale.
#pragma once

#include <string>

namespace boxstatus {

#if defined(__GNUC__)
__attribute__((format(printf, 1, 2)))
#endif
std::string
printfText(const char* format, ...);

}  // namespace boxstatus
