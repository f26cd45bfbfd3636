// Decimal digits to an 80-bit working value at every normalising shift (the integer's top bit may
// lie in either part of the 96-bit intermediate or cross between them), and the truncated product
// where its columns overflow the most.
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "io/numconv/numconv.h"
#include "support/big_integer.h"
#include "support/real_reference.h"

namespace lnc {
namespace {

using test::BigInteger;

std::vector<std::uint8_t> decimal_digits_of(BigInteger n) {
    std::vector<std::uint8_t> digits;
    while (!n.is_zero()) {
        std::uint64_t remainder = 0;
        for (std::size_t i = n.words.size(); i-- > 0;) {
            std::uint64_t current = (remainder << 32) | n.words[i];
            n.words[i] = static_cast<std::uint32_t>(current / 10);
            remainder = current % 10;
        }
        n.trim();
        digits.insert(digits.begin(), static_cast<std::uint8_t>(remainder));
    }
    return digits;
}

// 2^k and 2^k - 1 for every k that 24 digits can hold: a lone top bit and a run of ones, each
// normalised so that its top bit is the mantissa's first.
TEST(DigitNormalising, PowersOfTwoAndRunsOfOnesAtEveryShift) {
    for (int k = 1; k < 80; ++k) {
        SCOPED_TRACE("k = " + std::to_string(k));
        BigInteger power = BigInteger(1) << k;
        std::vector<std::uint8_t> digits = decimal_digits_of(power);
        ExtendedReal e = digits_to_extended(digits.data(), static_cast<int>(digits.size()));
        EXPECT_EQ(e.high, 0x8000000000000000ULL);
        EXPECT_EQ(e.low, 0);
        EXPECT_EQ(e.sign_exponent, 16383 + k);

        digits = decimal_digits_of(power - BigInteger(1));
        e = digits_to_extended(digits.data(), static_cast<int>(digits.size()));
        std::uint64_t high = k >= 64 ? ~0ULL : ~0ULL << (64 - k);
        std::uint16_t low = k <= 64 ? 0 : static_cast<std::uint16_t>(0xFFFF0000u >> (k - 64));
        EXPECT_EQ(e.high, high);
        EXPECT_EQ(e.low, low);
        EXPECT_EQ(e.sign_exponent, 16383 + k - 1);
    }
}

// Mantissas built from the words that make the column sums carry the most (all ones, all ones
// but the last bit, a lone top bit, one, zero): every carry into a result word, and its wrap
// there, must land as the column-sum model says.
TEST(TruncatedProduct, CarriesOfFullColumnsMatchTheColumnSumModel) {
    const std::uint16_t words[] = {0xFFFF, 0xFFFE, 0x8000, 0x0001, 0x0000};
    std::vector<ExtendedReal> operands;
    for (std::uint16_t top : {0xFFFF, 0xFFFE, 0x8000}) {
        for (std::uint16_t w2 : words) {
            for (std::uint16_t w1 : words) {
                for (std::uint16_t w0 : words) {
                    for (std::uint16_t low : words) {
                        std::uint64_t high = (std::uint64_t{top} << 48) |
                                             (std::uint64_t{w2} << 32) | (std::uint64_t{w1} << 16) |
                                             w0;
                        operands.push_back(ExtendedReal{low, high, 0x3FFF});
                    }
                }
            }
        }
    }
    for (std::size_t i = 0; i < operands.size(); ++i) {
        const ExtendedReal& a = operands[i];
        for (std::size_t j = i % 7; j < operands.size(); j += 97) {
            const ExtendedReal& b = operands[j];
            test::Model80 expected = test::model_multiply({a.high, a.low, a.sign_exponent},
                                                          {b.high, b.low, b.sign_exponent});
            ExtendedReal r = a;
            multiply_extended(r, b);
            SCOPED_TRACE(std::to_string(i) + " x " + std::to_string(j));
            ASSERT_EQ(r.high, expected.high);
            ASSERT_EQ(r.low, expected.low);
            ASSERT_EQ(r.sign_exponent, expected.exponent);
        }
    }
}

} // namespace
} // namespace lnc
