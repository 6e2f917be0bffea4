#include "SocketFrame.h"

#include <algorithm>

namespace usb::frame {

bool isKnownType(std::uint8_t type) {
    return type == kDescriptor || type == kWrite || type == kFlush || type == kRead;
}

std::vector<std::uint8_t> encode(std::uint8_t type, const std::uint8_t* payload, std::size_t size) {
    size = std::min(size, kMaxPayload);
    std::vector<std::uint8_t> out;
    out.reserve(kHeaderSize + size);
    out.push_back(type);
    out.push_back(static_cast<std::uint8_t>(size & 0xFF));
    out.push_back(static_cast<std::uint8_t>(size >> 8));
    if (size > 0) {
        out.insert(out.end(), payload, payload + size);
    }
    return out;
}

void Decoder::feed(const std::uint8_t* data, std::size_t size) {
    if (failed_ || size == 0) {
        return;
    }
    if (pos_ > 0 && pos_ == buffer_.size()) {
        buffer_.clear();
        pos_ = 0;
    }
    buffer_.insert(buffer_.end(), data, data + size);
}

std::optional<Frame> Decoder::next() {
    if (failed_ || buffered() < kHeaderSize) {
        return std::nullopt;
    }
    const std::uint8_t* head = buffer_.data() + pos_;
    if (!isKnownType(head[0])) {
        failed_ = true;
        return std::nullopt;
    }
    const std::size_t length = head[1] | (static_cast<std::size_t>(head[2]) << 8);
    if (buffered() < kHeaderSize + length) {
        return std::nullopt;
    }
    Frame frame;
    frame.type = head[0];
    frame.payload.assign(head + kHeaderSize, head + kHeaderSize + length);
    pos_ += kHeaderSize + length;
    if (pos_ > 4096 && pos_ * 2 > buffer_.size()) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<std::ptrdiff_t>(pos_));
        pos_ = 0;
    }
    return frame;
}

std::vector<std::uint8_t> descriptorPayload(std::string_view serial, std::string_view description) {
    std::vector<std::uint8_t> out(serial.begin(), serial.end());
    out.push_back(0);
    out.insert(out.end(), description.begin(), description.end());
    return out;
}

bool parseDescriptor(const std::vector<std::uint8_t>& payload, std::string* serial,
                     std::string* description) {
    const auto nul = std::find(payload.begin(), payload.end(), std::uint8_t{0});
    if (nul == payload.end()) {
        return false;
    }
    serial->assign(payload.begin(), nul);
    description->assign(nul + 1, payload.end());
    return true;
}

}  // namespace usb::frame
