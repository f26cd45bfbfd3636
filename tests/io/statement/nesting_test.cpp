// Statements run between two items of a READ (from a function that computes an item): the READ
// goes on where it was, with its own state and its unit's record as it left them.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "io/statement/statement.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::Console;
using test::ListConsole;

void write_text(const char* text) {
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
    write_item_character(text, static_cast<int>(std::char_traits<char>::length(text)));
    ASSERT_EQ(end_write(), 0);
}

TEST(Nesting, WriteBetweenItemsOfAConsoleRead) {
    // One terminal for input and output: the two share one block, whose buffer holds the typed
    // line while the READ is between its items.
    ListConsole console("", Console::Terminal);
    write_text("prompt");
    console.type("11 22\n");
    std::int32_t first = 0;
    std::int32_t second = 0;
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0), 0);
    EXPECT_EQ(read_item_integer4(&first), 0);
    write_text("inside");
    EXPECT_EQ(read_item_integer4(&second), 0);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(first, 11);
    EXPECT_EQ(second, 22);
    // The typed line ended the prompt's line; the record written inside the READ starts the
    // next one, and the record after the READ still owes it its line end.
    write_text("after");
    console.close();
    EXPECT_EQ(console.output(), "prompt\r\ninside\r\nafter\r\n");
}

TEST(Nesting, InternalStatementsInsideEachOther) {
    ListConsole console;
    // An internal READ of three values; between its items an internal WRITE and an internal
    // READ of other variables run on the same internal-file unit.
    const char outer[] = "1 2 3 ";
    std::int32_t values[3] = {0, 0, 0};
    char written[8];
    const char inner[] = "77";
    std::int32_t inner_value = 0;
    ASSERT_EQ(begin_read_internal(outer, 6, 1, nullptr, 0, 5), 0);
    EXPECT_EQ(read_item_integer4(&values[0]), 0);
    ASSERT_EQ(begin_write_internal(written, 8, 1, nullptr, 0, 1), 0);
    write_item_character("inner", 5);
    EXPECT_EQ(end_write(), 0);
    EXPECT_EQ(read_item_integer4(&values[1]), 0);
    ASSERT_EQ(begin_read_internal(inner, 2, 1, nullptr, 0, 5), 0);
    EXPECT_EQ(read_item_integer4(&inner_value), 0);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(read_item_integer4(&values[2]), 0);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 2);
    EXPECT_EQ(values[2], 3);
    EXPECT_EQ(inner_value, 77);
    EXPECT_EQ(std::string(written, 8), " inner  ");
}

TEST(Nesting, ListReadStateOfTheOuterReadSurvives) {
    // A repeat factor still owing values when an inner READ runs: the outer READ delivers them.
    ListConsole console;
    const char outer[] = "3*4";
    const char inner[] = "9,8";
    std::int32_t a = 0, b = 0, c = 0, d = 0, e = 0;
    ASSERT_EQ(begin_read_internal(outer, 3, 1, nullptr, 0, 5), 0);
    read_item_integer4(&a);
    ASSERT_EQ(begin_read_internal(inner, 3, 1, nullptr, 0, 5), 0);
    read_item_integer4(&d);
    read_item_integer4(&e);
    EXPECT_EQ(end_read(), 0);
    read_item_integer4(&b);
    read_item_integer4(&c);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(a + b + c, 12);
    EXPECT_EQ(d * 10 + e, 98);
}

} // namespace
} // namespace lnc
