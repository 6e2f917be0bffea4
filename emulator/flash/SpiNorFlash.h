// A simulated SPI NOR flash chip: 64 KB sectors, 256-byte program pages,
// a write-enable latch and a busy flag that clears after a number of status
// reads (not after wall time, so that everything built on it is deterministic).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace emu {

class SpiNorFlash {
public:
    static constexpr std::uint32_t kSectorSize = 0x10000;
    static constexpr std::uint32_t kPageSize = 256;
    static constexpr std::uint8_t kStatusBusy = 0x01;
    static constexpr std::uint8_t kStatusWriteEnabled = 0x02;

    // size is rounded up to whole sectors; a new chip is erased (all 0xFF).
    explicit SpiNorFlash(std::size_t size);

    std::size_t size() const { return memory_.size(); }
    const std::vector<std::uint8_t>& memory() const { return memory_; }
    bool busy() const { return stuckBusy_ || busyReads_ > 0; }
    bool writeEnabled() const { return writeEnabled_; }

    // Instructions. Each returns whether the chip carried it out; a busy chip
    // ignores everything but the status read.
    bool writeEnable();   // 06
    bool writeDisable();  // 04
    // D8: erases the 64 KB sector that holds address; needs the latch, clears it,
    // and leaves the chip busy for the next eraseBusyReads status reads.
    bool sectorErase(std::uint32_t address);
    // 02: programs up to one page; bits only go from 1 to 0, and data beyond
    // the end of the page wraps to the page's start. Needs the latch, clears it.
    bool pageProgram(std::uint32_t address, const std::uint8_t* data, std::size_t count);
    // 05: the status register; every read counts down the busy time.
    std::uint8_t readStatus();

    // The number of status reads that report busy after an erase.
    void setEraseBusyReads(std::uint32_t reads) { eraseBusyReads_ = reads; }
    std::uint32_t eraseBusyReads() const { return eraseBusyReads_; }
    // A fault: from now on an erase leaves the chip busy for good (it then
    // ignores every instruction). Turning it off also ends a busy state it caused.
    void setStuckAfterErase(bool on) {
        stuckAfterErase_ = on;
        if (!on) {
            stuckBusy_ = false;
        }
    }
    bool stuckAfterErase() const { return stuckAfterErase_; }

    void fill(std::uint8_t value);

private:
    std::vector<std::uint8_t> memory_;
    bool writeEnabled_ = false;
    std::uint32_t busyReads_ = 0;
    std::uint32_t eraseBusyReads_ = 3;
    bool stuckAfterErase_ = false;
    bool stuckBusy_ = false;
};

}  // namespace emu
