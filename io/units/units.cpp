// The unit table: the preconnected console and internal-file units, finding and selecting the
// unit of a statement, closing units and the shutdown of the unit layer.
#include <cstring>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "io/units/units_internal.h"
#include "os/system_errors.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc {

UnitEntry unit_table[UNIT_ENTRIES + 1];
UnitBlock* current_unit;
int current_unit_entry;
int record_remaining;
int implicit_open_index = 1;

void* unit_alloc(int bytes) {
    void* block = bytes >= 0 ? allocate(static_cast<std::size_t>(bytes)) : nullptr;
    if (block == nullptr)
        raise_runtime_error(MSG_NO_MEMORY, KIND_NONE);
    return block;
}

UnitBlock* new_unit_block(int size) {
    auto* block = static_cast<UnitBlock*>(unit_alloc(sizeof(UnitBlock)));
    std::memset(block, 0, sizeof(UnitBlock));
    if (size > 0) {
        block->buffer = static_cast<std::uint8_t*>(allocate(static_cast<std::size_t>(size)));
        if (block->buffer == nullptr) {
            release(block);
            raise_runtime_error(MSG_NO_MEMORY, KIND_NONE);
        }
    }
    block->size = size;
    block->pos = 0;
    block->last = -1;
    block->next_record = 1;
    block->open_action = 2;
    block->open_share = 2;
    return block;
}

char* copy_unit_name(const char* name) {
    std::size_t length = std::strlen(name);
    auto* copy = static_cast<char*>(unit_alloc(static_cast<int>(length + 1)));
    std::memcpy(copy, name, length + 1);
    return copy;
}

// The name, the buffer (unless it is an internal file's variable) and the block itself.
void free_unit_block(UnitBlock* block) {
    if (block == nullptr)
        return;
    if (current_unit == block) {
        current_unit = nullptr;
        current_unit_entry = 0;
    }
    release(block->name);
    if (block != unit_table[ENTRY_INTERNAL].block)
        release(block->buffer);
    release(block);
}

namespace {

UnitBlock* new_console_block() {
    UnitBlock* block = new_unit_block(CONSOLE_BUFFER_SIZE);
    block->name = copy_unit_name("CON");
    block->organisation = ORGANISATION_CONSOLE;
    block->format_flags = CC_CONTROL_CHAR;
    block->handle = 1;
    return block;
}

} // namespace

void init_units() {
    for (UnitEntry& entry : unit_table)
        entry = UnitEntry{FREE_UNIT, nullptr};
    current_unit = nullptr;
    current_unit_entry = 0;
    record_remaining = 0;
    implicit_open_index = 1;
    UnitBlock* internal = new_unit_block(0);
    internal->name = copy_unit_name("internal");
    internal->organisation = ORGANISATION_INTERNAL;
    unit_table[ENTRY_INTERNAL] = UnitEntry{INTERNAL_UNIT, internal};
    allocate_statement_list();
    unit_table[ENTRY_CONSOLE] = UnitEntry{DEFAULT_UNIT, new_console_block()};
    // With a standard handle redirected, output keeps a block of its own, so that input read
    // ahead from a file and output records never share a buffer.
    if (!is_device(0) || !is_device(1)) {
        unit_table[ENTRY_CONSOLE_OUTPUT] = UnitEntry{DEFAULT_UNIT, new_console_block()};
        unit_table[ENTRY_CONSOLE].block->handle = 0;
    }
}

UnitBlock* console_output_block() {
    if (unit_table[ENTRY_CONSOLE_OUTPUT].block != nullptr)
        return unit_table[ENTRY_CONSOLE_OUTPUT].block;
    return unit_table[ENTRY_CONSOLE].block;
}

namespace {

// The console serves '*', units 0, 5 and 6 and units opened on "CON". With one shared block
// its handle follows the direction of the statement. Input on unit 0 reads standard input.
int find_console(Direction direction) {
    bool separate_output = unit_table[ENTRY_CONSOLE_OUTPUT].block != nullptr;
    if (direction == Direction::INPUT) {
        if (!separate_output)
            unit_table[ENTRY_CONSOLE].block->handle = 0;
        return ENTRY_CONSOLE;
    }
    if (separate_output)
        return ENTRY_CONSOLE_OUTPUT;
    unit_table[ENTRY_CONSOLE].block->handle = 1;
    unit_table[ENTRY_CONSOLE].block->pos = 0;
    return ENTRY_CONSOLE;
}

int search_numbered_units(std::int32_t unit) {
    for (int entry = 1; entry <= LAST_NUMBERED_ENTRY; ++entry) {
        if (unit_table[entry].block != nullptr && unit_table[entry].unit == unit)
            return entry;
    }
    return ENTRY_NOT_CONNECTED;
}

} // namespace

Direction statement_direction(int statement_kind) {
    return statement_kind > KIND_WRITE ? Direction::INPUT : Direction::OUTPUT;
}

int find_unit(std::int32_t unit, Direction direction) {
    int result;
    if (unit == INTERNAL_UNIT) {
        result = ENTRY_INTERNAL;
    } else if (unit == DEFAULT_UNIT) {
        result = find_console(direction);
    } else {
        result = search_numbered_units(unit);
        if (result != ENTRY_NOT_CONNECTED) {
            if ((unit_table[result].block->flags & CONSOLE_CONNECTED) != 0)
                result = find_console(direction);
        } else if (unit == 0) {
            result = find_console(direction);
        } else if (unit == 5) {
            result = find_console(Direction::INPUT);
        } else if (unit == 6) {
            result = find_console(Direction::OUTPUT);
        } else {
            return ENTRY_NOT_CONNECTED;
        }
    }
    unit_table[result].block->select_status = 0;
    return result;
}

