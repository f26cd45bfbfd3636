// Storing converted values into the current item: the unit's edit code, scale factor and
// implied decimals, the item's size, the terminator borrowed from the caller and the run-time
// errors of values that do not fit.
#include <cstdint>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "errors/errors.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {
namespace {

constexpr int SINGLE = 11;
constexpr int DOUBLE = 12;
constexpr int COMPLEX_SINGLE = 14;
constexpr int COMPLEX_DOUBLE = 15;

// A READ on a unit of its own whose statement handles errors itself, so that a raise comes
// back as its status instead of ending the process.
class TokenToReal : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_unit_ = current_unit;
        saved_item_ = current_item;
        saved_errors_ = error_state;
        block_.edit_code = EDIT_F;
        current_unit = &block_;
    }
    void TearDown() override {
        current_unit = saved_unit_;
        current_item = saved_item_;
        error_state = saved_errors_;
    }

    // Converts text[0 .. length) of buffer into storage as an item of the given type; the
    // statement's status (0 when stored).
    int store(char* buffer, int length, int type) {
        std::memset(storage_, 0xAA, sizeof storage_);
        current_item =
            CurrentItem{type, storage_, type == SINGLE || type == COMPLEX_SINGLE ? 4 : 8, 1};
        error_state.error_branch = 1;
        error_state.statement_kind = KIND_READ;
        try {
            token_to_real(buffer, length);
        } catch (const StatementUnwind& unwind) {
            return unwind.status;
        }
        return 0;
    }

    int store(std::string text, int type) {
        text += '?';
        return store(text.data(), static_cast<int>(text.size()) - 1, type);
    }

    std::uint32_t single_bits() const {
        std::uint32_t b;
        std::memcpy(&b, storage_, sizeof b);
        return b;
    }
    std::uint64_t double_bits() const {
        std::uint64_t b;
        std::memcpy(&b, storage_, sizeof b);
        return b;
    }
    bool untouched(int from) const {
        for (int i = from; i < 8; ++i) {
            if (storage_[i] != 0xAA) {
                return false;
            }
        }
        return true;
    }

    UnitBlock block_{};
    std::uint8_t storage_[8];

  private:
    UnitBlock* saved_unit_ = nullptr;
    CurrentItem saved_item_{};
    ErrorState saved_errors_{};
};

TEST_F(TokenToReal, SinglesTakeFourBytesAndDoublesEight) {
    ASSERT_EQ(store("2", SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x40000000u);
    EXPECT_TRUE(untouched(4));
    ASSERT_EQ(store("2", COMPLEX_SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x40000000u);
    EXPECT_TRUE(untouched(4));
    ASSERT_EQ(store("9007199254740995", DOUBLE), 0);
    EXPECT_EQ(double_bits(), 0x4340000000000001u);
    ASSERT_EQ(store("-0", COMPLEX_DOUBLE), 0);
    EXPECT_EQ(double_bits(), 0x8000000000000000u);
}

TEST_F(TokenToReal, SinglesAreRoundedToNearestEvenFromTheDouble) {
    ASSERT_EQ(store("1.0000000596046448", SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x3F800000u);
    ASSERT_EQ(store("1.0000001788139343", SINGLE), 0); // 1 + 3 * 2^-24: to the even 1 + 2^-22
    EXPECT_EQ(single_bits(), 0x3F800002u);
    ASSERT_EQ(store("1e-40", SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x000116C2u);
    ASSERT_EQ(store("-1e-50", SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x80000000u);
}

TEST_F(TokenToReal, ErrorsLeaveTheItemAsItWas) {
    struct Case {
        const char* text;
        int type;
        int status;
    } cases[] = {
        {"1e400", SINGLE, 6102},
        {"1e400", DOUBLE, 6102},
        {"-1e9999", COMPLEX_DOUBLE, 6102},
        {"1.5e", SINGLE, 6103},
        {"abc", DOUBLE, 6103},
        {"1e0x", COMPLEX_SINGLE, 6103},
        {"1e39", SINGLE, 6104},
        {"-3.5e38", COMPLEX_SINGLE, 6104},
        {"1e400x", SINGLE, 6102}, // overflow is examined before the stray character
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(store(c.text, c.type), c.status);
        EXPECT_TRUE(untouched(0));
    }
    // Beyond the single range is no error for a double.
    EXPECT_EQ(store("1e39", DOUBLE), 0);
    EXPECT_EQ(store("1e-400", DOUBLE), 0);
    EXPECT_EQ(double_bits(), 0u);
}

TEST_F(TokenToReal, OnlyRealEditCodesAreAccepted) {
    for (int code : {EDIT_D, EDIT_E, EDIT_F, EDIT_G, EDIT_EN_ES}) {
        block_.edit_code = static_cast<std::uint8_t>(code);
        EXPECT_EQ(store("2", SINGLE), 0) << code;
    }
    for (int code : {0, 1, 8, 13, 14, 16, 25, 255}) {
        block_.edit_code = static_cast<std::uint8_t>(code);
        EXPECT_EQ(store("2", SINGLE), 6206) << code;
        EXPECT_TRUE(untouched(0));
    }
}

TEST_F(TokenToReal, TheByteAfterTheValueIsRestored) {
    char buffer[] = "2.5e1x9";
    ASSERT_EQ(store(buffer, 5, DOUBLE), 0);
    EXPECT_STREQ(buffer, "2.5e1x9");
    double value;
    std::memcpy(&value, storage_, sizeof value);
    EXPECT_EQ(value, 25.0);
    // Also when the value is refused.
    char refused[] = "1.5eZ";
    EXPECT_EQ(store(refused, 4, SINGLE), 6103);
    EXPECT_STREQ(refused, "1.5eZ");
    // The value ends at length even when the following byte is a digit.
    char digits[] = "1234";
    ASSERT_EQ(store(digits, 2, DOUBLE), 0);
    std::memcpy(&value, storage_, sizeof value);
    EXPECT_EQ(value, 12.0);
    EXPECT_STREQ(digits, "1234");
}

TEST_F(TokenToReal, ScaleFactorAndImpliedDecimalsOfTheUnit) {
    block_.scale_factor = 2; // the value read is divided by 10^2 unless it has an exponent
    ASSERT_EQ(store("150", DOUBLE), 0);
    double value;
    std::memcpy(&value, storage_, sizeof value);
    EXPECT_EQ(value, 1.5);
    ASSERT_EQ(store("1.5e2", DOUBLE), 0);
    std::memcpy(&value, storage_, sizeof value);
    EXPECT_EQ(value, 150.0);
    block_.scale_factor = 0;
    block_.implied_decimals = 2; // digits without a point have two decimals
    ASSERT_EQ(store("125", SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x3FA00000u); // 1.25
    ASSERT_EQ(store("1.5", SINGLE), 0);
    EXPECT_EQ(single_bits(), 0x3FC00000u);
    block_.implied_decimals = 0;
    // Absurd factors saturate without a fault.
    block_.scale_factor = INT32_MAX;
    EXPECT_EQ(store("1", DOUBLE), 0);
    EXPECT_EQ(double_bits(), 0u);
    block_.scale_factor = INT32_MIN;
    EXPECT_EQ(store("1", DOUBLE), 6102);
}

} // namespace
} // namespace lnc
