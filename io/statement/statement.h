// The I/O statement protocol: begin, item and end calls build a byte-coded StatementList that
// the interpreters run. A WRITE runs at its end call; a READ runs item by item.
//
// One statement and the calls it becomes, for WRITE(*,*) 'ln(', x:
//     begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);   // list: 01 08
//     write_item_character("ln(", 3);                              // 28 <addr> 60 03 00 00 00
//     write_item_real4(bits_of(x));                                // 6C <4 bytes>
//     end_write();                                                 // 00, then executed
#pragma once
#include <cstdint>

// The calls of the protocol, its unit constants and TypeCodes, as programs see them.
#include "io/format/format.h"
#include "io/units/units.h"
#include "lncalc/statements.h"

namespace lnc {

struct UnitBlock;

inline constexpr int INTERNAL_UNIT = -37000;
inline constexpr std::int32_t DEFAULT_UNIT = INT32_MIN; // the unit '*' inside the engine
inline constexpr std::int32_t NO_RECORD_NUMBER = INT32_MIN;

// StatementHeader bits.
inline constexpr std::uint8_t HDR_EXTENSION = 0x01;
inline constexpr std::uint8_t HDR_UNIT_SIZE = 0x06;
inline constexpr std::uint8_t HDR_INTERNAL = 0x08;
inline constexpr std::uint8_t HDR_FORMAT = 0x10;
inline constexpr std::uint8_t HDR_RECORD = 0x20;
inline constexpr std::uint8_t HDR_END_BRANCH = 0x40;
inline constexpr std::uint8_t HDR_ERROR_BRANCH = 0x80;
// StatementExtension bits.
inline constexpr std::uint8_t EXT_NON_ADVANCING = 0x01;
inline constexpr std::uint8_t EXT_EOR_BRANCH = 0x02;
inline constexpr std::uint8_t EXT_SIZE_VARIABLE = 0x04;
inline constexpr std::uint8_t EXT_DEFAULT_UNIT = 0x08;
inline constexpr std::uint8_t EXT_UNFORMATTED = 0x10; // the items travel as their bytes

// An item byte: the type code in bits 2 to 5, and the value itself in the list in place of its
// address.
inline constexpr std::uint8_t BY_VALUE = 0x40;
// An item byte's operand comes from the argument area; an array byte follows the item's address.
inline constexpr std::uint8_t FROM_ARGUMENT_AREA = 0x02;
inline constexpr std::uint8_t HAS_ARRAY_BYTE = 0x80;
// The operand descriptor of a signed 16-bit operand in the list (size code 2 in bits 1 to 3); the
// header's unit bits hold one too.
inline constexpr int OPERAND_INT16 = 2 << 1;
// The operand descriptor byte before a record number: a 32-bit operand in the list.
inline constexpr std::uint8_t RECORD_OPERAND = 0x60;
// Terminators.
inline constexpr std::uint8_t LIST_END = 0;
inline constexpr std::uint8_t LIST_SUSPEND = 1;

inline constexpr int LIST_CAPACITY_STEP = 20000;
inline constexpr int LIST_GROW_MARGIN = 1000;
inline constexpr int NESTING_SLOTS = 9;

// Statement modes: the driver tables are indexed by them.
inline constexpr int MODE_LIST_DIRECTED = 0;
inline constexpr int MODE_FORMATTED = 1;
inline constexpr int MODE_NAMELIST = 2;
inline constexpr int MODE_UNFORMATTED = 3;
inline constexpr int STATEMENT_MODES = 4;

// The item under transfer.
struct CurrentItem {
    int type;
    std::uint8_t* data;
    int element_size;
    int count;
};
extern CurrentItem current_item;

// Sizes by TypeCode. value: one element in memory, which is also a by-value operand in the list
// (a complex element holds its real part, then its imaginary part); part: the element size
// fetch_item gives, one part of a complex element; argument: a by-value operand in the argument
// area, whose 4-byte slots widen the smaller types and carry a single real as a double. All 0
// for a code that names no type; a character element's size is its length.
struct TypeSize {
    int value;
    int part;
    int argument;
};
inline constexpr int TYPE_CODES = 16;
inline constexpr TypeSize TYPE_SIZES[TYPE_CODES] = {
    {0, 0, 0}, {1, 1, 4}, {2, 2, 4}, {4, 4, 4}, {0, 0, 0}, {0, 0, 0}, {1, 1, 4}, {2, 2, 4},
    {4, 4, 4}, {0, 0, 0}, {0, 0, 0}, {4, 4, 8}, {8, 8, 8}, {0, 0, 0}, {8, 4, 8}, {16, 8, 16}};

// Bytes from one element of the item under transfer to the next.
inline int element_stride(const CurrentItem& item) {
    return item.type == TYPE_CHARACTER ? item.element_size : TYPE_SIZES[item.type].value;
}

using WriteDriver = void (*)(int first);
using ReadDriver = void (*)(bool first);

struct CharacterCopy {
    CharacterCopy* next;
    char* text;
};

// List-directed output: the place of the items in the record's 79 columns, and one converted
// item.
inline constexpr int SCRATCH_SIZE = 520;
struct ListWriteState {
    int columns_left;
    int item_written;
    char scratch[SCRATCH_SIZE];
};

// List-directed input: what carries over from one value (and one item call) to the next.
inline constexpr int TOKEN_SIZE = 260;
struct ListReadState {
    std::int32_t repeat_count;
    std::int32_t last_separator;
    bool line_consumed;
    char token[TOKEN_SIZE + 1]; // one byte past the token for the conversion's terminator
    std::int32_t token_length;
    int scan_state;
    std::int32_t comma_position;
    char quote_char;
};

// Formatted transfer: the place in the format and the editing state its control edits set.
struct FormattedState {
    FormatCursor cursor;
    EditState edit;
    // The input record, taken whole into the buffer before its first field: its first byte and
    // the end of its text (before its line end), and the column the next field starts at.
    bool record_loaded;
    int record_start;
    int record_end;
    int column;
};

// Unformatted input: the record under way, taken item by item.
struct UnformattedState {
    std::int32_t data_start; // file offset of the record's first data byte
    std::int32_t length;     // data bytes in the record
    std::int32_t consumed;   // data bytes already given to items
    bool buffered;           // the whole record is in the unit's buffer
};

// The state of the statement under way: what its calls have built and how far its interpreter
// has come. A begin call inside another statement saves the enclosing statement's record whole,
// and its end call puts it back.
struct StatementState {
    int length;
    int capacity;
    const CompiledFormat* compiled_format;
    int read_first_item;
    int engine_idle;
    CharacterCopy* copies_head;
    CharacterCopy* copies_tail;
    // A failure met while the list was being built (an allocation that an item call could not
    // make); the interpreter raises it when the statement runs. 0 when none.
    int deferred_error;
    // A format text that did not compile: its message index and the character the message
    // names; raised when the statement runs. 0 when none.
    int format_error;
    int format_error_character;
    // The statement's items travel as their bytes (the unformatted begin calls).
    bool unformatted;
    // Control-list calls (set_record_number) may still amend the list: no item has been given.
    bool control_open;
    // A record number given where none may be; raised when the statement runs. 0 when none.
    int record_error;
    // Interpretation.
    const std::uint8_t* cursor;   // next byte of the list
    const std::uint8_t* argument; // the interpreter's argument area (4-byte slots), or null
    int mode;
    std::int32_t record_number;
    void* statement_format; // the format named by the list's format item
    WriteDriver write_driver;
    ReadDriver read_driver;
    RecordEnd record_end;
    int read_status;     // status of an earlier failed call of the READ under way
    int secondary_count; // the secondary count of the last array byte (namelist transfer)
    // Entries of the address table below address_count belong to the statements under way;
    // address_mark is where a running READ's later items start.
    int address_count;
    int address_mark;
    // What the drivers and the record layer keep between records, items and item calls.
    OutputRecord output;
    ListWriteState list_write;
    ListReadState list_read;
    FormattedState formatted;
    UnformattedState unformatted_record;
    // A statement run between two items of this console READ left a line open on the shared
    // console block: the READ's record end leaves the line end owed.
    bool line_left_open;
};

// An enclosing statement while a statement inside it is built and run: its record, its list
// bytes, and what its interpreter had selected outside the engine.
struct NestingSlot {
    StatementState statement;
    std::uint8_t* saved_list; // in the slot's own block, after the slot
    CurrentItem item;
    int statement_kind;
    int error_branch;
    int end_branch;
    UnitBlock* unit;
    int unit_entry;
    int unit_handle;
    int record_remaining;
    // The enclosing statement's unit as it was: an internal file's whole block (every statement
    // on an internal file shares one), a console READ's input record.
    UnitBlock unit_block;
    std::uint8_t input_record[CONSOLE_BUFFER_SIZE];
    int input_record_length; // -1: no input record kept
};

// The statement under way, and what outlives it: the statement-list buffer, the address table
// and the enclosing statements.
struct StatementEngine : StatementState {
    std::uint8_t* buffer;
    int buffer_size; // bytes the buffer block holds; never below capacity
    // Slots 1 to 9 (slot 0 is unused). A slot is a heap block that exists only while a statement
    // runs inside the one it saves: the begin call at that depth allocates it, the matching end
    // call frees it, so a run that never nests keeps none of them.
    NestingSlot* nesting[NESTING_SLOTS + 1];
    int depth;
    // A begin call that was refused (unit out of range, bad advance specifier, nesting too deep)
    // starts no list: the statement's item calls do nothing and its end call returns the status.
    bool refused;
    int refused_status;
    // Four-byte address operands: on a 32-bit target the address itself, elsewhere an index
    // into this table of the statements' addresses.
    void** addresses;
    int address_capacity;
};
extern StatementEngine engine;

// A statement takes a few addresses, so the table has room for them nearly always: only its
// growth is a call.
std::uint32_t address_operand_growing(const void* address);
inline std::uint32_t address_operand(const void* address) {
    if constexpr (sizeof(void*) == 4) {
        return static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(address));
    } else {
        if (engine.address_count == engine.address_capacity)
            return address_operand_growing(address);
        engine.addresses[engine.address_count] = const_cast<void*>(address);
        return static_cast<std::uint32_t>(engine.address_count++);
    }
}
inline void* operand_address(std::uint32_t operand) {
    if constexpr (sizeof(void*) == 4) {
        return reinterpret_cast<void*>(static_cast<std::uintptr_t>(operand));
    } else {
        if (operand >= static_cast<std::uint32_t>(engine.address_count))
            return nullptr;
        return engine.addresses[operand];
    }
}

