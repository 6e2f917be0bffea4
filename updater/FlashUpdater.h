// One update run: the control commands, sector erase and 32-byte page writes
// that put an FPGA image and, after a "1A70" image, four OSD parts into the
// box's SPI flash. Runs on the worker thread; reports through UpdaterUi.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "UpdaterLink.h"
#include "UpdaterUi.h"
#include "usb/Clock.h"
#include "usb/UsbLibrary.h"

namespace updater {

inline constexpr std::uint8_t CMD_SPI = 0xD0;
inline constexpr std::uint8_t CMD_SPI_SPEED = 0xD5;
inline constexpr std::uint8_t CMD_FPGA_NORMAL = 0xD6;
inline constexpr std::uint8_t CMD_PAGE_WRITE = 0xD7;
inline constexpr std::uint8_t CMD_FPGA_RESET = 0xD8;
inline constexpr std::uint8_t CMD_WRITE_ACTIVE = 0xD9;
inline constexpr std::uint8_t CMD_READY_POLL = 0xDA;
inline constexpr std::uint8_t CMD_UPDATE_BEGIN = 0xDB;
inline constexpr std::uint8_t CMD_UPDATE_OK = 0xDC;

inline constexpr std::uint32_t kChunkSize = 32;
inline constexpr std::uint16_t kReadyPollCycles = 2000;
inline constexpr std::uint32_t kReadyPollPauseMs = 10;
inline constexpr std::uint32_t kStepPauseMs = 1000;
inline constexpr std::uint32_t kRetransmitPauseMs = 1000;
inline constexpr std::uint32_t kErasePauseMs = 3;
inline constexpr std::uint32_t kBusyPollPauseMs = 1;
// How long one sector may stay busy after its erase: the flash's datasheet
// time (a few seconds at most) with a wide margin.
inline constexpr std::uint32_t kSectorEraseLimitMs = 10000;
inline constexpr std::uint32_t kProgressEvery = 64;  // the line follows 64 quiet attempts

inline constexpr char kCriticalCaption[] = "Critical Error!!! ";

enum class RunEnd {
    Stopped,    // ended before anything was sent (a file problem) or without a box
    Succeeded,  // the window closes, the program ends with status 0
    Fatal,      // a step failed; the program ends with status 1
};

class FlashUpdater {
public:
    // Image files are looked up in searchDirs, in order.
    FlashUpdater(usb::Library& library, usb::Clock& clock, UpdaterUi& ui,
                 std::vector<std::filesystem::path> searchDirs);

    // The whole run of the menu command "U&pdate Firmware".
    RunEnd run();

    // Every file the run will write exists, carries a known ImageHeader and
    // fits in its range; otherwise says which file and why, and returns false.
    bool checkImageFiles();

    bool fpgaControl(std::uint8_t code);
    bool selectSpiSpeed();
    bool waitReady();
    bool eraseSectors(std::uint8_t firstSector, std::uint8_t sectorCount);
    bool writeImageFile(const std::string& name);
    // Codes 1 to 8 end the run: status text, message, close of the box, and
    // the end of the program with status 1; returns true for them. A code
    // raised after the run has already ended that way does nothing more.
    bool fatalError(std::uint8_t code);

    UpdaterLink& link() { return link_; }
    bool morePartsFlag() const { return morePartsFlag_ != 0; }
    std::uint16_t readyPollCounter() const { return readyPollCounter_; }

private:
    bool controlWithRetry(std::uint8_t code, const std::string& firstLine,
                          const std::string& retryLine, const char* failure);
    bool writeChunks(const std::vector<std::uint8_t>& payload, std::uint32_t address);
    RunEnd fatalEnd(std::uint8_t code);
    void draw(const std::string& text, std::size_t width, int y);

    usb::Clock& clock_;
    UpdaterUi& ui_;
    UpdaterLink link_;
    std::vector<std::filesystem::path> searchDirs_;
    std::uint8_t morePartsFlag_ = 0;
    std::uint16_t readyPollCounter_ = 0;
    bool fatalRaised_ = false;
};

}  // namespace updater
