// The statement interpreter: decoding a StatementList (header, unit, format item, items), the
// set-up shared by WRITE and READ, the driver tables and the WRITE interpreter.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/files/files.h"
#include "io/listin/listin.h"
#include "io/listout/listout.h"
#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"
#include "io/units/units.h"
#include "runtime/heap/heap.h"

namespace lnc {

namespace {

// Drivers by statement mode; the record-end routines by organisation are the drivers' own. The
// formatted and unformatted drivers are put in by the begin calls of those statements, the only
// ones whose lists select them, so that a program that makes none links neither.
WriteDriver write_drivers[STATEMENT_MODES] = {list_directed_write, nullptr, namelist_write,
                                              nullptr};
ReadDriver read_drivers[STATEMENT_MODES] = {list_directed_read, nullptr, namelist_read, nullptr};

// Low byte first, taken at once rather than byte by byte through the cursor.
std::uint32_t read_list_uint32() {
    const std::uint8_t* p = engine.cursor;
    engine.cursor += 4;
    return list_uint32_at(p);
}

// A signed 16-bit operand in the list, low byte first.
std::int32_t read_list_int16() {
    const std::uint8_t* p = engine.cursor;
    engine.cursor += 2;
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(p[0] | (p[1] << 8)));
}

// One 4-byte slot of the argument area; an area that was not given reads as zeros.
std::int32_t read_argument_slot() {
    if (engine.argument == nullptr)
        return 0;
    std::uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(engine.argument[i]) << (8 * i);
    engine.argument += 4;
    return static_cast<std::int32_t>(value);
}

[[gnu::always_inline]] inline std::uint8_t* fetch_address(bool from_argument) {
    std::uint32_t operand =
        from_argument ? static_cast<std::uint32_t>(read_argument_slot()) : read_list_uint32();
    return static_cast<std::uint8_t*>(operand_address(operand));
}

// A character item's length and count as two 32-bit operands; negative ones are taken as 0.
[[gnu::always_inline]] inline void take_length_and_count() {
    current_item.element_size = std::max(static_cast<std::int32_t>(read_list_uint32()), 0);
    current_item.count = std::max(static_cast<std::int32_t>(read_list_uint32()), 0);
}

// The format item after the unit: the statement is formatted, its format where the item says.
[[gnu::always_inline]] inline void take_format_item() {
    engine.mode = MODE_FORMATTED;
    std::uint8_t format_item = next_list_byte();
    engine.statement_format = fetch_address((format_item & FROM_ARGUMENT_AREA) != 0);
}

bool describes_operand(int descriptor) {
    return ((descriptor >> 1) & 7) != 0;
}

// An array byte: an operand descriptor for the element count, or (bit 0 alone) a further byte
// describing a secondary count and the element count. Without an array byte the count is 1.
void decode_array_byte(int array_byte) {
    if ((array_byte & 0x0E) != 0) {
        current_item.count = read_operand(array_byte);
    } else if ((array_byte & 0x01) != 0) {
        int counts = next_list_byte();
        if (describes_operand(counts >> 4))
            engine.secondary_count = read_operand(counts >> 4);
        if (describes_operand(counts & 0x0F))
            current_item.count = read_operand(counts & 0x0F);
    }
    if (current_item.count < 0)
        current_item.count = 0;
}

void put_delimited(char* copy, int* length, const std::uint8_t* text, int count, char quote) {
    copy[(*length)++] = quote;
    for (int i = 0; i < count; ++i) {
        copy[(*length)++] = static_cast<char>(text[i]);
        if (text[i] == static_cast<std::uint8_t>(quote))
            copy[(*length)++] = quote;
    }
    copy[(*length)++] = quote;
}

// On a unit with a delimiter mode a character item is written as a delimited constant: a heap
// copy with a separating blank when a value precedes it, the delimiters and every delimiter
// inside doubled. The elements of an array become one copy, separated by blanks.
void delimit_character_item(std::uint32_t format_flags) {
    char quote = (format_flags & FMT_QUOTE_DELIM) != 0 ? '"' : '\'';
    std::int64_t bound = static_cast<std::int64_t>(current_item.count) *
                         (3 + 2 * std::int64_t{current_item.element_size});
    if (bound > 0x7FFFFFF0)
        raise_runtime_error(MSG_NO_MEMORY, KIND_NONE);
    // Even an empty array gets its (empty) copy: the driver frees what it was given.
    auto* copy = static_cast<char*>(unit_alloc(static_cast<int>(bound)));
    int length = 0;
    for (int element = 0; element < current_item.count; ++element) {
        if (list_write.item_written != 0 || element > 0)
            copy[length++] = ' ';
        put_delimited(copy, &length,
                      current_item.data + std::int64_t{element} * current_item.element_size,
                      current_item.element_size, quote);
    }
    current_item.data = reinterpret_cast<std::uint8_t*>(copy);
    current_item.element_size = length;
    if (current_item.count > 1)
        current_item.count = 1;
    list_write.item_written = 1;
}

} // namespace

