// The digit source: 17 digits of the exact value rounded half up from the 18th, checked on
// chosen values and against the schoolbook expansion of the reference.
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

} // namespace
} // namespace lnc
