// List-directed READ statements end to end through the begin, item and end calls: values cut at
// separators, null values, repeat factors, line ends, every item type and the numbered refusals.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "io/listin/listin.h"
#include "support/exit_capture.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::Console;
using test::ListConsole;
using test::READ_BRANCHES;
using test::read_statement;

constexpr float UNTOUCHED = 99.0f;

void begin(int flags = READ_BRANCHES) {
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, flags), 0);
}

int read_real(float* x) {
    return read_statement([&] { read_item_real4(x); });
}

struct RealCase {
    const char* input;
    int status;
    float value;
};

TEST(ListInput, OneRealFromRedirectedInput) {
    const RealCase cases[] = {
        {"2\r\n", 0, 2.0f},
        {"  2.5  \r\n", 0, 2.5f},
        {"2,\r\n", 0, 2.0f},
        {"2, 7\r\n", 0, 2.0f},
        {"\r\n   \r\n\t\r\n2\r\n", 0, 2.0f}, // empty and blank lines are passed over
        {"2", 0, 2.0f},                      // a last line without its line end
        {"1e3\r\n", 0, 1000.0f},
        {"1D+03\r\n", 0, 1000.0f},
        {"1.0+3\r\n", 0, 1000.0f},
        {".5\r\n", 0, 0.5f},
        {"5-3\r\n", 0, 0.005f},
        {"3*2\r\n", 0, 2.0f},
        {"16#3*2\r\n", 0, 2.0f},
        {"3*\r\n", 0, UNTOUCHED},
        {"3* 7\r\n", 0, UNTOUCHED},
        {"3*,7\r\n", 0, UNTOUCHED},
        {"1* 7\r\n", 0, UNTOUCHED}, // a repeat factor of one still gives a null value
        {",\r\n", 0, UNTOUCHED},
        {" ,7\r\n", 0, UNTOUCHED},
        {"/\r\n", 0, UNTOUCHED},
        {"1.5e\r\n", 6103, UNTOUCHED},
        {"abc\r\n", 6103, UNTOUCHED},
        {"1e39\r\n", 6104, UNTOUCHED},
        {"'2'\r\n", 6504, UNTOUCHED},
        {"(1,2)\r\n", 6504, UNTOUCHED},
        {"*2\r\n", 6502, UNTOUCHED},
        {"0*2\r\n", 6502, UNTOUCHED},
        {"-3*2\r\n", 6502, UNTOUCHED},
        {"3**2\r\n", 6503, UNTOUCHED},
        {"1**2\r\n", 6503, UNTOUCHED},
        {"x*2\r\n", 6101, UNTOUCHED},
        {"99999999999*2\r\n", 6100, UNTOUCHED},
        {"", -1, UNTOUCHED},
        {"\x1A\r\n", -1, UNTOUCHED}, // Ctrl-Z alone on a line
    };
    for (const RealCase& c : cases) {
        ListConsole console(c.input);
        float x = UNTOUCHED;
        EXPECT_EQ(read_real(&x), c.status) << '"' << c.input << '"';
        EXPECT_EQ(x, c.value) << '"' << c.input << '"';
    }
}

TEST(ListInput, NegativeZeroKeepsItsSign) {
    ListConsole console("-0\r\n");
    float x = UNTOUCHED;
    ASSERT_EQ(read_real(&x), 0);
    EXPECT_EQ(x, 0.0f);
    EXPECT_TRUE(std::signbit(x));
}

TEST(ListInput, EachStatementStartsOnTheNextLine) {
    ListConsole console("2, 7\r\n9 8\r\n3*2\r\n4\r\n3*\r\n5\r\n");
    float a = 0, b = 0, c = 0, d = 0, e = UNTOUCHED, f = 0;
    EXPECT_EQ(read_real(&a), 0);
    EXPECT_EQ(read_real(&b), 0);
    EXPECT_EQ(read_real(&c), 0); // the repeats still owed are dropped
    EXPECT_EQ(read_real(&d), 0);
    // A repeat factor ending its line gives a null value whose line end has been passed: the
    // statement end takes nothing more.
    EXPECT_EQ(read_real(&e), 0);
    EXPECT_EQ(read_real(&f), 0);
    EXPECT_EQ(a, 2.0f);
    EXPECT_EQ(b, 9.0f);
    EXPECT_EQ(c, 2.0f);
    EXPECT_EQ(d, 4.0f);
    EXPECT_EQ(e, UNTOUCHED);
    EXPECT_EQ(f, 5.0f);
}

