// The INQUIRE statement, by unit and by file: the variables named by the specifier calls are
// set at the end call from the unit's connection, or from the file system for a file that no
// unit is connected to.
#include <cstring>

#include "errors/errors.h"
#include "io/files/files.h"
#include "os/files.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

// The largest sequential record: what 32-bit file offsets and record lengths can hold.
constexpr std::int32_t LARGEST_SEQUENTIAL_RECORD = INT32_MAX - 8;

// What the statement found out: the unit (or none) and the file behind it.
struct Inquiry {
    bool exists;
    const UnitBlock* block; // null when no unit is connected
    std::int32_t unit;
    bool disk_file; // a file that could be connected for any access and form
    bool device;
};

int target_index(InquireSpecifier which) {
    return static_cast<int>(which);
}

void set_integer(InquireSpecifier which, std::int32_t value) {
    InquireTarget& target = file_statement.targets[target_index(which)];
    if (target.variable != nullptr)
        std::memcpy(target.variable, &value, sizeof value);
}

// Blank-padded, or cut to the variable as a character assignment cuts.
void set_text(InquireSpecifier which, const char* text) {
    InquireTarget& target = file_statement.targets[target_index(which)];
    if (target.variable == nullptr)
        return;
    auto* out = static_cast<char*>(target.variable);
    int length = static_cast<int>(std::strlen(text));
    for (int i = 0; i < target.length; ++i)
        out[i] = i < length ? text[i] : ' ';
}

const char* yes_no(bool yes) {
    return yes ? "YES" : "NO";
}

bool is_direct(const UnitBlock* block) {
    return block->organisation == ORGANISATION_DIRECT ||
           block->organisation == ORGANISATION_FORMATTED_DIRECT;
}

bool is_unformatted(const UnitBlock* block) {
    return block->organisation == ORGANISATION_DIRECT ||
           block->organisation == ORGANISATION_UNFORMATTED;
}

const char* position_of(const UnitBlock* block) {
    if (is_direct(block))
        return "UNDEFINED";
    if (block->organisation == ORGANISATION_CONSOLE)
        return "ASIS";
    std::int32_t position = logical_position(block);
    if (position == 0 && (block->flags & AT_EOF) == 0)
        return "REWIND";
    // A formatted unit that is writing stands after the record it wrote last, at the file's
    // end (its WRITE cut the file there), even while that record is still in its buffer.
    bool writing = block->organisation == ORGANISATION_FILE && (block->flags & LINE_PENDING) != 0;
    if ((block->flags & AT_EOF) != 0 || writing || position == file_size(block->handle))
        return "APPEND";
    return "ASIS";
}

const char* action_of(const UnitBlock* block) {
    static constexpr const char* ACTIONS[] = {"READ", "WRITE", "READWRITE"};
    int action = block->open_action;
    return action >= ACTION_READ && action <= ACTION_READWRITE ? ACTIONS[action] : "READWRITE";
}

// The answers that only a connection has.
void answer_connection(const UnitBlock* block) {
    bool direct = is_direct(block);
    bool formatted = !is_unformatted(block);
    std::int32_t recl = block->organisation == ORGANISATION_FORMATTED_DIRECT
                            ? block->record_length - 2
                            : block->record_length;
    set_integer(INQ_RECL, recl > 0 ? recl : LARGEST_SEQUENTIAL_RECORD);
    if (direct)
        set_integer(INQ_NEXTREC, block->next_record);
    set_text(INQ_ACCESS, direct ? "DIRECT" : "SEQUENTIAL");
    // A connected file allows the access it is connected for only: sequential records are not
    // of one length, and direct records may leave gaps and carry no lengths.
    set_text(INQ_SEQUENTIAL, yes_no(!direct));
    set_text(INQ_DIRECT, yes_no(direct));
    set_text(INQ_FORM, formatted ? "FORMATTED" : "UNFORMATTED");
    set_text(INQ_BLANK, !formatted                                    ? "UNDEFINED"
                        : (block->format_flags & FMT_BLANK_ZERO) != 0 ? "ZERO"
                                                                      : "NULL");
    set_text(INQ_POSITION, position_of(block));
    set_text(INQ_ACTION, action_of(block));
    set_text(INQ_READ, yes_no(block->open_action != ACTION_WRITE));
    set_text(INQ_WRITE, yes_no(block->open_action != ACTION_READ));
    set_text(INQ_READWRITE, yes_no(block->open_action == ACTION_READWRITE));
}

