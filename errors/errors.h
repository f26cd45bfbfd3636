// Run-time error reports, floating-point exception reports and the execution traceback.
#pragma once
#include <cstdint>

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

inline constexpr int MESSAGE_COUNT = 220;
// Message indices with a meaning of their own beyond their text.
inline constexpr int MSG_END_OF_RECORD = 90;     // also raised as -2
inline constexpr int MSG_END_OF_RECORD_2 = 218;
inline constexpr int MSG_UNWIND_ONLY = -3;       // unwinds with status -3, nothing reported
inline constexpr int MSG_FORMATTED_UNAVAILABLE = 216;
inline constexpr int MSG_NAMELIST_UNAVAILABLE = 217;

// Thrown by a raise; caught only at the statement's unwinding point (the statement
// interpreters, raise_statement_error and close_all_units).
struct StatementUnwind {
    int status;
};

struct ErrorState {
    int raise_depth;
    int error_number;   // table value of the last expanded message; -2 after end of record
    int error_branch;   // the statement handles errors itself
    int end_branch;     // the statement handles end of file itself
    int at_end_of_file; // set just before an end-of-file condition is raised
    int statement_kind; // kind of the statement under way
    int in_shutdown;    // close_all_units is running
    int single_char_input; // the one-character input routine is at work
    char report_name_buffer[260];
};
extern ErrorState error_state;

extern const std::int32_t ErrorNumberTable[MESSAGE_COUNT];
extern const char* const StatementNameTable[18];

// The message template of an index, in a static buffer; sets error_state.error_number.
const char* expand_message(int index);

// Raises by message index; the trailing arguments fill "%d" (int), "%s" (const char*) and "%c"
// (int) in order. Never returns: it unwinds to the statement or ends the process.
[[noreturn]] void raise_runtime_error(int index, int kind, ...);
// The same for the checks of compiled code (kind 11), which return to their caller.
int raise_check_error(int index, ...);
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

void arm_fpu_traps();
void fp_signal_handler(int signal, int subcode);
void report_fp_error();
int math_error_entry(MathException* record);

// ---- Execution traceback ----

struct CallSiteRecord {
    CallSiteRecord* next;
    const char* source_file;
    const char* routine_name; // decorated: "_name" or "_name@8"; "_main" for the main program
    int line;
};
extern CallSiteRecord* call_site_list;

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
