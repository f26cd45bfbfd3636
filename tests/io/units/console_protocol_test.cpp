// The console line protocol: carriage control of each record, the line end deferred to the next
// record, a READ, the pause prompt, close_unit or the exit.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "support/engine_fixture.h"

namespace lnc {
namespace {

using test::Console;

// A record as the console's record end writes it: the record, then its line left open.
void console_record(const std::string& text) {
    error_state.statement_kind = KIND_WRITE;
    UnitBlock* block = select_unit(DEFAULT_UNIT);
    ASSERT_NE(block, nullptr);
    write_record(static_cast<int>(text.size()), reinterpret_cast<const std::uint8_t*>(text.data()));
    block->flags |= LINE_PENDING;
    block->flags &= ~RECORD_STARTED;
}

void write_line(const char* text) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character(text, static_cast<int>(std::char_traits<char>::length(text)));
    ASSERT_EQ(end_write(), 0);
}

float read_real() {
    float value = -1.0f;
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&value);
    end_read();
    return value;
}

class ConsoleProtocolTest : public test::EngineTest {};

TEST_F(ConsoleProtocolTest, ControlCharactersBetweenRecords) {
    start_engine();
    for (const char* record : {" a", "0b", "1c", "+d", " e", "xf"})
        console_record(record);
    EXPECT_EQ(output(), "a"
                        "\r\n\r\nb"
                        "\r\n\f\r \rc"
                        "\rd"
                        "\r\ne"
                        "\r\nf");
    close_all_units();
    close_all_units();
    EXPECT_EQ(output(), "a\r\n\r\nb\r\n\f\r \rc\rd\r\ne\r\nf\r\n");
}

struct FirstRecordCase {
    const char* record;
    const char* bytes;
};

TEST_F(ConsoleProtocolTest, FirstRecordOfTheRun) {
    const FirstRecordCase cases[] = {
        {" x", "x"},            // no line is open: nothing before it
        {"0x", "\r\nx"},        // a blank line first
        {"1x", "\r\n\f\r \rx"}, // a new page
        {"+x", "\rx"},          // over the current line
        {"-x", "x"},            // any other control: nothing
        {"", ""},               // no control character at all
    };
    for (const FirstRecordCase& c : cases) {
        SCOPED_TRACE(c.record);
        start_engine();
        console_record(c.record);
        EXPECT_EQ(output(), c.bytes);
        session_.reset();
    }
}

TEST_F(ConsoleProtocolTest, RecordWrittenInParts) {
    start_engine();
    console_record(" a");
    error_state.statement_kind = KIND_WRITE;
    UnitBlock* block = select_unit(DEFAULT_UNIT);
    const std::uint8_t first[] = {' ', 'b', 'c'};
    const std::uint8_t rest[] = {'0', 'd'};
    write_record(3, first);
    // The control has been applied: the rest of the record is written as it is.
    write_record(2, rest);
    EXPECT_EQ(output(), "a\r\nbc0d");
    EXPECT_NE(block->flags & RECORD_STARTED, 0u);
    EXPECT_EQ(block->pos, 0);
    EXPECT_EQ(block->flags & DIRTY, 0u);
}

TEST_F(ConsoleProtocolTest, RecordsWithoutCarriageControl) {
    start_engine();
    unit_table[ENTRY_CONSOLE_OUTPUT].block->format_flags = CC_NONE;
    console_record("0abc");
    console_record("1def");
    EXPECT_EQ(output(), "0abc\r\n1def");
}

TEST_F(ConsoleProtocolTest, ReadOnASharedConsoleEndsThePromptLine) {
    start_engine({.console = Console::Terminal});
    EXPECT_EQ(unit_table[ENTRY_CONSOLE_OUTPUT].block, nullptr);
    write_line("p");
    type("2\n");
    EXPECT_EQ(read_real(), 2.0f);
    EXPECT_EQ(output(), "p\r\n");
    // The typed line has ended the line: the next record starts without a line end.
    write_line("r");
    write_line("s");
    EXPECT_EQ(output(), "p\r\nr\r\ns");
    close_all_units();
    EXPECT_EQ(output(), "p\r\nr\r\ns\r\n");
}

TEST_F(ConsoleProtocolTest, ReadWithASeparateOutputBlockWritesNothing) {
    start_engine({.input = "2\r\n"});
    ASSERT_NE(unit_table[ENTRY_CONSOLE_OUTPUT].block, nullptr);
    write_line("p");
    EXPECT_EQ(read_real(), 2.0f);
    EXPECT_EQ(output(), "p");
    write_line("r");
    EXPECT_EQ(output(), "p\r\nr");
}

TEST_F(ConsoleProtocolTest, EmptyWriteIsABlankLine) {
    start_engine();
    write_line("a");
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    end_write();
    write_line("b");
    EXPECT_EQ(output(), "a\r\n\r\nb");
}

TEST_F(ConsoleProtocolTest, CloseUnitEndsTheLineOnce) {
    start_engine();
    write_line("a");
    error_state.statement_kind = KIND_CLOSE;
    select_unit(DEFAULT_UNIT);
    close_unit(DEFAULT_UNIT, 0);
    UnitBlock* block = unit_table[ENTRY_CONSOLE_OUTPUT].block;
    EXPECT_EQ(block->line_closed, 1);
    EXPECT_EQ(block->flags & LINE_PENDING, 0u);
    close_all_units();
    EXPECT_EQ(output(), "a\r\n");
}

TEST_F(ConsoleProtocolTest, WriteAfterCloseUnitStartsWithoutALineEnd) {
    start_engine({.console = Console::Terminal});
    write_line("a");
    error_state.statement_kind = KIND_CLOSE;
    select_unit(DEFAULT_UNIT);
    close_unit(DEFAULT_UNIT, 0);
    write_line("b");
    close_all_units();
    EXPECT_EQ(output(), "a\r\nb\r\n");
    // Only the first record after the close goes without its line end, also within a statement
    // whose record wraps past the line width.
    session_.reset();
    start_engine({.console = Console::Terminal});
    write_line("a");
    error_state.statement_kind = KIND_CLOSE;
    select_unit(DEFAULT_UNIT);
    close_unit(DEFAULT_UNIT, 0);
    const std::string half(50, 'h');
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character(half.data(), 50);
    write_item_character(half.data(), 50);
    ASSERT_EQ(end_write(), 0);
    EXPECT_EQ(output(), "a\r\n" + std::string(79, 'h') + "\r\n" + std::string(21, 'h'));
}

TEST_F(ConsoleProtocolTest, EndConsoleLineLeavesTheLineOwed) {
    start_engine();
    write_line("x");
    end_console_line();
    EXPECT_EQ(output(), "x\r\n");
    close_all_units();
    EXPECT_EQ(output(), "x\r\n\r\n");
    // Nothing is owed before any output.
    session_.reset();
    start_engine();
    end_console_line();
    close_all_units();
    EXPECT_EQ(output(), "");
}

TEST_F(ConsoleProtocolTest, ConsoleWriteRoutines) {
    start_engine();
    console_write("abc\n");
    console_write_line("Programi", 8);
    console_write_line(nullptr, 0);
    console_write_line("x", -4);
    // Binary writes: the LF of the text gains no CR.
    EXPECT_EQ(output(), "abc\nProgrami\r\n\r\n\r\n");
}

} // namespace
} // namespace lnc
