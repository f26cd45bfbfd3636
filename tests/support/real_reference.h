// Independent models of how the text-to-real conversion rounds, sharing no code with it: the
// exact rounding rule on exact values (big integers), and a model of the whole pipeline (digit
// rules, 80-bit working values with the truncated product, double rule, single rounding)
// formulated with column sums and plain comparisons. Used by the conversion tests and the
// exhaustive read-back tool.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "support/big_integer.h"

namespace lnc::test {

// ---- The double rounding rule on exact values ----

// The double the conversion's rule gives for the exact value num / den (> 0): the top 53 bits,
// raised by one when the 54th bit is 1 and any bit from the 56th on is 1 (the 55th bit takes no
// part); below the normal range the same rule at the last denormal place.
inline std::uint64_t rule_rounded_double(const BigInteger& num, const BigInteger& den,
                                         bool negative) {
    std::uint64_t sign = negative ? 1ULL << 63 : 0;
    if (num.is_zero()) {
        return sign;
    }
    // Find shift so that num * 2^shift / den lies in [2^54, 2^55): 53 bits, the 54th and the 55th.
    int shift = 54 - (num.bit_length() - den.bit_length());
    auto scaled = [&](int s) {
        return s >= 0 ? divide_small(num << s, den) : divide_small(num, den << -s);
    };
    SmallQuotient q = scaled(shift);
    while (q.quotient >= 1ULL << 55) {
        q = scaled(--shift);
    }
    while (q.quotient < 1ULL << 54) {
        q = scaled(++shift);
    }
    int e = 54 - shift; // the value lies in [2^e, 2^(e+1))
    if (e < -1022) {
        q = scaled(1076); // the denormal's places, then the 54th and the 55th
    }
    std::uint64_t m = q.quotient >> 2;
    bool half_bit = ((q.quotient >> 1) & 1) != 0;
    if (half_bit && q.inexact) {
        ++m;
    }
    if (e < -1022) {
        return sign | m; // a carry into bit 52 gives the smallest normal pattern
    }
    if (m == 1ULL << 53) {
        m >>= 1;
        ++e;
    }
    if (e >= 1024) {
        return sign | 0x7FF0000000000000ULL;
    }
    return sign | (static_cast<std::uint64_t>(e + 1023) << 52) | (m & ((1ULL << 52) - 1));
}

// ---- The digit rules ----

// A plain decimal text (optional sign, digits with an optional point, optional E exponent)
// reduced by the conversion's digit rules: at most 24 significant digits, where a 25th is
// dropped and the 24th rounded up by itself when it is 5 or more (it may become ten); trailing
// zeros removed. value = digits * 10^exponent.
struct ReducedDecimal {
    bool negative;
    int count;
    std::uint8_t digits[24];
    int exponent;
};

inline ReducedDecimal reduce_decimal(const char* text) {
    ReducedDecimal r{};
    const char* p = text;
    if (*p == '+' || *p == '-') {
        r.negative = *p++ == '-';
    }
    int significant = 0;
    bool after_point = false;
    for (; *p != '\0' && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            after_point = true;
            continue;
        }
        if (significant > 0 || *p != '0') {
            if (significant < 24) {
                r.digits[significant] = static_cast<std::uint8_t>(*p - '0');
            } else if (significant == 24 && r.digits[23] >= 5) {
                ++r.digits[23]; // only once a 25th digit exists
            }
            ++significant;
        }
        r.exponent -= after_point ? 1 : 0;
    }
    if (*p != '\0') {
        r.exponent += std::atoi(p + 1);
    }
    r.count = significant < 24 ? significant : 24;
    r.exponent += significant - r.count;
    while (r.count > 0 && r.digits[r.count - 1] == 0) {
        --r.count;
        ++r.exponent;
    }
    return r;
}

inline BigInteger digits_value(const ReducedDecimal& r) {
    BigInteger v;
    for (int i = 0; i < r.count; ++i) {
        v = v * BigInteger(10) + BigInteger(r.digits[i]);
    }
    return v;
}

