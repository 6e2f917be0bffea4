#include "cli/Session.h"

#include <ostream>

#include "usb/DeviceLock.h"

namespace cli {

Session::Session(Environment& env)
    : env_(env), link_(env.library, env.clock, *this), commands_(link_, *this, state_) {}

Session::~Session() {
    link_.closeLink();
}

bool Session::open(std::string_view action) {
    std::uint32_t number = 0;
    if (!link_.findBox(boxlink::BOX_SERIAL, number)) {
        refused(action,
                link_.accessDenied()
                    ? usb::kAccessDeniedText
                    : "no VORTILAN2 is connected (plug it in by USB; for an emulated box set "
                      "VORTILAN2_EMULATOR)",
                kBoxFailed);
        return false;
    }
    if (link_.openLink(number)) {
        return true;
    }
    char linkName[usb::kStringBufferSize] = {};
    std::string reason = link_.accessDenied()
                             ? usb::kAccessDeniedText
                             : "the box could not be opened (for a real box, see the udev rule "
                               "in the README)";
    if (env_.library.getProductString(number, linkName, usb::kLinkName) == usb::Ok) {
        if (const auto inUse = usb::DeviceLock::inUseText(linkName)) {
            reason = *inUse;
        }
    }
    refused(action, reason, kBoxFailed);
    return false;
}

int Session::failed(std::string_view action) {
    return refused(action, boxlink::describeFailure(link_.lastFailure()), kBoxFailed);
}

int Session::refused(std::string_view action, std::string_view reason, int code) {
    env_.err << "Can't " << action << ": " << reason << '\n';
    return code;
}

void Session::showStatus(const std::string& text, int) {
    messages_.push_back(text);
}

void Session::showLinkWarning(const std::string& text) {
    messages_.push_back(text);
}

}  // namespace cli
