// The custom packet slots: byte lists typed by the user (infoframes, Dolby
// Vision block, CEC), the HDR infoframe composer, the OSD, the projector
// macros, RS-232 and the scaler ports. The requests are built and sent by
// packets/; these slots read the widgets and show what happened.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QStringList>
#include <QTextEdit>

#include "MainWindow.h"
#include "packets/Cec.h"
#include "packets/HdrComposer.h"
#include "packets/Macros.h"
#include "packets/Osd.h"
#include "packets/Rs232.h"
#include "packets/Scaler.h"
#include "qt/PacketForm.h"
#include "ui_VortilanForm.h"

namespace {

// The text of an editor as 8-bit characters.
std::string latin1Text(const QTextEdit* edit) {
    return edit->toPlainText().toLatin1().toStdString();
}

}  // namespace

QTextEdit* MainWindow::editor(const packets::Sender& sender) const {
    return findChild<QTextEdit*>(
        QString::fromLatin1(sender.editor.data(), static_cast<qsizetype>(sender.editor.size())));
}

void MainWindow::report(const packets::SendResult& result) {
    if (!result.message.empty()) {
        showStatus(result.message, result.timeoutMs);
    }
    if (const auto& write = result.registerWrite) {
        commands_.writeRegister(write->reg, write->value);
        if (write->epByte) {
            state_.setEpByte(*write->epByte, write->value);
        }
    }
}

bool MainWindow::sendByteList(packets::SenderId id) {
    const packets::Sender& sender = packets::sender(id);
    const QTextEdit* text = editor(sender);
    if (text == nullptr) {
        return false;
    }
    const packets::SendResult result = packets::sendTagged(link_, sender, latin1Text(text));
    report(result);
    return result.sent();
}

bool MainWindow::sendHDR() {
    return sendByteList(packets::SenderId::Hdr);
}

bool MainWindow::sendAVI() {
    return sendByteList(packets::SenderId::Avi);
}

bool MainWindow::sendVsi() {
    return sendByteList(packets::SenderId::Vsi);
}

bool MainWindow::setDvBlock() {
    return sendByteList(packets::SenderId::DolbyVision);
}

bool MainWindow::WriteCEC() {
    return sendByteList(packets::SenderId::Cec);
}

bool MainWindow::createHdrIf() {
    const packets::HdrInfoframe frame =
        packets::composeHdrInfoframe(gui::packetform::readHdrInputs(*ui));
    ui->HDRCustomText->setPlainText(QString::fromLatin1(packets::hdrInfoframeText(frame)));
    return true;
}

void MainWindow::previewHdrIf() {
    // Two columns as the captured metadata beside it: colour, then luminance.
    constexpr std::size_t kFirstColumn = 6;
    QStringList columns[2];
    const std::string text = latin1Text(ui->HDRCustomText);
    showCustomHdrPictures(text);
    const auto lines = packets::hdrTextPreview(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        columns[i < kFirstColumn ? 0 : 1] << QString::fromLatin1(lines[i]).toHtmlEscaped();
    }
    ui->lblHdrPreview->setText(
        lines.empty() ? QString()
                      : QStringLiteral("<table><tr><td>%1</td><td width=\"16\"></td><td>%2</td>"
                                       "</tr></table>")
                            .arg(columns[0].join(QStringLiteral("<br>")),
                                 columns[1].join(QStringLiteral("<br>"))));
}

void MainWindow::insertCecMessage() {
    const auto messages = packets::cecMessages();
    const int index = ui->cmbCecMessage->currentIndex();
    if (index < 0 || static_cast<std::size_t>(index) >= messages.size()) {
        return;
    }
    const std::uint8_t initiator = packets::cecInitiator(ui->cmbLa->currentIndex());
    ui->CECtext->setPlainText(QString::fromLatin1(
        packets::cecMessageText(initiator, messages[static_cast<std::size_t>(index)])));
}

void MainWindow::setOsdCustomText() {
    if (!state_.writesEnabled()) {
        return;
    }
    report(packets::sendOsdText(link_, gui::packetform::readOsdText(*ui)));
}

void MainWindow::setOsdParam() {
    if (!state_.writesEnabled()) {
        return;
    }
    report(packets::sendOsdParams(link_, gui::packetform::readOsdParams(*ui)));
}

void MainWindow::setMacro() {
    if (!state_.writesEnabled()) {
        return;
    }
    report(packets::sendMacros(link_, gui::packetform::readMacros(*ui)));
}

bool MainWindow::setJvcRs232() {
    const packets::SendResult result = packets::sendRs232(link_, latin1Text(ui->txtRs232));
    report(result);
    return result.sent();
}

void MainWindow::setPort0ScalePara() {
    if (!state_.writesEnabled()) {
        return;
    }
    report(packets::sendScalerPort(link_, 0, gui::packetform::readScalerPort(*ui, 0)));
}

void MainWindow::setPort1ScalePara() {
    if (!state_.writesEnabled()) {
        return;
    }
    report(packets::sendScalerPort(link_, 1, gui::packetform::readScalerPort(*ui, 1)));
}

void MainWindow::on_cmbMacro0A_currentIndexChanged() {
    gui::packetform::setThresholdScale(*ui->sbMacro0B, ui->cmbMacro0A->currentIndex());
}
void MainWindow::on_cmbMacro1A_currentIndexChanged() {
    gui::packetform::setThresholdScale(*ui->sbMacro1B, ui->cmbMacro1A->currentIndex());
}
void MainWindow::on_cmbMacro2A_currentIndexChanged() {
    gui::packetform::setThresholdScale(*ui->sbMacro2B, ui->cmbMacro2A->currentIndex());
}
void MainWindow::on_cmbMacro3A_currentIndexChanged() {
    gui::packetform::setThresholdScale(*ui->sbMacro3B, ui->cmbMacro3A->currentIndex());
}
void MainWindow::on_cmbMacro4A_currentIndexChanged() {
    gui::packetform::setThresholdScale(*ui->sbMacro4B, ui->cmbMacro4A->currentIndex());
}
void MainWindow::on_cmbMacro5A_currentIndexChanged() {
    gui::packetform::setThresholdScale(*ui->sbMacro5B, ui->cmbMacro5A->currentIndex());
}
