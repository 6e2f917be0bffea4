// VORTILAN2-GUI: the configuration utility of the VORTILAN2.
#include <QApplication>
#include <clocale>
#include <QDir>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "MainWindow.h"
#include "vortilan2/Version.h"

namespace {

const char kHelp[] =
    "Usage: VORTILAN2-GUI [--help] [--version] [QT-OPTION...]\n"
    "\n"
    "The configuration utility of the VORTILAN2 HDMI video processor: one window\n"
    "with ten tabs that reads, mirrors and changes every setting of the box,\n"
    "manages its EDIDs, sends infoframes, CEC and RS-232 packets, and exports\n"
    "and imports configuration files. The box is found among the USB devices,\n"
    "or among the emulated boxes named in VORTILAN2_EMULATOR.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this text and exit\n"
    "  --version      show the version and exit\n"
    "\n"
    "Qt's own options, such as -platform NAME or -style NAME, are accepted too.\n"
    "\n"
    "Environment:\n"
    "  VORTILAN2_EMULATOR   socket paths of emulated boxes, separated by \":\",\n"
    "                       used instead of USB devices (see vortilan2-emu)\n";

}  // namespace

int main(int argc, char** argv) {
    // Answered before Qt starts, so that they need no display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("VORTILAN2-GUI %s\n", VORTILAN2_VERSION);
            return 0;
        }
    }
    QApplication app(argc, argv);
    // The application object takes the user's locale; numbers in texts and
    // files keep their full stop.
    std::setlocale(LC_NUMERIC, "C");
    // The program's icon in every size it is drawn in; the window takes it.
    QIcon icon;
    const QDir icons(QStringLiteral(":/icons/vortilan2"));
    for (const QString& file : icons.entryList(QDir::Files)) {
        icon.addFile(icons.filePath(file));
    }
    QApplication::setWindowIcon(icon);
    MainWindow window;
    window.show();
    return app.exec();
}
