// Formatted WRITE and READ through the public calls: tables of {format, items, record bytes} on
// internal files, and a few statements on the console.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <functional>
#include <string>

#include "lncalc/statements.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::Console;
using test::ListConsole;

constexpr int RECORD = 12;

// Writes the items into three records of 12 (each first filled with '#'); returns the records
// joined by '|', or the status.
std::string write_records(const char* format, const std::function<void()>& items) {
    char records[3 * RECORD];
    std::memset(records, '#', sizeof records);
    EXPECT_EQ(begin_write_internal(records, RECORD, 3, format, -1, 1), 0);
    items();
    int status = end_write();
    if (status != 0)
        return "status " + std::to_string(status);
    std::string joined;
    for (int r = 0; r < 3; ++r)
        joined += std::string(records + r * RECORD, RECORD) + (r < 2 ? "|" : "");
    return joined;
}

struct WriteCase {
    const char* format;
    std::function<void()> items;
    const char* records;
};

TEST(FormattedWrite, InternalRecords) {
    ListConsole console;
    const WriteCase cases[] = {
        {"(I5,I4.3,I3)",
         [] {
             write_item_integer4(-42), write_item_integer2(7),
                 write_item_integer1(1000 % 256 - 256);
         },
         "  -42 007-24|############|############"},
        {"(SP,I4,SS,I4,G4.1)",
         [] { write_item_integer4(5), write_item_integer4(5), write_item_integer4(12); },
         "  +5   5  12|############|############"},
        {"(F8.3/E12.4)",
         [] {
             write_item_real4(std::bit_cast<std::uint32_t>(2.5f)),
                 write_item_real8(std::bit_cast<std::uint64_t>(-0.5));
         },
         "   2.500    |  -.5000E+00|############"},
        {"(2PF8.2/-1PE10.2)",
         [] {
             write_item_real4(std::bit_cast<std::uint32_t>(1.5f)),
                 write_item_real4(std::bit_cast<std::uint32_t>(25.0f));
         },
         "  150.00    |   .03E+03  |############"},
        {"(D10.3/G10.3)",
         [] {
             write_item_real8(std::bit_cast<std::uint64_t>(1000.0)),
                 write_item_real4(std::bit_cast<std::uint32_t>(0.5f));
         },
         "  .100D+04  |  .500      |############"},
        {"(2F6.1)",
         [] {
             write_item_complex8(std::bit_cast<std::uint32_t>(1.0f),
                                 std::bit_cast<std::uint32_t>(-2.0f));
         },
         "   1.0  -2.0|############|############"},
        {"(L3,L2,G3.1,A/A3,A5,G4.1)",
         [] {
             write_item_logical4(1), write_item_logical4(0), write_item_logical4(1),
                 write_item_character("ab", 2), write_item_character("xyzw", 4),
                 write_item_character("q", 1), write_item_character("cd", 2);
         },
         "  T F  Tab  |xyz    q  cd|############"},
        {"(I3)", [] { write_item_integer4(1234); }, "***         |############|############"},
        // Tabs: back over written text, and on past it.
        {"('abcdef',T3,'X',TL2,'Y',TR3,'Z',T12,'!')", [] {},
         "aYXdeZ     !|############|############"},
        {"(3X,'a',X,TL4,'b')", [] {}, " b a        |############|############"},
        {"('a',5X)", [] {}, "a           |############|############"},
        // Slashes make records, empty ones too; the record ends fill with blanks.
        {"('a'//'b')", [] {}, "a           |            |b           "},
        {"(I2,:,' after')", [] { write_item_integer4(1); },
         " 1          |############|############"},
        // Reversion to the last top-level group, with its repeat count, on a new record.
        {"(I1,2(I2,'x'))",
         [] {
             for (int i = 1; i <= 7; ++i)
                 write_item_integer4(i);
         },
         "1 2x 3x     | 4x 5x      | 6x 7x      "},
        {"(A,(I2))",
         [] { write_item_character("v", 1), write_item_integer4(1), write_item_integer4(2); },
         "v 1         | 2          |############"},
    };
    for (const WriteCase& c : cases) {
        SCOPED_TRACE(c.format);
        std::string got = write_records(c.format, c.items);
        EXPECT_EQ(got, c.records);
    }
}

TEST(FormattedWrite, MisfitsAndOverflows) {
    ListConsole console;
    struct Case {
        const char* format;
        std::function<void()> items;
        int status;
    };
    const Case cases[] = {
        {"(I5)", [] { write_item_real4(0); }, 6206},           // EDIT_NOT_REAL
        {"(F5.1)", [] { write_item_integer4(1); }, 6207},      // EDIT_NOT_INTEGER
        {"(A)", [] { write_item_logical4(1); }, 6208},         // EDIT_NOT_LOGICAL
        {"(L2)", [] { write_item_character("a", 1); }, 6209},  // EDIT_NOT_CHARACTER
        {"(A13)", [] { write_item_character("a", 1); }, 6600}, // longer than the record
        {"(4('x'/))", [] {}, 6600},                            // a fourth record
        {"('x')", [] { write_item_integer4(1); }, 6716},       // NO_DATA_EDIT
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(write_records(c.format, c.items), "status " + std::to_string(c.status));
    }
}

