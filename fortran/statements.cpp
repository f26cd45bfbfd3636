// The statement records of the Fortran front, and the begin, specifier and end calls of data
// transfer on external units: list-directed, formatted and unformatted, on '*' and on numbered
// units. The run-time's begin call of a transfer on an internal file (internal.cpp) is made here
// too.
#include <climits>
#include <cstring>

#include "fortran/front.h"
#include "lncalc/statements.h"
#include "runtime/heap/heap.h"

namespace lnc::fortran {

namespace {

FrontStatement statements[STATEMENT_SLOTS];

// flang gives no routine names with its statements; the traceback names each statement's line.
constexpr char STATEMENT_ROUTINE[] = "_statement";
constexpr char UNKNOWN_FILE[] = "?";

// flang passes the source's full path; reports name the file as its folder-free name, as the
// file was named to the compiler, and fit the report's 79-character names.
const char* file_name(const char* path) {
    if (path == nullptr) {
        return UNKNOWN_FILE;
    }
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/') {
            name = p + 1;
        }
    }
    return name;
}

// flang names '*' by the preconnected numbers; the run-time's own '*' serves the console for
// those, as its units 5 and 6 would, and keeps the statement's bytes those of '*'.
int runtime_unit(int unit, bool is_input) {
    if (program_connected(unit)) {
        return unit;
    }
    if (is_input && unit == FLANG_DEFAULT_INPUT_UNIT) {
        return DEFAULT_UNIT_READ;
    }
    if (!is_input && unit == FLANG_DEFAULT_OUTPUT_UNIT) {
        return DEFAULT_UNIT_WRITE;
    }
    return unit;
}

bool handles_errors(const FrontStatement& statement) {
    return (statement.handlers & (HANDLES_IOSTAT | HANDLES_ERR)) != 0;
}

// The run-time's begin calls refuse a unit number out of their range with a report even when
// the statement handles its errors, unless the flags are -1: the program's IOSTAT= or ERR= then
// gets the status.
constexpr int FLAGS_SILENT = -1;

bool unit_out_of_range(int unit) {
    return unit != DEFAULT_UNIT_READ && unit != DEFAULT_UNIT_WRITE &&
           (unit < -32767 || unit > 32767);
}

// The begin flags of the run-time: a WRITE's bit 0 is its error branch; a READ's bits are end of
// file, end of record and error.
int write_flags(const FrontStatement& statement) {
    return handles_errors(statement) ? FLAGS_SILENT : 0;
}

int read_flags(const FrontStatement& statement) {
    if (handles_errors(statement) && unit_out_of_range(statement.unit)) {
        return FLAGS_SILENT;
    }
    int flags = 0;
    if ((statement.handlers & (HANDLES_IOSTAT | HANDLES_END)) != 0) {
        flags |= 1;
    }
    if ((statement.handlers & (HANDLES_IOSTAT | HANDLES_EOR)) != 0) {
        flags |= 2;
    }
    if (handles_errors(statement)) {
        flags |= 4;
    }
    return flags;
}

// Keyword values are compared as the run-time compares them: any case, trailing blanks dropped.
std::size_t trimmed_length(const char* text, std::size_t length) {
    while (length > 0 && text[length - 1] == ' ') {
        --length;
    }
    return length;
}

// An internal file the run-time refuses at its begin call: no element, or more characters than
// an int counts.
bool internal_file_refused(const FrontStatement& statement) {
    std::int64_t bytes = std::int64_t{statement.internal_length} * statement.internal_count;
    return statement.internal_length <= 0 || statement.internal_count <= 0 || bytes > INT_MAX;
}

// An internal READ has no end-of-record condition: its flags are end of file and error only.
int begin_transfer(const FrontStatement& s) {
    if (s.internal != nullptr) {
        bool silent = handles_errors(s) && internal_file_refused(s);
        return s.is_input ? begin_read_internal(s.internal, s.internal_length, s.internal_count,
                                                s.format, s.format_length,
                                                silent ? FLAGS_SILENT : read_flags(s) & ~2)
                          : begin_write_internal(s.internal, s.internal_length, s.internal_count,
                                                 s.format, s.format_length, write_flags(s));
    }
    if (s.unformatted) {
        return s.is_input ? begin_read_unformatted(s.unit, read_flags(s))
                          : begin_write_unformatted(s.unit, write_flags(s));
    }
    return s.is_input ? begin_read(s.unit, s.format, s.format_length, s.advance, s.advance_length,
                                   nullptr, read_flags(s))
                      : begin_write(s.unit, s.format, s.format_length, s.advance, s.advance_length,
                                    write_flags(s));
}

