// Records of the current unit: writing them with carriage control, flushing, the writing state,
// refilling the buffer for input, fixed-length positioning and the handle calls of the layer.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "io/units/units_internal.h"
#include "os/system_errors.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

// Text mode comes back after the transfer without disturbing the transfer's error words.
void restore_text_mode(int handle, int previous) {
    if (previous != MODE_TEXT)
        return;
    int saved_code = error_code;
    std::uint32_t saved_system = system_error;
    set_mode(handle, MODE_TEXT);
    error_code = saved_code;
    system_error = saved_system;
}

} // namespace

// The standard handles are in binary mode for each transfer: the engine supplies every CR LF
// of the console itself and reads typed lines with their CR LF untouched.
int write_handle(int handle, const void* bytes, int length) {
    int previous = handle >= 0 && handle <= 2 ? set_mode(handle, MODE_BINARY) : -1;
    int written = write_bytes(handle, bytes, length);
    restore_text_mode(handle, previous);
    return written;
}

int read_handle(int handle, void* bytes, int length) {
    int previous = handle >= 0 && handle <= 2 ? set_mode(handle, MODE_BINARY) : -1;
    int got = read_bytes(handle, bytes, length);
    restore_text_mode(handle, previous);
    return got;
}

void check_write_failure() {
    if (error_code == os::CODE_NO_SPACE)
        raise_runtime_error(MSG_DISK_FULL, error_state.statement_kind);
    if (system_error == os::SYS_ACCESS_DENIED || system_error == os::SYS_LOCK_VIOLATION)
        raise_runtime_error(MSG_WRITE_REFUSED, error_state.statement_kind);
}

namespace {

void write_checked(int handle, const void* bytes, int length) {
    if (length <= 0)
        return;
    if (write_handle(handle, bytes, length) != length)
        check_write_failure();
}

// What a record's control character writes before it: a record starting a line after an open
// one ends that line first.
struct Prefix {
    const char* text;
    int length;
};

Prefix prefix_of(int control) {
    switch (control) {
    case '+':
        return {"\r", 1};
    case '0':
        return {"\r\n\r\n", 4};
    case '1':
        return {"\r\n\f\r \r", 6};
    default:
        return {"\r\n", 2};
    }
}

// Console carriage control: the first byte of a record is its control character, not printed.
// Returns how many leading bytes of the record are not to be printed; *prefix is what goes
// before the record (nothing when its length is 0).
int apply_carriage_control(UnitBlock* block, int length, const std::uint8_t* bytes,
                           Prefix* prefix) {
    *prefix = {nullptr, 0};
    if ((block->flags & RECORD_STARTED) != 0)
        return 0;
    bool line_open = (block->flags & LINE_PENDING) != 0;
    if ((block->format_flags & CC_NONE) != 0) {
        if (line_open)
            *prefix = prefix_of(' ');
        return 0;
    }
    int control = length > 0 ? bytes[0] : ' ';
    if (line_open && block->line_closed == 0)
        *prefix = prefix_of(control);
    else if (control == '1' || control == '+')
        *prefix = prefix_of(control);
    else if (control == '0')
        *prefix = prefix_of(' ');
    // The line ended by a close serves this record only: a later record of the same statement
    // (a wrapped one) owes its line end again.
    block->line_closed = 0;
    return length > 0 ? 1 : 0;
}

// Fixed-length records: the part of the record that the buffer holds.
void take_record_part(UnitBlock* block) {
    block->last = std::min(block->size, record_remaining) - 1;
    record_remaining -= block->last + 1;
}

// The record is out of the buffer (its bytes handed to the handle or about to be).
void mark_record_written(UnitBlock* block) {
    if (block->organisation == ORGANISATION_CONSOLE)
        block->flags |= RECORD_STARTED;
    block->pos = 0;
    block->flags &= ~DIRTY;
}

constexpr int JOINED_SIZE = 512;

// The line end a record owes and the record go out in one write when they fit the joining
// buffer: one system call per console record instead of two. A failure is met as the two writes
// would meet it: within the line end, before the record counts as written (and the record is
// then still offered to the handle when the failure raises nothing); within the record, after.
void write_prefixed(UnitBlock* block, Prefix prefix, const std::uint8_t* record, int length) {
    int handle = output_handle(block);
    int total = prefix.length + length;
    if (prefix.length == 0 || length <= 0 || total > JOINED_SIZE) {
        write_checked(handle, prefix.text, prefix.length);
        mark_record_written(block);
        write_checked(handle, record, length);
        return;
    }
    std::uint8_t joined[JOINED_SIZE];
    std::memcpy(joined, prefix.text, static_cast<std::size_t>(prefix.length));
    std::memcpy(joined + prefix.length, record, static_cast<std::size_t>(length));
    int written = write_handle(handle, joined, total);
    if (written == total) {
        mark_record_written(block);
        return;
    }
    if (written < prefix.length) {
        check_write_failure();
        mark_record_written(block);
        write_checked(handle, record, length);
        return;
    }
    mark_record_written(block);
    check_write_failure();
}

} // namespace

