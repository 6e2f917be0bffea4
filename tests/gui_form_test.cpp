// The main window's form as the program shows it before any box is read:
// every widget with its class, text and initial state, the tabs, the menus,
// the exclusive button groups, and a layout that shows every text in full.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <climits>
#include <map>
#include <optional>
#include <set>

#include "qt/EdidEditView.h"
#include "qt/MainWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"
#include "usb/SocketLibrary.h"

namespace {

struct Spin {
    double min;
    double max;
    double step;
    double value;
    int decimals;
};

// The initial state of a widget. A check box or radio button not marked
// checked starts unchecked; a combo box holds no items in the form.
struct State {
    bool checked = false;
    std::optional<Spin> spin;
    int maxCount = INT_MAX;
    bool readOnly = false;
    int maxLength = 32767;
};

State checked() {
    State s;
    s.checked = true;
    return s;
}
State range(double min, double max, double step, double value, int decimals = 0) {
    State s;
    s.spin = Spin{min, max, step, value, decimals};
    return s;
}
State maxItems(int count) {
    State s;
    s.maxCount = count;
    return s;
}
State readOnly() {
    State s;
    s.readOnly = true;
    return s;
}
State maxLength(int length) {
    State s;
    s.maxLength = length;
    return s;
}

// One widget of the form.
struct Expected {
    const char* name;
    const char* className;
    const char* text;  // nullptr: the widget shows no text of its own
    State state = {};
};

const Expected kWidgets[] = {
    {"label_3", "QLabel", "ACTIVE INPUT:"},
    {"cmbInputSel", "QComboBox", nullptr},
    {"lblSpdIf", "QLabel", "Source Name:"},
    {"lblRx0Info", "QLabel", "RX:"},
    {"lblRx1Info", "QLabel", "RX:"},
    {"lblTx0Info", "QLabel", "TX0:"},
    {"lblTx1Info", "QLabel", "TX1:"},
    {"lblTx0Sink", "QLabel", "SINK0"},
    {"lblTx1Sink", "QLabel", "SINK1"},
    {"lblAudInfo", "QLabel", "AUD0:"},
    {"lblAudInfo1", "QLabel", "AUD1:"},
    {"lblFwVer", "QLabel", "FW Version:"},
    {"lblGuiVer", "QLabel", "GUI Version:"},
    {"cmBEdid", "QComboBox", nullptr, maxItems(100)},
    {"EDIDtext", "QTextEdit", nullptr},
    {"cb2cForce", "QCheckBox", "2.0 Stereo"},
    {"cbFull", "QCheckBox", "7.1 Full"},
    {"cb51", "QCheckBox", "5.1 Multi"},
    {"automixEDID", "QRadioButton", "AUTOMIX", checked()},
    {"customEDID", "QRadioButton", "CUSTOM Select:"},
    {"cbHdr", "QCheckBox", "HDR10+", checked()},
    {"cbBt2020", "QCheckBox", "2020/xvYcc"},
    {"cbYUV", "QCheckBox", "no YCbCr", checked()},
    {"cb3D", "QCheckBox", "No 3D"},
    {"ButWriteEDID", "QPushButton", "Upload EDID"},
    {"ButSaveEDID", "QPushButton", "Save to File"},
    {"ButLoadEDID", "QPushButton", "Load from File"},
    {"pbReadTvEdidA", "QPushButton", "Read TV [BOT] EDID"},
    {"pbReadTvEdidB", "QPushButton", "Read TV [TOP] EDID"},
    {"cmbEdidAlgo", "QComboBox", nullptr},
    {"pbReadRxBotEdid", "QPushButton", "Read RX  EDID"},
    {"rbCopyTopEDID", "QRadioButton", "COPY TOP SINK"},
    {"rbCopyBotEDID", "QRadioButton", "COPY BOT SINK"},
    {"fixedEDID", "QRadioButton", "FIXED EDID [4K60 420 300MHz 8bit 2ch audio]"},
    {"cbHlg", "QCheckBox", "HLG", checked()},
    {"cbDv", "QCheckBox", "DV Force Metadata", checked()},
    {"cbAudioNative", "QCheckBox", "Native"},
    {"cmbEdidTop", "QComboBox", nullptr, maxItems(101)},
    {"lblEdid0", "QLabel", "PORT 0:"},
    {"lblEdid1", "QLabel", "PORT 1:"},
    {"pbReadRxTopEdid", "QPushButton", "Read RX [TOP] EDID"},
    {"pbReadCurrentEdid", "QPushButton", "Read Current EDID"},
    {"pbEdidChecksum", "QPushButton", "Fix Checksums"},
    {"txtEdidDecoded", "QTextEdit", nullptr, readOnly()},
    {"chartEdid", "gui::ChromaticityDiagram", nullptr},
    {"cbDvLimit", "QCheckBox", "DV Limit 300MHz", checked()},
    {"cbDvRemove", "QCheckBox", "DV Remove", checked()},
    {"cbAudioTop", "QCheckBox", "TOP Max"},
    {"cb1080p30ModePort0", "QCheckBox", "1080p30 ->"},
    {"cb1080p60ModePort0", "QCheckBox", "1080p60 ->"},
    {"lblScale_53", "QLabel", "PORT0 [BOT]"},
    {"cb4k30ModePort0", "QCheckBox", "4K30 ->"},
    {"cb4k60ModePort0", "QCheckBox", "4K60 ->"},
    {"cmb4k60Port0Cs", "QComboBox", nullptr},
    {"cmb4k60Port0Dc", "QComboBox", nullptr},
    {"cmb4k30Port0Cs", "QComboBox", nullptr},
    {"cmb4k30Port0Dc", "QComboBox", nullptr},
    {"cmb1080p60Port0Dc", "QComboBox", nullptr},
    {"cmb1080p60Port0Scale", "QComboBox", nullptr},
    {"cmb1080p60Port0Cs", "QComboBox", nullptr},
    {"cmb1080p30Port0Cs", "QComboBox", nullptr},
    {"cmb1080p30Port0Scale", "QComboBox", nullptr},
    {"cmb1080p30Port0Dc", "QComboBox", nullptr},
    {"lblScale_54", "QLabel", "PORT1 [TOP]"},
    {"cmb4k30Port1Dc", "QComboBox", nullptr},
    {"cmb4k60Port1Dc", "QComboBox", nullptr},
    {"cmb4k60Port1Scale", "QComboBox", nullptr},
    {"cmb4k30Port1Scale", "QComboBox", nullptr},
    {"cmb4k60Port1Cs", "QComboBox", nullptr},
    {"cmb4k30Port1Cs", "QComboBox", nullptr},
    {"lblScale_39", "QLabel", "PORT0 can upscale"},
    {"lblScale_55", "QLabel", "PORT1 can downscale"},
    {"cmb1080p30Port1Dc", "QComboBox", nullptr},
    {"cmb1080p60Port1Dc", "QComboBox", nullptr},
    {"cmb1080p60Port1Cs", "QComboBox", nullptr},
    {"cmb1080p30Port1Cs", "QComboBox", nullptr},
    {"lblScale_2", "QLabel", "4K60"},
    {"lblScale_3", "QLabel", "4K30"},
    {"lblScale_4", "QLabel", "1080p60"},
    {"lblScale_5", "QLabel", "1080p30"},
    {"cb4k60ModePort1", "QCheckBox", "4K60 ->"},
    {"cb4k30ModePort1", "QCheckBox", "4K30 ->"},
    {"cb1080p30ModePort1", "QCheckBox", "1080p30 ->"},
    {"cb1080p60ModePort1", "QCheckBox", "1080p60 ->"},
    {"lblScale_56", "QLabel", "COLOR SPACE"},
    {"lblScale_57", "QLabel", "DEEP COLOR"},
    {"lblScale_58", "QLabel", "MODE"},
    {"lblScale_60", "QLabel", "MODE"},
    {"lblScale_61", "QLabel", "DEEP COLOR"},
    {"lblScale_63", "QLabel", "COLOR SPACE"},
    {"cbCustomScale", "QCheckBox", "CUSTOM SCALING"},
    {"cbNoScale", "QCheckBox", "NO SCALING"},
    {"lblHdcpSlideWarning_3", "QLabel", "Protected against > 600MHz TMDS clock"},
    {"lblScale_10", "QLabel", "4K60 PRESET:"},
    {"cmbPreset4k30", "QComboBox", nullptr},
    {"cmbPreset4k60Hdr", "QComboBox", nullptr},
    {"lblScale_12", "QLabel", "4K60 422 HDR PRESET:"},
    {"cmbPreset4k60", "QComboBox", nullptr},
    {"cbAutoScale", "QCheckBox", "AUTO SCALING"},
    {"lblScale_11", "QLabel", "4K30 PRESET:"},
    {"lblScale_6", "QLabel", "PORT 1 [TOP]"},
    {"cbAutoScaleNoUpscale", "QCheckBox", "NO UPSCALING"},
    {"lblScale_7", "QLabel", "PORT 0 [BOT]"},
    {"HDRCustomText", "QTextEdit", nullptr},
    {"ButWriteIF", "QPushButton", "Send HDR"},
    {"txtHdrIf", "QTextEdit", nullptr},
    {"label_92", "QLabel", "CUSTOM HDR METADATA GENERATOR:"},
    {"label_94", "QLabel", "CAPTURED HDR METADATA:"},
    {"cbHdrCustom", "QCheckBox", "Enable Custom HDR"},
    {"cbHdrDisable", "QCheckBox", "Disable HDR"},
    {"lblMaxCll", "QLabel", "maxCLL"},
    {"lblPrimary0", "QLabel", "primary0"},
    {"lblWhitePoint", "QLabel", "whitePoint"},
    {"lblMaxLum", "QLabel", "maxLum"},
    {"lblMinLum", "QLabel", "minLum"},
    {"lblMaxFall", "QLabel", "maxFALL"},
    {"lblHdrEotf", "QLabel", "EOTF:"},
    {"lblPrimary1", "QLabel", "primary1"},
    {"lblPrimary2", "QLabel", "primary2"},
    {"cmbHdrEotf", "QComboBox", nullptr, maxItems(10)},
    {"cmbHdrPrim", "QComboBox", nullptr},
    {"lblEotf", "QLabel", "EOTF"},
    {"lblEotf_2", "QLabel", "Primaries"},
    {"lblMaxLumIn", "QLabel", "Max Luminance [cd/m2]:"},
    {"lblMinLumIn", "QLabel", "Min Luminance [cd/m2]:"},
    {"lblMaxCllIn", "QLabel", "MaxCLL [cd/m2:]"},
    {"lblMaxFallIn", "QLabel", "MaxFALL [cd/m2]:"},
    {"cmbHdrWp", "QComboBox", nullptr},
    {"lblEotf_3", "QLabel", "White Point:"},
    {"pbCreateIf", "QPushButton", "Create IF"},
    {"lblMaxCllIn_2", "QLabel", "[ 1-65535 ]"},
    {"lblMaxCllIn_3", "QLabel", "[ 0.0001-6.5535 ]"},
    {"lblMaxCllIn_4", "QLabel", "[ 1-65535 ]"},
    {"lblMaxCllIn_5", "QLabel", "[ 1-65535 ]"},
    {"sbMaxLum", "QSpinBox", nullptr, range(0, 65535, 1, 4000, 0)},
    {"sbMinLum", "QDoubleSpinBox", nullptr, range(0.0, 6.5535, 0.0001, 0.005, 4)},
    {"sbMaxCLL", "QSpinBox", nullptr, range(0, 65535, 1, 1000, 0)},
    {"sbMaxFALL", "QSpinBox", nullptr, range(0, 65535, 1, 400, 0)},
    {"lblHdrMasterTarget", "QLabel", "Mastering Target:"},
    {"lblHdrWpTarget", "QLabel", "White Point :"},
    // What the infoframe in HDRCustomText says; empty until it holds one.
    {"lblHdrPreview", "QLabel", ""},
    {"chartHdrCaptured", "gui::ChromaticityDiagram", nullptr},
    {"barHdrCaptured", "gui::LuminanceBar", nullptr},
    {"chartHdrCustom", "gui::ChromaticityDiagram", nullptr},
    {"barHdrCustom", "gui::LuminanceBar", nullptr},
    {"cbHlgOptionDisable", "QCheckBox", "Enable custom HDR if HLG input"},
    {"cbHdr10OptionDisable", "QCheckBox", "Enable custom HDR if HDR10 input"},
    {"AVICustomText", "QTextEdit", nullptr},
    {"label_93", "QLabel", "CUSTOM AVI INFOFRAME:"},
    {"cbAviDisable", "QCheckBox", "Disable AVI"},
    {"cbAviCustom", "QCheckBox", "Enable Custom AVI"},
    {"ButWriteAVI", "QPushButton", "Send AVI"},
    {"txtAviIf", "QTextEdit", nullptr, readOnly()},
    {"label_95", "QLabel", "CAPTURED AVI INFOFRAME:"},
    {"label_101", "QLabel", "CAPTURED VENDOR SPECIFIC INFOFRAME:"},
    {"txtVsiIf", "QTextEdit", nullptr, readOnly()},
    {"VSICustomText", "QTextEdit", nullptr},
    {"label_102", "QLabel", "CUSTOM VENDOR SPECIFIC INFOFRAME:"},
    {"cbVsiCustom", "QCheckBox", "Enable Custom VSI"},
    {"cbVsiDisable", "QCheckBox", "Disable VSI"},
    {"ButWriteVSI", "QPushButton", "Send VSI"},
    {"txtHfvIf", "QTextEdit", nullptr, readOnly()},
    {"label_98", "QLabel", "CAPTURED AUDIO INFOFRAME:"},
    {"label_99", "QLabel", "CAPTURED HDMI FORUM VSIF:"},
    {"AUDtext", "QTextEdit", nullptr, readOnly()},
    {"txtSpdIf", "QTextEdit", nullptr, readOnly()},
    {"label_105", "QLabel", "CAPTURED SPD INFOFRAME:"},
    {"label_97", "QLabel", "CAPTURED HDMI VENDOR SPECIFIC INFOFRAME:"},
    {"txtHvsIf", "QTextEdit", nullptr, readOnly()},
    {"txtDvBlock", "QTextEdit", nullptr, readOnly()},
    {"chartDv", "gui::ChromaticityDiagram", nullptr},
    {"label_100", "QLabel", "CAPTURED DOLBY VISION METADATA BLOCK: [BOT output]"},
    {"lblScale_62", "QLabel",
     "This metadata will be used when DV Copy/Hold Metadata -flag is set in automix"},
    {"lblDvVersion", "QLabel", "Version"},
    {"lblDvCaps2160", "QLabel", "Caps"},
    {"lblDvMinLum", "QLabel", "minLum"},
    {"lblDvGreen", "QLabel", "dvGreen"},
    {"lblDvBlue", "QLabel", "dvBlue"},
    {"lblDvMaxLum", "QLabel", "maxLum"},
    {"lblDvRed", "QLabel", "dvRed"},
    {"lblDvWhite", "QLabel", "dvWhite"},
    {"lblDvCaps422", "QLabel", "Caps"},
    {"lblDvCapsDim", "QLabel", "Caps"},
    {"cbOsdMask1", "QCheckBox", "OSD Mask"},
    {"label_21", "QLabel", "OSD SETUP:"},
    {"label_19", "QLabel", "OSD LOCATION:"},
    {"sbOsdMask1X0", "QSpinBox", nullptr, range(1, 1920, 1, 1, 0)},
    {"sbOsdMask1Y0", "QSpinBox", nullptr, range(1, 1080, 1, 950, 0)},
    {"sbOsdMask1X1", "QSpinBox", nullptr, range(0, 1920, 1, 1920, 0)},
    {"sbOsdMask1Y1", "QSpinBox", nullptr, range(0, 1080, 1, 1080, 0)},
    {"textEdit_2", "QTextEdit", nullptr},
    {"label_23", "QLabel", "OSD MASK SETUP:"},
    {"label_25", "QLabel", "x0"},
    {"label_26", "QLabel", "x1"},
    {"lblScale_40", "QLabel", "Add mask to cover areas of the screen to reduce burn-in"},
    {"sbOsdLocX", "QSpinBox", nullptr, range(1, 1920, 1, 1, 0)},
    {"label_32", "QLabel", "y0"},
    {"sbOsdLocY", "QSpinBox", nullptr, range(1, 1080, 1, 1, 0)},
    {"lblScale_44", "QLabel", "4K scaled 2x"},
    {"label_33", "QLabel", "y1"},
    {"label_20", "QLabel", "MASK LOCATION:"},
    {"cbOsdEn", "QCheckBox", "OSD Enabled"},
    {"label_34", "QLabel", "X:"},
    {"label_35", "QLabel", "Y:"},
    {"txtOsdRender", "QTextEdit", nullptr},
    {"cbOsdCustomText", "QCheckBox", "OSD CUSTOM TEXT"},
    {"sbCustomOsdLocY", "QSpinBox", nullptr, range(1, 1920, 1, 20, 0)},
    {"sbCustomOsdLocX", "QSpinBox", nullptr, range(1, 1080, 1, 20, 0)},
    {"label_38", "QLabel", "X:"},
    {"label_39", "QLabel", "Y:"},
    {"pbCustomOsdLoc", "QPushButton", "Send"},
    {"sbOsdColorFg", "QSpinBox", nullptr, range(0, 31, 1, 1, 0)},
    {"label_22", "QLabel", "OSD COLOR INDEX:"},
    {"sbOsdColorBg", "QSpinBox", nullptr, range(0, 31, 1, 1, 0)},
    {"label_40", "QLabel", "FG"},
    {"label_41", "QLabel", "BG"},
    {"sbOsdColorBgRate", "QSpinBox", nullptr, range(1, 7, 1, 1, 0)},
    {"label_42", "QLabel", "BG level:"},
    {"pbOsdLoc", "QPushButton", "Send"},
    {"lblScale_45", "QLabel", "0-31"},
    {"lblScale_46", "QLabel", "1-7"},
    {"cbOsdCapSpd", "QCheckBox", "Source name"},
    {"cbOsdCapVid", "QCheckBox", "Video Field"},
    {"cbOsdCapHdr", "QCheckBox", "HDR RX/TX info"},
    {"cbOsdCapHdrIf", "QCheckBox", "HDR IF"},
    {"cbOsdCapVidIf", "QCheckBox", "Video IF"},
    {"sbOsdFadeValue", "QSpinBox", nullptr, range(0, 255, 1, 0, 0)},
    {"lblScale_43", "QLabel", " 0 = never"},
    {"label_43", "QLabel", "OSD FADE:"},
    {"lblScale_41", "QLabel", "OSD mask level [1-7]:"},
    {"sbOsdMask1Rate", "QSpinBox", nullptr, range(1, 7, 1, 1, 0)},
    {"pbMaskSend", "QPushButton", "Send"},
    {"label_44", "QLabel", "LOCATION:"},
    {"label_45", "QLabel", "OSD INFO:"},
    {"cbOsdCapHdrSource", "QCheckBox", "RX HDR info"},
    {"cbOsdCapAud", "QCheckBox", "Audio Field"},
    {"lblOsdFade", "QLabel", "value"},
    {"cbOsdCustomTextFade", "QCheckBox", "NEVER FADE TEXT"},
    {"cbOsdCapVideoRXTX", "QCheckBox", "RX VIDEO info"},
    {"lblScale_48", "QLabel", "OSD info default is TX:"},
    {"sbOsdMask1GrayScale", "QSpinBox", nullptr, range(0, 15, 1, 0, 0)},
    {"lblScale_42", "QLabel", "OSD grayscale [0-15]:"},
    {"cbOsdIgnoreMetadata", "QCheckBox", "Ignore HDR Metadata Change"},
    {"CECtext", "QTextEdit", nullptr},
    {"label_4", "QLabel", "CEC COMMAND:"},
    {"label_2", "QLabel", nullptr},
    {"ButWriteCEC", "QPushButton", "Send CEC"},
    // Common CEC messages that fill CECtext; filled once a box is read.
    {"lblCecMessage", "QLabel", "Common message:"},
    {"cmbCecMessage", "QComboBox", nullptr},
    {"cbCec", "QCheckBox", "CEC ENABLED", checked()},
    {"label_28", "QLabel", "ORVINE CEC DEVICE TYPE:"},
    {"cmbLa", "QComboBox", nullptr, maxItems(15)},
    {"label_30", "QLabel",
     "Any change to the enable state or the device type requires a power cycle"},
    {"label_31", "QLabel",
     "CEC device type indicates which type of commands Orvine will respond to"},
    {"cbArcAllowHbr", "QCheckBox", "ARC ALLOW DD+ / ATMOS", checked()},
    {"pbJvcTest", "QPushButton", "Send Test"},
    {"txtRs232", "QTextEdit", nullptr},
    {"label_66", "QLabel", "21:89:01:49:50:36 [INPUT 1]"},
    {"label_53", "QLabel", "21:89:01:50:4d:50:4d:30:43:0a  [USER MODE 1]"},
    {"label_68", "QLabel", "21:89:01:50:4d:50:4d:30:44:0a  [USER MODE 2]"},
    {"label_67", "QLabel", "21:89:01:49:50:37 [INPUT 2]"},
    {"label_65", "QLabel", "Examples for JVC control:"},
    {"label_5", "QLabel", "RS232 COMMAND:"},
    {"label_70", "QLabel", "Change Baud Rate as needed from the config-tab"},
    {"label_69", "QLabel", "RS232  BAUD RATE:"},
    {"cmbBaudRate", "QComboBox", nullptr},
    {"label_72", "QLabel", "SDR-TV (Rec-709 50-60i)"},
    {"label_73", "QLabel", "SDR-Film (Rec-709 23-60p)"},
    {"label_74", "QLabel", "SDR-BT2020"},
    {"label_75", "QLabel", "3D"},
    {"label_76", "QLabel", "x.v.Color"},
    {"label_77", "QLabel", "HLG-BT709"},
    {"label_78", "QLabel", "HLG-BT2020"},
    {"label_113", "QLabel", "HDR10-Main"},
    {"label_114", "QLabel", "HDR10-Optional"},
    {"label_115", "QLabel", "HDR10-Rec709"},
    {"cmbJvcPm3", "QComboBox", nullptr},
    {"cmbJvcPm7", "QComboBox", nullptr},
    {"cmbJvcPm4", "QComboBox", nullptr},
    {"cmbJvcPm6", "QComboBox", nullptr},
    {"cmbJvcPm0", "QComboBox", nullptr},
    {"cmbJvcPm5", "QComboBox", nullptr},
    {"cmbJvcPm2", "QComboBox", nullptr},
    {"cmbJvcPm1", "QComboBox", nullptr},
    {"label_116", "QLabel", "SDR-TV"},
    {"label_144", "QLabel", "x.v.Color"},
    {"label_145", "QLabel", "SDR-Film"},
    {"label_146", "QLabel", "3D"},
    {"label_147", "QLabel", "HDR10-DC1K"},
    {"label_148", "QLabel", "SDR-BT2020"},
    {"label_149", "QLabel", "HDR10-DC4K"},
    {"label_150", "QLabel", "HLG-BT2020"},
    {"label_151", "QLabel", "HLG-BT709"},
    {"label_152", "QLabel", "HDR10-BT709"},
    {"label_153", "QLabel", "CONTENT/CALIBRATION:"},
    {"label_154", "QLabel", "JVC PICTURE MODE:"},
    {"label_155", "QLabel", "OSD NAME:"},
    {"cmbJvcPm8", "QComboBox", nullptr},
    {"cmbJvcPm9", "QComboBox", nullptr},
    {"label_54", "QLabel", "SYNC DELAY"},
    {"sbJvcDelay", "QSpinBox", nullptr, range(1, 60, 1, 1, 0)},
    {"pbSetMacro", "QPushButton", "SEND ALL CHANGES"},
    {"label_49", "QLabel", "JVC MACRO CONTROL"},
    {"cbJvcMacroEn", "QCheckBox", "ENABLE"},
    {"label_82", "QLabel", "(secs)"},
    {"cmbMacroHdr10Mode", "QComboBox", nullptr},
    {"label_156", "QLabel", "HDR10 MODE:"},
    {"cbJvcMacroRefresh", "QCheckBox", "SEND ON EVERY SYNC"},
    {"cmbMacro2C", "QComboBox", nullptr},
    {"cmbMacro3A", "QComboBox", nullptr},
    {"label_63", "QLabel", "THEN"},
    {"cmbMacro5A", "QComboBox", nullptr},
    {"label_58", "QLabel", "ABOVE"},
    {"cbMacro2En", "QCheckBox", "IF HDR10"},
    {"cbMacro4En", "QCheckBox", "IF HDR10"},
    {"label_50", "QLabel", "THEN"},
    {"cmbMacro4A", "QComboBox", nullptr},
    {"label_60", "QLabel", "THEN"},
    {"cmbMacro3C", "QComboBox", nullptr},
    {"cbMacro5En", "QCheckBox", "IF HDR10"},
    {"cbMacro3En", "QCheckBox", "IF HDR10"},
    {"label_59", "QLabel", "THEN"},
    {"cmbMacro4C", "QComboBox", nullptr},
    {"label_56", "QLabel", "BELOW OR EQUALS TO"},
    {"cmbMacro2A", "QComboBox", nullptr},
    {"cmbMacro5C", "QComboBox", nullptr},
    {"label_57", "QLabel", "BELOW OR EQUALS TO"},
    {"cbMacro6En", "QCheckBox", "ELSE"},
    {"cmbMacro6C", "QComboBox", nullptr},
    {"label_61", "QLabel", "THEN"},
    {"label_80", "QLabel", "THEN"},
    {"cbMacro1En", "QCheckBox", "IF HDR10"},
    {"cmbMacro1C", "QComboBox", nullptr},
    {"cmbMacro1A", "QComboBox", nullptr},
    {"label_79", "QLabel", "BELOW OR EQUALS TO"},
    {"cmbMacro0A", "QComboBox", nullptr},
    {"cbMacro0En", "QCheckBox", "IF HDR10"},
    {"cmbMacro0C", "QComboBox", nullptr},
    {"label_83", "QLabel", "THEN"},
    {"sbMacro4B", "QDoubleSpinBox", nullptr, range(0.0, 65535.0, 1, 4000.0, 0)},
    {"sbMacro3B", "QDoubleSpinBox", nullptr, range(0.0, 65535.0, 1, 1100.0, 0)},
    {"sbMacro2B", "QDoubleSpinBox", nullptr, range(0.0, 65535.0, 1, 1100.0, 0)},
    {"sbMacro1B", "QDoubleSpinBox", nullptr, range(0.0, 65535.0, 1, 0.0, 0)},
    {"sbMacro0B", "QDoubleSpinBox", nullptr, range(0.0, 65535.0, 1, 0.0, 0)},
    {"sbMacro5B", "QDoubleSpinBox", nullptr, range(0.0, 65535.0, 1, 4000.0, 0)},
    {"label_85", "QLabel", "else"},
    {"label_86", "QLabel", "else"},
    {"label_87", "QLabel", "else"},
    {"label_88", "QLabel", "else"},
    {"label_89", "QLabel", "else"},
    {"pbSetMacro2", "QPushButton", "SEND ALL CHANGES"},
    {"label_90", "QLabel", "BELOW OR EQUALS TO"},
    {"label_91", "QLabel", "BELOW OR EQUALS TO"},
    {"label_157", "QLabel", "HDR10 CUSTOM / SEMI-AUTOMATIC CONFIGURATION PAGE"},
    {"cbClearSettings", "QCheckBox", "CLEAR ALL SETTINGS TO FACTORY DEFAULTS"},
    {"label_24", "QLabel", "RESET TO FACTORY DEFAULTS:"},
    {"leReset", "QLineEdit", nullptr, maxLength(50)},
    {"pbReset", "QPushButton", "OK"},
    {"cbClearEdid", "QCheckBox", "EDID FACTORY SETTINGS"},
    {"hdcp22", "QRadioButton", "2.2 [if supported]"},
    {"hdcp14", "QRadioButton", "1.4", checked()},
    {"label_6", "QLabel", "HDCP VERSION:"},
    {"autoSwDis", "QRadioButton", "OFF"},
    {"label_10", "QLabel", "AUTO SWITCH:"},
    {"autoSwEn", "QRadioButton", "ON", checked()},
    {"pPrioForce", "QRadioButton", "FORCED"},
    {"label_12", "QLabel", " PRIORITY:"},
    {"bPrioNorm", "QRadioButton", "NORMAL", checked()},
    {"label_17", "QLabel", "Type RESET, click OK and reboot Orvine after"},
    {"lblHdcpSlideWarning", "QLabel", "Move HDCP slide switch to middle to change"},
    {"pbHotPlug", "QPushButton", "Send"},
    {"label_47", "QLabel", "ISSUE HOTPLUG:"},
    {"cbHtpcEnable", "QRadioButton", "ON"},
    {"label_48", "QLabel", "HTPC MODE:"},
    {"cbHtpcDisable", "QRadioButton", "OFF"},
    {"label_13", "QLabel", "VOLUME:"},
    {"label_14", "QLabel", "BASS:"},
    {"label_15", "QLabel", "TREBLE:"},
    {"sbAudioVolume", "QSpinBox", nullptr, range(-102, 12, 1, 0, 0)},
    {"sbAudioBass", "QSpinBox", nullptr, range(-10, 10, 1, 0, 0)},
    {"sbAudioTreble", "QSpinBox", nullptr, range(-10, 10, 1, 0, 0)},
    {"label_16", "QLabel", "-102dB to +12dB"},
    {"label_18", "QLabel", "-10dB to +10dB"},
    {"label_51", "QLabel", "-10dB to +10dB"},
    {"label_52", "QLabel", "L/R AUDIO CONTROL:"},
    {"pbAudioVolume", "QPushButton", "Send"},
    {"lblAudioVol", "QLabel", "value"},
    {"lblAudioBass", "QLabel", "value"},
    {"lblAudioTreb", "QLabel", "value"},
    {"cbMuteBotAudioOff", "QRadioButton", "OFF"},
    {"cbMuteBotAudioOn", "QRadioButton", "ON"},
    {"label_55", "QLabel", "MUTE BOT TX AUDIO:"},
    {"label_27", "QLabel", "LOGO LED:"},
    {"disableLed", "QRadioButton", "OFF"},
    {"enableLed", "QRadioButton", "ON"},
};

class GuiFormTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { gui_test::application(); }

