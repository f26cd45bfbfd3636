// Files, pipes and terminals through POSIX descriptors, with the results and error numbers that
// the handle layer expects of the platform's file services.
#include <cerrno>
#include <climits>
#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/files.h"
#include "os/posix/console_input.h"
#include "os/posix/posix_errors.h"

namespace lnc::os {

namespace {

Handle std_handles[3] = {0, 1, 2};

void absorb_broken_pipe(int) {}

// A write to a pipe whose reader has gone must come back as a broken-pipe error, never end the
// process, so from the first use of this layer the signal announcing it is caught and dropped.
// A handler, unlike an ignored signal, falls back to the default in the programs this process
// starts, so that they meet a broken pipe as they expect to. A disposition someone else chose
// is left alone.
void prepare_process() {
    static bool prepared = false;
    if (prepared) {
        return;
    }
    prepared = true;
    // One call in the usual case: the handler goes in and the disposition it replaced comes
    // back, to be put back when it was not the default.
    struct sigaction absorb = {};
    absorb.sa_handler = absorb_broken_pipe;
    sigemptyset(&absorb.sa_mask);
    absorb.sa_flags = SA_RESTART;
    struct sigaction previous = {};
    if (::sigaction(SIGPIPE, &absorb, &previous) == 0 && previous.sa_handler != SIG_DFL) {
        ::sigaction(SIGPIPE, &previous, nullptr);
    }
}

bool valid(Handle handle) {
    if (handle < 0 || handle > INT_MAX) {
        set_last_error(SYS_INVALID_HANDLE);
        return false;
    }
    return true;
}

int fd_of(Handle handle) {
    return static_cast<int>(handle);
}

bool fail_from_errno() {
    set_last_error_from_errno();
    return false;
}

// A descriptor that is open but not for this direction of transfer is refused access, as the
// platform's handles are; only a descriptor that is not open at all is an invalid handle.
bool fail_transfer(int fd) {
    if (errno == EBADF && ::fcntl(fd, F_GETFL) != -1) {
        set_last_error(SYS_ACCESS_DENIED);
        return false;
    }
    return fail_from_errno();
}

} // namespace

Handle get_std_handle(int which) {
    prepare_process();
    if (which < 0 || which > 2) {
        set_last_error(SYS_INVALID_PARAMETER);
        return NO_HANDLE;
    }
    return std_handles[which];
}

bool set_std_handle(int which, Handle handle) {
    prepare_process();
    if (which < 0 || which > 2) {
        set_last_error(SYS_INVALID_PARAMETER);
        return false;
    }
    std_handles[which] = handle;
    return true;
}

int file_type(Handle handle) {
    struct stat info;
    if (!valid(handle)) {
        return FILE_TYPE_UNKNOWN;
    }
    if (::fstat(fd_of(handle), &info) != 0) {
        set_last_error_from_errno();
        return FILE_TYPE_UNKNOWN;
    }
    if (S_ISCHR(info.st_mode)) {
        return FILE_TYPE_CHAR;
    }
    if (S_ISFIFO(info.st_mode) || S_ISSOCK(info.st_mode)) {
        return FILE_TYPE_PIPE;
    }
    if (S_ISREG(info.st_mode)) {
        return FILE_TYPE_DISK;
    }
    set_last_error(0);
    return FILE_TYPE_UNKNOWN;
}

bool read_file(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done) {
    *done = 0;
    if (!valid(handle)) {
        return false;
    }
    if (::isatty(fd_of(handle))) {
        return read_terminal_line(fd_of(handle), buffer, count, done);
    }
    return read_not_device(handle, buffer, count, done);
}

bool read_not_device(Handle handle, void* buffer, std::uint32_t count, std::uint32_t* done) {
    *done = 0;
    if (!valid(handle)) {
        return false;
    }
    ssize_t got;
    do {
        got = ::read(fd_of(handle), buffer, count);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        if (errno == ECONNRESET) {
            set_last_error(SYS_BROKEN_PIPE);
            return false;
        }
        return fail_transfer(fd_of(handle));
    }
    *done = static_cast<std::uint32_t>(got);
    return true;
}

// A failure after part of the data went out reports the part as a short write; the failure
// shows again on the next write.
bool write_file(Handle handle, const void* bytes, std::uint32_t count, std::uint32_t* done) {
    prepare_process();
    *done = 0;
    if (!valid(handle)) {
        return false;
    }
    const char* next = static_cast<const char*>(bytes);
    std::uint32_t written = 0;
    while (written < count) {
        ssize_t put = ::write(fd_of(handle), next + written, count - written);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            if (put == 0) {
                set_last_error(SYS_DISK_FULL);
            } else {
                fail_transfer(fd_of(handle));
            }
            *done = written;
            return written > 0;
        }
        written += static_cast<std::uint32_t>(put);
    }
    *done = written;
    return true;
}

std::uint32_t set_file_pointer(Handle handle, std::int32_t offset, int origin) {
    constexpr std::uint32_t FAILED = 0xFFFFFFFFu;
    if (!valid(handle)) {
        return FAILED;
    }
    int fd = fd_of(handle);
    off_t current = ::lseek(fd, 0, SEEK_CUR);
    if (current < 0) {
        set_last_error(errno == ESPIPE ? SYS_SEEK_ON_DEVICE : system_error_from_errno(errno));
        return FAILED;
    }
    off_t base = 0;
    if (origin == 1) {
        base = current;
    } else if (origin == 2) {
        struct stat info;
        if (::fstat(fd, &info) != 0) {
            set_last_error_from_errno();
            return FAILED;
        }
        base = info.st_size;
    } else if (origin != 0) {
        set_last_error(SYS_INVALID_PARAMETER);
        return FAILED;
    }
    off_t target = base + offset;
    if (target < 0) {
        set_last_error(SYS_NEGATIVE_SEEK);
        return FAILED;
    }
    if (::lseek(fd, target, SEEK_SET) < 0) {
        set_last_error_from_errno();
        return FAILED;
    }
    return static_cast<std::uint32_t>(target);
}

bool set_end_of_file(Handle handle) {
    if (!valid(handle)) {
        return false;
    }
    off_t current = ::lseek(fd_of(handle), 0, SEEK_CUR);
    if (current < 0 || ::ftruncate(fd_of(handle), current) != 0) {
        return fail_from_errno();
    }
    return true;
}

// Only disk files hold data on their way out; pipes and devices have nothing to flush.
bool flush_file_buffers(Handle handle) {
    struct stat info;
    if (!valid(handle)) {
        return false;
    }
    if (::fstat(fd_of(handle), &info) != 0) {
        return fail_from_errno();
    }
    if (S_ISREG(info.st_mode) && ::fsync(fd_of(handle)) != 0) {
        return fail_from_errno();
    }
    return true;
}

// The descriptor is gone after close even when close reports an interruption.
bool close_handle(Handle handle) {
    if (!valid(handle)) {
        return false;
    }
    forget_terminal_input(fd_of(handle));
    if (::close(fd_of(handle)) != 0 && errno != EINTR) {
        return fail_from_errno();
    }
    return true;
}

} // namespace lnc::os
