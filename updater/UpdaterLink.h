// The updater's own link to the box: finds and opens it by its serial
// string, and exchanges one packet and its fixed-length answer at a time.
// One lock is held around every single call into the USB library.
#pragma once

#include <cstdint>
#include <mutex>
#include <set>
#include <string>

#include "UpdaterUi.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

namespace updater {

inline constexpr char BOX_SERIAL[] = "2026";
inline constexpr std::uint32_t kAnswerWaitMs = 2000;
// Caption of the link's message boxes: one blank.
inline constexpr char kLinkCaption[] = " ";

class UpdaterLink {
public:
    UpdaterLink(usb::Library& library, usb::Clock& clock, UpdaterUi& ui);
    UpdaterLink(const UpdaterLink&) = delete;
    UpdaterLink& operator=(const UpdaterLink&) = delete;

    // Opens the first device whose serial string is exactly BOX_SERIAL;
    // afterwards the link is either open or closed again.
    void openBox();
    // Closes the box if it is open; safe to call any number of times.
    void closeBox();
    // Writes request, waits up to 2000 ms for an answer and reads answerLength
    // bytes into answer (bytes that do not arrive read as 0). A read of another
    // length is noted on the status row and still counts as success.
    bool exchange(const std::uint8_t* request, std::uint32_t requestLength, std::uint8_t* answer,
                  std::uint32_t answerLength);

    bool isOpen() const { return boxHandle_ != usb::kInvalidHandle; }
    usb::Handle boxHandle() const { return boxHandle_; }

    // While set, each of the link's messages is shown at most once; used by
    // loops that would otherwise show the same box for every cycle.
    void setQuietRepeats(bool quiet);

private:
    template <typename Call>
    int locked(Call call) {
        std::lock_guard lock(linkLock_);
        return call();
    }
    void warn(const std::string& text);

    usb::Library& library_;
    usb::Clock& clock_;
    UpdaterUi& ui_;
    std::mutex linkLock_;
    usb::Handle boxHandle_ = usb::kInvalidHandle;
    bool quietRepeats_ = false;
    std::set<std::string> shown_;
};

}  // namespace updater