    // No box attached: the window keeps the form's own state.
    std::unique_ptr<usb::Library> library_ = usb::createSocketLibrary({});
    testing_support::ManualClock clock_;
    gui_test::ScriptedDialogs dialogs_;
    MainWindow window_{*library_, clock_, dialogs_};
    Ui::MainWindow& ui_ = *window_.form();

    template <typename T>
    T* widget(const char* name) {
        return window_.findChild<T*>(QString::fromLatin1(name));
    }
};

TEST_F(GuiFormTest, EveryWidgetHasItsClassTextAndInitialState) {
    for (const Expected& e : kWidgets) {
        SCOPED_TRACE(e.name);
        const QList<QWidget*> found = window_.findChildren<QWidget*>(QString::fromLatin1(e.name));
        ASSERT_EQ(found.size(), 1);
        QWidget* w = found.front();
        EXPECT_STREQ(w->metaObject()->className(), e.className);

        if (auto* label = qobject_cast<QLabel*>(w); label != nullptr && e.text != nullptr) {
            EXPECT_EQ(label->text(), QString::fromUtf8(e.text));
        }
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            ASSERT_NE(e.text, nullptr);
            EXPECT_EQ(button->text(), QString::fromUtf8(e.text));
            if (button->isCheckable() || qobject_cast<QPushButton*>(w) == nullptr) {
                EXPECT_EQ(button->isChecked(), e.state.checked);
            }
        }
        if (auto* box = qobject_cast<QSpinBox*>(w)) {
            ASSERT_TRUE(e.state.spin.has_value());
            EXPECT_EQ(box->minimum(), static_cast<int>(e.state.spin->min));
            EXPECT_EQ(box->maximum(), static_cast<int>(e.state.spin->max));
            EXPECT_EQ(box->singleStep(), static_cast<int>(e.state.spin->step));
            EXPECT_EQ(box->value(), static_cast<int>(e.state.spin->value));
        }
        if (auto* box = qobject_cast<QDoubleSpinBox*>(w)) {
            ASSERT_TRUE(e.state.spin.has_value());
            EXPECT_EQ(box->decimals(), e.state.spin->decimals);
            EXPECT_DOUBLE_EQ(box->minimum(), e.state.spin->min);
            EXPECT_DOUBLE_EQ(box->maximum(), e.state.spin->max);
            EXPECT_DOUBLE_EQ(box->singleStep(), e.state.spin->step);
            EXPECT_DOUBLE_EQ(box->value(), e.state.spin->value);
        }
        if (auto* box = qobject_cast<QComboBox*>(w)) {
            EXPECT_EQ(box->maxCount(), e.state.maxCount);
            EXPECT_EQ(box->count(), 0);
        }
        if (auto* edit = qobject_cast<QTextEdit*>(w)) {
            EXPECT_EQ(edit->isReadOnly(), e.state.readOnly);
            if (e.state.readOnly) {
                const auto selectable = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
                EXPECT_EQ(edit->textInteractionFlags() & selectable, selectable);
            }
            EXPECT_TRUE(edit->toPlainText().isEmpty());
        }
        if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            EXPECT_EQ(edit->maxLength(), e.state.maxLength);
            EXPECT_TRUE(edit->text().isEmpty());
        }
    }
}

