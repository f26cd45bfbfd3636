// The record layer shared by every driver: bytes placed in the current output record by column,
// the record ends of output and input by organisation, and the line a READ settles first.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "io/units/units_internal.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc {

OutputRecord& output_record = engine.output;

namespace {

const std::uint8_t CRLF[2] = {'\r', '\n'};

bool is_non_advancing() {
    return (current_unit->format_flags & FMT_NON_ADVANCING) != 0;
}

// The line end of a formatted direct-access record is being placed: the record's own
// characters are all placed by then. Cleared whenever a record begins.
bool placing_line_end = false;

// The record-size checks of file organisations, made before s bytes are placed. A formatted
// direct-access record holds at most RECL characters before its line end: one more fails the
// statement before anything reaches the file, where it would run into the next record.
void check_record_room(const UnitBlock* b, int s) {
    if (b->organisation == ORGANISATION_FORMATTED_DIRECT) {
        int placed = b->pos - output_record.record_start;
        if (!placing_line_end && placed + s > b->record_length - 2)
            raise_runtime_error(MSG_RECORD_LENGTH_OUTPUT, error_state.statement_kind);
        return;
    }
    if (b->organisation != ORGANISATION_FILE && b->organisation != ORGANISATION_BINARY &&
        b->organisation != ORGANISATION_UNFORMATTED)
        return;
    // The buffer may hold several records, and a record longer than the buffer is written out in
    // parts; a non-advancing statement on a unit with RECL= stays within RECL.
    bool overflow = b->record_length != 0 && is_non_advancing()
                        ? s + b->pos - output_record.statement_start > b->record_length
                        : b->pos + s > b->size;
    if (overflow)
        raise_runtime_error(MSG_END_OF_RECORD_CONDITION, error_state.statement_kind);
}

// The console keeps its whole record in the buffer until the record end, so that a tab can move
// back over any of it: a full buffer doubles. False when the heap has no room for it.
bool grow_console_record(UnitBlock* b) {
    if (b->organisation != ORGANISATION_CONSOLE || b->size <= 0 || b->size > INT32_MAX / 2)
        return false;
    int grown = b->size * 2;
    void* buffer = reallocate(b->buffer, static_cast<std::size_t>(grown));
    if (buffer == nullptr)
        return false;
    b->buffer = static_cast<std::uint8_t*>(buffer);
    b->size = grown;
    b->last = grown - 1;
    return true;
}

// A full buffer that cannot grow is written out as the first part of the record, for
// non-advancing statements too, so that nothing is lost and nothing lands past the buffer.
void write_out_full_buffer(UnitBlock* b) {
    OutputRecord& r = output_record;
    int written = b->pos;
    write_record(b->pos, b->buffer);
    r.statement_start -= written;
    r.record_start -= written;
    r.furthest = 0;
}

} // namespace

void put_field(int count, const std::uint8_t* bytes) {
    OutputRecord& r = output_record;
    UnitBlock* b = current_unit;
    int total = r.pending_blanks + count;
    r.column += total;
    while (total > 0) {
        int room = b->last - b->pos + 1;
        if (room <= 0) {
            if (!grow_console_record(b))
                write_out_full_buffer(b);
            continue;
        }
        int s;
        if (r.pending_blanks > 0) {
            s = std::min(room, r.pending_blanks);
            check_record_room(b, s);
            std::memset(b->buffer + b->pos, ' ', static_cast<std::size_t>(s));
            r.pending_blanks -= s;
        } else {
            s = std::min(room, total);
            check_record_room(b, s);
            std::memcpy(b->buffer + b->pos, bytes, static_cast<std::size_t>(s));
            bytes += s;
        }
        b->pos += s;
        total -= s;
        r.furthest = std::max(r.furthest, b->pos);
        b->flags |= DIRTY;
    }
}

void start_output_record() {
    OutputRecord& r = output_record;
    placing_line_end = false;
    r.column = 0;
    r.record_start = current_unit->pos;
    r.furthest = current_unit->pos;
}

