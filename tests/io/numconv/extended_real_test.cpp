// The 80-bit working arithmetic of text-to-real conversion: digits to mantissa, the truncated
// product, scaling by powers of ten and the rounding to double.
#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "io/numconv/numconv.h"
#include "support/big_integer.h"
#include "support/real_reference.h"

namespace lnc {
namespace {

using test::BigInteger;

BigInteger mantissa_of(const ExtendedReal& e) {
    return (BigInteger(e.high) << 16) + BigInteger(e.low);
}

// The value's scale: value = mantissa * 2^scale.
int scale_of(const ExtendedReal& e) {
    return (e.sign_exponent & 0x7FFF) - 16383 - 79;
}

bool equals_integer(const ExtendedReal& e, const BigInteger& n) {
    int s = scale_of(e);
    return s >= 0 ? test::compare(mantissa_of(e) << s, n) == 0
                  : test::compare(mantissa_of(e), n << -s) == 0;
}

void expect_same(const ExtendedReal& a, const ExtendedReal& b) {
    EXPECT_EQ(a.high, b.high);
    EXPECT_EQ(a.low, b.low);
    EXPECT_EQ(a.sign_exponent, b.sign_exponent);
}

std::uint64_t bits_of(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

test::Model80 model_of(const ExtendedReal& e) {
    return {e.high, e.low, e.sign_exponent & 0x7FFF};
}

struct Random {
    std::uint64_t state;
    std::uint64_t next() {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return (state >> 32) | ((state * 2862933555777941757ULL) & 0xFFFFFFFF00000000ULL);
    }
};

TEST(DigitsToExtended, TheDigitsIntegerExactlyAndNormalised) {
    struct Case {
        std::vector<std::uint8_t> digits;
        const char* value;
    } cases[] = {
        {{1}, "1"},
        {{2}, "2"},
        {{1, 0}, "10"},
        {{0, 0, 5}, "5"},
        {std::vector<std::uint8_t>(24, 9), "999999999999999999999999"},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3},
         "12345678901234567890123"},
        {{6, 0, 4, 4, 6, 2, 9, 0, 9, 8, 2, 3, 4, 5, 7, 6, 9, 0, 6, 2, 8, 2, 3, 0},
         "604462909823457690628230"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ExtendedReal e = digits_to_extended(c.digits.data(), static_cast<int>(c.digits.size()));
        EXPECT_NE(e.high & 0x8000000000000000ULL, 0u);
        BigInteger n;
        for (const char* p = c.value; *p != '\0'; ++p) {
            n = n * BigInteger(10) + BigInteger(static_cast<std::uint64_t>(*p - '0'));
        }
        EXPECT_TRUE(equals_integer(e, n));
    }
}

TEST(DigitsToExtended, ATenInTheLastPlaceIsACarry) {
    std::vector<std::uint8_t> digits(23, 9);
    digits.push_back(10);
    ExtendedReal e = digits_to_extended(digits.data(), 24);
    EXPECT_TRUE(equals_integer(e, test::power(10, 24)));
    EXPECT_EQ(e.sign_exponent, 16383 + 79);
}

TEST(DigitsToExtended, OneAndZero) {
    const std::uint8_t one[] = {1};
    expect_same(digits_to_extended(one, 1), ExtendedReal{0, 0x8000000000000000ULL, 0x3FFF});
    const std::uint8_t zeros[] = {0, 0};
    expect_same(digits_to_extended(zeros, 2), ExtendedReal{0, 0, 0});
    expect_same(digits_to_extended(zeros, 0), ExtendedReal{0, 0, 0});
}

TEST(MultiplyExtended, ExactProductsAndSigns) {
    ExtendedReal a{0, 0xC000000000000000ULL, 0x3FFF}; // 1.5
    multiply_extended(a, ExtendedReal{0, 0xC000000000000000ULL, 0x3FFF});
    expect_same(a, ExtendedReal{0, 0x9000000000000000ULL, 0x4000});       // 2.25
    ExtendedReal b{0, 0x8000000000000000ULL, 0xBFFF};                     // -1
    multiply_extended(b, ExtendedReal{0, 0xA000000000000000ULL, 0x4002}); // 10
    expect_same(b, ExtendedReal{0, 0xA000000000000000ULL, 0xC002});
    multiply_extended(b, ExtendedReal{0, 0x8000000000000000ULL, 0xBFFE}); // -0.5
    expect_same(b, ExtendedReal{0, 0xA000000000000000ULL, 0x4001});
}

TEST(MultiplyExtended, LowWordsExactlyAtHalfRoundDown) {
    // 1.5 * (1.5 + k * 2^-79): the lowest 16 bits of the 96-bit product are k * 0xC000.
    struct Case {
        std::uint16_t b_low;
        std::uint16_t result_low;
    } cases[] = {
        {1, 1}, // 0xC000: up
        {2, 1}, // 0x8000 exactly: down (nearest-even would give 2)
        {3, 2}, // 0x4000 below the carry: down
        {5, 4}, // 0xC000: up
        {6, 4}, // 0x8000: down
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.b_low);
        ExtendedReal a{0, 0xC000000000000000ULL, 0x3FFF};
        multiply_extended(a, ExtendedReal{c.b_low, 0xC000000000000000ULL, 0x3FFF});
        expect_same(a, ExtendedReal{c.result_low, 0x9000000000000000ULL, 0x4000});
    }
}

TEST(MultiplyExtended, TruncatedLowProductsDecideTheLastPlaces) {
    // The products of the low words are never formed, so these results lie up to three units
    // below the correctly rounded product.
    struct Case {
        ExtendedReal a, b, product;
    } cases[] = {
        {{0xAFC8, 0x97720E7A269FD95BULL, 0x3FFF},
         {0x738F, 0xCEE2DA94E3E8AB73ULL, 0x3FFF},
         {0x1238, 0xF4C7F74C9005CA52ULL, 0x3FFF}},
        {{0xC358, 0xB6539B1F282E4067ULL, 0x3FFF},
         {0x5D93, 0xE4BEA372DB8F6E40ULL, 0x3FFF},
         {0xA091, 0xA2EA3C9DEA489B12ULL, 0x4000}},
        {{0x0E33, 0xAA1B8697BBD0E252ULL, 0x3FFF},
         {0x9B78, 0xBC722D6C797F8F7DULL, 0x3FFF},
         {0xA5B1, 0xFA702A90910085BCULL, 0x3FFF}},
    };
    for (const Case& c : cases) {
        ExtendedReal r = c.a;
        multiply_extended(r, c.b);
        expect_same(r, c.product);
        // The correctly rounded product is larger.
        BigInteger full = mantissa_of(c.a) * mantissa_of(c.b);
        int drop = full.bit_length() - 80;
        BigInteger nearest = test::divide_rounded(full, BigInteger(1) << drop);
        EXPECT_LT(test::compare(mantissa_of(r), nearest), 0);
    }
}

TEST(MultiplyExtended, RoundingCarriesOutOfTheMantissa) {
    ExtendedReal a{0x8108, 0xFFFFFFFFFFFFFFF1ULL, 0x3FFF};
    multiply_extended(a, ExtendedReal{0x3F7C, 0x8000000000000007ULL, 0x3FFF});
    expect_same(a, ExtendedReal{0, 0x8000000000000000ULL, 0x4000});
}

TEST(MultiplyExtended, InfinityAndZeroLimits) {
    const ExtendedReal one{0, 0x8000000000000000ULL, 0x3FFF};
    const ExtendedReal infinity{0, 0x8000000000000000ULL, 0x7FFF};
    ExtendedReal r{0, 0, 0};
    multiply_extended(r, infinity); // infinity takes precedence over zero
    expect_same(r, infinity);
    // Exponent sums: 16319 gives zero, 16320 a tiny denormal; above 49149 infinity.
    r = {0, 0x8000000000000000ULL, 8000};
    multiply_extended(r, ExtendedReal{0, 0x8000000000000000ULL, 8319});
    expect_same(r, ExtendedReal{0, 0, 0});
    r = {0, 0x8000000000000000ULL, 8000};
    multiply_extended(r, ExtendedReal{0, 0x8000000000000000ULL, 8320});
    expect_same(r, ExtendedReal{0x8000, 0, 0}); // 2^-16446, 63 places right
    r = {0, 0x8000000000000000ULL, 49150 - 0x3FFF};
    multiply_extended(r, one);
    expect_same(r, infinity);
    // At 49149 the product of two ones is normalised back into range; 2.25 is not.
    r = {0, 0x8000000000000000ULL, 49149 - 0x3FFF};
    multiply_extended(r, one);
    expect_same(r, ExtendedReal{0, 0x8000000000000000ULL, 0x7FFE});
    r = {0, 0xC000000000000000ULL, 49149 - 0x3FFF};
    multiply_extended(r, ExtendedReal{0, 0xC000000000000000ULL, 0x3FFF});
    expect_same(r, infinity);
    r = {0, 0x8000000000000000ULL, 0x3FFF};
    multiply_extended(r, ExtendedReal{0, 0, 0x8000}); // negative zero
    expect_same(r, ExtendedReal{0, 0, 0x8000});
}

TEST(MultiplyExtended, BelowTheNormalRangeWithAStickyBit) {
    // 2^-16382 * 0.75 keeps exponent field 0 without a shift.
    ExtendedReal a{0, 0x8000000000000000ULL, 1};
    multiply_extended(a, ExtendedReal{0, 0xC000000000000000ULL, 0x3FFE});
    expect_same(a, ExtendedReal{0, 0x6000000000000000ULL, 0});
    // Shifted right one place: the bit shifted out lifts an exact 0x8000 to round up.
    ExtendedReal b{1, 0x8000000000000000ULL, 1};
    multiply_extended(b, ExtendedReal{1, 0x8001000000000000ULL, 16381});
    expect_same(b, ExtendedReal{1, 0x2000400000000000ULL, 0});
}

TEST(MultiplyExtended, MatchesTheColumnSumModel) {
    Random random{77};
    for (int i = 0; i < 5000; ++i) {
        ExtendedReal a{static_cast<std::uint16_t>(random.next()), random.next() | (1ULL << 63),
                       static_cast<std::uint16_t>(0x3F00 + random.next() % 0x200)};
        ExtendedReal b{static_cast<std::uint16_t>(random.next()), random.next() | (1ULL << 63),
                       static_cast<std::uint16_t>(random.next() % 0x7FFF + 1)};
        if (i % 4 == 0) {
            a.low = 0; // as the scaling leaves it
        }
        test::Model80 expected = test::model_multiply(model_of(a), model_of(b));
        ExtendedReal r = a;
        multiply_extended(r, b);
        SCOPED_TRACE(i);
        ASSERT_EQ(r.high, expected.high);
        ASSERT_EQ(r.low, expected.low);
        ASSERT_EQ(r.sign_exponent, expected.exponent);
    }
}

TEST(ScaleByPowerOfTen, ZeroLeavesTheValueAndOtherwiseTheLowBitsAreCleared) {
    ExtendedReal v{1, 0x8000000000000000ULL, 0x3FFF}; // 1 + 2^-79
    scale_by_power_of_ten(v, 0);
    expect_same(v, ExtendedReal{1, 0x8000000000000000ULL, 0x3FFF});
    scale_by_power_of_ten(v, 1);
    expect_same(v, ExtendedReal{0, 0xA000000000000000ULL, 0x4002});
}

TEST(ScaleByPowerOfTen, PowersOfTenOfOneLieWithinAFewUnitsOfTheExactValue) {
    for (int n :
         {1,    7,    8,  9,  27, 28, 63,  64,   65,   100,  308,  309,  511,   512,   1000, 4095,
          4096, 4931, -1, -7, -8, -9, -64, -100, -307, -323, -324, -512, -4095, -4096, -4931}) {
        SCOPED_TRACE(n);
        ExtendedReal v{0, 0x8000000000000000ULL, 0x3FFF};
        scale_by_power_of_ten(v, n);
        test::Model80 model{0x8000000000000000ULL, 0, 0x3FFF};
        test::model_scale(model, n);
        EXPECT_EQ(v.high, model.high);
        EXPECT_EQ(v.low, model.low);
        EXPECT_EQ(v.sign_exponent, model.exponent);
        // |m 2^s - 10^n| <= 16 units of 2^s, with both sides scaled to integers.
        BigInteger m = mantissa_of(v);
        int s = scale_of(v);
        BigInteger ten = test::power(10, n < 0 ? -n : n);
        BigInteger lhs;
        BigInteger low_bound;
        BigInteger high_bound;
        if (n >= 0) {
            lhs = s >= 0 ? ten : ten << -s; // 10^n in units of 2^s
            low_bound = s >= 0 ? (m - BigInteger(16)) << s : m - BigInteger(16);
            high_bound = s >= 0 ? (m + BigInteger(16)) << s : m + BigInteger(16);
        } else {
            lhs = BigInteger(1) << -s; // 10^n * 10^-n in units of 2^s
            low_bound = (m - BigInteger(16)) * ten;
            high_bound = (m + BigInteger(16)) * ten;
        }
        EXPECT_LE(test::compare(low_bound, lhs), 0);
        EXPECT_GE(test::compare(high_bound, lhs), 0);
    }
}

TEST(ScaleByPowerOfTen, ExtremesSaturate) {
    ExtendedReal v{0, 0x8000000000000000ULL, 0x3FFF};
    scale_by_power_of_ten(v, 5000);
    EXPECT_EQ(v.sign_exponent, 0x7FFF);
    v = {0, 0x8000000000000000ULL, 0x3FFF};
    scale_by_power_of_ten(v, -5000);
    EXPECT_EQ(v.high, 0u);
    v = {0, 0x8000000000000000ULL, 0x3FFF};
    scale_by_power_of_ten(v, INT_MAX);
    EXPECT_EQ(v.sign_exponent, 0x7FFF);
    v = {0, 0x8000000000000000ULL, 0x3FFF};
    scale_by_power_of_ten(v, INT_MIN);
    EXPECT_EQ(v.high, 0u);
}

struct DoubleCase {
    std::uint64_t high;
    std::uint16_t low;
    int exponent; // unbiased
    std::uint64_t bits;
    int status;
};

void expect_double_cases(const DoubleCase* cases, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        const DoubleCase& c = cases[i];
        SCOPED_TRACE(i);
        ExtendedReal e{c.low, c.high, static_cast<std::uint16_t>(c.exponent + 16383)};
        DoubleResult r = extended_to_double(e);
        EXPECT_EQ(bits_of(r.value), c.bits);
        EXPECT_EQ(r.status, c.status);
        e.sign_exponent |= 0x8000;
        EXPECT_EQ(bits_of(extended_to_double(e).value), c.bits | (1ULL << 63));
    }
}

