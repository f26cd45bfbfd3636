// Every entry of the powers-of-ten tables is checked against the exact power of ten.
#include <gtest/gtest.h>

#include "io/numconv/numconv.h"
#include "support/big_integer.h"

namespace lnc {
namespace {

using test::BigInteger;

int table_power(int index) {
    if (index == 28) {
        return 4096;
    }
    int d = index % 7 + 1;
    int k = index / 7;
    return d << (3 * k);
}

BigInteger mantissa_of(const ExtendedReal& e) {
    return (BigInteger(e.high) << 16) + BigInteger(e.low);
}

// The entry's value is m * 2^s with the 80-bit mantissa m.
int binary_scale(const ExtendedReal& e) {
    return (e.sign_exponent & 0x7FFF) - 16383 - 79;
}

TEST(PowersOfTen, TableCoversTheExponentsOfEachOctalDigitAndThe4096Step) {
    EXPECT_EQ(table_power(0), 1);
    EXPECT_EQ(table_power(6), 7);
    EXPECT_EQ(table_power(7), 8);
    EXPECT_EQ(table_power(13), 56);
    EXPECT_EQ(table_power(27), 3584);
    EXPECT_EQ(table_power(28), 4096);
}

TEST(PowersOfTen, PositiveEntriesAreTheNearest80BitMantissa) {
    for (int i = 0; i < 29; ++i) {
        const ExtendedReal& e = PowersOfTenPositive[i];
        int p = table_power(i);
        SCOPED_TRACE(p);
        ASSERT_EQ(e.sign_exponent & 0x8000, 0);
        ASSERT_NE(e.high & 0x8000000000000000ULL, 0u);
        BigInteger m = mantissa_of(e);
        int s = binary_scale(e);
        // (2m - 1) 2^s < 2 * 10^p < (2m + 1) 2^s, scaled to integers.
        BigInteger below = (m << 1) - BigInteger(1);
        BigInteger above = (m << 1) + BigInteger(1);
        BigInteger twice = test::power(10, p) << 1;
        if (s >= 0) {
            below = below << s;
            above = above << s;
        } else {
            twice = twice << -s;
        }
        EXPECT_LT(test::compare(below, twice), 0);
        EXPECT_LT(test::compare(twice, above), 0);
        // The powers that fit the mantissa are exact.
        if (p <= 27) {
            EXPECT_EQ(test::compare(twice, m << (s >= 0 ? s + 1 : 1)), 0);
        }
    }
}

TEST(PowersOfTen, NegativeEntriesAreTheNearest80BitMantissaOfTheReciprocal) {
    for (int i = 0; i < 29; ++i) {
        const ExtendedReal& e = PowersOfTenNegative[i];
        int p = table_power(i);
        SCOPED_TRACE(-p);
        ASSERT_EQ(e.sign_exponent & 0x8000, 0);
        ASSERT_NE(e.high & 0x8000000000000000ULL, 0u);
        BigInteger m = mantissa_of(e);
        int s = binary_scale(e);
        ASSERT_LT(s, 0);
        // (2m - 1) 2^s < 2 * 10^-p < (2m + 1) 2^s  <=>  (2m - 1) 10^p < 2^(1 - s) < (2m + 1) 10^p
        BigInteger ten_p = test::power(10, p);
        BigInteger target = BigInteger(1) << (1 - s);
        EXPECT_LT(test::compare(((m << 1) - BigInteger(1)) * ten_p, target), 0);
        EXPECT_LT(test::compare(target, ((m << 1) + BigInteger(1)) * ten_p), 0);
    }
}

} // namespace
} // namespace lnc
