// The record layer: the console's record kept whole by column until its record end, and the
// records of internal files at the variable's last record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "support/exit_capture.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::ListConsole;

void place(const std::string& text) {
    put_field(static_cast<int>(text.size()), reinterpret_cast<const std::uint8_t*>(text.data()));
}

// One console record built by hand through the record layer, as a driver builds it.
std::string console_record(void (*build)()) {
    ListConsole console;
    error_state.statement_kind = KIND_WRITE;
    current_unit = unit_table[ENTRY_CONSOLE_OUTPUT].block;
    current_unit->last = current_unit->size - 1;
    engine.record_end = OUTPUT_RECORD_ENDS[ORGANISATION_CONSOLE];
    output_record = OutputRecord{};
    start_output_record();
    build();
    close_output_columns();
    end_output_record();
    return console.output();
}

TEST(RecordLayer, ConsoleRecordIsAddressedByColumn) {
    // A record far longer than the 132-byte buffer stays whole: a move back to column 1 still
    // overwrites its second byte.
    EXPECT_EQ(console_record([] {
                  place(" " + std::string(299, 'a'));
                  move_output_column(1);
                  place("B");
                  move_output_column(299);
                  place("Z");
              }),
              "B" + std::string(297, 'a') + "Z");
}

constexpr std::uint8_t WRITE_HEADER = HDR_INTERNAL | HDR_ERROR_BRANCH;
constexpr std::uint8_t READ_HEADER = HDR_INTERNAL | HDR_ERROR_BRANCH | HDR_END_BRANCH;

TEST(RecordLayer, InternalWritePastTheVariableIsRefused) {
    ListConsole console;
    // A CHARACTER*1 variable between two guard bytes: a WRITE that does not fit is refused and
    // leaves the bytes beside it alone.
    char guarded[3] = {'#', '#', '#'};
    test::ListBuilder list(WRITE_HEADER);
    list.character(guarded + 1, 1).value(TYPE_INTEGER4, 42);
    EXPECT_EQ(execute_write(list.end(), nullptr), 6600);
    EXPECT_EQ(std::string(guarded, 3), "# #");
    // Through the public calls, with and without the error branch.
    char one = '#';
    ASSERT_EQ(begin_write_internal(&one, 1, 1, nullptr, 0, 1), 0);
    write_item_character("xy", 2);
    EXPECT_EQ(end_write(), 6600);
    ASSERT_EQ(begin_write_internal(&one, 1, 1, nullptr, 0, 0), 0);
    write_item_integer4(5);
    EXPECT_EQ(test::exit_code_of([] { end_write(); }), 1);
    EXPECT_NE(console.error().find("F6600"), std::string::npos);
}

TEST(RecordLayer, InternalReadEndsAtALineFeedInTheLastRecord) {
    ListConsole console;
    struct Case {
        const char* records;
        int length;
        int count;
        std::int32_t expected;
        int status;
    };
    // A line feed ends the record it is in: what follows it in that record is passed over, and
    // a variable with no value left meets its end of file.
    const Case cases[] = {
        {"\n", 1, 1, -1, -1}, {"\n5", 2, 1, -1, -1}, {"7\n", 2, 1, 7, 0}, {"\n5 8", 2, 2, 8, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.records);
        std::int32_t value = -1;
        test::ListBuilder list(READ_HEADER);
        list.character(const_cast<char*>(c.records), c.length, c.count > 1 ? c.count : 0)
            .variable(TYPE_INTEGER4, &value);
        EXPECT_EQ(execute_read(list.end()), c.status);
        EXPECT_EQ(value, c.expected);
    }
}

} // namespace
} // namespace lnc