void carriage_prefix(int control) {
    Prefix prefix = prefix_of(control);
    write_checked(output_handle(current_unit), prefix.text, prefix.length);
}

void write_record(int length, const std::uint8_t* bytes) {
    UnitBlock* block = current_unit;
    int skipped = 0;
    Prefix prefix = {nullptr, 0};
    switch (block->organisation) {
    case ORGANISATION_INTERNAL:
        raise_runtime_error(MSG_INTERNAL_WRITE, error_state.statement_kind);
    case ORGANISATION_CONSOLE:
        skipped = apply_carriage_control(block, length, bytes, &prefix);
        break;
    case ORGANISATION_FORMATTED_DIRECT:
    case ORGANISATION_FIXED:
        if (block->last < 0)
            raise_runtime_error(MSG_WRITE_PAST_RECORD, error_state.statement_kind);
        take_record_part(block);
        break;
    case ORGANISATION_DIRECT:
        if (record_remaining == 0) {
            record_remaining = block->record_length;
            block->next_record++;
        }
        take_record_part(block);
        break;
    default:
        break;
    }
    write_prefixed(block, prefix, bytes + skipped, length - skipped);
    block->transferred += length;
}

// An unformatted unit holds nothing between records (its statements write whole records), so
// only formatted records are ever pending here. A formatted direct-access record is written
// whole at its record end: what a statement that failed left of one is dropped, never written
// where the file happens to be.
void flush_record() {
    UnitBlock* block = current_unit;
    int kept = block->pos;
    if ((block->flags & DIRTY) != 0 && block->organisation == ORGANISATION_FORMATTED_DIRECT) {
        block->pos = 0;
        block->flags &= ~DIRTY;
    } else if ((block->flags & DIRTY) != 0) {
        write_record(block->pos, block->buffer);
        if (error_state.statement_kind != KIND_REWIND) {
            block->last = kept - 1;
            block->pos = kept;
        }
    }
    block->flags &= ~LINE_PENDING;
}

void start_writing() {
    UnitBlock* block = current_unit;
    std::int32_t position = (block->flags & LINE_PENDING) != 0
                                ? block->transferred + block->pos
                                : block->transferred - (block->last + 1) + block->pos;
    block->flags |= LINE_PENDING;
    if (change_size(block->handle, position) == -1)
        check_write_failure();
    if (block->transferred != 0) {
        std::int32_t offset = seek(block->handle, -block->pos, 2);
        if (offset != -1)
            block->transferred = offset;
    }
}

namespace {

// How much one refill may read: a whole buffer, or what is left of a fixed-length record.
// Returns -1 when a fixed-length record is used up (the caller then delivers a blank).
int refill_limit(UnitBlock* block) {
    switch (block->organisation) {
    case ORGANISATION_FORMATTED_DIRECT:
        if (record_remaining == 0)
            return -1;
        break;
    case ORGANISATION_DIRECT:
        if (record_remaining == 0) {
            record_remaining = block->record_length;
            block->next_record++;
        }
        break;
    case ORGANISATION_FIXED:
        break;
    case ORGANISATION_CONSOLE:
        // The console's buffer may have grown for a long output record; a typed line is still
        // read into the first 132 bytes.
        return std::min(block->size, CONSOLE_BUFFER_SIZE);
    default:
        return block->size;
    }
    int limit = std::min(block->size, record_remaining);
    record_remaining -= limit;
    return limit;
}

[[noreturn]] void raise_end_of_file(UnitBlock* block) {
    block->flags |= AT_EOF;
    error_state.at_end_of_file = 1;
    raise_runtime_error(MSG_END_OF_FILE, error_state.statement_kind);
}

// A direct-access record must be in the file whole, and a formatted one ends with its line end
// (a record never written reads as nothing, or as the zeros of a gap the system filled).
void check_direct_record(UnitBlock* block, int n, int limit) {
    bool direct = block->organisation == ORGANISATION_FORMATTED_DIRECT ||
                  block->organisation == ORGANISATION_DIRECT;
    if (!direct)
        return;
    bool whole = n == limit;
    if (whole && block->organisation == ORGANISATION_FORMATTED_DIRECT && record_remaining == 0)
        whole = block->buffer[n - 1] == '\n';
    if (!whole)
        raise_runtime_error(MSG_RECORD_NOT_WRITTEN, error_state.statement_kind);
}

// Fills the buffer from the handle. A console read is one typed line with its CR LF.
// Reads the next part of the input into the buffer: the count read, 0 at the end of the input.
int fill_record(UnitBlock* block, int limit) {
    int n = read_handle(block->handle, block->buffer, limit);
    if (n > 0)
        block->transferred += n;
    block->pos = 0;
    block->last = n - 1;
    if (n < 0)
        raise_runtime_error(MSG_READ_FAILED, error_state.statement_kind);
    check_direct_record(block, n, limit);
    if (n == 0)
        return 0;
    // A last line without its line end is given one.
    if (n < limit && block->buffer[n - 1] != '\n' && block->organisation <= ORGANISATION_FILE)
        block->buffer[++block->last] = '\n';
    if (block->organisation != ORGANISATION_CONSOLE)
        return n;
    if (n == limit && block->buffer[n - 1] != '\n' && is_device(0))
        raise_runtime_error(MSG_CONSOLE_LINE_TOO_LONG, error_state.statement_kind);
    // Ctrl-Z typed alone on a line is the console's end of file.
    if (n > 2 && block->buffer[n - 3] == CTRL_Z)
        raise_end_of_file(block);
    return n;
}

void refill_record(UnitBlock* block, int limit) {
    if (fill_record(block, limit) == 0)
        raise_end_of_file(block);
}

} // namespace