void answer_no_connection() {
    set_integer(INQ_RECL, -1);
    static constexpr InquireSpecifier UNDEFINED[] = {INQ_ACCESS, INQ_FORM, INQ_BLANK, INQ_POSITION,
                                                     INQ_ACTION};
    static constexpr InquireSpecifier UNKNOWN[] = {INQ_READ, INQ_WRITE, INQ_READWRITE};
    for (InquireSpecifier which : UNDEFINED)
        set_text(which, "UNDEFINED");
    for (InquireSpecifier which : UNKNOWN)
        set_text(which, "UNKNOWN");
}

// A name that does not fit its variable is refused: a cut name names another file.
void answer_name(const char* name) {
    const InquireTarget& target = file_statement.targets[INQ_NAME];
    if (target.variable != nullptr && static_cast<int>(std::strlen(name)) > target.length)
        raise_runtime_error(MSG_INQUIRE_RESULT_TOO_LONG, KIND_INQUIRE);
    set_text(INQ_NAME, name);
}

void answer(const Inquiry& inquiry, const char* name) {
    const UnitBlock* block = inquiry.block;
    bool named = name != nullptr;
    if (named)
        answer_name(name);
    set_integer(INQ_EXIST, inquiry.exists ? 1 : 0);
    set_integer(INQ_OPENED, block != nullptr ? 1 : 0);
    set_integer(INQ_NUMBER, block != nullptr ? inquiry.unit : -1);
    set_integer(INQ_NAMED, named ? 1 : 0);
    const char* any = inquiry.disk_file || inquiry.device ? "YES" : "UNKNOWN";
    const char* file_only = inquiry.disk_file ? "YES" : inquiry.device ? "NO" : "UNKNOWN";
    set_text(INQ_SEQUENTIAL, any);
    set_text(INQ_FORMATTED, any);
    set_text(INQ_DIRECT, file_only);
    set_text(INQ_UNFORMATTED, file_only);
    if (block != nullptr)
        answer_connection(block);
    else
        answer_no_connection();
}

// The console serves units 0, 5 and 6 while they are not connected to a file, and any unit
// connected to "CON".
const UnitBlock* unit_block(std::int32_t unit) {
    int entry = numbered_entry(unit);
    if (entry != 0 && (unit_table[entry].block->flags & CONSOLE_CONNECTED) == 0)
        return unit_table[entry].block;
    if (entry != 0 || unit == 0 || unit == 5 || unit == 6)
        return unit_table[ENTRY_CONSOLE].block;
    return nullptr;
}

void inquire_by_unit() {
    FileStatement& s = file_statement;
    Inquiry inquiry = {s.unit >= -32767 && s.unit <= 32767, unit_block(s.unit), s.unit, false,
                       false};
    const UnitBlock* block = inquiry.block;
    if (block != nullptr) {
        set_report_name(block->name);
        inquiry.device = block->organisation == ORGANISATION_CONSOLE;
        inquiry.disk_file = !inquiry.device;
    }
    if (s.deferred_error != 0)
        raise_runtime_error(s.deferred_error, KIND_INQUIRE);
    bool named = block != nullptr && (block->flags & SCRATCH) == 0;
    answer(inquiry, named ? block->name : nullptr);
}

