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
    NotOpen,      // no box is open
    Gone,         // the box went away (unplugged, its socket closed)
    WriteFailed,  // the request could not be sent
    QueueCheck,   // the receive queue could not be checked
    NoAnswer,     // nothing came back in time, now or in an earlier exchange of the run
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
    // Opens the device; on failure shows "Usb device open error!" unless quiet.
    bool openLink(std::uint32_t number, bool quiet = false);
    // The last findBox() found no box, or the last openLink() failed, because
    // a device was there that this user may not open.
    bool accessDenied() const { return accessDenied_; }
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
    // The box went away during an exchange; the link is closed. Cleared by
    // the next openLink().
    bool boxGone() const { return gone_; }
    // Outside an exchange: whether the open box is still there; if not, the
    // link is closed and the LinkUi told, as an exchange would have found.
    bool checkStillThere();
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
            if (!nested_ && !link_.keepSilence_) {
                link_.boxSilent_ = false;
            }
        }
        ~SilenceGuard() {
            if (!nested_) {
                link_.stopAfterSilence_ = false;
                if (!link_.keepSilence_) {
                    link_.boxSilent_ = false;
                }
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

    // With keepSilence set, a box that once gave no answer at all counts as
    // silent beyond any run, until clearSilence(): every exchange fails at
    // once. A window uses it so that a silent box blocks it for one time-out
    // only, and finds out with sendProbe() and probeAnswered() when the box
    // answers again.
    void setKeepSilence(bool keep) { keepSilence_ = keep; }
    void clearSilence() { boxSilent_ = false; }
    // Sends request without waiting for the answer (the receive queue is
    // flushed first). False when it could not be sent.
    bool sendProbe(const std::uint8_t* request, std::uint32_t requestLength);
    // Whether an answer of at least minimum bytes to the last probe has come;
    // waits at most about a millisecond.
    bool probeAnswered(std::uint32_t minimum);
    bool isOpen() const { return boxHandle_ != usb::kInvalidHandle; }
    usb::Handle boxHandle() const { return boxHandle_; }
    std::uint32_t& boxDeviceNumber() { return boxDeviceNumber_; }

private:
    // After a failed exchange: whether the box is still there. If not, the
    // link is closed and the LinkUi told.
    bool checkGone();

    usb::Library& library_;
    usb::Clock& clock_;
    LinkUi& ui_;
    usb::Handle boxHandle_ = usb::kInvalidHandle;
    std::uint32_t boxDeviceNumber_ = 0;
    std::uint8_t linkBusy_ = 0;
    LinkFailure lastFailure_ = LinkFailure::None;
    bool stopAfterSilence_ = false;
    bool boxSilent_ = false;
    bool keepSilence_ = false;
    bool gone_ = false;
    bool accessDenied_ = false;
};

}  // namespace boxlink