// The double of the exact value the kept digits stand for, by the rule above: what the
// conversion gives when its 80-bit working arithmetic makes no difference.
inline std::uint64_t rule_double_of_text(const char* text) {
    ReducedDecimal r = reduce_decimal(text);
    if (r.exponent >= 0) {
        return rule_rounded_double(digits_value(r) * power(10, r.exponent), BigInteger(1),
                                   r.negative);
    }
    return rule_rounded_double(digits_value(r), power(10, -r.exponent), r.negative);
}

// ---- A model of the 80-bit working values ----

// mantissa = high * 2^16 + low; exponent biased by 16383; zero has a zero mantissa.
struct Model80 {
    std::uint64_t high;
    std::uint32_t low;
    int exponent;
};

inline Model80 model_from_big(const BigInteger& m, int exponent) {
    return {m.bits64(16), static_cast<std::uint32_t>(m.bits64(0) & 0xFFFF), exponent};
}

// 10^p rounded to the nearest 80-bit mantissa, worked out afresh with big integers.
inline Model80 model_power_of_ten(int p) {
    static std::map<int, Model80> cache;
    auto found = cache.find(p);
    if (found != cache.end()) {
        return found->second;
    }
    BigInteger ten = power(10, p < 0 ? -p : p);
    int length = ten.bit_length();
    BigInteger m;
    int exponent;
    if (p >= 0) {
        m = length <= 80 ? ten << (80 - length)
                         : divide_rounded(ten, BigInteger(1) << (length - 80));
        exponent = 16383 + length - 1;
    } else {
        // 2^(79 + length) / 10^-p lies in (2^79, 2^80].
        m = divide_rounded(BigInteger(1) << (79 + length), ten);
        exponent = 16383 - length;
    }
    if (m.bit_length() > 80) {
        m = m >> 1;
        ++exponent;
    }
    return cache[p] = model_from_big(m, exponent);
}

inline bool model_is_zero(const Model80& v) {
    return v.high == 0 && v.low == 0;
}

// The upper 96 bits of the product of the mantissas from the partial products whose 16-bit word
// positions sum to 4 or more, as column sums with their carries: six 16-bit words, lowest first.
inline void model_truncated_product(const Model80& a, const Model80& b, std::uint32_t out[6]) {
    std::uint64_t wa[5] = {a.low, a.high & 0xFFFF, (a.high >> 16) & 0xFFFF, (a.high >> 32) & 0xFFFF,
                           a.high >> 48};
    std::uint64_t wb[5] = {b.low, b.high & 0xFFFF, (b.high >> 16) & 0xFFFF, (b.high >> 32) & 0xFFFF,
                           b.high >> 48};
    std::uint64_t carry = 0;
    for (int column = 4; column <= 8; ++column) {
        std::uint64_t sum = carry;
        for (int i = column - 4; i <= 4; ++i) {
            sum += wa[i] * wb[column - i];
        }
        out[column - 4] = static_cast<std::uint32_t>(sum & 0xFFFF);
        carry = sum >> 16;
    }
    out[5] = static_cast<std::uint32_t>(carry);
}

inline Model80 model_multiply(const Model80& a, const Model80& b) {
    const Model80 infinity{1ULL << 63, 0, 0x7FFF};
    int sum = a.exponent + b.exponent;
    if (a.exponent == 0x7FFF || b.exponent == 0x7FFF || sum > 49149) {
        return infinity;
    }
    if (sum <= 16319 || model_is_zero(a) || model_is_zero(b)) {
        return {0, 0, 0};
    }
    std::uint32_t w[6];
    model_truncated_product(a, b, w);
    int exponent = sum - 16382;
    auto top_clear = [&] { return (w[5] & 0x8000) == 0; };
    while (top_clear() && exponent > 1) {
        for (int i = 5; i >= 0; --i) {
            w[i] = ((w[i] << 1) | (i > 0 ? w[i - 1] >> 15 : 0)) & 0xFFFF;
        }
        --exponent;
    }
    for (; exponent <= 0; ++exponent) {
        std::uint32_t lost = w[0] & 1;
        for (int i = 0; i < 6; ++i) {
            w[i] = (w[i] >> 1) | (i < 5 ? (w[i + 1] & 1) << 15 : 0);
        }
        w[0] |= lost;
    }
    if (exponent == 1 && top_clear()) {
        exponent = 0;
    }
    Model80 r{0, w[1], exponent};
    for (int i = 5; i >= 2; --i) {
        r.high = (r.high << 16) | w[i];
    }
    if (w[0] > 0x8000) {
        r.low = (r.low + 1) & 0xFFFF;
        if (r.low == 0 && ++r.high == 0) {
            r.high = 1ULL << 63;
            ++r.exponent;
        }
        if (r.exponent == 0 && (r.high >> 63) != 0) {
            r.exponent = 1;
        }
    }
    return r.exponent >= 0x7FFF ? infinity : r;
}

