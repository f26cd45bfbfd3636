// The two vocabularies of a failure: the system error number that the platform layer leaves in
// last_error() (every platform speaks the Windows numbering), and the portable code that the
// handle layer stores in error_code after translating it.
#pragma once
#include <cstdint>

namespace lnc::os {

// System error numbers.
enum SystemError : std::uint32_t {
    SYS_FILE_NOT_FOUND = 2,
    SYS_PATH_NOT_FOUND = 3,
    SYS_TOO_MANY_OPEN_FILES = 4,
    SYS_ACCESS_DENIED = 5,
    SYS_INVALID_HANDLE = 6,
    SYS_NOT_ENOUGH_MEMORY = 8,
    SYS_BAD_ENVIRONMENT = 10,
    SYS_NOT_SAME_DEVICE = 17,
    SYS_WRITE_PROTECT = 19,
    SYS_NOT_READY = 21,
    SYS_GEN_FAILURE = 31,
    SYS_SHARING_VIOLATION = 32,
    SYS_LOCK_VIOLATION = 33,
    SYS_FILE_EXISTS = 80,
    SYS_INVALID_PARAMETER = 87,
    SYS_BROKEN_PIPE = 109,
    SYS_DISK_FULL = 112,
    SYS_WAIT_NO_CHILDREN = 128,
    SYS_NEGATIVE_SEEK = 131,
    SYS_SEEK_ON_DEVICE = 132,
    SYS_DIR_NOT_EMPTY = 145,
    SYS_BUSY = 170,
    SYS_BAD_EXE_FORMAT = 193,
    SYS_FILENAME_TOO_LONG = 206,
    SYS_FILE_TOO_LARGE = 223,
    SYS_NOACCESS = 998,
};

// Portable codes in error_code.
enum ErrorCode : int {
    CODE_NO_ENTRY = 2,
    CODE_UNIT_TABLE_FULL = 3,
    CODE_ARGUMENTS_TOO_LONG = 7,
    CODE_NOT_EXECUTABLE = 8,
    CODE_BAD_HANDLE = 9,
    CODE_NO_MEMORY = 12,
    CODE_ACCESS = 13,
    CODE_EXISTS = 17,
    CODE_INVALID = 22,
    CODE_TOO_MANY_OPEN = 24,
    CODE_NO_SPACE = 28,
};

} // namespace lnc::os
