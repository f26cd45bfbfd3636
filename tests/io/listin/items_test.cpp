// List-directed input into logical, character, complex, double-precision and array items,
// repeat factors across items, values longer than the token, and non-advancing statements.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "io/listin/listin.h"
#include "support/exit_capture.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::ListConsole;
using test::READ_BRANCHES;
using test::read_statement;

TEST(ListInputItems, Logicals) {
    struct Case {
        const char* input;
        int status;
        std::int32_t value;
    };
    const Case cases[] = {
        {"T", 0, 1},   {"t", 0, 1},       {".TRUE.", 0, 1}, {"TOAST", 0, 1},
        {"F", 0, 0},   {".false.", 0, 0}, {"'F'", 0, 0},    {",", 0, 1}, // null: true
        {"2*F", 0, 0}, {"x", 6507, 1},    {".", 6507, 1},   {"1", 6507, 1},
    };
    for (const Case& c : cases) {
        ListConsole console(std::string(c.input) + "\r\n");
        std::int32_t word = 0x5A5A5A5A;
        EXPECT_EQ(read_statement([&] { read_item_logical4(&word); }), c.status) << c.input;
        EXPECT_EQ(word, c.value) << c.input;
    }
}

TEST(ListInputItems, NarrowLogicalsSetTheirFirstByte) {
    ListConsole console("F F\r\n");
    std::int8_t one = 0x33;
    std::int16_t two = 0x0700;
    ASSERT_EQ(read_statement([&] {
                  read_item_logical1(&one);
                  read_item_logical2(&two);
              }),
              0);
    EXPECT_EQ(one, 0);
    EXPECT_EQ(two, 0x0700); // the second byte keeps its value
}

