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

namespace lnc::fortran {

// Which specifiers the compiled code handles itself (EnableHandlers).
inline constexpr int HANDLES_IOSTAT = 0x01;
inline constexpr int HANDLES_ERR = 0x02;
inline constexpr int HANDLES_END = 0x04;
inline constexpr int HANDLES_EOR = 0x08;

// Statements may begin inside an item of another (a function that writes); the run-time holds at
// most nine such waiting statements, the front one more for the statement that refuses the tenth.
inline constexpr int STATEMENT_SLOTS = 11;

struct FrontStatement {
    bool in_use;
    bool is_input;
    bool begun;      // the run-time's begin call has been made, or the statement refused
    bool on_runtime; // the run-time has the statement: its end call is owed
    bool failed;     // a condition the program handles ended the transfer: later items do nothing
    int unit;        // the run-time's unit argument
    const char* format;
    int format_length;
    const char* advance; // the ADVANCE= text, or null
    int advance_length;
    int handlers; // HANDLES_ bits
    int status;
    const char* refusal; // what the run-time cannot perform in this statement, or null
    char* message;       // the IOMSG= variable, filled at the end when the statement fails
    std::size_t message_length;
    CallSiteRecord site; // the statement's position while it runs
};

// Takes a record for a statement at file(line) and registers its position. Never null: with
// every record taken the statement is refused.
Handle open_statement(const char* file, int line, bool is_input, int unit);
// Marks the statement as one the run-time cannot perform; what names it in the report.
void refuse(Handle statement, const char* what);
// Fails the statement with the report of a refusal (or its status, when the program handles
// errors); false.
bool fail_with_refusal(Handle statement, const char* what);
// Makes the run-time's begin call if it is still owed; false when the statement has failed.
bool begin_on_runtime(Handle statement);
// The result of an item call: false once the statement has failed.
bool item_result(Handle statement, int status);
// An item of a type the run-time has no code for: fails the statement with its numbered report.
bool refuse_item(Handle statement);

// ---- What the front takes from the run-time beyond its public calls ----

// Reports a statement the run-time cannot perform (what names it) at the innermost position and
// ends the process; returns instead the status when handled is true.
int report_refusal(const char* what, bool handled);
// Reports text as a run-time error at the innermost position and ends the process.
void report_error_text(const char* text);
// The text of a refusal's report: what, then that it is not available.
void refusal_message(const char* what, char* out, std::size_t capacity);
// The message text of a status into out (terminated, cut to capacity); "" for status 0.
void status_message(int status, char* out, std::size_t capacity);
// Ends the program through the run-time's exit sequence (units closed) with code.
[[noreturn]] void end_program(int code);
// Writes text to standard error as it stands.
void write_standard_error(const char* text, std::size_t length);

} // namespace lnc::fortran
