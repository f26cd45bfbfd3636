// Records of list-directed output on units other than the console: a formatted file (record
// ends in the buffer, non-advancing records longer than the buffer), an internal file, and the
// record end of the console for a record longer than its buffer.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "io/listout/listout.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::EngineOptions;
using test::ListBuilder;
using test::ListConsole;

std::string temporary_path(const char* name) {
    return std::string(::testing::TempDir()) + "lncalc_listout_" + name;
}

std::string file_contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void text(const std::string& s) {
    write_item_character(s.data(), static_cast<int>(s.size()));
}

TEST(ListOutputRecords, FileRecordsEndWithCrLfAndKeepTheirBlank) {
    std::string path = temporary_path("file.txt");
    std::remove(path.c_str());
    {
        ListConsole console(EngineOptions{.arguments = {path}});
        ASSERT_EQ(begin_write(7, nullptr, 0, nullptr, 0, 0), 0);
        write_item_integer4(1);
        text("ab");
        ASSERT_EQ(end_write(), 0);
        ASSERT_EQ(begin_write(7, nullptr, 0, nullptr, 0, 0), 0);
        write_item_real4(test::bits_of(2.0f));
        ASSERT_EQ(end_write(), 0);
        console.close();
        EXPECT_EQ(console.output(), ""); // nothing reaches the console
    }
    EXPECT_EQ(file_contents(path), std::string(11, ' ') + "1ab\r\n        2.000000\r\n");
    std::remove(path.c_str());
}

TEST(ListOutputRecords, NonAdvancingRecordLongerThanTheFileBuffer) {
    // 25 statements of 51 bytes make one record of 1275 bytes: the 1024-byte buffer is written
    // out as the record's first part whenever it fills, and nothing is lost.
    std::string path = temporary_path("long.txt");
    std::remove(path.c_str());
    std::string expected;
    {
        ListConsole console(EngineOptions{.arguments = {path}});
        for (int i = 0; i < 25; ++i) {
            std::string part(50, static_cast<char>('a' + i));
            ASSERT_EQ(begin_write(7, nullptr, 0, "NO", 2, 0), 0);
            text(part);
            ASSERT_EQ(end_write(), 0);
            expected += " " + part;
        }
        ASSERT_EQ(begin_write(7, nullptr, 0, nullptr, 0, 0), 0);
        text("end");
        ASSERT_EQ(end_write(), 0);
        console.close();
    }
    EXPECT_EQ(file_contents(path), expected + " end\r\n");
    std::remove(path.c_str());
}

TEST(ListOutputRecords, ConsoleRecordLongerThanItsBuffer) {
    // put_field writes a full buffer out as the record's start; the record end then writes only
    // what followed it.
    ListConsole console;
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
    ASSERT_EQ(end_write(), 0); // a first record, so that the next one is preceded by CR LF
    std::string bytes;
    for (int i = 0; i < 300; ++i) {
        bytes += static_cast<char>('A' + i % 26);
    }
    current_unit = unit_table[ENTRY_CONSOLE_OUTPUT].block;
    output_record.column = 0;
    output_record.pending_blanks = 1;
    put_field(static_cast<int>(bytes.size()), reinterpret_cast<const std::uint8_t*>(bytes.data()));
    end_output_record();
    EXPECT_EQ(console.output(), "\r\n" + bytes);
}

TEST(ListOutputRecords, InternalFileRecords) {
    ListConsole console;
    {
        char record[20];
        std::memset(record, '#', sizeof record);
        ListBuilder list(HDR_INTERNAL | HDR_ERROR_BRANCH);
        list.character(record, 20).value(TYPE_INTEGER4, 42);
        ASSERT_EQ(execute_write(list.end(), nullptr), 0);
        // The record keeps its leading blank and is filled with blanks.
        EXPECT_EQ(std::string(record, 20), "          42        ");
    }
    {
        // A field fits only when it leaves a column free: in records of 12 the integer field
        // of 11 moves to the second record.
        char records[24];
        ListBuilder list(HDR_INTERNAL | HDR_ERROR_BRANCH);
        list.character(records, 12, 2).value(TYPE_INTEGER4, 42);
        ASSERT_EQ(execute_write(list.end(), nullptr), 0);
        EXPECT_EQ(std::string(records, 24), std::string(22, ' ') + "42");
    }
    {
        // Two records of 13: an integer field of 11 fits a record, the second integer starts
        // the second record, and each record is filled with blanks.
        char records[26];
        std::memset(records, '#', sizeof records);
        ListBuilder list(HDR_INTERNAL | HDR_ERROR_BRANCH);
        list.character(records, 13, 2).value(TYPE_INTEGER4, 1).value(TYPE_INTEGER4, 2);
        ASSERT_EQ(execute_write(list.end(), nullptr), 0);
        EXPECT_EQ(std::string(records, 26), "           1            2 ");
    }
    {
        // A third record does not exist: the statement is refused, nothing is written past the
        // variable.
        char records[28];
        std::memset(records, '#', sizeof records);
        ListBuilder list(HDR_INTERNAL | HDR_ERROR_BRANCH);
        list.character(records + 1, 13, 2)
            .value(TYPE_INTEGER4, 1)
            .value(TYPE_INTEGER4, 2)
            .value(TYPE_INTEGER4, 3);
        EXPECT_EQ(execute_write(list.end(), nullptr), 6600);
        EXPECT_EQ(records[0], '#');
        EXPECT_EQ(records[27], '#');
    }
}

} // namespace
} // namespace lnc