std::uint8_t next_list_byte() {
    return *engine.cursor++;
}

// Size codes of an operand descriptor (bits 1 to 3): 1 or 6 signed byte, 2 signed 16-bit, 3
// 32-bit; bit 0 takes the operand from the argument area. Other codes describe no operand.
std::int32_t read_operand(int descriptor) {
    int size_code = (descriptor >> 1) & 7;
    bool known = size_code == 1 || size_code == 2 || size_code == 3 || size_code == 6;
    if (!known)
        return 0;
    std::int32_t value;
    if ((descriptor & 1) != 0) {
        value = read_argument_slot();
    } else if (size_code == 2) {
        std::uint16_t low = next_list_byte();
        value = static_cast<std::int32_t>(low | static_cast<std::uint16_t>(next_list_byte() << 8));
        return static_cast<std::int16_t>(value);
    } else if (size_code == 3) {
        return static_cast<std::int32_t>(read_list_uint32());
    } else {
        value = next_list_byte();
    }
    if (size_code == 1 || size_code == 6)
        return static_cast<std::int8_t>(value & 0xFF);
    if (size_code == 2)
        return static_cast<std::int16_t>(value & 0xFFFF);
    return value;
}

void fetch_any_item() {
    std::uint8_t item = next_list_byte();
    int type = (item >> 2) & 0x0F;
    bool from_argument = (item & FROM_ARGUMENT_AREA) != 0;
    current_item.type = type;
    current_item.count = 1;
    engine.secondary_count = 0;
    if (type == TYPE_CHARACTER) {
        current_item.data = fetch_address(from_argument);
        int length_descriptor = next_list_byte();
        if (length_descriptor == LENGTH_AND_COUNT) {
            // An internal file's variable or an array: both 32-bit operands in the list.
            take_length_and_count();
        } else {
            current_item.element_size = std::max(read_operand(length_descriptor >> 4), 0);
            decode_array_byte(length_descriptor & 0x0F);
        }
        std::uint32_t delimiters = FMT_QUOTE_DELIM | FMT_APOSTROPHE_DELIM;
        if (current_unit != nullptr && (current_unit->format_flags & delimiters) != 0)
            delimit_character_item(current_unit->format_flags);
        return;
    }
    current_item.element_size = TYPE_SIZES[type].part;
    if ((item & BY_VALUE) != 0) {
        if (from_argument) {
            current_item.data = const_cast<std::uint8_t*>(engine.argument);
            if (engine.argument != nullptr)
                engine.argument += TYPE_SIZES[type].argument;
        } else {
            current_item.data = const_cast<std::uint8_t*>(engine.cursor);
            engine.cursor += TYPE_SIZES[type].value;
        }
        return;
    }
    current_item.data = fetch_address(from_argument);
    if ((item & HAS_ARRAY_BYTE) != 0)
        decode_array_byte(next_list_byte());
}

