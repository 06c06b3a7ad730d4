// An unsigned 8-bit value whose stores are range-tested: a value outside
// 0..255 raises the overflow error instead of wrapping.
#pragma once

#include <cstdint>

#include "core/runtime_error.h"

namespace exitbutton {

class Byte {
public:
    constexpr Byte() = default;
    constexpr Byte(int value) : value_(Checked(value)) {}  // NOLINT: stores convert implicitly

    constexpr Byte& operator=(int value) {
        value_ = Checked(value);
        return *this;
    }
    constexpr operator std::uint8_t() const { return value_; }  // NOLINT: reads convert implicitly

private:
    static constexpr std::uint8_t Checked(int value) {
        if (value < 0 || value > 255) throw RuntimeError("Overflow");
        return static_cast<std::uint8_t>(value);
    }

    std::uint8_t value_ = 0;
};

}  // namespace exitbutton
