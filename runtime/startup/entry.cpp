// The process entry: everything the main program relies on is prepared in a fixed order under the
// last-chance exception filter, the main program runs, and its result ends the process.
#include <cstring>

#include "os/startup.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc {

namespace {

struct EntryState {
    int argc;
    char** argv;
    MainRoutine main_routine;
};
EntryState entry_state;

void initialise_exit_list() {
    if (!create_exit_list()) {
        fatal_exit(FATAL_NO_EXIT_LIST_SPACE);
    }
}

void initialise_streams() {
    if (!create_stream_table()) {
        fatal_exit(FATAL_NO_STREAM_SPACE);
    }
}

constexpr ExitRoutine FP_INITIALISER = fp_initialise;
constexpr ExitRoutine FIRST_INITIALISERS[] = {initialise_exit_list, initialise_streams,
                                              io_library_init};
constexpr ExitRoutine SECOND_INITIALISERS[] = {nullptr};

void run_list(const ExitRoutine* routines, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        if (routines[i] != nullptr) {
            routines[i]();
        }
    }
}

void read_version() {
    std::uint32_t word = os::version_word();
    process_state.version_major = word & 0xFF;
    process_state.version_minor = (word >> 8) & 0xFF;
    process_state.version_combined =
        process_state.version_major * 256 + process_state.version_minor;
    process_state.version_high = word >> 16;
}

// The heap copy of the environment block; null when the system has none to give.
char* copy_environment_block() {
    std::size_t size = os::environment_size();
    if (size == 0) {
        return nullptr;
    }
    auto* block = static_cast<char*>(allocate(size));
    if (block == nullptr) {
        fatal_exit(FATAL_NO_ENVIRONMENT_SPACE);
    }
    if (!os::copy_environment(block, size)) {
        release(block);
        return nullptr;
    }
    return block;
}

char** build_arguments(const char* line, int* count) {
    if (os::ARGUMENTS_FROM_ENTRY) {
        return copy_arguments(entry_state.argc, entry_state.argv, process_state.program_path,
                              count);
    }
    return parse_command_line(line, process_state.program_path, count);
}

// Everything from the handle table on runs under the exception filter, so that a fault during
// start-up is reported like one in the main program.
void guarded_steps() {
    if (init_handles() != 0) {
        fatal_exit(FATAL_NO_HANDLE_SPACE);
    }
    // The code page decides which bytes of the command line start a two-byte character.
    os::ansi_lead_bytes(lead_byte_table);
    const char* line = os::command_line();
    char* environment_block = copy_environment_block();
    if (line == nullptr || environment_block == nullptr) {
        exit_process(-1);
    }
    os::program_path(process_state.program_path, sizeof process_state.program_path);
    process_state.argv = build_arguments(line, &process_state.argc);
    if (process_state.argv == nullptr) {
        fatal_exit(FATAL_NO_ARGUMENT_SPACE);
    }
    char** environment = build_environment(environment_block);
    if (environment == nullptr) {
        fatal_exit(FATAL_NO_ENVIRONMENT_SPACE);
    }
    // The floating-point unit is set to 53-bit precision before the I/O initialiser arms its
    // traps.
    FP_INITIALISER();
    run_list(FIRST_INITIALISERS, sizeof FIRST_INITIALISERS / sizeof FIRST_INITIALISERS[0]);
    run_list(SECOND_INITIALISERS, sizeof SECOND_INITIALISERS / sizeof SECOND_INITIALISERS[0]);
    // The command search (PATH, COMSPEC) reads the environment through the process state.
    process_state.environment = environment;
    int code =
        entry_state.main_routine(process_state.argc, process_state.argv, process_state.environment);
    exit_process(code);
}

[[noreturn]] void end_with_exception_code(std::uint32_t code) {
    quick_exit(static_cast<int>(code));
}

} // namespace

namespace {

void release_environment(char** array, int filled) {
    for (int i = 0; i < filled; ++i) {
        release(array[i]);
    }
    release(array);
}

} // namespace

// The strings that do not begin with "=" (the current directories of drives) each get a heap copy.
// The block is released in every case, and so is a part-built array.
char** build_environment(char* block) {
    int count = 0;
    for (const char* p = block; *p != '\0'; p += std::strlen(p) + 1) {
        count += *p != '=' ? 1 : 0;
    }
    auto* array =
        static_cast<char**>(allocate((static_cast<std::size_t>(count) + 1) * sizeof(char*)));
    int filled = 0;
    for (const char* p = block; array != nullptr && *p != '\0'; p += std::strlen(p) + 1) {
        if (*p == '=') {
            continue;
        }
        std::size_t length = std::strlen(p) + 1;
        char* copy = static_cast<char*>(allocate(length));
        if (copy == nullptr) {
            release_environment(array, filled);
            array = nullptr;
            break;
        }
        array[filled++] = static_cast<char*>(std::memcpy(copy, p, length));
    }
    if (array != nullptr) {
        array[filled] = nullptr;
    }
    release(block);
    return array;
}

void process_entry(int argc, char** argv, MainRoutine main_routine) {
    // 1. The version words.
    read_version();
    // 2. The private heap; when it cannot be made every allocation fails and the first one that
    //    start-up needs ends the process with its fatal message.
    create_process_heap();
    // 3. The guarded region.
    entry_state = EntryState{argc, argv, main_routine};
    os::guarded_call(guarded_steps, exception_filter, end_with_exception_code);
    // The steps end the process; should they come back, so does this.
    exit_process(0);
}

} // namespace lnc