// The record number must reach the run-time between its begin call and the first item.
int begin_transfer_at_record(const FrontStatement& s) {
    int status = begin_transfer(s);
    if (status == IOSTAT_OK && s.has_record) {
        status = set_record_number(s.record);
    }
    return status;
}

FrontStatement* free_record() {
    for (FrontStatement& statement : statements) {
        if (!statement.in_use) {
            return &statement;
        }
    }
    return nullptr;
}

// The IOMSG= variable receives the message, blank-filled to its length.
void fill_message(const FrontStatement& statement) {
    if (statement.message == nullptr || statement.status == IOSTAT_OK) {
        return;
    }
    char text[256];
    if (statement.refusal != nullptr) {
        refusal_message(statement.refusal, text, static_cast<int>(sizeof text));
    } else {
        status_message(statement.status, text, static_cast<int>(sizeof text));
    }
    std::size_t length = std::strlen(text);
    for (std::size_t i = 0; i < statement.message_length; ++i) {
        statement.message[i] = i < length ? text[i] : ' ';
    }
}

Handle open_unformatted(const char* file, int line, bool is_input, int unit) {
    Handle statement = open_statement(file, line, is_input, unit);
    statement->unformatted = true;
    if (unformatted_swapped) {
        refuse(statement, "the swapped byte order of unformatted records");
    }
    return statement;
}

} // namespace

bool unformatted_swapped = false;

Handle open_statement(const char* file, int line, bool is_input, int unit) {
    FrontStatement* statement = free_record();
    if (statement == nullptr) {
        refuse_statement("an eleventh I/O statement begun inside the items of others", false);
        statement = &statements[STATEMENT_SLOTS - 1]; // reached only while the run-time shuts down
    }
    *statement = FrontStatement{};
    statement->in_use = true;
    statement->is_input = is_input;
    statement->unit = unit;
    statement->site = CallSiteRecord{nullptr, file_name(file), STATEMENT_ROUTINE, line};
    push_call_site(&statement->site);
    return statement;
}

Handle open_file_statement(const char* file, int line, StatementKind kind, int unit) {
    Handle statement = open_statement(file, line, false, unit);
    statement->kind = kind;
    statement->file.name_length = -1;
    for (KeywordValue& keyword : statement->file.keywords) {
        keyword.length = -1;
    }
    statement->file.record_length = -1;
    return statement;
}

int file_flags(const FrontStatement& statement) {
    return handles_errors(statement) ? FLAGS_SILENT : 0;
}

void refuse_value(Handle statement, const char* specifier, const char* value, std::size_t length) {
    constexpr std::size_t SHOWN = 16; // a longer value is shown cut, with "..."
    length = trimmed_length(value, length);
    char* out = statement->what;
    char* end = out + sizeof statement->what - 1;
    auto put = [&](const char* text, std::size_t count) {
        for (std::size_t i = 0; i < count && out < end; ++i) {
            *out++ = text[i];
        }
    };
    put("the value ", 10);
    put(value, length < SHOWN ? length : SHOWN);
    put(length > SHOWN ? "... of " : " of ", length > SHOWN ? 7 : 4);
    put(specifier, std::strlen(specifier));
    *out = '\0';
    refuse(statement, statement->what);
}

void refuse(Handle statement, const char* what) {
    if (statement->refusal == nullptr) {
        statement->refusal = what;
    }
}

bool item_result(Handle statement, int status) {
    if (status != IOSTAT_OK && !statement->failed) {
        statement->failed = true;
        statement->status = status;
    }
    return !statement->failed;
}

bool fail_with_refusal(Handle statement, const char* what) {
    statement->refusal = what;
    return item_result(statement, refuse_statement(what, handles_errors(*statement)));
}

// A file statement is performed whole at its end call: only a refusal begins it earlier.
bool begin_on_runtime(Handle statement) {
    if (statement->begun) {
        return !statement->failed;
    }
    if (statement->refusal != nullptr) {
        statement->begun = true;
        return fail_with_refusal(statement, statement->refusal);
    }
    if (statement->kind != KIND_TRANSFER) {
        return true;
    }
    statement->begun = true;
    statement->on_runtime = true;
    return item_result(statement, begin_transfer_at_record(*statement));
}

// An item the run-time has no code for goes to it as an array of no known type, which fails the
// statement with the run-time's numbered report on the item type.
bool refuse_item(Handle statement) {
    if (!begin_on_runtime(statement)) {
        return false;
    }
    std::int32_t placeholder = 0;
    int status = statement->is_input ? read_item_array(0, &placeholder, 0, 1)
                                     : write_item_array(0, &placeholder, 0, 1);
    return item_result(statement, status);
}

