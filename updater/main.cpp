// fpga-update: writes FPGA and OSD images into the VORTILAN2's SPI flash.
#include <QApplication>
#include <clocale>
#include <QDir>
#include <QIcon>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "Dialogs.h"
#include "UpdaterWindow.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"
#include "vortilan2/Version.h"

namespace {

const char kHelp[] =
    "Usage: fpga-update [--help] [--version]\n"
    "\n"
    "Writes the FPGA image and the four OSD image parts into the SPI flash of a\n"
    "VORTILAN2 box. Connect the box by USB, close other software that uses it\n"
    "(the configuration utility too), then choose Update, Update Firmware in the\n"
    "window. Do not turn the box off while the flash is written.\n"
    "\n"
    "The image files are looked for in the working directory, then beside the\n"
    "program: VORTILAN2-FPGA-2.45-1013.bin, then ORVINE.0.1.OSD.01.bin to\n"
    "ORVINE.0.1.OSD.04.bin.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Environment:\n"
    "  VORTILAN2_EMULATOR   socket paths of emulated boxes, separated by \":\",\n"
    "                       used instead of USB devices (see vortilan2-emu)\n"
    "\n"
    "Exit status: 0 when the window is closed or the update is done, 1 when an\n"
    "update failed.\n";

}  // namespace

int main(int argc, char* argv[]) {
    // Answered before Qt starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("fpga-update %s\n", VORTILAN2_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // The application object takes the user's locale; the progress lines
    // keep their full stop.
    std::setlocale(LC_NUMERIC, "C");
    QCoreApplication::setApplicationName(QStringLiteral("fpga-update"));
    // The same icon as the configuration utility, in every size it is drawn in.
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons/vortilan2"));
    for (const QString& file : icons.entryList(QDir::Files)) {
        icon.addFile(icons.filePath(file));
    }
    QApplication::setWindowIcon(icon);

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
