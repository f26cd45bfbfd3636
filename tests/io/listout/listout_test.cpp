// List-directed WRITE statements end to end: the exact bytes that reach standard output on a
// pipe (the first record of a run without a line end before it, every later one after CR LF, the
// carriage-control blank never printed, the last line end written at exit).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>
#include <string>

#include "io/listout/listout.h"
#include "support/exit_capture.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::bits_of;
using test::ListConsole;

void begin() {
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
}

void text(const std::string& s) {
    write_item_character(s.data(), static_cast<int>(s.size()));
}

// Bytes on standard output for the given WRITE statements, the exit's line end included.
std::string output_of(const std::function<void()>& statements) {
    ListConsole console;
    statements();
    console.close();
    return console.output();
}

// One WRITE statement: its record as printed (without the carriage-control blank) and the exit's
// CR LF.
std::string printed(const std::function<void()>& items) {
    return output_of([&] {
        begin();
        items();
        EXPECT_EQ(end_write(), 0);
    });
}

TEST(ListOutput, ResultLinesOfTheCalculator) {
    struct Row {
        float x, y;
        const char* record;
    };
    const Row rows[] = {
        {2.0f, 0.6931472f, " ln(       2.000000)=   6.931472E-01"},
        {10.0f, 2.302585f, " ln(      10.000000)=       2.302585"},
        {0.5f, -0.6931472f, " ln(   5.000000E-01)=  -6.931472E-01"},
        {0.001f, -6.907755f, " ln(   1.000000E-03)=      -6.907755"},
        {1.0f, 0.0f, " ln(       1.000000)=   0.000000E+00"},
        {12345678.0f, 16.32882f, " ln(   1.234568E+07)=      16.328820"},
    };
    for (const Row& row : rows) {
        std::string out = printed([&] {
            text("ln(");
            write_item_real4(bits_of(row.x));
            text(")=");
            write_item_real4(bits_of(row.y));
        });
        EXPECT_EQ(out, std::string(row.record + 1) + "\r\n") << row.record;
    }
}

TEST(ListOutput, SeparatorsBetweenNumericAndLogicalFields) {
    // Two reals: the second field has 16 columns (its separator).
    EXPECT_EQ(printed([] {
                  write_item_real4(bits_of(1.0f));
                  write_item_real4(bits_of(2.0f));
              }),
              "       1.000000        2.000000\r\n");
    // The record " " + "         42": 11 columns after the leading blank.
    EXPECT_EQ(printed([] { write_item_integer4(42); }), "         42\r\n");
    EXPECT_EQ(printed([] { write_item_logical4(1); }), "T\r\n");
    EXPECT_EQ(printed([] {
                  write_item_logical4(1);
                  write_item_logical4(0);
                  write_item_integer4(-1);
              }),
              "T F          -1\r\n");
    // A character item takes no separator and resets it for the next number.
    EXPECT_EQ(printed([] {
                  write_item_integer4(1);
                  text("=");
                  write_item_integer4(2);
              }),
              "          1=          2\r\n");
}

TEST(ListOutput, IntegerFieldsOfEverySize) {
    EXPECT_EQ(printed([] { write_item_integer1(-128); }), "       -128\r\n");
    EXPECT_EQ(printed([] { write_item_integer2(-32768); }), "     -32768\r\n");
    EXPECT_EQ(printed([] { write_item_integer2(32767); }), "      32767\r\n");
    // The widest integer fills its field: the record's blank is all that precedes it.
    EXPECT_EQ(printed([] { write_item_integer4(std::numeric_limits<std::int32_t>::min()); }),
              "-2147483648\r\n");
    EXPECT_EQ(printed([] { write_item_integer4(0); }), "          0\r\n");
}

TEST(ListOutput, LogicalsOfEverySizeJudgeTheLowByte) {
    EXPECT_EQ(printed([] {
                  write_item_logical1(0x100); // low byte 0
                  write_item_logical2(0x0201);
                  write_item_logical4(0);
                  write_item_logical4(-1);
              }),
              "F T F T\r\n");
}

TEST(ListOutput, ComplexAndDoubleFields) {
    EXPECT_EQ(printed([] { write_item_complex8(bits_of(1.0f), bits_of(-2.0f)); }),
              std::string(13, ' ') + "(1.000000,-2.000000)\r\n");
    EXPECT_EQ(printed([] {
                  write_item_complex8(bits_of(1.0f), bits_of(2.0f));
                  write_item_complex8(bits_of(0.5f), bits_of(3.0f));
              }),
              std::string(14, ' ') + "(1.000000,2.000000)" + std::string(11, ' ') +
                  "(5.000000E-01,3.000000)\r\n");
    EXPECT_EQ(printed([] { write_item_real8(bits_of(1.0)); }),
              std::string(7, ' ') + "1.000000000000000\r\n");
    EXPECT_EQ(printed([] { write_item_real8(bits_of(0.5)); }),
              std::string(2, ' ') + "5.000000000000000E-001\r\n");
    EXPECT_EQ(printed([] { write_item_complex16(bits_of(1.0), bits_of(-1.0)); }),
              std::string(13, ' ') + "(1.000000000000000,-1.000000000000000)\r\n");
}

