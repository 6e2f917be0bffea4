// The settings slots: each sends the register(s) that the register map gives
// for its widgets and keeps the mirror byte in the EP state.
#include <QAbstractButton>
#include <QComboBox>
#include <QSpinBox>

#include "MainWindow.h"
#include "settings/RegisterMap.h"
#include "ui_VortilanForm.h"

namespace {

// The form's widgets by object name, as the register map reads them.
class FormValues final : public boxsettings::WidgetValues {
public:
    explicit FormValues(const QWidget& window) : window_(window) {}

    bool isChecked(std::string_view widget) const override {
        const auto* button = find<QAbstractButton>(widget);
        return button != nullptr && button->isChecked();
    }

    int value(std::string_view widget) const override {
        if (const auto* combo = find<QComboBox>(widget)) {
            return combo->currentIndex();
        }
        if (const auto* spin = find<QSpinBox>(widget)) {
            return spin->value();
        }
        return 0;
    }

private:
    template <typename T>
    const T* find(std::string_view widget) const {
        return window_.findChild<const T*>(
            QString::fromLatin1(widget.data(), static_cast<qsizetype>(widget.size())));
    }

    const QWidget& window_;
};

}  // namespace

void MainWindow::runSettingSlot(std::string_view slot) {
    const FormValues values(*this);
    for (const auto& write : boxsettings::slotWrites(slot, values, state_.epState(), state_.writesEnabled())) {
        commands_.writeRegister(write.reg, write.value);
        if (write.epByte) {
            state_.setEpByte(*write.epByte, write.value);
        }
    }
}

void MainWindow::SetActivePort() {
    runSettingSlot("SetActivePort");
}
void MainWindow::SetAutoSwitch() {
    runSettingSlot("SetAutoSwitch");
}
void MainWindow::setSwPriority() {
    runSettingSlot("setSwPriority");
}
void MainWindow::setAutoScale() {
    runSettingSlot("setAutoScale");
}
void MainWindow::SetHDCP_Version() {
    runSettingSlot("SetHDCP_Version");
}
void MainWindow::setAudioFlags() {
    runSettingSlot("setAudioFlags");
}
void MainWindow::setBt2020() {
    runSettingSlot("setBt2020");
}
void MainWindow::setYUV() {
    runSettingSlot("setYUV");
}
void MainWindow::set3D() {
    runSettingSlot("set3D");
}
void MainWindow::forceHdr() {
    runSettingSlot("forceHdr");
}
void MainWindow::setDolbyVision() {
    runSettingSlot("setDolbyVision");
}
void MainWindow::setHdrCustom() {
    runSettingSlot("setHdrCustom");
}
void MainWindow::setHdrDisable() {
    runSettingSlot("setHdrDisable");
}
void MainWindow::setAviCustom() {
    runSettingSlot("setAviCustom");
}
void MainWindow::setAviDisable() {
    runSettingSlot("setAviDisable");
}
void MainWindow::setVsiCustom() {
    runSettingSlot("setVsiCustom");
}
void MainWindow::setVsiDisable() {
    runSettingSlot("setVsiDisable");
}
void MainWindow::setPreset4k30Mode() {
    runSettingSlot("setPreset4k30Mode");
}
void MainWindow::setPreset4k60Mode() {
    runSettingSlot("setPreset4k60Mode");
}
void MainWindow::setPreset4k60HdrMode() {
    runSettingSlot("setPreset4k60HdrMode");
}
void MainWindow::setLogoLed() {
    runSettingSlot("setLogoLed");
}
void MainWindow::setCEC() {
    runSettingSlot("setCEC");
}
void MainWindow::setCecLa() {
    runSettingSlot("setCecLa");
}
void MainWindow::setHtpcMode() {
    runSettingSlot("setHtpcMode");
}
void MainWindow::setHotPlug() {
    runSettingSlot("setHotPlug");
}
void MainWindow::setBaudRate() {
    runSettingSlot("setBaudRate");
}
void MainWindow::setArcHbr() {
    runSettingSlot("setArcHbr");
}
void MainWindow::setAutoScaleNoUpscale() {
    runSettingSlot("setAutoScaleNoUpscale");
}
void MainWindow::setAudioVolBassTreb() {
    runSettingSlot("setAudioVolBassTreb");
}
void MainWindow::setMuteAudioBot() {
    runSettingSlot("setMuteAudioBot");
}
void MainWindow::setHdrOptions() {
    runSettingSlot("setHdrOptions");
}

void MainWindow::factoryReset() {
    const QByteArray word = ui->leReset->text().toLatin1();
    const auto action = boxsettings::factoryReset(
        std::string_view(word.constData(), static_cast<std::size_t>(word.size())),
        ui->cbClearEdid->isChecked(), ui->cbClearSettings->isChecked());
    if (action.write) {
        commands_.writeRegister(action.write->reg, action.write->value);
    }
    if (!action.message.empty()) {
        showStatus(std::string(action.message), boxsettings::kResetMessageMs);
    }
    if (action.clearInputs) {
        ui->leReset->clear();
        ui->cbClearSettings->setChecked(false);
        ui->cbClearEdid->setChecked(false);
    }
}

void MainWindow::SetEPState() {
    commands_.writeEpStateBlock(std::span<const std::uint8_t, boxlink::kEpStateBlockSize>(
        state_.epState().data(), boxlink::kEpStateBlockSize));
}
