// What the file statements share: the begin call's checks, specifier values taken at their
// calls (keywords, file names), and the end call's run under the statement's unwinding point.
#include <cstring>

#include "errors/errors.h"
#include "io/files/files.h"
#include "io/statement/statement.h"
#include "runtime/handles/handles.h"

namespace lnc {

FileStatement file_statement;

namespace {

struct KeywordTable {
    const char* const* words;
    int count;
};

constexpr const char* STATUS_WORDS[] = {"OLD", "NEW", "SCRATCH", "REPLACE", "UNKNOWN"};
constexpr const char* ACCESS_WORDS[] = {"SEQUENTIAL", "DIRECT"};
constexpr const char* FORM_WORDS[] = {"FORMATTED", "UNFORMATTED"};
constexpr const char* BLANK_WORDS[] = {"NULL", "ZERO"};
constexpr const char* POSITION_WORDS[] = {"ASIS", "REWIND", "APPEND"};
constexpr const char* ACTION_WORDS[] = {"READ", "WRITE", "READWRITE"};
constexpr const char* CLOSE_WORDS[] = {"KEEP", "DELETE"};

// By KeywordList.
constexpr KeywordTable KEYWORD_TABLES[] = {
    {STATUS_WORDS, 5},   {ACCESS_WORDS, 2}, {FORM_WORDS, 2},  {BLANK_WORDS, 2},
    {POSITION_WORDS, 3}, {ACTION_WORDS, 3}, {CLOSE_WORDS, 2},
};

int text_length(const char* text, int length) {
    if (text == nullptr)
        return 0;
    return length < 0 ? static_cast<int>(std::strlen(text)) : length;
}

bool matches(const char* text, int length, const char* keyword) {
    int keyword_length = static_cast<int>(std::strlen(keyword));
    if (length != keyword_length)
        return false;
    for (int i = 0; i < length; ++i) {
        if (to_upper(static_cast<unsigned char>(text[i])) != keyword[i])
            return false;
    }
    return true;
}

// The state a statement inside another one's item calls must leave as it found it.
struct OuterStatement {
    int kind;
    int error_branch;
    int end_branch;
    UnitBlock* unit;
    int unit_entry;
};

OuterStatement save_outer_statement() {
    return {error_state.statement_kind, error_state.error_branch, error_state.end_branch,
            current_unit, current_unit_entry};
}

// A unit the statement released is no longer there to go back to.
void restore_outer_statement(const OuterStatement& outer) {
    error_state.statement_kind = outer.kind;
    error_state.error_branch = outer.error_branch;
    error_state.end_branch = outer.end_branch;
    int entry = outer.unit_entry;
    bool still_there = entry > 0 && entry <= UNIT_ENTRIES && unit_table[entry].block == outer.unit;
    current_unit = still_there ? outer.unit : nullptr;
    current_unit_entry = still_there ? entry : 0;
}

} // namespace

int keyword_code(KeywordList list, const char* text, int length) {
    length = text_length(text, length);
    while (length > 0 && text[length - 1] == ' ')
        --length;
    const KeywordTable& table = KEYWORD_TABLES[list];
    for (int i = 0; i < table.count; ++i) {
        if (matches(text, length, table.words[i]))
            return i;
    }
    return -1;
}

bool copy_file_name(char* out, const char* text, int length) {
    length = text_length(text, length);
    int start = 0;
    while (start < length && text[start] == ' ')
        ++start;
    while (length > start && text[length - 1] == ' ')
        --length;
    int kept = length - start;
    bool fits = kept < NAME_CAPACITY;
    if (!fits)
        kept = NAME_CAPACITY - 1;
    std::memcpy(out, text + start, static_cast<std::size_t>(kept));
    out[kept] = '\0';
    return fits;
}

void set_report_name(const char* name) {
    std::strncpy(error_state.report_name_buffer, name, REPORT_NAME_SIZE - 1);
    error_state.report_name_buffer[REPORT_NAME_SIZE - 1] = '\0';
}

int numbered_entry(std::int32_t unit) {
    for (int entry = 1; entry < ENTRY_CONSOLE; ++entry) {
        if (unit_table[entry].block != nullptr && unit_table[entry].unit == unit)
            return entry;
    }
    return 0;
}

void defer_error(int index) {
    if (file_statement.deferred_error == 0)
        file_statement.deferred_error = index;
}

bool accepts_specifier(int kind) {
    FileStatement& s = file_statement;
    if (!s.active || s.refused)
        return false;
    if (s.kind != kind) {
        defer_error(MSG_LIST_DAMAGED);
        return false;
    }
    return true;
}

// A statement begun inside another file statement's specifier calls is refused: the outer one's
// values would be lost.
int begin_file_statement(int kind, int unit, int flags) {
    FileStatement& s = file_statement;
    bool nested = s.active && !s.refused;
    std::memset(&s, 0, sizeof s);
    s.active = true;
    s.kind = kind;
    s.unit = unit;
    s.error_branch = (flags & 1) != 0;
    s.status = s.access = s.form = s.blank = s.position = s.action = NOT_GIVEN;
    s.recl = NOT_GIVEN;
    error_state.report_name_buffer[0] = '\0';
    int refusal = nested                          ? MSG_NESTING_TOO_DEEP
                  : unit < -32767 || unit > 32767 ? MSG_UNIT_OUT_OF_RANGE
                                                  : 0;
    if (refusal == 0 || (kind == KIND_INQUIRE && refusal == MSG_UNIT_OUT_OF_RANGE))
        return 0;
    s.refused = true;
    s.refused_status = raise_statement_error(refusal, flags);
    return s.refused_status;
}

int run_file_statement(void (*action)()) {
    FileStatement& s = file_statement;
    if (!s.active)
        return 0;
    s.active = false;
    if (s.refused)
        return s.refused_status;
    OuterStatement outer = save_outer_statement();
    int status = 0;
    try {
        error_state.statement_kind = s.kind;
        error_state.error_branch = s.error_branch ? 1 : 0;
        error_state.end_branch = 0;
        current_unit = nullptr;
        current_unit_entry = 0;
        action();
    } catch (const StatementUnwind& unwind) {
        status = unwind.status;
    }
    restore_outer_statement(outer);
    return status;
}

} // namespace lnc
