// One program at a time per box: an advisory lock file per device, taken by
// the USB layer when it opens a device and removed when it closes it. The
// file names the holder, so that a program refused the box can say who has it.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace usb {

class DeviceLock {
public:
    ~DeviceLock();
    DeviceLock(const DeviceLock&) = delete;
    DeviceLock& operator=(const DeviceLock&) = delete;

    // The lock of the device with this link name (the kLinkName string), or
    // nullptr when another open handle, in this program or another, holds it.
    static std::unique_ptr<DeviceLock> acquire(const std::string& linkName);

    // Who holds the device's lock, e.g. "VORTILAN2-GUI (process 1234)";
    // nothing when nobody does.
    static std::optional<std::string> holder(const std::string& linkName);
    // "the box is in use by <holder>; close that program first", or nothing
    // when nobody holds the device.
    static std::optional<std::string> inUseText(const std::string& linkName);

    // The lock file of a device: in $XDG_RUNTIME_DIR, else the temporary
    // folder, named after the link name.
    static std::string pathFor(const std::string& linkName);

private:
    DeviceLock(int fd, std::string path) : fd_(fd), path_(std::move(path)) {}
    int fd_;
    std::string path_;  // empty: no lock file could be made
};

}  // namespace usb
