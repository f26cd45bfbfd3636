// The Fortran front's statement records: what a flang begin call and its specifier calls said
// about a statement, kept until the first item or the end call makes the run-time's begin call.
//
// flang names the IOSTAT=, ERR=, END= and EOR= specifiers after its begin call, and the run-time
// takes them as flags of its own begin call; so the front holds the statement back until the
// first item (or the end call) and only then begins it on the run-time.
#pragma once
#include <cstddef>
#include <cstdint>

#include "fortran/flang_interface.h"
#include "lncalc/call_sites.h"
#include "lncalc/reports.h"

namespace lnc::fortran {

// Which specifiers the compiled code handles itself (EnableHandlers).
inline constexpr int HANDLES_IOSTAT = 0x01;
inline constexpr int HANDLES_ERR = 0x02;
inline constexpr int HANDLES_END = 0x04;
inline constexpr int HANDLES_EOR = 0x08;

// What a statement is: a data transfer, performed on the run-time item by item, or a file
// statement, whose specifiers the front collects and performs at its end call.
enum StatementKind : int {
    KIND_TRANSFER,
    KIND_OPEN,
    KIND_CLOSE,
    KIND_INQUIRE_UNIT,
    KIND_INQUIRE_FILE,
    KIND_REWIND,
    KIND_BACKSPACE,
    KIND_ENDFILE,
    KIND_FLUSH,
};

// The keyword specifiers of OPEN and CLOSE, by index into FileSpecifiers::keywords.
enum FileKeyword : int {
    KEYWORD_STATUS,
    KEYWORD_ACCESS,
    KEYWORD_FORM,
    KEYWORD_BLANK,
    KEYWORD_POSITION,
    KEYWORD_ACTION,
    FILE_KEYWORDS
};

// A keyword value copied at its specifier call: a value computed into a temporary may be gone
// by the end call. Trailing blanks are dropped; a longer value is cut, which keeps it unknown,
// since no keyword is that long. length -1: not given.
inline constexpr int KEYWORD_COPY = 16;
struct KeywordValue {
    char text[KEYWORD_COPY];
    int length;
};

// A file name copied without its leading and trailing blanks; 260 characters, one more than the
// run-time takes, so that a longer name is still refused as too long.
inline constexpr int FILE_NAME_COPY = 260;

struct FileSpecifiers {
    char name[FILE_NAME_COPY];
    int name_length; // -1: no FILE=
    KeywordValue keywords[FILE_KEYWORDS];
    std::int64_t record_length; // -1: no RECL=
    bool new_unit;              // OPEN(NEWUNIT=): the front chooses the unit
    bool unit_chosen;
    bool inquired; // an INQUIRE has asked the run-time at least once
};

// Statements may begin inside an item of another (a function that writes); the run-time holds at
// most nine such waiting statements, the front one more for the statement that refuses the tenth.
inline constexpr int STATEMENT_SLOTS = 11;

struct FrontStatement {
    StatementKind kind;
    bool in_use;
    bool is_input;
    bool begun;      // the run-time's begin call has been made, or the statement refused
    bool on_runtime; // the run-time has the statement: its end call is owed
    bool failed;     // a condition the program handles ended the transfer: later items do nothing
    bool unformatted;
    bool has_record; // REC= was given: the run-time hears it right after the begin call
    std::int32_t record;
    int unit;       // the run-time's unit argument
    char* internal; // an internal file's first element, or null for a unit
    int internal_length;
    int internal_count;
    const char* format;
    int format_length;
    char* format_copy;   // a format joined from an array's elements, released at the end call
    const char* advance; // the ADVANCE= text, or null
    int advance_length;
    int handlers; // HANDLES_ bits
    int status;
    const char* refusal; // what the run-time cannot perform in this statement, or null
    char* message;       // the IOMSG= variable, filled at the end when the statement fails
    std::size_t message_length;
    CallSiteRecord site; // the statement's position while it runs
    char what[48];       // room for a refusal text made for this statement
    FileSpecifiers file;
};

// Set when the program asks for unformatted records in the other byte order than the
// processor's, which the run-time does not write: its unformatted statements are refused.
extern bool unformatted_swapped;

inline constexpr int MAX_RANK = 15;

// The number of an array's elements, or -1 when it is more than an item can describe.
long long element_count(const DescriptorHeader& descriptor);
// The elements of an array in the language's order, first subscript fastest: each call gives
// the address of the next one (the walk starts with every subscript 0; rank at most MAX_RANK).
struct ElementWalk {
    const DescriptorHeader* array;
    std::ptrdiff_t subscripts[MAX_RANK];
};
char* next_element(ElementWalk& walk);

// Keeps the format of a formatted transfer, given as text or as a character scalar's or array's
// descriptor.
void take_format(Handle statement, const char* format, std::size_t length,
                 const DescriptorHeader* descriptor);
// Takes a record for a statement at file(line) and registers its position. Never null: with
// every record taken the statement is refused.
Handle open_statement(const char* file, int line, bool is_input, int unit);
// A file statement: collected by the specifier calls, performed by the end call.
Handle open_file_statement(const char* file, int line, StatementKind kind, int unit);
// Performs a file statement at its end call; its status.
int perform_file_statement(Handle statement);
// The begin flags of a file statement: -1 (errors come back, a unit out of range too) when the
// program handles its errors, else 0.
int file_flags(const FrontStatement& statement);
// Marks the statement as one the run-time cannot perform; what names it in the report.
void refuse(Handle statement, const char* what);
// Fails the statement with the report of a refusal (or its status, when the program handles
// errors); false.
bool fail_with_refusal(Handle statement, const char* what);
// Makes the run-time's begin call if it is still owed, and names the REC= record to it; false
// when the statement has failed.
bool begin_on_runtime(Handle statement);
// Begins an INQUIRE on the run-time for the statement's unit or file; the caller asks its
// question and makes the end call.
void begin_inquiry(Handle statement);
// Copies a FILE= name without its leading and trailing blanks, and a keyword value without its
// trailing blanks, into the statement record.
void copy_file_name(FileSpecifiers& file, const char* name, std::size_t length);
void copy_keyword(KeywordValue& keyword, const char* text, std::size_t length);
// Keeps an answer of kind bytes in an integer variable; false when the value does not fit.
bool store_integer(void* variable, int kind, std::int64_t value);
// Marks the statement refused for a specifier's value: "the value QUOTE of DELIM=".
void refuse_value(Handle statement, const char* specifier, const char* value, std::size_t length);
// Whether the program has connected flang's unit 5 or 6 (the numbers of '*') to a file of its
// own with OPEN: its transfers then go to that unit, not to the console.
bool program_connected(int unit);
// The result of an item call: false once the statement has failed.
bool item_result(Handle statement, int status);
// An item of a type the run-time has no code for: fails the statement with its numbered report.
bool refuse_item(Handle statement);

} // namespace lnc::fortran