// The begin, item and end calls themselves are declared by lncalc/statements.h.

// Interpreter pieces shared with the drivers.
int execute_write(const std::uint8_t* list, const CompiledFormat* compiled_format);
void setup_statement();
// A statement whose format did not compile fails here, as a statement of its kind.
[[noreturn]] void raise_statement_format_error();
inline void raise_format_error() {
    if (engine.format_error != 0)
        raise_statement_format_error();
}
// Decodes the next item into current_item. On a unit with a delimiter mode a character item
// becomes a heap copy in delimited form, which the WRITE driver frees once it has placed it.
void fetch_any_item();
// A 32-bit operand of the list at p, low byte first.
inline std::uint32_t list_uint32_at(const std::uint8_t* p) {
    return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
// The usual input item, a scalar by reference from the list, is decoded here; any other goes
// through fetch_any_item.
inline void fetch_item() {
    const std::uint8_t* p = engine.cursor;
    constexpr std::uint8_t NOT_PLAIN = BY_VALUE | HAS_ARRAY_BYTE | FROM_ARGUMENT_AREA;
    int type = (p[0] >> 2) & 0x0F;
    if ((p[0] & NOT_PLAIN) != 0 || type == TYPE_CHARACTER) {
        fetch_any_item();
        return;
    }
    std::uint32_t operand = list_uint32_at(p + 1);
    engine.cursor = p + 5;
    current_item.type = type;
    current_item.count = 1;
    current_item.element_size = TYPE_SIZES[type].part;
    current_item.data = static_cast<std::uint8_t*>(operand_address(operand));
    engine.secondary_count = 0;
}
std::uint8_t next_list_byte();
// Decodes an operand described by a 4-bit operand descriptor.
std::int32_t read_operand(int descriptor);

// The formatted drivers (io/format/); the namelist drivers refuse their statements with a report.
void formatted_write(int first);
void namelist_write(int first);
void formatted_read(bool first);
void namelist_read(bool first);
// The unformatted drivers (io/unformatted/).
void unformatted_write(int first);
void unformatted_read(bool first);

// Called once by the I/O library initialiser: the engine's state words take their initial values.
void init_statement_engine();
// The statement-list buffer (20000 bytes), allocated by init_units; raises 92 when it cannot be.
void allocate_statement_list();
// Frees the statement-list buffer and everything else the engine holds (close_all_units).
void release_statement_engine();

} // namespace lnc
