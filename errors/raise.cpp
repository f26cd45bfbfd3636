// Raising a run-time error: the unit the statement worked on is brought to a readable state, the
// report is written unless the statement handles the condition itself, and the statement's
// per-statement state is cleared before control unwinds to the statement's unwinding point.
#include "errors/errors.h"
#include "io/listin/listin.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"

namespace lnc {
namespace {

// Keeps raise_depth right on every way out of a raise, the unwind and the process end included.
struct RaiseDepth {
    RaiseDepth() { ++error_state.raise_depth; }
    ~RaiseDepth() { --error_state.raise_depth; }
    RaiseDepth(const RaiseDepth&) = delete;
    RaiseDepth& operator=(const RaiseDepth&) = delete;
};

// Kinds below $DEBUG are statements on a unit; the others name no unit.
bool names_a_unit(int kind) {
    return kind >= KIND_UNNAMED && kind < KIND_DEBUG;
}

void copy_report_name(const UnitBlock* block) {
    const char* name = block->name != nullptr ? block->name : "";
    int length = 0;
    while (length < REPORT_NAME_SIZE - 1 && name[length] != '\0') {
        error_state.report_name_buffer[length] = name[length];
        ++length;
    }
    error_state.report_name_buffer[length] = '\0';
}

// A READ with an error branch on a file skips the rest of the failed record, so that the next
// READ on the unit starts with the next record. List-directed input ends its records itself.
void skip_failed_record(UnitBlock* block, int kind) {
    if (error_state.raise_depth == 1 && kind == KIND_READ && error_state.error_branch != 0 &&
        error_state.at_end_of_file == 0 && block->organisation == ORGANISATION_FILE &&
        engine.read_driver != list_directed_read && engine.record_end != nullptr) {
        engine.record_end();
    }
}

void update_unit(UnitBlock* block, int kind, int status) {
    if (error_state.at_end_of_file != 0) {
        block->flags |= AT_EOF;
    }
    if (block->organisation == ORGANISATION_CONSOLE) {
        // The console can be read again after an end of file or a bad line: what is left of the
        // line is dropped unless a separate block holds the console's output.
        if (unit_table[ENTRY_CONSOLE_OUTPUT].block == nullptr) {
            block->pos = 0;
            block->last = -1;
        }
        block->flags &= ~(DIRTY | AT_EOF);
    }
    block->select_status = status;
    skip_failed_record(block, kind);
}

// The one-character input routine answers a character that is no value by itself.
bool silenced_for_single_char_input(int index) {
    return error_state.single_char_input != 0 &&
           (index == MSG_INTEGER_CHARACTER || index == MSG_REAL_SYNTAX ||
            index == MSG_BAD_VALUE_FOR_TYPE);
}

bool should_report(int index, int kind, bool end_of_record) {
    if (kind != KIND_DEBUG) {
        if (silenced_for_single_char_input(index)) {
            return false;
        }
        if (error_state.error_branch != 0) {
            return false;
        }
        if (error_state.at_end_of_file != 0 && error_state.end_branch != 0) {
            return false;
        }
    }
    if (end_of_record && current_unit != nullptr &&
        (error_state.end_branch != 0 || (current_unit->format_flags & FMT_EOR_BRANCH) != 0)) {
        return false;
    }
    return true;
}

void clear_statement_state() {
    error_state.at_end_of_file = 0;
    error_state.end_branch = 0;
    error_state.error_branch = 0;
    system_error = 0;
    reset_list_read_counters();
}

bool is_end_of_record(int index) {
    return index == MSG_END_OF_RECORD_CONDITION || index == MSG_END_OF_RECORD;
}

int message_index(int index) {
    return index == MSG_END_OF_RECORD_CONDITION ? MSG_WRITE_PAST_RECORD : index;
}

// What a raise does once the message has been formatted. Returns the status for kind $DEBUG;
// every other kind unwinds.
int raise_formatted(int index, int kind, const char* message) {
    bool end_of_record = is_end_of_record(index);
    RaiseDepth depth;
    // OPEN has put the file name in the report already; the others show their unit's name.
    UnitBlock* block = names_a_unit(kind) ? current_unit : nullptr;
    if (block != nullptr && kind != KIND_OPEN) {
        copy_report_name(block);
    }
    if (index == MSG_UNWIND_ONLY) {
        throw StatementUnwind{MSG_UNWIND_ONLY};
    }
    // The caller has expanded the message, which set its number.
    int number = 6000 + error_state.error_number;
    int status = end_of_record ? STATUS_END_OF_RECORD : number;
    if (block != nullptr) {
        update_unit(block, kind, status);
    }
    if (should_report(index, kind, end_of_record)) {
        write_error_report(number, message, kind);
    }
    if (end_of_record) {
        error_state.error_number = STATUS_END_OF_RECORD;
    }
    // End of file takes precedence over every other status.
    if (error_state.at_end_of_file != 0) {
        status = STATUS_END_OF_FILE;
    }
    // The branches and the end-of-file mark belong to this statement; the next one sets its own.
    clear_statement_state();
    if (kind != KIND_DEBUG) {
        throw StatementUnwind{status};
    }
    return status;
}

} // namespace

void raise_runtime_error(int index, int kind, ...) {
    char message[MESSAGE_BUFFER_SIZE];
    message[0] = '\0';
    if (index != MSG_UNWIND_ONLY) {
        std::va_list arguments;
        va_start(arguments, kind);
        format_message(message, MESSAGE_BUFFER_SIZE, expand_message(message_index(index)),
                       arguments);
        va_end(arguments);
    }
    int status = raise_formatted(index, kind, message);
    // Only kind $DEBUG comes back here; this entry never returns, so it unwinds all the same.
    throw StatementUnwind{status};
}

int raise_check_error(int index, ...) {
    char message[MESSAGE_BUFFER_SIZE];
    message[0] = '\0';
    if (index != MSG_UNWIND_ONLY) {
        std::va_list arguments;
        va_start(arguments, index);
        format_message(message, MESSAGE_BUFFER_SIZE, expand_message(message_index(index)),
                       arguments);
        va_end(arguments);
    }
    return raise_formatted(index, KIND_DEBUG, message);
}

int raise_statement_error(int index, int flags) {
    try {
        // Silent flags stand for an error branch; otherwise the statement under way decides.
        if (flags == FLAGS_SILENT) {
            error_state.error_branch = 1;
        }
        raise_runtime_error(index, KIND_NONE);
    } catch (const StatementUnwind& unwind) {
        return unwind.status;
    }
}

} // namespace lnc
