// The floating-point unit as the x87 gives it. The printed digits of the calculator depend on
// the x87's own rounding, so these stay inline assembly on the x86 targets.
#pragma once
#include <cstdint>

#include "os/fpu_common.h"

namespace lnc::x87 {

using namespace fpu_words;

inline std::uint16_t control_word() {
    std::uint16_t cw;
    asm volatile("fnstcw %0" : "=m"(cw));
    return cw;
}

inline void set_control_word(std::uint16_t cw) {
    asm volatile("fldcw %0" : : "m"(cw));
}

inline std::uint16_t status_word() {
    std::uint16_t sw;
    asm volatile("fnstsw %0" : "=m"(sw));
    return sw;
}

inline void clear_exceptions() {
    asm volatile("fnclex");
}

// Resets the unit (empty register stack, no pending exception, all exceptions masked).
inline void reinitialise() {
    asm volatile("fninit");
}

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

// ln 2 * log2 x with the unit's constant for ln 2, to the 64-bit significand. A zero or negative
// x leaves its exception pending: it is delivered by the next instruction that waits, the store.
inline FpuExtended ln2_log2(std::uint32_t x_bits) {
    FpuExtended result;
    asm volatile("fldln2\n\tflds %1\n\tfyl2x\n\tfstpt %0"
                 : "=m"(result)
                 : "m"(x_bits)
                 : "st", "st(1)");
    return result;
}

// The store of an extended value to single precision, rounding in the current mode.
inline std::uint32_t store_single(const FpuExtended& value) {
    std::uint32_t bits;
    asm volatile("fldt %1\n\tfstps %0\n\tfwait" : "=m"(bits) : "m"(value) : "st");
    return bits;
}

// t / d under the precision control in force.
inline FpuExtended divide_single(std::uint32_t t_bits, const FpuExtended& d) {
    FpuExtended quotient;
    asm volatile("fldt %1\n\tfdivrs %2\n\tfstpt %0" : "=m"(quotient) : "m"(d), "m"(t_bits) : "st");
    return quotient;
}

// x - (x / y) * y in extended precision: more than 1 for the faulty divider's test operands.
inline double division_residue(double dividend, double divisor) {
    double residue;
    asm volatile("fldl %[x]\n\t"
                 "fdivl %[y]\n\t"
                 "fmull %[y]\n\t"
                 "fsubrl %[x]\n\t"
                 "fstpl %[r]"
                 : [r] "=m"(residue)
                 : [x] "m"(dividend), [y] "m"(divisor)
                 : "st");
    return residue;
}

} // namespace lnc::x87
