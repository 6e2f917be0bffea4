// The box for one command: found by its serial, opened, and closed again.
// What the link and the command operations would show in a window's status
// bar is kept; a failed command says "Can't X: reason" on standard error.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"
#include "link/BoxCommands.h"
#include "link/LinkUi.h"
#include "link/UsbLink.h"

namespace cli {

class Session final : public boxlink::LinkUi {
public:
    explicit Session(Environment& env);
    ~Session() override;

    // Finds and opens the box. On failure says why ("Can't <action>: ...")
    // and returns false.
    bool open(std::string_view action);

    boxlink::UsbLink& link() { return link_; }
    boxlink::BoxCommands& commands() { return commands_; }
    usb::Clock& clock() { return env_.clock; }
    Environment& env() { return env_; }

    // "Can't <action>: <reason of the last exchange>"; returns kBoxFailed.
    int failed(std::string_view action);
    // "Can't <action>: <reason>"; returns code.
    int refused(std::string_view action, std::string_view reason, int code = kUsage);

    // What the operations reported, in order (status-bar texts and warnings).
    const std::vector<std::string>& messages() const { return messages_; }

    void showStatus(const std::string& text, int timeoutMs) override;
    void showLinkWarning(const std::string& text) override;

private:
    Environment& env_;
    boxlink::BoxState state_{true};  // a command line sends at once
    boxlink::UsbLink link_;
    boxlink::BoxCommands commands_;
    std::vector<std::string> messages_;
};

}  // namespace cli
