// The statements the run-time cannot perform yet: WAIT, INQUIRE with IOLENGTH=, NAMELIST and
// SIZE=. Each is defined, so that no call of flang's interface lands in flang's own run-time, and
// each ends in a numbered report at the statement's position (or, with IOSTAT= or ERR=, in the
// status): never a crash and never a statement that silently does nothing.
#include <cstdint>

#include "fortran/front.h"

namespace lnc::fortran {

namespace {

Handle refused_statement(const char* file, int line, bool is_input, const char* what) {
    Handle statement = open_statement(file, line, is_input, 0);
    refuse(statement, what);
    return statement;
}

// A refusal named by an item or a result: the statement fails at once, begun or not.
bool refuse_now(Handle statement, const char* what) {
    if (!statement->begun) {
        refuse(statement, what);
        return begin_on_runtime(statement);
    }
    return fail_with_refusal(statement, what);
}

// A unit number that does not fit the default integer.
int refuse_unit_number(bool handle_error, char* message, std::size_t message_length,
                       const char* file, int line) {
    Handle statement = refused_statement(file, line, false, "a unit number beyond 2147483647");
    if (handle_error) {
        enable_handlers(statement, true, false, false, false, false);
    }
    get_io_msg(statement, message, message != nullptr ? message_length : 0);
    return end_io_statement(statement);
}

} // namespace

extern "C" {

Handle begin_wait(int, int, const char* file, int line) {
    return refused_statement(file, line, false, "the WAIT statement");
}

Handle begin_wait_all(int, const char* file, int line) {
    return refused_statement(file, line, false, "the WAIT statement");
}

// IOLENGTH= would need the run-time to measure a record without transferring it.
Handle begin_inquire_io_length(const char* file, int line) {
    return refused_statement(file, line, false, "INQUIRE with IOLENGTH=");
}

int check_unit_number_in_range64(std::int64_t unit, bool handle_error, char* message,
                                 std::size_t message_length, const char* file, int line) {
    if (unit >= INT32_MIN && unit <= INT32_MAX) {
        return IOSTAT_OK;
    }
    return refuse_unit_number(handle_error, message, message_length, file, line);
}

int check_unit_number_in_range128(Int128 unit, bool handle_error, char* message,
                                  std::size_t message_length, const char* file, int line) {
    if (unit >= INT32_MIN && unit <= INT32_MAX) {
        return IOSTAT_OK;
    }
    return refuse_unit_number(handle_error, message, message_length, file, line);
}

bool output_namelist(Handle statement, const NamelistGroup&) {
    return refuse_now(statement, "NAMELIST transfer");
}

bool input_namelist(Handle statement, const NamelistGroup&) {
    return refuse_now(statement, "NAMELIST transfer");
}

std::size_t get_size(Handle statement) {
    refuse_now(statement, "the SIZE= specifier");
    return 0;
}

// The results below belong to statements refused at their begin call; asking for them makes
// the refusal.
std::size_t get_io_length(Handle statement) {
    begin_on_runtime(statement);
    return 0;
}

int get_asynchronous_id(Handle statement) {
    begin_on_runtime(statement);
    return 0;
}

} // extern "C"

} // namespace lnc::fortran
