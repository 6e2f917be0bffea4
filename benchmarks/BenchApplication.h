// The application object of the benchmarks that drive the window: offscreen,
// and its figures printed with a full stop whatever the user's locale.
#pragma once

#include <QApplication>
#include <clocale>

namespace bench {

class BenchApplication {
public:
    BenchApplication(int& argc, char** argv) : app_(offscreen(argc), argv) {
        // The application object takes the user's locale; printf must not.
        std::setlocale(LC_NUMERIC, "C");
    }

private:
    static int& offscreen(int& argc) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return argc;
    }

    QApplication app_;
};

}  // namespace bench
