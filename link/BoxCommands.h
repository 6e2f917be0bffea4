// The command operations that several parts of the utility share, built on
// UsbLink::transact. Each reports its own failure in the status bar.
#pragma once

#include <cstdint>
#include <span>

#include "BoxState.h"
#include "LinkUi.h"
#include "UsbLink.h"

namespace boxlink {

class BoxCommands {
public:
    // A wrong echo counts as a failure, like a failed exchange. While the
    // state's writes are not enabled, writeRegister sends nothing.
    BoxCommands(UsbLink& link, LinkUi& ui, const BoxState& state);

    bool writeRegister(std::uint8_t reg, std::uint8_t value);
    bool readRegisterPage(std::uint8_t page, Answer& buffer, std::uint8_t length);
    bool readStatusBlock(Answer& buffer, std::uint8_t length);
    bool writeEpStateBlock(std::span<const std::uint8_t, kEpStateBlockSize> block);
    // The box's PCB revision, 0 when the read failed.
    std::uint8_t readPcbRevision();

    // Whether a box that went silent answers again, without waiting for it:
    // sendProbe() sends the PCB revision read, probeAnswered() looks (later)
    // whether its answer has come. Neither reports anything.
    bool sendProbe();
    bool probeAnswered();

    UsbLink& link() { return link_; }

private:
    UsbLink& link_;
    LinkUi& ui_;
    const BoxState& state_;
};

}  // namespace boxlink
