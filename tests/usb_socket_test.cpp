#include <gtest/gtest.h>

#include "usb/SocketLibrary.h"

TEST(SocketPathList, SplitsOnColons) {
    EXPECT_EQ(usb::splitPathList("/a:/b"), (std::vector<std::string>{"/a", "/b"}));
    EXPECT_TRUE(usb::splitPathList("").empty());
}
