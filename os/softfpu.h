// The floating-point unit in software: the same operations, results, flags and traps as the
// x87 gives them, computed with integers, for processors without one. An unmasked exception is
// delivered at the operation that raises it, through the platform's fault delivery, so that it
// reaches the run-time's filter as a processor's trap would.
#pragma once
#include <cstdint>

#include "os/fpu_common.h"

namespace lnc::softfpu {

using namespace fpu_words;

std::uint16_t control_word();
void set_control_word(std::uint16_t cw);
std::uint16_t status_word();
void clear_exceptions();
void reinitialise();
void set_precision_53();

double widen_single(std::uint32_t bits);
std::uint32_t round_to_single(double value);
FpuExtended ln2_log2(std::uint32_t x_bits);
std::uint32_t store_single(const FpuExtended& value);
FpuExtended divide_single(std::uint32_t t_bits, const FpuExtended& d);
double division_residue(double dividend, double divisor);

// t / d as the unit's divider gives it under control's precision and rounding, without
// touching the unit's flags: the stand-in for a faulty hardware divider.
FpuExtended exact_divide(std::uint32_t t_bits, const FpuExtended& d, std::uint16_t control);

// The logarithm with how close it came to a rounding boundary of the 64-bit significand:
// margin is the distance in units of 2^-120 (of the value's magnitude scaled to [64, 128)),
// and decided is false when the computed value's error bound reaches the boundary.
struct LogDecision {
    FpuExtended value;
    std::uint16_t flags;
    std::uint64_t margin;
    bool decided;
};
LogDecision logarithm_with_margin(std::uint32_t x_bits, std::uint16_t control);

// How many logarithms so far could not be decided exactly; the exhaustive check requires 0.
extern std::uint64_t undecided_logarithms;

} // namespace lnc::softfpu
