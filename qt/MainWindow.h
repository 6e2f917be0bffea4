// The utility's one window: the form, the start-up that finds and reads the
// box, the status timer and the ways the program ends. It owns the link to
// the box and reports for it (status bar, the dialog seam).
//
// The window's slots live in files by subject (MainWindow_<subject>.cpp);
// this file and MainWindow.cpp hold the lifecycle, MainWindow_startup.cpp the
// start-up readback.
#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "config/BoxConfig.h"
#include "config/Snapshot.h"
#include "edid/Image.h"
#include "edid/Parse.h"
#include "edid/Transfer.h"
#include "link/BoxCommands.h"
#include "link/BoxState.h"
#include "link/LinkUi.h"
#include "link/PageReads.h"
#include "link/UsbLink.h"
#include "packets/Senders.h"
#include "qt/Dialogs.h"
#include "qt/StartupReadback.h"
#include "status/SettingsMirror.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

class QProgressBar;
class QTextEdit;
class QTimer;

namespace edid {
struct DecodedEdid;
}
namespace gui {
class EdidEditView;
class EdidUndo;
}

namespace Ui {
class MainWindow;
}

// The status-bar text while the box is gone, and once it is back.
inline constexpr char kDisconnectedText[] = "VORTILAN2 disconnected";
inline constexpr char kReconnectedText[] = "VORTILAN2 connected";

// The utility's version, shown in lblGuiVer, the About box and the
// configuration file.
inline constexpr const char* guiVersionText = config::kGuiVersionText;

class MainWindow : public QMainWindow, public boxlink::LinkUi {
    Q_OBJECT

public:
    static constexpr int kStatusIntervalMs = 2000;

