#include "StartupReadback.h"

namespace gui::readback {

std::string firmwareVersion(Page page0) {
    if (byteAt(page0, 2) != 'F' || byteAt(page0, 3) != 'W') {
        return {};
    }
    return textAt(page0, 2);
}

}  // namespace gui::readback