namespace {

// An internal file: the unit is the character variable whose item follows; each element is
// one record.
// The variable as the begin calls lay it down (by reference from the list, its length and count
// as 32-bit operands) is taken at once; any other form, or a unit that would delimit it, goes
// through the general decoding.
[[gnu::always_inline]] inline bool take_internal_variable() {
    const std::uint8_t* p = engine.cursor;
    std::uint32_t delimiters = FMT_QUOTE_DELIM | FMT_APOSTROPHE_DELIM;
    if (p[0] != CHARACTER_ITEM || p[5] != LENGTH_AND_COUNT ||
        (current_unit->format_flags & delimiters) != 0)
        return false;
    current_item.type = TYPE_CHARACTER;
    current_item.data = static_cast<std::uint8_t*>(operand_address(list_uint32_at(p + 1)));
    engine.cursor = p + 6;
    take_length_and_count();
    engine.secondary_count = 0;
    return true;
}

[[gnu::always_inline]] inline void select_internal_file() {
    current_unit_entry = ENTRY_INTERNAL;
    current_unit = unit_table[ENTRY_INTERNAL].block;
    if (!take_internal_variable())
        fetch_item();
    UnitBlock* block = current_unit;
    block->buffer = current_item.data;
    block->size = current_item.count * current_item.element_size;
    block->last = current_item.element_size - 1;
    block->record_length = current_item.element_size;
    block->pos = 0;
}

UnitBlock* connect_unit(std::int32_t unit);
void take_statement_options(int extension);

// The unit of an external statement: from the extension byte, from the operand that the
// header's size bits describe, or '*'. An unconnected unit is opened on the spot.
void select_external_unit(std::uint8_t header, int extension, bool has_extension) {
    std::int32_t unit = DEFAULT_UNIT;
    if (has_extension) {
        // The size variable keeps the 0 its begin call stored: list-directed input counts
        // nothing, so the unit, which outlives the statement, holds no pointer to it.
        if ((extension & EXT_SIZE_VARIABLE) != 0)
            fetch_address(false);
        if ((extension & EXT_DEFAULT_UNIT) == 0)
            unit = read_operand(OPERAND_INT16);
    } else if ((header & HDR_UNIT_SIZE) != 0) {
        // The header's size bits are an operand descriptor; its bit 0 names the argument area.
        unit = read_operand(header & (HDR_UNIT_SIZE | HDR_EXTENSION));
    }
    connect_unit(unit);
    take_statement_options(has_extension ? extension : 0);
}

// The unit selected, or opened on the spot when it is not connected.
UnitBlock* connect_unit(std::int32_t unit) {
    UnitBlock* block = select_unit(unit);
    if (block == nullptr) {
        bool reading = error_state.statement_kind == KIND_READ;
        implicit_open(unit, reading ? ACCESS_READ : ACCESS_WRITE);
        block = select_unit(unit);
    }
    return block;
}

// The options of this statement replace those of the last one.
void take_statement_options(int extension) {
    UnitBlock* block = current_unit;
    // Steps that belong to direct access: the record number may come from the unit itself.
    if ((block->format_flags & FMT_RECORD_FROM_NEXT) != 0) {
        engine.record_number = block->next_record;
        block->format_flags &= ~FMT_RECORD_FROM_NEXT;
    }
    std::uint32_t options = static_cast<std::uint32_t>(extension) & FMT_STATEMENT_OPTIONS;
    block->format_flags =
        (block->format_flags & ~(FMT_STATEMENT_OPTIONS | FMT_TRANSFER_STATE)) | options;
}

// A unit that allows the statement's direction: a file opened for reading only takes no WRITE,
// one opened for writing only no READ.
void check_action(bool reading) {
    int action = current_unit->open_action;
    if (reading && action == ACTION_WRITE)
        raise_runtime_error(MSG_READ_WRITE_ONLY, error_state.statement_kind);
    if (!reading && action == ACTION_READ)
        raise_runtime_error(MSG_WRITE_READ_ONLY, error_state.statement_kind);
}

// The statement's mode from the header and the extension: formatted (a format item follows),
// namelist, unformatted or list-directed. A record number follows the format item, if any.
void choose_mode(std::uint8_t header, int extension) {
    if ((header & HDR_FORMAT) != 0) {
        take_format_item();
    } else if ((header & (HDR_INTERNAL | HDR_RECORD)) == (HDR_INTERNAL | HDR_RECORD)) {
        int organisation = current_unit->organisation;
        if (organisation != ORGANISATION_CONSOLE && organisation != ORGANISATION_FILE)
            raise_runtime_error(MSG_NAMELIST_UNIT, error_state.statement_kind);
        engine.mode = MODE_NAMELIST;
        return;
    } else if ((extension & EXT_UNFORMATTED) != 0) {
        engine.mode = MODE_UNFORMATTED;
    } else {
        engine.mode = MODE_LIST_DIRECTED;
    }
    // The record number: a descriptor byte whose high nibble describes the operand.
    if ((header & HDR_RECORD) != 0)
        engine.record_number = read_operand(next_list_byte() >> 4);
}

// The statement must fit its unit: unformatted transfer on the unformatted organisations only,
// a record number exactly on direct access, and list-directed and non-advancing transfer on
// sequential units only.
void check_transfer_fits_unit() {
    int organisation = current_unit->organisation;
    int kind = error_state.statement_kind;
    bool unformatted_unit = organisation >= ORGANISATIONS_WITH_DRIVERS;
    if (engine.mode == MODE_UNFORMATTED && organisation != ORGANISATION_UNFORMATTED &&
        organisation != ORGANISATION_DIRECT)
        raise_runtime_error(MSG_UNFORMATTED_ON_FORMATTED, kind);
    if (engine.mode != MODE_UNFORMATTED && unformatted_unit)
        raise_runtime_error(MSG_FORMATTED_ON_UNFORMATTED, kind);
    bool direct =
        organisation == ORGANISATION_FORMATTED_DIRECT || organisation == ORGANISATION_DIRECT;
    bool numbered = engine.record_number != NO_RECORD_NUMBER;
    if (numbered && !direct)
        raise_runtime_error(MSG_RECORD_NOT_DIRECT, kind);
    bool non_advancing = (current_unit->format_flags & FMT_NON_ADVANCING) != 0;
    if (direct && (!numbered || engine.mode == MODE_LIST_DIRECTED || non_advancing))
        raise_runtime_error(MSG_SEQUENTIAL_ON_DIRECT, kind);
}

// A unit at its end of file takes a transfer only with a record number.
void check_end_of_file() {
    UnitBlock* block = current_unit;
    if ((block->flags & AT_EOF) == 0)
        return;
    if (engine.record_number != NO_RECORD_NUMBER) {
        block->flags &= ~AT_EOF;
    } else {
        error_state.at_end_of_file = 1;
        raise_runtime_error(MSG_AT_END_OF_FILE, error_state.statement_kind);
    }
}

} // namespace

