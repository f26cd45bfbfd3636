// Reports, the program's end and standard error for a front that compiles another language's
// statements onto the lncalc run-time.
//
// A statement the run-time cannot perform is refused with a numbered report at the innermost
// call-site position (lncalc/call_sites.h), unless the statement handles its errors itself:
//
//     lnc::CallSiteRecord site{nullptr, "totals.f", "_statement", 12};
//     lnc::push_call_site(&site);
//     int status = lnc::refuse_statement("the OPEN statement", has_iostat);
//     lnc::pop_call_site();
//
// Without has_iostat the program ends there with exit code 1, standard error reading
//
//     totals.f(12) : run-time error F6804
//     - the OPEN statement is not available in this run-time
//
// and the traceback; with it, status is 6804 and refusal_message gives the text for IOMSG=.
// Every call but end_program needs the run-time running (inside the main routine that
// process_entry calls, lncalc/entry.h).
#pragma once

namespace lnc {

// The status of a refused statement: the number of the run-time's catch-all error.
inline constexpr int STATUS_REFUSED = 6804;

// Refuses a statement (what names it: "the OPEN statement"). When handled is false, writes the
// report and ends the process with exit code 1 through the exit sequence; returns
// STATUS_REFUSED when handled is true (and, without ending, while the exit sequence runs).
int refuse_statement(const char* what, bool handled);
// The message of a refusal, what followed by " is not available in this run-time", into out
// (terminated, cut to capacity). Returns its length.
int refusal_message(const char* what, char* out, int capacity);
// The message of a status that a statement returned: the text of its error number, "end of
// file encountered" for -1, "end of record" for -2, "" for 0, "unknown run-time error" for a
// number the run-time does not have; into out, terminated, cut to capacity. Returns its length.
int status_message(int status, char* out, int capacity);
// Writes a numbered report (F6804) whose message is text, at the innermost call-site position,
// and ends the process with exit code 1 (returns only while the exit sequence runs).
void report_error_text(const char* text);

// Ends the program with code through the run-time's exit sequence: the units are closed, what
// they hold is written and a console line still owed its line end gets it.
[[noreturn]] void end_program(int code);

// Writes length bytes to standard error as they stand (no line end added). Returns the count
// written, or -1.
int write_standard_error(const char* bytes, int length);

} // namespace lnc
