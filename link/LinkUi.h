// What the link and the command operations tell the user. The main window
// implements it with its status bar and message boxes; tests record it.
#pragma once

#include <string>

namespace boxlink {

class LinkUi {
public:
    virtual ~LinkUi() = default;
    // A status-bar message; timeoutMs 0 keeps it until another one replaces it.
    virtual void showStatus(const std::string& text, int timeoutMs) = 0;
    // A modal warning box without an owner window, caption " " (one blank).
    virtual void showLinkWarning(const std::string& text) = 0;
};

}  // namespace boxlink
