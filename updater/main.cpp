// fpga-update: writes FPGA and OSD images into the VORTILAN2's SPI flash.
#include <QApplication>
#include <clocale>
#include <filesystem>
#include <system_error>

#include "Dialogs.h"
#include "UpdaterWindow.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The application object takes the user's locale; the progress lines
    // keep their full stop.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("fpga-update"));

    // Image files are looked for in the working directory, then beside the program.
    std::vector<std::filesystem::path> searchDirs;
    std::error_code error;
    const auto workingDir = std::filesystem::current_path(error);
    if (!error) {
        searchDirs.push_back(workingDir);
    }
    searchDirs.push_back(QCoreApplication::applicationDirPath().toStdString());

    auto library = usb::createLibrary();
    updater::QtDialogs dialogs;
    updater::UpdaterWindow window(*library, usb::systemClock(), searchDirs, dialogs);
    window.show();
    const int loopStatus = QApplication::exec();
    return window.exitStatus() != 0 ? window.exitStatus() : loopStatus;
}
