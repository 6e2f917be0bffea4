// One program at a time per box: the lock that the USB layer takes when it
// opens a device, in this process and across processes.
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/EmulatedBox.h"
#include "usb/DeviceLock.h"
#include "usb/UsbLibrary.h"

namespace {

std::string uniqueLinkName(const char* what) {
    return std::string("test:") + what + ":" + std::to_string(::getpid());
}

TEST(DeviceLock, OneHolderAtATimeAndItsNameIsKnown) {
    const std::string link = uniqueLinkName("one");
    EXPECT_FALSE(usb::DeviceLock::holder(link).has_value());
    {
        auto first = usb::DeviceLock::acquire(link);
        ASSERT_NE(first, nullptr);
        EXPECT_EQ(usb::DeviceLock::acquire(link), nullptr);
        const auto who = usb::DeviceLock::holder(link);
        ASSERT_TRUE(who.has_value());
        EXPECT_NE(who->find("(process " + std::to_string(::getpid()) + ")"), std::string::npos)
            << *who;
    }
    EXPECT_FALSE(usb::DeviceLock::holder(link).has_value());
    EXPECT_FALSE(std::filesystem::exists(usb::DeviceLock::pathFor(link)));  // nothing left behind
    EXPECT_NE(usb::DeviceLock::acquire(link), nullptr);
}

TEST(DeviceLock, LinkNamesThatDifferOnlyInLeftOutCharactersGetTheirOwnFiles) {
    EXPECT_NE(usb::DeviceLock::pathFor("/tmp/a b/box.sock"),
              usb::DeviceLock::pathFor("/tmp/a_b/box.sock"));
    auto a = usb::DeviceLock::acquire(uniqueLinkName("x/y"));
    auto b = usb::DeviceLock::acquire(uniqueLinkName("x_y"));
    EXPECT_NE(a, nullptr);
    EXPECT_NE(b, nullptr);
}

TEST(DeviceLock, AnotherProcessHoldingTheBoxIsNamed) {
    const std::string link = uniqueLinkName("child");
    int ready[2];
    int done[2];
    ASSERT_EQ(::pipe(ready), 0);
    ASSERT_EQ(::pipe(done), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto lock = usb::DeviceLock::acquire(link);
        char c = lock != nullptr ? 'y' : 'n';
        (void)!::write(ready[1], &c, 1);
        (void)!::read(done[0], &c, 1);
        std::_Exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_EQ(usb::DeviceLock::acquire(link), nullptr);
    const auto who = usb::DeviceLock::holder(link);
    ASSERT_TRUE(who.has_value());
    EXPECT_NE(who->find("(process " + std::to_string(child) + ")"), std::string::npos) << *who;
    (void)!::write(done[1], &c, 1);
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_NE(usb::DeviceLock::acquire(link), nullptr);
    for (int fd : {ready[0], ready[1], done[0], done[1]}) {
        ::close(fd);
    }
}

TEST(DeviceLock, AnEmulatedBoxOpensOnceUntilItIsClosed) {
    testing_support::EmulatedBox box;
    usb::Library& library = box.library();
    usb::Handle first = usb::kInvalidHandle;
    usb::Handle second = usb::kInvalidHandle;
    ASSERT_EQ(library.open(0, &first), usb::Ok);
    EXPECT_EQ(library.open(0, &second), usb::DeviceIoFailed);
    EXPECT_EQ(second, usb::kInvalidHandle);
    EXPECT_TRUE(usb::DeviceLock::holder(box.socketPath()).has_value());
    ASSERT_EQ(library.close(first), usb::Ok);
    EXPECT_FALSE(usb::DeviceLock::holder(box.socketPath()).has_value());
    ASSERT_EQ(library.open(0, &second), usb::Ok);
    EXPECT_EQ(library.close(second), usb::Ok);
}

}  // namespace
