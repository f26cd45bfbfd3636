// Statements run end to end: character copies, nesting, refused begin calls, the advance
// keyword, formatted and namelist refusals, internal files and delimited character items.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/heap/heap.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

using test::exit_code_of;

class StatementRunTest : public test::EngineTest {
  protected:
    void SetUp() override { start_engine(); }

    static int write_texts(const std::vector<std::string>& texts, int flags = 0) {
        int status = begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, flags);
        for (const std::string& text : texts)
            write_item_character(text.data(), static_cast<int>(text.size()));
        int end_status = end_write();
        return status != 0 ? status : end_status;
    }

    std::vector<std::uint8_t> list() const {
        return std::vector<std::uint8_t>(engine.buffer, engine.buffer + engine.length);
    }
};

TEST_F(StatementRunTest, CharacterValueIsTakenAtItsItemCall) {
    char text[] = "abc";
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character(text, 3);
    text[0] = 'X';
    write_item_character(text, 3);
    std::strcpy(text, "zzz");
    ASSERT_EQ(end_write(), 0);
    EXPECT_EQ(output(), "abcXbc");
    EXPECT_EQ(engine.copies_head, nullptr);
    EXPECT_EQ(engine.copies_tail, nullptr);
}

TEST_F(StatementRunTest, NegativeLengthIsAnEmptyString) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character("abc", -5);
    write_item_character_raw("def", -1);
    const std::uint8_t empty_item_tail[] = {0x60, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(std::memcmp(engine.buffer + 2 + 5, empty_item_tail, 5), 0);
    EXPECT_EQ(std::memcmp(engine.buffer + 12 + 5, empty_item_tail, 5), 0);
    ASSERT_EQ(end_write(), 0);
    write_texts({"x"});
    // The empty record is its carriage-control blank alone: a line of nothing.
    EXPECT_EQ(output(), "\r\nx");
    EXPECT_EQ(error(), "");
}

TEST_F(StatementRunTest, WriteInsideAnItemOfAnotherWrite) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character("outer-", 6);
    std::vector<std::uint8_t> outer = list();
    // An item's function writes a line of its own before the outer WRITE ends.
    ASSERT_EQ(write_texts({"inner"}), 0);
    EXPECT_EQ(list(), outer);
    EXPECT_EQ(engine.depth, 1);
    write_item_character("end", 3);
    ASSERT_EQ(end_write(), 0);
    EXPECT_EQ(engine.depth, 0);
    EXPECT_EQ(output(), "inner\r\nouter-end");
}

TEST_F(StatementRunTest, NestedAddressOperandsContinueTheOuterOnes) {
    if constexpr (sizeof(void*) == 4)
        GTEST_SKIP() << "addresses are their own operands on a 32-bit target";
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character("one", 3);
    write_item_character("two", 3);
    EXPECT_EQ(engine.address_count, 2);
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character("in", 2);
    // The inner statement's operand continues after the outer ones, which stay valid.
    EXPECT_EQ(engine.buffer[3], 2);
    EXPECT_EQ(std::string(static_cast<char*>(operand_address(0)), 3), "one");
    end_write();
    EXPECT_EQ(engine.address_count, 2);
    write_item_character("three", 5);
    EXPECT_EQ(engine.buffer[23], 2);
    end_write();
    EXPECT_EQ(output(), "in\r\nonetwothree");
}

TEST_F(StatementRunTest, NineStatementsInsideAnOuterOneAndATenthRefused) {
    for (int level = 0; level <= NESTING_SLOTS; ++level) {
        ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0) << level;
        std::string text = "L" + std::to_string(level);
        write_item_character(text.data(), 2);
    }
    EXPECT_EQ(engine.depth, 10);
    std::vector<std::uint8_t> innermost = list();
    const int status = 6000 + ErrorNumberTable[MSG_NESTING_TOO_DEEP];
    EXPECT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, -1), status);
    EXPECT_EQ(error(), "");
    // The refused statement's items and end call change nothing.
    EXPECT_EQ(write_item_character("lost", 4), 0);
    EXPECT_EQ(write_item_integer4(7), 0);
    EXPECT_EQ(list(), innermost);
    EXPECT_EQ(end_write(), status);
    EXPECT_EQ(engine.depth, 10);
    for (int level = NESTING_SLOTS; level >= 0; --level)
        ASSERT_EQ(end_write(), 0) << level;
    EXPECT_EQ(output(), "L9\r\nL8\r\nL7\r\nL6\r\nL5\r\nL4\r\nL3\r\nL2\r\nL1\r\nL0");
}