TEST(ExtendedToDouble, HalfwayCasesAreCutAndOnlyThe56thBitOnwardLiftsThem) {
    const DoubleCase cases[] = {
        {0x8000000000000400, 0, 0, 0x3FF0000000000000, 0},      // exact half: cut
        {0x8000000000000600, 0, 0, 0x3FF0000000000000, 0},      // half and the 55th bit: cut
        {0x8000000000000500, 0, 0, 0x3FF0000000000001, 0},      // half and the 56th bit: up
        {0x8000000000000400, 1, 0, 0x3FF0000000000001, 0},      // half and the last bit: up
        {0x80000000000003FF, 0xFFFF, 0, 0x3FF0000000000000, 0}, // below half: cut
        {0x8000000000000C00, 0, 0, 0x3FF0000000000001, 0},      // odd and half: cut, not even
        {0xFFFFFFFFFFFFF800, 0, 0, 0x3FFFFFFFFFFFFFFF, 0},
        {0xFFFFFFFFFFFFFC00, 1, 0, 0x4000000000000000, 0}, // carry into the exponent
        {0xFFFFFFFFFFFFFE00, 0, 0, 0x3FFFFFFFFFFFFFFF, 0}, // a carry needs the sticky bits
    };
    expect_double_cases(cases, std::size(cases));
}

