// The main window's form as the program shows it before any box is read:
// every widget name that a module's table looks up is in the form with the
// class the window treats it as, the initial states that decide what the
// widgets send, the tabs, the menus, the exclusive button groups, and a
// layout that shows every text in full. Captions are left to the form.
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
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>
#include <climits>
#include <map>
#include <optional>
#include <set>

#include "packets/Senders.h"
#include "qt/ChromaticityDiagram.h"
#include "qt/EdidEditView.h"
#include "qt/ItemLists.h"
#include "qt/LuminanceBar.h"
#include "qt/MainWindow.h"
#include "settings/RegisterMap.h"
#include "status/SettingsMirror.h"
#include "status/SignalInfo.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/support/ManualClock.h"
#include "ui_VortilanForm.h"
#include "usb/SocketLibrary.h"

namespace {

// What the window does with a widget it finds by name, and so the class it
// must have.
enum class Use {
    Checkable,  // checked and unchecked (QAbstractButton::setChecked, isChecked)
    Combo,      // current index (QComboBox)
    Spin,       // integer value (QSpinBox)
    Label,      // text (QLabel)
    Text,       // text (QLabel, QTextEdit or QLineEdit)
    Editor,     // plain text (QTextEdit)
    LineEdit,   // text (QLineEdit)
    Any,        // enabled or visible
};

const char* useName(Use use) {
    switch (use) {
        case Use::Checkable: return "a checkable button";
        case Use::Combo: return "a combo box";
        case Use::Spin: return "a spin box";
        case Use::Label: return "a label";
        case Use::Text: return "a label or text editor";
        case Use::Editor: return "a text editor";
        case Use::LineEdit: return "a line editor";
        case Use::Any: return "a widget";
    }
    return "";
}

bool fits(QWidget* w, Use use) {
    switch (use) {
        case Use::Checkable: {
            auto* b = qobject_cast<QAbstractButton*>(w);
            return b != nullptr && b->isCheckable();
        }
        case Use::Combo: return qobject_cast<QComboBox*>(w) != nullptr;
        case Use::Spin: return qobject_cast<QSpinBox*>(w) != nullptr;
        case Use::Label: return qobject_cast<QLabel*>(w) != nullptr;
        case Use::Text:
            return qobject_cast<QLabel*>(w) != nullptr || qobject_cast<QTextEdit*>(w) != nullptr ||
                   qobject_cast<QLineEdit*>(w) != nullptr;
        case Use::Editor: return qobject_cast<QTextEdit*>(w) != nullptr;
        case Use::LineEdit: return qobject_cast<QLineEdit*>(w) != nullptr;
        case Use::Any: return true;
    }
    return false;
}

// How the register map reads the widgets of a row (settings/RegisterMap.h).
Use useOf(const boxsettings::RegisterSlot& row, std::size_t index) {
    using E = boxsettings::Encoding;
    switch (row.encoding) {
        case E::Index:
        case E::IndexPlus1:
        case E::PresetCode:
            return Use::Combo;
        case E::LowByte:
            return Use::Spin;
        case E::FactoryReset:
            return index == 0 ? Use::LineEdit : Use::Checkable;
        case E::Flag:
        case E::Bits:
        case E::ScaleMode:
        case E::EdidMode:
        case E::Hdcp:
        case E::AudioCode:
        case E::Always1:
            break;
    }
    return Use::Checkable;
}

Use useOf(boxstatus::WidgetAction action) {
    switch (action) {
        case boxstatus::WidgetAction::SetChecked: return Use::Checkable;
        case boxstatus::WidgetAction::SetCurrentIndex: return Use::Combo;
        case boxstatus::WidgetAction::SetValue: return Use::Spin;
        case boxstatus::WidgetAction::SetText: return Use::Label;
        case boxstatus::WidgetAction::SetEnabled:
        case boxstatus::WidgetAction::SetVisible:
            break;
    }
    return Use::Any;
}

// Every widget name the modules look up, with how the window uses it: the
// settings register map, the settings mirror of the status poll (for the PCB
// revisions and with values set and clear), the signal texts (with both
// inputs routed, every text shows) and the editors of the packet senders.
std::vector<std::pair<std::string, Use>> namesTheModulesUse() {
    std::vector<std::pair<std::string, Use>> names;
    for (const boxsettings::RegisterSlot& row : boxsettings::registerMap()) {
        const auto widgets = row.widgetList();
        for (std::size_t i = 0; i < widgets.size(); ++i) {
            names.emplace_back(std::string(widgets[i]), useOf(row, i));
        }
    }
    for (const std::uint8_t fill : std::initializer_list<std::uint8_t>{0x00, 0x01, 0xFF}) {
        for (const std::uint8_t pcb : std::initializer_list<std::uint8_t>{0, 1, 2, 3}) {
            const std::vector<std::uint8_t> status(boxstatus::kStatusLength, fill);
            const std::vector<std::uint8_t> page11(boxstatus::kOsdParamsLength, fill);
            const std::vector<std::uint8_t> page12(boxstatus::kOsdTextLength, fill);
            for (const auto& op : boxstatus::settingsMirror({status, page11, page12, pcb})) {
                names.emplace_back(std::string(op.widget), useOf(op.action));
            }
        }
    }
    for (const auto& update : boxstatus::signalTexts(boxstatus::PageSet{}, 2)) {
        names.emplace_back(std::string(update.widget), Use::Text);
    }
    for (const packets::Sender& sender : packets::senders()) {
        names.emplace_back(std::string(sender.editor), Use::Editor);
    }
    return names;
}

struct Spin {
    const char* name;
    double min;
    double max;
    double step;
    double value;
    int decimals;
};

// The spin boxes: their ranges bound what the window sends, and the values of
// those no box page fills (the HDR composer's) are sent as they are.
const Spin kSpinBoxes[] = {
    {"sbMaxLum", 0, 65535, 1, 4000, 0},
    {"sbMinLum", 0.0, 6.5535, 0.0001, 0.005, 4},
    {"sbMaxCLL", 0, 65535, 1, 1000, 0},
    {"sbMaxFALL", 0, 65535, 1, 400, 0},
    {"sbOsdMask1X0", 1, 1920, 1, 1, 0},
    {"sbOsdMask1Y0", 1, 1080, 1, 950, 0},
    {"sbOsdMask1X1", 0, 1920, 1, 1920, 0},
    {"sbOsdMask1Y1", 0, 1080, 1, 1080, 0},
    {"sbOsdLocX", 1, 1920, 1, 1, 0},
    {"sbOsdLocY", 1, 1080, 1, 1, 0},
    {"sbCustomOsdLocY", 1, 1920, 1, 20, 0},
    {"sbCustomOsdLocX", 1, 1080, 1, 20, 0},
    {"sbOsdColorFg", 0, 31, 1, 1, 0},
    {"sbOsdColorBg", 0, 31, 1, 1, 0},
    {"sbOsdColorBgRate", 1, 7, 1, 1, 0},
    {"sbOsdFadeValue", 0, 255, 1, 0, 0},
    {"sbOsdMask1Rate", 1, 7, 1, 1, 0},
    {"sbOsdMask1GrayScale", 0, 15, 1, 0, 0},
    {"sbJvcDelay", 1, 60, 1, 1, 0},
    {"sbMacro4B", 0.0, 65535.0, 1, 4000.0, 0},
    {"sbMacro3B", 0.0, 65535.0, 1, 1100.0, 0},
    {"sbMacro2B", 0.0, 65535.0, 1, 1100.0, 0},
    {"sbMacro1B", 0.0, 65535.0, 1, 0.0, 0},
    {"sbMacro0B", 0.0, 65535.0, 1, 0.0, 0},
    {"sbMacro5B", 0.0, 65535.0, 1, 4000.0, 0},
    {"sbAudioVolume", -102, 12, 1, 0, 0},
    {"sbAudioBass", -10, 10, 1, 0, 0},
    {"sbAudioTreble", -10, 10, 1, 0, 0},
};

// The buttons checked in the form; every other button starts unchecked.
const std::set<std::string> kCheckedAtStart = {
    "automixEDID", "cbHdr",  "cbYUV",         "cbHlg",  "cbDv",     "cbDvLimit",
    "cbDvRemove",  "cbCec",  "cbArcAllowHbr", "hdcp14", "autoSwEn", "bPrioNorm",
};

// The text editors the user reads only (decoded and captured texts); every
// other one takes typing.
const std::set<std::string> kReadOnlyEditors = {
    "txtEdidDecoded", "txtAviIf", "txtVsiIf", "txtHfvIf",
    "AUDtext",        "txtSpdIf", "txtHvsIf", "txtDvBlock",
};

// Combo boxes that hold at most so many items: each list must fit.
const std::pair<const char*, int> kMaxItems[] = {
    {"cmBEdid", 100}, {"cmbEdidTop", 101}, {"cmbHdrEotf", 10}, {"cmbLa", 15}};

// The widgets of the form that show something of their own, less the inner
// parts of other widgets (a spin box's line editor, a combo box's list).
std::vector<QWidget*> formWidgets(QWidget& window) {
    std::vector<QWidget*> widgets;
    const auto shows = [](QObject* o) {
        return qobject_cast<QLabel*>(o) != nullptr || qobject_cast<QAbstractButton*>(o) != nullptr ||
               qobject_cast<QComboBox*>(o) != nullptr ||
               qobject_cast<QAbstractSpinBox*>(o) != nullptr ||
               qobject_cast<QTextEdit*>(o) != nullptr || qobject_cast<QLineEdit*>(o) != nullptr ||
               qobject_cast<gui::ChromaticityDiagram*>(o) != nullptr ||
               qobject_cast<gui::LuminanceBar*>(o) != nullptr;
    };
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")) ||
            !shows(w) || qobject_cast<QTabBar*>(w->parentWidget()) != nullptr) {
            continue;
        }
        bool inner = false;
        for (QWidget* p = w->parentWidget(); p != nullptr && p != &window; p = p->parentWidget()) {
            inner = inner || shows(p);
        }
        if (!inner) {
            widgets.push_back(w);
        }
    }
    return widgets;
}

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

