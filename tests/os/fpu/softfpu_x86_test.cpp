// The software unit against the x87 on a sample of operands (the whole range is the proof
// tool's): the calculator's path, widening and rounding, values and flags.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>

#include "os/softfpu.h"
#include "os/x87.h"

namespace lnc {
namespace {

class BothUnits : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = x87::control_word();
        saved_soft_ = softfpu::control_word();
        x87::set_control_word(0x027F);
        softfpu::set_control_word(0x027F);
        x87::clear_exceptions();
        softfpu::clear_exceptions();
    }
    void TearDown() override {
        x87::clear_exceptions();
        softfpu::clear_exceptions();
        x87::set_control_word(saved_);
        softfpu::set_control_word(saved_soft_);
    }
    static void expect_same_flags(std::uint64_t operand) {
        EXPECT_EQ(x87::status_word() & 0x3F, softfpu::status_word() & 0x3F) << std::hex << operand;
        x87::clear_exceptions();
        softfpu::clear_exceptions();
    }

  private:
    std::uint16_t saved_ = 0;
    std::uint16_t saved_soft_ = 0;
};

TEST_F(BothUnits, TheLogarithmPathGivesTheSameSingles) {
    const FpuExtended d = x87::ln2_log2(0x402DF854u);
    ASSERT_TRUE(softfpu::ln2_log2(0x402DF854u) == d);
    std::mt19937 random(13);
    for (int i = 0; i < 200000; ++i) {
        std::uint32_t x = i < 4000 ? static_cast<std::uint32_t>(i) * 0x00100001u : random();
        std::uint32_t t = x87::store_single(x87::ln2_log2(x));
        std::uint32_t soft_t = softfpu::store_single(softfpu::ln2_log2(x));
        ASSERT_EQ(soft_t, t) << std::hex << x;
        ASSERT_EQ(softfpu::store_single(softfpu::divide_single(t, d)),
                  x87::store_single(x87::divide_single(t, d)))
            << std::hex << x;
        expect_same_flags(x);
    }
}

TEST_F(BothUnits, WideningAndRoundingGiveTheSameBits) {
    std::mt19937_64 random(13);
    for (int i = 0; i < 200000; ++i) {
        std::uint64_t bits = random();
        auto single = static_cast<std::uint32_t>(bits);
        ASSERT_EQ(std::bit_cast<std::uint64_t>(softfpu::widen_single(single)),
                  std::bit_cast<std::uint64_t>(x87::widen_single(single)))
            << std::hex << single;
        expect_same_flags(single);
        if (i & 1) {
            bits = (bits & 0x800FFFFFFFFFFFFFull) | ((1023 - 160 + (bits >> 52) % 300) << 52);
        }
        double value = std::bit_cast<double>(bits);
        ASSERT_EQ(softfpu::round_to_single(value), x87::round_to_single(value)) << std::hex << bits;
        expect_same_flags(bits);
    }
}

} // namespace
} // namespace lnc
