// Units and records: the unit table, the record buffers, carriage control, the console line
// protocol and the console routines of the pause statement.
#pragma once
#include <cstdint>

namespace lnc {

// UnitBlock flags.
inline constexpr std::uint32_t DIRTY = 0x01;
inline constexpr std::uint32_t RECORD_STARTED = 0x02;
inline constexpr std::uint32_t SCRATCH = 0x04;
inline constexpr std::uint32_t LINE_PENDING = 0x08;
inline constexpr std::uint32_t AT_EOF = 0x20;
inline constexpr std::uint32_t CONSOLE_CONNECTED = 0x40;
inline constexpr std::uint32_t NEW_FILE = 0x80;

// UnitBlock format_flags.
inline constexpr std::uint32_t FMT_NON_ADVANCING = 0x01;
inline constexpr std::uint32_t FMT_EOR_BRANCH = 0x02;
inline constexpr std::uint32_t FMT_SIZE_VARIABLE = 0x04;
inline constexpr std::uint32_t FMT_QUOTE_DELIM = 0x08;
inline constexpr std::uint32_t FMT_APOSTROPHE_DELIM = 0x10;
inline constexpr std::uint32_t CC_CONTROL_CHAR = 0x100;
inline constexpr std::uint32_t CC_NONE = 0x200;
inline constexpr std::uint32_t FMT_RECORD_FROM_NEXT = 0x400;
inline constexpr std::uint32_t FMT_ALWAYS_CRLF = 0x1000;
// BLANK='ZERO': blanks in numeric input fields count as zeros, until a BN or BZ edit says
// otherwise.
inline constexpr std::uint32_t FMT_BLANK_ZERO = 0x2000;
// The options a statement copies from its extension byte, and two bits of a formatted
// transfer's own; all five hold for one statement only.
inline constexpr std::uint32_t FMT_STATEMENT_OPTIONS =
    FMT_NON_ADVANCING | FMT_EOR_BRANCH | FMT_SIZE_VARIABLE;
inline constexpr std::uint32_t FMT_TRANSFER_STATE = 0xC0;

// How a unit's records are kept (UnitBlock organisation). Only the first four have drivers and
// record ends; for the others see io/README.md.
enum Organisation : int {
    ORGANISATION_INTERNAL = 0, // an internal file: the records are the elements of a variable
    ORGANISATION_CONSOLE = 1,  // formatted sequential on a device: carriage control
    ORGANISATION_FORMATTED_DIRECT = 2, // formatted records of fixed length, reached by number
    ORGANISATION_FILE = 3,        // formatted sequential on a file: each record ends with CR LF
    ORGANISATION_DIRECT = 4,      // records of fixed length, numbered on from next_record
    ORGANISATION_BINARY = 5,      // bytes without records
    ORGANISATION_FIXED = 6,       // records of fixed length, taken in order
    ORGANISATION_UNFORMATTED = 7, // records with length bytes; a new file starts with "K"
};
inline constexpr int ORGANISATIONS_WITH_DRIVERS = ORGANISATION_FILE + 1;

inline constexpr int CONSOLE_BUFFER_SIZE = 132;
inline constexpr int UNIT_ENTRIES = 64;
inline constexpr int ENTRY_CONSOLE = 62;
inline constexpr int ENTRY_CONSOLE_OUTPUT = 63;
inline constexpr int ENTRY_INTERNAL = 64;
inline constexpr int ENTRY_NOT_CONNECTED = 65;
inline constexpr std::int32_t FREE_UNIT = INT32_MIN;

struct UnitBlock {
    char* name;
    int handle;
    int organisation;
    std::uint32_t flags;
    std::uint8_t* buffer;
    int pos;
    int last;
    int size;
    int column_base;
    int transferred;
    int record_length;
    int next_record;
    int open_action;
    int open_share;
    int select_status;
    int line_closed;
    int implied_decimals;
    int scale_factor;
    std::uint8_t edit_code;
    std::uint32_t format_flags;
    int close_default;
};

struct UnitEntry {
    std::int32_t unit;
    UnitBlock* block;
};

// Entries are counted from 1; element 0 is unused.
extern UnitEntry unit_table[UNIT_ENTRIES + 1];
extern UnitBlock* current_unit;
extern int current_unit_entry;
extern int record_remaining;
extern int implicit_open_index; // next command-line argument for an implicit open

void init_units();
UnitBlock* new_unit_block(int size);
void* unit_alloc(int bytes);
// The direction a unit is found for: on one shared console block it sets the block's handle.
enum class Direction { OUTPUT, INPUT };
// CLOSE and WRITE find their unit for output, every other statement for input.
Direction statement_direction(int statement_kind);
int find_unit(std::int32_t unit, Direction direction);
UnitBlock* select_unit(std::int32_t unit);
void write_record(int length, const std::uint8_t* bytes);
void carriage_prefix(int control);
void flush_record();
void start_writing();
std::uint8_t next_char();
bool read_more_of_record(UnitBlock* block);
void position_record(std::int32_t record_number);
// After a record end on formatted direct access: the unit is ready for the next record.
void advance_fixed_record();
// An internal file moves on to the next element of its variable; false when this was the last.
bool next_internal_record(UnitBlock* block);
void close_unit(std::int32_t unit, int disposition);
void release_unit(UnitBlock* block, int open_errno);
void check_write_failure();
void close_all_units();

// Console routines.
void console_write(const char* text);
void console_write_line(const char* text, int length);
void end_console_line();
int console_read_line(char* buffer, int capacity);
// The handle calls of the unit layer: handles 0 to 2 are in binary mode for each transfer.
int write_handle(int handle, const void* bytes, int length);
int read_handle(int handle, void* bytes, int length);

// ---- The record layer: bytes placed in records by column, records ended by organisation ----
//
// Every driver (list-directed, formatted, namelist) places its output through put_field and ends
// its records through end_output_record, and reads through next_char and end_input_record. The
// routine that ends a record is chosen per statement from the tables below by the unit's
// organisation.

using RecordEnd = void (*)();
extern const RecordEnd OUTPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS];
extern const RecordEnd INPUT_RECORD_ENDS[ORGANISATIONS_WITH_DRIVERS];