TEST(ExtendedToDouble, RangeLimitsAndDenormals) {
    const DoubleCase cases[] = {
        {0xFFFFFFFFFFFFF800, 0, 1023, 0x7FEFFFFFFFFFFFFF, 0},
        {0xFFFFFFFFFFFFFD00, 0, 1023, 0x7FF0000000000000, 1}, // rounds past the largest
        {0x8000000000000000, 0, 1024, 0x7FF0000000000000, 1},
        {0x8000000000000000, 0, -1022, 0x0010000000000000, 0},
        {0xFFFFFFFFFFFFFFFF, 0xFFFF, -1023, 0x0010000000000000, 0}, // rounds up to normal
        {0xFFFFFFFFFFFFF800, 0, -1023, 0x000FFFFFFFFFFFFF, 2},      // cut at the denormal half
        {0xFFFFFFFFFFFFFFFF, 0xFFFF, -1024, 0x0008000000000000, 2}, // nearly 2^-1023, not twice it
        {0x8000000000000000, 0, -1023, 0x0008000000000000, 2},
        {0x8000000000000000, 0, -1074, 0x0000000000000001, 2},
        {0x8000000000000000, 0, -1075, 0, 2},                  // half the smallest: cut
        {0xC000000000000000, 0, -1075, 0, 2},                  // and a quarter more: cut
        {0xA000000000000000, 0, -1075, 0x0000000000000001, 2}, // 0.625 of it: up
        {0xFFFFFFFFFFFFFFFF, 0xFFFF, -1076, 0, 2},
        {0xFFFFFFFFFFFFFFFF, 0xFFFF, -1077, 0, 2},
        {0x8000000000000000, 0, -16000, 0, 2},
    };
    expect_double_cases(cases, std::size(cases));
}

