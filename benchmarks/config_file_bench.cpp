// What a full export and a full import of a configuration file cost in the
// window, against the emulated box on a socket: host CPU, wall time, and the
// wall time less the pauses that the box's protocol asks for. The import is
// also set against the pause of 100 ms after every line of two words.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "benchmarks/BenchApplication.h"
#include "benchmarks/BenchSupport.h"
#include "benchmarks/CpuTime.h"
#include "config/ConfigText.h"
#include "config/Settings.h"
#include "qt/Dialogs.h"
#include "qt/MainWindow.h"
#include "tests/support/EmulatedBox.h"
#include "ui_VortilanForm.h"

namespace {

// Answers every file dialog with one file name; shows nothing.
class FileDialogs final : public gui::Dialogs {
public:
    explicit FileDialogs(QString file) : file_(std::move(file)) {}
    void warning(QWidget*, const QString& title, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(title), qPrintable(text));
    }
    QMessageBox::StandardButton question(QWidget*, const QString&, const QString&,
                                         const QString&) override {
        return QMessageBox::No;
    }
    void about(QWidget*, const QString&, const QString&) override {}
    void linkWarning(const QString& text) override {
        std::fprintf(stderr, "link: %s\n", qPrintable(text));
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return file_;
    }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override {
        return file_;
    }

private:
    QString file_;
};

struct Run {
    double wallMs;
    double cpuMs;
    double pausedMs;
};

template <typename F>
Run measure(bench::PauseCountingClock& clock, F&& f) {
    const std::uint64_t paused0 = clock.pausedMs();
    const double cpu0 = bench::threadCpuMs();
    const auto start = std::chrono::steady_clock::now();
    f();
    const double wall =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    return {wall, bench::threadCpuMs() - cpu0, static_cast<double>(clock.pausedMs() - paused0)};
}

void print(const char* what, const Run& r) {
    std::printf("%s\n", what);
    std::printf("  host CPU:                    %8.1f ms\n", r.cpuMs);
    std::printf("  wall time:                   %8.1f ms\n", r.wallMs);
    std::printf("  pauses the protocol asks:    %8.1f ms\n", r.pausedMs);
    std::printf("  wall time less those pauses: %8.1f ms\n", r.wallMs - r.pausedMs);
}

}  // namespace

int main(int argc, char** argv) {
    bench::BenchApplication app(argc, argv);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("box.txt"));

    testing_support::EmulatedBox box;
    bench::PauseCountingClock clock;
    FileDialogs dialogs(file);
    MainWindow window(box.library(), clock, dialogs);
    window.stopStatusTimer();
    if (!window.link().isOpen()) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }

    const Run exported = measure(clock, [&] { window.form()->actionExport->trigger(); });
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "the export wrote no file\n");
        return 1;
    }
    const QByteArray text = f.readAll();
    print("export (4 EDIDs, 16 register pages)", exported);

    // The box differs a little from the file, as after a day of use.
    box.server().command("input top");
    box.server().command("edidswitch custom");
    const Run imported = measure(clock, [&] { window.form()->actionImport->trigger(); });

    const auto read = config::readConfigText(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
        config::isImportedKey);
    std::size_t twoWords = 0;
    for (const auto& line : read.lines) {
        twoWords += line.has_value();
    }
    print("import of that file", imported);
    std::printf("  lines of two words:          %8zu (of %zu)\n", twoWords, read.lines.size());
    std::printf("  with a pause after each:     %8.1f ms (the exchanges above plus %zu x 100 ms)\n",
                imported.wallMs - imported.pausedMs + 100.0 * static_cast<double>(twoWords),
                twoWords);

    window.link().closeLink();
    return 0;
}
