// The file statements of the Fortran front: OPEN (with UNIT= or NEWUNIT=), CLOSE, REWIND,
// BACKSPACE, ENDFILE, FLUSH and INQUIRE (by unit or by file) on the run-time's file statements.
//
// flang names the specifiers after its begin call, one call each, and tests the result of each
// before the next; the run-time takes them between its own begin and end calls. The front copies
// them into the statement record and performs the whole statement at flang's end call, so that
// nothing the program computes between two specifier calls (a function that performs I/O of its
// own) comes between the run-time's calls. INQUIRE's questions are answered at their calls
// (inquire.cpp).
#include <cstring>

#include "fortran/front.h"
#include "lncalc/files.h"

namespace lnc::fortran {

namespace {

// flang's 5 and 6, while the program's own OPEN has them connected.
bool connected_by_program[2];

int connection_slot(int unit) {
    return unit == FLANG_DEFAULT_INPUT_UNIT ? 0 : unit == FLANG_DEFAULT_OUTPUT_UNIT ? 1 : -1;
}

void note_connection(int unit, bool connected) {
    int slot = connection_slot(unit);
    if (slot >= 0) {
        connected_by_program[slot] = connected;
    }
}

} // namespace

bool store_integer(void* variable, int kind, std::int64_t value) {
    switch (kind) {
    case 1:
        if (value < INT8_MIN || value > INT8_MAX) {
            return false;
        }
        *static_cast<std::int8_t*>(variable) = static_cast<std::int8_t>(value);
        return true;
    case 2:
        if (value < INT16_MIN || value > INT16_MAX) {
            return false;
        }
        *static_cast<std::int16_t*>(variable) = static_cast<std::int16_t>(value);
        return true;
    case 4:
        if (value < INT32_MIN || value > INT32_MAX) {
            return false;
        }
        *static_cast<std::int32_t*>(variable) = static_cast<std::int32_t>(value);
        return true;
    case 8:
        *static_cast<std::int64_t*>(variable) = value;
        return true;
    default:
        return false;
    }
}

namespace {

// NEWUNIT= numbers are negative, as the language gives them, so that none of them is a number
// the program chooses for itself: the first one from -10 down that no unit has. The run-time
// holds at most 61 numbered units, so the search is short.
constexpr int FIRST_NEW_UNIT = -10;
constexpr int LAST_UNIT = -32767;

bool choose_new_unit(Handle statement) {
    statement->file.unit_chosen = true;
    for (int unit = FIRST_NEW_UNIT; unit >= LAST_UNIT; --unit) {
        std::int32_t opened = 1;
        lnc::begin_inquire_unit(unit, -1);
        lnc::inquire_opened(&opened);
        if (lnc::end_inquire() == IOSTAT_OK && opened == 0) {
            statement->unit = unit;
            return true;
        }
    }
    return fail_with_refusal(statement, "a NEWUNIT= number while every unit number is in use");
}

using KeywordCall = int (*)(const char*, int);

// By FileKeyword.
constexpr KeywordCall OPEN_KEYWORD_CALLS[FILE_KEYWORDS] = {
    lnc::open_status, lnc::open_access,   lnc::open_form,
    lnc::open_blank,  lnc::open_position, lnc::open_action,
};

int perform_open(Handle statement) {
    const FileSpecifiers& file = statement->file;
    if (file.new_unit && !file.unit_chosen && !choose_new_unit(statement)) {
        return statement->status;
    }
    lnc::begin_open(statement->unit, file_flags(*statement));
    if (file.name_length >= 0) {
        lnc::open_file_name(file.name, file.name_length);
    }
    for (int keyword = 0; keyword < FILE_KEYWORDS; ++keyword) {
        const KeywordValue& value = file.keywords[keyword];
        if (value.length >= 0) {
            OPEN_KEYWORD_CALLS[keyword](value.text, value.length);
        }
    }
    if (file.record_length >= 0) {
        lnc::open_recl(static_cast<std::int32_t>(file.record_length));
    }
    int status = lnc::end_open();
    note_connection(statement->unit, status == IOSTAT_OK);
    return status;
}

// CLOSE disconnects the unit even when writing its last records fails.
int perform_close(Handle statement) {
    lnc::begin_close(statement->unit, file_flags(*statement));
    const KeywordValue& status = statement->file.keywords[KEYWORD_STATUS];
    if (status.length >= 0) {
        lnc::close_status(status.text, status.length);
    }
    note_connection(statement->unit, false);
    return lnc::end_close();
}

} // namespace

bool program_connected(int unit) {
    int slot = connection_slot(unit);
    return slot >= 0 && connected_by_program[slot];
}

void copy_file_name(FileSpecifiers& file, const char* name, std::size_t length) {
    std::size_t start = 0;
    while (start < length && name[start] == ' ') {
        ++start;
    }
    while (length > start && name[length - 1] == ' ') {
        --length;
    }
    std::size_t kept = length - start < FILE_NAME_COPY ? length - start : FILE_NAME_COPY;
    std::memcpy(file.name, name + start, kept);
    file.name_length = static_cast<int>(kept);
}

void copy_keyword(KeywordValue& keyword, const char* text, std::size_t length) {
    while (length > 0 && text[length - 1] == ' ') {
        --length;
    }
    std::size_t kept = length < KEYWORD_COPY ? length : KEYWORD_COPY;
    std::memcpy(keyword.text, text, kept);
    keyword.length = static_cast<int>(kept);
}

int perform_file_statement(Handle statement) {
    int unit = statement->unit;
    int flags = file_flags(*statement);
    switch (statement->kind) {
    case KIND_OPEN:
        return perform_open(statement);
    case KIND_CLOSE:
        return perform_close(statement);
    case KIND_INQUIRE_UNIT:
    case KIND_INQUIRE_FILE:
        // An INQUIRE without questions still has its unit or file checked.
        if (!statement->file.inquired) {
            begin_inquiry(statement);
            return lnc::end_inquire();
        }
        return IOSTAT_OK;
    case KIND_REWIND:
        lnc::begin_rewind(unit, flags);
        return lnc::end_rewind();
    case KIND_BACKSPACE:
        lnc::begin_backspace(unit, flags);
        return lnc::end_backspace();
    case KIND_ENDFILE:
        lnc::begin_endfile(unit, flags);
        return lnc::end_endfile();
    case KIND_FLUSH:
        lnc::begin_flush(unit, flags);
        return lnc::end_flush();
    default:
        return IOSTAT_OK;
    }
}

extern "C" {

Handle begin_open_unit(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_OPEN, unit);
}

Handle begin_open_new_unit(const char* file, int line) {
    Handle statement = open_file_statement(file, line, KIND_OPEN, 0);
    statement->file.new_unit = true;
    return statement;
}

// flang asks for the number after the specifiers and before the end call: the unit is chosen
// here and opened by the end call.
bool get_new_unit(Handle statement, int& unit, int kind) {
    if (!begin_on_runtime(statement) || !statement->file.new_unit) {
        return false;
    }
    if (!statement->file.unit_chosen && !choose_new_unit(statement)) {
        return false;
    }
    if (!store_integer(&unit, kind, statement->unit)) {
        return fail_with_refusal(statement, "a NEWUNIT= variable of this kind");
    }
    return true;
}

Handle begin_close(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_CLOSE, unit);
}

Handle begin_rewind(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_REWIND, unit);
}

Handle begin_backspace(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_BACKSPACE, unit);
}

Handle begin_endfile(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_ENDFILE, unit);
}

Handle begin_flush(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_FLUSH, unit);
}

Handle begin_inquire_unit(int unit, const char* file, int line) {
    return open_file_statement(file, line, KIND_INQUIRE_UNIT, unit);
}

Handle begin_inquire_file(const char* name, std::size_t length, const char* file, int line) {
    Handle statement = open_file_statement(file, line, KIND_INQUIRE_FILE, 0);
    copy_file_name(statement->file, name, length);
    return statement;
}

} // extern "C"

} // namespace lnc::fortran
