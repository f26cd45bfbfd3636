// The software unit's own registers and the rounding shared by its operations.
#pragma once
#include <cstdint>

#include "os/softfpu.h"

namespace lnc::softfpu {

struct UnitState {
    std::uint16_t control;
    std::uint16_t status;
};
extern UnitState unit;

// Records flags in the status word; an unmasked one is delivered at once as a processor's trap.
void signal_exceptions(std::uint16_t flags);

inline int rounding_mode(std::uint16_t control) {
    return (control >> 10) & 3;
}

// Whether a magnitude whose dropped part is exactly half (half) or more or less than that
// (below: anything under the half) grows by one unit in the rounding mode.
inline bool rounds_up(bool odd, bool half, bool below, bool negative, int mode) {
    switch (mode) {
    case 0: // nearest, ties to even
        return half && (below || odd);
    case 1: // toward minus infinity
        return negative && (half || below);
    case 2: // toward plus infinity
        return !negative && (half || below);
    default: // toward zero
        return false;
    }
}

inline constexpr std::uint64_t INTEGER_BIT = 0x8000000000000000ull;
inline constexpr std::uint64_t QUIET_BIT = 0x4000000000000000ull;
inline constexpr std::uint16_t EXTENDED_SIGN = 0x8000;
inline constexpr std::uint16_t EXTENDED_MAX_EXPONENT = 0x7FFF;
inline constexpr int EXTENDED_BIAS = 16383;
inline constexpr FpuExtended INDEFINITE{INTEGER_BIT | QUIET_BIT, 0xFFFF};

} // namespace lnc::softfpu