TEST(ExtendedToDouble, ZerosAndInfinity) {
    DoubleResult zero = extended_to_double(ExtendedReal{0, 0, 0x8000});
    EXPECT_EQ(bits_of(zero.value), 1ULL << 63);
    EXPECT_EQ(zero.status, 0);
    DoubleResult denormal = extended_to_double(ExtendedReal{0, 0x4000000000000000ULL, 0});
    EXPECT_EQ(bits_of(denormal.value), 0u);
    EXPECT_EQ(denormal.status, 2);
    DoubleResult infinity = extended_to_double(ExtendedReal{0, 0x8000000000000000ULL, 0xFFFF});
    EXPECT_EQ(bits_of(infinity.value), 0xFFF0000000000000u);
    EXPECT_EQ(infinity.status, 1);
}

TEST(ExtendedToDouble, MatchesTheRuleModelAroundEveryBoundary) {
    Random random{5};
    for (int i = 0; i < 20000; ++i) {
        int exponent = i % 2 == 0 ? -1080 + static_cast<int>(random.next() % 64)
                                  : 1018 + static_cast<int>(random.next() % 8);
        std::uint64_t high = random.next() | (1ULL << 63);
        std::uint16_t low = static_cast<std::uint16_t>(random.next());
        // Concentrate on the rounding places: clear or fill the bits after the 54th.
        switch (random.next() % 4) {
        case 0:
            high &= ~0x3FFULL, low = 0;
            break;
        case 1:
            high |= 0x3FF, low = 0xFFFF;
            break;
        default:
            break;
        }
        ExtendedReal e{low, high, static_cast<std::uint16_t>(exponent + 16383)};
        SCOPED_TRACE(i);
        ASSERT_EQ(bits_of(extended_to_double(e).value),
                  test::model_double({high, low, exponent + 16383}, false));
    }
}

} // namespace
} // namespace lnc