extern "C" {

Handle begin_external_list_output(int unit, const char* file, int line) {
    return open_statement(file, line, false, runtime_unit(unit, false));
}

Handle begin_external_list_input(int unit, const char* file, int line) {
    return open_statement(file, line, true, runtime_unit(unit, true));
}

Handle begin_unformatted_output(int unit, const char* file, int line) {
    return open_unformatted(file, line, false, runtime_unit(unit, false));
}

Handle begin_unformatted_input(int unit, const char* file, int line) {
    return open_unformatted(file, line, true, runtime_unit(unit, true));
}

} // extern "C"

namespace {

// The elements of a character array, first subscript fastest, joined into one text from the
// private heap: the format an array names. Null, with what refused, when the text would pass
// INT_MAX characters or memory runs out.
char* join_elements(const DescriptorHeader& array, std::size_t* length, const char** refused) {
    long long count = element_count(array);
    std::size_t element = array.element_length;
    if (count < 0 || array.rank > MAX_RANK ||
        (element != 0 && static_cast<std::size_t>(count) > INT_MAX / element)) {
        *refused = "a format of more than 2147483647 characters";
        return nullptr;
    }
    *length = static_cast<std::size_t>(count) * element;
    auto* text = static_cast<char*>(allocate(*length));
    if (text == nullptr) {
        *refused = "a format array larger than the memory left";
        return nullptr;
    }
    ElementWalk walk{&array, {}};
    for (long long n = 0; n < count; ++n) {
        std::memcpy(text + n * element, next_element(walk), element);
    }
    return text;
}

} // namespace

// A format given through a descriptor: a character scalar is its text, a character array the
// text of its elements one after another, kept until the statement's end (the run-time's begin
// call compiles it and keeps its own copy by the text).
void take_format(Handle statement, const char* format, std::size_t length,
                 const DescriptorHeader* descriptor) {
    const char* refused = "a format given as an array of another type";
    if (format == nullptr && descriptor != nullptr && descriptor->rank == 0) {
        format = static_cast<const char*>(descriptor->base);
        length = descriptor->element_length;
    } else if (format == nullptr && descriptor != nullptr &&
               descriptor->type == DESCRIPTOR_CHARACTER) {
        statement->format_copy = join_elements(*descriptor, &length, &refused);
        format = statement->format_copy;
    }
    if (format == nullptr || length > INT_MAX) {
        refuse(statement,
               length > INT_MAX ? "a format of more than 2147483647 characters" : refused);
        return;
    }
    statement->format = format;
    statement->format_length = static_cast<int>(length);
}

extern "C" {

Handle begin_external_formatted_output(const char* format, std::size_t format_length,
                                       const DescriptorHeader* format_descriptor, int unit,
                                       const char* file, int line) {
    Handle statement = open_statement(file, line, false, runtime_unit(unit, false));
    take_format(statement, format, format_length, format_descriptor);
    return statement;
}

Handle begin_external_formatted_input(const char* format, std::size_t format_length,
                                      const DescriptorHeader* format_descriptor, int unit,
                                      const char* file, int line) {
    Handle statement = open_statement(file, line, true, runtime_unit(unit, true));
    take_format(statement, format, format_length, format_descriptor);
    return statement;
}

// IOMSG= alone leaves the report on: only IOSTAT=, ERR=, END= and EOR= take conditions over.
void enable_handlers(Handle statement, bool has_iostat, bool has_err, bool has_end, bool has_eor,
                     bool) {
    statement->handlers = (has_iostat ? HANDLES_IOSTAT : 0) | (has_err ? HANDLES_ERR : 0) |
                          (has_end ? HANDLES_END : 0) | (has_eor ? HANDLES_EOR : 0);
}

bool set_advance(Handle statement, const char* text, std::size_t length) {
    if (length > INT_MAX) {
        refuse(statement, "an ADVANCE= text of this length");
        return true;
    }
    statement->advance = text;
    statement->advance_length = static_cast<int>(length);
    return true;
}

// The message is stored at the end call, when the statement's status is known: a WRITE fails
// only when its records are laid out there.
void get_io_msg(Handle statement, char* message, std::size_t length) {
    statement->message = message;
    statement->message_length = length;
}

int end_io_statement(Handle statement) {
    begin_on_runtime(statement);
    if (statement->kind != KIND_TRANSFER && !statement->failed) {
        item_result(statement, perform_file_statement(statement));
    }
    if (statement->on_runtime) {
        int status = statement->is_input ? end_read() : end_write();
        item_result(statement, status);
    }
    fill_message(*statement);
    int status = statement->status;
    pop_call_site();
    release(statement->format_copy);
    statement->in_use = false;
    return status;
}

} // extern "C"

} // namespace lnc::fortran
