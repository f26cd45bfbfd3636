// The digit source of real output: the first 17 significant digits of a double's exact value,
// rounded half up from the 18th. A 64 x 128-bit product with a table of truncated powers of ten
// gives the digits; its error never reaches a rounding boundary of a double's 18th digit.
#include "io/numconv/numconv.h"
#include "io/numconv/wide_integer.h"
#include "os/wide_multiply.h"

#include <bit>

namespace lnc {
namespace {

// 10^k = (high:low) * 2^binary_exponent, the 128-bit mantissa truncated (never above the
// exact value, less than one unit below it).
struct PowerOfTen {
    std::uint64_t high;
    std::uint64_t low;
    int binary_exponent;
};

constexpr int POWER_MIN = -290; // enough for the largest double at 18 digits
constexpr int POWER_MAX = 342;  // enough for the smallest subnormal, with one retry step
constexpr int POWER_COUNT = POWER_MAX - POWER_MIN + 1;

struct PowerTable {
    PowerOfTen entry[POWER_COUNT];
};

constexpr PowerOfTen positive_power(const wide::WideInteger& five_k, int k) {
    const int length = wide::bit_length(five_k);
    if (length <= 128) {
        wide::WideInteger shifted = five_k;
        wide::shift_left(shifted, 128 - length);
        return {wide::bits_at(shifted, 64), wide::bits_at(shifted, 0), k - (128 - length)};
    }
    return {wide::bits_at(five_k, length - 64), wide::bits_at(five_k, length - 128),
            k + (length - 128)};
}

// The negative powers, one division by 5 per step: with 2^N = q * 5^j + r (q of 128 bits),
// 2^(N+a) = (q * 2^a + c) * 5^j + r', c = floor(r * 2^a / 5^j), and dividing that quotient by 5
// gives floor(2^(N+a) / 5^(j+1)) with its remainder. a (2 or 3) keeps the quotient at 128 bits.
struct Reciprocal {
    wide::WideInteger quotient;  // floor(2^n / 5^j)
    wide::WideInteger remainder; // 2^n mod 5^j
    wide::WideInteger divisor;   // 5^j
    int n;
};

constexpr bool next_reciprocal(Reciprocal& rec, int a) {
    wide::WideInteger q = rec.quotient;
    wide::WideInteger r = rec.remainder;
    wide::shift_left(q, a);
    wide::shift_left(r, a);
    std::uint32_t c = 0;
    for (; wide::compare(r, rec.divisor) >= 0; ++c) {
        wide::subtract(r, rec.divisor);
    }
    wide::add(q, wide::from_u64(c));
    const std::uint32_t m = wide::divide_small(q, 5);
    if (wide::bit_length(q) != 128) {
        return false;
    }
    wide::WideInteger next_remainder = rec.divisor;
    wide::multiply_small(next_remainder, m);
    wide::add(next_remainder, r);
    rec.quotient = q;
    rec.remainder = next_remainder;
    wide::multiply_small(rec.divisor, 5);
    rec.n += a;
    return true;
}

constexpr PowerTable build_positive_powers() {
    PowerTable table{};
    wide::WideInteger five = wide::from_u64(1);
    for (int k = 0; k <= POWER_MAX; ++k) {
        table.entry[k - POWER_MIN] = positive_power(five, k);
        wide::multiply_small(five, 5);
    }
    return table;
}

constexpr PowerTable add_negative_powers(PowerTable table) {
    Reciprocal rec{wide::from_u64(1), wide::from_u64(0), wide::from_u64(1), 127};
    wide::shift_left(rec.quotient, 127);
    for (int j = 1; j <= -POWER_MIN; ++j) {
        if (!next_reciprocal(rec, 2)) {
            next_reciprocal(rec, 3);
        }
        table.entry[-j - POWER_MIN] = {wide::bits_at(rec.quotient, 64),
                                       wide::bits_at(rec.quotient, 0), -j - rec.n};
    }
    return table;
}

constexpr PowerTable POWERS = add_negative_powers(build_positive_powers());

constexpr bool all_normalised(const PowerTable& table) {
    for (const PowerOfTen& p : table.entry) {
        if ((p.high >> 63) != 1) {
            return false;
        }
    }
    return true;
}
static_assert(all_normalised(POWERS), "every power of ten has a 128-bit mantissa");

using os::multiply_64;
using os::Product128;

// x = mantissa * 2^exponent * 10^k as integer part and the top 64 bits of the fraction. The
// exact x lies in [integer + fraction / 2^64, integer + (fraction + 4) / 2^64).
struct Scaled {
    std::uint64_t integer;
    std::uint64_t fraction;
};

Scaled scale(std::uint64_t mantissa, int exponent, int k) {
    const PowerOfTen& p = POWERS.entry[k - POWER_MIN];
    const Product128 lo = multiply_64(mantissa, p.low);
    const Product128 hi = multiply_64(mantissa, p.high);
    const std::uint64_t w0 = lo.low;
    const std::uint64_t w1 = lo.high + hi.low;
    const std::uint64_t w2 = hi.high + (w1 < lo.high ? 1 : 0);
    // The callers keep x in [10^17, 10^19), which puts the shift in 127..136.
    const int shift = -(exponent + p.binary_exponent);
    if (shift >= 128) {
        const int t = shift - 128;
        if (t == 0) {
            return {w2, w1};
        }
        return {w2 >> t, (w2 << (64 - t)) | (w1 >> t)};
    }
    const int t = shift - 64; // 63 here
    return {(w2 << (64 - t)) | (w1 >> t), (w1 << (64 - t)) | (w0 >> t)};
}

// floor(log10(2^n)) for |n| < 2200.
int floor_log10_pow2(int n) {
    return static_cast<int>((static_cast<std::int64_t>(n) * 1292913986) >> 32);
}

constexpr std::uint64_t TEN_16 = 10000000000000000ULL;
constexpr std::uint64_t TEN_17 = 100000000000000000ULL;
constexpr std::uint64_t TEN_18 = 1000000000000000000ULL;

// The 17 digits of an 18- or 19-digit integer part, rounded half up at the 18th digit.
struct Rounded {
    std::uint64_t digits; // 10^16 <= digits < 10^17
    int point;
};

Rounded round_to_17(std::uint64_t integer, int k) {
    Rounded r = integer < TEN_18 ? Rounded{(integer + 5) / 10, 18 - k}
                                 : Rounded{(integer + 50) / 100, 19 - k};
    if (r.digits == TEN_17) {
        r.digits = TEN_16;
        r.point += 1;
    }
    return r;
}

Rounded significant_digits(std::uint64_t mantissa, int exponent) {
    // Normalise so that the top bit is set; value = mantissa * 2^exponent.
    const int shift = std::countl_zero(mantissa);
    mantissa <<= shift;
    exponent -= shift;
    // floor(log10(value)) is p0 or p0 + 1, so x = value * 10^(17 - p0) lies in [10^17, 10^19).
    int k = 17 - floor_log10_pow2(exponent + 63);
    Scaled x = scale(mantissa, exponent, k);
    if (x.integer < TEN_17) {
        ++k;
        x = scale(mantissa, exponent, k);
    }
    // The exact integer part may be one more than the estimate's only when the fraction lies
    // within 4 units of 2^-64 below 1; no double comes that near to an 18-digit rounding boundary
    // (tools/decimal_digits_search.py), so the estimate's integer part rounds as the exact one.
    return round_to_17(x.integer, k);
}

void set_text(DigitString& ds, const char* text) {
    ds.count = 0;
    for (; text[ds.count] != '\0'; ++ds.count) {
        ds.digits[ds.count] = text[ds.count];
    }
    ds.digits[ds.count] = '\0';
}

void set_digits(DigitString& ds, std::uint64_t digits) {
    // 17 digits as 9 + 8, so that the 32-bit target divides in 32 bits.
    std::uint32_t parts[2] = {static_cast<std::uint32_t>(digits / 100000000),
                              static_cast<std::uint32_t>(digits % 100000000)};
    const int widths[2] = {9, 8};
    int at = 17;
    for (int part = 1; part >= 0; --part) {
        for (int i = 0; i < widths[part]; ++i) {
            ds.digits[--at] = static_cast<char>('0' + parts[part] % 10);
            parts[part] /= 10;
        }
    }
    ds.count = 17;
    while (ds.digits[ds.count - 1] == '0') {
        --ds.count;
    }
    ds.digits[ds.count] = '\0';
}

void set_special(DigitString& ds, std::uint64_t fraction) {
    constexpr std::uint64_t quiet = std::uint64_t{1} << 51;
    ds.valid = 0;
    ds.point = 1;
    if (fraction == 0) {
        set_text(ds, "1#INF");
    } else if (fraction == quiet && ds.sign == '-') {
        set_text(ds, "1#IND");
    } else if ((fraction & quiet) != 0) {
        set_text(ds, "1#QNAN");
    } else {
        set_text(ds, "1#SNAN");
    }
}

} // namespace

DigitString decimal_digits(std::uint64_t double_bits) {
    DigitString ds{};
    ds.sign = (double_bits >> 63) != 0 ? '-' : ' ';
    ds.valid = 1;
    const int biased = static_cast<int>((double_bits >> 52) & 0x7FF);
    const std::uint64_t fraction = double_bits & ((std::uint64_t{1} << 52) - 1);
    if (biased == 0x7FF) {
        set_special(ds, fraction);
        return ds;
    }
    if (biased == 0 && fraction == 0) {
        ds.sign = ' ';
        ds.point = 0;
        set_text(ds, "0");
        return ds;
    }
    const Rounded r = biased == 0
                          ? significant_digits(fraction, -1074)
                          : significant_digits(fraction | (std::uint64_t{1} << 52), biased - 1075);
    ds.point = r.point;
    set_digits(ds, r.digits);
    return ds;
}

} // namespace lnc