std::vector<std::string> messages;

void recordMessage(QtMsgType, const QMessageLogContext&, const QString& text) {
    messages.push_back(text.toStdString());
}

// Every connection the form makes reaches an existing slot: Qt reports a
// missing one with a warning while the form is set up.
TEST(GuiFormConnectionsTest, SettingUpTheFormWarnsOfNoConnection) {
    gui_test::application();
    auto library = usb::createSocketLibrary({});
    testing_support::ManualClock clock;
    gui_test::ScriptedDialogs dialogs;
    messages.clear();
    const QtMessageHandler previous = qInstallMessageHandler(recordMessage);
    { MainWindow window(*library, clock, dialogs); }
    qInstallMessageHandler(previous);
    for (const std::string& m : messages) {
        EXPECT_EQ(m.find("QObject::connect"), std::string::npos) << m;
    }
}

TEST_F(GuiFormTest, CecExamplesAreOneRichTextLabel) {
    EXPECT_EQ(ui_.label_2->textFormat(), Qt::RichText);
    EXPECT_EQ(gui_test::plainText(ui_.label_2->text()),
              QStringLiteral("Examples:\n"
                             "5f:36 - turn off [broadcast]\n"
                             "50:04 - turn on [TV]\n"
                             "54:44:01 - menu up [playback device 1]\n"
                             "58:44:02 - menu down [playback device 2]\n"
                             "5b:44:40 - toggle power [playback device 3]"));
    // The caption and the device type share one row.
    EXPECT_EQ(ui_.label_28->parentWidget(), ui_.cmbLa->parentWidget());
}