UnitBlock* select_unit(std::int32_t unit) {
    current_unit = nullptr;
    current_unit_entry = 0;
    int entry = find_unit(unit, statement_direction(error_state.statement_kind));
    if (entry <= UNIT_ENTRIES) {
        current_unit = unit_table[entry].block;
        current_unit_entry = entry;
        return current_unit;
    }
    int kind = error_state.statement_kind;
    if (kind == KIND_CLOSE || kind == KIND_WRITE || kind == KIND_OPEN || kind == KIND_READ ||
        kind == KIND_REWIND)
        return nullptr;
    current_unit = unit_table[ENTRY_INTERNAL].block;
    current_unit_entry = ENTRY_INTERNAL;
    raise_runtime_error(MSG_UNIT_NOT_CONNECTED, kind, unit);
}

void release_unit(UnitBlock* block, int open_errno) {
    free_unit_block(block);
    struct OpenFailure {
        int code;
        int index;
    };
    static constexpr OpenFailure OPEN_FAILURES[] = {
        {os::CODE_NO_ENTRY, MSG_FILE_NOT_FOUND},   {os::CODE_UNIT_TABLE_FULL, MSG_TOO_MANY_UNITS},
        {os::CODE_ACCESS, MSG_FILE_ACCESS_DENIED}, {os::CODE_EXISTS, MSG_FILE_EXISTS},
        {os::CODE_INVALID, MSG_OPEN_FAILED},       {os::CODE_TOO_MANY_OPEN, MSG_TOO_MANY_FILES},
    };
    for (const OpenFailure& failure : OPEN_FAILURES)
        if (failure.code == open_errno)
            raise_runtime_error(failure.index, error_state.statement_kind);
}

namespace {

int effective_disposition(const UnitBlock* block, int disposition) {
    if (disposition == DISPOSITION_DEFAULT)
        disposition = block->close_default;
    if (disposition == 0)
        disposition = (block->flags & SCRATCH) != 0 ? DISPOSITION_DELETE : DISPOSITION_KEEP;
    return disposition;
}

// A record still open is written (unless the file goes anyway); a console line gets its end.
void end_open_record(UnitBlock* block, int disposition) {
    if ((block->flags & LINE_PENDING) == 0)
        return;
    if (disposition != DISPOSITION_DELETE)
        flush_record();
    if (block->organisation == ORGANISATION_CONSOLE) {
        write_handle(output_handle(block), "\r\n", 2);
        block->line_closed = 1;
    }
    block->flags &= ~LINE_PENDING;
}

} // namespace

void close_unit(std::int32_t unit, int disposition) {
    UnitBlock* block = current_unit;
    disposition = effective_disposition(block, disposition);
    end_open_record(block, disposition);
    if (block->handle >= 3) {
        close_handle(block->handle);
        if (disposition == DISPOSITION_KEEP && (block->flags & SCRATCH) != 0)
            raise_runtime_error(MSG_KEEP_SCRATCH, error_state.statement_kind);
        if (disposition == DISPOSITION_DELETE && remove_file(block->name) == -1 &&
            error_code == os::CODE_ACCESS)
            raise_runtime_error(MSG_CANNOT_DELETE, error_state.statement_kind);
    }
    if (unit == DEFAULT_UNIT)
        return;
    for (int entry = 1; entry <= ENTRY_CONSOLE_OUTPUT; ++entry) {
        if (unit_table[entry].block != nullptr && unit_table[entry].unit == unit) {
            UnitBlock* closed = unit_table[entry].block;
            unit_table[entry] = UnitEntry{FREE_UNIT, nullptr};
            release_unit(closed, 0);
            return;
        }
    }
}

namespace {

// Closes one numbered unit at exit. A run-time error here is reported and ends the closing of
// this unit only: the units after it are closed all the same, so that their output is not lost
// with its own.
void close_unit_for_exit(int entry) {
    try {
        error_state.statement_kind = KIND_CLOSE;
        std::int32_t unit = unit_table[entry].unit;
        if (select_unit(unit) != nullptr)
            close_unit(unit, 0);
    } catch (const StatementUnwind&) {
    }
}

// Closes the numbered units and ends a console line left open.
void close_units_for_exit() {
    for (int entry = 1; entry <= LAST_NUMBERED_ENTRY; ++entry) {
        if (unit_table[entry].block != nullptr)
            close_unit_for_exit(entry);
    }
    UnitBlock* console = console_output_block();
    if (console == nullptr)
        return;
    if (unit_table[ENTRY_CONSOLE_OUTPUT].block == nullptr)
        console->handle = 1;
    current_unit = console;
    if ((console->flags & LINE_PENDING) != 0 && console->line_closed == 0)
        write_handle(output_handle(console), "\r\n", 2);
}

} // namespace

void close_all_units() {
    if (error_state.in_shutdown != 0)
        return;
    error_state.in_shutdown = 1;
    close_units_for_exit();
    release_statement_engine();
    for (int entry = ENTRY_CONSOLE; entry <= ENTRY_INTERNAL; ++entry) {
        free_unit_block(unit_table[entry].block);
        unit_table[entry] = UnitEntry{FREE_UNIT, nullptr};
    }
    current_unit = nullptr;
    current_unit_entry = 0;
}

} // namespace lnc