bool input_used_up(UnitBlock* block) {
    return block->pos > block->last && fill_record(block, refill_limit(block)) == 0;
}

// A line that did not fit what was read: the unread part moves to the front of the buffer and
// more is read after it. False when the buffer is full with no line end in it.
bool read_more_of_record(UnitBlock* block) {
    int kept = block->last - block->pos + 1;
    int limit = block->organisation == ORGANISATION_CONSOLE
                    ? std::min(block->size, CONSOLE_BUFFER_SIZE)
                    : block->size;
    if (kept >= limit)
        return false;
    if (kept > 0 && block->pos > 0)
        std::memmove(block->buffer, block->buffer + block->pos, static_cast<std::size_t>(kept));
    block->pos = 0;
    block->last = kept - 1;
    int n = read_handle(block->handle, block->buffer + kept, limit - kept);
    if (n < 0)
        raise_runtime_error(MSG_READ_FAILED, error_state.statement_kind);
    block->transferred += n;
    block->last += n;
    // The file's last line is given the line end it lacks.
    if (n < limit - kept && (block->last < 0 || block->buffer[block->last] != '\n'))
        block->buffer[++block->last] = '\n';
    return true;
}

std::uint8_t next_char() {
    UnitBlock* block = current_unit;
    if (block->pos > block->last) {
        if (block->organisation == ORGANISATION_INTERNAL)
            return ' ';
        int limit = refill_limit(block);
        if (limit < 0)
            return ' ';
        refill_record(block, limit);
    }
    return block->buffer[block->pos++];
}

// The size follows the buffer start, so that the variable's last record is its last.
bool next_internal_record(UnitBlock* block) {
    if (block->record_length <= 0 || block->last + block->record_length >= block->size)
        return false;
    block->buffer += block->record_length;
    block->size -= block->record_length;
    block->pos = 0;
    return true;
}

// A record end of formatted direct access goes on to the next record, as if its number had been
// given: a whole record's bytes are ready for output, none for input. The file is already there
// unless an input record was left early.
void advance_fixed_record() {
    UnitBlock* block = current_unit;
    record_remaining = block->record_length;
    if (error_state.statement_kind == KIND_WRITE) {
        take_record_part(block);
    } else {
        block->pos = 0;
        block->last = -1;
    }
    std::int64_t offset = (std::int64_t{block->next_record} - 1) * block->record_length;
    if (block->transferred != offset && offset <= INT32_MAX) {
        std::int32_t reached = seek(block->handle, static_cast<std::int32_t>(offset), 0);
        if (reached != -1)
            block->transferred = reached;
    }
}

void position_record(std::int32_t record_number) {
    UnitBlock* block = current_unit;
    record_remaining = block->record_length;
    if (error_state.statement_kind == KIND_WRITE)
        take_record_part(block);
    if (record_number == NO_RECORD_NUMBER)
        return;
    std::int64_t offset = (std::int64_t{record_number} - 1) * block->record_length;
    // A record the handle layer's 32-bit offsets cannot reach is as bad as one before the first.
    if (record_number <= 0 || offset > INT32_MAX)
        raise_runtime_error(MSG_BAD_RECORD_NUMBER, error_state.statement_kind, record_number);
    block->next_record = record_number;
    if (block->transferred != offset) {
        std::int32_t reached = seek(block->handle, static_cast<std::int32_t>(offset), 0);
        if (reached != -1)
            block->transferred = reached;
    }
}

} // namespace lnc
