// Starting and waiting for child processes on POSIX, and how program names are found here.
#include "os/spawn.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "os/files.h"

extern char** environ;

namespace lnc {
extern const char PATH_LIST_SEPARATOR;
const char PATH_LIST_SEPARATOR = ':';
} // namespace lnc

namespace lnc::os {

// Names are taken as they stand (no extension is guessed) and a bare name is never looked for in
// the current directory: only PATH leads to it.
const SpawnRules spawn_rules = {':', '/', "/", '\0', "-c", false, nullptr};

const char* fallback_interpreter(unsigned) {
    return "sh";
}

namespace {

std::uint32_t system_error_of(int error) {
    switch (error) {
    case ENOENT:
    case ENAMETOOLONG:
        return 2;
    case ENOTDIR:
    case ELOOP:
        return 3;
    case EACCES:
    case EPERM:
    case EISDIR:
        return 5;
    case ENOMEM:
    case EAGAIN:
        return 8;
    case E2BIG:
        return 10;
    case ETXTBSY:
        return 32;
    case ENOEXEC:
        return 193;
    default:
        return 87;
    }
}

bool fail(int error) {
    set_last_error(system_error_of(error));
    return false;
}

// The child was started either way: a lost exit status must not start it a second time.
std::intptr_t wait_for(pid_t child) {
    int status = 0;
    pid_t waited;
    do
        waited = waitpid(child, &status, 0);
    while (waited == -1 && errno == EINTR);
    return waited == child && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A detached child gets a session of its own and /dev/null for its standard handles.
bool detach(posix_spawnattr_t* attributes, posix_spawn_file_actions_t* actions) {
    return posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETSID) == 0 &&
           posix_spawn_file_actions_addopen(actions, 0, "/dev/null", O_RDONLY, 0) == 0 &&
           posix_spawn_file_actions_addopen(actions, 1, "/dev/null", O_WRONLY, 0) == 0 &&
           posix_spawn_file_actions_addopen(actions, 2, "/dev/null", O_WRONLY, 0) == 0;
}

} // namespace

bool file_exists(const char* path) {
    struct stat status;
    return stat(path, &status) == 0;
}

std::uint32_t program_file_status(const char* path) {
    struct stat status;
    if (stat(path, &status) != 0)
        return system_error_of(errno);
    if (!S_ISREG(status.st_mode) || access(path, X_OK) != 0)
        return 5;
    return 0;
}

bool start_process(int mode, const char* path, const char* const* arguments,
                   const char* const* environment, const void*, std::uint32_t,
                   std::intptr_t* result) {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_init(&actions);
    int error = 0;
    if (mode == 4 && !detach(&attributes, &actions))
        error = ENOMEM;
    pid_t child = 0;
    if (error == 0)
        error =
            posix_spawn(&child, path, &actions, &attributes, const_cast<char* const*>(arguments),
                        const_cast<char* const*>(environment != nullptr ? environment : environ));
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        return fail(error);
    if (mode == 0)
        *result = wait_for(child);
    else
        *result = mode == 1 || mode == 3 ? child : 0;
    return true;
}

} // namespace lnc::os
