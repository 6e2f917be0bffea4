// The box's setting registers as data: which widgets feed each register, how
// the value is encoded, which epState byte the slot stores afterwards and
// whether the slot waits for the start-up to finish. The window's settings
// slots are thin glue around slotWrites() and factoryReset().
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace boxsettings {

enum class Encoding : std::uint8_t {
    Flag,          // 1 when the (first) widget is checked, else 0
    Index,         // current index of the combo box
    IndexPlus1,    // current index of the combo box plus 1
    Bits,          // one bit per check box, the first widget is bit 0
    ScaleMode,     // 1 cbAutoScale, else 2 cbCustomScale, else 0
    EdidMode,      // mode value 1..5 of the first checked mode radio, none: nothing
    Hdcp,          // 2 hdcp14, else 3 hdcp22, else nothing
    AudioCode,     // code of the first checked audio box, sent only when it changed
    PresetCode,    // preset code by the combo box index, outside the table: nothing
    LowByte,       // spin-box value as its low byte (two's complement)
    Always1,       // the value 1, whatever the widgets
    FactoryReset,  // see factoryReset()
};

inline constexpr std::size_t kMaxSlotWidgets = 5;

// The EDID registers, which the EDID module names as well.
inline constexpr std::uint8_t kRegEdidMode = 29;        // mode value 1..5
inline constexpr std::uint8_t kRegEdidAlgo = 31;        // automix algorithm 0..4
inline constexpr std::uint8_t kRegEdidTablePort0 = 32;  // table 1..100 of input port 0
inline constexpr std::uint8_t kRegEdidTablePort1 = 33;  // table 1..100 of port 1, 0: as port 0

struct RegisterSlot {
    std::string_view slot;  // MainWindow slot that writes the register
    std::uint8_t reg;
    // The epState byte that the slot stores after sending, if any.
    std::optional<std::uint8_t> epByte;
    // The EP state byte in which the box reports the setting when the slot
    // does not store it itself.
    std::optional<std::uint8_t> reportedIn;
    // A gated slot does nothing at all (no send, no store) before the
    // start-up has finished; the others store and let writeRegister drop the
    // send.
    bool gated;
    Encoding encoding;
    std::array<std::string_view, kMaxSlotWidgets> widgets{};  // in the order the encoding reads
    // Index encodings: the number of entries of the combo box; an index outside
    // 0..items-1 sends nothing. 0 means no limit is applied here.
    std::uint8_t items = 0;

    // The radio button that shows the value 0 of a Flag row whose widget is one
    // of a pair (the status mirror checks one of the two).
    std::string_view offWidget = {};

    // The widgets actually used (the non-empty entries of widgets).
    std::span<const std::string_view> widgetList() const;
    // The EP state byte that keeps the register's value, stored or reported.
    std::optional<std::uint8_t> stateByte() const { return epByte ? epByte : reportedIn; }
};

// One row per register, ascending register number.
std::span<const RegisterSlot> registerMap();

// The row of a register, or nullptr.
const RegisterSlot* findRegister(std::uint8_t reg);
// The EP state byte in which the box keeps a register's value: the map's
// byte, or for a register that no settings slot writes (the macro repeat,
// which a configuration import sets) its own. Nothing for an order (hot plug,
// factory reset) or an unknown register.
std::optional<std::uint8_t> registerByte(std::uint8_t reg);
inline constexpr std::uint8_t kRegMacroRepeat = 59;  // S[39], written by a configuration import

// The rows a slot writes, in sending order (for example setAudioVolBassTreb:
// 69, 70, 71). Empty for an unknown slot name.
std::vector<const RegisterSlot*> slotRows(std::string_view slot);

// One register write and what to store after it, whether or not it succeeded.
struct RegisterWrite {
    std::uint8_t reg;
    std::uint8_t value;
    std::optional<std::uint8_t> epByte;

    friend bool operator==(const RegisterWrite&, const RegisterWrite&) = default;
};

// Read access to the window's widgets by object name.
class WidgetValues {
public:
    virtual ~WidgetValues() = default;
    // Check state of a check box or radio button.
    virtual bool isChecked(std::string_view widget) const = 0;
    // Current index of a combo box, or value of a spin box.
    virtual int value(std::string_view widget) const = 0;
};

// The write of one row, or nothing to send and store. epState is the
// program's mirror (byte 14 decides whether the audio code is sent).
// FactoryReset rows give nothing here: use factoryReset().
std::optional<RegisterWrite> encodeRow(const RegisterSlot& row, const WidgetValues& widgets,
                                       std::span<const std::uint8_t> epState);

// Everything a settings slot sends, in order, gate included. The glue sends
// each with writeRegister (which itself drops the send before start-up) and
// then stores the value in epState[*epByte] when epByte is set.
std::vector<RegisterWrite> slotWrites(std::string_view slot, const WidgetValues& widgets,
                                      std::span<const std::uint8_t> epState, bool settingsReady);

// The encodings on their own.
constexpr std::uint8_t flagValue(bool checked) {
    return checked ? 1 : 0;
}
// First entry is bit 0; entries beyond bit 7 are ignored.
std::uint8_t bitsValue(std::span<const bool> checked);
// cb2cForce, cb51, cbFull, cbAudioNative, cbAudioTop: code of the first
// checked (1..5), 0 when none is checked.
std::uint8_t audioCode(std::span<const bool, 5> checked);
std::uint8_t scaleMode(bool autoScale, bool customScale);
// automixEDID, fixedEDID, customEDID, rbCopyTopEDID, rbCopyBotEDID.
std::optional<std::uint8_t> edidMode(std::span<const bool, 5> checked);
std::optional<std::uint8_t> hdcpCode(bool hdcp14, bool hdcp22);
// Preset code for register 46, 47 or 48 by combo box index.
std::optional<std::uint8_t> presetCode(std::uint8_t reg, int index);
constexpr std::uint8_t lowByte(int value) {
    return static_cast<std::uint8_t>(value & 0xFF);
}

// Preset codes: one code space for the three preset registers.
struct Preset {
    std::uint8_t code;
    std::string_view name;
};
extern const std::array<Preset, 8> kPresets;
// The preset codes by combo box index of register 46, 47 or 48; empty for
// another register.
std::span<const std::uint8_t> presetCodes(std::uint8_t reg);
// The name of a preset code, empty for a code without a preset.
std::string_view presetName(std::uint8_t code);
// The preset codes by combo box index of cmbPreset4k30, cmbPreset4k60 and
// cmbPreset4k60Hdr (registers 46, 47, 48).
extern const std::array<std::uint8_t, 4> kPreset4k30Codes;
extern const std::array<std::uint8_t, 4> kPreset4k60Codes;
extern const std::array<std::uint8_t, 5> kPreset4k60HdrCodes;

// Factory reset (register 63), from the text of leReset and the two boxes.
inline constexpr std::string_view kResetWord = "RESET";
inline constexpr std::string_view kResetWordMissing = "Type RESET into the text box and click OK";
inline constexpr std::string_view kResetChoiceMissing = "Choose the reset from the checkboxes";
inline constexpr int kResetMessageMs = 2000;

struct FactoryResetAction {
    std::optional<RegisterWrite> write;  // register 63; nothing stored
    std::string_view message;            // status-bar text for 2000 ms, empty for none
    bool clearInputs;                    // clear leReset and uncheck both boxes
};
FactoryResetAction factoryReset(std::string_view resetText, bool clearEdid, bool clearSettings);

}  // namespace boxsettings