void use_drivers(int mode, WriteDriver write, ReadDriver read) {
    write_drivers[mode] = write;
    read_drivers[mode] = read;
}

void raise_statement_format_error() {
    raise_runtime_error(engine.format_error, error_state.statement_kind,
                        engine.format_error_character);
}

namespace {

void check_unit_and_mode(std::uint8_t header, int extension, bool internal, bool reading);

// 2 to 7 for any statement: the unit, what the statement may do on it, the mode and whether it
// fits the unit, and the record of formatted direct access.
[[gnu::noinline]] void select_unit_and_mode(std::uint8_t header, bool reading) {
    bool has_extension = (header & HDR_EXTENSION) != 0 && (header & HDR_UNIT_SIZE) == 0;
    int extension = has_extension ? next_list_byte() : 0;
    bool namelist =
        (header & (HDR_INTERNAL | HDR_RECORD | HDR_FORMAT)) == (HDR_INTERNAL | HDR_RECORD);
    bool internal = (header & HDR_INTERNAL) != 0 && !namelist;
    if (internal)
        select_internal_file();
    else
        select_external_unit(header, extension, has_extension);
    check_unit_and_mode(header, extension, internal, reading);
}

// 2 to 7 for a formatted statement on a unit number as the begin calls lay it down, without
// extension or record number. A connected unit of sequential records that allows the statement's
// direction and is not at its end of file passes every check as it stands; any other unit goes
// through them one by one.
void select_plain_numbered_unit(std::uint8_t header, bool reading) {
    UnitBlock* block = connect_unit(read_list_int16());
    int organisation = block->organisation;
    bool sequential = organisation == ORGANISATION_FILE || organisation == ORGANISATION_CONSOLE;
    int refused_action = reading ? ACTION_WRITE : ACTION_READ;
    bool plain = sequential && block->open_action != refused_action &&
                 (block->flags & AT_EOF) == 0 &&
                 (block->format_flags & FMT_RECORD_FROM_NEXT) == 0 && engine.record_error == 0;
    if (!plain) {
        take_statement_options(0);
        check_unit_and_mode(header, 0, false, reading);
        return;
    }
    block->format_flags &= ~(FMT_STATEMENT_OPTIONS | FMT_TRANSFER_STATE);
    take_format_item();
}

// After the unit's selection: what the statement may do on it, the mode and whether it fits the
// unit, and the record of formatted direct access.
[[gnu::noinline]] void check_unit_and_mode(std::uint8_t header, int extension, bool internal,
                                           bool reading) {
    if (!internal)
        check_action(reading);
    if (engine.record_error != 0)
        raise_runtime_error(engine.record_error, error_state.statement_kind);
    choose_mode(header, extension);
    if (engine.mode != MODE_NAMELIST)
        check_transfer_fits_unit();
    if (!internal)
        check_end_of_file();
    UnitBlock* block = current_unit;
    // Formatted direct access starts at its record (unformatted: the driver goes there), with
    // nothing of a statement that failed before it left in the buffer.
    if (block->organisation == ORGANISATION_FORMATTED_DIRECT) {
        position_record(engine.record_number);
        block->pos = 0;
        block->flags &= ~DIRTY;
        if (reading)
            block->last = -1;
    }
}

// 2 to 6 for an internal file as the begin calls lay it down, without extension or record
// number: it takes formatted and list-directed transfer alike, and has no end of file to check.
void select_plain_internal_file(std::uint8_t header) {
    select_internal_file();
    if (engine.record_error != 0)
        raise_runtime_error(engine.record_error, error_state.statement_kind);
    if ((header & HDR_FORMAT) != 0) {
        take_format_item();
    } else {
        engine.mode = MODE_LIST_DIRECTED;
    }
}

} // namespace

