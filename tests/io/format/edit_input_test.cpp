// Input fields of formatted transfer: {descriptor, field, BZ, scale, type, the value (a real's
// bits) or the message}. The field's width is its text's length.
#include "errors/message_indices.h"
#include "io/format/format.h"
#include "lncalc/statements.h"

#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace lnc {
namespace {

constexpr bool BN = false;
constexpr bool BZ = true;
constexpr int S4 = TYPE_REAL4;
constexpr int D8 = TYPE_REAL8;
constexpr DataEdit I = {DESC_I, 0, NO_VALUE, NO_VALUE};
constexpr DataEdit F1 = {DESC_F, 0, 1, NO_VALUE};
constexpr DataEdit F2 = {DESC_F, 0, 2, NO_VALUE};

int width_of(const char* field) {
    return static_cast<int>(std::strlen(field));
}
constexpr std::uint64_t whole(std::int64_t n) {
    return static_cast<std::uint64_t>(n);
}

TEST(EditInput, NumericFields) {
    const struct {
        DataEdit edit;
        const char* field;
        bool blanks_are_zeros;
        int scale, type;
        std::uint64_t value;
        int message;
    } cases[] = {
        {I, " 4 2 ", BN, 0, 0, 42, 0},
        {I, " 4 2 ", BZ, 0, 0, 4020, 0},
        {I, "-   5", BN, 0, 0, whole(-5), 0},
        {I, "  5  ", BZ, 0, 0, 500, 0},
        {I, "+  ", BZ, 0, 0, 0, 0},
        {I, "     ", BN, 0, 0, 0, 0},
        {I, "   -", BN, 0, 0, 0, MSG_INTEGER_CHARACTER}, // a sign alone
        {I, "1.5", BN, 0, 0, 0, MSG_INTEGER_CHARACTER},
        {I, "1\t", BN, 0, 0, 0, MSG_INTEGER_CHARACTER},
        {I, "-9223372036854775808", BN, 0, 0, whole(INT64_MIN), 0},
        {I, "9223372036854775808", BN, 0, 0, 0, MSG_INTEGER_OVERFLOW},
        {I, "922337203685477581 ", BZ, 0, 0, 0, MSG_INTEGER_OVERFLOW},
        {F2, "  150", BN, 0, S4, 0x3fc00000, 0}, // d implied decimals: 1.5
        {F2, "1 5  ", BN, 0, S4, 0x3e19999a, 0}, // 0.15
        {F2, "1 5  ", BZ, 0, S4, 0x42d20000, 0}, // 105.00
        {F2, "1.5D-2", BN, 0, D8, 0x3f8eb851eb851eb8, 0},
        {F2, "15E3", BN, 0, S4, 0x43160000, 0}, // 0.15E3
        {F1, "1.5+3", BN, 0, S4, 0x44bb8000, 0},
        {F1, "1.5E3 ", BZ, 0, S4, 0x71977617, 0}, // 1.5E30
        {F2, "1.5", BN, 2, S4, 0x3c75c28f, 0},    // 2P: 0.015
        {F2, "1.5", BN, -2, S4, 0x43160000, 0},
        {F2, "1.5E0", BN, 2, S4, 0x3fc00000, 0}, // an exponent: no scaling
        {F2, "     ", BZ, 0, S4, 0x00000000, 0},
        {F2, "-   ", BZ, 0, D8, 0x8000000000000000, 0},
        {F2, "   -", BN, 0, S4, 0x80000000, 0}, // no digits before the exponent: zero
        {F2, "  . ", BN, 0, S4, 0x00000000, 0},
        {F2, "+ . E00", BN, 0, D8, 0x0000000000000000, 0},
        {F2, "E+00", BN, 0, S4, 0x00000000, 0},
        {F2, "-.5", BN, 0, S4, 0xbf000000, 0},
        {F2, "E", BN, 0, S4, 0, MSG_REAL_SYNTAX},
        {F2, "+-", BN, 0, S4, 0, MSG_REAL_SYNTAX},
        {F2, "x", BN, 0, S4, 0, MSG_REAL_SYNTAX},
        {F2, "1.5E ", BN, 0, S4, 0, MSG_REAL_SYNTAX},
        {F2, "\t1.5", BN, 0, S4, 0, MSG_REAL_SYNTAX},
        {F2, "1.e39", BN, 0, S4, 0, MSG_SINGLE_RANGE},
        {F2, "1e400", BN, 0, D8, 0, MSG_DOUBLE_OVERFLOW},
    };
    for (const auto& c : cases) {
        const EditState state = {c.scale, SIGN_DEFAULT, c.blanks_are_zeros};
        std::int64_t integer = 99;
        std::uint64_t bits = 99;
        const int message =
            c.edit.descriptor == DESC_I
                ? edit_integer_input(c.field, width_of(c.field), c.blanks_are_zeros, &integer)
                : edit_real_input(c.edit, c.field, width_of(c.field), state, c.type, &bits);
        EXPECT_EQ(message, c.message) << '"' << c.field << '"';
        EXPECT_EQ(c.edit.descriptor == DESC_I ? whole(integer) : bits, message ? 99 : c.value)
            << '"' << c.field << '"';
    }
}

TEST(EditInput, LogicalFields) {
    bool value = false;
    for (const char* field : {"  .T", "TOAST", " f", ".FALSE."}) {
        EXPECT_EQ(edit_logical_input(field, width_of(field), &value), 0) << field;
        EXPECT_EQ(value, std::strchr(field, 'T') != nullptr) << field;
    }
    for (const char* field : {"     ", "  .x", ". T", "."}) {
        EXPECT_EQ(edit_logical_input(field, width_of(field), &value), MSG_BAD_LOGICAL) << field;
    }
}

// Only the field's own columns are read: what follows belongs to the next field.
TEST(EditInput, NothingPastTheWidth) {
    std::int64_t integer = 0;
    std::uint64_t bits = 0;
    bool logical = false;
    EXPECT_EQ(edit_integer_input("1234", 2, BN, &integer), 0);
    EXPECT_EQ(integer, 12);
    EXPECT_EQ(edit_real_input(F1, "1.2x", 3, {0, SIGN_DEFAULT, BN}, S4, &bits), 0);
    EXPECT_EQ(bits, 0x3f99999aU);
    EXPECT_EQ(edit_logical_input("  T", 2, &logical), MSG_BAD_LOGICAL);
    const std::string wide(40000, '1');
    EXPECT_EQ(edit_real_input(F1, wide.c_str(), 32767, {0, SIGN_DEFAULT, BN}, D8, &bits),
              MSG_DOUBLE_OVERFLOW);
}

} // namespace
} // namespace lnc
