// The statements and specifiers the run-time cannot perform yet: internal files, unformatted
// transfer, OPEN, CLOSE, file positioning, FLUSH, WAIT, INQUIRE, NAMELIST, and the specifiers of
// a transfer other than ADVANCE=. Each is defined, so that no call of flang's interface lands in
// flang's own run-time, and each ends in a numbered report at the statement's position (or, with
// IOSTAT= or ERR=, in the status): never a crash and never a statement that silently does
// nothing.
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

// A specifier of a transfer statement that the run-time has no way to honour.
bool refuse_specifier(Handle statement, const char* what) {
    refuse(statement, what);
    return true;
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

Handle begin_unformatted_output(int, const char* file, int line) {
    return refused_statement(file, line, false, "unformatted transfer");
}

Handle begin_unformatted_input(int, const char* file, int line) {
    return refused_statement(file, line, true, "unformatted transfer");
}

Handle begin_internal_array_list_output(const DescriptorHeader&, void**, std::size_t,
                                        const char* file, int line) {
    return refused_statement(file, line, false, "a WRITE to an internal file");
}

Handle begin_internal_array_list_input(const DescriptorHeader&, void**, std::size_t,
                                       const char* file, int line) {
    return refused_statement(file, line, true, "a READ from an internal file");
}

Handle begin_internal_array_formatted_output(const DescriptorHeader&, const char*, std::size_t,
                                             const DescriptorHeader*, void**, std::size_t,
                                             const char* file, int line) {
    return refused_statement(file, line, false, "a WRITE to an internal file");
}

Handle begin_internal_array_formatted_input(const DescriptorHeader&, const char*, std::size_t,
                                            const DescriptorHeader*, void**, std::size_t,
                                            const char* file, int line) {
    return refused_statement(file, line, true, "a READ from an internal file");
}

Handle begin_internal_list_output(char*, std::size_t, void**, std::size_t, const char* file,
                                  int line) {
    return refused_statement(file, line, false, "a WRITE to an internal file");
}

Handle begin_internal_list_input(const char*, std::size_t, void**, std::size_t, const char* file,
                                 int line) {
    return refused_statement(file, line, true, "a READ from an internal file");
}

Handle begin_internal_formatted_output(char*, std::size_t, const char*, std::size_t,
                                       const DescriptorHeader*, void**, std::size_t,
                                       const char* file, int line) {
    return refused_statement(file, line, false, "a WRITE to an internal file");
}

Handle begin_internal_formatted_input(const char*, std::size_t, const char*, std::size_t,
                                      const DescriptorHeader*, void**, std::size_t,
                                      const char* file, int line) {
    return refused_statement(file, line, true, "a READ from an internal file");
}

Handle begin_wait(int, int, const char* file, int line) {
    return refused_statement(file, line, false, "the WAIT statement");
}

Handle begin_wait_all(int, const char* file, int line) {
    return refused_statement(file, line, false, "the WAIT statement");
}

Handle begin_close(int, const char* file, int line) {
    return refused_statement(file, line, false, "the CLOSE statement");
}

Handle begin_flush(int, const char* file, int line) {
    return refused_statement(file, line, false, "the FLUSH statement");
}

Handle begin_backspace(int, const char* file, int line) {
    return refused_statement(file, line, false, "the BACKSPACE statement");
}

Handle begin_endfile(int, const char* file, int line) {
    return refused_statement(file, line, false, "the ENDFILE statement");
}

Handle begin_rewind(int, const char* file, int line) {
    return refused_statement(file, line, false, "the REWIND statement");
}

Handle begin_open_unit(int, const char* file, int line) {
    return refused_statement(file, line, false, "the OPEN statement");
}

Handle begin_open_new_unit(const char* file, int line) {
    return refused_statement(file, line, false, "the OPEN statement");
}

Handle begin_inquire_unit(int, const char* file, int line) {
    return refused_statement(file, line, false, "the INQUIRE statement");
}

Handle begin_inquire_file(const char*, std::size_t, const char* file, int line) {
    return refused_statement(file, line, false, "the INQUIRE statement");
}

Handle begin_inquire_io_length(const char* file, int line) {
    return refused_statement(file, line, false, "the INQUIRE statement");
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

bool set_asynchronous(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the ASYNCHRONOUS= specifier");
}

bool set_blank(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the BLANK= specifier");
}

bool set_decimal(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the DECIMAL= specifier");
}

bool set_delim(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the DELIM= specifier");
}

bool set_pad(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the PAD= specifier");
}

bool set_pos(Handle statement, std::int64_t) {
    return refuse_specifier(statement, "the POS= specifier");
}

bool set_rec(Handle statement, std::int64_t) {
    return refuse_specifier(statement, "the REC= specifier");
}

bool set_round(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the ROUND= specifier");
}

bool set_sign(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the SIGN= specifier");
}

bool set_access(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the ACCESS= specifier");
}

bool set_action(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the ACTION= specifier");
}

bool set_carriagecontrol(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the CARRIAGECONTROL= specifier");
}

bool set_convert(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the CONVERT= specifier");
}

bool set_encoding(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the ENCODING= specifier");
}

bool set_form(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the FORM= specifier");
}

bool set_position(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the POSITION= specifier");
}

bool set_recl(Handle statement, std::size_t) {
    return refuse_specifier(statement, "the RECL= specifier");
}

bool set_status(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the STATUS= specifier");
}

bool set_file(Handle statement, const char*, std::size_t) {
    return refuse_specifier(statement, "the FILE= specifier");
}

bool output_namelist(Handle statement, const NamelistGroup&) {
    return refuse_now(statement, "NAMELIST transfer");
}

bool input_namelist(Handle statement, const NamelistGroup&) {
    return refuse_now(statement, "NAMELIST transfer");
}

// The results and inquiries below belong to statements refused at their begin call; asking
// for them makes the refusal.
bool get_new_unit(Handle statement, int&, int) {
    return begin_on_runtime(statement);
}

std::size_t get_size(Handle statement) {
    refuse_now(statement, "the SIZE= specifier");
    return 0;
}

std::size_t get_io_length(Handle statement) {
    begin_on_runtime(statement);
    return 0;
}

int get_asynchronous_id(Handle statement) {
    begin_on_runtime(statement);
    return 0;
}

bool inquire_character(Handle statement, std::uint64_t, char*, std::size_t) {
    return begin_on_runtime(statement);
}

bool inquire_logical(Handle statement, std::uint64_t, bool&) {
    return begin_on_runtime(statement);
}

bool inquire_pending_id(Handle statement, int, bool&) {
    return begin_on_runtime(statement);
}

bool inquire_integer64(Handle statement, std::uint64_t, std::int64_t&, int) {
    return begin_on_runtime(statement);
}

} // extern "C"

} // namespace lnc::fortran
