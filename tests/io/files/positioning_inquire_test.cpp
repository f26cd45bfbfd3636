// REWIND, BACKSPACE and ENDFILE on formatted and unformatted sequential files, their refusals,
// and the answers of INQUIRE by unit and by file.
#include <cstring>

#include "io/files/file_fixture.h"

namespace lnc::test {
namespace {

using namespace std::string_literals;

class PositioningTest : public FileTest {};

int position(int (*begin)(int, int), int (*end)(), int unit, int flags = 0) {
    begin(unit, flags);
    return end();
}
int rewind_unit(int unit) {
    return position(begin_rewind, end_rewind, unit);
}
int backspace_unit(int unit, int flags = 0) {
    return position(begin_backspace, end_backspace, unit, flags);
}
int endfile_unit(int unit, int flags = 0) {
    return position(begin_endfile, end_endfile, unit, flags);
}
int flush_unit(int unit) {
    return position(begin_flush, end_flush, unit);
}

std::string position_of(int unit) {
    char answer[8];
    begin_inquire_unit(unit, 0);
    inquire_position(answer, sizeof answer);
    end_inquire();
    std::string text(answer, sizeof answer);
    return text.substr(0, text.find_last_not_of(' ') + 1);
}

// Each step is an operation and the value a READ then expects (-1: end of file).
TEST_F(PositioningTest, FormattedRecordsWithEitherLineEnd) {
    make_file("records.txt", "1\r\n2\n3\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "records.txt"}, {"STATUS", "OLD"}}), 0);
    struct Step {
        char operation; // R read, B backspace, W rewind, E endfile
        std::int32_t expected;
    };
    const Step steps[] = {{'R', 1}, {'R', 2},  {'B', 2}, {'W', 1}, {'B', 0}, {'B', 1}, {'R', 2},
                          {'R', 3}, {'R', -1}, {'B', 0}, {'B', 3}, {'W', 1}, {'E', -1}};
    int index = 0;
    for (const Step& step : steps) {
        SCOPED_TRACE(index++);
        int done = step.operation == 'B'   ? backspace_unit(10)
                   : step.operation == 'W' ? rewind_unit(10)
                   : step.operation == 'E' ? endfile_unit(10)
                                           : 0;
        ASSERT_EQ(done, 0);
        if (step.expected == 0)
            continue;
        std::int32_t value = 0;
        int status = read_integer(10, &value);
        EXPECT_EQ(step.expected < 0 ? status : value, step.expected);
    }
    EXPECT_EQ(file_text("records.txt"), "1\r\n");
}

TEST_F(PositioningTest, WritingAfterEndfileNeedsABackspaceAndAppends) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "log.txt"}, {"STATUS", "REPLACE"}}), 0);
    write_line(10, "a");
    write_line(10, "b");
    EXPECT_EQ(backspace_unit(10), 0); // output written first; then before "b"
    EXPECT_EQ(file_text("log.txt"), " a\r\n b\r\n");
    EXPECT_EQ(endfile_unit(10), 0);
    EXPECT_EQ(file_text("log.txt"), " a\r\n");
    begin_write(10, nullptr, 0, nullptr, 0, 1);
    EXPECT_EQ(end_write(), STATUS_END_OF_FILE);
    EXPECT_EQ(exit_code_of([] {
                  std::int32_t v;
                  begin_read(10, nullptr, 0, nullptr, 0, nullptr, 0);
                  read_item_integer4(&v);
              }),
              1);
    EXPECT_EQ(error(), "\r\nrun-time error F6405: READ(log.txt)\r\n"
                       "- end of file already met on this unit\r\n");
}

