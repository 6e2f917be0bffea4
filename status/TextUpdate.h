// Text changes for the window's labels and text boxes, by object name. A
// widget that has no entry keeps its text.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace boxstatus {

enum class TextAction { Set, Clear };

struct TextUpdate {
    std::string_view widget;  // object name in the form
    TextAction action;
    std::string text;  // Set only; 8-bit characters as the box sent them

    friend bool operator==(const TextUpdate&, const TextUpdate&) = default;
};

using TextUpdates = std::vector<TextUpdate>;

}  // namespace boxstatus