TEST_F(StatementRunTest, TenthNestedStatementWithoutBranchIsReported) {
    for (int level = 0; level <= NESTING_SLOTS; ++level)
        begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    EXPECT_EQ(exit_code_of([] { begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6787\r\n- statement list nested too deeply\r\n");
}

// A nested begin call without memory for its slot is refused; the enclosing statement goes on.
TEST_F(StatementRunTest, NestedBeginWithoutMemoryIsRefused) {
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
    write_item_character("outer", 5);
    fail_allocation_after(1);
    EXPECT_EQ(write_texts({"lost"}, -1), 6700);
    EXPECT_EQ(engine.nesting[1], nullptr);
    EXPECT_EQ(write_texts({"inner"}), 0);
    EXPECT_EQ(engine.nesting[1], nullptr); // freed by the inner end call
    write_item_character("!", 1);
    EXPECT_EQ(end_write(), 0);
    EXPECT_EQ(output(), "inner\r\nouter!");
    EXPECT_EQ(error(), "");
}

TEST_F(StatementRunTest, WriteInsideAReadKeepsTheReadGoing) {
    session_.reset();
    start_engine({.input = "5 6\r\n"});
    float first = 0.0f;
    float second = 0.0f;
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0), 0);
    ASSERT_EQ(read_item_real4(&first), 0);
    ASSERT_EQ(write_texts({"msg"}), 0);
    ASSERT_EQ(read_item_real4(&second), 0);
    ASSERT_EQ(end_read(), 0);
    EXPECT_EQ(first, 5.0f);
    EXPECT_EQ(second, 6.0f);
    EXPECT_EQ(output(), "msg");
}

TEST_F(StatementRunTest, UnitOutOfRangeWithSilencingFlags) {
    const int status = 6314;
    for (int unit : {40000, -40000, 32768, -32768}) {
        SCOPED_TRACE(unit);
        write_texts({"before"});
        std::vector<std::uint8_t> previous = list();
        int depth = engine.depth;
        EXPECT_EQ(begin_write(unit, nullptr, 0, nullptr, 0, -1), status);
        EXPECT_EQ(list(), previous);
        EXPECT_EQ(engine.depth, depth);
        EXPECT_EQ(write_item_character("ignored", 7), 0);
        EXPECT_EQ(end_write(), status);
        EXPECT_EQ(begin_read(unit, nullptr, 0, nullptr, 0, nullptr, -1), status);
        EXPECT_EQ(end_read(), status);
    }
    EXPECT_EQ(error(), "");
    EXPECT_EQ(output(), "before\r\nbefore\r\nbefore\r\nbefore");
}

TEST_F(StatementRunTest, UnitNumbersAtTheEdgesOfTheRange) {
    ASSERT_EQ(begin_write(32767, nullptr, 0, nullptr, 0, 0), 0);
    EXPECT_EQ(list(), (std::vector<std::uint8_t>{0x04, 0xFF, 0x7F}));
    engine.depth = 0;
    ASSERT_EQ(begin_write(-32767, nullptr, 0, nullptr, 0, 0), 0);
    EXPECT_EQ(list(), (std::vector<std::uint8_t>{0x04, 0x01, 0x80}));
    engine.depth = 0;
}

TEST_F(StatementRunTest, UnitOutOfRangeWithoutBranchEndsTheProcess) {
    EXPECT_EQ(exit_code_of([] { begin_write(40000, nullptr, 0, nullptr, 0, 0); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6314\r\n- unit number out of range\r\n");
    EXPECT_EQ(output(), "");
}

struct AdvanceCase {
    const char* text;
    int length;
    int extension; // the extension byte of a WRITE to '*', or -1 when refused
};

TEST_F(StatementRunTest, AdvanceKeyword) {
    const AdvanceCase cases[] = {
        {"NO", 2, 0x09},  {"no ", 3, 0x09}, {"nO   ", 5, 0x09}, {"No", -1, 0x09},
        {"YES", 3, 0x08}, {"yes", 3, 0x08}, {"Yes  ", 5, 0x08}, {"N", 1, -1},
        {"NOX", 3, -1},   {"NO x", 4, -1},  {" NO", 3, -1},     {"", 0, -1},
        {"YE", 2, -1},    {"NO\t", 3, -1},  {"YESNO", 5, -1},   {"NO", 1, -1},
    };
    for (const AdvanceCase& advance : cases) {
        SCOPED_TRACE(advance.text);
        int status = begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, advance.text, advance.length, -1);
        if (advance.extension < 0) {
            EXPECT_EQ(status, 6999);
            EXPECT_EQ(end_write(), 6999);
        } else {
            ASSERT_EQ(status, 0);
            EXPECT_EQ(engine.buffer[1], advance.extension);
            engine.depth = 0;
        }
    }
    EXPECT_EQ(error(), "");
}

TEST_F(StatementRunTest, AdvanceRefusedWithoutBranchEndsTheProcess) {
    EXPECT_EQ(exit_code_of([] { begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, "N", 1, 0); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6999\r\n- invalid ADVANCE= value\r\n");
}

TEST_F(StatementRunTest, SizeVariableNeedsNonAdvancingInput) {
    std::int32_t size = 5;
    EXPECT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, "YES", 3, &size, -1), 6800);
    EXPECT_EQ(end_read(), 6800);
    EXPECT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, &size, -1), 6800);
    EXPECT_EQ(end_read(), 6800);
    EXPECT_EQ(size, 5);
    EXPECT_EQ(error(), "");
}

TEST_F(StatementRunTest, FormatErrorFailsTheStatementWhenItRuns) {
    int code = exit_code_of([] {
        EXPECT_EQ(begin_write(DEFAULT_UNIT_WRITE, "(F8.2,Q)", 8, nullptr, 0, 0), 0);
        write_item_real4(0x40000000u);
        end_write();
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6703: WRITE(CON)\r\n"
                       "- unexpected character Q in format text\r\n");
    EXPECT_EQ(output(), "");
}

TEST_F(StatementRunTest, FormatErrorsWithBranchesReturnTheStatus) {
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, "(A", 2, nullptr, 0, 1), 0);
    write_item_character("x", 1);
    EXPECT_EQ(end_write(), 6214); // no closing parenthesis
    // The copies are freed and the nesting popped all the same.
    EXPECT_EQ(engine.copies_head, nullptr);
    EXPECT_EQ(engine.depth, 0);
    EXPECT_EQ(engine.compiled_format, nullptr);
    float value = 1.5f;
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, "(F8.2,Q)", -1, nullptr, 0, nullptr, 4), 0);
    EXPECT_EQ(read_item_real4(&value), 6703);
    EXPECT_EQ(read_item_real4(&value), 6703);
    EXPECT_EQ(end_read(), 6703);
    EXPECT_EQ(value, 1.5f);
    EXPECT_EQ(error(), "");
    // The branch belonged to those statements only.
    EXPECT_EQ(error_state.error_branch, 0);
}

