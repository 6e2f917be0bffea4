#include "GuiTestSupport.h"

#include <stdlib.h>

#include <QTextDocument>
#include <stdexcept>

#include "usb/SocketLibrary.h"

namespace gui_test {

QApplication& application() {
    static int argc = 1;
    static char name[] = "gui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        auto* a = new QApplication(argc, argv);
        QApplication::setQuitOnLastWindowClosed(false);
        return a;
    }();
    return *app;
}

// --- ScriptedDialogs

void ScriptedDialogs::record(Shown s) {
    shown.push_back(s);
    if (onShow) {
        onShow(s);
    }
}

void ScriptedDialogs::warning(QWidget* parent, const QString& title, const QString& text) {
    record({Shown::Warning, parent, title, text, {}});
}

QMessageBox::StandardButton ScriptedDialogs::question(QWidget* parent, const QString& title,
                                                      const QString& text,
                                                      const QString& informativeText) {
    record({Shown::Question, parent, title, text, informativeText});
    if (answers.empty()) {
        return QMessageBox::No;
    }
    const auto answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedDialogs::about(QWidget* parent, const QString& title, const QString& text) {
    record({Shown::About, parent, title, text, {}});
}

void ScriptedDialogs::linkWarning(const QString& text) {
    record({Shown::LinkWarning, nullptr, QStringLiteral(" "), text, {}});
}

QString ScriptedDialogs::openFileName(QWidget* parent, const QString& caption, const QString& dir,
                                      const QString& filter) {
    record({Shown::OpenFile, parent, caption, filter, dir});
    if (fileNames.empty()) {
        return {};
    }
    const QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

QString ScriptedDialogs::saveFileName(QWidget* parent, const QString& caption, const QString& dir,
                                      const QString& filter) {
    record({Shown::SaveFile, parent, caption, filter, dir});
    if (fileNames.empty()) {
        return {};
    }
    const QString name = fileNames.front();
    fileNames.pop_front();
    return name;
}

int ScriptedDialogs::chooseItem(QWidget* parent, const QString& title, const QString& label,
                                const QStringList& items) {
    record({Shown::Choice, parent, title, label, {}});
    if (choices.empty()) {
        return -1;
    }
    const QString wanted = choices.front();
    choices.pop_front();
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (items[i].startsWith(wanted)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::optional<edid::TimingRequest> ScriptedDialogs::timingRequest(QWidget* parent,
                                                                  const edid::TimingRequest&) {
    record({Shown::Timing, parent, {}, {}, {}});
    if (timings.empty()) {
        return std::nullopt;
    }
    const edid::TimingRequest request = timings.front();
    timings.pop_front();
    return request;
}

QString plainText(const QString& richText) {
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

}  // namespace gui_test
