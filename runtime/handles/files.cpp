// Files by name through the handle table: opening with the run-time's flags, closing, seeking,
// removal and the access check.
#include "os/files.h"
#include "os/system_errors.h"
#include "runtime/handles/handle_entries.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

int fail_invalid() {
    error_code = os::CODE_INVALID;
    system_error = 0;
    return -1;
}

// 0 when the access bits are invalid.
std::uint32_t access_of(int open_flags) {
    switch (open_flags & OPEN_ACCESS_MASK) {
    case 0:
        return os::GENERIC_READ;
    case 1:
        return os::GENERIC_WRITE;
    case 2:
        return os::GENERIC_READ | os::GENERIC_WRITE;
    default:
        return 0;
    }
}

// Share codes 0x10 to 0x40; 0xFFFFFFFF for any other.
std::uint32_t share_of(int share) {
    switch (share) {
    case 0x10:
        return 0;
    case 0x20:
        return os::SHARE_READ;
    case 0x30:
        return os::SHARE_WRITE;
    case 0x40:
        return os::SHARE_READ | os::SHARE_WRITE;
    default:
        return 0xFFFFFFFFu;
    }
}

std::uint32_t disposition_of(int open_flags) {
    switch (open_flags & (OPEN_CREATE | OPEN_TRUNCATE | OPEN_EXCLUSIVE)) {
    case OPEN_CREATE:
        return os::OPEN_ALWAYS;
    case OPEN_TRUNCATE:
    case OPEN_TRUNCATE | OPEN_EXCLUSIVE:
        return os::TRUNCATE_EXISTING;
    case OPEN_CREATE | OPEN_TRUNCATE:
        return os::CREATE_ALWAYS;
    case OPEN_CREATE | OPEN_EXCLUSIVE:
    case OPEN_CREATE | OPEN_TRUNCATE | OPEN_EXCLUSIVE:
        return os::CREATE_NEW;
    default:
        return os::OPEN_EXISTING;
    }
}

std::uint32_t attributes_of(int open_flags, int permission) {
    std::uint32_t attributes = os::ATTRIBUTE_NORMAL;
    if ((open_flags & OPEN_CREATE) && !(permission & PERMISSION_WRITE)) {
        attributes = os::ATTRIBUTE_READONLY;
    }
    if (open_flags & OPEN_TEMPORARY) {
        attributes |= os::FLAG_DELETE_ON_CLOSE;
    }
    if (open_flags & OPEN_SHORT_LIVED) {
        attributes |= os::ATTRIBUTE_TEMPORARY;
    }
    if (open_flags & OPEN_RANDOM) {
        attributes |= os::FLAG_RANDOM_ACCESS;
    }
    if (open_flags & OPEN_SEQUENTIAL) {
        attributes |= os::FLAG_SEQUENTIAL_SCAN;
    }
    return attributes;
}

bool opens_in_text_mode(int open_flags) {
    if (open_flags & MODE_BINARY) {
        return false;
    }
    return (open_flags & MODE_TEXT) || default_mode != MODE_BINARY;
}

// A Ctrl-Z that ends a file opened for update in text mode is cut off, so that appended text
// does not hide behind it; -1 (the handle closed) when the file cannot be examined.
int cut_final_ctrl_z(int h) {
    std::int32_t last = seek(h, -1, 2);
    if (last == -1) {
        if (system_error == os::SYS_NEGATIVE_SEEK) {
            return 0;
        }
        close_handle(h);
        return -1;
    }
    std::uint8_t byte = 0;
    std::uint32_t got = 0;
    bool read = os::read_file(get_os_handle(h), &byte, 1, &got);
    if (read && got == 1 && byte == 0x1A && change_size(h, last) == -1) {
        close_handle(h);
        return -1;
    }
    if (seek(h, 0, 0) == -1) {
        close_handle(h);
        return -1;
    }
    return 0;
}

} // namespace

