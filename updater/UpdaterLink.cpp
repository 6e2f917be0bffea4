#include "UpdaterLink.h"

#include <algorithm>
#include <cstring>

#include "Lines.h"
#include "usb/DeviceLock.h"

namespace updater {

namespace {

std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') {
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    }
    return text;
}

}  // namespace

UpdaterLink::UpdaterLink(usb::Library& library, usb::Clock& clock, UpdaterUi& ui)
    : library_(library), clock_(clock), ui_(ui) {}

void UpdaterLink::warn(const std::string& text) {
    if (quietRepeats_ && !shown_.insert(text).second) {
        return;
    }
    ui_.messageBox(text, kLinkCaption, MessageIcon::Warning);
}

void UpdaterLink::setQuietRepeats(bool quiet) {
    quietRepeats_ = quiet;
    shown_.clear();
}

void UpdaterLink::openBox() {
    boxHandle_ = usb::kInvalidHandle;
    std::uint32_t count = 0;
    if (locked([&] { return library_.getNumDevices(&count); }) != usb::Ok) {
        // Said here so that the run does not end without a word.
        warn("VORTILAN2 not connected!");
        closeBox();
        return;
    }
    char text[usb::kStringBufferSize];
    std::uint32_t index = 0;
    bool found = false;
    bool accessDenied = false;
    for (; index < count; ++index) {
        std::memset(text, 0, sizeof text);
        const int status =
            locked([&] { return library_.getProductString(index, text, usb::kSerialNumber); });
        if (status != usb::Ok) {
            warn("Error retrieving serial string!");
            accessDenied = accessDenied || status == usb::AccessDenied;
            continue;
        }
        text[sizeof text - 1] = '\0';
        if (std::strcmp(text, BOX_SERIAL) == 0) {
            found = true;
            break;
        }
    }
    if (!found) {
        warn(accessDenied ? "VORTILAN2 not connected!\n" + capitalised(usb::kAccessDeniedText) + "."
                          : std::string("VORTILAN2 not connected!"));
        closeBox();
        return;
    }
    const bool named =
        locked([&] { return library_.getProductString(index, text, usb::kLinkName); }) == usb::Ok;
    const int openStatus =
        named ? locked([&] { return library_.open(index, &boxHandle_); }) : usb::DeviceNotFound;
    const bool opened =
        openStatus == usb::Ok &&
        locked([&] { return library_.flushBuffers(boxHandle_, 1, 1); }) == usb::Ok;
    if (!opened) {
        // Who has the box, or why this user may not open it, as the command line says.
        std::string message = "Usb device open error!";
        if (openStatus == usb::AccessDenied) {
            message += "\n" + capitalised(usb::kAccessDeniedText) + ".";
        } else if (const auto inUse = named ? usb::DeviceLock::inUseText(text) : std::nullopt) {
            message += "\n" + capitalised(*inUse) + ".";
        }
        warn(message);
        closeBox();
    }
}

void UpdaterLink::closeBox() {
    if (boxHandle_ != usb::kInvalidHandle) {
        const usb::Handle handle = boxHandle_;
        if (locked([&] { return library_.close(handle); }) != usb::Ok) {
            warn("Unable to close device handle!");
        }
    }
    boxHandle_ = usb::kInvalidHandle;
}

bool UpdaterLink::exchange(const std::uint8_t* request, std::uint32_t requestLength,
                           std::uint8_t* answer, std::uint32_t answerLength) {
    if (boxHandle_ == usb::kInvalidHandle) {
        return false;
    }
    std::uint32_t written = 0;
    if (locked([&] { return library_.write(boxHandle_, request, requestLength, &written); }) !=
        usb::Ok) {
        warn("Error Sending Code");
        return false;
    }

    const std::uint32_t start = clock_.tickMs();
    std::uint32_t queued = 0;
    std::uint32_t queueStatus = 0;
    bool failed = false;
    while (queued == 0 && clock_.tickMs() - start < kAnswerWaitMs) {
        if (locked([&] { return library_.checkRxQueue(boxHandle_, &queued, &queueStatus); }) !=
            usb::Ok) {
            // Once per exchange: the wait goes on, and a check that keeps
            // failing would otherwise show one box after another.
            if (!failed) {
                warn("Error Checking Queue");
            }
            failed = true;
            queued = 0;
        }
    }
    if (failed || queued == 0) {
        return false;
    }

    std::fill_n(answer, answerLength, std::uint8_t{0});
    std::uint32_t read = 0;
    if (locked([&] { return library_.read(boxHandle_, answer, answerLength, &read); }) != usb::Ok) {
        warn("Error Reading Data");
        return false;
    }
    if (read != answerLength) {
        ui_.drawLine(padded("BytesRead not same as datalength", 48), kStatusRow);
    }
    return true;
}

}  // namespace updater
