// Command execution: the interpreter, the PATH search and child processes.
#pragma once
#include <cstdint>

namespace lnc {

inline constexpr int SPAWN_WAIT = 0;
inline constexpr int SPAWN_NO_WAIT = 1;
inline constexpr int SPAWN_OVERLAY = 2;
inline constexpr int SPAWN_NO_WAIT_2 = 3;
inline constexpr int SPAWN_DETACHED = 4;

// ';' on Windows, ':' on POSIX; defined by the platform layer.
extern const char PATH_LIST_SEPARATOR;

int run_command(const char* command);
std::intptr_t spawn_searching_path(int mode, const char* name, const char* const* arguments,
                                   const char* const* environment);
std::intptr_t spawn_program(int mode, const char* name, const char* const* arguments,
                            const char* const* environment);
const char* next_path_element(const char* position, char* out, int capacity,
                              char separator = PATH_LIST_SEPARATOR);
const char* find_environment_value(const char* name);

// The handles passed to a child that shares this run-time: a 32-bit count N (up to the highest
// open handle), N flag bytes, N 32-bit system handles; in detached mode the first three are
// masked. A heap block of *size bytes, or null when memory runs out.
void* build_handle_block(int mode, std::uint32_t* size);

} // namespace lnc