// The unit holds its records until its buffer is full; FLUSH hands them over and the unit goes
// on after them.
TEST_F(PositioningTest, FlushHandsTheHeldRecordsToTheFile) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "log.txt"}, {"STATUS", "REPLACE"}}), 0);
    write_line(10, "a");
    write_line(10, "b");
    EXPECT_EQ(file_text("log.txt"), "");
    EXPECT_EQ(flush_unit(10), 0);
    EXPECT_EQ(file_text("log.txt"), " a\r\n b\r\n");
    EXPECT_EQ(flush_unit(10), 0);
    write_line(10, "c");
    EXPECT_EQ(position_of(10), "APPEND");
    EXPECT_EQ(flush_unit(10), 0);
    EXPECT_EQ(file_text("log.txt"), " a\r\n b\r\n c\r\n");
    EXPECT_EQ(flush_unit(20), 0); // not connected
    EXPECT_EQ(flush_unit(6), 0);  // the console: its line end stays owed
    EXPECT_EQ(close_unit_with(10), 0);
    EXPECT_EQ(file_text("log.txt"), " a\r\n b\r\n c\r\n");
}

// The buffer holds many records, and a record longer than the buffer goes out in parts: records
// of {pieces} pieces of {length} characters, as many as make some 9000 bytes of each kind.
TEST_F(PositioningTest, RecordsAcrossTheBuffer) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "log.txt"}, {"STATUS", "REPLACE"}}), 0);
    std::string expected;
    const std::pair<int, int> shapes[] = {{1, 3}, {80, 250}, {20, 250}, {1, 1}};
    for (const auto& [pieces, length] : shapes) {
        std::string piece(static_cast<std::size_t>(length), static_cast<char>('a' + pieces % 26));
        for (int bytes = 0; bytes < 9000; bytes += pieces * length + 2) {
            begin_write(10, "(100A)", -1, nullptr, 0, 0);
            for (int n = 0; n < pieces; ++n)
                write_item_character(piece.data(), length);
            end_write();
            for (int n = 0; n < pieces; ++n)
                expected += piece;
            expected += "\r\n";
        }
    }
    EXPECT_EQ(close_unit_with(10), 0);
    EXPECT_EQ(file_text("log.txt"), expected);
}

// A WRITE leaves its unit after the record written, which its WRITE made the file's last.
TEST_F(PositioningTest, PositionAfterEachStatement) {
    make_file("three.txt", "1\r\n2\r\n3\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "three.txt"}}), 0);
    std::int32_t value = 0;
    EXPECT_EQ(position_of(10), "REWIND");
    ASSERT_EQ(read_integer(10, &value), 0);
    EXPECT_EQ(position_of(10), "ASIS");
    write_line(10, "x");
    EXPECT_EQ(position_of(10), "APPEND");
    EXPECT_EQ(rewind_unit(10), 0);
    EXPECT_EQ(position_of(10), "REWIND");
    EXPECT_EQ(file_text("three.txt"), "1\r\n x\r\n");
}

// BACKSPACE reads the file to find the record before, even on a unit that may not READ.
TEST_F(PositioningTest, BackspaceOnAUnitOpenedForWritingOnly) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "w.txt"}, {"ACTION", "WRITE"}}), 0);
    ASSERT_EQ(open_unit(11, {{"FILE", "w.bin"}, {"ACTION", "WRITE"}, {"FORM", "UNFORMATTED"}}), 0);
    for (const char* text : {"a", "b"}) {
        write_line(10, text);
        begin_write_unformatted(11, 0);
        write_item_character(text, 1);
        end_write();
    }
    EXPECT_EQ(backspace_unit(10), 0);
    EXPECT_EQ(backspace_unit(11), 0);
    write_line(10, "c");
    begin_write_unformatted(11, 0);
    write_item_character("c", 1);
    end_write();
    std::int32_t value = 0;
    begin_read(10, nullptr, 0, nullptr, 0, nullptr, 4);
    read_item_integer4(&value);
    EXPECT_EQ(end_read(), error_number(MSG_READ_WRITE_ONLY));
    EXPECT_EQ(close_unit_with(10), 0);
    EXPECT_EQ(close_unit_with(11), 0);
    EXPECT_EQ(file_text("w.txt"), " a\r\n c\r\n");
    EXPECT_EQ(file_text("w.bin"), "\1\0\0\0a\1\0\0\0\1\0\0\0c\1\0\0\0"s);
}

