// The USB layer: the call contract that both programs use to reach a box.
//
// Every call returns a status code, 0 (Status::Ok) for success. The read and
// write time-outs are kept once for the whole library instance, not per handle.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace usb {

using Handle = std::intptr_t;
inline constexpr Handle kInvalidHandle = -1;

// Status codes returned by every call; only Ok means success.
enum Status : int {
    Ok = 0x00,
    InvalidHandle = 0x01,
    ReadError = 0x02,
    RxQueueNotReady = 0x03,
    WriteError = 0x04,
    ResetError = 0x05,
    InvalidParameter = 0x06,
    InvalidRequestLength = 0x07,
    DeviceIoFailed = 0x08,
    ReadTimedOut = 0x0D,
    WriteTimedOut = 0x0E,
    // The device is there, but this user may not open it (no udev rule, a
    // socket without write permission).
    AccessDenied = 0x20,
    DeviceNotFound = 0xFF,
};

// What to tell a user whose box answered AccessDenied.
inline constexpr char kAccessDeniedText[] =
    "this user may not open the VORTILAN2; install the udev rule of the README "
    "(udev/70-vortilan2.rules)";

// Options of getProductString.
enum StringOption : std::uint32_t {
    kSerialNumber = 0,
    kDescription = 1,
    kLinkName = 2,  // a stable path that names where the device is attached
    kVendorId = 3,  // four upper-case hexadecimal digits
    kProductId = 4,
};

inline constexpr std::uint32_t kStringBufferSize = 256;
inline constexpr std::uint16_t kVendorIdValue = 0x10C4;
// Product ids the box may enumerate with; the bridge chip's default first.
inline constexpr std::uint16_t kProductIds[] = {0xEA61};

inline constexpr std::uint32_t kDefaultTimeoutMs = 1000;

class Library {
public:
    virtual ~Library() = default;

    virtual int getNumDevices(std::uint32_t* count) = 0;
    // Writes a NUL-terminated string of at most kStringBufferSize bytes.
    virtual int getProductString(std::uint32_t index, char* buffer, std::uint32_t option) = 0;
    virtual int open(std::uint32_t index, Handle* handle) = 0;
    virtual int close(Handle handle) = 0;
    // Returns as soon as some bytes are there, with fewer than asked if so.
    virtual int read(Handle handle, void* buffer, std::uint32_t count,
                     std::uint32_t* bytesRead) = 0;
    virtual int write(Handle handle, const void* buffer, std::uint32_t count,
                      std::uint32_t* bytesWritten) = 0;
    virtual int flushBuffers(Handle handle, std::uint8_t flushTransmit,
                             std::uint8_t flushReceive) = 0;
    virtual int setTimeouts(std::uint32_t readMs, std::uint32_t writeMs) = 0;
    virtual int getTimeouts(std::uint32_t* readMs, std::uint32_t* writeMs) = 0;
    // Number of bytes waiting; may wait about a millisecond for data when the
    // queue is empty, so that callers that poll it in a loop do not spin.
    virtual int checkRxQueue(Handle handle, std::uint32_t* bytesInQueue,
                             std::uint32_t* queueStatus) = 0;

    // Not part of the vendor's contract: where the back end hears at once
    // that a device with the box's vendor id was attached or removed (libusb's
    // hot-plug), it calls changed after each, from a thread of its own, and
    // returns true. Back ends that cannot return false and never call. An
    // empty function stops the calls; once it returns, none is running.
    virtual bool watchDevices(std::function<void()> changed) {
        (void)changed;
        return false;
    }
};

// The back end for this process: emulated boxes when VORTILAN2_EMULATOR is set
// and not empty, else real USB devices.
std::unique_ptr<Library> createLibrary();

// The real-device back end (libusb).
std::unique_ptr<Library> createLibusbLibrary();

}  // namespace usb
