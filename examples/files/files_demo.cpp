// Files on the lncalc run-time: a program that opens, writes, rewinds, reads back, backspaces,
// appends to, ends, inquires about and deletes files through the file statements, and shows
// after each step what it read and the bytes that are on the file.
//
// It works in the current directory with relative names. The bytes of a file are taken with the
// C library (in binary, so that nothing is translated) only to show them; every transfer and
// file statement is the run-time's. Its last step asks at the console for the name of a file to
// open with STATUS='OLD' and no error branch: a missing file ends the run with the numbered
// report that names the file, and exit code 1.
//
// Each statement is written out as its series of calls, with the statement itself in a comment.
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "lncalc/runtime.h"

namespace {

constexpr int DATA = 10;
constexpr int APPENDING = 11;
constexpr int ENDING = 12;
constexpr int SCRATCH = 13;
constexpr int TABLE = 14;
constexpr int SECOND = 15;
constexpr int GIVEN = 20;
constexpr int WITH_IOSTAT = 1;      // the file statements' and WRITE's error branch
constexpr int READ_WITH_IOSTAT = 7; // READ: end of file, end of record and errors come back
constexpr int LINE_WIDTH = 60;      // of a line of shown file bytes

int length_of(const char* text) {
    return static_cast<int>(std::strlen(text));
}

void text(const char* characters) {
    lnc::write_item_character(characters, length_of(characters));
}

// WRITE(*,*) characters
void say(const char* characters) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text(characters);
    lnc::end_write();
}

// WRITE(*,*) label, value
void say_number(const char* label, std::int32_t value) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text(label);
    lnc::write_item_integer4(value);
    lnc::end_write();
}

// WRITE(*,'(A,A,A)') label, '"', value(1:length), '"'
void say_text(const char* label, const char* value, int length) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(1X,4A)", -1, nullptr, 0, 0);
    text(label);
    text("\"");
    lnc::write_item_character(value, length);
    text("\"");
    lnc::end_write();
}

// The display of one byte: printable characters as they are, CR and LF as \r and \n, a
// backslash doubled, anything else in hexadecimal.
int escape(unsigned char byte, char* out) {
    static constexpr char HEX[] = "0123456789ABCDEF";
    if (byte == '\r' || byte == '\n' || byte == '\\') {
        out[0] = '\\';
        out[1] = byte == '\r' ? 'r' : byte == '\n' ? 'n' : '\\';
        return 2;
    }
    if (byte >= 0x20 && byte < 0x7F) {
        out[0] = static_cast<char>(byte);
        return 1;
    }
    out[0] = '\\';
    out[1] = 'x';
    out[2] = HEX[byte >> 4];
    out[3] = HEX[byte & 15];
    return 4;
}

// The file's bytes, escaped, a line of the display after each LF or when it is full.
void show_file(const char* name) {
    std::FILE* file = std::fopen(name, "rb");
    if (file == nullptr) {
        say_text("no file ", name, length_of(name));
        return;
    }
    char line[LINE_WIDTH + 8];
    int used = 0;
    long total = 0;
    say_text("bytes of ", name, length_of(name));
    for (int c = std::fgetc(file); c != EOF; c = std::fgetc(file)) {
        used += escape(static_cast<unsigned char>(c), line + used);
        ++total;
        if (c == '\n' || used >= LINE_WIDTH) {
            say_text("  ", line, used);
            used = 0;
        }
    }
    if (used > 0)
        say_text("  ", line, used);
    std::fclose(file);
    say_number("  byte count:", static_cast<std::int32_t>(total));
}

// WRITE(*,'(1X,2A,I5)') statement, ' status:', status
void show_status(const char* statement, int status) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(1X,2A,I5)", -1, nullptr, 0, 0);
    text(statement);
    text(" status:");
    lnc::write_item_integer4(status);
    lnc::end_write();
}

// Ends the line that shows what a READ gave: the word up to its closing quote, the number and
// the statement's status, after the caller's opening words.
void finish_read_line(const char* word, int length, std::int32_t number, int status) {
    lnc::write_item_character(word, length);
    text("'");
    lnc::write_item_integer4(number);
    text(" status:");
    lnc::write_item_integer4(status);
    lnc::end_write();
}