TEST_F(GuiFormTest, CecTextStartsDisabledUntilABoxIsOpen) {
    EXPECT_FALSE(ui_.CECtext->isEnabled());
}

// The window's icon is the program's (packaging_icon_test).
TEST_F(GuiFormTest, WindowTitleAndPicture) {
    EXPECT_EQ(window_.objectName(), QStringLiteral("MainWindow"));
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("VORTILAN2 UTILITY"));
    EXPECT_FALSE(QImage(QStringLiteral(":/Vortilan2_main2.png")).isNull());
    EXPECT_TRUE(ui_.textEdit->toHtml().contains(QStringLiteral("src=\":/Vortilan2_main2.png\"")));
    EXPECT_EQ(ui_.centralwidget->objectName(), QStringLiteral("centralwidget"));
    EXPECT_EQ(window_.statusBar(), ui_.statusbar);
    EXPECT_EQ(window_.menuBar(), ui_.menubar);
    // The information area, the picture and the tabs, from top to bottom.
    window_.show();
    QApplication::processEvents();
    const auto top = [&](QWidget* w) { return w->mapTo(&window_, QPoint(0, 0)).y(); };
    EXPECT_LT(top(ui_.cmbInputSel), top(ui_.frame_2));
    EXPECT_LT(top(ui_.frame_2), top(ui_.textEdit));
    EXPECT_LT(top(ui_.textEdit), top(ui_.tabWidget));
}

