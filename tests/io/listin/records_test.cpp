// Records of list-directed input beyond the console's single line: a formatted file read record
// by record, internal files of one and more records, and the console line state between WRITE
// and READ statements.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "io/listin/listin.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::Console;
using test::EngineOptions;
using test::ListBuilder;
using test::ListConsole;
using test::READ_BRANCHES;

std::string file_holding(const char* name, const std::string& contents) {
    std::string path = std::string(::testing::TempDir()) + "lncalc_listin_" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << contents;
    return path;
}

int read_unit7(std::int32_t* value) {
    EXPECT_EQ(begin_read(7, nullptr, 0, nullptr, 0, nullptr, READ_BRANCHES), 0);
    read_item_integer4(value);
    return end_read();
}

TEST(ListInputRecords, FileRecordsArePassedUpToTheirLineEnd) {
    std::string path = file_holding("file.txt", "1 2\r\n\r\n  \r\n3,\r\n4");
    {
        ListConsole console(EngineOptions{.arguments = {path}});
        std::int32_t a = 0, b = 0, c = 0, d = 0;
        EXPECT_EQ(read_unit7(&a), 0);
        EXPECT_EQ(read_unit7(&b), 0); // blank lines before it are passed over
        EXPECT_EQ(read_unit7(&c), 0); // a last line without its line end
        EXPECT_EQ(read_unit7(&d), -1);
        EXPECT_EQ(a, 1);
        EXPECT_EQ(b, 3);
        EXPECT_EQ(c, 4);
        EXPECT_EQ(d, 0);
    }
    std::remove(path.c_str());
}

TEST(ListInputRecords, LongLineFromAFileSpansBufferRefills) {
    // A value far into a line longer than the record buffer, then the next line.
    std::string path = file_holding("long.txt", std::string(1500, ' ') + "8 9\r\n10\r\n");
    {
        ListConsole console(EngineOptions{.arguments = {path}});
        std::int32_t a = 0, b = 0;
        EXPECT_EQ(read_unit7(&a), 0);
        EXPECT_EQ(read_unit7(&b), 0);
        EXPECT_EQ(a, 8);
        EXPECT_EQ(b, 10);
    }
    std::remove(path.c_str());
}

// What one READ of an integer pair, a real and a three-character item leaves in its items.
struct MixedItems {
    std::int32_t a = -1;
    std::int32_t b = -1;
    float x = -1;
    char c[4] = "???";
    bool operator==(const MixedItems& o) const {
        return a == o.a && b == o.b && x == o.x && std::memcmp(c, o.c, 3) == 0;
    }
};

int read_mixed(int unit, MixedItems& items) {
    EXPECT_EQ(begin_read(unit, nullptr, 0, nullptr, 0, nullptr, READ_BRANCHES), 0);
    read_item_integer4(&items.a);
    read_item_integer4(&items.b);
    read_item_real4(&items.x);
    read_item_character(items.c, 3);
    return end_read();
}

struct MixedCase {
    const char* text;
    MixedItems expected;
};

const MixedCase MIXED_CASES[] = {
    {"12,34 5.5\tab\n", {12, 34, 5.5f, "ab "}},
    {"2*7 -2.25E-03 'q r'\n", {7, 7, -2.25E-03f, "q r"}},
    {"1 2 /\n", {1, 2, -1, "???"}},
    {" 3 , 4 , 7d2 , xyz \r\n", {3, 4, 700, "xyz"}},
    {"5\n6\n7.\nlong\n", {5, 6, 7, "lon"}},
    {"8,,2.5e1,z/\n", {8, -1, 25, "z  "}},
    {"1*9\t10 1.0e+1 2*w\n", {9, 10, 10, "w  "}},
    {"-2147483648 +17 -0.125 x'y\n", {INT32_MIN, 17, -0.125f, "x'y"}},
    {"1 2\t,3 c\n", {1, 2, 3, "c  "}}, // a comma after a tab joins its separator
    {"3*7/\n", {7, 7, 7, "???"}},      // a slash ends a repeated value and the list
};

// Each case placed so that every one of its bytes in turn is the first of a buffer refill:
// blanks before it move it along the file, whose refills begin every 132 bytes.
std::string every_refill_placement(std::vector<MixedItems>& expected) {
    std::string contents;
    for (const MixedCase& c : MIXED_CASES) {
        for (int shift = 0; shift < CONSOLE_BUFFER_SIZE; ++shift) {
            int at = static_cast<int>(contents.size()) % CONSOLE_BUFFER_SIZE;
            int pad = (shift - at + CONSOLE_BUFFER_SIZE) % CONSOLE_BUFFER_SIZE;
            contents += std::string(static_cast<std::size_t>(pad), ' ') + c.text;
            expected.push_back(c.expected);
        }
    }
    return contents;
}