// OPEN(unit, FILE=name, STATUS=status, IOSTAT=ios); position and action may be null.
int open_file(int unit, const char* name, const char* status, const char* position,
              const char* action) {
    lnc::begin_open(unit, WITH_IOSTAT);
    if (name != nullptr)
        lnc::open_file_name(name, length_of(name));
    lnc::open_status(status, length_of(status));
    if (position != nullptr)
        lnc::open_position(position, length_of(position));
    if (action != nullptr)
        lnc::open_action(action, length_of(action));
    return lnc::end_open();
}

// CLOSE(unit, STATUS=status, IOSTAT=ios); status may be null.
int close_file(int unit, const char* status) {
    lnc::begin_close(unit, WITH_IOSTAT);
    if (status != nullptr)
        lnc::close_status(status, length_of(status));
    return lnc::end_close();
}

// INQUIRE(FILE=name, EXIST=there, OPENED=open, NUMBER=n)
void inquire_file(const char* name) {
    std::int32_t there = -1;
    std::int32_t open = -1;
    std::int32_t number = -2;
    lnc::begin_inquire_file(name, length_of(name), 0);
    lnc::inquire_exist(&there);
    lnc::inquire_opened(&open);
    lnc::inquire_number(&number);
    lnc::end_inquire();
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("INQUIRE(FILE='");
    text(name);
    text("') EXIST=");
    lnc::write_item_logical4(there);
    text(" OPENED=");
    lnc::write_item_logical4(open);
    text(" NUMBER=");
    lnc::write_item_integer4(number);
    lnc::end_write();
}

// What INQUIRE by unit answers in character variables.
struct UnitAnswers {
    char name[16];
    char access[10];
    char form[11];
    char sequential[7];
    char direct[7];
    char position[9];
    char action[9];
};

// INQUIRE(unit, EXIST=, OPENED=, NUMBER=, NAMED=, NAME=, ACCESS=, SEQUENTIAL=, DIRECT=, FORM=,
//         RECL=, NEXTREC=, POSITION=, ACTION=)
void inquire_unit(int unit) {
    UnitAnswers a;
    std::memset(&a, '.', sizeof a);
    std::int32_t there = -1, open = -1, number = -2, named = -1, recl = -2, nextrec = -2;
    lnc::begin_inquire_unit(unit, 0);
    lnc::inquire_exist(&there);
    lnc::inquire_opened(&open);
    lnc::inquire_number(&number);
    lnc::inquire_named(&named);
    lnc::inquire_name(a.name, sizeof a.name);
    lnc::inquire_access(a.access, sizeof a.access);
    lnc::inquire_sequential(a.sequential, sizeof a.sequential);
    lnc::inquire_direct(a.direct, sizeof a.direct);
    lnc::inquire_form(a.form, sizeof a.form);
    lnc::inquire_recl(&recl);
    lnc::inquire_nextrec(&nextrec);
    lnc::inquire_position(a.position, sizeof a.position);
    lnc::inquire_action(a.action, sizeof a.action);
    lnc::end_inquire();
    say_number("INQUIRE unit", unit);
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("  EXIST=");
    lnc::write_item_logical4(there);
    text(" OPENED=");
    lnc::write_item_logical4(open);
    text(" NAMED=");
    lnc::write_item_logical4(named);
    text(" NUMBER=");
    lnc::write_item_integer4(number);
    lnc::end_write();
    say_text("  NAME=", a.name, sizeof a.name);
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(1X,A,I11,A,I11)", -1, nullptr, 0, 0);
    text("  RECL=");
    lnc::write_item_integer4(recl);
    text(" NEXTREC=");
    lnc::write_item_integer4(nextrec);
    lnc::end_write();
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(1X,14A)", -1, nullptr, 0, 0);
    text("  ACCESS=");
    lnc::write_item_character(a.access, sizeof a.access);
    text(" SEQUENTIAL=");
    lnc::write_item_character(a.sequential, sizeof a.sequential);
    text(" DIRECT=");
    lnc::write_item_character(a.direct, sizeof a.direct);
    text(" FORM=");
    lnc::write_item_character(a.form, sizeof a.form);
    lnc::end_write();
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, "(1X,4A)", -1, nullptr, 0, 0);
    text("  POSITION=");
    lnc::write_item_character(a.position, sizeof a.position);
    text(" ACTION=");
    lnc::write_item_character(a.action, sizeof a.action);
    lnc::end_write();
}

