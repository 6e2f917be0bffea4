// Records what the link and the command operations tell the user.
#pragma once

#include <string>
#include <vector>

#include "link/LinkUi.h"

namespace testing_support {

class RecordingLinkUi final : public boxlink::LinkUi {
public:
    struct Status {
        std::string text;
        int timeoutMs;
        bool operator==(const Status&) const = default;
    };

    void showStatus(const std::string& text, int timeoutMs) override {
        statuses.push_back({text, timeoutMs});
    }
    void showLinkWarning(const std::string& text) override { warnings.push_back(text); }
    void boxGone() override { ++gone; }

    void clear() {
        statuses.clear();
        warnings.clear();
    }

    std::vector<Status> statuses;
    std::vector<std::string> warnings;
    int gone = 0;  // times the link found the box gone
};

}  // namespace testing_support