TEST(ListInput, ConsoleLines) {
    {
        ListConsole console({}, Console::Terminal);
        console.type("  2.5 junk\n7\n");
        float x = 0, y = 0;
        EXPECT_EQ(read_real(&x), 0);
        EXPECT_EQ(read_real(&y), 0); // the rest of the first line was dropped
        EXPECT_EQ(x, 2.5f);
        EXPECT_EQ(y, 7.0f);
    }
    {
        ListConsole console({}, Console::Terminal);
        console.type(std::string(129, ' ') + "8\n");
        float x = 0;
        EXPECT_EQ(read_real(&x), 0); // 130 characters and the line end fill the record
        EXPECT_EQ(x, 8.0f);
    }
    {
        ListConsole console({}, Console::Terminal);
        console.type(std::string(130, ' ') + "8\n");
        float x = 0;
        EXPECT_EQ(read_real(&x), 6407);
    }
    {
        // A READ that finds only a slash still takes its typed line, and no more.
        ListConsole console({}, Console::Terminal);
        console.type("/ 5\n6\n");
        float x = UNTOUCHED, y = 0;
        EXPECT_EQ(read_real(&x), 0);
        EXPECT_EQ(read_real(&y), 0);
        EXPECT_EQ(x, UNTOUCHED);
        EXPECT_EQ(y, 6.0f);
    }
}

TEST(ListInput, ReportWithoutABranchEndsTheProcess) {
    ListConsole console("abc\r\n");
    float x = UNTOUCHED;
    int code = test::exit_code_of([&] { read_statement([&] { read_item_real4(&x); }, 0); });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(console.error(),
              "\r\nrun-time error F6103: READ(CON)\r\n- invalid real value: not a number\r\n");
    EXPECT_EQ(x, UNTOUCHED);
}

TEST(ListInput, FailedStatementAnswersEveryLaterCallAtOnce) {
    ListConsole console("'x' 5\r\n");
    float x = UNTOUCHED, y = UNTOUCHED;
    begin();
    EXPECT_EQ(read_item_real4(&x), 6504);
    EXPECT_EQ(read_item_real4(&y), 6504);
    EXPECT_EQ(end_read(), 6504);
    EXPECT_EQ(x, UNTOUCHED); // a quoted value never reaches a real item
    EXPECT_EQ(y, UNTOUCHED);
}

struct IntegerCase {
    int type;
    std::string input;
    int status;
    std::int32_t value;
};

std::int32_t read_integer_of(int type, int* status) {
    std::int32_t word = 0x5A5A5A5A;
    std::int8_t one = 0x5A;
    std::int16_t two = 0x5A5A;
    *status = read_statement([&] {
        if (type == TYPE_INTEGER1) {
            read_item_integer1(&one);
        } else if (type == TYPE_INTEGER2) {
            read_item_integer2(&two);
        } else {
            read_item_integer4(&word);
        }
    });
    return type == TYPE_INTEGER1 ? one : type == TYPE_INTEGER2 ? two : word;
}

TEST(ListInput, IntegersByItemSize) {
    const std::int32_t KEPT = 0x5A5A5A5A;
    const IntegerCase cases[] = {
        {TYPE_INTEGER1, "127", 0, 127},
        {TYPE_INTEGER1, "-128", 0, -128},
        {TYPE_INTEGER1, "128", 6100, 0x5A},
        {TYPE_INTEGER1, "-129", 6100, 0x5A},
        {TYPE_INTEGER1, "16#7F", 0, 127},
        {TYPE_INTEGER2, "32767", 0, 32767},
        {TYPE_INTEGER2, "-32768", 0, -32768},
        {TYPE_INTEGER2, "32768", 6100, 0x5A5A},
        {TYPE_INTEGER2, "-32769", 6100, 0x5A5A},
        {TYPE_INTEGER4, "2147483647", 0, 2147483647},
        {TYPE_INTEGER4, "-2147483648", 0, INT32_MIN},
        {TYPE_INTEGER4, "2147483648", 6100, KEPT},
        {TYPE_INTEGER4, "16#FFFFFFFF", 0, -1},
        {TYPE_INTEGER4, "2#101,", 0, 5},
        {TYPE_INTEGER4, "  +17  ", 0, 17},
        {TYPE_INTEGER4, "2*33", 0, 33},
        {TYPE_INTEGER4, ",", 0, KEPT},
        {TYPE_INTEGER4, "1.5", 6101, KEPT},
        {TYPE_INTEGER4, "+", 6101, KEPT},
        {TYPE_INTEGER4,
         "1\x1A"
         "2",
         6101, KEPT}, // no early end inside a value
        {TYPE_INTEGER4,
         std::string("1\0"
                     "2",
                     3),
         6101, KEPT},
        {TYPE_INTEGER4, "1#1", 6303, KEPT},
        {TYPE_INTEGER4, "37#1", 6303, KEPT},
        {TYPE_INTEGER4, "2#1#1", 6302, KEPT},
        {TYPE_INTEGER4, "'5'", 6504, KEPT},
        {TYPE_INTEGER4, "(5)", 6504, KEPT},
    };
    for (const IntegerCase& c : cases) {
        ListConsole console(c.input + "\r\n");
        int status = 0;
        std::int32_t value = read_integer_of(c.type, &status);
        EXPECT_EQ(status, c.status) << c.type << " \"" << c.input << '"';
        EXPECT_EQ(value, c.value) << c.type << " \"" << c.input << '"';
    }
}

} // namespace
} // namespace lnc