TEST_F(GuiFormTest, StatusBarHoldsAHiddenProgressBar) {
    QProgressBar* bar = window_.statusProgressBar();
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->parentWidget(), ui_.statusbar);
    window_.show();
    QApplication::processEvents();
    EXPECT_FALSE(bar->isVisible());
}

TEST_F(GuiFormTest, TenTabsInOrderWithTheMacroTabsInside) {
    const std::pair<const char*, const char*> tabs[] = {
        {"tab", "EDID MANAGER"}, {"tab_17", "SCALER"}, {"tab_2", "HDR IF"}, {"tab_5", "AVI/VSI IF"},
        {"tab_16", "DV / IF"},   {"tab_6", "OSD"},     {"tab_3", "CEC"},    {"tab_8", "RS232"},
        {"tab_7", "MACROS"},     {"tab_4", "CONFIG"},
    };
    ASSERT_EQ(ui_.tabWidget->count(), static_cast<int>(std::size(tabs)));
    for (int i = 0; i < ui_.tabWidget->count(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ui_.tabWidget->widget(i)->objectName(), QLatin1String(tabs[i].first));
        EXPECT_EQ(ui_.tabWidget->tabText(i), QLatin1String(tabs[i].second));
    }
    EXPECT_EQ(ui_.tabWidget->currentIndex(), 0);

    ASSERT_EQ(ui_.tabWidget_2->count(), 2);
    EXPECT_TRUE(ui_.tab_7->isAncestorOf(ui_.tabWidget_2));
    EXPECT_EQ(ui_.tabWidget_2->widget(0), ui_.tab_10);
    EXPECT_EQ(ui_.tabWidget_2->tabText(0), QStringLiteral("MACRO AUTO"));
    EXPECT_EQ(ui_.tabWidget_2->widget(1), ui_.tab_20);
    EXPECT_EQ(ui_.tabWidget_2->tabText(1), QStringLiteral("MACRO CUSTOM"));
    EXPECT_EQ(ui_.tabWidget_2->currentIndex(), 0);
}

