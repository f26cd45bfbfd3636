// Arithmetic on the 80-bit extended working values of text-to-real conversion: building them
// from decimal digits, scaling by powers of ten and rounding them to doubles.
#include <bit>
#include <cstring>

#include "io/numconv/numconv.h"
#include "os/wide_multiply.h"

namespace lnc {

namespace {

constexpr std::uint16_t SIGN_BIT = 0x8000;
constexpr std::uint16_t EXPONENT_MASK = 0x7FFF;
constexpr int EXPONENT_BIAS = 16383;
constexpr std::uint64_t TOP_BIT = 0x8000000000000000ULL;
// Up to 19 decimal digits fit 64 bits, and then the integer needs no wider arithmetic.
constexpr int MAX_INTEGER_DIGITS = 19;

ExtendedReal make_zero(std::uint16_t sign) {
    return {0, 0, sign};
}
ExtendedReal make_infinity(std::uint16_t sign) {
    return {0, TOP_BIT, static_cast<std::uint16_t>(sign | EXPONENT_MASK)};
}

// The 96-bit intermediate: bits 95..32 in high, bits 31..0 in low.
struct Wide {
    std::uint64_t high;
    std::uint32_t low;
};

void shift_left_one(Wide& w) {
    w.high = (w.high << 1) | (w.low >> 31);
    w.low <<= 1;
}

// Shifts right by count (1..95), folding every bit shifted out into the lowest bit.
void shift_right_sticky(Wide& w, int count) {
    for (int i = 0; i < count; ++i) {
        std::uint32_t lost = w.low & 1;
        w.low = (w.low >> 1) | static_cast<std::uint32_t>(w.high << 31);
        w.high >>= 1;
        w.low |= lost;
    }
}

// The upper 96 bits of the 160-bit mantissa product, formed only from the partial products of
// 16-bit words whose positions add up to 4 or more. No carry is ever lost in forming them: each
// result position's products are summed at once and their carry goes into a word not yet
// written, and the whole stays below 2^96. So the sum is exact, and it is the product of the
// upper 64 bits of each mantissa less the three products of low words left out (positions 2 and
// 3), plus the two products of a lowest word with the other's top word (position 4).
[[gnu::always_inline]] inline Wide truncated_product(const ExtendedReal& a, const ExtendedReal& b) {
    os::Product128 p = os::multiply_64(a.high, b.high);
    std::uint64_t a1 = a.high & 0xFFFF;
    std::uint64_t a2 = (a.high >> 16) & 0xFFFF;
    std::uint64_t b1 = b.high & 0xFFFF;
    std::uint64_t b2 = (b.high >> 16) & 0xFFFF;
    std::uint64_t left_out = a1 * b1 + ((a1 * b2 + a2 * b1) << 16);
    std::uint64_t high = p.high - (p.low < left_out ? 1 : 0);
    std::uint64_t low = p.low - left_out; // its lowest 32 bits are now zero
    std::uint64_t sum_low = (high << 32) | (low >> 32);
    std::uint64_t sum_high = high >> 32;
    std::uint64_t edge = static_cast<std::uint64_t>(a.low) * (b.high >> 48) +
                         static_cast<std::uint64_t>(b.low) * (a.high >> 48);
    sum_low += edge;
    sum_high += sum_low < edge ? 1 : 0;
    return {(sum_high << 32) | (sum_low >> 32), static_cast<std::uint32_t>(sum_low)};
}

// Rounds a 96-bit mantissa to 80 bits (its lowest 16 bits above 0x8000 round up) and packs it.
// The round-up is added as a number rather than taken as a branch: whether the lowest 16 bits
// exceed 0x8000 is as good as random. Adding 0x7FFF carries out of them just when they do.
[[gnu::always_inline]] inline ExtendedReal round_to_extended(Wide w, int exponent,
                                                             std::uint16_t sign) {
    std::uint32_t low = (w.low >> 16) + (((w.low & 0xFFFF) + 0x7FFF) >> 16);
    std::uint32_t carry = low >> 16;
    low &= 0xFFFF;
    std::uint64_t high = w.high + carry;
    if (high == 0 && carry != 0) {
        high = TOP_BIT;
        ++exponent;
    }
    if (exponent == 0 && (high & TOP_BIT) != 0) {
        exponent = 1; // a value in the denormal range rounded up into the normal range
    }
    if (exponent >= EXPONENT_MASK) {
        return make_infinity(sign);
    }
    return {static_cast<std::uint16_t>(low), high, static_cast<std::uint16_t>(sign | exponent)};
}

// The usual product of two normal mantissas needs at most one place, taken without a branch;
// the general loop of multiply_extended gives the same for it.
[[gnu::always_inline]] inline ExtendedReal round_normal_product(Wide product, int exponent,
                                                                std::uint16_t sign) {
    unsigned places = static_cast<unsigned>(product.high >> 63) ^ 1u;
    product.high = (product.high << places) | ((product.low >> 31) & places);
    product.low <<= places;
    return round_to_extended(product, exponent - static_cast<int>(places), sign);
}

} // namespace

ExtendedReal integer_to_extended(std::uint64_t n) {
    if (n == 0) {
        return make_zero(0);
    }
    int places = std::countl_zero(n);
    return {0, n << places, static_cast<std::uint16_t>(EXPONENT_BIAS + 63 - places)};
}

ExtendedReal digits_to_extended(const std::uint8_t* digits, int count) {
    if (count <= MAX_INTEGER_DIGITS) {
        std::uint64_t n = 0;
        for (int i = 0; i < count; ++i) {
            n = n * 10 + digits[i];
        }
        return integer_to_extended(n);
    }
    std::uint32_t w[3] = {};
    for (int i = 0; i < count; ++i) {
        std::uint64_t carry = digits[i];
        for (auto& word : w) {
            std::uint64_t t = static_cast<std::uint64_t>(word) * 10 + carry;
            word = static_cast<std::uint32_t>(t);
            carry = t >> 32;
        }
    }
    Wide value{(static_cast<std::uint64_t>(w[2]) << 32) | w[1], w[0]};
    if (value.high == 0 && value.low == 0) {
        return make_zero(0);
    }
    // Normalised in at most two shifts rather than place by place (95 places for one digit).
    int shifted = 0;
    if (value.high == 0) {
        value.high = static_cast<std::uint64_t>(value.low) << 32;
        value.low = 0;
        shifted = 64;
    }
    int places = std::countl_zero(value.high);
    if (places > 0) {
        value.high = (value.high << places) |
                     ((static_cast<std::uint64_t>(value.low) << 32) >> (64 - places));
        value.low = places >= 32 ? 0 : value.low << places;
        shifted += places;
    }
    // The integer ends 16 places below the 80-bit mantissa's last place.
    int exponent = EXPONENT_BIAS + 79 - (shifted - 16);
    return {static_cast<std::uint16_t>(value.low >> 16), value.high,
            static_cast<std::uint16_t>(exponent)};
}

void multiply_extended(ExtendedReal& a, const ExtendedReal& b) {
    std::uint16_t sign = (a.sign_exponent ^ b.sign_exponent) & SIGN_BIT;
    int ea = a.sign_exponent & EXPONENT_MASK;
    int eb = b.sign_exponent & EXPONENT_MASK;
    // A denormal operand (exponent field 0) has the scale of exponent 1.
    int sum = (ea == 0 ? 1 : ea) + (eb == 0 ? 1 : eb);
    if (ea == EXPONENT_MASK || eb == EXPONENT_MASK || sum > 49149) {
        a = make_infinity(sign);
        return;
    }
    bool a_zero = a.high == 0 && a.low == 0;
    bool b_zero = b.high == 0 && b.low == 0;
    if (sum <= 16319 || a_zero || b_zero) {
        a = make_zero(sign);
        return;
    }
    Wide product = truncated_product(a, b);
    int exponent = sum - 16382;
    if (exponent > 2 && (product.high >> 62) != 0) {
        a = round_normal_product(product, exponent, sign);
        return;
    }
    while ((product.high & TOP_BIT) == 0 && exponent > 1) {
        shift_left_one(product);
        --exponent;
    }
    if (exponent <= 0) {
        shift_right_sticky(product, 1 - exponent);
        exponent = 0;
    } else if ((product.high & TOP_BIT) == 0) {
        exponent = 0; // exponent field 0 keeps the scale of exponent 1
    }
    a = round_to_extended(product, exponent, sign);
}

void scale_by_power_of_ten(ExtendedReal& value, int n) {
    if (n == 0) {
        return;
    }
    value.low = 0;
    const ExtendedReal* table = n > 0 ? PowersOfTenPositive : PowersOfTenNegative;
    // Negated in unsigned arithmetic so that the most negative int is safe.
    std::uint32_t magnitude =
        n > 0 ? static_cast<std::uint32_t>(n) : 0u - static_cast<std::uint32_t>(n);
    std::uint32_t groups = magnitude & 4095;
    for (int k = 0; groups != 0; ++k, groups >>= 3) {
        int d = static_cast<int>(groups & 7);
        if (d != 0) {
            multiply_extended(value, table[k * 7 + d - 1]);
        }
    }
    // Decimal exponents stop at 5200, so this runs at most once in practice; beyond, the value
    // saturates to infinity or zero after a few rounds.
    for (std::uint32_t rounds = magnitude >> 12; rounds != 0; --rounds) {
        multiply_extended(value, table[28]);
        std::uint16_t e = value.sign_exponent & EXPONENT_MASK;
        if (e == EXPONENT_MASK || (value.high == 0 && value.low == 0)) {
            break;
        }
    }
}

namespace {

std::uint64_t double_bits(std::uint64_t sign, std::uint64_t biased_exponent,
                          std::uint64_t mantissa) {
    return sign | (biased_exponent << 52) | (mantissa & ((1ULL << 52) - 1));
}

DoubleResult make_double(std::uint64_t bits, int status) {
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return {value, status};
}

// Bit i of the 80-bit mantissa (bit 79 the top); 0 beyond it.
bool mantissa_bit(const ExtendedReal& v, int i) {
    if (i < 16) {
        return ((v.low >> i) & 1) != 0;
    }
    return i < 80 && ((v.high >> (i - 16)) & 1) != 0;
}

// Whether any mantissa bit below bit i is set.
bool mantissa_bits_below(const ExtendedReal& v, int i) {
    if (i <= 16) {
        return (v.low & ((1u << i) - 1)) != 0;
    }
    if (v.low != 0) {
        return true;
    }
    return i - 16 >= 64 ? v.high != 0 : (v.high & ((1ULL << (i - 16)) - 1)) != 0;
}

// The mantissa shifted right by shift places, cut to its top 53 bits and rounded the double way:
// up when the first dropped bit is 1 and any dropped bit from the third on is 1. The second
// dropped bit takes no part, so an exact half and a value a quarter above it are both cut.
std::uint64_t round_53(const ExtendedReal& v, int shift) {
    int cut = 27 + shift; // lowest kept bit
    std::uint64_t kept = cut - 16 >= 64 ? 0 : v.high >> (cut - 16);
    if (mantissa_bit(v, cut - 1) && mantissa_bits_below(v, cut - 2)) {
        ++kept;
    }
    return kept;
}

// The unsigned double of a normal mantissa whose double is normal even after a carry: the
// rounding of round_53 at shift 0 (the first dropped bit 10 of high, the bits from the third on
// 8..0 of high and low), taken as numbers rather than branches.
[[gnu::always_inline]] inline std::uint64_t normal_double_bits(const ExtendedReal& value) {
    int exponent = value.sign_exponent & EXPONENT_MASK;
    std::uint64_t up = (value.high >> 10) & ((value.high & 0x1FF) != 0 || value.low != 0);
    std::uint64_t mantissa = (value.high >> 11) + up;
    std::uint64_t carry = mantissa >> 53;
    std::uint64_t biased = static_cast<std::uint64_t>(exponent - EXPONENT_BIAS + 1023) + carry;
    return double_bits(0, biased, mantissa >> carry);
}

} // namespace

double scale_small_to_double(std::uint64_t integer, int decimal) {
    ExtendedReal value = integer_to_extended(integer);
    if (decimal != 0) {
        // Both mantissas are normal and the exponents far from either end of the range: the
        // multiplication is the usual one of multiply_extended, and the double is normal.
        const ExtendedReal& power =
            decimal > 0 ? PowersOfTenPositive[decimal - 1] : PowersOfTenNegative[-decimal - 1];
        int sum = value.sign_exponent + power.sign_exponent;
        value = round_normal_product(truncated_product(value, power), sum - 16382, 0);
    }
    return make_double(normal_double_bits(value), 0).value;
}

DoubleResult extended_to_double(const ExtendedReal& value) {
    std::uint64_t sign = (value.sign_exponent & SIGN_BIT) != 0 ? 1ULL << 63 : 0;
    int exponent = value.sign_exponent & EXPONENT_MASK;
    if ((value.high & TOP_BIT) != 0 && exponent >= EXPONENT_BIAS - 1022 &&
        exponent <= EXPONENT_BIAS + 1022) {
        return make_double(sign | normal_double_bits(value), 0);
    }
    bool zero_mantissa = value.high == 0 && value.low == 0;
    if (exponent == EXPONENT_MASK) {
        return make_double(double_bits(sign, 0x7FF, 0), 1);
    }
    if (exponent == 0 || zero_mantissa) {
        return make_double(sign, zero_mantissa ? 0 : 2);
    }
    ExtendedReal v = value;
    while ((v.high & TOP_BIT) == 0) { // an unnormal from outside the conversion
        v.high = (v.high << 1) | (v.low >> 15);
        v.low = static_cast<std::uint16_t>(v.low << 1);
        --exponent;
    }
    int unrounded = exponent - EXPONENT_BIAS;
    std::uint64_t mantissa = round_53(v, 0);
    int e = unrounded;
    if (mantissa >> 53 != 0) {
        mantissa >>= 1;
        ++e;
    }
    if (e < -1076) {
        return make_double(sign, 2);
    }
    if (e <= -1023) {
        // The denormal comes from the unrounded mantissa at its own exponent, rounded once at the
        // last denormal place; a carry into bit 52 yields the smallest normal pattern by itself.
        return make_double(sign | round_53(v, -1022 - unrounded), 2);
    }
    if (e < 1024) {
        return make_double(double_bits(sign, static_cast<std::uint64_t>(e + 1023), mantissa), 0);
    }
    return make_double(double_bits(sign, 0x7FF, 0), 1);
}

} // namespace lnc
