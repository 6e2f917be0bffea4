// Placeholder until the libusb back end lands: reports no devices.
#include "UsbLibrary.h"

namespace usb {
namespace {
class NoDevices final : public Library {
public:
    int getNumDevices(std::uint32_t* count) override { *count = 0; return Ok; }
    int getProductString(std::uint32_t, char*, std::uint32_t) override { return DeviceNotFound; }
    int open(std::uint32_t, Handle* h) override { *h = kInvalidHandle; return DeviceNotFound; }
    int close(Handle) override { return InvalidHandle; }
    int read(Handle, void*, std::uint32_t, std::uint32_t*) override { return InvalidHandle; }
    int write(Handle, const void*, std::uint32_t, std::uint32_t*) override { return InvalidHandle; }
    int flushBuffers(Handle, std::uint8_t, std::uint8_t) override { return InvalidHandle; }
    int setTimeouts(std::uint32_t, std::uint32_t) override { return Ok; }
    int getTimeouts(std::uint32_t* r, std::uint32_t* w) override { *r = *w = kDefaultTimeoutMs; return Ok; }
    int checkRxQueue(Handle, std::uint32_t*, std::uint32_t*) override { return InvalidHandle; }
};
}  // namespace
std::unique_ptr<Library> createLibusbLibrary() { return std::make_unique<NoDevices>(); }
}  // namespace usb