// REWIND unit / BACKSPACE unit / ENDFILE unit, with IOSTAT=
int rewind_unit(int unit) {
    lnc::begin_rewind(unit, WITH_IOSTAT);
    return lnc::end_rewind();
}
int backspace_unit(int unit) {
    lnc::begin_backspace(unit, WITH_IOSTAT);
    return lnc::end_backspace();
}
int endfile_unit(int unit) {
    lnc::begin_endfile(unit, WITH_IOSTAT);
    return lnc::end_endfile();
}

// WRITE(unit,*,IOSTAT=ios) word, number
int write_list(int unit, const char* word, std::int32_t number) {
    lnc::begin_write(unit, nullptr, 0, nullptr, 0, WITH_IOSTAT);
    text(word);
    lnc::write_item_integer4(number);
    return lnc::end_write();
}

// WRITE(unit,'(A,I5)',IOSTAT=ios) word, number
int write_formatted(int unit, const char* word, std::int32_t number) {
    lnc::begin_write(unit, "(A,I5)", -1, nullptr, 0, WITH_IOSTAT);
    text(word);
    lnc::write_item_integer4(number);
    return lnc::end_write();
}

// READ(unit,'(A6,I5)',IOSTAT=ios) word, number — then shows both and the status.
int read_formatted(int unit) {
    char word[6];
    std::int32_t number = -1;
    std::memset(word, '.', sizeof word);
    lnc::begin_read(unit, "(A6,I5)", -1, nullptr, 0, nullptr, READ_WITH_IOSTAT);
    lnc::read_item_character(word, sizeof word);
    lnc::read_item_integer4(&number);
    int status = lnc::end_read();
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("read '");
    finish_read_line(word, static_cast<int>(sizeof word), number, status);
    return status;
}

// READ(unit,*,IOSTAT=ios) word, number — then shows both and the status.
int read_list(int unit) {
    char word[8];
    std::int32_t number = -1;
    std::memset(word, '.', sizeof word);
    lnc::begin_read(unit, nullptr, 0, nullptr, 0, nullptr, READ_WITH_IOSTAT);
    int status = lnc::read_item_character(word, sizeof word);
    if (status == 0)
        status = lnc::read_item_integer4(&number);
    int ended = lnc::end_read();
    status = status != 0 ? status : ended;
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("read list '");
    finish_read_line(word, static_cast<int>(sizeof word), number, status);
    return status;
}

// A new file, written with list-directed and formatted records, read back, backspaced over and
// read again; at its end of file a BACKSPACE lets one more record be added.
void write_and_read_back() {
    say("-- a new file, written, rewound and read back");
    inquire_file("data.txt");
    show_status("OPEN(10,FILE='data.txt',STATUS='NEW')",
                open_file(DATA, "data.txt", "NEW", nullptr, nullptr));
    inquire_file("data.txt");
    show_status("WRITE(10,*) 'apples', 42", write_list(DATA, "apples", 42));
    show_status("WRITE(10,'(A,I5)') 'pears', 7", write_formatted(DATA, "pears ", 7));
    show_status("WRITE(10,'(A,I5)') 'plums', -15", write_formatted(DATA, "plums ", -15));
    show_status("REWIND 10", rewind_unit(DATA));
    inquire_unit(DATA);
    read_list(DATA);
    read_formatted(DATA);
    read_formatted(DATA);
    show_status("BACKSPACE 10", backspace_unit(DATA));
    read_formatted(DATA);
    read_formatted(DATA); // the end of file: status -1
    show_status("BACKSPACE 10", backspace_unit(DATA));
    show_status("WRITE(10,'(A,I5)') 'figs', 3", write_formatted(DATA, "figs  ", 3));
    show_status("CLOSE(10)", close_file(DATA, nullptr));
    show_file("data.txt");
}

