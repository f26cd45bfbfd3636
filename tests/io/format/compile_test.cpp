// The format compiler: the refusals with their message, character and position, the cache, and
// texts that must never be read past their length.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

#include "errors/errors.h"
#include "io/format/format_internal.h"
#include "runtime/heap/heap.h"

namespace lnc {
namespace {

// Compiles a copy of text in a block of exactly its length, so that a read past it is caught
// by the address sanitizer.
const CompiledFormat* compile_exact(const std::string& text, FormatError* error) {
    auto copy = std::make_unique<char[]>(text.size());
    text.copy(copy.get(), text.size());
    return compile_format_text(copy.get(), static_cast<int>(text.size()), error);
}

constexpr int UNEXPECTED = MSG_FORMAT_UNEXPECTED_CHARACTER;

struct BadFormat {
    std::string text;
    int message_index;
    int position;
    char character = 0; // the unexpected character
};

TEST(CompileFormat, RefusesWhatIsWrongWithItsMessageAndPlace) {
    // "(2000(2000(1X)),I1)" would move 4 million columns per item; "(I5 3I2)" reads as I53.
    const std::string deep = std::string(18, '(') + "I1" + std::string(18, ')');
    const BadFormat cases[] = {
        {"", MSG_FORMAT_NO_OPENING_PARENTHESIS, 0},
        {" I5", MSG_FORMAT_NO_OPENING_PARENTHESIS, 1},
        {"(", MSG_FORMAT_NO_CLOSING_PARENTHESIS, 1},
        {"(I5,(I3)", MSG_FORMAT_NO_CLOSING_PARENTHESIS, 8},
        {"(I5,(I3", MSG_UNBALANCED_PARENTHESES, 7},
        {"(I)", MSG_NO_FIELD_WIDTH, 2},
        {"(F5)", MSG_NO_DECIMAL_DIGITS, 3},
        {"(I5.)", MSG_NO_DECIMAL_DIGITS, 4},
        {"(E10.3E0)", MSG_EXPONENT_DIGITS_RANGE, 7},
        {"(G10.3E100)", MSG_EXPONENT_DIGITS_RANGE, 7},
        {"(ES10.3E)", MSG_EXPONENT_DIGITS_RANGE, 8},
        {"(I0)", MSG_ZERO_FIELD_WIDTH, 2},
        {"(A 0)", MSG_ZERO_FIELD_WIDTH, 3},
        {"(I99999999999)", MSG_FORMAT_TOO_LONG, 2},
        {"(3T5)", MSG_REPEAT_NOT_ALLOWED, 2},
        {"(-2X)", MSG_SCALE_WITHOUT_P, 3},
        {"('abc)", MSG_FORMAT_UNCLOSED_QUOTE, 1},
        {"(I2,\"ab''c)", MSG_FORMAT_UNCLOSED_QUOTE, 4},
        {"(5Habc)", MSG_HOLLERITH_PAST_FORMAT, 7},
        {"(0I5)", MSG_REPEAT_COUNT_RANGE, 1},
        {"(32768(I5))", MSG_REPEAT_COUNT_RANGE, 1},
        {"(99999999999999999999/)", MSG_REPEAT_COUNT_RANGE, 1},
        {"(2000(2000(1X)),I1)", MSG_REPEAT_COUNT_RANGE, 1},
        {"(T0)", MSG_TAB_RANGE, 2},
        {"(0X)", MSG_TAB_RANGE, 1},
        {"(I5I3)", MSG_NO_EDIT_SEPARATOR, 3},
        {"(I5 3I2)", MSG_NO_EDIT_SEPARATOR, 5},
        {"(F5.2(I3))", MSG_NO_EDIT_SEPARATOR, 5},
        {deep, MSG_FORMAT_NESTED_TOO_DEEPLY, 17},
        {"(Q)", UNEXPECTED, 1, 'Q'},
        {"(i5,b5)", UNEXPECTED, 4, 'b'},
        {"($)", UNEXPECTED, 1, '$'},
        {"(P)", UNEXPECTED, 1, 'P'},
        {"(H)", UNEXPECTED, 1, 'H'},
        {"(,I5)", UNEXPECTED, 1, ','},
        {"(I5,,I3)", UNEXPECTED, 4, ','},
        {"(I5,)", UNEXPECTED, 4, ')'},
        {"(I5,())", UNEXPECTED, 5, ')'},
        {"(3,I5)", UNEXPECTED, 2, ','},
        {"(E10.3E2.1)", UNEXPECTED, 8, '.'},
        {"(I2\t)", UNEXPECTED, 3, '\t'},
        {"(\x80)", UNEXPECTED, 1, '\x80'},
    };
    for (const BadFormat& bad : cases) {
        FormatError error{};
        EXPECT_EQ(compile_exact(bad.text, &error), nullptr) << bad.text;
        EXPECT_EQ(error.message_index, bad.message_index) << bad.text;
        EXPECT_EQ(error.position, bad.position) << bad.text;
        if (bad.message_index == UNEXPECTED) {
            EXPECT_EQ(error.character, bad.character) << bad.text;
        }
    }
}

TEST(CompileFormat, SameTextGivesSameFormat) {
    FormatError error{};
    const CompiledFormat* first = compile_exact("(I5,F10.3)", &error);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(compile_format_text("(I5,F10.3)   ", -1, &error), first); // blanks after it
    EXPECT_EQ(compile_format_text("(I5,F10.3)xyz", 10, &error), first);
    EXPECT_NE(compile_exact("(I5,F10.4)", &error), first);
    // Two texts with one hash: kept apart by their text.
    ASSERT_EQ(format_text_hash("('BASIHQFR')", 12), format_text_hash("('FAJYAPTM')", 12));
    const CompiledFormat* one = compile_exact("('BASIHQFR')", &error);
    const CompiledFormat* other = compile_exact("('FAJYAPTM')", &error);
    ASSERT_NE(one, nullptr);
    EXPECT_NE(one, other);
    EXPECT_EQ(std::string(other->literals, 8), "FAJYAPTM");
}

// A variable named again at the same place is compared by what it holds now: changed in place,
// shorter up to its NUL, or longer than the count given.
TEST(CompileFormat, TextChangedInPlaceIsLookedUpAgain) {
    FormatError error{};
    char variable[16] = "(I5,F10.3)";
    const CompiledFormat* first = compile_format_text(variable, -1, &error);
    ASSERT_NE(first, nullptr);
    std::memcpy(variable, "(I5,F10.4)", 10);
    const CompiledFormat* second = compile_format_text(variable, -1, &error);
    EXPECT_NE(second, first);
    EXPECT_EQ(second, compile_format_text(variable, -1, &error));
    std::memcpy(variable, "(I5)\0", 5);
    EXPECT_EQ(compile_format_text(variable, -1, &error), compile_format_text("(I5)", 4, &error));
    const CompiledFormat* short_one = compile_format_text(variable, -1, &error);
    std::memcpy(variable, "(I5)  X", 8);
    EXPECT_NE(compile_format_text(variable, -1, &error), short_one); // kept by its whole text
    EXPECT_EQ(compile_format_text(variable, 6, &error), short_one);
    EXPECT_NE(compile_format_text(variable, 7, &error), short_one);
}

TEST(CompileFormat, LimitsAndMemory) {
    FormatError error{};
    std::string after(70000, 'z'); // a long variable holding a short format: only (I5) counts
    EXPECT_NE(compile_exact("(I5)" + after, &error), nullptr);
    std::string items = "(";
    for (int i = 0; i < 25000; ++i)
        items += "1X,";
    EXPECT_EQ(compile_exact(items + "I1)", &error), nullptr);
    EXPECT_EQ(error.message_index, MSG_FORMAT_TOO_LONG);
    for (int failing = 1; failing <= 2; ++failing) { // the work area, then the kept block
        fail_allocation_after(failing);
        EXPECT_EQ(compile_exact("(I" + std::to_string(failing) + ",'memory')", &error), nullptr);
        fail_allocation_after(0);
        EXPECT_EQ(error.message_index, MSG_NO_MEMORY);
    }
}

} // namespace
} // namespace lnc
