// The EDIT view of the EDID DATA tab: the EDID by structure beside the HEX and
// DECODED views. The HEX view's text is the one image: the EDIT view is fed
// from it, and each of its edits is written back into it as one undo step,
// with both checksums made right, so the DECODED view follows as for typing.
#include "MainWindow.h"
#include "edid/Model.h"
#include "qt/EdidEditView.h"
#include "qt/EdidUndo.h"
#include "ui_VortilanForm.h"

void MainWindow::setupEditView() {
    editView_ = new gui::EdidEditView(dialogs_, ui->tabEdidView);
    editView_->setObjectName(QStringLiteral("tabEdidEdit"));
    ui->tabEdidView->addTab(editView_, tr("EDIT"));
    connect(editView_, &gui::EdidEditView::edited, this,
            [this](const QString& step, const edid::EdidModel& model) {
                const std::vector<std::uint8_t> bytes = edid::encodeModel(model);
                edidUndo_->apply(step, [&] { showEdidHexView(bytes); });
            });
    connect(editView_, &gui::EdidEditView::refused, this, [this](const QString& text) {
        dialogs_.warning(this, QStringLiteral("VORTILAN2 Utility"), text);
    });
}

void MainWindow::showEdidEdit(const edid::EdidImage* image, const std::string& problem) {
    if (image == nullptr) {
        editView_->showProblem(QString::fromStdString(
            problem.empty() ? std::string("No EDID: read one from the box or load a file.")
                            : "Can't edit: " + problem));
        return;
    }
    const edid::ModelParse parsed = edid::parseModel(*image);
    if (!parsed.model) {
        editView_->showProblem(QString::fromStdString("Can't edit: " + parsed.error));
        return;
    }
    editView_->showModel(*parsed.model);
}
