// The floating-point initialiser.
#include <gtest/gtest.h>

#include <cstdint>

#include "os/fpu.h"
#include "os/startup.h"
#include "runtime/startup/startup.h"

namespace lnc {
namespace {

// Restores the control word a test changes.
class ControlWord : public ::testing::Test {
  protected:
    void SetUp() override { saved_ = fpu::control_word(); }
    void TearDown() override {
        fpu::clear_exceptions();
        fpu::set_control_word(saved_);
    }

  private:
    std::uint16_t saved_ = 0;
};

TEST_F(ControlWord, InitialiserSetsPrecision53AndClearsExceptions) {
    fpu::set_control_word(0x037F); // extended precision, all masked
    fpu::ln2_log2(0);              // zero divide, masked
    ASSERT_NE(fpu::status_word() & 0x04, 0);
    process_state.fdiv_flaw = -1;
    fp_initialise();
    EXPECT_EQ(fpu::control_word(), 0x027F);
    EXPECT_EQ(fpu::status_word() & 0x80FF, 0);
    EXPECT_EQ(process_state.fdiv_flaw, 0);
}

TEST(DivisionFlaw, ThisMachinesDividerIsSoundAndTheAffinityComesBack) {
    std::uint32_t before = 0;
    std::uint32_t after = 0;
    bool known = os::process_affinity(&before);
    EXPECT_FALSE(divider_is_faulty());
    EXPECT_EQ(find_division_flaw(), 0);
    if (known) {
        ASSERT_TRUE(os::process_affinity(&after));
        EXPECT_EQ(after, before);
    }
}

} // namespace
} // namespace lnc
