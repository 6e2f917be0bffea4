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

// --- EmulatedBox

EmulatedBox::EmulatedBox(const std::string& serial, const std::string& state) {
    std::string templ = (std::filesystem::temp_directory_path() / "gui-box-XXXXXX").string();
    if (::mkdtemp(templ.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    dir_ = templ;
    socketPath_ = (dir_ / "box.sock").string();
    emu::ServerOptions options;
    options.socketPath = socketPath_;
    options.serial = serial;
    options.state = state;
    server_ = std::make_unique<emu::Server>(options);
    std::string error;
    if (!server_->start(&error)) {
        throw std::runtime_error("emulator: " + error);
    }
    library_ = usb::createSocketLibrary({socketPath_});
}

EmulatedBox::~EmulatedBox() {
    library_.reset();
    server_->stop();
    server_.reset();
    std::error_code error;
    std::filesystem::remove_all(dir_, error);
}

std::vector<Bytes> EmulatedBox::requests() {
    std::vector<Bytes> out;
    for (const emu::TraceEntry& e : server_->trace().entries()) {
        if (e.kind == emu::TraceEntry::kRequest || e.kind == emu::TraceEntry::kIgnored) {
            out.push_back(e.bytes);
        }
    }
    return out;
}

// --- HookedLibrary

int HookedLibrary::open(std::uint32_t index, usb::Handle* handle) {
    if (failOpens > 0) {
        --failOpens;
        return usb::DeviceNotFound;
    }
    return inner_.open(index, handle);
}

int HookedLibrary::write(usb::Handle handle, const void* buffer, std::uint32_t count,
                         std::uint32_t* bytesWritten) {
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    writes.emplace_back(bytes, bytes + count);
    if (beforeWrite) {
        beforeWrite(writes.back());
    }
    return inner_.write(handle, buffer, count, bytesWritten);
}

int HookedLibrary::checkRxQueue(usb::Handle handle, std::uint32_t* bytesInQueue,
                                std::uint32_t* queueStatus) {
    if (failQueueChecks > 0) {
        --failQueueChecks;
        return usb::RxQueueNotReady;
    }
    return inner_.checkRxQueue(handle, bytesInQueue, queueStatus);
}

QString plainText(const QString& richText) {
    QTextDocument document;
    document.setHtml(richText);
    return document.toPlainText();
}

}  // namespace gui_test
