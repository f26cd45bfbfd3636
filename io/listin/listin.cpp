// The READ interpreters and the list-directed READ driver: statement start and resumption, and
// items taken element by element.
#include "io/listin/listin.h"

#include "errors/errors.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

namespace {

bool is_internal_unit() {
    return current_unit == unit_table[ENTRY_INTERNAL].block;
}

// Runs the statement's driver under the statement's unwinding point.
[[gnu::always_inline]] inline int run_driver(const std::uint8_t* list, bool first) {
    engine.cursor = list;
    engine.argument = nullptr;
    try {
        error_state.statement_kind = KIND_READ;
        if (first) {
            setup_statement();
            raise_format_error();
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

} // namespace

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

void reset_list_read_counters() {
    list_read.repeat_count = 0;
    list_read.token_length = 0;
}

} // namespace lnc
