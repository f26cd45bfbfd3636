// Call-site records and the check entry points of the lncalc run-time.
//
// A routine that wants its position in run-time error reports keeps a CallSiteRecord in its
// frame, pushes it on entry, keeps its line current and pops it on every way out:
//
//     int total(int n) {                       // in "totals.f", line 10 onwards
//         lnc::CallSiteRecord site{nullptr, "totals.f", "_total@4", 10};
//         lnc::push_call_site(&site);
//         site.line = 12;
//         int result = lnc::integer_power(n, 10);    // 10 ** n
//         lnc::pop_call_site();
//         return result;
//     }
//
// While records are pushed, a run-time error report starts with the innermost record's position
// ("totals.f(12) : run-time error ...") and ends with an execution traceback, innermost first:
//
//     Execution traceback:
//             from total in totals.f(12)
//             from main program in main.f(4)
//
// Routine names are in decorated form: a leading underscore, the name, and an optional "@" with
// the argument byte count, which the traceback leaves out; "_main" names the main program.
// Names and file names are cut at 79 characters.
#pragma once
#include <cstdint>

namespace lnc {

struct CallSiteRecord {
    CallSiteRecord* next; // the caller's record; set by push_call_site
    const char* source_file;
    const char* routine_name; // decorated: "_name" or "_name@8"; "_main" for the main program
    int line;                 // the line of the statement under way
};

void push_call_site(CallSiteRecord* record);
void pop_call_site();

// Checks for compiled code: each reports a run-time error of kind "$DEBUG" and ends the process
// (exit code 1) with its message: check_1 6106 "value out of the declared range", check_2 6096
// "array index out of range", check_3 6097 "substring bounds out of range", check_4 6099
// "integer overflow in arithmetic", check_5 6105 "integer division by zero".
void check_1();
void check_2();
void check_3();
void check_4();
void check_5();

// base ** exponent in 32-bit integers; an overflow is reported through check_4. A negative
// exponent gives the integer quotient of 1 by the base raised to the exponent's magnitude (a
// base of 0 is then reported through check_5).
std::int32_t integer_power(std::int32_t exponent, std::int32_t base);

} // namespace lnc
