// The utility's link to the box: finds it by its serial string, opens and
// closes it, and runs one request/answer exchange at a time.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "CommandCodes.h"
#include "LinkUi.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

namespace boxlink {

inline constexpr const auto& BOX_SERIAL = kBoxSerial;
inline constexpr std::uint32_t kExchangeTimeoutMs = 4000;

using Answer = std::array<std::uint8_t, kMaxAnswer>;

// Why the last exchange failed, for messages that say so.
enum class LinkFailure : std::uint8_t {
    None,
    NotOpen,      // no box is open (or it went silent earlier in a guarded run)
    WriteFailed,  // the request could not be sent
    QueueCheck,   // the receive queue could not be checked
    NoAnswer,     // nothing came back in time
    ReadFailed,   // the answer could not be read
    ShortAnswer,  // fewer bytes came back than the request needs
};
// "no answer from the box" and the like.
const char* describeFailure(LinkFailure failure);

class UsbLink {
public:
    UsbLink(usb::Library& library, usb::Clock& clock, LinkUi& ui);
    UsbLink(const UsbLink&) = delete;
    UsbLink& operator=(const UsbLink&) = delete;
    ~UsbLink();

    // Finds the first device whose serial string equals serial exactly.
    bool findBox(const std::string& serial, std::uint32_t& number);
    bool openLink(std::uint32_t number);
    // Closes the box if one is open; safe to call any number of times.
    void closeLink();

    bool linkWrite(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t& written,
                   std::uint32_t timeoutMs);
    bool linkRead(std::uint8_t* buffer, std::uint32_t count, std::uint32_t& read,
                  std::uint32_t timeoutMs);
    // One exchange: flush, write, wait up to 4000 ms from the start for the
    // answer, read at most 64 bytes into answer. Bytes beyond those read keep
    // their old values.
    bool transact(Answer& answer, const std::uint8_t* request, std::uint32_t minimum,
                  std::uint32_t requestLength);

    bool linkBusy() const { return linkBusy_ != 0; }
    // Why the last transact() failed; None after one that succeeded.
    LinkFailure lastFailure() const { return lastFailure_; }

    // While a SilenceGuard lives, an exchange whose answer did not come at
    // all within its window ends the run: the exchanges after it fail at once
    // without touching the box, so that a box that has gone silent costs one
    // time-out instead of one per exchange. A guard within another belongs to
    // the outer run: silence found inside stays known until the outer ends.
    class SilenceGuard {
    public:
        explicit SilenceGuard(UsbLink& link) : link_(link), nested_(link.stopAfterSilence_) {
            link_.stopAfterSilence_ = true;
            if (!nested_) {
                link_.boxSilent_ = false;
            }
        }
        ~SilenceGuard() {
            if (!nested_) {
                link_.stopAfterSilence_ = false;
                link_.boxSilent_ = false;
            }
        }
        SilenceGuard(const SilenceGuard&) = delete;
        SilenceGuard& operator=(const SilenceGuard&) = delete;

    private:
        UsbLink& link_;
        const bool nested_;
    };
    // An exchange within the current SilenceGuard got no answer at all.
    bool boxSilent() const { return boxSilent_; }
    bool isOpen() const { return boxHandle_ != usb::kInvalidHandle; }
    usb::Handle boxHandle() const { return boxHandle_; }
    std::uint32_t& boxDeviceNumber() { return boxDeviceNumber_; }

private:
    usb::Library& library_;
    usb::Clock& clock_;
    LinkUi& ui_;
    usb::Handle boxHandle_ = usb::kInvalidHandle;
    std::uint32_t boxDeviceNumber_ = 0;
    std::uint8_t linkBusy_ = 0;
    LinkFailure lastFailure_ = LinkFailure::None;
    bool stopAfterSilence_ = false;
    bool boxSilent_ = false;
};

}  // namespace boxlink
