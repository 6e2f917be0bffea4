// A fuzz input taken apart in order: pieces of given lengths (shorter at the
// end), single bytes, words and doubles (0 once the input is used up).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

namespace fuzz {

class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    // The next `length` bytes, fewer at the end of the input.
    std::span<const std::uint8_t> next(std::size_t length) {
        const std::size_t n = length < size_ - used_ ? length : size_ - used_;
        const std::span<const std::uint8_t> part(data_ + used_, n);
        used_ += n;
        return part;
    }
    std::uint8_t byte() { return used_ < size_ ? data_[used_++] : 0; }
    // Low byte first.
    std::uint16_t word() { return static_cast<std::uint16_t>(byte() | byte() << 8); }
    // Any double, NaN and infinities included.
    double real() {
        std::uint8_t bytes[sizeof(double)];
        for (std::uint8_t& b : bytes) {
            b = byte();
        }
        double value;
        std::memcpy(&value, bytes, sizeof value);
        return value;
    }
    std::span<const std::uint8_t> rest() const { return {data_ + used_, size_ - used_}; }
    // The input's last byte, 0 when it is used up.
    std::uint8_t lastUnused() const { return used_ < size_ ? data_[size_ - 1] : 0; }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

// Stops the run when a rule that must hold does not.
inline void check(bool rule) {
    if (!rule) {
        std::abort();
    }
}

}  // namespace fuzz
