#include "BoxCommands.h"

#include <algorithm>

namespace boxlink {

namespace {
constexpr int kErrorMs = 4000;
constexpr int kNoticeMs = 2000;
}  // namespace

BoxCommands::BoxCommands(UsbLink& link, LinkUi& ui, const BoxState& state)
    : link_(link), ui_(ui), state_(state) {}

bool BoxCommands::writeRegister(std::uint8_t reg, std::uint8_t value) {
    if (!state_.writesEnabled()) {
        return true;
    }
    const std::uint8_t request[] = {REQ_WRITE, 0x04, CMD_REGISTER, reg, value};
    Answer answer{};
    const bool ok = link_.transact(answer, request, 2, sizeof request) && answer[0] == CMD_REGISTER;
    if (!ok) {
        ui_.showStatus("Error Writing values", kErrorMs);
    }
    return ok;
}

bool BoxCommands::readRegisterPage(std::uint8_t page, Answer& buffer, std::uint8_t length) {
    const std::uint8_t request[] = {REQ_READ, length, CMD_REGISTER, page};
    if (link_.transact(buffer, request, length, sizeof request) && buffer[0] == CMD_REGISTER) {
        return true;
    }
    ui_.showStatus("...", kNoticeMs);
    return false;
}

bool BoxCommands::readStatusBlock(Answer& buffer, std::uint8_t length) {
    const std::uint8_t request[] = {REQ_READ, length, CMD_STATUS};
    if (link_.transact(buffer, request, length, sizeof request) && buffer[0] == CMD_STATUS) {
        return true;
    }
    ui_.showStatus("Error Reading values", kErrorMs);
    return false;
}

bool BoxCommands::writeEpStateBlock(std::span<const std::uint8_t, kEpStateBlockSize> block) {
    std::uint8_t request[3 + kEpStateBlockSize] = {REQ_WRITE, 0x28, CMD_EP_STATE};
    std::copy(block.begin(), block.end(), request + 3);
    Answer answer{};
    const bool ok = link_.transact(answer, request, 2, sizeof request) && answer[0] == CMD_EP_STATE;
    if (!ok) {
        ui_.showStatus("Error Writing values", kErrorMs);
    }
    return ok;
}

namespace {
constexpr std::uint8_t kPcbRevisionRequest[] = {REQ_READ, 0x02, CMD_PCB_REVISION, 0x00};
constexpr std::uint32_t kPcbRevisionAnswer = 2;
}  // namespace

bool BoxCommands::sendProbe() {
    return link_.sendProbe(kPcbRevisionRequest, sizeof kPcbRevisionRequest);
}

bool BoxCommands::probeAnswered() {
    return link_.probeAnswered(kPcbRevisionAnswer);
}

std::uint8_t BoxCommands::readPcbRevision() {
    Answer answer{};
    if (link_.transact(answer, kPcbRevisionRequest, kPcbRevisionAnswer,
                       sizeof kPcbRevisionRequest) &&
        answer[0] == CMD_PCB_REVISION) {
        return answer[1];
    }
    ui_.showStatus("...", kNoticeMs);
    return 0;
}

}  // namespace boxlink