void expect_every_placement_read(int unit, const std::vector<MixedItems>& expected) {
    for (std::size_t i = 0; i < expected.size(); ++i) {
        MixedItems items;
        ASSERT_EQ(read_mixed(unit, items), 0) << "READ " << i;
        EXPECT_EQ(items, expected[i])
            << "READ " << i << ": " << MIXED_CASES[i / CONSOLE_BUFFER_SIZE].text;
    }
    MixedItems after;
    EXPECT_EQ(read_mixed(unit, after), -1);
}

TEST(ListInputRecords, ValuesReadAlikeWhereverARefillCutsThem) {
    std::vector<MixedItems> expected;
    std::string contents = every_refill_placement(expected);
    {
        SCOPED_TRACE("standard input from a file");
        ListConsole console(EngineOptions{.console = Console::InputFile, .input = contents});
        expect_every_placement_read(DEFAULT_UNIT_READ, expected);
    }
    std::string path = file_holding("placements.txt", contents);
    {
        SCOPED_TRACE("a unit connected to a file");
        ListConsole console(EngineOptions{.arguments = {path}});
        expect_every_placement_read(7, expected);
    }
    std::remove(path.c_str());
}

TEST(ListInputRecords, InternalFiles) {
    ListConsole console;
    const std::uint8_t HEADER = HDR_INTERNAL | HDR_ERROR_BRANCH | HDR_END_BRANCH;
    {
        char text[] = "   7";
        std::int32_t i = 0;
        ListBuilder list(HEADER);
        list.character(text, 4).variable(TYPE_INTEGER4, &i);
        EXPECT_EQ(execute_read(list.end()), 0);
        EXPECT_EQ(i, 7); // the value touching the end of the variable
    }
    {
        // The end of a record separates values; the next record is read on.
        char text[] = "1    2    ";
        std::int32_t i[2] = {0, 0};
        ListBuilder list(HEADER);
        list.character(text, 5, 2).variable(TYPE_INTEGER4, &i[0]).variable(TYPE_INTEGER4, &i[1]);
        EXPECT_EQ(execute_read(list.end()), 0);
        EXPECT_EQ(i[0], 1);
        EXPECT_EQ(i[1], 2);
    }
    {
        // Constants closed by the variable's last character are converted whole.
        char text[] = "(1,2)";
        float z[2] = {0, 0};
        ListBuilder list(HEADER);
        list.character(text, 5).variable(TYPE_COMPLEX8, z);
        EXPECT_EQ(execute_read(list.end()), 0);
        EXPECT_EQ(z[0], 1.0f);
        EXPECT_EQ(z[1], 2.0f);
    }
    {
        char text[] = "'ab'";
        char item[3] = {'#', '#', '#'};
        ListBuilder list(HEADER);
        list.character(text, 4).character(item, 3);
        EXPECT_EQ(execute_read(list.end()), 0);
        EXPECT_EQ(std::string(item, 3), "ab ");
    }
    {
        // An item after the variable's last value meets its end of file and keeps its value.
        char text[] = "5  ";
        std::int32_t i[2] = {0, -1};
        ListBuilder list(HEADER);
        list.character(text, 3).variable(TYPE_INTEGER4, &i[0]).variable(TYPE_INTEGER4, &i[1]);
        EXPECT_EQ(execute_read(list.end()), -1);
        EXPECT_EQ(i[0], 5);
        EXPECT_EQ(i[1], -1);
    }
}

void write_text(const char* s) {
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
    write_item_character(s, static_cast<int>(std::strlen(s)));
    ASSERT_EQ(end_write(), 0);
}

TEST(ListInputRecords, ConsoleLineStateAroundARead) {
    {
        // On a terminal the prompt's line is ended before the READ waits, and the line typed
        // ends the line on the screen: the next record follows without a line end.
        ListConsole console({}, Console::Terminal);
        console.type("2\n");
        write_text("Value?");
        float x = 0;
        ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0), 0);
        read_item_real4(&x);
        ASSERT_EQ(end_read(), 0);
        write_text("after");
        console.close();
        EXPECT_EQ(x, 2.0f);
        EXPECT_EQ(console.output(), "Value?\r\nafter\r\n");
    }
    {
        // With redirected handles the output keeps a block of its own: the READ writes nothing.
        ListConsole console("2\r\n");
        write_text("Value?");
        float x = 0;
        ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0), 0);
        read_item_real4(&x);
        ASSERT_EQ(end_read(), 0);
        write_text("after");
        console.close();
        EXPECT_EQ(x, 2.0f);
        EXPECT_EQ(console.output(), "Value?\r\nafter\r\n");
    }
}

} // namespace
} // namespace lnc