    // The program's window: the USB back end of usb::createLibrary(), the
    // system clock and real message boxes.
    explicit MainWindow(QWidget* parent = nullptr);
    // A window on the given USB library, clock and dialogs, which must
    // outlive it.
    MainWindow(usb::Library& library, usb::Clock& clock, gui::Dialogs& dialogs,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // boxlink::LinkUi: the status bar and the link's owner-less warning box.
    void showStatus(const std::string& text, int timeoutMs) override;
    void showLinkWarning(const std::string& text) override;
    // While an exchange waits the window keeps painting, with a busy cursor
    // after a moment; when the box is gone it says so and looks for it
    // (MainWindow_connection.cpp).
    void waiting(std::uint32_t elapsedMs) override;
    void waitOver() override;
    void boxGone() override;

    // The status-bar text when a box is there that this user may not open.
    static std::string accessDeniedStatus();
    // How often the window looks for a box that is gone or was not there.
    static constexpr int kSearchIntervalMs = 2000;
    // The box went away (or was never found) and the window looks for it.
    bool boxAway() const { return boxAway_; }
    QTimer* searchTimer() const { return searchTimer_; }
    // The USB back end tells the window at once when a box comes or goes.
    bool watchesDevices() const { return watchesDevices_; }
    // Every kSearchIntervalMs while the box is away: finds and opens it
    // without a message box, then reads it into the window again.
    void lookForBox();

    // The status timer: one Qt timer on this window. A second start while it
    // runs, or a stop while it does not, does nothing.
    void startStatusTimer(int intervalMs);
    void stopStatusTimer();
    bool isStatusTimerRunning() const { return statusTimerRunning != 0; }
    int statusTimer() const { return statusTimerId; }

    // How FileExit() ends the process once the link is closed; the program
    // ends at once (std::exit). Tests put a recorder here.
    void setEndProcess(std::function<void(int)> endProcess) { endProcess_ = std::move(endProcess); }

    Ui::MainWindow* form() const { return ui; }
    QProgressBar* statusProgressBar() const { return progressBar; }
    boxlink::UsbLink& link() { return link_; }
    // The undo history of the EDID editor: every change of its text is a
    // step; an edit made by the window goes through its apply().
    gui::EdidUndo& edidUndo() { return *edidUndo_; }
    // The EDIT view of the EDID DATA tab (MainWindow_edit.cpp).
    gui::EdidEditView& edidEditView() { return *editView_; }
    boxlink::BoxCommands& commands() { return commands_; }

    // What the window knows of the box: the EP-state mirror, the PCB
    // revision and the text of the last EDID read (cleared by the EDID file,
    // checksum and upload slots and by the configuration export and import).
    // Writes are enabled once the start-up has read the box and filled the
    // widgets, and held back again while the box is gone.
    boxlink::BoxState& state() { return state_; }
    const boxlink::BoxState& state() const { return state_; }

    // Reads one of the box's EDIDs into the state's EDID text; with show, also into the
    // EDIDtext editor with a success message. False when a chunk read failed;
    // the editor then keeps its text (MainWindow_edid.cpp).
    bool readEdidFromBox(edid::EdidSource source, bool show);

public slots:
    // Shows the status-bar progress bar at value of maximum; hides it when
    // either is not above 0.
    void on_ProgressChange(int value, int maximum);

protected:
    void timerEvent(QTimerEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

    // The status poll of start-up step 6 and of every timer tick:
    // refreshSettingsMirror(), then refreshSignalInfo() (MainWindow_status.cpp).
    // Once an exchange of a poll gets no answer at all, the rest of that poll
    // fails at once instead of waiting for a silent box again and again.
    // Virtual so that tests can watch the ticks; the start-up, which runs
    // inside the constructor, always runs this class's own poll.
    virtual void runStatusPoll();
    // The box's settings state into the settings widgets.
    void refreshSettingsMirror();
    // The live signal texts, captured infoframes and decoded HDR and Dolby
    // Vision metadata.
    void refreshSignalInfo();

private slots:
    void FileExit();
    void FileAbout();
    // Edit menu: undo and redo of the EDID editor (MainWindow_pictures.cpp).
    void EditUndo();
    void EditRedo();

    // Settings slots (MainWindow_settings.cpp): each writes its register(s)
    // at once and keeps the mirror byte in the EP state.
    void SetActivePort();
    void SetAutoSwitch();
    void setSwPriority();
    void setAutoScale();
    void SetHDCP_Version();
    void setAudioFlags();
    void setBt2020();
    void setYUV();
    void set3D();
    void forceHdr();
    void setDolbyVision();
    void setHdrCustom();
    void setHdrDisable();
    void setAviCustom();
    void setAviDisable();
    void setVsiCustom();
    void setVsiDisable();
    void setPreset4k30Mode();
    void setPreset4k60Mode();
    void setPreset4k60HdrMode();
    void setLogoLed();
    void setCEC();
    void setCecLa();
    void setHtpcMode();
    void setHotPlug();
    void factoryReset();
    void setBaudRate();
    void setArcHbr();
    void setAutoScaleNoUpscale();
    void setAudioVolBassTreb();
    void setMuteAudioBot();
    void setHdrOptions();
    // EP state bytes 0 to 39 in one block; no widget is connected to it.
    void SetEPState();

    // EDID slots (MainWindow_edid.cpp): reads of the box's EDIDs into the
    // editor, the upload into a custom table, checksums, files, EDID mode and
    // tables.
    void ReadEDID();
    void readTvEdidA();
    void readTvEdidB();
    void readRxBotEdid();
    void readRxTopEdid();
    void WriteEDID();
    void CalculateChkSum();
    bool LoadEDIDfromFile();
    bool SaveEDIDtoFile();
    void SetEDID_Mode();
    void changeCustomEdid();
    void setEdidAlgo();
    // The decoded view of what the EDID editor holds, or why it cannot be
    // decoded; follows every change of the editor's text.
    void showEdidDecode();
    // Configuration files (MainWindow_config.cpp): the whole box into a
    // file, and a file's settings into the box.
    bool SaveVortilanEpStateToFile();
    bool LoadVortilanEpStateFromFile();

    // Custom packet slots (MainWindow_packets.cpp): each reads its widgets,
    // lets packets/ build and send the request and shows the outcome.
    // Byte lists typed by the user; true when the box took the packet.
    bool sendHDR();
    bool sendAVI();
    bool sendVsi();
    bool setDvBlock();  // no widget is connected to it
    bool WriteCEC();
    // The HDR infoframe from the composer's widgets into HDRCustomText.
    bool createHdrIf();
    // What the infoframe in HDRCustomText says, into lblHdrPreview.
    void previewHdrIf();
    // The common CEC message picked in cmbCecMessage into CECtext.
    void insertCecMessage();
    void setOsdCustomText();
    void setOsdParam();
    void setMacro();
    bool setJvcRs232();
    void setPort0ScalePara();
    void setPort1ScalePara();
    // Connected by name: each switches the threshold box of its rule
    // between cd/m2 and the minimum brightness's 0.0001 steps.
    void on_cmbMacro0A_currentIndexChanged();
    void on_cmbMacro1A_currentIndexChanged();
    void on_cmbMacro2A_currentIndexChanged();
    void on_cmbMacro3A_currentIndexChanged();
    void on_cmbMacro4A_currentIndexChanged();
    void on_cmbMacro5A_currentIndexChanged();

private:
    MainWindow(std::unique_ptr<usb::Library> ownedLibrary, usb::Library* library, usb::Clock& clock,
               std::unique_ptr<gui::Dialogs> ownedDialogs, gui::Dialogs* dialogs, QWidget* parent);

    // The second half of construction: find, open and read the box.
    void initDevice();

    // Connection (MainWindow_connection.cpp). After the box was opened: the
    // start-up readback, one status poll and the timer. The first time also
    // fills the item lists and reads the EDID of input port 0 into the editor.
    void readBoxIntoWindow(bool firstTime);
    // A box came or went (the back end's hot-plug): look for it now, or
    // find out whether the open one is still there.
    void devicesChanged();
    // Starts looking for the box; the signal texts show as not current.
    void startLookingForBox();
    // The signal texts greyed (not current) or not.
    void showSignalTextsCurrent(bool current);
    // A tick while the box is silent: sends a probe, or finds that the box
    // answered the last one and polls again.
    void probeSilentBox();

    // Start-up readback (MainWindow_startup.cpp): the pages of
    // gui::readback::kStartupPageReads into the widgets.
    void fillFromStartupPages(const boxlink::PageReads& pages);
    void fillOsdParameters(gui::readback::Page page11);
    void fillComboBoxItems();
    void fillMacros(gui::readback::Page page65);
    void fillScaler(gui::readback::Page page9, gui::readback::Page page10);
    void fillStoredInfoframes(const boxlink::PageReads& pages);
    void fillOsdCustomText(gui::readback::Page page12);
    void fillSignalLabels(gui::readback::Page page1, gui::readback::Page page5,
                          gui::readback::Page page6);

    // Sends what the register map says the named settings slot sends, and
    // stores the mirror bytes.
    void runSettingSlot(std::string_view slot);

    // The settings a configuration file carries, from the widgets and
    // the EP state; and back into them, without the widgets sending anything.
    config::Snapshot configSnapshot() const;
    void showConfigSnapshot(const config::Snapshot& snapshot);
    std::vector<QObject*> scalerWidgets() const;
    class ConfigImportView;  // the import's progress in the status bar

    // EDID work of the slots (MainWindow_edid.cpp).
    edid::BoxAccess edidAccess();
    // The editor's text into image.
    edid::ParseResult parseEdidText(edid::EdidImage& image) const;
    // The editor's EDID when it is longer than a box's table (whole blocks
    // beyond 256 values), which parseEdidText refuses; none otherwise.
    std::optional<std::vector<std::uint8_t>> longerEdid(const edid::ParseResult& parsed) const;
    // Uploads the editor's text into the table that cmBEdid selects.
    bool writeEdidToBox();
    // The bytes into the editor: lines of 16 values, each block's checksum in bold.
    void showEdidHexView(std::span<const std::uint8_t> bytes);

    // The colour pictures (MainWindow_pictures.cpp): the EDID's colour
    // characteristics (nothing when decoded is null), the captured HDR
    // infoframe and Dolby Vision block of a poll, the custom HDR infoframe.
    void showEdidColour(const edid::DecodedEdid* decoded);
    void showSignalPictures(const boxlink::PageSpans& pages);
    void showCustomHdrPictures(std::string_view text);

    // The EDIT view (MainWindow_edit.cpp): made and wired once; fed with the
    // image the HEX view holds, or with why it holds none to edit.
    void setupEditView();
    void showEdidEdit(const edid::EdidImage* image, const std::string& problem);

    // The text editor of a byte-list sender.
    QTextEdit* editor(const packets::Sender& sender) const;
    // Sends the byte list of a sender's editor and reports the outcome.
    bool sendByteList(packets::SenderId id);
    // Shows a send's message and sends the register write that follows it,
    // storing its mirror byte.
    void report(const packets::SendResult& result);

    std::unique_ptr<usb::Library> ownedLibrary_;
    std::unique_ptr<gui::Dialogs> ownedDialogs_;
    usb::Library& library_;
    usb::Clock& clock_;
    gui::Dialogs& dialogs_;

    Ui::MainWindow* ui = nullptr;
    // The status-bar progress bar of the EDID transfers; hidden until used.
    QProgressBar* progressBar = nullptr;

    boxlink::BoxState state_;
    boxlink::UsbLink link_;
    boxlink::BoxCommands commands_;
    gui::EdidUndo* edidUndo_ = nullptr;
    gui::EdidEditView* editView_ = nullptr;

    int statusTimerId = 0;
    std::uint32_t statusTimerRunning = 0;
    // The box's audio levels at the last mirror applied; the audio level spin
    // boxes follow only a change from these (status/SettingsMirror.h).
    std::optional<boxstatus::AudioLevels> lastAudioLevels_;

    std::function<void(int)> endProcess_;

    QTimer* searchTimer_ = nullptr;
    bool boxAway_ = false;
    // The item lists of the combo boxes are filled (once, at the first readback).
    bool itemsFilled_ = false;
    bool busyCursor_ = false;
    bool probeSent_ = false;
    // The window was closed while an exchange waited; it closes after it.
    bool closePending_ = false;
    bool watchesDevices_ = false;
};
