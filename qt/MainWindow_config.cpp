// Configuration files: export of the whole box and import of a file's
// settings. The export, the import and the file format are in config/;
// this asks for the file, shows the progress and keeps the widgets in step.
#include <QAbstractButton>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTime>
#include <QSignalBlocker>
#include <QTextEdit>
#include <vector>

#include "MainWindow.h"
#include "config/BoxConfig.h"
#include "config/Settings.h"
#include "qt/PacketForm.h"
#include "settings/ScalerWidgets.h"
#include "ui_VortilanForm.h"

namespace {

constexpr int kErrorMs = 4000;
constexpr int kNoticeMs = 2000;

std::string plainText(const QTextEdit* edit) {
    return edit->toPlainText().toLatin1().toStdString();
}

void setPlainText(QTextEdit* edit, const std::string& text) {
    const QString q = QString::fromLatin1(text);
    if (edit->toPlainText() != q) {
        edit->setPlainText(q);
    }
}

void setIndex(QComboBox* box, int index) {
    if (box->currentIndex() != index) {
        box->setCurrentIndex(index);
    }
}

config::LocalTime localNow() {
    const QDateTime now = QDateTime::currentDateTime();
    return {now.date().day(),  now.date().month(),  now.date().year(),
            now.time().hour(), now.time().minute(), now.time().second()};
}

}  // namespace

config::Snapshot MainWindow::configSnapshot() const {
    config::Snapshot s;
    s.epState = state_.epState();
    s.inputIndex = ui->cmbInputSel->currentIndex();
    s.edidAlgoIndex = ui->cmbEdidAlgo->currentIndex();
    s.edidTableBotIndex = ui->cmBEdid->currentIndex();
    s.edidTableTopIndex = ui->cmbEdidTop->currentIndex();
    s.baudRateIndex = ui->cmbBaudRate->currentIndex();
    s.preset4k30Index = ui->cmbPreset4k30->currentIndex();
    s.preset4k60Index = ui->cmbPreset4k60->currentIndex();
    s.preset4k60HdrIndex = ui->cmbPreset4k60Hdr->currentIndex();
    s.cecLaIndex = ui->cmbLa->currentIndex();
    s.edidHdr = ui->cbHdr->isChecked();
    s.edidHlg = ui->cbHlg->isChecked();
    s.edidBt2020 = ui->cbBt2020->isChecked();
    s.edidYuvRemove = ui->cbYUV->isChecked();
    s.edid3dRemove = ui->cb3D->isChecked();
    s.dvCopy = ui->cbDv->isChecked();
    s.dvRemove = ui->cbDvRemove->isChecked();
    s.dvLimit = ui->cbDvLimit->isChecked();
    s.osd = gui::packetform::readOsdParams(*ui);
    s.osdText = gui::packetform::readOsdText(*ui);
    s.macros = gui::packetform::readMacros(*ui);
    s.scaler[0] = gui::packetform::readScalerPort(*ui, 0);
    s.scaler[1] = gui::packetform::readScalerPort(*ui, 1);
    s.hdrText = plainText(ui->HDRCustomText);
    s.aviText = plainText(ui->AVICustomText);
    s.vsiText = plainText(ui->VSICustomText);
    s.cecText = plainText(ui->CECtext);
    s.dvText = plainText(ui->txtDvBlock);
    return s;
}

void MainWindow::showConfigSnapshot(const config::Snapshot& s) {
    // The import sends what each line changes itself: widgets whose change
    // signal would send their setting again stay silent while they follow.
    std::vector<std::unique_ptr<QSignalBlocker>> silent;
    for (QObject* w : std::initializer_list<QObject*>{
             ui->cmbInputSel, ui->cmbEdidAlgo, ui->cmBEdid, ui->cmbEdidTop, ui->cmbBaudRate,
             ui->cmbPreset4k30, ui->cmbPreset4k60, ui->cmbPreset4k60Hdr, ui->cmbLa, ui->cbHdr,
             ui->cbHlg, ui->cbBt2020, ui->cbYUV, ui->cb3D}) {
        silent.push_back(std::make_unique<QSignalBlocker>(w));
    }
    for (QObject* w : scalerWidgets()) {
        silent.push_back(std::make_unique<QSignalBlocker>(w));
    }
    state_.setEpState(s.epState);
    setIndex(ui->cmbInputSel, s.inputIndex);
    setIndex(ui->cmbEdidAlgo, s.edidAlgoIndex);
    setIndex(ui->cmBEdid, s.edidTableBotIndex);
    setIndex(ui->cmbEdidTop, s.edidTableTopIndex);
    setIndex(ui->cmbBaudRate, s.baudRateIndex);
    setIndex(ui->cmbPreset4k30, s.preset4k30Index);
    setIndex(ui->cmbPreset4k60, s.preset4k60Index);
    setIndex(ui->cmbPreset4k60Hdr, s.preset4k60HdrIndex);
    setIndex(ui->cmbLa, s.cecLaIndex);
    ui->cbHdr->setChecked(s.edidHdr);
    ui->cbHlg->setChecked(s.edidHlg);
    ui->cbBt2020->setChecked(s.edidBt2020);
    ui->cbYUV->setChecked(s.edidYuvRemove);
    ui->cb3D->setChecked(s.edid3dRemove);
    ui->cbDv->setChecked(s.dvCopy);
    ui->cbDvRemove->setChecked(s.dvRemove);
    ui->cbDvLimit->setChecked(s.dvLimit);
    gui::packetform::showOsdParams(*ui, s.osd);
    ui->cbOsdCustomText->setChecked(s.osdText.shown);
    ui->cbOsdCustomTextFade->setChecked(s.osdText.neverFade);
    ui->sbCustomOsdLocX->setValue(s.osdText.x);
    ui->sbCustomOsdLocY->setValue(s.osdText.y);
    gui::packetform::showMacros(*ui, s.macros);
    gui::packetform::showScalerPort(*ui, 0, s.scaler[0]);
    gui::packetform::showScalerPort(*ui, 1, s.scaler[1]);
    setPlainText(ui->HDRCustomText, s.hdrText);
    setPlainText(ui->AVICustomText, s.aviText);
    setPlainText(ui->VSICustomText, s.vsiText);
    setPlainText(ui->CECtext, s.cecText);
}

