// The digit source: 17 digits of the exact value rounded half up from the 18th, checked on
// chosen values and against the schoolbook expansion of the reference.
#include "io/numconv/decimal_digits_internal.h"
#include "io/numconv/numconv.h"
#include "support/decimal_reference.h"
#include "support/instrumented.h"

#include <bit>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace lnc {
namespace {

struct DigitsCase {
    std::uint64_t bits;
    char sign;
    int point;
    const char* digits;
};

TEST(DecimalDigits, ChosenValues) {
    const DigitsCase cases[] = {
        {0x3ff0000000000000, ' ', 1, "1"},
        {0xc000000000000000, '-', 1, "2"},
        {0x3fb999999999999a, ' ', 0, "10000000000000001"}, // 0.1000000000000000055...
        {0x3fd3333333333333, ' ', 0, "29999999999999999"}, // 0.2999999999999999888...
        // Exactly 12345678901234.5625: the 18th digit 5 raises the 17th (not to even).
        {0x42a674e79c5fe520, ' ', 14, "12345678901234563"},
        {0x42dc12218377de68, ' ', 15, "12345678901234563"}, // 123456789012345.625
        // Seventeen nines and an 18th digit of 5 or more: "1" in the next power of ten.
        {0x3d06849b86a12b9b, ' ', -13, "1"}, // 1e-14
        {0x5447688bb5394c25, ' ', 99, "1"},  // 1e98
        {0x0000000000000001, ' ', -323, "49406564584124654"},
        {0x7fefffffffffffff, ' ', 309, "17976931348623157"},
        {0x0010000000000000, ' ', -307, "22250738585072014"},
        {0x000fffffffffffff, ' ', -307, "22250738585072009"},
        // The widened single 256.000030517578125: 18 digits, the last a 5.
        {0x4070000020000000, ' ', 3, "25600003051757813"},
        {0x4340000000000000, ' ', 16, "9007199254740992"},  // 2^53
        {0x44b52d02c7e14af6, ' ', 23, "99999999999999992"}, // 1e23
    };
    for (const DigitsCase& c : cases) {
        const DigitString ds = decimal_digits(c.bits);
        EXPECT_EQ(ds.valid, 1) << std::hex << c.bits;
        EXPECT_EQ(ds.sign, c.sign) << std::hex << c.bits;
        EXPECT_EQ(ds.point, c.point) << std::hex << c.bits;
        EXPECT_EQ(std::string(ds.digits, ds.count), c.digits) << std::hex << c.bits;
    }
}

TEST(DecimalDigits, ZeroOfEitherSign) {
    for (std::uint64_t bits : {std::uint64_t{0}, std::uint64_t{1} << 63}) {
        const DigitString ds = decimal_digits(bits);
        EXPECT_EQ(ds.sign, ' ');
        EXPECT_EQ(ds.point, 0);
        EXPECT_EQ(ds.valid, 1);
        EXPECT_EQ(std::string(ds.digits, ds.count), "0");
    }
}

TEST(DecimalDigits, InfinitiesAndNans) {
    const struct {
        std::uint64_t bits;
        const char* text;
    } cases[] = {
        {0x7ff0000000000000, "1#INF"},  {0xfff0000000000000, "1#INF"},
        {0x7ff8000000000000, "1#QNAN"}, {0xfff8000000000001, "1#QNAN"},
        {0x7fffffffffffffff, "1#QNAN"}, {0x7ff0000000000001, "1#SNAN"},
        {0xfff7ffffffffffff, "1#SNAN"}, {0xfff8000000000000, "1#IND"},
    };
    for (const auto& c : cases) {
        const DigitString ds = decimal_digits(c.bits);
        EXPECT_EQ(ds.valid, 0) << std::hex << c.bits;
        EXPECT_EQ(ds.point, 1) << std::hex << c.bits;
        EXPECT_EQ(std::string(ds.digits, ds.count), c.text) << std::hex << c.bits;
    }
}

void expect_matches_reference(std::uint64_t bits) {
    const test::ExactDecimal expected = test::seventeen_digits(test::exact_decimal_of_double(bits));
    const DigitString ds = decimal_digits(bits);
    ASSERT_EQ(std::string(ds.digits, ds.count), expected.digits) << std::hex << bits;
    ASSERT_EQ(ds.point, expected.point) << std::hex << bits;
    ASSERT_EQ(ds.sign, expected.negative ? '-' : ' ') << std::hex << bits;
}

TEST(DecimalDigitsAgainstReference, PowersOfTwoAndBinadeEdges) {
    for (int biased = 1; biased < 0x7FF; ++biased) {
        const std::uint64_t exponent = static_cast<std::uint64_t>(biased) << 52;
        expect_matches_reference(exponent);                   // a power of two
        expect_matches_reference(exponent | 0xFFFFFFFFFFFFF); // just below the next
        expect_matches_reference(exponent | 1);               // just above
        expect_matches_reference((std::uint64_t{1} << 63) | exponent | 0x8000000000000); // 1.5
    }
    for (int bit = 0; bit < 52; ++bit) { // subnormal powers of two and their neighbours
        expect_matches_reference(std::uint64_t{1} << bit);
        expect_matches_reference((std::uint64_t{2} << bit) - 1);
    }
}

// The doubles nearest the powers of ten, and their neighbours: where the decimal exponent
// estimate is closest to wrong.
TEST(DecimalDigitsAgainstReference, AroundPowersOfTen) {
    for (int n = -323; n <= 308; ++n) {
        const std::string text = "1e" + std::to_string(n);
        const std::uint64_t bits = std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr));
        for (std::uint64_t neighbour = bits - 2; neighbour != bits + 3; ++neighbour) {
            if (neighbour != 0) {
                expect_matches_reference(neighbour);
            }
        }
    }
}

