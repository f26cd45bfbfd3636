// Arithmetic on the 80-bit extended working values of text-to-real conversion: building them
// from decimal digits, scaling by powers of ten and rounding them to doubles.
#include <bit>
#include <cstring>

#include "io/numconv/numconv.h"

namespace lnc {

namespace {

constexpr std::uint16_t SIGN_BIT = 0x8000;
constexpr std::uint16_t EXPONENT_MASK = 0x7FFF;
constexpr int EXPONENT_BIAS = 16383;
constexpr std::uint64_t TOP_BIT = 0x8000000000000000ULL;

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

// The upper 96 bits of the 160-bit mantissa product, formed only from the partial products whose
// word positions add up to 4 or more; a carry out of a 32-bit pair goes into the next word only.
Wide truncated_product(const ExtendedReal& a, const ExtendedReal& b) {
    std::uint16_t wa[5];
    std::uint16_t wb[5];
    wa[0] = a.low;
    wb[0] = b.low;
    for (int i = 1; i < 5; ++i) {
        wa[i] = static_cast<std::uint16_t>(a.high >> (16 * (i - 1)));
        wb[i] = static_cast<std::uint16_t>(b.high >> (16 * (i - 1)));
    }
    // The products of one result position are summed at once: the 32 bits at words i and i + 1
    // keep the sum's low half, and every carry out of them (the sum's high half counts them)
    // goes into word i + 2 alone, wrapping there.
    std::uint16_t r[6] = {};
    for (int i = 0; i <= 4; ++i) {
        std::uint64_t sum = r[i] | (static_cast<std::uint64_t>(r[i + 1]) << 16);
        for (int j = 0; j <= 4 - i; ++j) {
            sum += static_cast<std::uint32_t>(wa[i + j]) * wb[4 - j];
        }
        r[i] = static_cast<std::uint16_t>(sum);
        r[i + 1] = static_cast<std::uint16_t>(sum >> 16);
        if (i + 2 < 6) {
            r[i + 2] = static_cast<std::uint16_t>(r[i + 2] + (sum >> 32));
        }
    }
    Wide w;
    w.low = r[0] | (static_cast<std::uint32_t>(r[1]) << 16);
    w.high = 0;
    for (int i = 5; i >= 2; --i) {
        w.high = (w.high << 16) | r[i];
    }
    return w;
}

// Rounds a 96-bit mantissa to 80 bits (its lowest 16 bits above 0x8000 round up) and packs it.
ExtendedReal round_to_extended(Wide w, int exponent, std::uint16_t sign) {
    std::uint64_t high = w.high;
    std::uint32_t low = w.low >> 16;
    if ((w.low & 0xFFFF) > 0x8000) {
        if (++low == 0x10000) {
            low = 0;
            if (++high == 0) {
                high = TOP_BIT;
                ++exponent;
            }
        }
    }
    if (exponent == 0 && (high & TOP_BIT) != 0) {
        exponent = 1; // a value in the denormal range rounded up into the normal range
    }
    if (exponent >= EXPONENT_MASK) {
        return make_infinity(sign);
    }
    return {static_cast<std::uint16_t>(low), high, static_cast<std::uint16_t>(sign | exponent)};
}

} // namespace

ExtendedReal digits_to_extended(const std::uint8_t* digits, int count) {
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
    for (int k = 0; k < 4; ++k, groups >>= 3) {
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

} // namespace

DoubleResult extended_to_double(const ExtendedReal& value) {
    std::uint64_t sign = (value.sign_exponent & SIGN_BIT) != 0 ? 1ULL << 63 : 0;
    int exponent = value.sign_exponent & EXPONENT_MASK;
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
