// The EDID slots: thin glue between the EDID MANAGER tab and the EDID module
// (edid/), which does the byte work and the traffic with the box.
#include <QAbstractButton>
#include <QComboBox>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextEdit>
#include <array>

#include "MainWindow.h"
#include "edid/Decode.h"
#include "edid/File.h"
#include "edid/Image.h"
#include "edid/Parse.h"
#include "edid/Modes.h"
#include "qt/EdidUndo.h"
#include "settings/RegisterMap.h"
#include "ui_VortilanForm.h"

namespace {

const QString kTitle = QStringLiteral("VORTILAN2 Utility");
const QString kHexFormatError = QStringLiteral("Hex Format Error");
const QString kChecksumWrong = QStringLiteral("The EDID Checksum is not correct.");
const QString kHeaderWrong =
    QStringLiteral("The EDID does not begin with the header 00 FF FF FF FF FF FF 00.");
const QString kWriteAnyway = QStringLiteral("Write anyway?");
constexpr qreal kEditorPointSize = 8;
constexpr int kEditMessageMs = 2000;

}  // namespace

void MainWindow::on_ProgressChange(int value, int maximum) {
    if (value <= 0 || maximum <= 0) {
        progressBar->hide();
        return;
    }
    progressBar->setRange(0, maximum);
    progressBar->setValue(value);
    progressBar->show();
    // The transfers block the event loop: draw the bar now.
    progressBar->repaint();
}

edid::BoxAccess MainWindow::edidAccess() {
    return {commands_, *this, clock_,
            [this](int value, int maximum) { on_ProgressChange(value, maximum); }};
}

bool MainWindow::readEdidFromBox(edid::EdidSource source, bool show) {
    edid::BoxAccess box = edidAccess();
    std::string text;
    const bool read = edid::readEdid(box, source, text);
    state_.setEdidHexText(std::move(text));
    if (!read) {
        return false;
    }
    if (show) {
        showStatus(std::string(edid::sourceInfo(source).message), edid::kNoticeMs);
        // A read is a step of its own: undoing it brings back what was there.
        const std::string_view name = edid::sourceInfo(source).name;
        const QString step =
            tr("Read %1 EDID")
                .arg(QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())).toUpper());
        edidUndo_->apply(step, [this] {
            QTextEdit* editor = ui->EDIDtext;
            editor->setFontPointSize(kEditorPointSize);
            editor->setTextColor(Qt::black);
            editor->setFontWeight(QFont::Normal);
            editor->setPlainText(QString::fromLatin1(state_.edidHexText()));
        });
    }
    return true;
}

void MainWindow::ReadEDID() {
    readEdidFromBox(edid::EdidSource::Current, true);
}
void MainWindow::readTvEdidA() {
    readEdidFromBox(edid::EdidSource::Tx0, true);
}
void MainWindow::readTvEdidB() {
    readEdidFromBox(edid::EdidSource::Tx1, true);
}
void MainWindow::readRxBotEdid() {
    readEdidFromBox(edid::EdidSource::Rx0, true);
}
void MainWindow::readRxTopEdid() {
    readEdidFromBox(edid::EdidSource::Rx1, true);
}

edid::ParseResult MainWindow::parseEdidText(edid::EdidImage& image) const {
    const QByteArray text = ui->EDIDtext->toPlainText().toUpper().toLatin1();
    return edid::parseEdidText(
        std::string_view(text.constData(), static_cast<std::size_t>(text.size())), image);
}

std::optional<std::vector<std::uint8_t>> MainWindow::longerEdid(
    const edid::ParseResult& parsed) const {
    if (parsed.error != edid::ParseError::TooManyValues) {
        return std::nullopt;
    }
    const QByteArray text = ui->EDIDtext->toPlainText().toUpper().toLatin1();
    std::vector<std::uint8_t> bytes;
    if (!edid::parseEdidBytes(std::string_view(text.constData(), static_cast<std::size_t>(text.size())),
                              bytes)
             .ok() ||
        bytes.size() % edid::kBlockSize != 0) {
        return std::nullopt;
    }
    return bytes;
}