inline void model_scale(Model80& v, int n) {
    if (n == 0) {
        return;
    }
    v.low = 0;
    int sign = n < 0 ? -1 : 1;
    int magnitude = n * sign;
    for (int k = 0; k < 4; ++k) {
        int d = (magnitude >> (3 * k)) & 7;
        if (d != 0) {
            v = model_multiply(v, model_power_of_ten(sign * (d << (3 * k))));
        }
    }
    if (magnitude >= 4096) {
        v = model_multiply(v, model_power_of_ten(sign * 4096));
    }
}

// The double of an 80-bit value by the rule: with r the part below the kept places and h the
// weight of the first dropped place, up when r >= h unless r is exactly h or h + h/2.
inline std::uint64_t model_double(const Model80& v, bool negative) {
    std::uint64_t sign = negative ? 1ULL << 63 : 0;
    if (v.exponent == 0x7FFF) {
        return sign | 0x7FF0000000000000ULL;
    }
    if (v.exponent == 0 || model_is_zero(v)) {
        return sign;
    }
    int e = v.exponent - 16383;
    // Places dropped from the 80-bit mantissa: 27 for a normal double, more for a denormal.
    int dropped = e < -1022 ? -(e + 995) : 27;
    if (dropped > 81) {
        return sign;
    }
    BigInteger m = (BigInteger(v.high) << 16) + BigInteger(v.low);
    BigInteger kept = m >> dropped;
    BigInteger rest = m - (kept << dropped);
    BigInteger h = BigInteger(1) << (dropped - 1);
    BigInteger h_and_half = h + (BigInteger(1) << (dropped - 2));
    std::uint64_t result = kept.is_zero() ? 0 : kept.bits64(0);
    if (compare(rest, h) >= 0 && compare(rest, h) != 0 && compare(rest, h_and_half) != 0) {
        ++result;
    }
    if (e < -1022) {
        return sign | result;
    }
    if (result == 1ULL << 53) {
        result >>= 1;
        ++e;
    }
    if (e >= 1024) {
        return sign | 0x7FF0000000000000ULL;
    }
    return sign | (static_cast<std::uint64_t>(e + 1023) << 52) | (result & ((1ULL << 52) - 1));
}

// The double the whole conversion gives for a plain decimal text.
inline std::uint64_t model_double_of_text(const char* text) {
    ReducedDecimal r = reduce_decimal(text);
    std::uint64_t sign = r.negative ? 1ULL << 63 : 0;
    if (r.count == 0 || r.exponent < -5200) {
        return sign;
    }
    if (r.exponent > 5200) {
        return sign | 0x7FF0000000000000ULL;
    }
    BigInteger digits = digits_value(r);
    int length = digits.bit_length();
    Model80 v = model_from_big(digits << (80 - length), 16383 + length - 1);
    model_scale(v, r.exponent);
    return model_double(v, r.negative);
}

// What a single-precision item receives: the message index (6 overflow, 8 beyond the single
// range) or 0 and the single's bits, rounded to nearest even without the x87 unit.
struct ModelSingle {
    int message_index;
    std::uint32_t bits;
};

inline ModelSingle model_single_of_double(std::uint64_t double_bits) {
    double d;
    std::memcpy(&d, &double_bits, sizeof d);
    if ((double_bits & 0x7FF0000000000000ULL) == 0x7FF0000000000000ULL) {
        return {6, 0};
    }
    // The bound is the double just above the largest single.
    if ((double_bits & ~(1ULL << 63)) > 0x47EFFFFFE0000001ULL) {
        return {8, 0};
    }
    volatile float f = static_cast<float>(d);
    float copy = f;
    std::uint32_t bits;
    std::memcpy(&bits, &copy, sizeof bits);
    return {0, bits};
}

} // namespace lnc::test