TEST_F(StatementRunTest, NamelistStatementIsRefused) {
    // Namelist to '*' with an error branch: header 0x80 | 0x20 | 0x08 | 0x01, extension '*'.
    const std::uint8_t with_branch[] = {0xA9, 0x08, 0x00};
    EXPECT_EQ(execute_write(with_branch, nullptr), 6802);
    EXPECT_EQ(error(), "");
    const std::uint8_t without_branch[] = {0x29, 0x08, 0x00};
    EXPECT_EQ(exit_code_of([&] { execute_write(without_branch, nullptr); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6802: WRITE(CON)\r\n"
                       "- namelist transfer is not available in this run-time\r\n");
}

void put_operand(std::vector<std::uint8_t>& list, std::uint32_t operand) {
    for (int i = 0; i < 4; ++i)
        list.push_back(static_cast<std::uint8_t>(operand >> (8 * i)));
}

TEST_F(StatementRunTest, InternalFileWriteFillsTheVariable) {
    char record[10];
    std::memset(record, '?', sizeof record);
    char text[] = "hi";
    std::vector<std::uint8_t> list = {0x08, 0x28};
    put_operand(list, address_operand(record));
    list.insert(list.end(), {0x60, 10, 0, 0, 0, 0x28});
    put_operand(list, address_operand(text));
    list.insert(list.end(), {0x60, 2, 0, 0, 0, 0x00});
    EXPECT_EQ(execute_write(list.data(), nullptr), 0);
    EXPECT_EQ(std::string(record, 10), " hi       ");
    EXPECT_EQ(output(), "");
}

TEST_F(StatementRunTest, DelimitedCharacterItems) {
    UnitBlock* console = unit_table[ENTRY_CONSOLE_OUTPUT].block;
    ASSERT_NE(console, nullptr);
    console->format_flags |= FMT_APOSTROPHE_DELIM;
    write_texts({"it's", "ab"});
    console->format_flags ^= FMT_APOSTROPHE_DELIM | FMT_QUOTE_DELIM;
    write_texts({"say \"x\""});
    EXPECT_EQ(output(), "'it''s' 'ab'\r\n\"say \"\"x\"\"\"");
}

TEST_F(StatementRunTest, CopyThatCannotBeMadeFailsTheStatementWhenItRuns) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 1);
    write_item_character("kept", 4);
    fail_allocation_after(1);
    EXPECT_EQ(write_item_character("lost", 4), 0);
    EXPECT_EQ(engine.length, 12); // the item was not appended
    EXPECT_EQ(end_write(), 6700);
    EXPECT_EQ(output(), "");
    EXPECT_EQ(error(), "");
    EXPECT_EQ(engine.copies_head, nullptr);
    EXPECT_EQ(engine.depth, 0);
    // Without a branch the failure is reported when the statement runs.
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    fail_allocation_after(1);
    write_item_character("lost", 4);
    EXPECT_EQ(exit_code_of([] { end_write(); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6700\r\n- out of memory\r\n");
}

TEST_F(StatementRunTest, ListThatCannotGrowKeepsWhatItHolds) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 1);
    while (engine.capacity - engine.length >= LIST_GROW_MARGIN)
        write_item_integer4(1);
    int length = engine.length;
    fail_allocation_after(1);
    // Items that still fit the block are kept; the rest are dropped, nothing is overrun.
    for (int i = 0; i < 400; ++i)
        write_item_integer4(2);
    EXPECT_EQ(engine.capacity, 20000);
    EXPECT_LE(engine.length, 20000 - 1);
    EXPECT_GT(engine.length, length);
    EXPECT_EQ(end_write(), 6700);
    EXPECT_EQ(output(), "");
}

} // namespace
} // namespace lnc