void MainWindow::showEdidHexView(std::span<const std::uint8_t> image) {
    QTextEdit* editor = ui->EDIDtext;
    editor->clear();
    QTextCursor cursor = editor->textCursor();
    cursor.clearSelection();
    cursor.movePosition(QTextCursor::Start);

    QTextCharFormat normal;
    normal.setFontPointSize(kEditorPointSize);
    normal.setForeground(Qt::black);
    normal.setFontWeight(QFont::Normal);
    QTextCharFormat bold = normal;
    bold.setFontWeight(QFont::Bold);

    // One edit block: the editor reports one change, not 256.
    cursor.beginEditBlock();
    for (std::size_t i = 0; i < image.size(); ++i) {
        const QString value = QStringLiteral("%1").arg(image[i], 2, 16, QLatin1Char('0')).toUpper();
        if (i % edid::kValuesPerLine != edid::kValuesPerLine - 1) {
            cursor.insertText(value + QLatin1Char(' '), normal);
            continue;
        }
        const bool checksum = (i + 1) % edid::kBlockSize == 0;
        cursor.insertText(value, checksum ? bold : normal);
        cursor.insertText(QStringLiteral("\n"), normal);
    }
    cursor.endEditBlock();
}

void MainWindow::CalculateChkSum() {
    state_.setEdidHexText({});
    edid::EdidImage image{};
    const edid::ParseResult parsed = parseEdidText(image);
    if (!parsed.ok()) {
        // An EDID longer than a table: every block's checksum the same way.
        auto whole = longerEdid(parsed);
        if (!whole) {
            dialogs_.warning(this, kTitle, kHexFormatError);
            return;
        }
        if (!edid::blockChecksumsOk(*whole) &&
            dialogs_.question(this, QString(), kChecksumWrong,
                              QStringLiteral("Do you want to calculate a new checksum?")) !=
                QMessageBox::Yes) {
            return;
        }
        edid::repairBlockChecksums(*whole);
        edidUndo_->apply(tr("Fix Checksums"), [&] { showEdidHexView(*whole); });
        return;
    }
    const QString step = tr("Fix Checksums");
    if (edid::checkChecksums(image).ok()) {
        edidUndo_->apply(step, [&] { showEdidHexView(image); });
        return;
    }
    if (dialogs_.question(this, QString(), kChecksumWrong,
                          QStringLiteral("Do you want to calculate a new checksum?")) ==
        QMessageBox::Yes) {
        edid::repairChecksums(image);
        edidUndo_->apply(step, [&] { showEdidHexView(image); });
    }
}

void MainWindow::WriteEDID() {
    state_.setEdidHexText({});
    const std::array<bool, 5> modes = {ui->automixEDID->isChecked(), ui->fixedEDID->isChecked(),
                                       ui->customEDID->isChecked(), ui->rbCopyTopEDID->isChecked(),
                                       ui->rbCopyBotEDID->isChecked()};
    const std::optional<std::uint8_t> mode = boxsettings::edidMode(modes);
    const int table = ui->cmBEdid->currentIndex() + 1;
    if (!edid::uploadAllowed(mode ? edid::modeFromValue(*mode) : std::nullopt, table)) {
        dialogs_.warning(this, kTitle, QString::fromLatin1(edid::kUploadRefused));
        return;
    }
    writeEdidToBox();
}

bool MainWindow::writeEdidToBox() {
    const int table = ui->cmBEdid->currentIndex() + 1;
    edid::EdidImage image{};
    const edid::ParseResult parsed = parseEdidText(image);
    if (!parsed.ok()) {
        const auto whole = longerEdid(parsed);
        dialogs_.warning(this, kTitle,
                         whole ? QString::fromStdString("Can't upload the EDID: " +
                                                        edid::boxTableRefusal(whole->size()))
                               : kHexFormatError);
        return false;
    }
    if (!edid::hasEdidHeader(image) &&
        dialogs_.question(this, kTitle, kHeaderWrong, kWriteAnyway) == QMessageBox::No) {
        return false;
    }
    if (!edid::checkChecksums(image).ok() &&
        dialogs_.question(this, kTitle, kChecksumWrong, kWriteAnyway) == QMessageBox::No) {
        return false;
    }
    edid::BoxAccess box = edidAccess();
    return edid::uploadEdid(box, static_cast<std::uint8_t>(table), image);
}

