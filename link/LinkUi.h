// What the link and the command operations tell the user. The main window
// implements it with its status bar and message boxes; tests record it.
#pragma once

#include <cstdint>
#include <string>

namespace boxlink {

class LinkUi {
public:
    virtual ~LinkUi() = default;
    // A status-bar message; timeoutMs 0 keeps it until another one replaces it.
    virtual void showStatus(const std::string& text, int timeoutMs) = 0;
    // A modal warning box without an owner window, caption " " (one blank).
    virtual void showLinkWarning(const std::string& text) = 0;

    // Called again and again while an exchange waits for the box's answer,
    // elapsedMs after the exchange began; a window keeps painting here.
    virtual void waiting(std::uint32_t elapsedMs) { (void)elapsedMs; }
    // The wait of an exchange that called waiting() is over.
    virtual void waitOver() {}
    // An exchange found that the box is gone (unplugged, its socket closed);
    // the link is closed already.
    virtual void boxGone() {}
};

}  // namespace boxlink
