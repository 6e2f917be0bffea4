// What installing relies on: every program answers --help and --version
// without a display (the manual pages are made from them), and the icon that
// the windows show is drawn in every size.
#include <sys/wait.h>

#include <gtest/gtest.h>
#include <unistd.h>

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <cstdio>
#include <string>

#include "vortilan2/Version.h"

namespace {

struct Output {
    int status;
    std::string out;
    std::string err;
};

// Runs a program without any display: no DISPLAY, WAYLAND_DISPLAY or platform.
Output runWithoutDisplay(const std::string& program, const std::string& option) {
    const std::string errFile = ::testing::TempDir() + "packaging_test_stderr_" + std::to_string(::getpid());
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" +
                                program + "' " + option + " 2>'" + errFile + "'";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return {-1, {}, {}};
    }
    Output result{-1, {}, {}};
    char chunk[512];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;) {
        result.out.append(chunk, n);
    }
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (std::FILE* err = std::fopen(errFile.c_str(), "r")) {
        for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, err)) > 0;) {
            result.err.append(chunk, n);
        }
        std::fclose(err);
    }
    return result;
}

struct Program {
    const char* name;
    const char* path;
};

const Program kPrograms[] = {
    {"VORTILAN2-GUI", VORTILAN2_GUI_PROGRAM},   {"fpga-update", VORTILAN2_UPDATER_PROGRAM},
    {"vortilan2", VORTILAN2_CLI_PROGRAM},       {"vortilan2-emu", VORTILAN2_EMU_PROGRAM},
    {"vortilan2-box", VORTILAN2_BOX_PROGRAM},
};

TEST(Programs, AnswerVersionAndHelpWithoutADisplay) {
    for (const Program& p : kPrograms) {
        const Output version = runWithoutDisplay(p.path, "--version");
        EXPECT_EQ(version.status, 0) << p.name << ": " << version.err;
        EXPECT_EQ(version.out, std::string(p.name) + " " + VORTILAN2_VERSION + "\n");
        EXPECT_EQ(version.err, "") << p.name;

        const Output help = runWithoutDisplay(p.path, "--help");
        EXPECT_EQ(help.status, 0) << p.name << ": " << help.err;
        EXPECT_EQ(help.out.rfind("Usage: " + std::string(p.name) + " ", 0), 0u)
            << p.name << ": " << help.out;
        EXPECT_NE(help.out.find("--version"), std::string::npos) << p.name;
        EXPECT_EQ(help.err, "") << p.name;
    }
}

// The sizes the build renders from the SVG, as the programs find them.
TEST(Icon, IsDrawnInEverySizeWithTransparentCorners) {
    const QDir icons(QStringLiteral(":/icons/vortilan2"));
    QStringList expected;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        expected << QStringLiteral("vortilan2-%1.png").arg(size);
        const QImage image(icons.filePath(expected.back()));
        ASSERT_FALSE(image.isNull()) << size;
        EXPECT_EQ(image.size(), QSize(size, size));
        EXPECT_TRUE(image.hasAlphaChannel()) << size;
        // Rounded corners on a transparent ground, an opaque body.
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 2, size / 4)), 255) << size;
        EXPECT_EQ(qAlpha(image.pixel(size / 8, size / 2)), 255) << size;
    }
    QStringList found = icons.entryList(QDir::Files);
    found.sort();
    expected.sort();
    EXPECT_EQ(found, expected);
}

}  // namespace