std::int32_t seek(int h, std::int32_t offset, int origin) {
    if (h == STANDARD_INPUT)
        return_read_ahead();
    HandleEntry* entry = usable_entry(h);
    if (entry == nullptr) {
        return -1;
    }
    std::uint32_t position = os::set_file_pointer(entry->os_handle, offset, origin);
    if (position == 0xFFFFFFFFu) {
        map_system_error(os::last_error());
        return -1;
    }
    entry->mode_flags &= static_cast<std::uint8_t>(~H_EOF);
    return static_cast<std::int32_t>(position);
}

int close_handle(int h) {
    if (h == STANDARD_INPUT)
        return_read_ahead();
    HandleEntry* entry = open_entry(h);
    if (entry == nullptr) {
        return -1;
    }
    os::Handle handle = entry->os_handle;
    bool shared =
        (h == 1 || h == 2) && entry_in_range(1)->os_handle == entry_in_range(2)->os_handle;
    bool closed = shared || handle == os::NO_HANDLE || os::close_handle(handle);
    std::uint32_t failure = closed ? 0 : os::last_error();
    free_os_handle(h);
    entry->mode_flags = 0;
    entry->lookahead = NO_LOOKAHEAD;
    if (!closed) {
        map_system_error(failure);
        return -1;
    }
    return 0;
}

int open_file(const char* name, int open_flags, int share, int permission) {
    std::uint32_t access = access_of(open_flags);
    std::uint32_t sharing = share_of(share);
    if (access == 0 || sharing == 0xFFFFFFFFu) {
        return fail_invalid();
    }
    int h = allocate_handle();
    if (h == -1) {
        error_code = os::CODE_TOO_MANY_OPEN;
        system_error = 0;
        return -1;
    }
    os::Handle handle =
        os::create_file(name, access, sharing, !(open_flags & OPEN_NOT_INHERITED),
                        disposition_of(open_flags), attributes_of(open_flags, permission));
    if (handle == os::NO_HANDLE) {
        map_system_error(os::last_error());
        return -1;
    }
    int type = os::file_type(handle);
    if (type == os::FILE_TYPE_UNKNOWN) {
        std::uint32_t failure = os::last_error();
        os::close_handle(handle);
        map_system_error(failure);
        return -1;
    }
    std::uint8_t flags = H_OPEN;
    flags |= type == os::FILE_TYPE_CHAR ? H_DEVICE : type == os::FILE_TYPE_PIPE ? H_PIPE : 0;
    flags |= opens_in_text_mode(open_flags) ? H_TEXT : 0;
    set_os_handle(h, handle);
    HandleEntry* entry = entry_in_range(h);
    entry->mode_flags = flags;
    entry->lookahead = NO_LOOKAHEAD;
    bool is_file = !(flags & (H_DEVICE | H_PIPE));
    bool update = (open_flags & OPEN_ACCESS_MASK) == 2;
    if (is_file && (flags & H_TEXT) && update && cut_final_ctrl_z(h) == -1) {
        return -1;
    }
    if (is_file && (open_flags & OPEN_APPEND)) {
        entry->mode_flags |= H_APPEND;
    }
    return h;
}

int remove_file(const char* name) {
    if (!os::delete_file(name)) {
        map_system_error(os::last_error());
        return -1;
    }
    return 0;
}

int check_access(const char* name, int mode) {
    std::uint32_t attributes = os::file_attributes(name);
    if (attributes == os::INVALID_ATTRIBUTES) {
        map_system_error(os::last_error());
        return -1;
    }
    if ((attributes & os::ATTRIBUTE_READONLY) && (mode & 2)) {
        error_code = os::CODE_ACCESS;
        system_error = os::SYS_ACCESS_DENIED;
        return -1;
    }
    return 0;
}

// Two handles name the same file when the system gives both the same volume and file index,
// whatever names they were opened by.
bool same_file(int a, int b) {
    std::uint64_t volume_a, index_a, volume_b, index_b;
    if (!os::file_identity(get_os_handle(a), &volume_a, &index_a))
        return false;
    if (!os::file_identity(get_os_handle(b), &volume_b, &index_b))
        return false;
    return volume_a == volume_b && index_a == index_b;
}

} // namespace lnc