TEST_F(GuiFormTest, EdidDataShowsTheHexEditorOrTheDecodedView) {
    ASSERT_EQ(ui_.tabEdidView->count(), 3);
    EXPECT_EQ(ui_.tabEdidView->tabText(0), QStringLiteral("HEX"));
    EXPECT_EQ(ui_.tabEdidView->tabText(1), QStringLiteral("DECODED"));
    EXPECT_EQ(ui_.tabEdidView->tabText(2), QStringLiteral("EDIT"));
    EXPECT_EQ(ui_.tabEdidView->widget(2), &window_.edidEditView());
    EXPECT_TRUE(ui_.tabEdidView->widget(0)->isAncestorOf(ui_.EDIDtext));
    EXPECT_TRUE(ui_.tabEdidView->widget(1)->isAncestorOf(ui_.txtEdidDecoded));
    EXPECT_EQ(ui_.tabEdidView->currentIndex(), 0);
    EXPECT_TRUE(ui_.grpEdidData->isAncestorOf(ui_.tabEdidView));
}

TEST_F(GuiFormTest, EveryTabWidgetLivesOnItsTab) {
    // A sample of each tab: the tables name the page each widget is on.
    const std::pair<const char*, std::vector<const char*>> pages[] = {
        {"tab",
         {"cmBEdid", "cmbEdidTop", "EDIDtext", "ButWriteEDID", "cbAudioTop", "txtEdidDecoded"}},
        {"tab_17", {"cb4k60ModePort0", "cmb1080p30Port1Cs", "cmbPreset4k60Hdr", "cbNoScale"}},
        {"tab_2", {"HDRCustomText", "txtHdrIf", "sbMinLum", "pbCreateIf", "lblHdrPreview"}},
        {"tab_5", {"AVICustomText", "txtVsiIf", "ButWriteVSI"}},
        {"tab_16", {"txtDvBlock", "AUDtext", "lblDvCapsDim"}},
        {"tab_6", {"cbOsdEn", "txtOsdRender", "sbOsdMask1Y1", "textEdit_2"}},
        {"tab_3", {"CECtext", "cmbLa", "cbArcAllowHbr", "cmbCecMessage"}},
        {"tab_8", {"txtRs232", "cmbBaudRate", "pbJvcTest"}},
        {"tab_10", {"cmbJvcPm9", "sbJvcDelay", "pbSetMacro"}},
        {"tab_20", {"cmbMacro0A", "sbMacro5B", "cmbMacro6C", "pbSetMacro2"}},
        {"tab_4", {"leReset", "hdcp14", "sbAudioVolume", "cbMuteBotAudioOn", "enableLed"}},
    };
    for (const auto& [page, names] : pages) {
        QWidget* tab = widget<QWidget>(page);
        ASSERT_NE(tab, nullptr) << page;
        for (const char* name : names) {
            EXPECT_TRUE(tab->isAncestorOf(widget<QWidget>(name))) << name << " on " << page;
        }
    }
}