TEST(ListInputItems, LogicalReport) {
    ListConsole console("x\r\n");
    std::int32_t word = 0;
    int code = test::exit_code_of([&] { read_statement([&] { read_item_logical4(&word); }, 0); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(console.error(),
              "\r\nrun-time error F6507: READ(CON)\r\n- invalid logical value\r\n");
}

std::string read_text(const std::string& input, int length, const std::string& before = "#####") {
    ListConsole console(input);
    std::string item = before;
    item.resize(static_cast<std::size_t>(length), '#');
    EXPECT_EQ(read_statement([&] { read_item_character(item.data(), length); }), 0) << input;
    return item;
}

TEST(ListInputItems, Characters) {
    EXPECT_EQ(read_text("'ab'\r\n", 5), "ab   ");
    EXPECT_EQ(read_text("ab\r\n", 5), "ab   ");
    EXPECT_EQ(read_text("abcdefg\r\n", 5), "abcde"); // an unquoted value is cut
    EXPECT_EQ(read_text("'abcdefgh'\r\n", 5), "abcde");
    EXPECT_EQ(read_text("'it''s'\r\n", 5), "it's ");
    EXPECT_EQ(read_text("\"a'b\"\r\n", 5), "a'b  ");
    EXPECT_EQ(read_text("'a,b /c'\r\n", 7), "a,b /c ");
    EXPECT_EQ(read_text("ab,cd\r\n", 5), "ab   ");
    EXPECT_EQ(read_text("''\r\n", 5), "#####"); // an empty constant is a null value
    // A constant runs over the line end; the first character of the next line, where a
    // split output record has its carriage-control blank, is not part of it.
    EXPECT_EQ(read_text("'ab\r\n cd'\r\n", 5), "abcd ");
    EXPECT_EQ(read_text("'ab\r\nXcd'\r\n", 5), "abcd ");
}

TEST(ListInputItems, QuotedConstantRepeatedFillsEveryItem) {
    ListConsole console("3*'ab' 'cdef'\r\n");
    char a[4], b[4], c[4], d[4];
    std::memset(a, '#', 4);
    std::memset(b, '#', 4);
    std::memset(c, '#', 4);
    std::memset(d, '#', 4);
    ASSERT_EQ(read_statement([&] {
                  read_item_character(a, 4);
                  read_item_character(b, 4);
                  read_item_character(c, 4);
                  read_item_character(d, 4);
              }),
              0);
    EXPECT_EQ(std::string(a, 4), "ab  ");
    EXPECT_EQ(std::string(b, 4), "ab  ");
    EXPECT_EQ(std::string(c, 4), "ab  ");
    EXPECT_EQ(std::string(d, 4), "cdef");
}

TEST(ListInputItems, RepeatFactorsAcrossItemsAndLines) {
    ListConsole console("2*5 6 2*\r\n7\r\n");
    float v[6] = {0, 0, 0, 99, 98, 0};
    ASSERT_EQ(read_statement([&] {
                  for (float& x : v) {
                      read_item_real4(&x);
                  }
              }),
              0);
    // The two null values of "2*" keep 99 and 98; the value after them is on the next line.
    EXPECT_EQ(std::vector<float>(v, v + 6), (std::vector<float>{5, 5, 6, 99, 98, 7}));
}

TEST(ListInputItems, SlashEndsTheListAndLaterItemsKeepTheirValues) {
    ListConsole console("1 2/ 3\r\n4\r\n");
    std::int32_t v[4] = {-1, -1, -1, -1};
    ASSERT_EQ(read_statement([&] {
                  for (std::int32_t& x : v) {
                      read_item_integer4(&x);
                  }
              }),
              0);
    EXPECT_EQ(v[0], 1);
    EXPECT_EQ(v[1], 2);
    EXPECT_EQ(v[2], -1);
    EXPECT_EQ(v[3], -1);
    std::int32_t next = 0;
    ASSERT_EQ(read_statement([&] { read_item_integer4(&next); }), 0);
    EXPECT_EQ(next, 4);
}

TEST(ListInputItems, Complexes) {
    struct Case {
        const char* input;
        int status;
        float re, im;
    };
    const Case cases[] = {
        {"(1,2)", 0, 1.0f, 2.0f},
        {"( 1.5 , -2 )", 0, 1.5f, -2.0f},
        {"(1,\r\n2)", 0, 1.0f, 2.0f}, // a line end inside the parentheses is a blank
        {"2*(3,4)", 0, 3.0f, 4.0f},
        {",", 0, 9.0f, 9.0f},
        {"(1 2)", 6506, 9.0f, 9.0f},
        {"1", 6504, 9.0f, 9.0f},
        {"'1,2'", 6504, 9.0f, 9.0f},
        {"(,2)", 6103, 9.0f, 9.0f}, // a part with no text is not a number
        {"(1,)", 6103, 9.0f, 9.0f},
        {"(1,2,3)", 6103, 9.0f, 9.0f},
        {"(1,1e39)", 6104, 1.0f, 9.0f},
    };
    for (const Case& c : cases) {
        ListConsole console(std::string(c.input) + "\r\n");
        float z[2] = {9.0f, 9.0f};
        EXPECT_EQ(read_statement([&] { read_item_complex8(z); }), c.status) << c.input;
        EXPECT_EQ(z[0], c.re) << c.input;
        EXPECT_EQ(z[1], c.im) << c.input;
    }
}

TEST(ListInputItems, DoublePrecision) {
    ListConsole console("0.1 1.0000000596046448 1e39 (0.1,-0.2)\r\n");
    double a = 0, b = 0, c = 0, z[2] = {0, 0};
    ASSERT_EQ(read_statement([&] {
                  read_item_real8(&a);
                  read_item_real8(&b);
                  read_item_real8(&c);
                  read_item_complex16(z);
              }),
              0);
    EXPECT_EQ(a, 0.1);
    EXPECT_EQ(b, 1.0000000596046448);
    EXPECT_EQ(c, 1e39);
    EXPECT_EQ(z[0], 0.1);
    EXPECT_EQ(z[1], -0.2);
}

// A READ of one array item, described by a list built here: header, extension for unit '*',
// the item with its element count, and the end.
int read_array(int type, void* data, int count, int element_length = 0) {
    EXPECT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, READ_BRANCHES), 0);
    test::ListBuilder list(HDR_EXTENSION | HDR_ERROR_BRANCH | HDR_END_BRANCH);
    list.byte(EXT_DEFAULT_UNIT);
    if (type == TYPE_CHARACTER) {
        list.character(data, element_length, count);
    } else {
        list.variable(type, data, count);
    }
    return execute_read(list.end());
}