// The output record under way, part of the statement's state. Columns count from the record's
// first byte (on the console, its carriage control).
struct OutputRecord {
    int pending_blanks;  // blanks owed before the next bytes placed
    int column;          // bytes placed in the record by put_field, pending blanks included
    int position_flag;   // a formatted record moved on by a tab (see end_output_record)
    int statement_start; // pos at which this statement's output began (non-advancing checks)
    int record_start;    // buffer index of the record's first column (below 0: written out)
    int furthest;        // buffer index just past the furthest byte placed in the record
};
extern OutputRecord& output_record;

// Places pending_blanks blanks and then count bytes at the record's column. The console's
// record grows in its buffer, so that it stays whole until its record end.
void put_field(int count, const std::uint8_t* bytes);
// The record end of the WRITE under way (the routine its statement took from the table).
void end_output_record();
// A new output record begins at pos (at the statement's start and after each record end).
void start_output_record();
// The column of the output record where the next byte goes, and a move to another one: back
// over what is written (later bytes overwrite it), or on past the furthest byte written, where
// the blanks are placed only when bytes follow them.
int output_column();
void move_output_column(int column);
// The record is to end after its furthest byte; blanks still owed are dropped.
void close_output_columns();

// The record end of the READ under way.
void end_input_record();
// A READ on a console line left open by output ends that line before it waits for input.
void settle_pending_line();
inline void settle_output_line() {
    if ((current_unit->flags & LINE_PENDING) != 0)
        settle_pending_line();
}
// Passes the rest of an input record up to and including its LF.
void pass_rest_of_line();
// Takes the current input record whole into the buffer: *start is the index of its first byte,
// *end that just past its text (its line end not included). An internal file's record is its
// element; after the last one there is no record: end of file.
void load_input_record(int* start, int* end);

// Implicit open of an unconnected unit.
// The access an implicit open connects a unit for: a READ's, or any other statement's.
inline constexpr int ACCESS_READ = 2;
inline constexpr int ACCESS_WRITE = 4;
void implicit_open(std::int32_t unit, int access);
const char* obtain_file_name(std::int32_t unit);
int device_code(const char* name, bool* is_device);

} // namespace lnc
