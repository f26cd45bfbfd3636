// The software division that stands in for a faulty divider, against the x87 divider itself.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <random>

#include "os/fpu.h"
#include "os/x87.h"
#include "runtime/startup/startup.h"

namespace lnc {
namespace {

// The divider's rounding and precision, set in the hardware and in the build's unit alike (the
// software division reads the build's unit); restored afterwards.
class DividerControl : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = x87::control_word(); }
    void TearDown() override {
        x87::clear_exceptions();
        set(saved_);
    }
    static void set(std::uint16_t cw) {
        x87::set_control_word(cw);
        fpu::set_control_word(cw);
    }
    static void set_rounding(int mode) {
        set(static_cast<std::uint16_t>((x87::control_word() & ~0x0C00) | (mode << 10)));
    }
    static void set_precision_53() {
        set(static_cast<std::uint16_t>((x87::control_word() & ~0x0300) | 0x0200));
    }

  private:
    std::uint16_t saved_ = 0;
};

long double hardware_divide(long double dividend, long double divisor) {
    long double quotient;
    // In this assembler's spelling the operand-less fdivrp divides st(1) by st(0).
    asm volatile("fldt %1\n\tfldt %2\n\tfdivrp\n\tfstpt %0"
                 : "=m"(quotient)
                 : "m"(dividend), "m"(divisor)
                 : "st", "st(1)");
    return quotient;
}

bool same_bits(long double a, long double b) {
    return std::memcmp(&a, &b, 10) == 0;
}

long double extended(std::uint64_t significand, int exponent, bool negative) {
    long double value = 0.0L;
    unsigned char bytes[10];
    std::memcpy(bytes, &significand, 8);
    unsigned top = static_cast<unsigned>(exponent) | (negative ? 0x8000u : 0u);
    bytes[8] = static_cast<unsigned char>(top);
    bytes[9] = static_cast<unsigned char>(top >> 8);
    std::memcpy(&value, bytes, 10);
    return value;
}

// Against the unit itself under precision control 53, in every rounding mode: single-precision
// dividends over divisors near 1 (the logarithm's case) and over arbitrary extended divisors.
TEST_F(DividerControl, SoftwareDivisionMatchesTheDividerBitForBit) {
    set_precision_53();
    ASSERT_EQ(hardware_divide(1.0L, 4.0L), 0.25L);
    std::mt19937_64 random(12345);
    const long double near_one = extended(0xFFFFFFDF5DEF5E33ull, 16382, false);
    for (int mode = 0; mode < 4; ++mode) {
        set_rounding(mode);
        for (int i = 0; i < 20000; ++i) {
            auto bits = static_cast<std::uint32_t>(random());
            float t =
                std::bit_cast<float>((bits & 0x807FFFFFu) | (((bits >> 23) % 120 + 70) << 23));
            long double divisor =
                (i % 2 == 0)
                    ? near_one
                    : extended(random() | (1ull << 63),
                               16383 + static_cast<int>(random() % 64) - 32, (random() & 1) != 0);
            long double expected = hardware_divide(t, divisor);
            long double actual = software_divide(t, divisor);
            ASSERT_TRUE(same_bits(actual, expected)) << "mode " << mode << " t " << t << " i " << i;
        }
    }
}

// Halfway cases: quotients that sit exactly between two 53-bit values round to even.
TEST_F(DividerControl, SoftwareDivisionRoundsExactHalvesToEven) {
    set_precision_53();
    const long double two_53 = 9007199254740992.0L;
    for (long double n : {two_53 + 1, two_53 + 3, two_53 * 2 + 2, two_53 * 2 + 6}) {
        long double dividend = n;
        EXPECT_TRUE(same_bits(software_divide(dividend, 2.0L), hardware_divide(dividend, 2.0L)));
        EXPECT_TRUE(same_bits(software_divide(-dividend, 1.0L), hardware_divide(-dividend, 1.0L)));
    }
    EXPECT_EQ(software_divide(two_53 + 1, 1.0L), two_53);
    EXPECT_EQ(software_divide(two_53 + 3, 1.0L), two_53 + 4);
}

TEST_F(DividerControl, SoftwareDivisionLeavesSpecialValuesToTheUnit) {
    set_precision_53();
    const long double inf = std::bit_cast<float>(0x7F800000u);
    EXPECT_EQ(software_divide(inf, 0.9L), inf);
    EXPECT_EQ(software_divide(-inf, 0.9L), -inf);
    EXPECT_TRUE(same_bits(software_divide(-0.0L, 0.9L), -0.0L));
    long double nan = software_divide(std::bit_cast<float>(0x7FC00000u), 0.9L);
    EXPECT_NE(nan, nan);
    // Subnormal extended operands are normalised, not taken for zero.
    long double tiny = extended(1, 0, false);
    EXPECT_TRUE(same_bits(software_divide(tiny, 0.5L), hardware_divide(tiny, 0.5L)));
}

} // namespace
} // namespace lnc
