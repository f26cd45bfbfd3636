// The start and end of a Fortran program on the run-time: the program start hands over to the
// run-time's start-up, which runs the main program; STOP, CALL EXIT and the program's end end it
// through the run-time's exit sequence, which closes the units; PAUSE is the run-time's pause.
//
// flang's compiled main calls the program start, then the main program, then the program end.
// The program start never returns: start-up calls the main program itself and ends the process
// when it is done, so the compiled main's own calls after it are never reached.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "fortran/front.h"
#include "lncalc/entry.h"
#include "lncalc/statements.h"

namespace lnc::fortran {

namespace {

// flang's -fconvert= reaches the program as FORT_CONVERT among the environment defaults (or the
// user sets it): records in the other byte order are refused rather than written in this one.
bool asks_swapped_order(const char* convert) {
    return convert != nullptr &&
           (std::strcmp(convert, "SWAP") == 0 || std::strcmp(convert, "BIG_ENDIAN") == 0);
}

int run_main_program(int, char**, char**) {
    fortran_main_program();
    return 0;
}

constexpr char CRLF[] = "\r\n";
constexpr std::size_t STOP_TEXT_CAPACITY = 512;

// The STOP message, built by hand and written whole.
struct StopText {
    char text[STOP_TEXT_CAPACITY];
    std::size_t length;

    void put(const char* part, std::size_t count) {
        for (std::size_t i = 0; i < count && length < STOP_TEXT_CAPACITY; ++i) {
            text[length++] = part[i];
        }
    }
    void put(const char* part) { put(part, std::strlen(part)); }
    void put_decimal(int value) {
        char digits[12];
        int count = 0;
        unsigned magnitude = value < 0 ? 0u - static_cast<unsigned>(value) : value;
        do {
            digits[count++] = static_cast<char>('0' + magnitude % 10);
            magnitude /= 10;
        } while (magnitude != 0);
        if (value < 0) {
            put("-");
        }
        while (count > 0) {
            put(&digits[--count], 1);
        }
    }
};

// The words are flang's; like the run-time's reports, the message starts on a line of its own.
void write_stop_message(const char* detail, std::size_t length, bool is_error_stop) {
    StopText message{};
    message.put(CRLF);
    message.put(is_error_stop ? "Fortran ERROR STOP" : "Fortran STOP");
    if (detail != nullptr) {
        message.put(": ");
        message.put(detail, length);
    }
    message.put(CRLF);
    write_standard_error(message.text, static_cast<int>(message.length));
}

} // namespace

extern "C" {

void program_start(int argc, const char* argv[], const char* environment[],
                   const EnvironmentDefaultList* defaults) {
    // flang's intrinsics for the command line and the environment read what its own program
    // start records; the environment defaults are set before start-up copies the environment.
    Fortran::runtime::executionEnvironment.Configure(argc, argv, environment, defaults);
    unformatted_swapped = asks_swapped_order(std::getenv("FORT_CONVERT"));
    process_entry(argc, const_cast<char**>(argv), run_main_program);
}

void program_end_statement() {
    end_program(0);
}

void stop_statement(int code, bool is_error_stop, bool quiet) {
    if (!quiet) {
        StopText detail{};
        if (code != 0) {
            detail.put("code ");
            detail.put_decimal(code);
        }
        write_stop_message(code != 0 ? detail.text : nullptr, detail.length, is_error_stop);
    }
    end_program(code);
}

void stop_statement_text(const char* text, std::size_t length, bool is_error_stop, bool quiet) {
    if (!quiet) {
        write_stop_message(text, length, is_error_stop);
    }
    end_program(is_error_stop ? 1 : 0);
}

void pause_statement() {
    lnc::pause_statement(0, nullptr);
}

void pause_statement_int(int code) {
    StopText message{};
    message.put_decimal(code);
    lnc::pause_statement(static_cast<int>(message.length), message.text);
}

void pause_statement_text(const char* text, std::size_t length) {
    lnc::pause_statement(length < INT_MAX ? static_cast<int>(length) : INT_MAX, text);
}

void pause_with_text(const char* text, std::size_t length) {
    pause_statement_text(text, length);
}

void fail_image_statement() {
    end_program(1);
}

void exit_statement(int status) {
    end_program(status);
}

void abort_statement() {
    std::abort();
}

void report_fatal_user_error(const char* message, const char* source, int line) {
    CallSiteRecord site{nullptr, source != nullptr ? source : "?", "_statement", line};
    push_call_site(&site);
    report_error_text(message != nullptr ? message : "");
    end_program(1); // reached only while the run-time shuts down
}

void byteswap_option() {
    unformatted_swapped = true;
}

} // extern "C"

} // namespace lnc::fortran

// flang's own units, linked with its intrinsics, refer to two routines that sit beside flang's I/O
// entry points; they are defined here, in the file every program links, so that the linker finds
// them before it reaches flang's library and never takes flang's entry points with them.
namespace Fortran::runtime::io {

const char* InquiryKeywordHashDecode(char* buffer, std::size_t capacity, std::uint64_t hash) {
    // The letters are the base-26 digits below the leading 1, the first letter the highest.
    char letters[16];
    std::size_t count = 0;
    for (; hash > 1 && count < sizeof letters; hash /= 26) {
        letters[count++] = static_cast<char>('A' + hash % 26);
    }
    if (hash != 1 || count + 1 > capacity) {
        return nullptr;
    }
    for (std::size_t i = 0; i < count; ++i) {
        buffer[i] = letters[count - 1 - i];
    }
    buffer[count] = '\0';
    return buffer;
}

bool IsNamelistNameOrSlash(IoStatementState&) {
    return false;
}

} // namespace Fortran::runtime::io
