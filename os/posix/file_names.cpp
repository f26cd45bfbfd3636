// Files by name: creation and opening with the platform's dispositions and sharing, deletion,
// attributes and the identity of an open file.
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "os/files.h"
#include "os/posix/posix_errors.h"

namespace lnc::os {

namespace {

constexpr mode_t ANY_WRITE = S_IWUSR | S_IWGRP | S_IWOTH;

int access_flags(std::uint32_t access) {
    bool reads = (access & GENERIC_READ) != 0;
    bool writes = (access & GENERIC_WRITE) != 0;
    if (reads && writes) {
        return O_RDWR;
    }
    return writes ? O_WRONLY : O_RDONLY;
}

// -1 for a disposition that does not exist.
int disposition_flags(std::uint32_t disposition) {
    switch (disposition) {
    case CREATE_NEW:
        return O_CREAT | O_EXCL;
    case CREATE_ALWAYS:
        return O_CREAT | O_TRUNC;
    case OPEN_EXISTING:
        return 0;
    case OPEN_ALWAYS:
        return O_CREAT;
    case TRUNCATE_EXISTING:
        return O_TRUNC;
    default:
        return -1;
    }
}

// A read-only file refuses writing and truncation to everyone (the superuser included), and a
// directory cannot be opened as a file; both are access denied.
bool refused_before_open(const char* name, std::uint32_t access, int flags) {
    struct stat info;
    if (::stat(name, &info) != 0 || (flags & O_EXCL) != 0) {
        return false;
    }
    if (S_ISDIR(info.st_mode)) {
        return true;
    }
    bool changes = (access & GENERIC_WRITE) != 0 || (flags & O_TRUNC) != 0;
    return S_ISREG(info.st_mode) && (info.st_mode & ANY_WRITE) == 0 && changes;
}

// Exclusive opens take an exclusive lock, shared opens a shared one, so that an exclusive open
// and any other open of the same file made through this layer exclude each other.
bool lock_for_sharing(int fd, std::uint32_t share) {
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        return true;
    }
    int operation = (share & (SHARE_READ | SHARE_WRITE)) == 0 ? LOCK_EX : LOCK_SH;
    if (::flock(fd, operation | LOCK_NB) == 0) {
        return true;
    }
    // File systems without locks open unshared.
    return errno != EWOULDBLOCK;
}

} // namespace

Handle create_file(const char* name, std::uint32_t access, std::uint32_t share, bool inheritable,
                   std::uint32_t disposition, std::uint32_t attributes) {
    int flags = disposition_flags(disposition);
    bool truncates_unwritable = disposition == TRUNCATE_EXISTING && !(access & GENERIC_WRITE);
    if (name == nullptr || flags < 0 || truncates_unwritable) {
        set_last_error(SYS_INVALID_PARAMETER);
        return NO_HANDLE;
    }
    flags |= access_flags(access) | O_NOCTTY | (inheritable ? 0 : O_CLOEXEC);
    if (refused_before_open(name, access, flags)) {
        set_last_error(SYS_ACCESS_DENIED);
        return NO_HANDLE;
    }
    mode_t mode = (attributes & ATTRIBUTE_READONLY) ? 0444 : 0666;
    int fd;
    do {
        fd = ::open(name, flags, mode);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        set_last_error_from_errno();
        return NO_HANDLE;
    }
    if (!lock_for_sharing(fd, share)) {
        ::close(fd);
        set_last_error(SYS_SHARING_VIOLATION);
        return NO_HANDLE;
    }
    // The name goes at once; the data lives until the last descriptor is closed.
    if (attributes & FLAG_DELETE_ON_CLOSE) {
        ::unlink(name);
    }
    return fd;
}

bool delete_file(const char* name) {
    struct stat info;
    if (::lstat(name, &info) != 0) {
        set_last_error_from_errno();
        return false;
    }
    if (S_ISDIR(info.st_mode) || (S_ISREG(info.st_mode) && (info.st_mode & ANY_WRITE) == 0)) {
        set_last_error(SYS_ACCESS_DENIED);
        return false;
    }
    if (::unlink(name) != 0) {
        set_last_error_from_errno();
        return false;
    }
    return true;
}

std::uint32_t file_attributes(const char* name) {
    struct stat info;
    if (::stat(name, &info) != 0) {
        set_last_error_from_errno();
        return INVALID_ATTRIBUTES;
    }
    std::uint32_t attributes = 0;
    if (S_ISDIR(info.st_mode)) {
        attributes |= ATTRIBUTE_DIRECTORY;
    }
    bool unwritable = ::access(name, W_OK) != 0 && (errno == EACCES || errno == EROFS);
    if ((info.st_mode & ANY_WRITE) == 0 || unwritable) {
        attributes |= ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? ATTRIBUTE_NORMAL : attributes;
}

bool file_identity(Handle handle, std::uint64_t* volume, std::uint64_t* index) {
    struct stat info;
    if (handle < 0 || handle > 0x7FFFFFFF) {
        set_last_error(SYS_INVALID_HANDLE);
        return false;
    }
    if (::fstat(static_cast<int>(handle), &info) != 0) {
        set_last_error_from_errno();
        return false;
    }
    *volume = static_cast<std::uint64_t>(info.st_dev);
    *index = static_cast<std::uint64_t>(info.st_ino);
    return true;
}

const std::uint8_t* inherited_handle_block(std::uint32_t* size) {
    *size = 0;
    return nullptr;
}

} // namespace lnc::os
