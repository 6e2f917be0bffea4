// What an update run tells the user: status lines drawn into the window and
// modal message boxes without an owner window. The window implements it;
// tests record it. Every call may come from the worker thread.
#pragma once

#include <string>

namespace updater {

enum class MessageIcon { Warning, Information };

class UpdaterUi {
public:
    virtual ~UpdaterUi() = default;
    // Draws text (padding included) at x = 10 and the given y.
    virtual void drawLine(const std::string& text, int y) = 0;
    // A modal message box; returns once the user has dismissed it.
    virtual void messageBox(const std::string& text, const std::string& caption,
                            MessageIcon icon) = 0;
    // A line on the standard output.
    virtual void printLine(const std::string& text) = 0;
    // Closes the window; the program then ends with exitStatus.
    virtual void endProgram(int exitStatus) = 0;
};

}  // namespace updater
