// Run-time error reports, floating-point exception reports and the execution traceback.
#pragma once
#include <cstdarg>
#include <cstdint>

#include "errors/message_indices.h"
#include "lncalc/call_sites.h"

namespace lnc {

// Statement kinds: where an error arose; they select the text after the error code.
inline constexpr int KIND_UNNAMED = 0;
inline constexpr int KIND_CLOSE = 1;
inline constexpr int KIND_WRITE = 2;
inline constexpr int KIND_ENDFILE = 3;
inline constexpr int KIND_INQUIRE = 4;
inline constexpr int KIND_LOCKING = 5;
inline constexpr int KIND_OPEN = 6;
inline constexpr int KIND_READ = 7;
inline constexpr int KIND_REWIND = 8;
inline constexpr int KIND_BACKSPACE = 9;
inline constexpr int KIND_EOF = 10;
inline constexpr int KIND_DEBUG = 11;
inline constexpr int KIND_ALLOCATE = 12;
inline constexpr int KIND_DEALLOCATE = 13;
inline constexpr int KIND_BEGINTHREAD = 14;
inline constexpr int KIND_MATH = 15;
inline constexpr int KIND_NONE = 16;
inline constexpr int KIND_PANE = 17;

// Two pseudo-indices besides the messages: a transfer past the end of a record, reported with
// the text of MSG_WRITE_PAST_RECORD but ending the statement with status -2 as MSG_END_OF_RECORD
// does; and an unwinding with status -3 that reports nothing. MSG_UNKNOWN is
// shown for an index outside the table; MSG_NO_TEXT has no text, so its report shows an empty
// message line.
inline constexpr int MSG_END_OF_RECORD_CONDITION = -2;
inline constexpr int MSG_UNWIND_ONLY = -3;

// What a failed statement returns besides its error number (6000 and above), and the begin
// flags that silence a statement's report whatever its branches.
inline constexpr int STATUS_END_OF_FILE = -1;
inline constexpr int STATUS_END_OF_RECORD = -2;
inline constexpr int FLAGS_SILENT = -1;

inline constexpr int MESSAGE_BUFFER_SIZE = 1000; // the formatted message with its terminator
inline constexpr int REPORT_NAME_SIZE = 260;

// Thrown by a raise; caught only at the statement's unwinding point (the statement
// interpreters, raise_statement_error and close_all_units).
struct StatementUnwind {
    int status;
};

struct ErrorState {
    int raise_depth;
    int error_number;   // table value of the last expanded message; STATUS_END_OF_RECORD after one
    int error_branch;   // the statement handles errors itself
    int end_branch;     // the statement handles end of file itself
    int at_end_of_file; // set just before an end-of-file condition is raised
    int statement_kind; // kind of the statement under way
    int in_shutdown;    // close_all_units is running
    int single_char_input; // the one-character input routine is at work
    int failed_at_exit;    // a report was written while the exit closed the units
    char report_name_buffer[REPORT_NAME_SIZE];
};
extern ErrorState error_state;

extern const std::int32_t (&ErrorNumberTable)[MESSAGE_COUNT];
extern const char* const StatementNameTable[18];

// The message texts, packed. Word-list entries: below 0x8000 the offset of a word in the
// character table (whose first character carries bit 0x80); 0x8000 ends a message; 0x9nnn
// ends it by continuing at position nnn; 0xA000, 0xC000 and 0xD000 are "%s", "%d" and "%c".
struct PackedMessageTable {
    const std::uint16_t* words;
    int word_count;
    const std::uint8_t* chars;
    int char_count;
};
extern const PackedMessageTable packed_messages;
inline constexpr std::uint16_t PACKED_END = 0x8000;
inline constexpr std::uint16_t PACKED_LINK = 0x9000;
inline constexpr std::uint16_t PACKED_STRING = 0xA000;
inline constexpr std::uint16_t PACKED_INTEGER = 0xC000;
inline constexpr std::uint16_t PACKED_CHARACTER = 0xD000;
inline constexpr int EXPANDED_MESSAGE_SIZE = 512;

// The message template of an index, in a static buffer; sets error_state.error_number.
const char* expand_message(int index);
// Fills "%d", "%s" and "%c" of a template from the arguments, by hand, into out (capacity bytes
// with the terminator; longer results are cut). Returns the length.
int format_message(char* out, int capacity, const char* message_template, std::va_list arguments);
// Writes value in decimal; out needs 12 bytes. Returns the length.
int format_decimal(char* out, int value);

// Raises by message index; the trailing arguments fill "%d" (int), "%s" (const char*) and "%c"
// (int) in order. Never returns: it unwinds to the statement (throwing StatementUnwind) or ends
// the process. Compiled-code checks (kind 11), which may return, use raise_check_error.
[[noreturn]] void raise_runtime_error(int index, int kind, ...);
// The same for the checks of compiled code (kind 11): returns the status when the report did not
// end the process (while the shutdown runs).
int raise_check_error(int index, ...);
// For the begin calls, before the statement has an unwinding point: raises with kind 16 and
// returns the status. flags -1 suppresses the report; with any other value the error branch of
// the statement under way (error_state.error_branch) decides, as for any raise.
int raise_statement_error(int index, int flags);
// Writes a report; ends the process with exit code 1 unless the shutdown is under way.
void write_error_report(int number, const char* message, int kind);

// ---- Floating-point exception report ----

struct FpErrorState {
    int fp_error_code;
    int fp_in_error;
    int math_function_id;
    char math_function_name[8];
    int math_function_name_length;
};
extern FpErrorState fp_error_state;

struct MathException {
    int type; // 1..6
    const char* name;
    double arg1;
    double arg2;
    double retval;
};
using MathErrorHook = void (*)(const char* name, int length, int* length_ptr, MathException* record,
                               std::int16_t* handled);
extern MathErrorHook math_error_hook;

// The run-time's own hook: leaves every math-library error unhandled (reported).
void default_math_error_hook(const char* name, int length, int* length_ptr, MathException* record,
                             std::int16_t* handled);

inline constexpr std::uint16_t FPU_TRAP_BITS = 0x00F2; // denormal, underflow, inexact masked
inline constexpr int FP_REPORT_SIZE = 40;
inline constexpr int MATH_FUNCTION_COTAN = 6;

void arm_fpu_traps();
void fp_signal_handler(int signal, int subcode);
void report_fp_error();
int math_error_entry(MathException* record);
// The error number of a floating-point sub-code or math-library error type. Codes without an
// entry of their own follow the numbering of their neighbours: 7..9 give 6207..6209; 135, 137
// and 140 give 6107, 6109 and 6112 (129..140 give 6101 + code - 129); any other code gives 6112,
// the number of an explicitly raised floating-point signal.
int fp_error_number(int code);

// ---- Execution traceback ----
// CallSiteRecord and the calls that programs make come from lncalc/call_sites.h.

extern CallSiteRecord* call_site_list;

inline constexpr int TRACEBACK_NAME_SIZE = 80; // work buffer of a name; longer names are cut

void push_call_site(CallSiteRecord* record);
void pop_call_site();
void print_source_position();
void print_traceback();

// Check entry points of compiled code: kind 11, message indices 10, 0, 1, 3 and 9.
void check_1();
void check_2();
void check_3();
void check_4();
void check_5();
void check_set_kind();
std::int32_t integer_power(std::int32_t exponent, std::int32_t base);

} // namespace lnc
