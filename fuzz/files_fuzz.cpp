// Sequences of file statements on four units over three files of a scratch directory, checked
// statement by statement against a model of the files and units: the status each statement
// must return (0, -1 at end of file, or the error number expected), what each READ must give,
// what INQUIRE must answer, and at the end the bytes on each file.
//
// Input layout: one byte per statement, its low three bits the statement (OPEN, WRITE, READ,
// BACKSPACE, REWIND, ENDFILE, INQUIRE, CLOSE), the next two the unit (10 to 13), the top three
// a choice within the statement; OPEN takes two more bytes for its specifiers, WRITE one for
// its value. Every statement has its error branch, so the process never ends; a READ or WRITE
// on a unit the model knows to be unconnected is left out (it would open the unit implicitly,
// asking at the console for a name), and so is a READ from a unit opened with ACTION='WRITE'
// (with its error branch it does not come back).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "fuzz/harness.h"
#include "lncalc/files.h"
#include "lncalc/statements.h"

namespace {

constexpr int UNIT_COUNT = 4;
constexpr int NAMED_FILES = 3;
constexpr int NO_VALUE = -1;
constexpr int UNITS[UNIT_COUNT] = {10, 11, 12, 13};
constexpr const char* LEAVES[] = {"f0.txt", "f1.txt", "f2.txt"};
constexpr int BLANK_NAME = 3;
constexpr const char* WORDS[] = {"ab", "cde", "x", "fghij"};
constexpr int WITH_IOSTAT = 1;
constexpr int READ_WITH_IOSTAT = 7;
constexpr std::int32_t RECL = 20;
constexpr std::int32_t UNTOUCHED = -77; // an INQUIRE answer left as it was

// Keyword values in the order of the run-time's lists; the last of each is refused.
constexpr const char* STATUS_TEXT[] = {"OLD", "new", "SCRATCH", "REPLACE ", "UNKNOWN", "OLDER"};
constexpr const char* ACCESS_TEXT[] = {"SEQUENTIAL", "direct", "RANDOM"};
constexpr const char* FORM_TEXT[] = {"FORMATTED", "UNFORMATTED", "BINARY"};
constexpr const char* POSITION_TEXT[] = {"ASIS", "REWIND", "APPEND", "END"};
constexpr const char* ACTION_TEXT[] = {"READ", "WRITE", "READWRITE", "RW"};
constexpr const char* CLOSE_TEXT[] = {"KEEP", "DELETE", "PURGE"};
enum { OLD, NEW, SCRATCH, REPLACE, UNKNOWN, BAD_STATUS };
enum { ACTION_READ, ACTION_WRITE, ACTION_READWRITE, BAD_ACTION };

struct ModelFile {
    bool exists = false;
    std::vector<std::string> records;
};

struct ModelUnit {
    bool connected = false;
    int file = 0; // 0 to 2 a named file; NAMED_FILES + unit index its scratch file
    bool scratch = false;
    bool direct = false;
    bool unformatted = false;
    std::int32_t recl = 0;
    int action = ACTION_READWRITE;
    std::size_t position = 0; // the next record
    bool at_end = false;
};

struct Model {
    ModelFile files[NAMED_FILES + UNIT_COUNT];
    ModelUnit units[UNIT_COUNT];
};

// What one OPEN asks for; NO_VALUE where a specifier is left out.
struct OpenRequest {
    int name, status, access, form, position, action;
    bool recl;
};

struct Cursor {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    std::uint8_t next() { return at < size ? data[at++] : 0; }
};

int step = 0; // the statement under test, for the message of a finding

// The files live in a directory of their own, made once per process and emptied per input;
// their names are absolute, so that the fuzzer's own relative paths keep their meaning.
std::string directory;
std::string names[NAMED_FILES + 1];

void remove_directory() {
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

void prepare_directory() {
    if (!directory.empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(directory))
            std::filesystem::remove_all(entry.path());
        return;
    }
    char pattern[] = "/tmp/lncalc-files-fuzz-XXXXXX";
    if (::mkdtemp(pattern) == nullptr)
        lnc::fuzz::fail("no scratch directory");
    directory = pattern;
    std::atexit(remove_directory);
    for (int i = 0; i < NAMED_FILES; ++i)
        names[i] = directory + "/" + LEAVES[i];
    names[BLANK_NAME] = "  ";
}

const char* name_of(int file) {
    return names[file].c_str();
}

void expect(bool holds, const std::string& what) {
    if (!holds)
        lnc::fuzz::fail("statement " + std::to_string(step) + ": " + what);
}

void expect_status(int got, int wanted, const char* statement) {
    lnc::fuzz::note_result(&got, sizeof got);
    expect(got == wanted, std::string(statement) + " returned " + std::to_string(got) +
                              ", the model expects " + std::to_string(wanted));
}

int length_of(const char* text) {
    return static_cast<int>(std::strlen(text));
}

// A choice of count values or, for value 0, none.
int optional(int choice, int count) {
    return choice % (count + 1) == 0 ? NO_VALUE : choice % (count + 1) - 1;
}

// The model's record of WRITE(unit,*) word, n and of WRITE(unit,'(A,I5)') word, n.
std::string list_record(const char* word, int n) {
    std::string number = std::to_string(n);
    return " " + std::string(word) + std::string(11 - number.size(), ' ') + number;
}
std::string formatted_record(const char* word, int n) {
    std::string number = std::to_string(n);
    return std::string(word) + std::string(5 - number.size(), ' ') + number;
}

// 1. OPEN: the values refused first, in the order the specifier calls were made.
int refused_value(const OpenRequest& r) {
    if (r.name == BLANK_NAME)
        return 6412;
    if (r.status == BAD_STATUS)
        return 6306;
    if (r.access == 2)
        return 6304;
    if (r.form == 2)
        return 6305;
    if (r.position == 3)
        return 6316;
    if (r.action == BAD_ACTION)
        return 6308;
    if (r.status == SCRATCH && r.name != NO_VALUE)
        return 6401;
    if (r.access == 1 && !r.recl)
        return 6310;
    return 0;
}

bool unformatted_asked(const OpenRequest& r) {
    return r.form == 1 || (r.access == 1 && r.form == NO_VALUE);
}

// OPEN of a connected unit on its own file may change nothing the model sees.
int reopen_status(const OpenRequest& r, const ModelUnit& u) {
    bool status = r.status == NO_VALUE || r.status == OLD || r.status == UNKNOWN ||
                  (r.status == SCRATCH && u.scratch);
    bool same = status && (r.access == NO_VALUE || (r.access == 1) == u.direct) &&
                (r.form == NO_VALUE || (r.form == 1) == u.unformatted) &&
                (!r.recl || u.recl == RECL) && (r.action == NO_VALUE || r.action == u.action) &&
                (r.position == NO_VALUE || r.position == 0);
    return same ? 0 : 6402;
}

int unit_on_file(const Model& m, int file) {
    for (int i = 0; i < UNIT_COUNT; ++i) {
        if (m.units[i].connected && m.units[i].file == file)
            return i;
    }
    return NO_VALUE;
}

void close_in_model(Model& m, int unit, bool remove) {
    ModelUnit& u = m.units[unit];
    if (remove || u.scratch)
        m.files[u.file] = ModelFile{};
    u.connected = false;
}

// The file of the request is opened for the unit, which is free: its status, and the unit.
int connect_in_model(Model& m, int unit, const OpenRequest& r) {
    bool scratch = r.status == SCRATCH;
    int file = scratch ? NAMED_FILES + unit : r.name;
    ModelFile& f = m.files[file];
    if (!scratch && unit_on_file(m, file) != NO_VALUE && f.exists)
        return 6413;
    if (r.status == OLD && !f.exists)
        return 6416;
    if (r.status == NEW && f.exists)
        return 6415;
    if (r.status == REPLACE || scratch)
        f.records.clear();
    f.exists = true;
    ModelUnit& u = m.units[unit];
    u = ModelUnit{true, file, scratch, r.access == 1, unformatted_asked(r), r.recl ? RECL : 0};
    u.action = scratch || r.action == NO_VALUE ? ACTION_READWRITE : r.action;
    u.position = r.position == 2 && !u.direct ? f.records.size() : 0;
    return 0;
}

int open_in_model(Model& m, int unit, const OpenRequest& r) {
    int refused = refused_value(r);
    if (refused != 0)
        return refused;
    ModelUnit& u = m.units[unit];
    if (u.connected && (r.name == NO_VALUE || (!u.scratch && r.name == u.file)))
        return reopen_status(r, u);
    if (u.connected)
        close_in_model(m, unit, false);
    return connect_in_model(m, unit, r);
}

// OPEN(unit, FILE=, STATUS=, ACCESS=, FORM=, RECL=, POSITION=, ACTION=, IOSTAT=)
void run_open(Model& m, int unit, std::uint8_t choice, Cursor& in) {
    std::uint8_t a = in.next();
    std::uint8_t b = in.next();
    OpenRequest r{optional(choice, 4), optional(a & 7, 6), optional(a >> 3 & 3, 3),
                  optional(a >> 5, 3), optional(b & 7, 4), optional(b >> 3 & 7, 4),
                  (b & 0x40) != 0};
    // Without a name, and not a scratch file, a free unit would ask the console for one.
    if (r.name == NO_VALUE && r.status != SCRATCH && !m.units[unit].connected)
        return;
    lnc::begin_open(UNITS[unit], WITH_IOSTAT);
    if (r.name != NO_VALUE)
        lnc::open_file_name(name_of(r.name), length_of(name_of(r.name)));
    if (r.status != NO_VALUE)
        lnc::open_status(STATUS_TEXT[r.status], length_of(STATUS_TEXT[r.status]));
    if (r.access != NO_VALUE)
        lnc::open_access(ACCESS_TEXT[r.access], length_of(ACCESS_TEXT[r.access]));
    if (r.form != NO_VALUE)
        lnc::open_form(FORM_TEXT[r.form], length_of(FORM_TEXT[r.form]));
    if (r.recl)
        lnc::open_recl(RECL);
    if (r.position != NO_VALUE)
        lnc::open_position(POSITION_TEXT[r.position], length_of(POSITION_TEXT[r.position]));
    if (r.action != NO_VALUE)
        lnc::open_action(ACTION_TEXT[r.action], length_of(ACTION_TEXT[r.action]));
    int wanted = open_in_model(m, unit, r);
    expect_status(lnc::end_open(), wanted, "OPEN");
}

// 2. READ and WRITE: refused by the unit's action, form and access, or at its end of file.
int transfer_refusal(const ModelUnit& u, bool reading) {
    if (reading && u.action == ACTION_WRITE)
        return 6425;
    if (!reading && u.action == ACTION_READ)
        return 6424;
    if (u.unformatted)
        return 6200;
    if (u.direct)
        return 6202;
    return u.at_end ? -1 : 0;
}

// WRITE(unit,*) word, n or WRITE(unit,'(A,I5)') word, n: the record written becomes the last.
void run_write(Model& m, int unit, std::uint8_t choice, int n) {
    ModelUnit& u = m.units[unit];
    const char* word = WORDS[choice & 3];
    bool formatted = (choice & 4) != 0;
    lnc::begin_write(UNITS[unit], formatted ? "(A,I5)" : nullptr, formatted ? -1 : 0, nullptr, 0,
                     WITH_IOSTAT);
    lnc::write_item_character(word, length_of(word));
    lnc::write_item_integer4(n);
    int wanted = transfer_refusal(u, false);
    expect_status(lnc::end_write(), wanted, formatted ? "WRITE formatted" : "WRITE list");
    if (wanted != 0)
        return;
    std::vector<std::string>& records = m.files[u.file].records;
    records.resize(u.position);
    records.push_back(formatted ? formatted_record(word, n) : list_record(word, n));
    ++u.position;
}

// READ(unit,*) word, n: a word and the number after it.
int read_list(int unit, char (&word)[8], std::int32_t* n) {
    lnc::begin_read(UNITS[unit], nullptr, 0, nullptr, 0, nullptr, READ_WITH_IOSTAT);
    int status = lnc::read_item_character(word, sizeof word);
    if (status == 0)
        status = lnc::read_item_integer4(n);
    int ended = lnc::end_read();
    return status != 0 ? status : ended;
}

// READ(unit,'(A)') line
int read_line(int unit, char (&line)[24]) {
    lnc::begin_read(UNITS[unit], "(A)", -1, nullptr, 0, nullptr, READ_WITH_IOSTAT);
    int status = lnc::read_item_character(line, sizeof line);
    int ended = lnc::end_read();
    return status != 0 ? status : ended;
}

std::string padded(const std::string& text, std::size_t length) {
    return text + std::string(length - text.size(), ' ');
}

// The list-directed reading of a record the model wrote: its word and its number.
void expect_list_values(const std::string& record, const char (&word)[8], std::int32_t n) {
    std::size_t start = record.find_first_not_of(' ');
    std::size_t end = record.find_first_of(" -0123456789", start);
    std::string wanted_word = padded(record.substr(start, end - start), sizeof word);
    std::int32_t wanted_n = static_cast<std::int32_t>(std::atoi(record.c_str() + end));
    lnc::fuzz::note_result(word, sizeof word);
    lnc::fuzz::note_result(&n, sizeof n);
    expect(std::string(word, sizeof word) == wanted_word && n == wanted_n,
           "READ list gave '" + std::string(word, sizeof word) + "' " + std::to_string(n) +
               " from the record \"" + record + "\"");
}

// A READ of the record at the unit's position; at the end of the file it sets the end.
void run_read(Model& m, int unit, std::uint8_t choice) {
    ModelUnit& u = m.units[unit];
    const std::vector<std::string>& records = m.files[u.file].records;
    int wanted = transfer_refusal(u, true);
    if (wanted == 0 && u.position >= records.size())
        wanted = -1;
    std::string record = wanted == 0 ? records[u.position] : std::string();
    if ((choice & 1) != 0) {
        char line[24];
        std::memset(line, '.', sizeof line);
        expect_status(read_line(unit, line), wanted, "READ '(A)'");
        lnc::fuzz::note_result(line, sizeof line);
        expect(wanted != 0 || std::string(line, sizeof line) == padded(record, sizeof line),
               "READ '(A)' gave \"" + std::string(line, sizeof line) + "\" for \"" + record + "\"");
    } else {
        char word[8];
        std::memset(word, '.', sizeof word);
        std::int32_t n = 0;
        expect_status(read_list(unit, word, &n), wanted, "READ list");
        if (wanted == 0)
            expect_list_values(record, word, n);
    }
    if (wanted == 0)
        ++u.position;
    if (wanted == -1 && !u.unformatted && !u.direct)
        u.at_end = true;
}

// 3. Positioning. BACKSPACE reads the file to find the record before: an unformatted record by
// its lengths, which a file of formatted records does not hold (F6773); a file opened for
// writing only is read all the same.
int backspace_in_model(const Model& m, ModelUnit& u) {
    if (!u.connected)
        return 6420;
    if (u.direct)
        return 6204;
    if (u.at_end || u.position == 0) {
        u.at_end = false;
        return 0;
    }
    if (u.unformatted)
        return 6773;
    --u.position;
    return 0;
}

int endfile_in_model(Model& m, ModelUnit& u) {
    if (!u.connected)
        return 6420;
    if (u.direct)
        return 6205;
    if (u.action == ACTION_READ)
        return 6772;
    m.files[u.file].records.resize(u.position);
    u.at_end = true;
    return 0;
}

void run_positioning(Model& m, int unit, int kind) {
    ModelUnit& u = m.units[unit];
    int wanted = 0;
    if (kind == 3) {
        lnc::begin_backspace(UNITS[unit], WITH_IOSTAT);
        wanted = backspace_in_model(m, u);
        expect_status(lnc::end_backspace(), wanted, "BACKSPACE");
    } else if (kind == 4) {
        lnc::begin_rewind(UNITS[unit], WITH_IOSTAT);
        wanted = u.connected && u.direct ? 6769 : 0;
        if (u.connected && wanted == 0) {
            u.position = 0;
            u.at_end = false;
        }
        expect_status(lnc::end_rewind(), wanted, "REWIND");
    } else {
        lnc::begin_endfile(UNITS[unit], WITH_IOSTAT);
        wanted = endfile_in_model(m, u);
        expect_status(lnc::end_endfile(), wanted, "ENDFILE");
    }
}

// 4. INQUIRE by unit or by file.
struct Answers {
    std::int32_t exist = UNTOUCHED, opened = UNTOUCHED, number = UNTOUCHED, nextrec = UNTOUCHED;
    char position[9];
    char action[9];
};

std::string position_answer(const Model& m, const ModelUnit& u) {
    if (u.direct)
        return "UNDEFINED";
    if (u.position == 0 && !u.at_end)
        return "REWIND";
    return u.at_end || u.position == m.files[u.file].records.size() ? "APPEND" : "ASIS";
}

void expect_answers(const Answers& got, const Answers& wanted, const char* statement) {
    // Field by field: the structure's padding holds nothing of the answers.
    const std::int32_t numbers[] = {got.exist, got.opened, got.number, got.nextrec};
    lnc::fuzz::note_result(numbers, sizeof numbers);
    lnc::fuzz::note_result(got.position, sizeof got.position);
    lnc::fuzz::note_result(got.action, sizeof got.action);
    bool same = got.exist == wanted.exist && got.opened == wanted.opened &&
                got.number == wanted.number && got.nextrec == wanted.nextrec &&
                std::memcmp(got.position, wanted.position, sizeof got.position) == 0 &&
                std::memcmp(got.action, wanted.action, sizeof got.action) == 0;
    expect(same, std::string(statement) + " answered EXIST=" + std::to_string(got.exist) +
                     " OPENED=" + std::to_string(got.opened) + " NUMBER=" +
                     std::to_string(got.number) + " NEXTREC=" + std::to_string(got.nextrec) +
                     " POSITION=" + std::string(got.position, sizeof got.position) +
                     " ACTION=" + std::string(got.action, sizeof got.action));
}

void fill(char (&out)[9], const std::string& text) {
    std::memset(out, ' ', sizeof out);
    std::memcpy(out, text.data(), std::min(text.size(), sizeof out));
}

Answers unit_answers(const Model& m, int unit) {
    static constexpr const char* ACTIONS[] = {"READ", "WRITE", "READWRITE"};
    const ModelUnit& u = m.units[unit];
    Answers a;
    a.exist = 1;
    a.opened = u.connected ? 1 : 0;
    a.number = u.connected ? UNITS[unit] : -1;
    a.nextrec = u.connected && u.direct ? 1 : UNTOUCHED;
    fill(a.position, u.connected ? position_answer(m, u) : "UNDEFINED");
    fill(a.action, u.connected ? ACTIONS[u.action] : "UNDEFINED");
    return a;
}

void run_inquire(const Model& m, int unit, std::uint8_t choice) {
    Answers got;
    std::memset(got.position, '.', sizeof got.position);
    std::memset(got.action, '.', sizeof got.action);
    int file = choice % 4;
    if (file == NAMED_FILES) {
        lnc::begin_inquire_unit(UNITS[unit], WITH_IOSTAT);
        lnc::inquire_nextrec(&got.nextrec);
        lnc::inquire_position(got.position, sizeof got.position);
        lnc::inquire_action(got.action, sizeof got.action);
    } else {
        lnc::begin_inquire_file(name_of(file), length_of(name_of(file)), WITH_IOSTAT);
    }
    lnc::inquire_exist(&got.exist);
    lnc::inquire_opened(&got.opened);
    lnc::inquire_number(&got.number);
    expect_status(lnc::end_inquire(), 0, "INQUIRE");
    Answers wanted = got;
    if (file == NAMED_FILES) {
        wanted = unit_answers(m, unit);
    } else {
        int on = unit_on_file(m, file);
        wanted.exist = m.files[file].exists ? 1 : 0;
        wanted.opened = on != NO_VALUE ? 1 : 0;
        wanted.number = on != NO_VALUE ? UNITS[on] : -1;
    }
    expect_answers(got, wanted, file == NAMED_FILES ? "INQUIRE by unit" : "INQUIRE by file");
}

// 5. CLOSE, and the bytes of the files no unit holds: every record with its CR LF.
void expect_bytes_on_disk(const Model& m) {
    for (int file = 0; file < NAMED_FILES; ++file) {
        if (unit_on_file(m, file) != NO_VALUE)
            continue;
        bool exists = std::filesystem::exists(names[file]);
        std::string wanted;
        for (const std::string& record : m.files[file].records)
            wanted += record + "\r\n";
        std::ifstream in(names[file], std::ios::binary);
        std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        expect(exists == m.files[file].exists,
               std::string(LEAVES[file]) + (exists ? " is on disk" : " is missing"));
        expect(got == wanted,
               std::string(LEAVES[file]) + " holds \"" + got + "\", not \"" + wanted + "\"");
    }
}

void run_close(Model& m, int unit, std::uint8_t choice) {
    int status = optional(choice, 3);
    lnc::begin_close(UNITS[unit], WITH_IOSTAT);
    if (status != NO_VALUE)
        lnc::close_status(CLOSE_TEXT[status], length_of(CLOSE_TEXT[status]));
    ModelUnit& u = m.units[unit];
    int wanted = status == 2 ? 6301 : !u.connected ? 0 : status == 0 && u.scratch ? 6300 : 0;
    expect_status(lnc::end_close(), wanted, "CLOSE");
    if (wanted == 0 && u.connected)
        close_in_model(m, unit, status == 1);
    expect_bytes_on_disk(m);
}

void run_kind(Model& m, int kind, int unit, std::uint8_t choice, int value, Cursor& in);

void run_statement(Model& m, std::uint8_t op, Cursor& in) {
    int kind = op & 7;
    int unit = op >> 3 & 3;
    auto choice = static_cast<std::uint8_t>(op >> 5);
    // The value of a WRITE is taken even when the statement is left out, so that the bytes
    // after it keep their meaning.
    int value = kind == 1 ? static_cast<std::int8_t>(in.next()) : 0;
    bool transfer = kind == 1 || kind == 2;
    if (transfer && !m.units[unit].connected)
        return;
    // A READ from a file opened for writing only is not made: it does not come back.
    if (kind == 2 && m.units[unit].action == ACTION_WRITE)
        return;
    run_kind(m, kind, unit, choice, value, in);
}

void run_kind(Model& m, int kind, int unit, std::uint8_t choice, int value, Cursor& in) {
    switch (kind) {
    case 0:
        return run_open(m, unit, choice, in);
    case 1:
        return run_write(m, unit, choice, value);
    case 2:
        return run_read(m, unit, choice);
    case 6:
        return run_inquire(m, unit, choice);
    case 7:
        return run_close(m, unit, choice);
    default:
        return run_positioning(m, unit, kind);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    prepare_directory();
    Model model;
    Cursor in{data, size};
    step = 0;
    int code = lnc::fuzz::run_engine(nullptr, 0, lnc::fuzz::Input::Pipe, [&] {
        while (in.at < in.size) {
            ++step;
            run_statement(model, in.next(), in);
        }
    });
    if (code != lnc::fuzz::NOT_EXITED)
        lnc::fuzz::fail("the statements ended the process with exit code " + std::to_string(code) +
                        ": " + lnc::fuzz::standard_error());
    if (!lnc::fuzz::standard_output().empty() || !lnc::fuzz::standard_error().empty())
        lnc::fuzz::fail("the statements wrote to the console: " + lnc::fuzz::standard_error());
    // The exit sequence closed every unit: scratch files went, the others were kept.
    for (int unit = 0; unit < UNIT_COUNT; ++unit) {
        if (model.units[unit].connected)
            close_in_model(model, unit, false);
    }
    step = -1;
    expect_bytes_on_disk(model);
    return 0;
}
