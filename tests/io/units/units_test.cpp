// The unit table: preconnected units, finding and selecting units, new blocks, allocation and
// write failures, and the implicit open with its device names and file-name prompt.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <tuple>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

using test::Console;
using test::exit_code_of;

class UnitsTest : public test::EngineTest {};

TEST_F(UnitsTest, PreconnectedUnitsWithRedirectedHandles) {
    start_engine();
    const UnitBlock* internal = unit_table[ENTRY_INTERNAL].block;
    ASSERT_NE(internal, nullptr);
    EXPECT_EQ(unit_table[ENTRY_INTERNAL].unit, INTERNAL_UNIT);
    EXPECT_STREQ(internal->name, "internal");
    EXPECT_EQ(internal->organisation, 0);
    EXPECT_EQ(internal->size, 0);
    for (int entry : {ENTRY_CONSOLE, ENTRY_CONSOLE_OUTPUT}) {
        const UnitBlock* console = unit_table[entry].block;
        ASSERT_NE(console, nullptr) << entry;
        EXPECT_STREQ(console->name, "CON");
        EXPECT_EQ(console->organisation, 1);
        EXPECT_EQ(console->size, 132);
        EXPECT_EQ(console->format_flags, CC_CONTROL_CHAR);
    }
    EXPECT_EQ(unit_table[ENTRY_CONSOLE].block->handle, 0);
    EXPECT_EQ(unit_table[ENTRY_CONSOLE_OUTPUT].block->handle, 1);
    EXPECT_EQ(block_size(engine.buffer), 20000u);
    for (int entry = 1; entry <= 61; ++entry) {
        EXPECT_EQ(unit_table[entry].unit, FREE_UNIT);
        EXPECT_EQ(unit_table[entry].block, nullptr);
    }
}

TEST_F(UnitsTest, OneConsoleBlockWhenBothHandlesAreTheConsole) {
    start_engine({.console = Console::Terminal});
    EXPECT_NE(unit_table[ENTRY_CONSOLE].block, nullptr);
    EXPECT_EQ(unit_table[ENTRY_CONSOLE_OUTPUT].block, nullptr);
}

TEST_F(UnitsTest, NewBlockStartsEmpty) {
    start_engine();
    UnitBlock* block = new_unit_block(50);
    EXPECT_EQ(block_size(block->buffer), 50u);
    EXPECT_EQ(block->pos, 0);
    EXPECT_EQ(block->last, -1);
    EXPECT_EQ(block->size, 50);
    EXPECT_EQ(block->flags, 0u);
    EXPECT_EQ(block->format_flags, 0u);
    EXPECT_EQ(block->record_length, 0);
    EXPECT_EQ(block->next_record, 1);
    EXPECT_EQ(block->transferred, 0);
    EXPECT_EQ(block->open_action, 2);
    EXPECT_EQ(block->open_share, 2);
    EXPECT_EQ(block->line_closed, 0);
    release_unit(block, 0);
    UnitBlock* bare = new_unit_block(0);
    EXPECT_EQ(bare->buffer, nullptr);
    release_unit(bare, 0);
}

struct FindCase {
    std::int32_t unit;
    int kind;
    int entry;
    int handle; // of the chosen block, -1 when not checked
};

TEST_F(UnitsTest, FindUnitOnASharedConsole) {
    start_engine({.console = Console::Terminal});
    const FindCase cases[] = {
        {DEFAULT_UNIT, KIND_WRITE, 62, 1},
        {DEFAULT_UNIT, KIND_READ, 62, 0},
        {DEFAULT_UNIT, KIND_CLOSE, 62, 1},
        {DEFAULT_UNIT, KIND_REWIND, 62, 0},
        {0, KIND_WRITE, 62, 1},
        {0, KIND_READ, 62, 0},
        {5, KIND_WRITE, 62, 0},
        {6, KIND_READ, 62, 1},
        {INTERNAL_UNIT, KIND_WRITE, 64, -1},
        {7, KIND_WRITE, 65, -1},
        {-1, KIND_READ, 65, -1},
    };
    UnitBlock* console = unit_table[ENTRY_CONSOLE].block;
    for (const FindCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.unit << " kind " << c.kind);
        console->select_status = 99;
        console->pos = 9;
        EXPECT_EQ(find_unit(c.unit, statement_direction(c.kind)), c.entry);
        if (c.handle >= 0) {
            EXPECT_EQ(console->handle, c.handle);
            EXPECT_EQ(console->select_status, 0);
            // Output on the shared block starts at the front of its buffer.
            EXPECT_EQ(console->pos, c.handle == 1 ? 0 : 9);
        }
    }
}

