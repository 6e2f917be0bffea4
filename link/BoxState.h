// What a program knows of its box between exchanges: the mirror of the box's
// settings (the EP state), its PCB revision, the text of the last EDID read,
// and whether settings writes go out. A window holds writes back until its
// start-up has filled the widgets; a command line sends at once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "protocol/Protocol.h"

namespace boxlink {

using EpState = std::array<std::uint8_t, kEpStateSize>;

class BoxState {
public:
    BoxState() = default;
    explicit BoxState(bool writesEnabled) : writesEnabled_(writesEnabled) {}

    // While writes are not enabled, BoxCommands::writeRegister sends nothing.
    bool writesEnabled() const { return writesEnabled_; }
    void setWritesEnabled(bool enabled) { writesEnabled_ = enabled; }

    const EpState& epState() const { return epState_; }
    void setEpState(const EpState& epState) { epState_ = epState; }
    void setEpByte(std::size_t index, std::uint8_t value) { epState_.at(index) = value; }

    // As the box reports it (0-based), 0 if the read failed.
    std::uint8_t pcbRevision() const { return pcbRevision_; }
    void setPcbRevision(std::uint8_t revision) { pcbRevision_ = revision; }

    // 16 lines of 16 values (768 characters); fewer lines after a failed read.
    const std::string& edidHexText() const { return edidHexText_; }
    void setEdidHexText(std::string text) { edidHexText_ = std::move(text); }

private:
    EpState epState_{};
    std::string edidHexText_;
    std::uint8_t pcbRevision_ = 0;
    bool writesEnabled_ = false;
};

}  // namespace boxlink
