// The software unit's registers, loads and stores, widening and rounding, and its divider.
#include <bit>

#include "os/softfpu/state.h"
#include "os/startup.h"

namespace lnc::softfpu {

UnitState unit{INITIAL_CONTROL, 0};

void signal_exceptions(std::uint16_t flags) {
    unit.status |= flags;
    if ((flags & ~unit.control & EXCEPTION_MASKS) != 0) {
        unit.status |= SW_SUMMARY;
        os::raise_fp_exception(pending_exception_code(unit.status, unit.control), unit.status);
    }
}

std::uint16_t control_word() {
    return unit.control;
}
void set_control_word(std::uint16_t cw) {
    unit.control = cw;
}
std::uint16_t status_word() {
    return unit.status;
}
void clear_exceptions() {
    unit.status &= static_cast<std::uint16_t>(~SW_PENDING);
}
void reinitialise() {
    unit = UnitState{INITIAL_CONTROL, 0};
}
void set_precision_53() {
    unit.control = static_cast<std::uint16_t>((unit.control & ~PRECISION_MASK) | PRECISION_53);
}

namespace {

// A finite nonzero magnitude: significand with its top bit set, value significand * 2^(exponent
// - 63).
struct Unpacked {
    bool negative;
    std::uint64_t significand;
    int exponent;
};

// Drops the low drop bits of the 128-bit magnitude high:low (counted from the bottom of high;
// low lies wholly below) and rounds what stays.
std::uint64_t round_off(std::uint64_t high, std::uint64_t low, int drop, bool negative, int mode,
                        bool* inexact) {
    std::uint64_t kept = 0;
    bool half = false;
    bool below = false;
    if (drop == 0) {
        kept = high;
        half = (low >> 63) != 0;
        below = (low << 1) != 0;
    } else if (drop <= 64) {
        kept = drop == 64 ? 0 : high >> drop;
        half = ((high >> (drop - 1)) & 1) != 0;
        below = (drop > 1 && (high << (65 - drop)) != 0) || low != 0;
    } else {
        below = high != 0 || low != 0;
    }
    *inexact = half || below;
    return kept + (rounds_up((kept & 1) != 0, half, below, negative, mode) ? 1 : 0);
}

// The largest finite value or infinity, as the rounding mode takes an overflow.
bool overflows_to_infinity(bool negative, int mode) {
    return mode == 0 || (mode == 1 && negative) || (mode == 2 && !negative);
}

std::uint32_t pack_single(const Unpacked& value, bool sticky, std::uint16_t* flags) {
    std::uint32_t sign = value.negative ? 0x80000000u : 0u;
    int mode = rounding_mode(unit.control);
    int biased = value.exponent + 127;
    bool inexact = false;
    if (biased < 1) {
        // Tininess is judged after rounding to 24 bits as if the exponent were unbounded: a
        // value that rounds up to the smallest normal one does not underflow. A carry into the
        // integer bit of the subnormal result gives that smallest normal value.
        bool tiny = biased < 0 || (round_off(value.significand, sticky ? 1 : 0, 40, value.negative,
                                             mode, &inexact) >>
                                   24) == 0;
        std::uint64_t kept = round_off(value.significand, sticky ? 1 : 0, 41 - biased,
                                       value.negative, mode, &inexact);
        *flags |= inexact ? (tiny ? (SW_UNDERFLOW | SW_INEXACT) : SW_INEXACT) : 0;
        return sign | static_cast<std::uint32_t>(kept);
    }
    std::uint64_t kept =
        round_off(value.significand, sticky ? 1 : 0, 40, value.negative, mode, &inexact);
    if ((kept >> 24) != 0) {
        kept >>= 1;
        ++biased;
    }
    if (biased >= 255) {
        *flags |= SW_OVERFLOW | SW_INEXACT;
        return sign | (overflows_to_infinity(value.negative, mode) ? 0x7F800000u : 0x7F7FFFFFu);
    }
    *flags |= inexact ? SW_INEXACT : 0;
    return sign | (static_cast<std::uint32_t>(biased) << 23) |
           (static_cast<std::uint32_t>(kept) & 0x7FFFFFu);
}

// The significand of a subnormal value brought to the top, the exponent lowered to match.
Unpacked normalised(bool negative, std::uint64_t significand, int exponent) {
    int shift = std::countl_zero(significand);
    return {negative, significand << shift, exponent - shift};
}

enum class Kind { Zero, Finite, Infinity, QuietNaN, SignallingNaN, Unsupported };

struct Operand {
    Kind kind;
    Unpacked value;
};

Operand load_single(std::uint32_t bits, std::uint16_t* flags) {
    bool negative = (bits >> 31) != 0;
    int exponent = static_cast<int>((bits >> 23) & 0xFF);
    std::uint64_t fraction = bits & 0x7FFFFFu;
    if (exponent == 0xFF) {
        Kind kind = fraction == 0                 ? Kind::Infinity
                    : (fraction & 0x400000u) != 0 ? Kind::QuietNaN
                                                  : Kind::SignallingNaN;
        return {kind, {negative, INTEGER_BIT | (fraction << 40), 0x7FFF}};
    }
    if (exponent == 0) {
        if (fraction == 0) {
            return {Kind::Zero, {negative, 0, 0}};
        }
        *flags |= SW_DENORMAL;
        return {Kind::Finite, normalised(negative, fraction << 40, -126)};
    }
    return {Kind::Finite, {negative, (INTEGER_BIT | (fraction << 40)), exponent - 127}};
}

Operand load_extended(const FpuExtended& value, std::uint16_t* flags) {
    bool negative = (value.sign_exponent & EXTENDED_SIGN) != 0;
    int exponent = value.sign_exponent & EXTENDED_MAX_EXPONENT;
    std::uint64_t significand = value.significand;
    bool integer_bit = (significand & INTEGER_BIT) != 0;
    if (exponent == EXTENDED_MAX_EXPONENT) {
        Kind kind = !integer_bit                     ? Kind::Unsupported
                    : (significand << 1) == 0        ? Kind::Infinity
                    : (significand & QUIET_BIT) != 0 ? Kind::QuietNaN
                                                     : Kind::SignallingNaN;
        return {kind, {negative, significand, 0x7FFF}};
    }
    if (exponent == 0) {
        if (significand == 0) {
            return {Kind::Zero, {negative, 0, 0}};
        }
        *flags |= SW_DENORMAL;
        return {Kind::Finite, normalised(negative, significand, 1 - EXTENDED_BIAS)};
    }
    if (!integer_bit) {
        return {Kind::Unsupported, {negative, significand, 0}};
    }
    return {Kind::Finite, {negative, significand, exponent - EXTENDED_BIAS}};
}

FpuExtended extended_nan(const Unpacked& nan) {
    return {nan.significand | QUIET_BIT,
            static_cast<std::uint16_t>(EXTENDED_MAX_EXPONENT | (nan.negative ? EXTENDED_SIGN : 0))};
}

FpuExtended signed_extended(bool negative, std::uint64_t significand, int biased) {
    return {significand, static_cast<std::uint16_t>(biased | (negative ? EXTENDED_SIGN : 0))};
}

} // namespace

double widen_single(std::uint32_t bits) {
    std::uint16_t flags = 0;
    Operand x = load_single(bits, &flags);
    std::uint64_t sign = static_cast<std::uint64_t>(x.value.negative) << 63;
    std::uint64_t result = sign;
    switch (x.kind) {
    case Kind::Finite:
        result |= (static_cast<std::uint64_t>(x.value.exponent + 1023) << 52) |
                  ((x.value.significand << 1) >> 12);
        break;
    case Kind::Infinity:
        result |= 0x7FF0000000000000ull;
        break;
    case Kind::SignallingNaN:
        flags |= SW_INVALID;
        [[fallthrough]];
    case Kind::QuietNaN:
        result |= 0x7FF8000000000000ull | ((x.value.significand << 1) >> 12);
        break;
    default:
        break;
    }
    signal_exceptions(flags);
    return std::bit_cast<double>(result);
}

std::uint32_t round_to_single(double value) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    bool negative = (bits >> 63) != 0;
    int exponent = static_cast<int>((bits >> 52) & 0x7FF);
    std::uint64_t fraction = bits & 0x000FFFFFFFFFFFFFull;
    std::uint32_t sign = negative ? 0x80000000u : 0u;
    std::uint16_t flags = 0;
    std::uint32_t result = sign;
    if (exponent == 0x7FF) {
        bool signalling = fraction != 0 && (fraction >> 51) == 0;
        flags |= signalling ? SW_INVALID : 0;
        result |=
            fraction == 0 ? 0x7F800000u : 0x7FC00000u | static_cast<std::uint32_t>(fraction >> 29);
    } else if (exponent == 0 && fraction != 0) {
        flags |= SW_DENORMAL;
        result = pack_single(normalised(negative, fraction, -1011), false, &flags);
    } else if (exponent != 0) {
        result = pack_single({negative, (fraction | (1ull << 52)) << 11, exponent - 1023}, false,
                             &flags);
    }
    signal_exceptions(flags);
    return result;
}

