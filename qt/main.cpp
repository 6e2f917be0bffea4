// VORTILAN2-GUI: the configuration utility of the VORTILAN2.
#include <QApplication>
#include <clocale>

#include "MainWindow.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The application object takes the user's locale; numbers in texts and
    // files keep their full stop.
    std::setlocale(LC_NUMERIC, "C");
    MainWindow window;
    window.show();
    return app.exec();
}
