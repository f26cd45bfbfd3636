// Input records: refilling the console buffer from a terminal and from redirected input, the end
// of input, over-long console lines, and console_read_line on both paths.
#include <gtest/gtest.h>

#include <string>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

using test::Console;
using test::exit_code_of;

const char END_OF_FILE_REPORT[] =
    "\r\nrun-time error F6501: READ(CON)\r\n- end of file encountered\r\n";

class InputRecordsTest : public test::EngineTest {
  protected:
    static UnitBlock* select_console_input() {
        error_state.statement_kind = KIND_READ;
        return select_unit(DEFAULT_UNIT);
    }

    // The next n characters of the current record.
    static std::string take(int n) {
        std::string text;
        for (int i = 0; i < n; ++i)
            text += static_cast<char>(next_char());
        return text;
    }

    static int take_until_end() {
        return exit_code_of([] {
            for (;;)
                next_char();
        });
    }
};

TEST_F(InputRecordsTest, TypedLineOf130CharactersFits) {
    start_engine({.console = Console::Terminal});
    UnitBlock* block = select_console_input();
    EXPECT_EQ(block->handle, 0);
    type(std::string(130, 'a') + "\n");
    EXPECT_EQ(take(132), std::string(130, 'a') + "\r\n");
    EXPECT_EQ(block->last, 131);
    EXPECT_EQ(block->transferred, 132);
}

TEST_F(InputRecordsTest, TypedLineOf131CharactersIsTooLong) {
    start_engine({.console = Console::Terminal});
    select_console_input();
    type(std::string(131, 'a') + "\n");
    EXPECT_EQ(take_until_end(), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6407: READ(CON)\r\n- console input line too long\r\n");
}

TEST_F(InputRecordsTest, RedirectedLongLineContinuesInTheNextRefill) {
    start_engine({.input = std::string(131, 'b') + "\r\nz\r\n"});
    UnitBlock* block = select_console_input();
    EXPECT_EQ(take(132), std::string(131, 'b') + "\r");
    EXPECT_EQ(block->last, 131);
    EXPECT_EQ(take(4), "\nz\r\n");
}

TEST_F(InputRecordsTest, CtrlZLineIsEndOfFile) {
    start_engine({.console = Console::Terminal});
    select_console_input();
    type("\x1A\n");
    EXPECT_EQ(take_until_end(), 1);
    EXPECT_EQ(error(), END_OF_FILE_REPORT);
}

TEST_F(InputRecordsTest, ConsoleCanBeReadAgainAfterItsEndOfFile) {
    start_engine({.console = Console::Terminal});
    float value = 0;
    type("\x1A\n");
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 1);
    EXPECT_EQ(read_item_real4(&value), -1);
    EXPECT_EQ(end_read(), -1);
    EXPECT_EQ(unit_table[ENTRY_CONSOLE].block->flags & AT_EOF, 0u);
    type("3\n");
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    EXPECT_EQ(read_item_real4(&value), 0);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(value, 3.0f);
}

// Redirected input is read 132 bytes at a time: a read whose byte before its last CR LF is
// Ctrl-Z is end of file, lines before it in the same read included, though more input follows.
TEST_F(InputRecordsTest, CtrlZLineInRedirectedInput) {
    start_engine({.input = "1\r\n" + std::string(126, 'x') + "\x1A\r\n2\r\n"});
    select_console_input();
    EXPECT_EQ(exit_code_of([] { next_char(); }), 1); // the first character already
    EXPECT_EQ(error(), END_OF_FILE_REPORT);
}

TEST_F(InputRecordsTest, NothingLeftIsEndOfFile) {
    start_engine({.input = ""});
    select_console_input();
    EXPECT_EQ(take_until_end(), 1);
    EXPECT_EQ(error(), END_OF_FILE_REPORT);
}

TEST_F(InputRecordsTest, LastLineWithoutItsLineEndGetsOne) {
    start_engine({.input = "ab\r\n12"});
    UnitBlock* block = select_console_input();
    EXPECT_EQ(take(4), "ab\r\n");
    // One refill took both lines; the LF follows the last byte read.
    EXPECT_EQ(block->last, 6);
    EXPECT_EQ(take(3), "12\n");
    EXPECT_EQ(take_until_end(), 1);
}