TEST_F(PositioningTest, BackspaceAfterEndfileThenWriteAppends) {
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "log.txt"}}), 0);
    write_line(10, "a");
    EXPECT_EQ(endfile_unit(10), 0);
    EXPECT_EQ(backspace_unit(10), 0);
    write_line(10, "b");
    EXPECT_EQ(close_unit_with(10), 0);
    EXPECT_EQ(file_text("log.txt"), " a\r\n b\r\n");
}

// The layout gfortran and flang write: a 4-byte little-endian length before and after.
std::string unformatted_record(const std::string& data) {
    std::string length(4, '\0');
    for (int i = 0; i < 4; ++i)
        length[i] = static_cast<char>(data.size() >> (8 * i));
    return length + data + length;
}

TEST_F(PositioningTest, UnformattedRecordsByTheirLengths) {
    std::string two = unformatted_record("\x01\0\0\0\x02\0\0\0"s) + unformatted_record("abc");
    make_file("data.bin", two + unformatted_record(""));
    make_file("damaged.bin", unformatted_record("abc").substr(1));
    start_engine();
    ASSERT_EQ(
        open_unit(10, {{"FILE", "data.bin"}, {"FORM", "UNFORMATTED"}, {"POSITION", "APPEND"}}), 0);
    EXPECT_EQ(backspace_unit(10), 0);
    EXPECT_EQ(endfile_unit(10), 0);
    EXPECT_EQ(file_text("data.bin"), two);
    EXPECT_EQ(backspace_unit(10), 0); // before the end of file
    EXPECT_EQ(backspace_unit(10), 0);
    EXPECT_EQ(backspace_unit(10), 0);
    EXPECT_EQ(backspace_unit(10), 0); // at the start: nothing
    EXPECT_EQ(endfile_unit(10), 0);
    EXPECT_EQ(file_text("data.bin"), "");
    ASSERT_EQ(
        open_unit(11, {{"FILE", "damaged.bin"}, {"FORM", "UNFORMATTED"}, {"POSITION", "APPEND"}}),
        0);
    EXPECT_EQ(backspace_unit(11, 1), error_number(MSG_RECORD_MARKER_DAMAGED));
}

