#include "FlashUpdater.h"

#include <algorithm>
#include <array>
#include <cstdio>

#include "ImageFile.h"
#include "Lines.h"

namespace updater {

namespace {

std::uint8_t negatedSum(const std::uint8_t* data, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i) {
        sum += data[i];
    }
    return static_cast<std::uint8_t>(0x100 - (sum & 0xFF));
}

struct ControlLine {
    std::uint8_t code;
    const char* text;
    std::size_t width;
};

constexpr std::array<ControlLine, 5> kControlLines{{
    {CMD_FPGA_NORMAL, "FPGA normal", 40},
    {CMD_FPGA_RESET, "FPGA reset active", 33},
    {CMD_WRITE_ACTIVE, "Write active, please wait...", 34},
    {CMD_UPDATE_BEGIN, "Update process, please wait", 34},
    {CMD_UPDATE_OK, "Update ok...", 34},
}};

// A status text and the width it is padded to.
struct PaddedText {
    const char* text;
    std::size_t width;
};

// Status texts of fatalError, by code 1 to 8.
constexpr std::array<PaddedText, 8> kFatalTexts{{
    {"SPI Speed error", 36},
    {"Select Flash error", 36},
    {"Boot error", 36},
    {"Flash Read error", 36},
    {"Write error", 36},
    {"Chip Erase error", 36},
    {"Chip Write error", 36},
    {"Chip Erase error", 37},
}};

// The line drawn before each OSD part, parts 2 to 5.
constexpr std::array<PaddedText, 4> kPartLines{{
    {"Writing part 2 ...", 32},
    {"Writing part 3 ...", 32},
    {"Writing part 4 ...", 32},
    {"Writing part 5 ...", 31},
}};

// Turns the link's quiet-repeats mode on for the life of the object.
class QuietRepeats {
public:
    explicit QuietRepeats(UpdaterLink& link) : link_(link) { link_.setQuietRepeats(true); }
    ~QuietRepeats() { link_.setQuietRepeats(false); }
    QuietRepeats(const QuietRepeats&) = delete;
    QuietRepeats& operator=(const QuietRepeats&) = delete;

private:
    UpdaterLink& link_;
};

}  // namespace

FlashUpdater::FlashUpdater(usb::Library& library, usb::Clock& clock, UpdaterUi& ui,
                           std::vector<std::filesystem::path> searchDirs)
    : clock_(clock), ui_(ui), link_(library, clock, ui), searchDirs_(std::move(searchDirs)) {}

void FlashUpdater::draw(const std::string& text, std::size_t width, int y) {
    ui_.drawLine(padded(text, width), y);
}

bool FlashUpdater::controlWithRetry(std::uint8_t code, const std::string& firstLine,
                                    const std::string& retryLine, const char* failure) {
    if (!firstLine.empty()) {
        ui_.drawLine(firstLine, kStatusRow);
    }
    const std::uint8_t packet[] = {0x01, 0x01, code};
    std::uint8_t answer = 0;
    bool ok = link_.exchange(packet, sizeof packet, &answer, 1) && answer == code;
    if (!ok) {
        ok = link_.exchange(packet, sizeof packet, &answer, 1) && answer == code;
        ui_.drawLine(retryLine, kStatusRow);
    }
    if (!ok) {
        ui_.messageBox(failure, kCriticalCaption, MessageIcon::Warning);
    }
    return ok;
}

bool FlashUpdater::fpgaControl(std::uint8_t code) {
    std::string line;
    for (const ControlLine& c : kControlLines) {
        if (c.code == code) {
            line = padded(c.text, c.width);
        }
    }
    return controlWithRetry(code, line, padded("Reset FPGA error:  retransmit...", 47),
                            "ERROR Resetting FPGA!");
}

bool FlashUpdater::selectSpiSpeed() {
    return controlWithRetry(CMD_SPI_SPEED, padded("Spi speed = 12 MHz", 34),
                            padded("Select Speed error:  retransmit...", 38),
                            "ERROR Selecting Speed!");
}

bool FlashUpdater::waitReady() {
    // The same failure would otherwise show its box in every one of 2000 cycles.
    QuietRepeats quiet(link_);
    const std::uint8_t packet[] = {0x01, 0x01, CMD_READY_POLL};
    readyPollCounter_ = kReadyPollCycles;
    for (;;) {
        std::uint8_t answer[2] = {0, 0};
        if (link_.exchange(packet, sizeof packet, answer, sizeof answer) &&
            answer[0] == CMD_READY_POLL && answer[1] == 0x01) {
            return true;
        }
        clock_.sleepMs(kReadyPollPauseMs);
        if (--readyPollCounter_ == 0) {
            return false;
        }
    }
}

