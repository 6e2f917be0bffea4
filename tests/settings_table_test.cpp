// The settings' register map against its users: every register that the
// window writes lands, at the emulated box, in the EP state byte the map
// names; the status mirror shows that byte in the map's widgets so that the
// window writes the same value again; and every configuration key reads back
// the value its import wrote.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "config/StateKeys.h"
#include "emulator/Box.h"
#include "settings/RegisterMap.h"
#include "status/SettingsMirror.h"
#include "tests/emulator/Requests.h"

namespace {

using boxsettings::Encoding;
using boxsettings::RegisterSlot;
using emutest::Bytes;

// The box's status answer after one register write.
Bytes statusAfterWrite(emu::Box& box, std::uint8_t reg, std::uint8_t value) {
    const Bytes write = emutest::registerWrite(reg, value);
    EXPECT_EQ(box.handle(write.data(), write.size()).answer, (Bytes{boxlink::CMD_REGISTER, 0x00}))
        << "register " << int{reg};
    const Bytes read = emutest::statusRead(boxstatus::kStatusLength);
    return box.handle(read.data(), read.size()).answer;
}

// A form that takes the mirror's operations.
class MirroredWidgets final : public boxsettings::WidgetValues {
public:
    explicit MirroredWidgets(const std::vector<boxstatus::WidgetOp>& ops) {
        for (const boxstatus::WidgetOp& op : ops) {
            if (op.action == boxstatus::WidgetAction::SetChecked ||
                op.action == boxstatus::WidgetAction::SetCurrentIndex ||
                op.action == boxstatus::WidgetAction::SetValue) {
                state_[std::string(op.widget)] = op.value;
            }
        }
    }
    bool isChecked(std::string_view widget) const override { return value(widget) != 0; }
    int value(std::string_view widget) const override {
        const auto it = state_.find(std::string(widget));
        return it != state_.end() ? it->second : 0;
    }

private:
    std::map<std::string, int> state_;
};

// Values each encoding can send.
std::vector<std::uint8_t> valuesOf(const RegisterSlot& row) {
    switch (row.encoding) {
        case Encoding::Flag:
            return {0, 1};
        case Encoding::Index:
            return row.items != 0 ? std::vector<std::uint8_t>{0, 1, std::uint8_t(row.items - 1)}
                                  : std::vector<std::uint8_t>{0, 1, 4};
        case Encoding::IndexPlus1:
            return row.items != 0 ? std::vector<std::uint8_t>{1, std::uint8_t(row.items)}
                                  : std::vector<std::uint8_t>{1, 10, 100};
        case Encoding::Bits:
            return {0, 1, 2, std::uint8_t((1u << row.widgetList().size()) - 1)};
        case Encoding::ScaleMode:
            return {0, 1, 2};
        case Encoding::EdidMode:
        case Encoding::AudioCode:
            return {1, 2, 3, 4, 5};
        case Encoding::Hdcp:
            return {2, 3};
        case Encoding::PresetCode: {
            const auto codes = boxsettings::presetCodes(row.reg);
            return {codes.begin(), codes.end()};
        }
        case Encoding::LowByte:
            return {0xFA, 0, 12};
        case Encoding::Always1:
        case Encoding::FactoryReset:
            break;
    }
    return {};
}

TEST(SettingsTable, EachRegisterGoesToTheBoxAndBackThroughTheMirror) {
    for (const RegisterSlot& row : boxsettings::registerMap()) {
        const auto byte = row.stateByte();
        if (!byte) {
            continue;  // an order (hot plug, factory reset)
        }
        for (const std::uint8_t value : valuesOf(row)) {
            SCOPED_TRACE("register " + std::to_string(row.reg) + " := " + std::to_string(value));
            emu::Box box;
            // Slide switches that let the mirror show the software's choice.
            box.ep()[boxlink::kEpScaleSwitch] = 2;
            box.ep()[boxlink::kEpEdidSwitch] = 3;
            box.ep()[boxlink::kEpHdcpSwitch] = 1;
            const Bytes status = statusAfterWrite(box, row.reg, value);
            ASSERT_EQ(box.ep()[*byte], value);

            const MirroredWidgets widgets(boxstatus::settingsMirror({status, {}, {}}));
            const auto write = boxsettings::encodeRow(row, widgets, {});
            ASSERT_TRUE(write.has_value()) << "the mirror left " << row.widgets[0] << " empty";
            EXPECT_EQ(write->value, value) << "shown in " << row.widgets[0];
        }
    }
}

TEST(SettingsTable, EachFileKeyReadsBackWhatItsImportWrote) {
    for (const config::StateKey& key : config::stateKeys()) {
        if (key.reg == 0) {
            continue;  // a slide switch, the box's own
        }
        std::vector<std::string> texts;
        for (const config::Word& word : key.words) {
            texts.emplace_back(word.text);
        }
        if (key.kind == config::StateKind::OnOff || key.kind == config::StateKind::Bit) {
            texts = {"on", "off"};
        } else if (key.kind == config::StateKind::Decimal) {
            texts = {"0", "1", "4"};
        }
        for (const std::string& text : texts) {
            SCOPED_TRACE(std::string(key.key) + " " + text);
            emu::Box box;
            const emu::EpState before = box.ep();
            const auto value =
                key.kind == config::StateKind::Decimal
                    ? std::optional<std::uint8_t>(static_cast<std::uint8_t>(std::stoi(text)))
                    : config::stateValueFor(key, text, before);
            ASSERT_TRUE(value.has_value());
            const Bytes status = statusAfterWrite(box, key.reg, *value);
            emu::EpState ep{};
            boxstatus::copyEpState(status, ep);
            EXPECT_EQ(config::stateValueText(key, ep), text);
        }
    }
}

}  // namespace
