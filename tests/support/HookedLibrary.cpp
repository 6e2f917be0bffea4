#include "HookedLibrary.h"

namespace testing_support {

int HookedLibrary::open(std::uint32_t index, usb::Handle* handle) {
    if (failOpens > 0) {
        --failOpens;
        return usb::DeviceNotFound;
    }
    return inner_.open(index, handle);
}

int HookedLibrary::write(usb::Handle handle, const void* buffer, std::uint32_t count,
                         std::uint32_t* bytesWritten) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    writes.emplace_back(bytes, bytes + count);
    if (beforeWrite) {
        beforeWrite(writes.back());
    }
    return inner_.write(handle, buffer, count, bytesWritten);
}

int HookedLibrary::checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                                std::uint32_t* queueStatus) {
    if (failQueueChecks > 0) {
        --failQueueChecks;
        return usb::RxQueueNotReady;
    }
    return inner_.checkRxQueue(handle, bytesInQueue, queueStatus);
}

}  // namespace testing_support
