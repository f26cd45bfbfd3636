// The last system error of the platform layer and its translation from errno.
#include <cerrno>

#include "os/files.h"
#include "os/posix/posix_errors.h"

namespace lnc::os {

namespace {

struct ErrnoRow {
    int error;
    std::uint32_t system;
};

constexpr ErrnoRow ErrnoTable[] = {
    {ENOENT, SYS_FILE_NOT_FOUND},
    {ENOTDIR, SYS_PATH_NOT_FOUND},
    {ELOOP, SYS_PATH_NOT_FOUND},
    {EMFILE, SYS_TOO_MANY_OPEN_FILES},
    {ENFILE, SYS_TOO_MANY_OPEN_FILES},
    {EACCES, SYS_ACCESS_DENIED},
    {EPERM, SYS_ACCESS_DENIED},
    {EISDIR, SYS_ACCESS_DENIED},
    {EBADF, SYS_INVALID_HANDLE},
    {ENOMEM, SYS_NOT_ENOUGH_MEMORY},
    {EXDEV, SYS_NOT_SAME_DEVICE},
    {EROFS, SYS_WRITE_PROTECT},
    {ENXIO, SYS_NOT_READY},
    {ENODEV, SYS_NOT_READY},
    {EAGAIN, SYS_NOT_READY},
    {EIO, SYS_GEN_FAILURE},
    {ETXTBSY, SYS_SHARING_VIOLATION},
    {EEXIST, SYS_FILE_EXISTS},
    {EINVAL, SYS_INVALID_PARAMETER},
    {EPIPE, SYS_BROKEN_PIPE},
    {ENOSPC, SYS_DISK_FULL},
    {EDQUOT, SYS_DISK_FULL},
    {ECHILD, SYS_WAIT_NO_CHILDREN},
    {ESPIPE, SYS_SEEK_ON_DEVICE},
    {ENOTEMPTY, SYS_DIR_NOT_EMPTY},
    {EBUSY, SYS_BUSY},
    {ENOEXEC, SYS_BAD_EXE_FORMAT},
    {ENAMETOOLONG, SYS_FILENAME_TOO_LONG},
    {EFBIG, SYS_FILE_TOO_LARGE},
    {EFAULT, SYS_NOACCESS},
};

std::uint32_t last_system_error = 0;

} // namespace

std::uint32_t system_error_from_errno(int error) {
    for (const ErrnoRow& row : ErrnoTable) {
        if (row.error == error) {
            return row.system;
        }
    }
    return SYS_INVALID_PARAMETER;
}

void set_last_error_from_errno() {
    last_system_error = system_error_from_errno(errno);
}

std::uint32_t last_error() {
    return last_system_error;
}

void set_last_error(std::uint32_t code) {
    last_system_error = code;
}

} // namespace lnc::os
