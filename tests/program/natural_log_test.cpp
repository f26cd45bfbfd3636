// The calculator's logarithm: its values bit for bit against the unit's rounded logarithm, the
// software division path, and the traps for zero and negative values.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>

#include "os/fpu.h"
#include "os/startup.h"
#include "program/program.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

// The control word start-up leaves (before the traps are armed): precision 53, all masked.
class NaturalLog : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = fpu::control_word();
        fpu::set_control_word(0x027F);
        process_state.fdiv_flaw = 0;
    }
    void TearDown() override {
        process_state.fdiv_flaw = 0;
        fpu::clear_exceptions();
        fpu::set_control_word(saved_);
    }

  private:
    std::uint16_t saved_ = 0;
};

std::uint32_t stored_log(float x) {
    return fpu::store_single(natural_log(&x));
}

// The unit's logarithm rounded once to single precision.
std::uint32_t rounded_logarithm(float x) {
    return fpu::store_single(fpu::ln2_log2(std::bit_cast<std::uint32_t>(x)));
}

TEST_F(NaturalLog, WorkedValues) {
    const struct {
        std::uint32_t input;
        std::uint32_t result;
    } cases[] = {
        {0x3F800000u, 0x00000000u}, // 1
        {0x402DF854u, 0x3F800000u}, // E_SINGLE
        {0x402DF855u, 0x3F800000u}, // 2.7182819843292236, the single nearest 2.718282
        {0x40000000u, 0x3F317218u}, // 2
        {0x3F000000u, 0xBF317218u}, // 0.5
        {0x41200000u, std::bit_cast<std::uint32_t>(2.3025851249694824f)}, // 10
        {0x424C0000u, 0x407BA309u},                                       // 51
    };
    for (const auto& c : cases) {
        EXPECT_EQ(stored_log(std::bit_cast<float>(c.input)), c.result) << std::hex << c.input;
    }
}

// Only 51 to 54 end one unit above the rounded logarithm among the integers 2 to 1999.
TEST_F(NaturalLog, DiffersFromTheRoundedLogarithmOnlyFor51To54) {
    for (int n = 2; n < 2000; ++n) {
        float x = static_cast<float>(n);
        std::uint32_t expected = rounded_logarithm(x) + ((n >= 51 && n <= 54) ? 1 : 0);
        ASSERT_EQ(stored_log(x), expected) << n;
    }
}

TEST_F(NaturalLog, SoftwareDivisionGivesTheSameResults) {
    std::uint32_t by_unit[2000];
    for (int n = 2; n < 2000; ++n) {
        by_unit[n] = stored_log(static_cast<float>(n) / 7.0f);
    }
    process_state.fdiv_flaw = 1;
    for (int n = 2; n < 2000; ++n) {
        float x = static_cast<float>(n) / 7.0f;
        ASSERT_EQ(stored_log(x), by_unit[n]) << n;
        FpuExtended by_software = natural_log(&x);
        process_state.fdiv_flaw = 0;
        ASSERT_TRUE(by_software == natural_log(&x)) << n;
        process_state.fdiv_flaw = 1;
    }
    EXPECT_EQ(stored_log(51.0f), 0x407BA309u);
}

TEST_F(NaturalLog, InfinityNaNAndSubnormalInputs) {
    EXPECT_EQ(stored_log(std::bit_cast<float>(0x7F800000u)), 0x7F800000u);
    std::uint32_t nan = stored_log(std::bit_cast<float>(0x7FC00000u));
    EXPECT_EQ(nan & 0x7FC00000u, 0x7FC00000u);
    for (std::uint32_t bits : {0x00000001u, 0x00400000u, 0x007FFFFFu}) {
        float result = std::bit_cast<float>(stored_log(std::bit_cast<float>(bits)));
        EXPECT_LT(result, -87.3f) << bits;
        EXPECT_GT(result, -103.3f) << bits;
    }
}

// With the traps start-up arms (invalid, zero divide and overflow unmasked), each input ends in
// the floating-point signal routine with its sub-code; a subnormal goes through.
const float* trap_input = nullptr;

[[noreturn]] void exit_with_subcode(int, int subcode) {
    std::_Exit(subcode);
}
[[noreturn]] void end_with_code(std::uint32_t code) {
    quick_exit(static_cast<int>(code));
}

int log_under_traps(float x) {
    static float input;
    input = x;
    trap_input = &input;
    return test::run_in_child([] {
               fpu::set_control_word(0x0272);
               set_signal(SIGNAL_FPE, exit_with_subcode);
               os::guarded_call(
                   [] {
                       float result =
                           std::bit_cast<float>(fpu::store_single(natural_log(trap_input)));
                       std::_Exit(result < 0.0f ? 50 : 51);
                   },
                   exception_filter, end_with_code);
           })
        .exit_code;
}

TEST(NaturalLogTraps, ZeroTrapsWithDivideByZeroAndNegativesWithInvalid) {
    EXPECT_EQ(log_under_traps(0.0f), FPE_ZERODIVIDE);
    EXPECT_EQ(log_under_traps(-0.0f), FPE_ZERODIVIDE);
    EXPECT_EQ(log_under_traps(-1.0f), FPE_INVALID);
    EXPECT_EQ(log_under_traps(std::bit_cast<float>(0xFF800000u)), FPE_INVALID);
    EXPECT_EQ(log_under_traps(std::bit_cast<float>(0x80000001u)), FPE_INVALID);
    EXPECT_EQ(log_under_traps(std::bit_cast<float>(0x00000001u)), 50);
    EXPECT_EQ(log_under_traps(0.5f), 50);
    EXPECT_EQ(log_under_traps(2.0f), 51);
}

} // namespace
} // namespace lnc