TEST_F(InputRecordsTest, FileInputRefillsAWholeBuffer) {
    std::string text;
    for (int i = 0; i < 40; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    start_engine({.console = Console::InputFile, .input = text});
    UnitBlock* block = select_console_input();
    EXPECT_EQ(take(static_cast<int>(text.size())), text);
    EXPECT_EQ(block->transferred, static_cast<int>(text.size()));
}

TEST_F(InputRecordsTest, FailedReadIsReported) {
    start_engine();
    UnitBlock* block = select_console_input();
    block->handle = 40; // no such handle
    EXPECT_EQ(take_until_end(), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6500: READ(CON)\r\n- read failure on this unit\r\n");
}

TEST_F(InputRecordsTest, InternalFilePastItsEndGivesBlanks) {
    start_engine();
    current_unit = unit_table[ENTRY_INTERNAL].block;
    std::uint8_t text[] = {'x', 'y'};
    current_unit->buffer = text;
    current_unit->pos = 0;
    current_unit->last = 1;
    EXPECT_EQ(take(4), "xy  ");
}

TEST_F(InputRecordsTest, ConsoleReadLineFromATerminal) {
    start_engine({.console = Console::Terminal});
    char reply[129];
    type("hello\n");
    EXPECT_EQ(console_read_line(reply, 128), 5);
    EXPECT_EQ(std::string(reply, 5), "hello");
    EXPECT_EQ(current_unit, unit_table[ENTRY_CONSOLE].block);
    type("\n");
    EXPECT_EQ(console_read_line(reply, 128), 0);
    // A longer line: the read is full, two places count as the line end; the rest stays typed.
    type(std::string(200, 'b') + "\n");
    EXPECT_EQ(console_read_line(reply, 128), 126);
    EXPECT_EQ(console_read_line(reply, 128), 72);
    EXPECT_EQ(std::string(reply, 72), std::string(72, 'b'));
    // The line end alone at the end of a full read.
    type(std::string(127, 'c') + "\n");
    EXPECT_EQ(console_read_line(reply, 128), 126);
    EXPECT_EQ(console_read_line(reply, 128), 0);
    type("\x04");
    EXPECT_EQ(console_read_line(reply, 128), 0);
}

TEST_F(InputRecordsTest, ConsoleReadLineFromRedirectedInput) {
    start_engine({.input = "abc\r\nxyz\n" + std::string(200, 'c') + "\r\nnext\r\nab\rcd\n"});
    char reply[129];
    EXPECT_EQ(console_read_line(reply, 128), 3);
    EXPECT_EQ(std::string(reply, 3), "abc");
    EXPECT_EQ(console_read_line(reply, 128), 3);
    EXPECT_EQ(std::string(reply, 3), "xyz");
    EXPECT_EQ(console_read_line(reply, 128), 128);
    EXPECT_EQ(std::string(reply, 128), std::string(128, 'c'));
    EXPECT_EQ(console_read_line(reply, 128), 4);
    EXPECT_EQ(std::string(reply, 4), "next");
    // A CR alone ends the line; what follows it starts the next one.
    EXPECT_EQ(console_read_line(reply, 128), 2);
    EXPECT_EQ(std::string(reply, 2), "ab");
    EXPECT_EQ(console_read_line(reply, 128), 2);
    EXPECT_EQ(std::string(reply, 2), "cd");
    error_state.statement_kind = KIND_READ;
    EXPECT_EQ(exit_code_of([&] { console_read_line(reply, 128); }), 1);
    EXPECT_EQ(error(), END_OF_FILE_REPORT);
}

TEST_F(InputRecordsTest, ConsoleReadLineTakesWhatAReadLeftBuffered) {
    start_engine({.input = "1\r\nreply\r\n"});
    float value = 0;
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&value);
    end_read();
    EXPECT_EQ(value, 1.0f);
    char reply[129];
    EXPECT_EQ(console_read_line(reply, 128), 5);
    EXPECT_EQ(std::string(reply, 5), "reply");
}

TEST_F(InputRecordsTest, StandardHandlesKeepTheirModeAroundTransfers) {
    start_engine({.input = "x\r\ny"});
    char bytes[8];
    EXPECT_EQ(read_handle(0, bytes, 8), 4);
    EXPECT_EQ(std::string(bytes, 4), "x\r\ny");
    EXPECT_EQ(write_handle(1, "a\nb", 3), 3);
    EXPECT_EQ(output(), "a\nb");
    // Both handles are back in text mode: a text write widens its LF.
    EXPECT_EQ(set_mode(1, MODE_TEXT), MODE_TEXT);
    EXPECT_EQ(set_mode(0, MODE_TEXT), MODE_TEXT);
    write_bytes(1, "\n", 1);
    EXPECT_EQ(output(), "a\nb\r\n");
}

} // namespace
} // namespace lnc