// POSITION='APPEND' adds to the end; ENDFILE cuts the file where the unit is.
void append_and_end() {
    say("-- appending, then ending the file after its first record");
    show_status("OPEN(11,FILE='data.txt',STATUS='OLD',POSITION='APPEND')",
                open_file(APPENDING, "data.txt", "OLD", "APPEND", nullptr));
    inquire_unit(APPENDING);
    show_status("WRITE(11,*) 'dates', 12", write_list(APPENDING, "dates", 12));
    show_status("CLOSE(11,STATUS='KEEP')", close_file(APPENDING, "KEEP"));
    show_file("data.txt");
    show_status("OPEN(12,FILE='data.txt',STATUS='OLD')",
                open_file(ENDING, "data.txt", "OLD", nullptr, nullptr));
    read_list(ENDING);
    show_status("ENDFILE 12", endfile_unit(ENDING));
    inquire_unit(ENDING);
    read_list(ENDING); // after the end of file
    show_status("WRITE(12,*) 'after ENDFILE', 1", write_list(ENDING, "after ENDFILE", 1));
    show_status("BACKSPACE 12", backspace_unit(ENDING));
    show_status("WRITE(12,*) 'limes', 5", write_list(ENDING, "limes", 5));
    show_status("CLOSE(12)", close_file(ENDING, nullptr));
    show_file("data.txt");
}

// A scratch file has a name of its own, is not NAMED, and goes at its CLOSE.
void scratch_file() {
    say("-- a scratch file");
    show_status("OPEN(13,STATUS='SCRATCH')",
                open_file(SCRATCH, nullptr, "SCRATCH", nullptr, nullptr));
    show_status("WRITE(13,'(A,I5)') 'kiwis', 99", write_formatted(SCRATCH, "kiwis ", 99));
    show_status("REWIND 13", rewind_unit(SCRATCH));
    read_formatted(SCRATCH);
    inquire_unit(SCRATCH);
    show_status("CLOSE(13)", close_file(SCRATCH, nullptr));
    inquire_unit(SCRATCH);
}

// OPEN(14,FILE='table.txt',ACCESS='DIRECT',FORM='FORMATTED',RECL=8,IOSTAT=ios)
int open_table() {
    lnc::begin_open(TABLE, WITH_IOSTAT);
    lnc::open_file_name("table.txt", 9);
    lnc::open_access("DIRECT", 6);
    lnc::open_form("FORMATTED", 9);
    lnc::open_recl(8);
    return lnc::end_open();
}

// WRITE(14,'(A6,I2)',REC=record,IOSTAT=ios) word, number; record 0: no REC=
int write_table_record(int record, const char* word, std::int32_t number) {
    lnc::begin_write(TABLE, "(A6,I2)", -1, nullptr, 0, WITH_IOSTAT);
    if (record != 0)
        lnc::set_record_number(record);
    text(word);
    lnc::write_item_integer4(number);
    return lnc::end_write();
}

// READ(14,'(A6,I2)',REC=record,IOSTAT=ios) word, number — then shows both and the status.
void read_record(int record) {
    char word[6];
    std::int32_t number = -1;
    std::memset(word, '.', sizeof word);
    lnc::begin_read(TABLE, "(A6,I2)", -1, nullptr, 0, nullptr, READ_WITH_IOSTAT);
    lnc::set_record_number(record);
    lnc::read_item_character(word, sizeof word);
    lnc::read_item_integer4(&number);
    int status = lnc::end_read();
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("record");
    lnc::write_item_integer4(record);
    text(": '");
    finish_read_line(word, static_cast<int>(sizeof word), number, status);
}

