// The division used in place of the x87 divider on processors whose divider is faulty: the
// quotient is formed bit by bit in integers and rounded as the divider rounds it under precision
// control 53 bits.
#include <cstring>

#include "os/fpu.h"
#include "runtime/startup/startup.h"

namespace lnc {

namespace {

struct Extended {
    std::uint64_t significand; // the integer bit is explicit
    int exponent;              // biased by 16383
    bool negative;
};

constexpr int EXPONENT_BIAS = 16383;
constexpr int EXPONENT_MAX = 0x7FFF;
constexpr int KEPT_BITS = 53;

Extended unpack(long double value) {
    unsigned char bytes[10];
    std::memcpy(bytes, &value, sizeof bytes);
    Extended result{};
    std::memcpy(&result.significand, bytes, 8);
    unsigned sign_exponent = bytes[8] | (static_cast<unsigned>(bytes[9]) << 8);
    result.exponent = static_cast<int>(sign_exponent & 0x7FFF);
    result.negative = (sign_exponent & 0x8000) != 0;
    return result;
}

long double pack(const Extended& value) {
    long double result = 0.0L;
    unsigned char bytes[10];
    std::memcpy(bytes, &value.significand, 8);
    unsigned sign_exponent = static_cast<unsigned>(value.exponent) | (value.negative ? 0x8000u : 0);
    bytes[8] = static_cast<unsigned char>(sign_exponent);
    bytes[9] = static_cast<unsigned char>(sign_exponent >> 8);
    std::memcpy(&result, bytes, sizeof bytes);
    return result;
}

// Finite, nonzero and with a valid integer bit after normalisation; subnormal values are
// normalised here with an exponent that may drop below 1.
bool normalise(Extended* value) {
    if (value->exponent == EXPONENT_MAX || value->significand == 0) {
        return false;
    }
    if (value->exponent == 0) {
        value->exponent = 1;
    }
    while ((value->significand >> 63) == 0) {
        value->significand <<= 1;
        --value->exponent;
    }
    return true;
}

// Rounds a quotient of 54 bits (53 kept, one round bit) with the remainder's sticky bit, in the
// rounding mode of the control word. Returns the kept bits, 2^53 when rounding carried out.
std::uint64_t round_quotient(std::uint64_t bits, bool sticky, bool negative) {
    std::uint64_t kept = bits >> 1;
    bool round_bit = (bits & 1) != 0;
    bool inexact = round_bit || sticky;
    switch ((fpu::control_word() >> 10) & 3) {
    case 0: // nearest, ties to even
        return kept + ((round_bit && (sticky || (kept & 1))) ? 1 : 0);
    case 1: // toward minus infinity
        return kept + ((inexact && negative) ? 1 : 0);
    case 2: // toward plus infinity
        return kept + ((inexact && !negative) ? 1 : 0);
    default: // toward zero
        return kept;
    }
}

} // namespace

long double software_divide(long double dividend, long double divisor) {
    Extended a = unpack(dividend);
    Extended b = unpack(divisor);
    // Zeros, infinities and NaNs never reach the faulty part of the divider, and the unit gives
    // them their exact answers and exceptions.
    if (!normalise(&a) || !normalise(&b)) {
        return dividend / divisor;
    }
    int exponent = a.exponent - b.exponent + EXPONENT_BIAS;
    // The remainder is a 65-bit value: a carry bit above 64 bits.
    std::uint64_t remainder = a.significand;
    bool carry = false;
    if (a.significand < b.significand) {
        carry = (remainder >> 63) != 0;
        remainder <<= 1;
        --exponent;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < KEPT_BITS + 1; ++i) {
        bits <<= 1;
        if (carry || remainder >= b.significand) {
            remainder -= b.significand;
            bits |= 1;
        }
        carry = (remainder >> 63) != 0;
        remainder <<= 1;
    }
    bool negative = a.negative != b.negative;
    std::uint64_t kept = round_quotient(bits, carry || remainder != 0, negative);
    if (kept >> KEPT_BITS) {
        kept >>= 1;
        ++exponent;
    }
    // Quotients beyond the extended range take the unit's own overflow and underflow handling.
    if (exponent < 1 || exponent >= EXPONENT_MAX) {
        return dividend / divisor;
    }
    return pack({kept << (64 - KEPT_BITS), exponent, negative});
}

} // namespace lnc
