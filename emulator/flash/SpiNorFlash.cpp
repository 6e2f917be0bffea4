#include "SpiNorFlash.h"

#include <algorithm>

namespace emu {

namespace {

std::size_t wholeSectors(std::size_t size) {
    const std::size_t sectors = (size + SpiNorFlash::kSectorSize - 1) / SpiNorFlash::kSectorSize;
    return std::max<std::size_t>(sectors, 1) * SpiNorFlash::kSectorSize;
}

}  // namespace

SpiNorFlash::SpiNorFlash(std::size_t size) : memory_(wholeSectors(size), 0xFF) {}

bool SpiNorFlash::writeEnable() {
    if (busy()) {
        return false;
    }
    writeEnabled_ = true;
    return true;
}

bool SpiNorFlash::writeDisable() {
    if (busy()) {
        return false;
    }
    writeEnabled_ = false;
    return true;
}

bool SpiNorFlash::sectorErase(std::uint32_t address) {
    if (busy() || !writeEnabled_ || address >= memory_.size()) {
        return false;
    }
    const std::size_t start = address - address % kSectorSize;
    std::fill_n(memory_.begin() + static_cast<std::ptrdiff_t>(start), kSectorSize, 0xFF);
    writeEnabled_ = false;
    busyReads_ = eraseBusyReads_;
    stuckBusy_ = stuckAfterErase_;
    return true;
}

bool SpiNorFlash::pageProgram(std::uint32_t address, const std::uint8_t* data, std::size_t count) {
    if (busy() || !writeEnabled_ || address >= memory_.size() || count == 0 || count > kPageSize ||
        data == nullptr) {
        return false;
    }
    const std::size_t page = address - address % kPageSize;
    std::size_t offset = address % kPageSize;
    for (std::size_t i = 0; i < count; ++i) {
        memory_[page + offset] &= data[i];
        offset = (offset + 1) % kPageSize;
    }
    writeEnabled_ = false;
    return true;
}

std::uint8_t SpiNorFlash::readStatus() {
    std::uint8_t status = writeEnabled_ ? kStatusWriteEnabled : 0;
    if (busy()) {
        status |= kStatusBusy;
    }
    if (busyReads_ > 0) {
        --busyReads_;
    }
    return status;
}

void SpiNorFlash::fill(std::uint8_t value) {
    std::fill(memory_.begin(), memory_.end(), value);
    writeEnabled_ = false;
    busyReads_ = 0;
}

}  // namespace emu
