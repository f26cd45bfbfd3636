// The software unit's logarithm: ln 2 * log2 x with the unit's constant for ln 2 (the 64-bit
// significand 0xB17217F7D1CF79AC), to the 64-bit significand, as the x87 gives it. log2 x is
// formed in 124-bit fixed point from a table reduction and a short series, its product with the
// constant to 120 bits, and the rounding is taken only when the error bound cannot reach the
// rounding boundary; otherwise the case is counted as undecided.
#include <bit>

#include "os/softfpu/log2_table.h"
#include "os/softfpu/state.h"

namespace lnc::softfpu {

std::uint64_t undecided_logarithms = 0;

namespace {

__extension__ typedef __int128 Int128;
__extension__ typedef unsigned __int128 Uint128;

constexpr std::uint64_t LN2_SIGNIFICAND = 0xB17217F7D1CF79ACull;
constexpr int FRACTION_BITS = 120;
// The fixed-point result is within this many units of 2^-120 of the exact product: the series
// and table are within 4 units of 2^-124, each product truncates by less than one unit.
constexpr Uint128 ERROR_BOUND = 8;

Int128 fixed(const Fixed124& value) {
    return static_cast<Int128>((static_cast<Uint128>(value.high) << 64) | value.low);
}

// a * z / 2^35, rounded down; |z| < 2^27 and |a| < 2^126.
Int128 times_reduced(Int128 a, std::int64_t z) {
    auto high = static_cast<std::int64_t>(a >> 64);
    auto low = static_cast<std::uint64_t>(a);
    return ((static_cast<Int128>(high) * z) * (Int128{1} << 29)) +
           ((static_cast<Int128>(low) * z) >> 35);
}

// log2 of m / 2^23 for a significand m with bit 23 set, in units of 2^-124: m times a 12-bit
// reciprocal lies within 2^-8.8 of 1, where the series converges to 124 bits in 16 terms.
Uint128 log2_significand(std::uint32_t m) {
    const ReductionEntry& entry = REDUCTION[(m >> 15) & 0xFF];
    std::int64_t z = static_cast<std::int64_t>(m) * entry.reciprocal - (std::int64_t{1} << 35);
    Int128 sum = fixed(SERIES[SERIES_TERMS - 1]);
    for (int n = SERIES_TERMS - 2; n >= 0; --n) {
        sum = fixed(SERIES[n]) + times_reduced(sum, z);
    }
    Int128 result = fixed(entry.minus_log2) + times_reduced(sum, z);
    return result > 0 ? static_cast<Uint128>(result) : 0;
}

// ln2 * (exponent + log2 significand) in units of 2^-120.
Int128 scaled_logarithm(std::uint32_t m, int exponent) {
    Int128 whole = (static_cast<Int128>(LN2_SIGNIFICAND) * exponent) * (Int128{1} << 56);
    Uint128 fraction = log2_significand(m);
    Uint128 high =
        static_cast<Uint128>(static_cast<std::uint64_t>(fraction >> 64)) * LN2_SIGNIFICAND;
    Uint128 low = static_cast<Uint128>(static_cast<std::uint64_t>(fraction)) * LN2_SIGNIFICAND;
    return whole + static_cast<Int128>((high + (low >> 64)) >> 4);
}

int leading_bit(Uint128 value) {
    auto high = static_cast<std::uint64_t>(value >> 64);
    return high != 0 ? 127 - std::countl_zero(high)
                     : 63 - std::countl_zero(static_cast<std::uint64_t>(value));
}

// Rounds the fixed-point value to the 64-bit significand in the control word's mode and says
// how far it lay from the boundary that decides the rounding.
LogDecision round_logarithm(Int128 value, bool exact, std::uint16_t control) {
    if (value == 0) {
        return {{0, 0}, 0, ~0ull, true}; // log2 1, exactly 0
    }
    bool negative = value < 0;
    Uint128 magnitude = negative ? -static_cast<Uint128>(value) : static_cast<Uint128>(value);
    int top = leading_bit(magnitude);
    int drop = top - 63; // at least 33: no logarithm of a single lies below 2^-25
    Uint128 unit_in_last = Uint128{1} << drop;
    Uint128 rest = magnitude & (unit_in_last - 1);
    Uint128 half = unit_in_last >> 1;
    auto kept = static_cast<std::uint64_t>(magnitude >> drop);
    int mode = rounding_mode(control);
    Uint128 distance = mode == 0 ? (rest > half ? rest - half : half - rest)
                                 : (rest < unit_in_last - rest ? rest : unit_in_last - rest);
    if (rounds_up((kept & 1) != 0, rest >= half, rest != half && rest != 0, negative, mode)) {
        if (++kept == 0) {
            kept = INTEGER_BIT;
            ++top;
        }
    }
    int biased = top - FRACTION_BITS + EXTENDED_BIAS;
    FpuExtended result{kept, static_cast<std::uint16_t>(biased | (negative ? EXTENDED_SIGN : 0))};
    // The unit's constant for ln 2 is itself rounded: every logarithm but that of 1 is inexact.
    std::uint16_t flags = SW_INEXACT;
    bool decided = exact || distance > ERROR_BOUND;
    // An exact value has no error to come near a boundary.
    std::uint64_t margin = exact ? ~0ull : static_cast<std::uint64_t>(distance << (64 - drop));
    return {result, flags, margin, decided};
}

} // namespace

LogDecision logarithm_with_margin(std::uint32_t x_bits, std::uint16_t control) {
    bool negative = (x_bits >> 31) != 0;
    int exponent = static_cast<int>((x_bits >> 23) & 0xFF);
    std::uint32_t fraction = x_bits & 0x7FFFFFu;
    std::uint16_t sign = negative ? EXTENDED_SIGN : 0;
    if (exponent == 0xFF && fraction != 0) {
        std::uint16_t flags = (fraction & 0x400000u) != 0 ? 0 : SW_INVALID;
        FpuExtended nan{INTEGER_BIT | QUIET_BIT | (static_cast<std::uint64_t>(fraction) << 40),
                        static_cast<std::uint16_t>(sign | EXTENDED_MAX_EXPONENT)};
        return {nan, flags, ~0ull, true};
    }
    if (exponent == 0 && fraction == 0) {
        return {{INTEGER_BIT, 0xFFFF}, SW_ZERODIVIDE, ~0ull, true}; // minus infinity
    }
    std::uint16_t denormal = exponent == 0 ? SW_DENORMAL : 0;
    if (negative) {
        return {INDEFINITE, static_cast<std::uint16_t>(SW_INVALID | denormal), ~0ull, true};
    }
    if (exponent == 0xFF) {
        return {{INTEGER_BIT, EXTENDED_MAX_EXPONENT}, 0, ~0ull, true};
    }
    std::uint32_t m = fraction | 0x800000u;
    int power = exponent - 127;
    if (exponent == 0) {
        int shift = std::countl_zero(fraction) - 8;
        m = fraction << shift;
        power = -126 - shift;
    }
    LogDecision result = round_logarithm(scaled_logarithm(m, power), m == 0x800000u, control);
    result.flags |= denormal;
    return result;
}

FpuExtended ln2_log2(std::uint32_t x_bits) {
    LogDecision result = logarithm_with_margin(x_bits, unit.control);
    if (!result.decided) {
        ++undecided_logarithms;
    }
    signal_exceptions(result.flags);
    return result.value;
}

} // namespace lnc::softfpu