bool FlashUpdater::eraseSectors(std::uint8_t firstSector, std::uint8_t sectorCount) {
    clock_.sleepMs(kErasePauseMs);
    for (unsigned s = firstSector; s < unsigned{firstSector} + sectorCount && s <= 0xFF; ++s) {
        const auto sector = static_cast<std::uint8_t>(s);
        const std::uint8_t writeEnable[] = {0x00, 0x04, CMD_SPI, 0x06};
        std::uint8_t answer = 0;
        if (!link_.exchange(writeEnable, sizeof writeEnable, &answer, 1) ||
            answer != negatedSum(writeEnable, sizeof writeEnable)) {
            ui_.messageBox("ERROR Write Enable!", kCriticalCaption, MessageIcon::Warning);
            return false;
        }
        const std::uint8_t erase[] = {0x00, 0x07, CMD_SPI, 0xD8, sector, 0x00, 0x00};
        if (!link_.exchange(erase, sizeof erase, &answer, 1) ||
            answer != negatedSum(erase, sizeof erase)) {
            ui_.messageBox("Sector erase error!", kCriticalCaption, MessageIcon::Warning);
            return false;
        }
        const std::uint8_t readStatus[] = {0x01, 0x01, CMD_SPI, 0x05};
        const std::uint32_t start = clock_.tickMs();
        for (;;) {
            const bool read = link_.exchange(readStatus, sizeof readStatus, &answer, 1);
            clock_.sleepMs(kBusyPollPauseMs);
            if (read && (answer & 0x01) == 0) {
                break;
            }
            // A sector that stays busy far beyond its erase time counts as not erased.
            if (clock_.tickMs() - start >= kSectorEraseLimitMs) {
                ui_.messageBox("Sector erase error!", kCriticalCaption, MessageIcon::Warning);
                return false;
            }
        }
    }
    return true;
}

bool FlashUpdater::writeImageFile(const std::string& name) {
    // The whole file is read and checked before anything is erased for it.
    const Image image = readImage(name, searchDirs_, true);
    switch (image.status) {
        case Image::Status::Ok:
            break;
        case Image::Status::Missing:
        case Image::Status::Unreadable:
            ui_.messageBox(formatLine("Input file %s not found", name.c_str()), "File missing",
                           MessageIcon::Warning);
            return false;
        case Image::Status::NoHeader:
        case Image::Status::WrongId:
            ui_.printLine("Wrong ID");
            return false;
        case Image::Status::TooLarge: {
            const ImageProblem problem = describeProblem(name, image);
            ui_.messageBox(problem.text, problem.caption, MessageIcon::Warning);
            return false;
        }
    }
    const ImageRange& range = *image.range;
    if (range.moreParts) {
        morePartsFlag_ = 1;
    }
    if (!eraseSectors(range.firstSector, range.sectorCount)) {
        fatalError(6);
        return false;
    }
    draw("Flash write started...", 45, kStatusRow);
    return writeChunks(image.payload, range.start);
}

bool FlashUpdater::writeChunks(const std::vector<std::uint8_t>& payload, std::uint32_t address) {
    const std::string progressFormat = padded("Flash write:  %03.1f %c", 56);
    const auto length = static_cast<std::uint32_t>(payload.size());
    std::uint32_t remaining = length;
    std::uint32_t offset = 0;
    std::uint32_t attempts = 0;
    std::uint32_t retries = 0;
    std::array<std::uint8_t, kChunkSize + 8> packet{};
    while (remaining > 0) {
        const std::uint32_t count = remaining < kChunkSize ? remaining : kChunkSize;
        if (attempts == kProgressEvery) {
            attempts = 0;
            const float share =
                100.0f - (static_cast<float>(remaining) / static_cast<float>(length)) * 100.0f;
            char line[kFormatBuffer];
            std::snprintf(line, sizeof line, progressFormat.c_str(), static_cast<double>(share),
                          '%');
            ui_.drawLine(line, kStatusRow);
        } else {
            ++attempts;
        }

        packet[0] = 0x00;
        packet[1] = static_cast<std::uint8_t>(count);
        packet[2] = CMD_PAGE_WRITE;
        packet[3] = 0x02;
        packet[4] = static_cast<std::uint8_t>(address >> 16);
        packet[5] = static_cast<std::uint8_t>(address >> 8);
        packet[6] = static_cast<std::uint8_t>(address);
        std::copy_n(payload.begin() + offset, count, packet.begin() + 7);
        packet[7 + count] = negatedSum(packet.data() + 7, count);

        std::uint8_t answer = 0;
        if (link_.exchange(packet.data(), count + 8, &answer, 1) && answer == CMD_PAGE_WRITE) {
            address += count;
            offset += count;
            remaining -= count;
            retries = 0;
            continue;
        }
        draw("Flash Write ERROR: retransmit...", 42, kStatusRow);
        if (++retries >= 2) {
            ui_.messageBox("Flash Write ERROR!", kCriticalCaption, MessageIcon::Warning);
            return false;
        }
        clock_.sleepMs(kRetransmitPauseMs);
    }
    return true;
}

