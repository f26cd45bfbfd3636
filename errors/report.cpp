// The run-time error report on standard error, and the end of the process that follows it.
#include <cstring>

#include "errors/errors.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"
#include "runtime/startup/startup.h"

namespace lnc {
namespace {


// Reports being written; a report inside a report is legitimate only while the shutdown runs.
int reports_in_progress = 0;

struct ReportInProgress {
    ReportInProgress() { ++reports_in_progress; }
    ~ReportInProgress() { --reports_in_progress; }
    ReportInProgress(const ReportInProgress&) = delete;
    ReportInProgress& operator=(const ReportInProgress&) = delete;
};

void put(const char* text) {
    write_handle(STANDARD_ERROR, text, static_cast<int>(std::strlen(text)));
}

// "F6103" or "M6103": the letter and the number.
void put_code(int number, int kind) {
    char code[14];
    code[0] = kind == KIND_MATH ? 'M' : 'F';
    format_decimal(code + 1, number);
    put(code);
}

} // namespace

void write_error_report(int number, const char* message, int kind) {
    if (reports_in_progress > 0 && error_state.in_shutdown == 0) {
        // Writing the report itself failed into another report: give up on both rather than
        // loop, and end the process without running the exit list again.
        quick_exit(1);
    }
    ReportInProgress guard;
    if (message == nullptr) {
        message = "";
    }
    if (kind < KIND_UNNAMED || kind > KIND_PANE) {
        kind = KIND_NONE; // no statement to name
    }
    put("\r\n");
    if (call_site_list != nullptr) {
        print_source_position();
    }
    put("run-time error ");
    put_code(number, kind);
    put(StatementNameTable[kind]);
    if (kind < KIND_DEBUG) {
        error_state.report_name_buffer[REPORT_NAME_SIZE - 1] = '\0';
        put(error_state.report_name_buffer);
        put(message[0] != '\0' ? ")\r\n- " : ")\r\n");
    }
    put(message);
    put("\r\n");
    print_traceback();
    if (error_state.in_shutdown == 0) {
        exit_process(1);
    }
    error_state.failed_at_exit = 1;
}

} // namespace lnc