// A direct-access file: records written and read in any order by their numbers, NEXTREC=, the
// record never written, and the sequential statements it refuses.
void direct_access() {
    say("-- a direct-access file");
    show_status("OPEN(14,FILE='table.txt',ACCESS='DIRECT',FORM='FORMATTED',RECL=8)", open_table());
    inquire_unit(TABLE);
    show_status("WRITE(14,'(A6,I2)',REC=3) 'grapes', 1", write_table_record(3, "grapes", 1));
    show_status("WRITE(14,'(A6,I2)',REC=1) 'melons', 22", write_table_record(1, "melons", 22));
    inquire_unit(TABLE);
    read_record(3);
    read_record(1);
    read_record(2);
    show_status("WRITE(14,'(A6,I2)') 'pears', 4", write_table_record(0, "pears", 4));
    show_status("WRITE(14,'(A6,I2)',REC=2) 'quinces', 5", write_table_record(2, "quinces", 5));
    show_status("REWIND 14", rewind_unit(TABLE));
    show_status("BACKSPACE 14", backspace_unit(TABLE));
    show_status("ENDFILE 14", endfile_unit(TABLE));
    show_status("CLOSE(14)", close_file(TABLE, nullptr));
    show_file("table.txt");
    show_status("OPEN(14,FILE='table.txt',ACCESS='DIRECT',FORM='FORMATTED',RECL=8)", open_table());
    read_record(3);
    show_status("CLOSE(14,STATUS='DELETE')", close_file(TABLE, "DELETE"));
    inquire_file("table.txt");
}

// OPEN(15,FILE='data.txt',ACCESS='sideways',IOSTAT=ios)
int open_bad_access() {
    lnc::begin_open(SECOND, WITH_IOSTAT);
    lnc::open_file_name("data.txt", 8);
    lnc::open_access("sideways", 8);
    return lnc::end_open();
}

// Statements that fail with their error number returned: each leaves everything as it was.
void refusals() {
    say("-- statements refused, with their error numbers");
    show_status("OPEN(15,FILE='data.txt',STATUS='NEW')",
                open_file(SECOND, "data.txt", "NEW", nullptr, nullptr));
    show_status("OPEN(15,FILE='data.txt',STATUS='OLDISH')",
                open_file(SECOND, "data.txt", "OLDISH", nullptr, nullptr));
    show_status("OPEN(15,FILE='data.txt',ACCESS='sideways')", open_bad_access());
    show_status("OPEN(15,FILE='nothing.txt',STATUS='OLD')",
                open_file(SECOND, "nothing.txt", "OLD", nullptr, nullptr));
    show_status("BACKSPACE 15", backspace_unit(SECOND));
    show_status("OPEN(10,FILE='data.txt',STATUS='OLD',ACTION='READ')",
                open_file(DATA, "data.txt", "OLD", nullptr, "READ"));
    show_status("OPEN(15,FILE='data.txt')",
                open_file(SECOND, "data.txt", "UNKNOWN", nullptr, nullptr));
    show_status("WRITE(10,*) 'melons', 2", write_list(DATA, "melons", 2));
    show_status("ENDFILE 10", endfile_unit(DATA));
    show_status("CLOSE(10,STATUS='GONE')", close_file(DATA, "GONE"));
    read_list(DATA);
    show_status("CLOSE(10,STATUS='DELETE')", close_file(DATA, "DELETE"));
    inquire_file("data.txt");
}

// READ(*,'(A)') name; OPEN(20, FILE=name, STATUS='OLD'); READ(20,'(A)') line
void open_given_file() {
    char name[64];
    char line[32];
    std::memset(name, ' ', sizeof name);
    std::memset(line, ' ', sizeof line);
    say("-- name a file to open with STATUS='OLD':");
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, "(A)", -1, nullptr, 0, nullptr, 0);
    lnc::read_item_character(name, sizeof name);
    lnc::end_read();
    lnc::begin_open(GIVEN, 0);
    lnc::open_file_name(name, sizeof name);
    lnc::open_status("OLD", 3);
    lnc::end_open();
    lnc::begin_read(GIVEN, "(A)", -1, nullptr, 0, nullptr, 0);
    lnc::read_item_character(line, sizeof line);
    lnc::end_read();
    say_text("its first line: ", line, sizeof line);
}

// The main routine, called by start-up once the run-time is ready; its result is the exit code.
int files_main(int, char**, char**) {
    write_and_read_back();
    append_and_end();
    scratch_file();
    direct_access();
    refusals();
    open_given_file();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, files_main);
}