TEST(FormattedRead, InternalRecords) {
    ListConsole console;
    const char records[] = "12 -3  4.5 T"
                           "abcdefghij  "
                           "  1 2   .5E1";
    std::int32_t i = 0, j = 0;
    std::int16_t k = 0;
    float x = 0, y = 0, z[2] = {0, 0};
    std::int32_t flag = 0;
    char a[4], b[3], c[8];
    auto read = [&](const char* format, const std::function<void()>& items) {
        EXPECT_EQ(begin_read_internal(records, RECORD, 3, format, -1, 5), 0);
        items();
        return end_read();
    };
    EXPECT_EQ(read("(I2,I3,F5.1,L2)",
                   [&] {
                       read_item_integer4(&i), read_item_integer4(&j), read_item_real4(&x),
                           read_item_logical4(&flag);
                   }),
              0);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(j, -3);
    EXPECT_EQ(x, 4.5f);
    EXPECT_EQ(flag, 1);
    // "/" takes the next record; T and TL move within it; Aw wider than the item keeps its
    // rightmost characters, narrower is padded with blanks; a short record reads as blanks.
    EXPECT_EQ(read("(/A6,TL2,A2,T9,A5)",
                   [&] {
                       read_item_character(a, 4), read_item_character(b, 3),
                           read_item_character(c, 8);
                   }),
              0);
    EXPECT_EQ(std::string(a, 4), "cdef");
    EXPECT_EQ(std::string(b, 3), "ef ");
    EXPECT_EQ(std::string(c, 8), "ij      ");
    // BN and BZ, kP on input, a complex item taking two edits.
    EXPECT_EQ(read("(//BZ,I4,BN,I3,1P,F5.0)",
                   [&] { read_item_integer2(&k), read_item_integer4(&i), read_item_real4(&y); }),
              0);
    EXPECT_EQ(k, 10); // leading blanks are not zeros
    EXPECT_EQ(i, 2);
    EXPECT_EQ(y, 5.0f); // an exponent in the field: no scaling
    EXPECT_EQ(read("(2X,2F3.0)", [&] { read_item_complex8(z); }), 0);
    EXPECT_EQ(z[0], -3.0f);
    EXPECT_EQ(z[1], 4.0f);
    EXPECT_EQ(read("(2PF2.0)", [&] { read_item_real4(&y); }), 0);
    EXPECT_EQ(y, 0.12f);
    // Beyond the item's size; past the last record; a misfit.
    EXPECT_EQ(read("(//BZ,I6)", [&] { read_item_array(TYPE_INTEGER1, &k, 0, 1); }), 6100);
    EXPECT_EQ(read("(3(/),I1)", [&] { read_item_integer4(&i); }), -1);
    EXPECT_EQ(read("(L2)", [&] { read_item_real4(&y); }), 6206);
}

TEST(FormattedConsole, RecordsWithCarriageControl) {
    ListConsole console;
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, "(' x =',F6.2/'0',T3,'end')", -1, nullptr, 0, 0), 0);
    write_item_real4(std::bit_cast<std::uint32_t>(1.25f));
    ASSERT_EQ(end_write(), 0);
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, "(A)", -1, nullptr, 0, 0), 0);
    write_item_character("1page", 5);
    ASSERT_EQ(end_write(), 0);
    console.close();
    EXPECT_EQ(console.output(), "x =  1.25\r\n\r\n end\r\n\f\r \rpage\r\n");
}

TEST(FormattedConsole, LinesTypedAtATerminal) {
    ListConsole console("", Console::Terminal);
    console.type("  12abc\n7\n");
    std::int32_t i = 0, j = 0;
    char text[3];
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, "(I4,A3/I2)", -1, nullptr, 0, nullptr, 0), 0);
    read_item_integer4(&i);
    read_item_character(text, 3);
    read_item_integer4(&j);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(i, 12);
    EXPECT_EQ(std::string(text, 3), "abc");
    EXPECT_EQ(j, 7);
    // End of input as list-directed input reports it.
    console.type("\x04");
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, "(I4)", -1, nullptr, 0, nullptr, 1), 0);
    EXPECT_EQ(read_item_integer4(&i), -1);
    EXPECT_EQ(end_read(), -1);
}

// A READ that takes its errors back leaves the next READ at the next record, on a console whose
// output goes elsewhere (pipes) and at a terminal alike.
TEST(FormattedConsole, AFailedFieldPassesItsRecord) {
    const char* lines = "1.5e\n7 2.5\n8\n";
    for (Console kind : {Console::Pipes, Console::Terminal}) {
        ListConsole console(kind == Console::Pipes ? lines : "", kind);
        if (kind == Console::Terminal)
            console.type(lines);
        const int errors_back = 4;
        double y = 0;
        std::int32_t i = 0;
        ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, "(F10.3)", -1, nullptr, 0, nullptr, errors_back),
                  0);
        EXPECT_EQ(read_item_real8(&y), 6103);
        EXPECT_EQ(end_read(), 6103);
        ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, "(I2,I4)", -1, nullptr, 0, nullptr, errors_back),
                  0);
        EXPECT_EQ(read_item_integer4(&i), 0);
        EXPECT_EQ(read_item_real8(&y), 6206); // I for a real item
        EXPECT_EQ(end_read(), 6206);
        ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, "(I1)", -1, nullptr, 0, nullptr, errors_back), 0);
        EXPECT_EQ(read_item_integer4(&i), 0);
        EXPECT_EQ(end_read(), 0);
        EXPECT_EQ(i, 8);
    }
}

} // namespace
} // namespace lnc