int output_column() {
    const OutputRecord& r = output_record;
    return current_unit->pos + r.pending_blanks - r.record_start;
}

void move_output_column(int column) {
    OutputRecord& r = output_record;
    UnitBlock* b = current_unit;
    // The part of a record already written out cannot be reached again.
    int target = std::max(r.record_start + std::max(column, 0), 0);
    if (target <= r.furthest) {
        b->pos = target;
        r.pending_blanks = 0;
    } else {
        b->pos = r.furthest;
        r.pending_blanks = target - r.furthest;
    }
}

void close_output_columns() {
    OutputRecord& r = output_record;
    current_unit->pos = std::max(current_unit->pos, r.furthest);
    r.pending_blanks = 0;
}

namespace {

// An internal record is filled with blanks. After the variable's last record no record is left
// (last -1): a byte placed there is a write past the variable, refused by write_record; an empty
// record there writes nothing.
void end_internal_record() {
    UnitBlock* b = current_unit;
    if (b->last < 0)
        return;
    if (b->pos <= b->last) {
        std::memset(b->buffer + b->pos, ' ', static_cast<std::size_t>(b->last - b->pos + 1));
        b->pos = b->last + 1;
    }
    if (!next_internal_record(b)) {
        b->last = -1;
        b->pos = 0;
    }
    start_output_record();
}

// The record goes out whole: up to the furthest byte placed, or a lone carriage-control blank
// when nothing was placed.
void end_console_record() {
    UnitBlock* b = current_unit;
    OutputRecord& r = output_record;
    int n = std::max(b->pos, r.furthest);
    if (n == 0 && r.column == 0) {
        r.pending_blanks = 1;
        put_field(0, nullptr);
        n = 1;
    }
    write_record(n, b->buffer);
    b->flags |= LINE_PENDING;
    b->flags &= ~RECORD_STARTED;
    start_output_record();
}

// The record is filled with blanks to RECL characters and ends with CR LF; a later record of
// the statement is the next record of the file.
void end_fixed_record() {
    UnitBlock* b = current_unit;
    OutputRecord& r = output_record;
    if (!is_non_advancing()) {
        close_output_columns();
        int placed = b->pos - r.record_start;
        r.pending_blanks = std::max(0, b->record_length - 2 - placed);
        put_field(0, nullptr);
        placing_line_end = true;
        put_field(2, CRLF);
    }
    write_record(b->pos, b->buffer);
    b->next_record += 1;
    advance_fixed_record();
    start_output_record();
}

void end_file_record() {
    UnitBlock* b = current_unit;
    if (b->edit_code == EDIT_NO_RECORD_END)
        return;
    if (!is_non_advancing() || (b->format_flags & FMT_ALWAYS_CRLF) != 0)
        put_field(2, CRLF);
    start_output_record();
}

} // namespace

const RecordEnd OUTPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS] = {
    end_internal_record, end_console_record, end_fixed_record, end_file_record};

// A column left beyond the record's end by a positioning edit moves pos there before the
// record ends.
void end_output_record() {
    UnitBlock* b = current_unit;
    OutputRecord& r = output_record;
    if (r.position_flag == 1 && r.column > b->column_base)
        b->pos = std::min(b->pos + (r.column - b->column_base), b->last + 1);
    engine.record_end();
}

// ---- Input ----

void settle_pending_line() {
    UnitBlock* b = current_unit;
    if (b->organisation == ORGANISATION_CONSOLE) {
        if ((b->flags & RECORD_STARTED) == 0 && b->line_closed == 0)
            carriage_prefix(' ');
        b->flags &= ~RECORD_STARTED;
        b->last = -1;
        b->pos = 0;
    } else if (b->organisation == ORGANISATION_FILE) {
        flush_record();
    } else {
        b->flags &= ~LINE_PENDING;
    }
}