// A directory is no file: no unit can be connected to it.
void inquire_by_file() {
    FileStatement& s = file_statement;
    if (s.deferred_error != 0)
        raise_runtime_error(s.deferred_error, KIND_INQUIRE);
    Inquiry inquiry = {false, nullptr, 0, false, false};
    device_code(s.name, &inquiry.device);
    std::uint32_t attributes = os::file_attributes(s.name);
    bool present = attributes != os::INVALID_ATTRIBUTES;
    inquiry.disk_file = present && (attributes & os::ATTRIBUTE_DIRECTORY) == 0 && !inquiry.device;
    inquiry.exists = inquiry.disk_file || inquiry.device;
    int entry = inquiry.disk_file ? entry_connected_to(s.name, 0)
                : inquiry.device  ? entry_of_device(s.name)
                                  : 0;
    if (entry != 0) {
        inquiry.block = unit_table[entry].block;
        inquiry.unit = unit_table[entry].unit;
    }
    answer(inquiry, s.name);
}

int take_target(InquireSpecifier which, void* variable, int length) {
    if (!accepts_specifier(KIND_INQUIRE))
        return 0;
    file_statement.targets[target_index(which)] = {variable, length < 0 ? 0 : length};
    return 0;
}

} // namespace

int begin_inquire_unit(int unit, int flags) {
    return begin_file_statement(KIND_INQUIRE, unit, flags);
}

int begin_inquire_file(const char* name, int length, int flags) {
    int status = begin_file_statement(KIND_INQUIRE, 0, flags);
    FileStatement& s = file_statement;
    s.name_given = true;
    if (!copy_file_name(s.name, name, length))
        defer_error(MSG_INQUIRE_NAME_TOO_LONG);
    set_report_name(s.name);
    return status;
}

int inquire_exist(std::int32_t* variable) {
    return take_target(INQ_EXIST, variable, 4);
}
int inquire_opened(std::int32_t* variable) {
    return take_target(INQ_OPENED, variable, 4);
}
int inquire_number(std::int32_t* variable) {
    return take_target(INQ_NUMBER, variable, 4);
}
int inquire_named(std::int32_t* variable) {
    return take_target(INQ_NAMED, variable, 4);
}
int inquire_recl(std::int32_t* variable) {
    return take_target(INQ_RECL, variable, 4);
}
int inquire_nextrec(std::int32_t* variable) {
    return take_target(INQ_NEXTREC, variable, 4);
}
int inquire_name(char* variable, int length) {
    return take_target(INQ_NAME, variable, length);
}
int inquire_access(char* variable, int length) {
    return take_target(INQ_ACCESS, variable, length);
}
int inquire_sequential(char* variable, int length) {
    return take_target(INQ_SEQUENTIAL, variable, length);
}
int inquire_direct(char* variable, int length) {
    return take_target(INQ_DIRECT, variable, length);
}
int inquire_form(char* variable, int length) {
    return take_target(INQ_FORM, variable, length);
}
int inquire_formatted(char* variable, int length) {
    return take_target(INQ_FORMATTED, variable, length);
}
int inquire_unformatted(char* variable, int length) {
    return take_target(INQ_UNFORMATTED, variable, length);
}
int inquire_blank(char* variable, int length) {
    return take_target(INQ_BLANK, variable, length);
}
int inquire_position(char* variable, int length) {
    return take_target(INQ_POSITION, variable, length);
}
int inquire_action(char* variable, int length) {
    return take_target(INQ_ACTION, variable, length);
}
int inquire_read(char* variable, int length) {
    return take_target(INQ_READ, variable, length);
}
int inquire_write(char* variable, int length) {
    return take_target(INQ_WRITE, variable, length);
}
int inquire_readwrite(char* variable, int length) {
    return take_target(INQ_READWRITE, variable, length);
}

int end_inquire() {
    return run_file_statement(file_statement.name_given ? inquire_by_file : inquire_by_unit);
}

} // namespace lnc