TEST_F(UnitsTest, FindUnitWithASeparateOutputBlock) {
    start_engine();
    EXPECT_EQ(find_unit(DEFAULT_UNIT, Direction::OUTPUT), 63);
    EXPECT_EQ(find_unit(6, Direction::OUTPUT), 63);
    EXPECT_EQ(find_unit(5, Direction::OUTPUT), 62);
    EXPECT_EQ(find_unit(DEFAULT_UNIT, Direction::INPUT), 62);
    EXPECT_EQ(find_unit(0, Direction::INPUT), 62);
    EXPECT_EQ(unit_table[ENTRY_CONSOLE].block->handle, 0);
    EXPECT_EQ(unit_table[ENTRY_CONSOLE_OUTPUT].block->handle, 1);
}

TEST_F(UnitsTest, SelectingAnUnconnectedUnit) {
    start_engine();
    for (int kind : {KIND_CLOSE, KIND_WRITE, KIND_OPEN, KIND_READ, KIND_REWIND}) {
        error_state.statement_kind = kind;
        current_unit = unit_table[ENTRY_CONSOLE].block;
        EXPECT_EQ(select_unit(7), nullptr) << kind;
        EXPECT_EQ(current_unit, nullptr);
    }
    error_state.statement_kind = KIND_ENDFILE;
    EXPECT_EQ(exit_code_of([] { select_unit(7); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6420: ENDFILE(internal)\r\n- unit 7 not connected\r\n");
}

TEST_F(UnitsTest, AllocationFailureIsOutOfMemory) {
    start_engine();
    fail_allocation_after(1);
    EXPECT_EQ(exit_code_of([] { unit_alloc(10); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6700\r\n- out of memory\r\n");
}

TEST_F(UnitsTest, WriteFailures) {
    start_engine();
    error_state.statement_kind = KIND_WRITE;
    select_unit(DEFAULT_UNIT);
    error_code = 9;
    system_error = 6;
    check_write_failure(); // any other failure passes
    error_code = 13;
    system_error = 5;
    EXPECT_EQ(exit_code_of([] { check_write_failure(); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6421: WRITE(CON)\r\n"
                       "- write refused, access denied or file locked\r\n");
}

TEST_F(UnitsTest, DiskFullIsReported) {
    start_engine();
    error_state.statement_kind = KIND_WRITE;
    select_unit(DEFAULT_UNIT);
    error_code = 28;
    EXPECT_EQ(exit_code_of([] { check_write_failure(); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6422: WRITE(CON)\r\n- no space left on device\r\n");
}

TEST_F(UnitsTest, InternalFileIsNeverWrittenAsARecord) {
    start_engine();
    error_state.statement_kind = KIND_WRITE;
    select_unit(INTERNAL_UNIT);
    const std::uint8_t bytes[] = {' ', 'x'};
    EXPECT_EQ(exit_code_of([&] { write_record(2, bytes); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6600: WRITE(internal)\r\n"
                       "- write past the end of an internal file\r\n");
}

TEST_F(UnitsTest, RecordNumberBeforeTheFirst) {
    start_engine();
    error_state.statement_kind = KIND_WRITE;
    UnitBlock* block = select_unit(DEFAULT_UNIT);
    block->record_length = 10;
    position_record(NO_RECORD_NUMBER); // none given: nothing to check
    EXPECT_EQ(block->last, 9);
    EXPECT_EQ(record_remaining, 0);
    EXPECT_EQ(exit_code_of([] { position_record(0); }), 1);
    EXPECT_EQ(error(),
              "\r\nrun-time error F6311: WRITE(CON)\r\n- record number 0 out of range\r\n");
}

struct DeviceCase {
    const char* name;
    bool device;
    int code;
};

TEST(DeviceNames, ThreeOrFourCharactersBeforeTheLastDot) {
    const DeviceCase cases[] = {
        {"CON", true, 1},       {"con", true, 1},      {"CON.TXT", true, 1},
        {"CON.", true, 1},      {"Con.x.y", false, 0}, {"USER", true, -6},
        {"USER.TXT", false, 0}, {"user.", true, -6},   {"PRN", true, -2},
        {"PRN.LST", true, -2},  {"COM1", true, -4},    {"COM2", true, -2},
        {"com4.dat", true, -2}, {"COM5", false, 0},    {"LPT1", true, -2},
        {"LPT1.TXT", false, 0}, {"LPT4", true, -2},    {"NUL", true, -3},
        {"NUL.X", true, -3},    {"AUX", true, -4},     {"ERR", true, 2},
        {"ERR.TXT", false, 0},  {"err.", true, 2},     {"LINE", true, -4},
        {"LINE.DAT", false, 0}, {"C", false, 0},       {"CO", false, 0},
        {"CO.N", false, 0},     {"CONSO", false, 0},   {"CONSOLE.TXT", false, 0},
        {"COM12", false, 0},    {"AB.CON", false, 0},  {"XYZ", false, 0},
        {"", false, 0},         {".CON", false, 0},
    };
    for (const DeviceCase& c : cases) {
        bool device = !c.device;
        EXPECT_EQ(device_code(c.name, &device), c.code) << '"' << c.name << '"';
        EXPECT_EQ(device, c.device) << '"' << c.name << '"';
    }
}

std::string temporary_path(const char* stem) {
    return (std::filesystem::temp_directory_path() /
            (std::string("lncalc_units_") + stem + "_" +
             std::to_string(::testing::UnitTest::GetInstance()->random_seed())))
        .string();
}

std::string file_text(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

void write_to_unit(int unit, const char* text) {
    begin_write(unit, nullptr, 0, nullptr, 0, 0);
    write_item_character(text, static_cast<int>(std::char_traits<char>::length(text)));
    end_write();
}

TEST_F(UnitsTest, ImplicitOpenTakesTheCommandLineArguments) {
    std::string first = temporary_path("first");
    std::string second = temporary_path("second");
    std::filesystem::remove(first);
    std::filesystem::remove(second);
    start_engine({.arguments = {"  " + first + "  ", second}});
    write_to_unit(10, "hello");
    write_to_unit(11, "other");
    write_to_unit(10, "again");
    EXPECT_EQ(unit_table[1].unit, 10);
    EXPECT_EQ(unit_table[1].block->organisation, 3);
    EXPECT_EQ(unit_table[2].unit, 11);
    EXPECT_EQ(implicit_open_index, 3);
    close_all_units();
    EXPECT_EQ(file_text(first), " hello\r\n again\r\n");
    EXPECT_EQ(file_text(second), " other\r\n");
    EXPECT_EQ(output(), "");
    std::filesystem::remove(first);
    std::filesystem::remove(second);
}

TEST_F(UnitsTest, ImplicitOpenAsksForAName) {
    std::string path = temporary_path("asked");
    std::filesystem::remove(path);
    start_engine({.console = Console::Terminal});
    write_to_unit(DEFAULT_UNIT_WRITE, "before");
    type("   \n  " + path + "  \n");
    write_to_unit(-12, "text");
    const std::string prompt = "File name missing or blank - please enter file name\r\nUNIT -12? ";
    EXPECT_EQ(output(), "before\r\n" + prompt + prompt);
    close_all_units();
    EXPECT_EQ(file_text(path), " text\r\n");
    // Ending the line before the prompt left it owed: the exit ends it once more.
    EXPECT_EQ(output(), "before\r\n" + prompt + prompt + "\r\n");
    std::filesystem::remove(path);
}

// Input at its end, typed at once or redirected after a blank reply: the unit takes the file
// named after its number in the current directory.
TEST_F(UnitsTest, EndOfInputAtTheNamePromptNamesTheFileAfterTheUnit) {
    const std::string prompt = "File name missing or blank - please enter file name\r\nUNIT ";
    const std::filesystem::path saved = std::filesystem::current_path(),
                                folder = temporary_path("cwd");
    std::filesystem::create_directories(folder);
    std::filesystem::current_path(folder);
    for (auto [console, unit, file, prompts] :
         {std::tuple{Console::Terminal, 10, "fort.10", prompt + "10? "},
          std::tuple{Console::Pipes, -12, "fort.-12", prompt + "-12? " + prompt + "-12? "}}) {
        test::EngineSession session({.console = console, .input = "  \n"});
        if (console == Console::Terminal)
            session.type("\x04");
        write_to_unit(unit, "x");
        close_all_units();
        EXPECT_EQ(session.output().substr(0, prompts.size()), prompts) << file;
        EXPECT_EQ(session.error() + file_text(file), " x\r\n") << file;
    }
    std::filesystem::current_path(saved);
    std::filesystem::remove_all(folder);
}

TEST_F(UnitsTest, ConsoleByNameWritesToTheConsole) {
    start_engine({.arguments = {"con.txt"}});
    write_to_unit(DEFAULT_UNIT_WRITE, "a");
    write_to_unit(10, "b");
    ASSERT_NE(unit_table[1].block, nullptr);
    EXPECT_NE(unit_table[1].block->flags & CONSOLE_CONNECTED, 0u);
    EXPECT_STREQ(unit_table[1].block->name, "con");
    EXPECT_EQ(output(), "a\r\nb");
}

TEST_F(UnitsTest, FileConnectedToAnotherUnit) {
    std::string path = temporary_path("twice");
    std::filesystem::remove(path);
    start_engine({.arguments = {path, path}});
    write_to_unit(10, "a");
    EXPECT_EQ(exit_code_of([] { write_to_unit(11, "b"); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6413: OPEN(" + path +
                           ")\r\n- file already connected to another unit\r\n");
    EXPECT_EQ(file_text(path), " a\r\n");
    std::filesystem::remove(path);
}

TEST_F(UnitsTest, ReadFromAMissingFile) {
    std::string path = temporary_path("missing");
    std::filesystem::remove(path);
    start_engine({.arguments = {path}});
    float value = 0;
    EXPECT_EQ(exit_code_of([&] {
                  begin_read(12, nullptr, 0, nullptr, 0, nullptr, 0);
                  read_item_real4(&value);
              }),
              1);
    EXPECT_EQ(error(), "\r\nrun-time error F6416: OPEN(" + path + ")\r\n- file not found\r\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST_F(UnitsTest, ReadFromAFileOpenedImplicitly) {
    std::string path = temporary_path("values");
    {
        std::ofstream file(path, std::ios::binary);
        file << "1.5\r\n2.5";
    }
    start_engine({.arguments = {path}});
    float first = 0;
    float second = 0;
    begin_read(3, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&first);
    end_read();
    begin_read(3, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&second);
    end_read();
    EXPECT_EQ(first, 1.5f);
    EXPECT_EQ(second, 2.5f);
    std::filesystem::remove(path);
}

TEST_F(UnitsTest, ReadAfterTheEndOfAFile) {
    std::string path = temporary_path("short");
    {
        std::ofstream file(path, std::ios::binary);
        file << "4\r\n";
    }
    start_engine({.arguments = {path}});
    float value = 0;
    // An end branch: the end of the file is a status.
    begin_read(3, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&value);
    EXPECT_EQ(end_read(), 0);
    begin_read(3, nullptr, 0, nullptr, 0, nullptr, 1);
    EXPECT_EQ(read_item_real4(&value), -1);
    EXPECT_EQ(end_read(), -1);
    EXPECT_NE(unit_table[1].block->flags & AT_EOF, 0u);
    // The unit stays at its end: the next READ is refused at its start.
    begin_read(3, nullptr, 0, nullptr, 0, nullptr, 1);
    EXPECT_EQ(read_item_real4(&value), -1);
    EXPECT_EQ(end_read(), -1);
    EXPECT_EQ(error(), "");
    EXPECT_EQ(exit_code_of([&] {
                  begin_read(3, nullptr, 0, nullptr, 0, nullptr, 0);
                  read_item_real4(&value);
              }),
              1);
    EXPECT_EQ(error(), "\r\nrun-time error F6405: READ(" + path +
                           ")\r\n- end of file already met on this unit\r\n");
    EXPECT_EQ(value, 4.0f);
    std::filesystem::remove(path);
}

TEST_F(UnitsTest, UnknownOrganisationIsRefused) {
    start_engine();
    unit_table[ENTRY_CONSOLE_OUTPUT].block->organisation = 4;
    EXPECT_EQ(exit_code_of([] { write_to_unit(DEFAULT_UNIT_WRITE, "x"); }), 1);
    EXPECT_EQ(error(), "\r\nrun-time error F6200: WRITE(CON)\r\n"
                       "- formatted or list-directed transfer on an unformatted unit\r\n");
}

TEST_F(UnitsTest, ErrorWhileClosingAtExitIsReportedAndTheShutdownGoesOn) {
    if (!std::filesystem::exists("/dev/full"))
        GTEST_SKIP() << "needs a device that is always full";
    start_engine({.arguments = {"/dev/full"}});
    write_to_unit(DEFAULT_UNIT_WRITE, "a");
    write_to_unit(10, "lost");
    EXPECT_EQ(exit_code_of([] { close_all_units(); }), test::NO_EXIT);
    EXPECT_EQ(error(),
              "\r\nrun-time error F6422: CLOSE(/dev/full)\r\n- no space left on device\r\n");
    // The report ended the closing of that unit only: the console line is ended, the blocks are
    // freed.
    EXPECT_EQ(output(), "a\r\n");
    EXPECT_EQ(unit_table[ENTRY_CONSOLE].block, nullptr);
    EXPECT_EQ(engine.buffer, nullptr);
}

} // namespace
} // namespace lnc
