#include "UsbLink.h"

#include <algorithm>
#include <cstring>

namespace boxlink {

UsbLink::UsbLink(usb::Library& library, usb::Clock& clock, LinkUi& ui)
    : library_(library), clock_(clock), ui_(ui) {}

UsbLink::~UsbLink() {
    if (isOpen()) {
        library_.close(boxHandle_);
    }
}

bool UsbLink::findBox(const std::string& serial, std::uint32_t& number) {
    if (isOpen()) {
        closeLink();
    }
    boxHandle_ = usb::kInvalidHandle;
    accessDenied_ = false;
    std::uint32_t count = 0;
    if (library_.getNumDevices(&count) != usb::Ok) {
        return false;
    }
    for (std::uint32_t index = 0; index < count; ++index) {
        char text[usb::kStringBufferSize] = {};
        const int status = library_.getProductString(index, text, usb::kSerialNumber);
        if (status != usb::Ok) {
            // A device this user may not open may well be the box.
            accessDenied_ = accessDenied_ || status == usb::AccessDenied;
            continue;
        }
        text[sizeof text - 1] = '\0';
        if (serial == text) {
            number = index;
            accessDenied_ = false;
            return true;
        }
    }
    return false;
}

bool UsbLink::openLink(std::uint32_t number, bool quiet) {
    usb::Handle handle = usb::kInvalidHandle;
    const int status = library_.open(number, &handle);
    accessDenied_ = status == usb::AccessDenied;
    if (status == usb::Ok && handle != usb::kInvalidHandle) {
        boxHandle_ = handle;
        gone_ = false;
        boxSilent_ = false;
        return true;
    }
    if (!quiet) {
        ui_.showLinkWarning("Usb device open error!");
    }
    boxHandle_ = usb::kInvalidHandle;
    return false;
}

void UsbLink::closeLink() {
    if (isOpen() && library_.close(boxHandle_) != usb::Ok) {
        ui_.showLinkWarning("Unable to close device handle!");
    }
    boxHandle_ = usb::kInvalidHandle;
}

bool UsbLink::linkWrite(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t& written,
                        std::uint32_t timeoutMs) {
    std::uint32_t keptRead = 0;
    std::uint32_t keptWrite = 0;
    library_.getTimeouts(&keptRead, &keptWrite);
    library_.setTimeouts(0, timeoutMs);
    const int status = library_.write(boxHandle_, bytes, count, &written);
    library_.setTimeouts(keptRead, keptWrite);
    return status == usb::Ok;
}

bool UsbLink::linkRead(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& read,
                       std::uint32_t timeoutMs) {
    std::uint32_t keptRead = 0;
    std::uint32_t keptWrite = 0;
    library_.getTimeouts(&keptRead, &keptWrite);
    library_.setTimeouts(timeoutMs, 0);
    const int status = library_.read(boxHandle_, buffer, count, &read);
    library_.setTimeouts(keptRead, keptWrite);
    return status == usb::Ok;
}

const char* describeFailure(LinkFailure failure) {
    switch (failure) {
        case LinkFailure::None:
            return "the box gave an unexpected answer";
        case LinkFailure::NotOpen:
            return "the box is not open";
        case LinkFailure::Gone:
            return "the box was disconnected";
        case LinkFailure::WriteFailed:
            return "the request could not be sent to the box";
        case LinkFailure::QueueCheck:
            return "the USB receive queue could not be checked";
        case LinkFailure::NoAnswer:
            return "no answer from the box";
        case LinkFailure::ReadFailed:
            return "the box's answer could not be read";
        case LinkFailure::ShortAnswer:
            return "the box's answer was too short";
    }
    return "unknown failure";
}

bool UsbLink::checkGone() {
    // A box that is there answers the queue check, even with nothing queued;
    // a closed socket or an unplugged device fails it.
    std::uint32_t waiting = 0;
    std::uint32_t queueStatus = 0;
    if (library_.checkRxQueue(boxHandle_, &waiting, &queueStatus) == usb::Ok) {
        return false;
    }
    library_.close(boxHandle_);  // a device that is gone closes without complaint
    boxHandle_ = usb::kInvalidHandle;
    gone_ = true;
    boxSilent_ = false;
    ui_.boxGone();
    return true;
}

bool UsbLink::checkStillThere() {
    if (!isOpen() || gone_ || linkBusy_ != 0) {
        return isOpen();
    }
    linkBusy_ = 1;
    const bool there = !checkGone();
    linkBusy_ = 0;
    return there;
}

bool UsbLink::sendProbe(const std::uint8_t* request, std::uint32_t requestLength) {
    if (!isOpen() || gone_ || linkBusy_ != 0) {
        return false;
    }
    linkBusy_ = 1;
    library_.flushBuffers(boxHandle_, 1, 1);
    std::uint32_t written = 0;
    const bool sent = linkWrite(request, requestLength, written, kExchangeTimeoutMs);
    if (!sent) {
        checkGone();
    }
    linkBusy_ = 0;
    return sent;
}

bool UsbLink::probeAnswered(std::uint32_t minimum) {
    if (!isOpen() || gone_ || linkBusy_ != 0) {
        return false;
    }
    linkBusy_ = 1;
    std::uint32_t waiting = 0;
    std::uint32_t queueStatus = 0;
    bool answered = false;
    if (library_.checkRxQueue(boxHandle_, &waiting, &queueStatus) != usb::Ok) {
        checkGone();
    } else if (waiting >= minimum) {
        std::uint8_t local[kMaxAnswer] = {};
        std::uint32_t read = 0;
        answered = linkRead(local, kMaxAnswer, read, 0) && read >= minimum;
    }
    linkBusy_ = 0;
    return answered;
}

bool UsbLink::transact(Answer& answer, const std::uint8_t* request, std::uint32_t minimum,
                       std::uint32_t requestLength) {
    bool result = true;
    const std::uint32_t start = clock_.tickMs();
    std::uint32_t waiting = 0;
    linkBusy_ = 1;

    lastFailure_ = gone_ ? LinkFailure::Gone
                   : !isOpen() ? LinkFailure::NotOpen
                   : boxSilent_ ? LinkFailure::NoAnswer
                                : LinkFailure::None;
    if (lastFailure_ != LinkFailure::None) {
        linkBusy_ = 0;
        return false;
    }
    library_.flushBuffers(boxHandle_, 1, 1);

    std::uint32_t written = 0;
    if (!linkWrite(request, requestLength, written, kExchangeTimeoutMs)) {
        lastFailure_ = LinkFailure::WriteFailed;
        checkGone();
        linkBusy_ = 0;
        return false;
    }

    // Busy wait for the first answer bytes. Once a queue check has failed the
    // exchange has failed for good, so the wait ends there with one message.
    bool waited = false;
    for (;;) {
        const std::uint32_t elapsed = clock_.tickMs() - start;
        if (elapsed >= kExchangeTimeoutMs) {
            break;
        }
        std::uint32_t queueStatus = 0;
        if (library_.checkRxQueue(boxHandle_, &waiting, &queueStatus) != usb::Ok) {
            // A box that is gone is said so by the LinkUi, without a box.
            lastFailure_ = LinkFailure::QueueCheck;
            result = false;
            if (!checkGone()) {
                ui_.showLinkWarning("Error Checking RX Queue");
            }
            break;
        }
        if (waiting != 0) {
            break;
        }
        ui_.waiting(elapsed);
        waited = true;
    }
    if (waited) {
        ui_.waitOver();
    }

    if (result) {
        if (waiting == 0) {
            result = false;
            lastFailure_ = LinkFailure::NoAnswer;
            boxSilent_ = stopAfterSilence_ || keepSilence_;
        } else {
            std::uint8_t local[kMaxAnswer] = {};
            std::uint32_t read = 0;
            result = linkRead(local, kMaxAnswer, read, kExchangeTimeoutMs);
            if (!result) {
                lastFailure_ = LinkFailure::ReadFailed;
            }
            read = std::min(read, kMaxAnswer);
            std::memcpy(answer.data(), local, read);
            if (result && read < minimum) {
                lastFailure_ = LinkFailure::ShortAnswer;
                result = false;
            }
        }
    }
    if (lastFailure_ == LinkFailure::ReadFailed) {
        checkGone();
    }
    linkBusy_ = 0;
    return result;
}

}  // namespace boxlink