namespace {

// The buffer's next line feed at or after pos, or -1.
int find_line_feed(const UnitBlock* b) {
    if (b->pos > b->last)
        return -1;
    const std::uint8_t* from = b->buffer + b->pos;
    const void* found = std::memchr(from, LF, static_cast<std::size_t>(b->last - b->pos + 1));
    return found == nullptr
               ? -1
               : b->pos + static_cast<int>(static_cast<const std::uint8_t*>(found) - from);
}

} // namespace

// A fixed-length record that is used up ends the pass too, since nothing more can be read from
// it.
void pass_rest_of_line() {
    UnitBlock* b = current_unit;
    // The bytes already in the buffer are passed here; next_char reads on past them.
    int lf = find_line_feed(b);
    if (lf >= 0) {
        b->pos = lf + 1;
        return;
    }
    b->pos = std::max(b->pos, b->last + 1);
    for (;;) {
        if (b->organisation == ORGANISATION_FORMATTED_DIRECT && b->pos > b->last &&
            record_remaining == 0)
            return;
        if (next_char() == LF)
            return;
    }
}

namespace {

[[noreturn]] void raise_internal_end_of_file() {
    error_state.at_end_of_file = 1;
    raise_runtime_error(MSG_END_OF_FILE, error_state.statement_kind);
}

// A line whose end is not in the buffer yet: the console and files read on until it is.
[[gnu::noinline]] int read_rest_of_line(UnitBlock* b) {
    bool lines = b->organisation == ORGANISATION_CONSOLE || b->organisation == ORGANISATION_FILE;
    int lf = -1;
    while (lf < 0 && lines && read_more_of_record(b))
        lf = find_line_feed(b);
    return lf;
}

// The record of a unit other than an internal file: up to its line end (a CR before it is not
// part of the record), or to the end of what a record of fixed length holds.
[[gnu::noinline]] void load_line_record(UnitBlock* b, int* start, int* end) {
    if (b->pos > b->last) {
        next_char();
        b->pos -= 1;
    }
    int lf = find_line_feed(b);
    if (lf < 0)
        lf = read_rest_of_line(b);
    int text_end = lf < 0 ? b->last + 1 : lf;
    if (text_end > b->pos && b->buffer[text_end - 1] == '\r')
        text_end -= 1;
    *start = b->pos;
    *end = text_end;
}

} // namespace

void load_input_record(int* start, int* end) {
    UnitBlock* b = current_unit;
    if (b->organisation != ORGANISATION_INTERNAL) {
        load_line_record(b, start, end);
        return;
    }
    if (b->pos > b->last)
        raise_internal_end_of_file();
    *start = 0;
    *end = b->last + 1;
}

namespace {

void end_console_input_record() {
    UnitBlock* b = current_unit;
    if (!is_non_advancing()) {
        if (!is_device(0)) {
            pass_rest_of_line();
        } else {
            // A console read delivers one line: a READ that took nothing still takes a line.
            if (b->pos == 0 && b->last < 0)
                next_char();
            b->last = -1;
            b->pos = 0;
        }
    }
    b->line_closed = 0;
    if (!engine.line_left_open)
        b->flags &= ~LINE_PENDING;
}

// The variable's last record, once ended, is used up: what follows reads as blanks.
void end_internal_input_record() {
    UnitBlock* b = current_unit;
    if (!next_internal_record(b))
        b->pos = b->last + 1;
}

void end_fixed_input_record() {
    if (!is_non_advancing()) {
        pass_rest_of_line();
        current_unit->next_record += 1;
        advance_fixed_record();
    }
}

void end_file_input_record() {
    if (!is_non_advancing() && current_unit->edit_code != EDIT_NO_RECORD_END)
        pass_rest_of_line();
}

} // namespace

const RecordEnd INPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS] = {
    end_internal_input_record, end_console_input_record, end_fixed_input_record,
    end_file_input_record};

void end_input_record() {
    engine.record_end();
}

} // namespace lnc