TEST_F(GuiFormTest, MenusFileEditConfigHelpWithTheirActions) {
    struct Menu {
        const char* name;
        const char* title;
        std::vector<std::pair<const char*, const char*>> actions;
    };
    const Menu menus[] = {
        {"menuFile", "File", {{"actionExit", "Exit"}}},
        {"menuEdit", "Edit", {{"actionUndo", "Undo"}, {"actionRedo", "Redo"}}},
        {"menuConfig", "Config", {{"actionImport", "Import"}, {"actionExport", "Export"}}},
        {"menuHelp", "Help", {{"actionAbout", "About"}}},
    };
    const QList<QAction*> bar = ui_.menubar->actions();
    ASSERT_EQ(bar.size(), static_cast<qsizetype>(std::size(menus)));
    for (std::size_t i = 0; i < std::size(menus); ++i) {
        SCOPED_TRACE(menus[i].name);
        QMenu* menu = bar[static_cast<qsizetype>(i)]->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->objectName(), QLatin1String(menus[i].name));
        EXPECT_EQ(menu->title(), QLatin1String(menus[i].title));
        const QList<QAction*> actions = menu->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(menus[i].actions.size()));
        for (std::size_t j = 0; j < menus[i].actions.size(); ++j) {
            EXPECT_EQ(actions[static_cast<qsizetype>(j)]->objectName(),
                      QLatin1String(menus[i].actions[j].first));
            EXPECT_EQ(actions[static_cast<qsizetype>(j)]->text(),
                      QLatin1String(menus[i].actions[j].second));
        }
    }
}