TEST_F(GuiFormTest, EveryWidgetNameTheModulesUseIsInTheFormWithItsClass) {
    const auto names = namesTheModulesUse();
    ASSERT_GT(names.size(), 100u);
    for (const auto& [name, use] : names) {
        const QList<QWidget*> found = window_.findChildren<QWidget*>(QString::fromStdString(name));
        ASSERT_EQ(found.size(), 1) << name;
        EXPECT_TRUE(fits(found.front(), use))
            << name << " is a " << found.front()->metaObject()->className() << ", not "
            << useName(use);
    }
}

// Each settings slot of the register map is a slot of the window.
TEST_F(GuiFormTest, EverySlotOfTheRegisterMapIsAWindowSlot) {
    for (const boxsettings::RegisterSlot& row : boxsettings::registerMap()) {
        const std::string signature = std::string(row.slot) + "()";
        EXPECT_GE(window_.metaObject()->indexOfSlot(signature.c_str()), 0) << row.slot;
    }
}

TEST_F(GuiFormTest, InitialStatesThatDecideWhatIsSent) {
    for (const Spin& e : kSpinBoxes) {
        SCOPED_TRACE(e.name);
        if (auto* box = widget<QSpinBox>(e.name)) {
            EXPECT_EQ(e.decimals, 0);
            EXPECT_EQ(box->minimum(), static_cast<int>(e.min));
            EXPECT_EQ(box->maximum(), static_cast<int>(e.max));
            EXPECT_EQ(box->singleStep(), static_cast<int>(e.step));
            EXPECT_EQ(box->value(), static_cast<int>(e.value));
        } else if (auto* real = widget<QDoubleSpinBox>(e.name)) {
            EXPECT_EQ(real->decimals(), e.decimals);
            EXPECT_DOUBLE_EQ(real->minimum(), e.min);
            EXPECT_DOUBLE_EQ(real->maximum(), e.max);
            EXPECT_DOUBLE_EQ(real->singleStep(), e.step);
            EXPECT_DOUBLE_EQ(real->value(), e.value);
        } else {
            ADD_FAILURE() << "no spin box";
        }
    }
    // Every spin box of the form is in the table.
    std::set<std::string> spins;
    for (const Spin& e : kSpinBoxes) {
        spins.insert(e.name);
    }
    for (QAbstractSpinBox* box : window_.findChildren<QAbstractSpinBox*>()) {
        EXPECT_EQ(spins.count(box->objectName().toStdString()), 1u) << box->objectName().toStdString();
    }

    for (QAbstractButton* button : window_.findChildren<QAbstractButton*>()) {
        const std::string name = button->objectName().toStdString();
        if (button->isCheckable()) {
            EXPECT_EQ(button->isChecked(), kCheckedAtStart.count(name) == 1) << name;
        }
    }
    // The form holds no items: the start-up fills the lists once.
    for (QComboBox* box : window_.findChildren<QComboBox*>()) {
        const std::string name = box->objectName().toStdString();
        EXPECT_EQ(box->count(), 0) << name;
        int maxCount = INT_MAX;
        for (const auto& [limited, count] : kMaxItems) {
            if (name == limited) {
                maxCount = count;
            }
        }
        EXPECT_EQ(box->maxCount(), maxCount) << name;
    }
    EXPECT_EQ(ui_.cmBEdid->maxCount(), static_cast<int>(gui::items::kEdidTables.size()));
    EXPECT_EQ(ui_.cmbEdidTop->maxCount(), static_cast<int>(gui::items::kEdidTablesTop.size()));
    EXPECT_GE(ui_.cmbHdrEotf->maxCount(), static_cast<int>(gui::items::kHdrEotfs.size()));
    EXPECT_GE(ui_.cmbLa->maxCount(), static_cast<int>(gui::items::kCecDeviceTypes.size()));

    for (QTextEdit* edit : window_.findChildren<QTextEdit*>()) {
        const std::string name = edit->objectName().toStdString();
        if (edit == ui_.textEdit) {
            continue;  // the picture
        }
        EXPECT_EQ(edit->isReadOnly(), kReadOnlyEditors.count(name) == 1) << name;
        if (edit->isReadOnly()) {
            const auto selectable = Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard;
            EXPECT_EQ(edit->textInteractionFlags() & selectable, selectable) << name;
        }
        EXPECT_TRUE(edit->toPlainText().isEmpty()) << name;
    }
    for (QLineEdit* edit : window_.findChildren<QLineEdit*>()) {
        if (qobject_cast<QAbstractSpinBox*>(edit->parentWidget()) != nullptr) {
            continue;
        }
        EXPECT_TRUE(edit->text().isEmpty()) << edit->objectName().toStdString();
    }
    // What the infoframe in HDRCustomText says; empty until it holds one.
    EXPECT_TRUE(ui_.lblHdrPreview->text().isEmpty());
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
        for (QWidget* w : formWidgets(window_)) {
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
