#include "UpdaterLink.h"

#include <algorithm>
#include <cstring>

#include "Lines.h"

namespace updater {

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
    for (; index < count; ++index) {
        std::memset(text, 0, sizeof text);
        if (locked([&] { return library_.getProductString(index, text, usb::kSerialNumber); }) !=
            usb::Ok) {
            warn("Error retrieving serial string!");
            continue;
        }
        text[sizeof text - 1] = '\0';
        if (std::strcmp(text, BOX_SERIAL) == 0) {
            found = true;
            break;
        }
    }
    if (!found) {
        warn("VORTILAN2 not connected!");
        closeBox();
        return;
    }
    const bool opened =
        locked([&] { return library_.getProductString(index, text, usb::kLinkName); }) == usb::Ok &&
        locked([&] { return library_.open(index, &boxHandle_); }) == usb::Ok &&
        locked([&] { return library_.flushBuffers(boxHandle_, 1, 1); }) == usb::Ok;
    if (!opened) {
        warn("Usb device open error!");
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
