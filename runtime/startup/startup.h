// Process start-up and shutdown: the entry, the exit list, fatal messages, signals and the
// last-chance exception filter.
#pragma once
#include <cstdint>

#include "os/exception_codes.h"

namespace lnc {

using MainRoutine = int (*)(int argc, char** argv, char** environment);
using ExitRoutine = void (*)();
using SignalAction = void (*)(int signal, int subcode);

inline constexpr int SIGNAL_INT = 2;
inline constexpr int SIGNAL_ILL = 4;
inline constexpr int SIGNAL_FPE = 8;
inline constexpr int SIGNAL_SEGV = 11;
inline constexpr int SIGNAL_TERM = 15;
inline constexpr int SIGNAL_BREAK = 21;
inline constexpr int SIGNAL_ABRT = 22;

// Actions besides a routine.
inline const SignalAction ACTION_DEFAULT = nullptr;
inline const SignalAction ACTION_IGNORE = reinterpret_cast<SignalAction>(1);
inline const SignalAction ACTION_DIE = reinterpret_cast<SignalAction>(5);
inline const SignalAction ACTION_ERROR = reinterpret_cast<SignalAction>(-1);

// Floating-point sub-codes that accompany the floating-point signal.
inline constexpr int FPE_INVALID = 0x81;
inline constexpr int FPE_DENORMAL = 0x82;
inline constexpr int FPE_ZERODIVIDE = 0x83;
inline constexpr int FPE_OVERFLOW = 0x84;
inline constexpr int FPE_UNDERFLOW = 0x85;
inline constexpr int FPE_INEXACT = 0x86;
inline constexpr int FPE_STACKCHECK = 0x8A;
inline constexpr int FPE_EXPLICITGEN = 0x8C;

struct ProcessState {
    unsigned version_major;
    unsigned version_minor;
    unsigned version_combined; // major * 256 + minor
    unsigned version_high;     // build and platform bits; bit 15 set: not NT family
    int argc;
    char** argv;
    char** environment; // array of "NAME=value" without the "=..." entries, null-terminated
    char program_path[260];
    int fdiv_flaw;
    bool exit_returns;
};
extern ProcessState process_state;

// Parses a command line into one heap block (pointer array then strings); null on failure. An
// empty command line names the program by its path alone.
char** parse_command_line(const char* command_line, const char* program_path, int* argc);
// The arguments the program's entry received, in a block laid out as a parsed command line.
char** copy_arguments(int argc, char* const* argv, const char* program_path, int* count);
// Nonzero for the lead bytes of the code page in force (none until start-up sets the code page).
extern std::uint8_t lead_byte_table[256];
// The environment array from a block of strings closed by an empty string; null when memory runs
// short. The block is released either way.
char** build_environment(char* block);

// The floating-point initialiser and its test for the faulty divider.
bool divider_is_faulty();
int find_division_flaw(); // 1 when the divider of some processor of the process is faulty
void fp_initialise();

// The stream table: 512 stream pointers (20 when memory is short), the first 20 pointing at static
// stream records of which the first three are the standard streams.
inline constexpr int STREAM_TABLE_SIZE = 512;
inline constexpr int STATIC_STREAMS = 20;
inline constexpr int STREAM_OPEN = 0x01;
struct Stream {
    char* base;
    int count; // bytes waiting in base
    int flags;
    int file; // handle, -1 when the stream has none
};
struct StreamState {
    Stream** table;
    int size;
};
extern StreamState stream_state;
bool create_stream_table();
void flush_all_streams();

// The exception action table: which signal an exception code raises and what the signal does.
inline constexpr int EXCEPTION_ACTIONS = 10;
struct ActionEntry {
    std::uint32_t code;
    int signal;
    SignalAction action;
};
extern ActionEntry exception_actions[EXCEPTION_ACTIONS];
struct SignalState {
    int fpe_subcode;          // the sub-code of the exception being signalled, else 0x8C
    void* exception_pointers; // the platform's description of that exception, else null
    SignalAction interrupt_action;
    SignalAction break_action;
    SignalAction abort_action;
    SignalAction terminate_action;
    bool console_registered;
};
extern SignalState signal_state;

// The exit list: a heap block of routine pointers filled from the front. Its room is the size of
// the block; it starts with room for 32 routines and grows by 4 when full.
inline constexpr int EXIT_LIST_INITIAL = 32;
inline constexpr int EXIT_LIST_GROWTH = 4;
struct ExitList {
    ExitRoutine* entries; // null until the list is created
    int count;
};
extern ExitList exit_list;
bool create_exit_list(); // false when the first block cannot be had

// Run at exit unless exiting quickly: the stream flush, present once the stream table exists.
inline constexpr int PRE_TERMINATOR_SLOTS = 1;
extern ExitRoutine pre_terminators[PRE_TERMINATOR_SLOTS];

// Called by a fatal message between its leading line end and "runtime error ".
using FatalHook = void (*)();
extern FatalHook fatal_message_hook;

[[noreturn]] void process_entry(int argc, char** argv, MainRoutine main_routine);
ExitRoutine at_exit(ExitRoutine routine);
[[noreturn]] void exit_process(int code);
[[noreturn]] void quick_exit(int code);
// The fatal start-up messages by number.
enum FatalMessageNumber {
    FATAL_NO_ARGUMENT_SPACE = 8,
    FATAL_NO_ENVIRONMENT_SPACE = 9,
    FATAL_NO_EXIT_LIST_SPACE = 24,
    FATAL_NO_STREAM_SPACE = 26,
    FATAL_NO_HANDLE_SPACE = 27
};
[[noreturn]] void fatal_exit(int number);
void write_fatal_message(int number); // a number not in the table writes nothing
SignalAction set_signal(int signal, SignalAction action);
// Returns what the platform's filter protocol expects: continue, execute handler, or search.
int exception_filter(std::uint32_t code, void* pointers);
void io_library_init();

// Tests replace the process end: the hook is called with the exit code instead of ending the
// process, and must not return (it throws).
using ExitHook = void (*)(int code);
extern ExitHook exit_hook;

} // namespace lnc
