// The operating system's process services as command execution sees them: how program names are
// found, which command interpreter stands behind a command line, and starting and waiting for a
// child. Failures leave a Windows system error number in last_error() (files.h): 2 file not found,
// 3 path not found, 5 access denied, 8 not enough memory, 193 not a program the system can start.
#pragma once
#include <cstdint>

namespace lnc::os {

// How this platform spells and resolves program names.
struct SpawnRules {
    char list_separator;                 // between the elements of PATH
    char directory_separator;            // appended to a PATH element that does not end in one
    const char* directory_separators;    // every character that ends a directory part
    char drive_separator;                // ends a drive part ("C:name"); 0 when there is none
    const char* interpreter_switch;      // makes the interpreter run the rest of its command line
    bool bare_name_in_current_directory; // a name without a directory is looked for in "."
    const char* const* extensions;       // tried in order on a name without one; null: none
};
extern const SpawnRules spawn_rules;

// The command interpreter used when COMSPEC names none; version_high is the version word that
// start-up keeps (bit 15 set: not the NT family).
const char* fallback_interpreter(unsigned version_high);

bool file_exists(const char* path);
// 0 when the path names a file that this platform can start, else the system error: 2 or 3 when
// it is missing, 5 when it exists but cannot be started (a directory, no permission to execute).
std::uint32_t program_file_status(const char* path);

// Starts the program at path with the arguments (element 0 first, null-ended) and the environment
// (null-ended "NAME=value" strings; null: this process's own). The inherited-handle block is
// passed on where the platform needs one. Modes as spawn_program: 0 waits and yields the exit code
// (-1 for a child ended by a signal), 1 and 3 yield the child's handle, 2 and 4 yield 0 (mode 4
// detaches the child from the console and the standard handles). Returns false, with last_error
// set, when no child was started.
bool start_process(int mode, const char* path, const char* const* arguments,
                   const char* const* environment, const void* handle_block,
                   std::uint32_t handle_block_size, std::intptr_t* result);

} // namespace lnc::os