TEST(ListInputItems, ArraysTakeOneValuePerElement) {
    {
        ListConsole console("1,2*7,,9\r\n");
        std::int32_t v[5] = {0, 0, 0, -5, 0};
        ASSERT_EQ(read_array(TYPE_INTEGER4, v, 5), 0);
        EXPECT_EQ(std::vector<std::int32_t>(v, v + 5), (std::vector<std::int32_t>{1, 7, 7, -5, 9}));
    }
    {
        // Null elements of a complex array keep both parts, and the next element is read
        // into its own place.
        ListConsole console("(1,2),,(5,6)\r\n");
        float z[6] = {0, 0, 3, 4, 0, 0};
        ASSERT_EQ(read_array(TYPE_COMPLEX8, z, 3), 0);
        EXPECT_EQ(std::vector<float>(z, z + 6), (std::vector<float>{1, 2, 3, 4, 5, 6}));
    }
    {
        ListConsole console("T F 2*.t.\r\n");
        std::int32_t v[4] = {0x55555555, 0x55555555, 0x55555555, 0x55555555};
        ASSERT_EQ(read_array(TYPE_LOGICAL4, v, 4), 0);
        EXPECT_EQ(std::vector<std::int32_t>(v, v + 4), (std::vector<std::int32_t>{1, 0, 1, 1}));
    }
    {
        ListConsole console("'ab' cd / ef\r\n");
        char t[9];
        std::memset(t, '#', sizeof t);
        ASSERT_EQ(read_array(TYPE_CHARACTER, t, 3, 3), 0);
        EXPECT_EQ(std::string(t, 9), "ab cd ###");
    }
}

TEST(ListInputItems, ValuesLongerThanTheToken) {
    const std::string digits(300, '1');
    {
        ListConsole console(digits + "\r\n");
        float x = 5;
        EXPECT_EQ(read_statement([&] { read_item_real4(&x); }), 6103);
        EXPECT_EQ(x, 5);
    }
    {
        ListConsole console("(" + digits + ",1)\r\n");
        float z[2] = {5, 5};
        EXPECT_EQ(read_statement([&] { read_item_complex8(z); }), 6103);
    }
    {
        ListConsole console(digits + "\r\n");
        std::int32_t i = 5;
        EXPECT_EQ(read_statement([&] { read_item_integer4(&i); }), 6101);
        EXPECT_EQ(i, 5);
    }
    {
        ListConsole console("T" + digits + "\r\n");
        std::int32_t l = 5;
        EXPECT_EQ(read_statement([&] { read_item_logical4(&l); }), 6507);
    }
    {
        // Text is cut to the token; a quoted constant is taken whole.
        std::string letters;
        for (int i = 0; i < 300; ++i) {
            letters += static_cast<char>('a' + i % 26);
        }
        EXPECT_EQ(read_text(letters + " x\r\n", 400),
                  letters.substr(0, TOKEN_SIZE) + std::string(400 - TOKEN_SIZE, ' '));
        EXPECT_EQ(read_text("'" + letters + "'\r\n", 400), letters + std::string(100, ' '));
    }
}

TEST(ListInputItems, NonAdvancingStatementsShareALine) {
    ListConsole console("1 2\r\n3\r\n");
    std::int32_t a = 0, b = 0, c = 0;
    ASSERT_EQ(read_statement([&] { read_item_integer4(&a); }, READ_BRANCHES, "NO"), 0);
    ASSERT_EQ(read_statement([&] { read_item_integer4(&b); }, READ_BRANCHES, "NO"), 0);
    // The line end left by the last value is taken at the start of the next one.
    ASSERT_EQ(read_statement([&] { read_item_integer4(&c); }, READ_BRANCHES, "NO"), 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(c, 3);
}

} // namespace
} // namespace lnc