TEST_F(GuiFormTest, ButtonGroupsAllowOneCheckedMember) {
    const std::map<std::string, std::set<std::string>> groups = {
        {"buttonGroup_8", {"cb2cForce", "cbFull", "cb51", "cbAudioNative", "cbAudioTop"}},
        {"buttonGroup_6",
         {"automixEDID", "customEDID", "rbCopyTopEDID", "rbCopyBotEDID", "fixedEDID"}},
        {"buttonGroup_3", {"cbCustomScale", "cbNoScale", "cbAutoScale"}},
        {"buttonGroup_4", {"hdcp22", "hdcp14"}},
        {"buttonGroup_2", {"autoSwDis", "autoSwEn"}},
        {"buttonGroup_5", {"pPrioForce", "bPrioNorm"}},
        {"buttonGroup_9", {"cbHtpcEnable", "cbHtpcDisable"}},
        {"buttonGroup", {"disableLed", "enableLed"}},
    };
    for (const auto& [name, members] : groups) {
        SCOPED_TRACE(name);
        auto* group = window_.findChild<QButtonGroup*>(QString::fromStdString(name));
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(group->exclusive());
        std::set<std::string> found;
        for (QAbstractButton* b : group->buttons()) {
            found.insert(b->objectName().toStdString());
        }
        EXPECT_EQ(found, members);
        // Checking any member unchecks whichever other member was checked.
        for (const std::string& pick : members) {
            widget<QAbstractButton>(pick.c_str())->click();
            for (QAbstractButton* b : group->buttons()) {
                EXPECT_EQ(b->isChecked(), b->objectName().toStdString() == pick)
                    << "after clicking " << pick << ": " << b->objectName().toStdString();
            }
        }
    }
}

TEST_F(GuiFormTest, FullAudioUnchecksTheOtherAudioChoice) {
    ui_.cb51->click();
    ASSERT_TRUE(ui_.cb51->isChecked());
    ui_.cbFull->click();
    EXPECT_TRUE(ui_.cbFull->isChecked());
    for (QCheckBox* other : {ui_.cb2cForce, ui_.cb51, ui_.cbAudioNative, ui_.cbAudioTop}) {
        EXPECT_FALSE(other->isChecked()) << other->objectName().toStdString();
    }
}

TEST_F(GuiFormTest, MuteRadiosAreExclusiveThroughTheirParentAlone) {
    QAbstractButton* on = ui_.cbMuteBotAudioOn;
    QAbstractButton* off = ui_.cbMuteBotAudioOff;
    EXPECT_EQ(on->group(), nullptr);
    EXPECT_EQ(off->group(), nullptr);
    EXPECT_EQ(on->parentWidget(), off->parentWidget());
    EXPECT_TRUE(on->autoExclusive());

    // Other buttons on the tab keep their states.
    std::map<QAbstractButton*, bool> others;
    for (QAbstractButton* b : ui_.tab_4->findChildren<QAbstractButton*>()) {
        if (b != on && b != off) {
            others[b] = b->isChecked();
        }
    }
    on->click();
    EXPECT_TRUE(on->isChecked());
    EXPECT_FALSE(off->isChecked());
    off->click();
    EXPECT_TRUE(off->isChecked());
    EXPECT_FALSE(on->isChecked());
    for (const auto& [b, checked] : others) {
        EXPECT_EQ(b->isChecked(), checked) << b->objectName().toStdString();
    }
}

TEST_F(GuiFormTest, ResetLineRefusesA51stCharacter) {
    ui_.leReset->setText(QString(60, QLatin1Char('x')));
    EXPECT_EQ(ui_.leReset->text().size(), 50);
}

// At the window's default size every text shows in full and no two widgets
// of a tab overlap, on every tab.
TEST_F(GuiFormTest, EveryTabShowsItsWidgetsWithoutClippingOrOverlap) {
    window_.show();
    QApplication::processEvents();
    const QSize screen(1280, 1024);
    EXPECT_LE(window_.width(), screen.width());
    EXPECT_LE(window_.height(), screen.height());

    std::vector<QWidget*> pages;
    for (int i = 0; i < ui_.tabWidget->count(); ++i) {
        pages.push_back(ui_.tabWidget->widget(i));
    }
    pages.push_back(ui_.tab_20);
    pages.push_back(ui_.centralwidget);

    for (QWidget* page : pages) {
        SCOPED_TRACE(page->objectName().toStdString());
        for (QTabWidget* tabs : {ui_.tabWidget, ui_.tabWidget_2}) {
            if (tabs->indexOf(page) >= 0) {
                tabs->setCurrentWidget(page);
            }
        }
        if (page == ui_.tab_20) {
            ui_.tabWidget->setCurrentWidget(ui_.tab_7);
        }
        QApplication::processEvents();

        std::vector<QWidget*> shown;
        for (const Expected& e : kWidgets) {
            QWidget* w = widget<QWidget>(e.name);
            const bool onPage =
                page == ui_.centralwidget ? !ui_.tabWidget->isAncestorOf(w) : page->isAncestorOf(w);
            if (onPage && w->isVisible()) {
                shown.push_back(w);
            }
        }
        ASSERT_FALSE(shown.empty());
        for (QWidget* w : shown) {
            const bool elastic = w->sizePolicy().horizontalPolicy() == QSizePolicy::Ignored;
            if (!elastic) {
                EXPECT_GE(w->width(), w->minimumSizeHint().width())
                    << w->objectName().toStdString();
            }
            EXPECT_GE(w->height(), w->minimumSizeHint().height()) << w->objectName().toStdString();
        }
        for (std::size_t a = 0; a < shown.size(); ++a) {
            const QRect ra(shown[a]->mapTo(&window_, QPoint(0, 0)), shown[a]->size());
            for (std::size_t b = a + 1; b < shown.size(); ++b) {
                const QRect rb(shown[b]->mapTo(&window_, QPoint(0, 0)), shown[b]->size());
                EXPECT_FALSE(ra.intersects(rb)) << shown[a]->objectName().toStdString() << " and "
                                                << shown[b]->objectName().toStdString();
            }
        }
    }
}

}  // namespace
