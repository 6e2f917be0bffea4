// Frames of the emulated-device socket protocol: a type byte, a 16-bit
// payload length (low byte first), then the payload.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace usb::frame {

enum Type : std::uint8_t {
    kDescriptor = 'D',  // device to host: serial, NUL, description
    kWrite = 'W',       // host to device: the bytes of one write call
    kFlush = 'F',       // host to device: drop unsent answer bytes
    kRead = 'R',        // device to host: answer bytes
};

inline constexpr std::size_t kHeaderSize = 3;
inline constexpr std::size_t kMaxPayload = 0xFFFF;

bool isKnownType(std::uint8_t type);

// Header and payload in one buffer; the payload is cut at kMaxPayload.
std::vector<std::uint8_t> encode(std::uint8_t type, const std::uint8_t* payload, std::size_t size);

struct Frame {
    std::uint8_t type = 0;
    std::vector<std::uint8_t> payload;
};

// Collects a byte stream and hands out whole frames. A frame with an unknown
// type puts the decoder into its error state for good.
class Decoder {
public:
    void feed(const std::uint8_t* data, std::size_t size);
    std::optional<Frame> next();
    bool failed() const { return failed_; }
    std::size_t buffered() const { return buffer_.size() - pos_; }

private:
    std::vector<std::uint8_t> buffer_;
    std::size_t pos_ = 0;
    bool failed_ = false;
};

// Builds and splits the payload of a descriptor frame.
std::vector<std::uint8_t> descriptorPayload(std::string_view serial, std::string_view description);
bool parseDescriptor(const std::vector<std::uint8_t>& payload, std::string* serial,
                     std::string* description);

}  // namespace usb::frame
