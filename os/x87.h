// Direct access to the x87 floating-point unit. The printed digits of the calculator depend on
// the x87's own rounding, so these stay inline assembly on both x86 targets.
#pragma once
#include <cstdint>

namespace lnc::x87 {

inline constexpr std::uint16_t PRECISION_MASK = 0x0300;
inline constexpr std::uint16_t PRECISION_53 = 0x0200;
inline constexpr std::uint16_t EXCEPTION_MASKS = 0x003F;

inline std::uint16_t control_word() {
    std::uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

inline void set_control_word(std::uint16_t cw) { asm volatile("fldcw %0" : : "m"(cw)); }

inline std::uint16_t status_word() {
    std::uint16_t sw;
    asm volatile("fnstsw %0" : "=m"(sw));
    return sw;
}

inline void clear_exceptions() { asm volatile("fnclex"); }

// Resets the unit (empty register stack, no pending exception, all exceptions masked).
inline void reinitialise() { asm volatile("fninit"); }

inline void set_precision_53() {
    set_control_word(static_cast<std::uint16_t>((control_word() & ~PRECISION_MASK) | PRECISION_53));
}

// Widens a single-precision pattern through the unit; a signalling NaN raises invalid operation,
// which traps when that exception is unmasked.
inline double widen_single(std::uint32_t bits) {
    double result;
    asm volatile("flds %1\n\tfstpl %0\n\tfwait" : "=m"(result) : "m"(bits));
    return result;
}

// Rounds a double to single precision in the unit's current rounding mode.
inline std::uint32_t round_to_single(double value) {
    std::uint32_t bits;
    asm volatile("fldl %1\n\tfstps %0\n\tfwait" : "=m"(bits) : "m"(value));
    return bits;
}

} // namespace lnc::x87
