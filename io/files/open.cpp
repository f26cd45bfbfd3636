// The OPEN statement: its specifier calls, the checks of their values, and the connection of a
// unit that is free, already connected to the same file (BLANK= changes) or to another one
// (closed first).
#include "errors/errors.h"
#include "io/files/files.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

constexpr int DISPOSITION_FROM_SCRATCH = 0;

// A keyword specifier of OPEN: its value, or the message that refuses it.
int open_keyword(KeywordList list, int* field, int refusal, const char* text, int length) {
    if (!accepts_specifier(KIND_OPEN))
        return 0;
    int code = keyword_code(list, text, length);
    if (code < 0)
        defer_error(refusal);
    else
        *field = code;
    return 0;
}

void check_combination(const FileStatement& s) {
    if (s.deferred_error != 0)
        raise_runtime_error(s.deferred_error, KIND_OPEN);
    if (s.status == STATUS_SCRATCH && s.name_given)
        raise_runtime_error(MSG_NAMED_SCRATCH, KIND_OPEN);
    if (s.access == ACCESS_DIRECT && s.recl == NOT_GIVEN)
        raise_runtime_error(MSG_RECL_REQUIRED, KIND_OPEN);
}

// The RECL= a connection was made with, as OPEN takes it; 0 when none was given.
std::int32_t given_record_length(const UnitBlock* block) {
    if (block->organisation == ORGANISATION_FORMATTED_DIRECT)
        return block->record_length - 2;
    return block->record_length;
}

bool keeps_connection(const FileStatement& s, const UnitBlock* block) {
    bool scratch = (block->flags & SCRATCH) != 0;
    int organisation = block->organisation;
    bool direct =
        organisation == ORGANISATION_DIRECT || organisation == ORGANISATION_FORMATTED_DIRECT;
    bool unformatted =
        organisation == ORGANISATION_DIRECT || organisation == ORGANISATION_UNFORMATTED;
    bool status = s.status == NOT_GIVEN || s.status == STATUS_OLD || s.status == STATUS_UNKNOWN ||
                  (s.status == STATUS_SCRATCH && scratch);
    return status && (s.access == NOT_GIVEN || (s.access == ACCESS_DIRECT) == direct) &&
           (s.form == NOT_GIVEN || (s.form == FORM_UNFORMATTED) == unformatted) &&
           (s.recl == NOT_GIVEN || s.recl == given_record_length(block)) &&
           (s.action == NOT_GIVEN || s.action == block->open_action) &&
           (s.position == NOT_GIVEN || s.position == POSITION_ASIS);
}

// The file named is the unit's own: the same device by name, or the same file by identity.
bool names_connected_file(const FileStatement& s, int entry) {
    const UnitBlock* block = unit_table[entry].block;
    if (!s.name_given)
        return true;
    if ((block->flags & SCRATCH) != 0)
        return false;
    bool device = false;
    device_code(s.name, &device);
    if (device)
        return entry_of_device(s.name) == entry;
    return block->organisation != ORGANISATION_CONSOLE && entry_connected_to(s.name, 0) == entry;
}

// OPEN of a connected unit on its own file may change BLANK= only.
void reopen(const FileStatement& s, UnitBlock* block) {
    if (!keeps_connection(s, block))
        raise_runtime_error(MSG_REOPEN_CHANGES, KIND_OPEN);
    bool formatted = block->organisation != ORGANISATION_DIRECT &&
                     block->organisation != ORGANISATION_UNFORMATTED;
    if (s.blank == BLANK_ZERO && formatted)
        block->format_flags |= FMT_BLANK_ZERO;
    else if (s.blank == BLANK_NULL)
        block->format_flags &= ~FMT_BLANK_ZERO;
}

// A unit connected to another file is closed first, as CLOSE without STATUS= would close it.
void close_previous_connection(std::int32_t unit, int entry) {
    current_unit = unit_table[entry].block;
    current_unit_entry = entry;
    close_unit(unit, DISPOSITION_FROM_SCRATCH);
}

void perform_open() {
    FileStatement& s = file_statement;
    // 1. Values and combinations refused before anything happens to a file.
    check_combination(s);
    // 2. A unit already connected: the same file stays, another one is closed.
    int entry = numbered_entry(s.unit);
    if (entry != 0 && names_connected_file(s, entry)) {
        current_unit = unit_table[entry].block;
        current_unit_entry = entry;
        reopen(s, current_unit);
        return;
    }
    if (entry != 0)
        close_previous_connection(s.unit, entry);
    current_unit = nullptr;
    current_unit_entry = 0;
    // 3. A file without a name (not a scratch file) is named as an implicit open names it.
    if (!s.name_given && s.status != STATUS_SCRATCH) {
        copy_file_name(s.name, obtain_file_name(s.unit), -1);
        set_report_name(s.name);
    }
    // 4. The connection.
    connect_unit(s);
}

} // namespace

// The report of a failure before FILE= names the file a connected unit has.
int begin_open(int unit, int flags) {
    int status = begin_file_statement(KIND_OPEN, unit, flags);
    int entry = status == 0 ? numbered_entry(unit) : 0;
    if (entry != 0)
        set_report_name(unit_table[entry].block->name);
    return status;
}

int open_file_name(const char* name, int length) {
    FileStatement& s = file_statement;
    if (!accepts_specifier(KIND_OPEN))
        return 0;
    s.name_given = true;
    if (!copy_file_name(s.name, name, length))
        defer_error(MSG_FILE_NAME_TOO_LONG);
    else if (s.name[0] == '\0')
        defer_error(MSG_OPEN_FAILED);
    set_report_name(s.name);
    return 0;
}

int open_status(const char* text, int length) {
    return open_keyword(WORDS_STATUS, &file_statement.status, MSG_OPEN_STATUS, text, length);
}
int open_access(const char* text, int length) {
    return open_keyword(WORDS_ACCESS, &file_statement.access, MSG_BAD_ACCESS, text, length);
}
int open_form(const char* text, int length) {
    return open_keyword(WORDS_FORM, &file_statement.form, MSG_BAD_FORM, text, length);
}
int open_blank(const char* text, int length) {
    return open_keyword(WORDS_BLANK, &file_statement.blank, MSG_BAD_BLANK, text, length);
}
int open_position(const char* text, int length) {
    return open_keyword(WORDS_POSITION, &file_statement.position, MSG_BAD_POSITION, text, length);
}
int open_action(const char* text, int length) {
    return open_keyword(WORDS_ACTION, &file_statement.action, MSG_BAD_ACTION, text, length);
}

// A formatted direct-access record also holds its CR LF, so two less than the largest length.
int open_recl(std::int32_t length) {
    if (!accepts_specifier(KIND_OPEN))
        return 0;
    if (length <= 0 || length > INT32_MAX - 2)
        defer_error(MSG_BAD_RECL);
    else
        file_statement.recl = length;
    return 0;
}

int end_open() {
    return run_file_statement(perform_open);
}

} // namespace lnc
