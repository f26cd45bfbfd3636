// The operating system's process services as start-up and shutdown see them: the version word,
// the command line and program path, the environment, the end of the process, processor
// affinity, and the delivery of processor exceptions to the run-time's last-chance filter.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lnc::os {

// The version word: low byte the major version, next byte the minor version, high word the
// build number with bit 15 set on a platform outside the NT family.
std::uint32_t version_word();

// True where the program's entry receives its arguments already split, so that argv is taken
// as given; false where the run-time splits the raw command line itself.
extern const bool ARGUMENTS_FROM_ENTRY;
// The raw command line, or null when it cannot be had.
const char* command_line();
// Marks in table (one byte per byte value) the lead bytes of double-byte characters in the
// system's ANSI code page; every other entry is cleared.
void ansi_lead_bytes(std::uint8_t table[256]);
// The program's full path, cut to capacity - 1 bytes and terminated; its length, 0 on failure.
int program_path(char* out, int capacity);

// The environment as one block of terminated strings closed by an empty string. The size is
// counted with every terminator (0 when the environment cannot be had); the copy fails when the
// block no longer fits the size given.
std::size_t environment_size();
bool copy_environment(char* out, std::size_t size);

// Ends the process at once: nothing is flushed, no exit routine of the C library runs.
[[noreturn]] void end_process(int code);
// Raises the number of file handles the process may hold where the platform limits it.
void set_handle_count(int count);

// Processor affinity for tests that must run on each processor in turn (processors 0 to 31).
bool process_affinity(std::uint32_t* mask);
bool bind_thread(std::uint32_t mask);
// Lets the calling thread run on every processor of the process again.
bool unbind_thread();

// ---- Processor exceptions ----

// What a filter answers, as the structured exception protocol has them.
inline constexpr int EXCEPTION_EXECUTE_HANDLER = 1;
inline constexpr int EXCEPTION_CONTINUE_SEARCH = 0;
inline constexpr int EXCEPTION_CONTINUE_EXECUTION = -1;

// Exception codes the platform delivers besides those the run-time's action table knows.
inline constexpr std::uint32_t EXCEPTION_INT_DIVIDE_BY_ZERO = 0xC0000094u;
inline constexpr std::uint32_t EXCEPTION_INT_OVERFLOW = 0xC0000095u;
inline constexpr std::uint32_t EXCEPTION_IN_PAGE_ERROR = 0xC0000006u;
inline constexpr std::uint32_t EXCEPTION_BREAKPOINT = 0x80000003u;

using ExceptionFilter = int (*)(std::uint32_t code, void* pointers);
using ExceptionHandler = void (*)(std::uint32_t code); // ends the process

// Runs body with every processor exception raised inside it passed to filter with the
// platform's description of the fault; when the filter answers EXCEPTION_EXECUTE_HANDLER the
// handler ends the process with the exception code.
void guarded_call(void (*body)(), ExceptionFilter filter, ExceptionHandler handler);
// The system's own handling of an exception nobody has claimed.
int unhandled_exception_filter(void* pointers);
// The exception code and the x87 status word saved at the fault (0 when none was saved).
std::uint32_t exception_code_of(const void* pointers);
std::uint16_t fpu_status_of(const void* pointers);
// Delivers a floating-point exception that a unit in software met, with its status word, as a
// processor's trap is delivered: to the filter of the guarded call, and from there to the
// handler or the signal's default end. Returns when the filter resumes execution.
void raise_fp_exception(std::uint32_t code, std::uint16_t status);

// Console control events and their routine: nonzero from the routine means handled.
inline constexpr int CONTROL_C_EVENT = 0;
inline constexpr int CONTROL_BREAK_EVENT = 1;
inline constexpr int CONTROL_CLOSE_EVENT = 2;
using ConsoleControl = int (*)(int event);
// Registers the routine for every console control event; false with last_error() set.
bool register_console_control(ConsoleControl routine);

} // namespace lnc::os
