// The shipped udev rule must cover every product id the USB layer accepts,
// and grant access through uaccess only (its name, 70-, sorts before the
// rules that apply uaccess).
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "usb/UsbLibrary.h"

namespace {

std::string ruleFile() {
    std::ifstream in(VORTILAN2_SOURCE_DIR "/udev/70-vortilan2.rules");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(UdevRule, TagsEveryAcceptedProductForTheLoggedInUser) {
    const std::string rules = ruleFile();
    ASSERT_FALSE(rules.empty());
    for (const std::uint16_t product : usb::kProductIds) {
        char match[96];
        std::snprintf(match, sizeof match, "ATTR{idVendor}==\"%04x\", ATTR{idProduct}==\"%04x\"",
                      usb::kVendorIdValue, product);
        const auto at = rules.find(match);
        ASSERT_NE(at, std::string::npos) << match;
        const std::string line = rules.substr(at, rules.find('\n', at) - at);
        EXPECT_NE(line.find("TAG+=\"uaccess\""), std::string::npos) << line;
    }
    EXPECT_EQ(rules.find("MODE"), std::string::npos) << "access must not depend on a file mode";
}

}  // namespace