// A record longer than the buffer is looked through in pieces.
TEST_F(PositioningTest, BackspaceOverALongRecord) {
    make_file("long.txt", "a\n" + std::string(20000, 'x') + "\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "long.txt"}, {"POSITION", "APPEND"}}), 0);
    EXPECT_EQ(backspace_unit(10), 0);
    EXPECT_EQ(endfile_unit(10), 0);
    EXPECT_EQ(file_text("long.txt"), "a\n");
}

TEST_F(PositioningTest, RefusedOnDevicesDirectUnitsAndUnconnectedUnits) {
    make_file("read.txt", "1\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "direct.bin"}, {"ACCESS", "DIRECT"}, {"RECL", "4"}}), 0);
    ASSERT_EQ(open_unit(11, {{"FILE", "read.txt"}, {"ACTION", "READ"}}), 0);
    ASSERT_EQ(open_unit(12, {{"FILE", "con"}}), 0);
    struct Refusal {
        int (*begin)(int, int);
        int (*end)();
        int unit;
        int index;
    };
    const Refusal cases[] = {
        {begin_rewind, end_rewind, 6, MSG_REWIND_DEVICE},
        {begin_backspace, end_backspace, 12, MSG_BACKSPACE_DEVICE},
        {begin_endfile, end_endfile, 5, MSG_ENDFILE_DEVICE},
        {begin_rewind, end_rewind, 10, MSG_REWIND_DIRECT},
        {begin_backspace, end_backspace, 10, MSG_BACKSPACE_DIRECT},
        {begin_endfile, end_endfile, 10, MSG_ENDFILE_DIRECT},
        {begin_endfile, end_endfile, 11, MSG_ENDFILE_READ_ONLY},
        {begin_backspace, end_backspace, 20, MSG_UNIT_NOT_CONNECTED},
        {begin_endfile, end_endfile, 20, MSG_UNIT_NOT_CONNECTED},
        {begin_rewind, end_rewind, 20, 0},
    };
    for (const Refusal& c : cases) {
        SCOPED_TRACE(c.unit);
        EXPECT_EQ(position(c.begin, c.end, c.unit, 1), c.index == 0 ? 0 : error_number(c.index));
    }
    EXPECT_EQ(file_text("read.txt"), "1\r\n");
}

// A statement made between the item calls of a READ (from a function an item calls) leaves the
// READ its unit.
TEST_F(PositioningTest, AFileStatementBetweenTheItemsOfARead) {
    make_file("pair.txt", "4 5\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "pair.txt"}}), 0);
    std::int32_t first = 0, second = 0, opened = 0;
    begin_read(10, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_integer4(&first);
    begin_inquire_file("other.txt", -1, 1);
    inquire_opened(&opened);
    EXPECT_EQ(end_inquire(), 0);
    EXPECT_EQ(read_item_integer4(&second), 0);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(first * 10 + second, 45);
}

// BLANK= of the OPEN is where every formatted READ on the unit starts; BN overrides it.
TEST_F(PositioningTest, BlankZeroOfTheOpenReachesFormattedInput) {
    make_file("b.txt", "1 2 1 2\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "b.txt"}, {"BLANK", "ZERO"}}), 0);
    std::int32_t zero = 0, null = 0;
    begin_read(10, "(I3,1X,BN,I3)", -1, nullptr, 0, nullptr, 5);
    read_item_integer4(&zero);
    read_item_integer4(&null);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(zero * 1000 + null, 102012);
}

// A formatted statement on a unit that refuses it, or at its end of file, as the status of each of
// two statements in a row (the second shows what the first left on the unit).
TEST_F(PositioningTest, FormattedStatementsThatTheirUnitRefuses) {
    struct Case {
        Specifiers open;
        bool reading;
        int first;
        int second;
    };
    make_file("r.txt", "  1.5\r\n");
    const Case cases[] = {
        {{{"FILE", "w.txt"}, {"ACTION", "WRITE"}},
         true,
         error_number(MSG_READ_WRITE_ONLY),
         error_number(MSG_READ_WRITE_ONLY)},
        {{{"FILE", "r.txt"}, {"ACTION", "READ"}},
         false,
         error_number(MSG_WRITE_READ_ONLY),
         error_number(MSG_WRITE_READ_ONLY)},
        {{{"FILE", "u.bin"}, {"FORM", "UNFORMATTED"}},
         true,
         error_number(MSG_FORMATTED_ON_UNFORMATTED),
         error_number(MSG_FORMATTED_ON_UNFORMATTED)},
        {{{"FILE", "d.txt"}, {"ACCESS", "DIRECT"}, {"FORM", "FORMATTED"}, {"RECL", "8"}},
         true,
         error_number(MSG_SEQUENTIAL_ON_DIRECT),
         error_number(MSG_SEQUENTIAL_ON_DIRECT)},
        {{{"FILE", "r.txt"}}, true, 0, -1},
        {{{"FILE", "e.txt"}}, true, -1, -1},
    };
    start_engine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.open[0].second);
        ASSERT_EQ(open_unit(10, c.open), 0);
        int statuses[2];
        for (int& status : statuses) {
            float value = 0;
            if (c.reading) {
                begin_read(10, "(F5.1)", -1, nullptr, 0, nullptr, 5);
                read_item_real4(&value);
                status = end_read();
            } else {
                begin_write(10, "(F5.1)", -1, nullptr, 0, 1);
                write_item_real4(0x3FC00000u);
                status = end_write();
            }
        }
        EXPECT_EQ(statuses[0], c.first);
        EXPECT_EQ(statuses[1], c.second);
        EXPECT_EQ(close_unit_with(10), 0);
    }
    EXPECT_EQ(file_text("r.txt"), "  1.5\r\n");
}

// Every answer, in the order of the calls below, separated by "|"; character answers without
// their padding, and "-" for one that was not given.
std::string inquire(int unit, const char* file) {
    std::int32_t numbers[5] = {-9, -9, -9, -9, -9};
    char text[9][16];
    std::memset(text, '-', sizeof text);
    file != nullptr ? begin_inquire_file(file, -1, 0) : begin_inquire_unit(unit, 0);
    inquire_readwrite(text[8], 16); // specifiers in any order
    inquire_exist(&numbers[0]), inquire_opened(&numbers[1]), inquire_number(&numbers[2]);
    inquire_named(&numbers[3]), inquire_recl(&numbers[4]), inquire_name(text[0], 16);
    inquire_access(text[1], 16), inquire_sequential(text[2], 16), inquire_direct(text[3], 16);
    inquire_form(text[4], 16), inquire_blank(text[5], 16), inquire_position(text[6], 16);
    inquire_action(text[7], 16);
    EXPECT_EQ(end_inquire(), 0);
    std::string answers;
    for (std::int32_t number : numbers)
        answers += std::to_string(number) + "|";
    for (const auto& answer : text) {
        std::string field(answer, 16);
        answers += field.substr(0, field.find_last_not_of(" -") + 1) + "|";
    }
    return answers;
}

TEST_F(PositioningTest, InquireByUnitAndByFile) {
    make_file("in.txt", "1\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, {{"FILE", "in.txt"}, {"ACTION", "READ"}, {"BLANK", "ZERO"}}), 0);
    ASSERT_EQ(open_unit(11, {{"FILE", "d.bin"}, {"ACCESS", "DIRECT"}, {"RECL", "12"}}), 0);
    ASSERT_EQ(open_unit(12, {{"STATUS", "SCRATCH"}, {"FORM", "UNFORMATTED"}}), 0);
    ASSERT_EQ(open_unit(13, {{"FILE", "Err"}}), 0);
    const char* none = "UNDEFINED|UNKNOWN|UNKNOWN|UNDEFINED|UNDEFINED|UNDEFINED|UNDEFINED|UNKNOWN|";
    const std::pair<std::pair<int, const char*>, std::string> cases[] = {
        {{10, nullptr},
         "1|1|10|1|2147483639|in.txt|SEQUENTIAL|YES|NO|FORMATTED|ZERO|REWIND|READ|NO|"},
        {{11, nullptr},
         "1|1|11|1|12|d.bin|DIRECT|NO|YES|UNFORMATTED|UNDEFINED|UNDEFINED|READWRITE|YES|"},
        {{12, nullptr},
         "1|1|12|0|2147483639||SEQUENTIAL|YES|NO|UNFORMATTED|UNDEFINED|REWIND|READWRITE|YES|"},
        {{6, nullptr},
         "1|1|6|1|2147483639|CON|SEQUENTIAL|YES|NO|FORMATTED|NULL|ASIS|READWRITE|YES|"},
        {{20, nullptr}, "1|0|-1|0|-1||"s + none},
        {{40000, nullptr}, "0|0|-1|0|-1||"s + none},
        {{0, "./in.txt"},
         "1|1|10|1|2147483639|./in.txt|SEQUENTIAL|YES|NO|FORMATTED|ZERO|REWIND|READ|NO|"},
        {{0, "err"},
         "1|1|13|1|2147483639|err|SEQUENTIAL|YES|NO|FORMATTED|NULL|ASIS|READWRITE|YES|"},
        {{0, "none.txt"}, "0|0|-1|1|-1|none.txt|"s + none},
    };
    for (const auto& [asked, expected] : cases)
        EXPECT_EQ(inquire(asked.first, asked.second), expected);
    char name[4];
    begin_inquire_unit(10, 1);
    inquire_name(name, 4);
    EXPECT_EQ(end_inquire(), error_number(MSG_INQUIRE_RESULT_TOO_LONG));
}

} // namespace
} // namespace lnc::test
