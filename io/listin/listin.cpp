// The READ interpreters and the list-directed READ driver: statement start and resumption,
// items taken element by element, and the record end of a READ by unit organisation.
#include "io/listin/listin.h"

#include "errors/errors.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

constexpr std::uint8_t LF = '\n';

bool is_internal_unit() {
    return current_unit == unit_table[ENTRY_INTERNAL].block;
}

bool is_non_advancing() {
    return (current_unit->format_flags & FMT_NON_ADVANCING) != 0;
}

// A console line left open by output is ended before the READ waits for input.
void settle_output_line() {
    UnitBlock* b = current_unit;
    if ((b->flags & LINE_PENDING) == 0) {
        return;
    }
    if (b->organisation == ORGANISATION_CONSOLE) {
        if ((b->flags & RECORD_STARTED) == 0 && b->line_closed == 0) {
            carriage_prefix(' ');
        }
        b->flags &= ~RECORD_STARTED;
        b->last = -1;
        b->pos = 0;
    } else if (b->organisation == ORGANISATION_FILE) {
        flush_record();
    } else {
        b->flags &= ~LINE_PENDING;
    }
}

// Runs the statement's driver under the statement's unwinding point.
int run_driver(const std::uint8_t* list, bool first) {
    engine.cursor = list;
    engine.argument = nullptr;
    try {
        error_state.statement_kind = KIND_READ;
        if (first) {
            setup_statement();
            if (!is_internal_unit()) {
                settle_output_line();
            }
        }
        engine.read_driver(first);
        return 0;
    } catch (const StatementUnwind& unwind) {
        engine.read_status = unwind.status;
        return unwind.status;
    }
}

// Passes the rest of a record up to and including its LF. A fixed-length record that is used
// up ends the pass too, since nothing more can be read from it.
void pass_rest_of_line() {
    UnitBlock* b = current_unit;
    for (;;) {
        if (b->organisation == ORGANISATION_FORMATTED_DIRECT && b->pos > b->last &&
            record_remaining == 0) {
            return;
        }
        if (next_char() == LF) {
            return;
        }
    }
}

void end_console_input_record() {
    UnitBlock* b = current_unit;
    if (!is_non_advancing()) {
        if (!is_device(0)) {
            pass_rest_of_line();
        } else {
            // A console read delivers one line: a READ that took nothing still takes a line.
            if (b->pos == 0 && b->last < 0) {
                next_char();
            }
            b->last = -1;
            b->pos = 0;
        }
    }
    b->line_closed = 0;
    b->flags &= ~LINE_PENDING;
}

void end_internal_input_record() {
    next_internal_record(current_unit);
}

void end_fixed_input_record() {
    if (!is_non_advancing()) {
        pass_rest_of_line();
        current_unit->next_record += 1;
    }
}

void end_file_input_record() {
    if (!is_non_advancing() && current_unit->edit_code != EDIT_NO_RECORD_END) {
        pass_rest_of_line();
    }
}

} // namespace

const RecordEnd INPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS] = {
    end_internal_input_record, end_console_input_record, end_fixed_input_record,
    end_file_input_record};

int execute_read(const std::uint8_t* list) {
    engine.read_status = 0;
    return run_driver(list, true);
}

int resume_read(const std::uint8_t* list) {
    if (engine.read_status != 0) {
        return engine.read_status;
    }
    return run_driver(list, false);
}

void list_directed_read(bool first) {
    ListReadState& s = list_read;
    if (first) {
        s.line_consumed = false;
        s.last_separator = ',';
        s.repeat_count = 0;
        current_unit->implied_decimals = 0;
        current_unit->scale_factor = 0;
        current_unit->edit_code = EDIT_LIST_INPUT;
    }
    for (;;) {
        std::uint8_t byte = *engine.cursor;
        if (byte == LIST_SUSPEND) {
            return;
        }
        if (byte == LIST_END) {
            break;
        }
        fetch_item();
        int stride = element_stride(current_item);
        for (int i = 0; i < current_item.count; ++i) {
            if (s.last_separator == '/' && s.repeat_count == 0) {
                break;
            }
            read_list_value();
            current_item.data += stride;
        }
    }
    if (!s.line_consumed) {
        end_input_record();
    }
}

// The record end of the READ under way: the routine of its unit's organisation, which the
// interpreter took from INPUT_RECORD_ENDS.
void end_input_record() {
    engine.record_end();
}

void reset_list_read_counters() {
    list_read.repeat_count = 0;
    list_read.token_length = 0;
}

} // namespace lnc
