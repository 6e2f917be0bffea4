// The colour pictures beside the texts (the chromaticity diagrams and the
// luminance bars of the EDID DATA, HDR IF and DV / IF tabs) and the Edit
// menu's undo and redo of the EDID editor. The figures come from status/
// and edid/; this hands them to the widgets.
#include "MainWindow.h"
#include "edid/Decode.h"
#include "packets/ByteList.h"
#include "qt/ChromaticityDiagram.h"
#include "qt/EdidUndo.h"
#include "qt/LuminanceBar.h"
#include "status/ColourFigures.h"
#include "ui_VortilanForm.h"

namespace {

// The captured pages that the pictures show.
constexpr std::size_t kDolbyVisionPage = 13;
constexpr std::size_t kHdrInfoframePage = 20;

std::optional<boxstatus::ChromaPoint> edidPoint(const edid::Chromaticity& c) {
    if (c.x == 0 && c.y == 0) {
        return std::nullopt;
    }
    return boxstatus::ChromaPoint{c.x, c.y};
}

void showHdrFigures(const std::optional<boxstatus::HdrFigures>& figures,
                    gui::ChromaticityDiagram& diagram, gui::LuminanceBar& bar) {
    diagram.setPoints(figures ? figures->colour : boxstatus::ColourPoints{});
    bar.setFigures(figures ? figures->luminance : boxstatus::LuminanceFigures{});
}

}  // namespace

void MainWindow::EditUndo() {
    edidUndo_->undo();
}

void MainWindow::EditRedo() {
    edidUndo_->redo();
}

void MainWindow::showEdidColour(const edid::DecodedEdid* decoded) {
    boxstatus::ColourPoints points;
    if (decoded != nullptr && decoded->hasBase) {
        const edid::BaseBlock& base = decoded->base;
        points = {edidPoint(base.red), edidPoint(base.green), edidPoint(base.blue),
                  edidPoint(base.white)};
    }
    ui->chartEdid->setPoints(points);
}

void MainWindow::showSignalPictures(const boxlink::PageSpans& pages) {
    showHdrFigures(boxstatus::capturedHdrFigures(pages[kHdrInfoframePage]), *ui->chartHdrCaptured,
                   *ui->barHdrCaptured);
    ui->chartDv->setPoints(boxstatus::dolbyVisionPrimaries(pages[kDolbyVisionPage]));
}

void MainWindow::showCustomHdrPictures(std::string_view text) {
    const packets::ParsedBytes parsed = packets::parseByteList(text);
    showHdrFigures(parsed.ok() ? boxstatus::hdrInfoframeFigures(parsed.values) : std::nullopt,
                   *ui->chartHdrCustom, *ui->barHdrCustom);
}
