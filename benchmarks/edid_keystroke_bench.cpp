// What one keystroke in the EDID editor's HEX view costs until every view of
// the EDID is drawn again: the key's handling (the undo step, the decode of
// the whole text into the DECODED view and the colour diagram), then the
// painting of the HEX editor, the DECODED text and the diagram. And what one
// structural edit in the EDIT view costs (removing a VIC, then taking the
// removal back as a user would, by undo) until the HEX, DECODED and EDIT views
// are drawn again, the EDIT tree rebuilt from the model. The goal is one
// frame, 16 ms. Against the emulated box, off screen.
#include <QApplication>
#include <QKeyEvent>
#include <QPixmap>
#include <QTabWidget>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "benchmarks/BenchApplication.h"
#include "benchmarks/CpuTime.h"
#include "edid/Model.h"
#include "qt/ChromaticityDiagram.h"
#include "qt/EdidEditView.h"
#include "qt/Dialogs.h"
#include "qt/EdidUndo.h"
#include "qt/MainWindow.h"
#include "tests/support/EmulatedBox.h"
#include "ui_VortilanForm.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void printFigures(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (const double m : ms) {
        sum += m;
    }
    const auto at = [&](double share) {
        return ms[std::min(ms.size() - 1,
                                static_cast<std::size_t>(share * static_cast<double>(ms.size())))];
    };
    std::printf("  %-34s mean %6.2f  median %6.2f  95%% %6.2f  max %6.2f ms\n", what,
                sum / static_cast<double>(ms.size()), at(0.5), at(0.95), ms.back());
}

void press(QWidget* widget, Qt::Key key, const QString& text) {
    QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &up);
}

}  // namespace

int main(int argc, char** argv) {
    bench::BenchApplication app(argc, argv);

    testing_support::EmulatedBox box;
    auto dialogs = gui::createQtDialogs();
    MainWindow window(box.library(), usb::systemClock(), *dialogs);
    window.stopStatusTimer();
    if (!window.link().isOpen()) {
        std::fprintf(stderr, "no box\n");
        return 1;
    }
    Ui::MainWindow& ui = *window.form();
    window.show();
    ui.tabWidget->setCurrentWidget(ui.tab);
    ui.tabEdidView->setCurrentWidget(ui.tabEdidHex);
    QMetaObject::invokeMethod(&window, "readTvEdidA");  // the TV's EDID, 256 bytes
    QApplication::processEvents();

    QTextEdit* editor = ui.EDIDtext;
    // The DECODED view and its diagram are drawn as if shown.
    QPixmap decoded(ui.txtEdidDecoded->size());
    QPixmap diagram(ui.chartEdid->size().expandedTo(QSize(170, 190)));
    ui.chartEdid->resize(diagram.size());

    constexpr int kKeys = 400;
    std::vector<double> handled, total;
    handled.reserve(kKeys);
    total.reserve(kKeys);
    const double cpu0 = bench::threadCpuMs();
    for (int i = 0; i < kKeys; ++i) {
        // Over-type the first digit of a value of the second block, the
        // values taken in turn; digits that keep the text decodable.
        const int value = 128 + 16 + (i % 96);
        QTextCursor cursor(editor->document());
        cursor.setPosition(value / 16 * 48 + value % 16 * 3);
        cursor.setPosition(cursor.position() + 1, QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        const QString digit = QString::number(i % 10);

        const auto start = Clock::now();
        press(editor, static_cast<Qt::Key>(Qt::Key_0 + i % 10), digit);
        handled.push_back(msSince(start));
        editor->viewport()->repaint();
        ui.txtEdidDecoded->viewport()->render(&decoded);
        ui.chartEdid->render(&diagram);
        total.push_back(msSince(start));
    }
    const double cpu = bench::threadCpuMs() - cpu0;
    const int keystrokeSteps = window.edidUndo().stack().count();

    // Structural edits in the EDIT view, shown: remove the first VIC of the
    // TV's video block, then undo the removal; each until all views are drawn.
    QMetaObject::invokeMethod(&window, "readTvEdidA");
    QApplication::processEvents();
    gui::EdidEditView& view = window.edidEditView();
    ui.tabEdidView->setCurrentWidget(&view);
    QApplication::processEvents();
    QPixmap hex(editor->viewport()->size());
    QPixmap tree(view.size());
    constexpr int kEdits = 100;
    std::vector<double> edits, undos;
    edits.reserve(kEdits);
    undos.reserve(kEdits);
    const auto drawAll = [&] {
        view.tree();  // the tree rebuilt from the model, as the next event would
        view.repaint();
        editor->viewport()->render(&hex);
        ui.txtEdidDecoded->viewport()->render(&decoded);
        ui.chartEdid->render(&diagram);
    };
    int nodes = 0;
    for (int i = 0; i < kEdits; ++i) {
        QTreeWidgetItem* videoBlock = view.findItem({QStringLiteral("Extension"),
                                                     QStringLiteral("Data blocks"),
                                                     QStringLiteral("Video")});
        if (videoBlock == nullptr || videoBlock->childCount() == 0) {
            std::fprintf(stderr, "no VIC to remove\n");
            return 1;
        }
        view.tree()->setCurrentItem(videoBlock->child(0));
        auto start = Clock::now();
        view.removeAction()->trigger();
        drawAll();
        edits.push_back(msSince(start));
        nodes = 0;
        for (QTreeWidgetItemIterator it(view.tree()); *it; ++it) {
            ++nodes;
        }
        start = Clock::now();
        window.edidUndo().undo();
        drawAll();
        undos.push_back(msSince(start));
    }

    std::printf("EDID editor, one keystroke in the HEX view (%d keystrokes, TV EDID of 256 bytes)\n",
                kKeys);
    printFigures("key handled (undo, decode, diagram):", handled);
    printFigures("until HEX, DECODED, diagram drawn:", total);
    std::printf("  host CPU per keystroke:            %.2f ms\n", cpu / kKeys);
    std::printf("  undo steps (typing merges):         %d\n", keystrokeSteps);
    std::printf("EDIT view, one structural edit (%d VIC removals and their undos, tree of %d items)\n",
                kEdits, nodes);
    printFigures("remove VIC until all views drawn:", edits);
    printFigures("undo until all views drawn:", undos);
    std::printf("  goal: under 16 ms (one frame at 60 Hz)\n");
    window.link().closeLink();
    return 0;
}
