// The software unit on its own: values the x87 gives (D, the logarithm's divisor, as the
// hardware has it), the special operands, rounding ties, and its traps reaching the filter.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "os/softfpu.h"
#include "os/startup.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

namespace soft = softfpu;

class SoftUnit : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = soft::control_word();
        soft::set_control_word(0x027F);
        soft::clear_exceptions();
    }
    void TearDown() override {
        soft::clear_exceptions();
        soft::set_control_word(saved_);
    }

  private:
    std::uint16_t saved_ = 0;
};

TEST_F(SoftUnit, LogarithmsAndTheirFlags) {
    const struct {
        std::uint32_t x;
        FpuExtended log;
        std::uint16_t flags;
    } cases[] = {
        {0x402DF854u, {0xFFFFFF7D922F51A3ull, 0x3FFE}, 0x20}, // D, the hardware's bits
        {0x40000000u, {0xB17217F7D1CF79ACull, 0x3FFE}, 0x20}, // 2: the constant itself
        {0x3F800000u, {0, 0}, 0},                             // 1
        {0x00000000u, {1ull << 63, 0xFFFF}, 0x04},            // 0: minus infinity
        {0x80000000u, {1ull << 63, 0xFFFF}, 0x04},
        {0xBF800000u, {3ull << 62, 0xFFFF}, 0x01}, // -1: the indefinite NaN
        {0x80000001u, {3ull << 62, 0xFFFF}, 0x03},
        {0xFF800000u, {3ull << 62, 0xFFFF}, 0x01},
        {0x7F800000u, {1ull << 63, 0x7FFF}, 0},
        {0x7FC00001u, {(3ull << 62) | (1ull << 40), 0x7FFF}, 0}, // quiet NaN kept
        {0x7F800001u, {(3ull << 62) | (1ull << 40), 0x7FFF}, 0x01},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(soft::ln2_log2(c.x) == c.log) << std::hex << c.x;
        EXPECT_EQ(soft::status_word() & 0x3F, c.flags) << std::hex << c.x;
        soft::clear_exceptions();
    }
}

TEST_F(SoftUnit, SubnormalLogarithmsAndTheStoredResults) {
    EXPECT_EQ(soft::store_single(soft::ln2_log2(0x00000001u)), 0xC2CE8ED0u); // -103.27893
    EXPECT_EQ(soft::status_word() & 0x3F, 0x22);
    const FpuExtended d = soft::ln2_log2(0x402DF854u);
    // 51: the quotient by D rounds one unit above t.
    std::uint32_t t = soft::store_single(soft::ln2_log2(0x424C0000u));
    EXPECT_EQ(t, 0x407BA308u);
    EXPECT_EQ(soft::store_single(soft::divide_single(t, d)), 0x407BA309u);
}

// Doubles half-way between two singles go to the even one; the signalling NaN is made quiet
// with invalid operation; a subnormal single widens exactly with the denormal flag.
TEST_F(SoftUnit, WideningAndRounding) {
    EXPECT_EQ(soft::round_to_single(std::bit_cast<double>(0x3FF0000010000000ull)), 0x3F800000u);
    EXPECT_EQ(soft::round_to_single(std::bit_cast<double>(0x3FF0000030000000ull)), 0x3F800002u);
    EXPECT_EQ(soft::round_to_single(std::bit_cast<double>(0x36A0000000000000ull)), 0x00000001u);
    EXPECT_EQ(soft::status_word() & 0x3F, 0x20); // the ties are inexact, 2^-149 is exact
    soft::clear_exceptions();
    EXPECT_EQ(soft::round_to_single(std::bit_cast<double>(0x7FF0000000000001ull)), 0x7FC00000u);
    EXPECT_EQ(soft::status_word() & 0x3F, 0x01);
    soft::clear_exceptions();
    EXPECT_EQ(std::bit_cast<std::uint64_t>(soft::widen_single(0x7F800001u)), 0x7FF8000020000000ull);
    EXPECT_EQ(std::bit_cast<std::uint64_t>(soft::widen_single(0x00000001u)), 0x36A0000000000000ull);
    EXPECT_EQ(soft::status_word() & 0x3F, 0x03);
}

[[noreturn]] void exit_with_subcode(int, int subcode) {
    std::_Exit(subcode);
}
[[noreturn]] void end_with_code(std::uint32_t code) {
    quick_exit(static_cast<int>(code));
}

std::uint32_t trap_operand = 0;

// With invalid, zero divide and overflow unmasked, the unit's exception reaches the signal
// routine through the filter with the processor's sub-code.
int subcode_of(std::uint32_t x) {
    trap_operand = x;
    return test::run_in_child([] {
               soft::set_control_word(0x0272);
               set_signal(SIGNAL_FPE, exit_with_subcode);
               os::guarded_call(
                   [] { std::_Exit(soft::store_single(soft::ln2_log2(trap_operand)) & 0x7F); },
                   exception_filter, end_with_code);
           })
        .exit_code;
}

TEST(SoftUnitTraps, ZeroNegativeAndSignallingNanTrap) {
    EXPECT_EQ(subcode_of(0x00000000u), FPE_ZERODIVIDE);
    EXPECT_EQ(subcode_of(0x80000000u), FPE_ZERODIVIDE);
    EXPECT_EQ(subcode_of(0xBF800000u), FPE_INVALID);
    EXPECT_EQ(subcode_of(0xFF800000u), FPE_INVALID);
    EXPECT_EQ(subcode_of(0x7F800001u), FPE_INVALID);
    EXPECT_EQ(subcode_of(0x40000000u), 0x18); // ln 2 stores as 0x3F317218
}

} // namespace
} // namespace lnc