TEST(DecimalDigitsAgainstReference, RandomPatterns) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < test::scaled_samples(120000); ++i) {
        const std::uint64_t bits = random();
        if (((bits >> 52) & 0x7FF) == 0x7FF || (bits << 1) == 0) {
            continue;
        }
        expect_matches_reference(bits);
    }
}

// Short mantissas: values with few significant bits, whose exact expansion often ends right
// at the 18th digit.
TEST(DecimalDigitsAgainstReference, ShortMantissas) {
    std::mt19937_64 random(7);
    for (int i = 0; i < test::scaled_samples(60000); ++i) {
        const std::uint64_t mantissa_bits = random() % 30;
        const std::uint64_t fraction = (random() & ((std::uint64_t{1} << mantissa_bits) - 1))
                                       << (52 - mantissa_bits);
        const std::uint64_t biased = 1 + random() % 0x7FE;
        expect_matches_reference((biased << 52) | fraction);
    }
}

// ---- The exact comparison ----

std::uint64_t integer_part(const test::ExactDecimal& v, int k, bool& has_fraction) {
    // x = v * 10^k: its integer part is the first point + k digits.
    const int integer_digits = v.point + k;
    std::uint64_t x = 0;
    for (int i = 0; i < integer_digits; ++i) {
        x = x * 10 + (i < static_cast<int>(v.digits.size()) ? v.digits[i] - '0' : 0);
    }
    has_fraction = static_cast<int>(v.digits.size()) > integer_digits;
    return x;
}

void expect_exact_bounds(std::uint64_t mantissa, int exponent, int k) {
    const test::ExactDecimal v = test::exact_decimal(false, mantissa, exponent);
    bool has_fraction = false;
    const std::uint64_t floor_x = integer_part(v, k, has_fraction);
    EXPECT_TRUE(scaled_value_reaches(mantissa, exponent, k, floor_x))
        << mantissa << " 2^" << exponent << " 10^" << k;
    EXPECT_FALSE(scaled_value_reaches(mantissa, exponent, k, floor_x + 1))
        << mantissa << " 2^" << exponent << " 10^" << k;
    if (!has_fraction) { // x is the bound itself
        EXPECT_TRUE(scaled_value_reaches(mantissa, exponent, k, floor_x));
    }
}

TEST(ScaledValueReaches, ExactIntegersAndTheirNeighbours) {
    // 123456789 * 2^30 * 2^-30 * 10^9 = 123456789000000000 exactly.
    expect_exact_bounds(std::uint64_t{123456789} << 30, -30, 9);
    EXPECT_TRUE(scaled_value_reaches(std::uint64_t{123456789} << 30, -30, 9, 123456789000000000));
    EXPECT_FALSE(scaled_value_reaches(std::uint64_t{123456789} << 30, -30, 9, 123456789000000001));
    // 5^22 * 2^40 / 10^10 = 262144 * 10^12, with the power of ten on the bound's side.
    const std::uint64_t five_22 = 2384185791015625;
    EXPECT_TRUE(scaled_value_reaches(five_22, 40, -10, 262144000000000000));
    EXPECT_FALSE(scaled_value_reaches(five_22, 40, -10, 262144000000000001));
}

TEST(ScaledValueReaches, ExtremesOfTheRange) {
    expect_exact_bounds(std::uint64_t{1} << 63, -1137, 342); // 2^-1074 * 10^342
    expect_exact_bounds(~std::uint64_t{0} << 11, 960, -290); // largest double
    expect_exact_bounds(std::uint64_t{0x8000000000000001}, -1137, 341);
}

TEST(ScaledValueReaches, RandomScales) {
    std::mt19937_64 random(99);
    for (int i = 0; i < 3000; ++i) {
        const std::uint64_t mantissa = random() | (std::uint64_t{1} << 63);
        const int exponent = static_cast<int>(random() % 2097) - 1137;
        const test::ExactDecimal v = test::exact_decimal(false, mantissa, exponent);
        expect_exact_bounds(mantissa, exponent, 18 - v.point + static_cast<int>(random() % 2));
    }
}

} // namespace
} // namespace lnc