std::vector<QObject*> MainWindow::scalerWidgets() const {
    std::vector<QObject*> widgets;
    for (const std::string_view name : boxsettings::scalerWidgetNames()) {
        widgets.push_back(
            findChild<QObject*>(QLatin1String(name.data(), static_cast<qsizetype>(name.size()))));
    }
    return widgets;
}

bool MainWindow::SaveVortilanEpStateToFile() {
    const QString name = dialogs_.saveFileName(this, tr("Save file"), QString(),
                                               tr("Text Files (*.txt);;All files (*.*)"));
    if (name.isEmpty()) {
        showStatus("Cannot save file", kErrorMs);
        return false;
    }
    stopStatusTimer();
    state_.setEdidHexText({});
    const config::ExportResult exported = config::exportConfig(
        commands_, configSnapshot(), state_.pcbRevision(), localNow(),
        [this](std::string_view edidName, std::string& text) {
            // A read that fails part-way leaves the lines it read.
            const bool ok = readEdidFromBox(*edid::sourceByName(edidName), false);
            text = state_.edidHexText();
            return ok;
        });
    startStatusTimer(kStatusIntervalMs);
    if (exported.interrupted) {
        // A box that stopped answering leaves an existing file as it was.
        showStatus("File save error", kNoticeMs);
        return false;
    }
    const fileio::SaveResult saved = fileio::saveFile(fileio::Path::fromQt(name), exported.text);
    if (!saved.ok) {
        showStatus("Can't save " + name.toStdString() + ": " + saved.error, kErrorMs);
        return false;
    }
    showStatus("File saved", kNoticeMs);
    return true;
}

class MainWindow::ConfigImportView final : public config::ImportView {
public:
    explicit ConfigImportView(MainWindow& window) : window_(window) {}

    void changed(const config::Snapshot& snapshot) override {
        window_.showConfigSnapshot(snapshot);
    }
    void reported(const packets::SendResult& result) override { window_.report(result); }
    void applied(std::size_t number, std::size_t total, const config::KeyValue&, bool) override {
        window_.showStatus("Import in progress: line " + std::to_string(number) + " of " +
                               std::to_string(total),
                           kErrorMs);
        // Keep the window painted while the box takes the setting.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }

private:
    MainWindow& window_;
};

bool MainWindow::LoadVortilanEpStateFromFile() {
    boxlink::Answer page0{};
    if (!commands_.readRegisterPage(0, page0, 27)) {
        showStatus("VORTILAN2 not connected", kErrorMs);
        return false;
    }
    const QString name = dialogs_.openFileName(this, tr("Open file"), QString(),
                                               tr("Text Files (*.txt);;All files (*.*)"));
    const config::ReadFile read = config::readConfigFile(fileio::Path::fromQt(name));
    if (name.isEmpty() || read.unreadable) {
        showStatus("Cannot read file", kErrorMs);
        return false;
    }
    if (!read.refusal.empty()) {
        dialogs_.warning(
            this, QStringLiteral("VORTILAN2 Utility"),
            tr("Can't import %1: %2.").arg(name, QString::fromStdString(read.refusal)));
        return false;
    }

    stopStatusTimer();
    state_.setEdidHexText({});
    config::Snapshot snapshot = configSnapshot();
    ConfigImportView view(*this);
    config::importConfig(read, snapshot, commands_, clock_, view);
    showStatus("Import done", kErrorMs);
    startStatusTimer(kStatusIntervalMs);
    return true;
}
