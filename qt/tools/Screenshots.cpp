// Takes pictures of the main window, one per tab, for the documentation.
//
//   vortilan2-screenshots <output directory>
//
// The window starts as the program does (so VORTILAN2_EMULATOR selects an
// emulated box) and is drawn off screen. Each picture is named after its tab:
// edid-manager.png, scaler.png, ..., macros-macro-auto.png for an inner tab
// (edid-manager-decoded.png for the EDID tab's decoded view).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QRegularExpression>
#include <QTabWidget>
#include <cstdio>

#include "qt/MainWindow.h"
#include "ui_VortilanForm.h"

namespace {

QString fileName(const QString& title) {
    QString name;
    for (const QChar c : title.toLower()) {
        name += c.isLetterOrNumber() ? c : QChar('-');
    }
    while (name.contains(QStringLiteral("--"))) {
        name.replace(QStringLiteral("--"), QStringLiteral("-"));
    }
    return name.remove(QRegularExpression(QStringLiteral("^-|-$"))) + QStringLiteral(".png");
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: vortilan2-screenshots <output directory>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    MainWindow window;
    window.show();
    QTabWidget* tabs = window.form()->tabWidget;
    bool ok = true;
    const auto shoot = [&](const QString& name) {
        QApplication::processEvents();
        const QString path = dir.filePath(fileName(name));
        if (!window.grab().save(path, "PNG", 0)) {  // smallest file
            std::fprintf(stderr, "vortilan2-screenshots: cannot write %s\n", qPrintable(path));
            ok = false;
        }
    };
    for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        // A tab with tabs of its own: one picture per inner tab.
        auto* inner = tabs->widget(i)->findChild<QTabWidget*>();
        if (inner == nullptr) {
            shoot(tabs->tabText(i));
            continue;
        }
        // The EDID tab's inner tabs only switch its view of the EDID: its
        // first view is the tab's own picture.
        const bool view = inner == window.form()->tabEdidView;
        for (int j = 0; j < inner->count(); ++j) {
            inner->setCurrentIndex(j);
            shoot(view && j == 0 ? tabs->tabText(i)
                                 : tabs->tabText(i) + QLatin1Char('-') + inner->tabText(j));
        }
        inner->setCurrentIndex(0);
    }
    window.stopStatusTimer();
    return ok ? 0 : 1;
}