std::uint32_t store_single(const FpuExtended& value) {
    std::uint16_t flags = 0;
    Operand x = load_extended(value, &flags);
    flags &= static_cast<std::uint16_t>(~SW_DENORMAL); // a store does not check its source
    std::uint32_t sign = x.value.negative ? 0x80000000u : 0u;
    std::uint32_t result = sign;
    switch (x.kind) {
    case Kind::Finite:
        result = pack_single(x.value, false, &flags);
        break;
    case Kind::Infinity:
        result |= 0x7F800000u;
        break;
    case Kind::SignallingNaN:
        flags |= SW_INVALID;
        [[fallthrough]];
    case Kind::QuietNaN:
        result |= 0x7FC00000u | static_cast<std::uint32_t>((x.value.significand >> 40) & 0x7FFFFF);
        break;
    case Kind::Unsupported:
        flags |= SW_INVALID;
        result = 0xFFC00000u;
        break;
    default:
        break;
    }
    signal_exceptions(flags);
    return result;
}

namespace {

int precision_bits(std::uint16_t control) {
    switch (control & PRECISION_MASK) {
    case PRECISION_24:
        return 24;
    case PRECISION_53:
        return 53;
    default:
        return 64;
    }
}

// The quotient of two significands as 64 bits with the next bit and whether anything remains;
// the exponent drops by one when the dividend's significand is the smaller.
struct LongQuotient {
    std::uint64_t bits;
    std::uint64_t below; // the next bit at the top, any remainder as the lowest bit
    int exponent;
};

LongQuotient divide_significands(std::uint64_t dividend, std::uint64_t divisor, int exponent) {
    // The remainder is a 65-bit value: a carry bit above 64 bits.
    std::uint64_t remainder = dividend;
    bool carry = false;
    if (dividend < divisor) {
        carry = (remainder >> 63) != 0;
        remainder <<= 1;
        --exponent;
    }
    std::uint64_t bits = 0;
    for (int i = 0; i < 64; ++i) {
        bits <<= 1;
        if (carry || remainder >= divisor) {
            remainder -= divisor;
            bits |= 1;
        }
        carry = (remainder >> 63) != 0;
        remainder <<= 1;
    }
    bool next = carry || remainder >= divisor;
    if (next) {
        remainder -= divisor;
    }
    bool rest = next ? remainder != 0 : (carry || remainder != 0);
    return {bits, (next ? INTEGER_BIT : 0) | (rest ? 1u : 0u), exponent};
}

FpuExtended finite_quotient(const Unpacked& t, const Unpacked& d, std::uint16_t control,
                            std::uint16_t* flags) {
    bool negative = t.negative != d.negative;
    int mode = rounding_mode(control);
    int drop = 64 - precision_bits(control);
    LongQuotient q = divide_significands(t.significand, d.significand, t.exponent - d.exponent);
    int biased = q.exponent + EXTENDED_BIAS;
    bool inexact = false;
    if (biased < 1) {
        // Below the normal range: the significand keeps fewer bits, with the exponent field 0
        // unless rounding carried it into the normal range.
        std::uint64_t kept =
            round_off(q.bits, q.below, drop + 1 - biased, negative, mode, &inexact);
        std::uint64_t significand = kept << drop;
        *flags |= inexact ? (SW_UNDERFLOW | SW_INEXACT) : 0;
        return signed_extended(negative, significand, (significand & INTEGER_BIT) ? 1 : 0);
    }
    std::uint64_t kept = round_off(q.bits, q.below, drop, negative, mode, &inexact);
    if (drop == 0 ? kept == 0 && inexact : (kept >> (64 - drop)) != 0) {
        kept = drop == 0 ? INTEGER_BIT : kept >> 1;
        ++biased;
    }
    if (biased >= EXTENDED_MAX_EXPONENT) {
        *flags |= SW_OVERFLOW | SW_INEXACT;
        return overflows_to_infinity(negative, mode)
                   ? signed_extended(negative, INTEGER_BIT, EXTENDED_MAX_EXPONENT)
                   : signed_extended(negative, ~0ull << drop, EXTENDED_MAX_EXPONENT - 1);
    }
    *flags |= inexact ? SW_INEXACT : 0;
    return signed_extended(negative, kept << drop, biased);
}

bool is_nan(Kind kind) {
    return kind == Kind::QuietNaN || kind == Kind::SignallingNaN;
}

// A NaN operand gives itself made quiet (of two, the one with the larger significand).
FpuExtended nan_quotient(const Operand& t, const Operand& d, std::uint16_t* flags) {
    if (t.kind == Kind::SignallingNaN || d.kind == Kind::SignallingNaN) {
        *flags |= SW_INVALID;
    }
    if (!is_nan(d.kind) ||
        (is_nan(t.kind) && (t.value.significand | QUIET_BIT) > (d.value.significand | QUIET_BIT))) {
        return extended_nan(t.value);
    }
    return extended_nan(d.value);
}

FpuExtended quotient(std::uint32_t t_bits, const FpuExtended& d_value, std::uint16_t control,
                     std::uint16_t* flags) {
    Operand t = load_single(t_bits, flags);
    Operand d = load_extended(d_value, flags);
    bool negative = t.value.negative != d.value.negative;
    if (is_nan(t.kind) || is_nan(d.kind)) {
        return nan_quotient(t, d, flags);
    }
    if (d.kind == Kind::Unsupported || (t.kind == d.kind && t.kind != Kind::Finite)) {
        *flags |= SW_INVALID; // 0 / 0, infinity / infinity
        return INDEFINITE;
    }
    if (t.kind == Kind::Infinity || d.kind == Kind::Zero) {
        *flags |= t.kind == Kind::Infinity ? 0 : SW_ZERODIVIDE;
        return signed_extended(negative, INTEGER_BIT, EXTENDED_MAX_EXPONENT);
    }
    if (t.kind == Kind::Zero || d.kind == Kind::Infinity) {
        return signed_extended(negative, 0, 0);
    }
    return finite_quotient(t.value, d.value, control, flags);
}

} // namespace

FpuExtended divide_single(std::uint32_t t_bits, const FpuExtended& d) {
    std::uint16_t flags = 0;
    FpuExtended result = quotient(t_bits, d, unit.control, &flags);
    signal_exceptions(flags);
    return result;
}

FpuExtended exact_divide(std::uint32_t t_bits, const FpuExtended& d, std::uint16_t control) {
    std::uint16_t flags = 0;
    return quotient(t_bits, d, control, &flags);
}

// Without a faulty divider the residue is the processor's own.
double division_residue(double dividend, double divisor) {
    volatile double x = dividend;
    volatile double y = divisor;
    return x - (x / y) * y;
}

} // namespace lnc::softfpu