void setup_statement() {
    // 1. The header, and the per-statement state it resets.
    std::uint8_t header = next_list_byte();
    engine.statement_format = nullptr;
    engine.record_number = NO_RECORD_NUMBER;
    // A statement refused before its driver is chosen has no record to pass: an error branch
    // must not reach the record end of the statement before it.
    engine.read_driver = nullptr;
    engine.record_end = nullptr;
    error_state.error_branch = (header & HDR_ERROR_BRANCH) != 0 ? 1 : 0;
    error_state.end_branch = (header & HDR_END_BRANCH) != 0 ? 1 : 0;
    bool reading = error_state.statement_kind == KIND_READ;
    // 2 to 7. The unit, the mode, and whether they fit.
    constexpr std::uint8_t UNIT_BITS = HDR_INTERNAL | HDR_EXTENSION | HDR_UNIT_SIZE | HDR_RECORD;
    constexpr std::uint8_t PLAIN_NUMBERED = OPERAND_INT16 | HDR_FORMAT;
    if ((header & UNIT_BITS) == HDR_INTERNAL)
        select_plain_internal_file(header);
    else if ((header & (UNIT_BITS | HDR_FORMAT)) == PLAIN_NUMBERED)
        select_plain_numbered_unit(header, reading);
    else
        select_unit_and_mode(header, reading);
    // 8, 9. The column count, the driver and the record end.
    UnitBlock* block = current_unit;
    output_record.column = 0;
    int organisation = block->organisation;
    bool has_record_ends = organisation < ORGANISATIONS_WITH_DRIVERS;
    if (reading) {
        block->format_flags &= ~(FMT_QUOTE_DELIM | FMT_APOSTROPHE_DELIM);
        engine.read_driver = read_drivers[engine.mode];
        engine.record_end = has_record_ends ? INPUT_RECORD_ENDS[organisation] : nullptr;
    } else {
        engine.write_driver = write_drivers[engine.mode];
        engine.record_end = has_record_ends ? OUTPUT_RECORD_ENDS[organisation] : nullptr;
    }
}

namespace {

// A WRITE puts its unit into the writing state; on the console the line state of the previous
// record is kept, so that its line end is written only before the next record.
void prepare_output_block() {
    UnitBlock* block = current_unit;
    if (current_unit_entry != ENTRY_INTERNAL) {
        if ((block->flags & LINE_PENDING) == 0) {
            if (block->pos != 0)
                block->flags |= DIRTY;
            if (block->organisation == ORGANISATION_FORMATTED_DIRECT) {
                block->pos = 0;
                block->flags |= LINE_PENDING;
            } else if (block->organisation == ORGANISATION_FILE) {
                start_writing();
            }
        }
        if (block->organisation != ORGANISATION_FORMATTED_DIRECT)
            block->last = block->size - 1;
    }
    output_record.statement_start = block->pos;
    output_record.position_flag = 0;
    start_output_record();
}

} // namespace

int execute_write(const std::uint8_t* list, const CompiledFormat*) {
    engine.cursor = list;
    engine.argument = nullptr;
    try {
        error_state.statement_kind = KIND_WRITE;
        setup_statement();
        if (engine.deferred_error != 0)
            raise_runtime_error(engine.deferred_error, KIND_NONE);
        raise_format_error();
        if (engine.mode != MODE_UNFORMATTED)
            prepare_output_block();
        engine.write_driver(1);
        current_unit->line_closed = 0;
        return 0;
    } catch (const StatementUnwind& unwind) {
        return unwind.status;
    }
}

} // namespace lnc
