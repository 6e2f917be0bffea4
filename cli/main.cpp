// vortilan2: the box's settings, EDIDs, packets and configuration files from
// a shell.
#include <unistd.h>

#include <QCoreApplication>
#include <clocale>
#include <ctime>
#include <iostream>

#include "cli/Cli.h"
#include "vortilan2/Version.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 1 && args[0] == "--version") {
        std::cout << "vortilan2 " << VORTILAN2_VERSION << '\n';
        return 0;
    }
    QCoreApplication app(argc, argv);  // file names in the locale's encoding
    // The application object takes the user's locale; numbers in texts and
    // files keep their full stop.
    std::setlocale(LC_NUMERIC, "C");
    auto library = usb::createLibrary();
    cli::Environment env{
        *library, usb::systemClock(), std::cout, std::cerr, ::isatty(STDERR_FILENO) != 0, [] {
            const std::time_t now = std::time(nullptr);
            std::tm local{};
            localtime_r(&now, &local);
            return config::LocalTime{local.tm_mday, local.tm_mon + 1, local.tm_year + 1900,
                                     local.tm_hour, local.tm_min,     local.tm_sec};
        },
        &std::cin};
    return cli::run(args, env);
}