TEST(ListOutput, InfinitiesAndNaNPrintWithoutSign) {
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(printed([&] { write_item_real4(bits_of(inf)); }), "  1#INF........\r\n");
    EXPECT_EQ(printed([&] { write_item_real4(bits_of(-inf)); }), "  1#INF........\r\n");
    EXPECT_EQ(printed([] { write_item_real4(0x7FC00000u); }), "  1#QNAN.......\r\n");
}

TEST(ListOutput, RecordsOfSuccessiveStatements) {
    // Every record after the first is preceded by the line end owed to the one before; an
    // empty WRITE is a record holding only its carriage-control blank.
    std::string out = output_of([] {
        begin();
        EXPECT_EQ(end_write(), 0);
        begin();
        text("A");
        EXPECT_EQ(end_write(), 0);
        begin();
        EXPECT_EQ(end_write(), 0);
        begin();
        write_item_integer4(5);
        EXPECT_EQ(end_write(), 0);
    });
    EXPECT_EQ(out, "\r\nA\r\n\r\n          5\r\n");
}

TEST(ListOutput, FourRealsFitTheFifthStartsTheNextRecord) {
    std::string out = printed([] {
        for (int i = 0; i < 5; ++i) {
            write_item_real4(bits_of(1.0f));
        }
    });
    const std::string field = "        1.000000"; // 16 columns with the separator
    EXPECT_EQ(out, field.substr(1) + field + field + field + "\r\n" + field.substr(1) + "\r\n");
}

TEST(ListOutput, LongCharacterItemsAreSplitAt79Columns) {
    const std::string x79(79, 'x');
    // Exactly filling the line ends the record at once: the statement's own record end then
    // writes an extra empty record.
    EXPECT_EQ(output_of([&] {
                  begin();
                  text(x79);
                  end_write();
                  begin();
                  text("B");
                  end_write();
              }),
              x79 + "\r\n\r\nB\r\n");
    // One more character goes to a record of its own.
    EXPECT_EQ(printed([&] { text(x79 + "y"); }), x79 + "\r\ny\r\n");
    std::string long_text;
    for (int i = 0; i < 200; ++i) {
        long_text += static_cast<char>('a' + i % 26);
    }
    EXPECT_EQ(printed([&] { text(long_text); }), long_text.substr(0, 79) + "\r\n" +
                                                     long_text.substr(79, 79) + "\r\n" +
                                                     long_text.substr(158) + "\r\n");
    // A character item continues the record from where the numbers left it.
    EXPECT_EQ(printed([&] {
                  write_item_integer4(7);
                  text(std::string(70, 'c'));
              }),
              "          7" + std::string(68, 'c') + "\r\ncc\r\n");
}

TEST(ListOutput, NumericItemThatDoesNotFitMovesWhole) {
    // After 70 columns of text, a real field of 15 does not fit the 9 columns left.
    const std::string c70(70, 'c');
    EXPECT_EQ(printed([&] {
                  text(c70);
                  write_item_real4(bits_of(2.0f));
              }),
              c70 + "\r\n      2.000000\r\n");
    // A text that fills its field gets a blank of its own in the new record's carriage-control
    // position: its first character is kept.
    EXPECT_EQ(printed([&] {
                  text(c70);
                  write_item_real4(bits_of(-1234567.0f));
              }),
              c70 + "\r\n-1234567.000000\r\n");
    EXPECT_EQ(printed([&] {
                  text(c70);
                  write_item_integer4(std::numeric_limits<std::int32_t>::min());
              }),
              c70 + "\r\n-2147483648\r\n");
    // With a separator blank before it, that blank is the carriage control.
    EXPECT_EQ(printed([&] {
                  for (int i = 0; i < 6; ++i) {
                      write_item_integer4(1);
                  }
                  write_item_integer4(std::numeric_limits<std::int32_t>::min());
              }),
              "          1           1           1           1           1           1\r\n"
              "-2147483648\r\n");
}

TEST(ListOutput, CharacterItemsAsGivenAtTheItemCall) {
    char buffer[4] = {'a', 'b', 'c', 'd'};
    std::string out = output_of([&] {
        begin();
        write_item_character(buffer, 4);
        write_item_character(buffer, -3); // a negative length is an empty string
        std::memcpy(buffer, "wxyz", 4);
        write_item_character(buffer, 2);
        end_write();
    });
    EXPECT_EQ(out, "abcdwx\r\n");
}

TEST(ListOutput, DelimitedCharacterItemsOnAUnitWithQuoteMode) {
    std::string out = output_of([] {
        UnitBlock* block = unit_table[ENTRY_CONSOLE_OUTPUT].block;
        ASSERT_NE(block, nullptr);
        block->format_flags |= FMT_QUOTE_DELIM;
        begin();
        text("a\"b");
        write_item_integer4(5);
        text("c");
        end_write();
        block->format_flags &= ~FMT_QUOTE_DELIM;
    });
    // A delimited item counts as a value: the integer after it takes its separator, and a
    // second delimited item is separated by a blank.
    EXPECT_EQ(out, "\"a\"\"b\"           5 \"c\"\r\n");
}

} // namespace
} // namespace lnc
