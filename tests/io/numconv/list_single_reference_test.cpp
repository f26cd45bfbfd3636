// List-directed single-precision texts against the schoolbook reference: every power of two,
// the edges of every binade, the values around the powers of ten and a few million
// pseudo-random patterns.
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "support/decimal_reference.h"
#include "support/instrumented.h"

#include <bit>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <string>

namespace lnc {
namespace {

constexpr int RANDOM_PATTERNS = test::scaled_samples(2000000);

// Compares and keeps the first differences for the report.
struct Comparison {
    long differences = 0;
    std::string first;

    void check(std::uint32_t bits) {
        char out[FORMAT_TOO_LONG];
        const int n = format_real_value(LIST_SINGLE, TYPE_REAL4, bits, out);
        const std::string expected = test::reference_list_single(bits);
        if (std::string(out, n) != expected) {
            if (++differences <= 5) {
                char pattern[16];
                std::snprintf(pattern, sizeof pattern, "%08x", bits);
                first += std::string(pattern) + ": \"" + std::string(out, n) + "\" expected \"" +
                         expected + "\"\n";
            }
        }
    }
    void check_both_signs(std::uint32_t magnitude) {
        check(magnitude);
        check(magnitude | 0x80000000u);
    }
};

TEST(ListSingleAgainstReference, PowersOfTwoAndBinadeEdges) {
    Comparison c;
    for (std::uint32_t bit = 0; bit < 23; ++bit) { // subnormal powers of two and their edges
        c.check_both_signs(1u << bit);
        c.check_both_signs((2u << bit) - 1);
    }
    for (std::uint32_t biased = 1; biased < 0xFF; ++biased) {
        const std::uint32_t exponent = biased << 23;
        c.check_both_signs(exponent);
        c.check_both_signs(exponent | 1);
        c.check_both_signs(exponent | 0x7FFFFF);
        c.check_both_signs(exponent | 0x400000);
    }
    for (std::uint32_t special : {0x0u, 0x7F800000u, 0x7FC00000u, 0x7F800001u, 0x7FFFFFFFu}) {
        c.check_both_signs(special);
    }
    EXPECT_EQ(c.differences, 0) << c.first;
}

// Values around each power of ten, where the form changes and rounding can add a digit.
TEST(ListSingleAgainstReference, AroundPowersOfTen) {
    Comparison c;
    for (int n = -45; n <= 38; ++n) {
        const std::string text = "1e" + std::to_string(n);
        const std::uint32_t bits = std::bit_cast<std::uint32_t>(std::strtof(text.c_str(), nullptr));
        for (std::uint32_t b = bits > 64 ? bits - 64 : 0; b <= bits + 64 && b < 0x7F800000; ++b) {
            c.check_both_signs(b);
        }
    }
    EXPECT_EQ(c.differences, 0) << c.first;
}

TEST(ListSingleAgainstReference, RandomPatterns) {
    Comparison c;
    std::mt19937 random(4242);
    for (int i = 0; i < RANDOM_PATTERNS; ++i) {
        c.check(random());
    }
    EXPECT_EQ(c.differences, 0) << c.first;
}

TEST(ListDoubleAgainstReference, RandomPatterns) {
    long differences = 0;
    std::string first;
    std::mt19937_64 random(77);
    for (int i = 0; i < RANDOM_PATTERNS / 30; ++i) {
        const std::uint64_t bits = random();
        char out[FORMAT_TOO_LONG];
        const int n = format_real_value(LIST_DOUBLE, TYPE_REAL8, bits, out);
        const std::string expected = test::reference_list_double(bits);
        if (std::string(out, n) != expected && ++differences <= 5) {
            first += std::string(out, n) + " expected " + expected + "\n";
        }
    }
    EXPECT_EQ(differences, 0) << first;
}

} // namespace
} // namespace lnc
