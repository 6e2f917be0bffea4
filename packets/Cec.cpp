#include "packets/Cec.h"

#include "packets/ByteList.h"

namespace packets {

namespace {

constexpr CecMessage kMessages[] = {
    {"Image View On (0x04) [TV]", kCecTv, 1, {0x04}},
    {"Text View On (0x0D) [TV]", kCecTv, 1, {0x0D}},
    {"Standby (0x36) [TV]", kCecTv, 1, {0x36}},
    {"Standby (0x36) [broadcast]", kCecBroadcast, 1, {0x36}},
    {"Active Source (0x82) 1.0.0.0 [broadcast]", kCecBroadcast, 3, {0x82, 0x10, 0x00}},
    {"Request Active Source (0x85) [broadcast]", kCecBroadcast, 1, {0x85}},
    {"Give Device Power Status (0x8F) [TV]", kCecTv, 1, {0x8F}},
    {"Give Physical Address (0x83) [TV]", kCecTv, 1, {0x83}},
    {"Give OSD Name (0x46) [TV]", kCecTv, 1, {0x46}},
    {"Give Device Vendor ID (0x8C) [TV]", kCecTv, 1, {0x8C}},
    {"Get CEC Version (0x9F) [TV]", kCecTv, 1, {0x9F}},
    {"Give Audio Status (0x71) [audio system]", kCecAudioSystem, 1, {0x71}},
    {"Volume Up (0x44 0x41) [audio system]", kCecAudioSystem, 2, {0x44, 0x41}},
    {"Volume Down (0x44 0x42) [audio system]", kCecAudioSystem, 2, {0x44, 0x42}},
    {"Mute (0x44 0x43) [audio system]", kCecAudioSystem, 2, {0x44, 0x43}},
    {"User Control Released (0x45) [audio system]", kCecAudioSystem, 1, {0x45}},
};

}  // namespace

std::span<const CecMessage> cecMessages() {
    return kMessages;
}

std::uint8_t cecInitiator(int deviceTypeIndex) {
    return deviceTypeIndex == 1 ? 0x5 : 0xE;
}

std::string cecMessageText(std::uint8_t initiator, const CecMessage& message) {
    Bytes bytes = {
        static_cast<std::uint8_t>((initiator & 0x0F) << 4 | (message.destination & 0x0F))};
    const std::size_t size =
        message.size < message.body.size() ? message.size : message.body.size();
    bytes.insert(bytes.end(), message.body.begin(), message.body.begin() + static_cast<long>(size));
    return byteListText(bytes);
}

}  // namespace packets