bool FlashUpdater::fatalError(std::uint8_t code) {
    if (code < 1 || code > kFatalTexts.size()) {
        return false;
    }
    if (fatalRaised_) {
        return true;
    }
    fatalRaised_ = true;
    const PaddedText& fatal = kFatalTexts[code - 1];
    draw(fatal.text, fatal.width, kStatusRow);
    ui_.messageBox(" ", kCriticalCaption, MessageIcon::Warning);
    link_.closeBox();
    ui_.endProgram(1);
    return true;
}

RunEnd FlashUpdater::fatalEnd(std::uint8_t code) {
    fatalError(code);
    return RunEnd::Fatal;
}

bool FlashUpdater::checkImageFiles() {
    std::size_t parts = 1;
    for (std::size_t part = 0; part < parts; ++part) {
        const Image image = readImage(kPartFiles[part], searchDirs_, false);
        if (image.status != Image::Status::Ok) {
            const ImageProblem problem = describeProblem(kPartFiles[part], image);
            ui_.messageBox(problem.text, problem.caption, MessageIcon::Warning);
            return false;
        }
        if (part == 0 && (image.range->moreParts || morePartsFlag_ != 0)) {
            parts = kPartFiles.size();
        }
    }
    return true;
}

RunEnd FlashUpdater::run() {
    fatalRaised_ = false;
    if (!checkImageFiles()) {
        return RunEnd::Stopped;
    }
    link_.openBox();
    if (!link_.isOpen()) {
        return RunEnd::Stopped;
    }
    draw("Updating Firmware", 39, kStatusRow);
    draw("Do NOT turn power OFF", 39, kWarningRow);

    if (!fpgaControl(CMD_UPDATE_BEGIN) || !fpgaControl(CMD_FPGA_NORMAL)) {
        return fatalEnd(5);
    }
    clock_.sleepMs(kStepPauseMs);
    if (!selectSpiSpeed()) {
        return fatalEnd(1);
    }
    if (!fpgaControl(CMD_FPGA_RESET)) {
        return fatalEnd(5);
    }
    clock_.sleepMs(kStepPauseMs);
    if (!writeImageFile(kPartFiles[0])) {
        return fatalEnd(7);
    }

    if (morePartsFlag_ != 0) {
        for (std::size_t part = 1; part < kPartFiles.size(); ++part) {
            if (!fpgaControl(CMD_FPGA_NORMAL) || !fpgaControl(CMD_WRITE_ACTIVE)) {
                return fatalEnd(5);
            }
            waitReady();
            const PaddedText& line = kPartLines[part - 1];
            draw(line.text, line.width, kPartRow);
            if (!fpgaControl(CMD_FPGA_RESET)) {
                return fatalEnd(5);
            }
            if (part == 1) {
                clock_.sleepMs(kStepPauseMs);
            }
            if (!writeImageFile(kPartFiles[part])) {
                return fatalEnd(7);
            }
        }
        if (!fpgaControl(CMD_FPGA_NORMAL) || !fpgaControl(CMD_FPGA_NORMAL) ||
            !fpgaControl(CMD_WRITE_ACTIVE)) {
            return fatalEnd(5);
        }
        waitReady();
    }

    clock_.sleepMs(kStepPauseMs);
    if (!fpgaControl(CMD_FPGA_NORMAL) || !fpgaControl(CMD_UPDATE_OK)) {
        return fatalEnd(5);
    }

    draw("FLASH update ok", 42, kStatusRow);
    draw("", 42, kWarningRow);
    if (morePartsFlag_ != 0) {
        // The last "Writing part" line is over; its row stays empty.
        draw("", kPartLines[0].width, kPartRow);
    }
    draw("Power cycle VORTILAN2", 33, kPowerCycleRow);
    draw("After power up, wait around 15 seconds", 42, kWaitRow);
    draw("VORTILAN2 will reconfigure and start", 39, kReconfigureRow);
    ui_.messageBox("FLASH update ok ", " ", MessageIcon::Information);
    link_.closeBox();
    ui_.endProgram(0);
    return RunEnd::Succeeded;
}

}  // namespace updater