bool MainWindow::LoadEDIDfromFile() {
    state_.setEdidHexText({});
    const QString name =
        dialogs_.openFileName(this, QStringLiteral("Open file"), QString(),
                              QStringLiteral("Binary Files (*.bin);;All files (*.*)"));
    if (name.isEmpty()) {
        return false;
    }
    const edid::LoadResult loaded = edid::loadEdidFile(name);
    if (!loaded.ok) {
        dialogs_.warning(this, kTitle,
                         QStringLiteral("Cannot read file %1:\n%2.").arg(name, loaded.error));
        return false;
    }
    if (loaded.content.kind != edid::EdidFileKind::Text && !loaded.content.input.ok()) {
        // Another tool's text that does not read: what was expected where.
        dialogs_.warning(this, kTitle,
                         QStringLiteral("Cannot read file %1:\n%2.")
                             .arg(name, QString::fromStdString(loaded.content.input.error)));
        return false;
    }
    edidUndo_->apply(tr("Load from File"), [&] {
        if (loaded.content.kind == edid::EdidFileKind::Text) {
            QTextEdit* editor = ui->EDIDtext;
            editor->setFontPointSize(kEditorPointSize);
            editor->setTextColor(QColor(0, 0, 255));
            editor->setFontWeight(QFont::Bold);
            editor->setPlainText(QString::fromLatin1(loaded.content.text));
        } else {
            showEdidHexView(edid::editorBytes(loaded.content));
        }
    });
    showStatus("File loaded", kEditMessageMs);
    return true;
}

bool MainWindow::SaveEDIDtoFile() {
    state_.setEdidHexText({});
    edid::EdidImage image{};
    if (!parseEdidText(image).ok()) {
        dialogs_.warning(this, kTitle, kHexFormatError);
        return false;
    }
    const QString name = dialogs_.saveFileName(this, QStringLiteral("Save File"),
                                               QString::fromLatin1(edid::kDefaultFileName),
                                               QStringLiteral("Binary file (*.bin)"));
    if (name.isEmpty()) {
        return false;
    }
    showStatus("Saving file...", kEditMessageMs);
    const edid::SaveResult saved = edid::saveEdidFile(name, image);
    if (!saved.ok) {
        showStatus("", 0);
        dialogs_.warning(this, kTitle,
                         QStringLiteral("Cannot write file %1:\n%2.").arg(name, saved.error));
        return false;
    }
    showStatus("File saved", kEditMessageMs);
    return true;
}

void MainWindow::SetEDID_Mode() {
    runSettingSlot("SetEDID_Mode");
    showStatus("EDID Writing Busy", kEditMessageMs);
}

void MainWindow::changeCustomEdid() {
    runSettingSlot("changeCustomEdid");
}

void MainWindow::setEdidAlgo() {
    runSettingSlot("setEdidAlgo");
}

void MainWindow::showEdidDecode() {
    edid::EdidImage image{};
    const edid::ParseResult parsed = parseEdidText(image);
    std::string text;
    std::string notEditable;  // why the EDIT view has nothing to edit
    std::optional<edid::DecodedEdid> decoded;
    if (const auto whole = longerEdid(parsed)) {
        // More than a box's table holds, decoded whole.
        decoded = edid::decodeEdid(std::span<const std::uint8_t>(*whole));
        text = edid::describeEdid(*decoded);
        notEditable = edid::boxTableRefusal(whole->size());
    } else if (!parsed.ok()) {
        notEditable = edid::describeParseError(parsed);
        text = "Can't decode: " + notEditable;
    } else if (parsed.count > 0 && parsed.count < static_cast<int>(edid::kBlockSize)) {
        notEditable = std::to_string(parsed.count) + (parsed.count == 1 ? " value" : " values") +
                      ", an EDID has at least 128";
        text = "Can't decode: " + notEditable;
    } else if (parsed.count > 0) {
        // All 256 bytes, as an upload or a save would take them.
        decoded = edid::decodeEdid(std::span<const std::uint8_t>(image));
        text = edid::describeEdid(*decoded);
    }
    showEdidColour(decoded ? &*decoded : nullptr);
    showEdidEdit(decoded && notEditable.empty() ? &image : nullptr, notEditable);
    // Keep the place the user scrolled to while the text follows the editor.
    QScrollBar* scroll = ui->txtEdidDecoded->verticalScrollBar();
    const int position = scroll->value();
    ui->txtEdidDecoded->setPlainText(
        QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())));
    scroll->setValue(position);
}
