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
    std::uint32_t count = 0;
    if (library_.getNumDevices(&count) != usb::Ok) {
        return false;
    }
    for (std::uint32_t index = 0; index < count; ++index) {
        char text[usb::kStringBufferSize] = {};
        if (library_.getProductString(index, text, usb::kSerialNumber) != usb::Ok) {
            continue;
        }
        text[sizeof text - 1] = '\0';
        if (serial == text) {
            number = index;
            return true;
        }
    }
    return false;
}

bool UsbLink::openLink(std::uint32_t number) {
    usb::Handle handle = usb::kInvalidHandle;
    if (library_.open(number, &handle) == usb::Ok && handle != usb::kInvalidHandle) {
        boxHandle_ = handle;
        return true;
    }
    ui_.showLinkWarning("Usb device open error!");
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

bool UsbLink::transact(Answer& answer, const std::uint8_t* request, std::uint32_t minimum,
                       std::uint32_t requestLength) {
    bool result = true;
    const std::uint32_t start = clock_.tickMs();
    std::uint32_t waiting = 0;
    linkBusy_ = 1;

    lastFailure_ = LinkFailure::None;
    if (!isOpen() || boxSilent_) {
        lastFailure_ = LinkFailure::NotOpen;
        linkBusy_ = 0;
        return false;
    }
    library_.flushBuffers(boxHandle_, 1, 1);

    std::uint32_t written = 0;
    if (!linkWrite(request, requestLength, written, kExchangeTimeoutMs)) {
        lastFailure_ = LinkFailure::WriteFailed;
        linkBusy_ = 0;
        return false;
    }

    // Busy wait for the first answer bytes. Once a queue check has failed the
    // exchange has failed for good, so the wait ends there with one message.
    while (waiting == 0) {
        if (clock_.tickMs() - start >= kExchangeTimeoutMs) {
            break;
        }
        std::uint32_t queueStatus = 0;
        if (library_.checkRxQueue(boxHandle_, &waiting, &queueStatus) != usb::Ok) {
            ui_.showLinkWarning("Error Checking RX Queue");
            lastFailure_ = LinkFailure::QueueCheck;
            result = false;
            break;
        }
    }

    if (result) {
        if (waiting == 0) {
            result = false;
            lastFailure_ = LinkFailure::NoAnswer;
            boxSilent_ = stopAfterSilence_;
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
    linkBusy_ = 0;
    return result;
}

}  // namespace boxlink
