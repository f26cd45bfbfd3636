// The handle table: blocks of entries over operating-system handles, their allocation, the
// standard handles at start-up and the per-handle mode.
#include <cstring>

#include "os/files.h"
#include "os/system_errors.h"
#include "runtime/handles/handle_entries.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc {

HandleTable handle_table = {};
int default_mode = 0;

namespace {

constexpr std::uint32_t MOST_HANDLES = HANDLES_PER_BLOCK * HANDLE_BLOCKS;

void clear_entry(HandleEntry* entry) {
    entry->os_handle = os::NO_HANDLE;
    entry->mode_flags = 0;
    entry->lookahead = NO_LOOKAHEAD;
}

HandleEntry* new_block() {
    auto* block = static_cast<HandleEntry*>(allocate(HANDLES_PER_BLOCK * sizeof(HandleEntry)));
    if (block != nullptr) {
        for (int i = 0; i < HANDLES_PER_BLOCK; ++i) {
            clear_entry(&block[i]);
        }
    }
    return block;
}

bool add_block() {
    int index = handle_table.handle_count / HANDLES_PER_BLOCK;
    if (index >= HANDLE_BLOCKS) {
        return false;
    }
    HandleEntry* block = new_block();
    if (block == nullptr) {
        return false;
    }
    handle_table.blocks[index] = block;
    handle_table.handle_count += HANDLES_PER_BLOCK;
    return true;
}

// A second initialisation (tests) starts again from one empty block.
bool reset_first_block() {
    for (int i = 1; i < HANDLE_BLOCKS; ++i) {
        release(handle_table.blocks[i]);
        handle_table.blocks[i] = nullptr;
    }
    HandleEntry* first = handle_table.blocks[0];
    if (first == nullptr && (first = new_block()) == nullptr) {
        return false;
    }
    for (int i = 0; i < HANDLES_PER_BLOCK; ++i) {
        clear_entry(&first[i]);
    }
    handle_table.blocks[0] = first;
    handle_table.handle_count = HANDLES_PER_BLOCK;
    return true;
}

void init_standard_handle(int h) {
    HandleEntry* entry = entry_in_range(h);
    if (entry->os_handle != os::NO_HANDLE) {
        entry->mode_flags |= H_TEXT;
        return;
    }
    entry->mode_flags = H_OPEN | H_TEXT;
    os::Handle handle = os::get_std_handle(h);
    int type = handle == os::NO_HANDLE ? os::FILE_TYPE_UNKNOWN : os::file_type(handle);
    if (type == os::FILE_TYPE_UNKNOWN) {
        entry->mode_flags |= H_DEVICE;
        return;
    }
    entry->os_handle = handle;
    if (type == os::FILE_TYPE_CHAR) {
        entry->mode_flags |= H_DEVICE;
    } else if (type == os::FILE_TYPE_PIPE) {
        entry->mode_flags |= H_PIPE;
    }
}

} // namespace

HandleEntry* entry_in_range(int h) {
    if (h < 0 || h >= handle_table.handle_count) {
        return nullptr;
    }
    return &handle_table.blocks[h / HANDLES_PER_BLOCK][h % HANDLES_PER_BLOCK];
}

HandleEntry* open_entry(int h) {
    HandleEntry* entry = entry_in_range(h);
    if (entry == nullptr || !(entry->mode_flags & H_OPEN)) {
        error_code = os::CODE_BAD_HANDLE;
        system_error = 0;
        return nullptr;
    }
    return entry;
}

HandleEntry* usable_entry(int h) {
    HandleEntry* entry = open_entry(h);
    if (entry != nullptr && entry->os_handle == os::NO_HANDLE) {
        error_code = os::CODE_BAD_HANDLE;
        system_error = 0;
        return nullptr;
    }
    return entry;
}

int init_handles() {
    forget_read_ahead();
    if (!reset_first_block()) {
        return -1;
    }
    std::uint32_t size = 0;
    const std::uint8_t* inherited = os::inherited_handle_block(&size);
    if (inherited != nullptr) {
        adopt_inherited_handles(inherited, size);
    }
    for (int h = 0; h < 3; ++h) {
        init_standard_handle(h);
    }
    return 0;
}

// The block holds a count, then count flag bytes, then count 32-bit handles; a block shorter
// than its count claims is read only as far as it goes.
void adopt_inherited_handles(const std::uint8_t* block, std::uint32_t size) {
    std::uint32_t count = 0;
    if (size < sizeof count) {
        return;
    }
    std::memcpy(&count, block, sizeof count);
    std::uint32_t fits = (size - sizeof count) / 5;
    count = count < fits ? count : fits;
    count = count < MOST_HANDLES ? count : MOST_HANDLES;
    while (count > static_cast<std::uint32_t>(handle_table.handle_count)) {
        if (!add_block()) {
            count = static_cast<std::uint32_t>(handle_table.handle_count);
        }
    }
    const std::uint8_t* flags = block + sizeof count;
    const std::uint8_t* handles = flags + count;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::int32_t raw;
        std::memcpy(&raw, handles + 4 * i, sizeof raw);
        os::Handle handle = raw;
        bool usable = handle != os::NO_HANDLE && (flags[i] & H_OPEN) &&
                      os::file_type(handle) != os::FILE_TYPE_UNKNOWN;
        if (usable) {
            HandleEntry* entry = entry_in_range(static_cast<int>(i));
            entry->os_handle = handle;
            entry->mode_flags = flags[i];
        }
    }
}

int allocate_handle() {
    for (int h = 0; h < handle_table.handle_count; ++h) {
        HandleEntry* entry = entry_in_range(h);
        if (!(entry->mode_flags & H_OPEN) && entry->os_handle == os::NO_HANDLE) {
            return h;
        }
    }
    int first_new = handle_table.handle_count;
    if (!add_block()) {
        error_code = first_new >= static_cast<int>(MOST_HANDLES) ? os::CODE_TOO_MANY_OPEN
                                                                 : os::CODE_NO_MEMORY;
        system_error = 0;
        return -1;
    }
    return first_new;
}

int set_os_handle(int h, os::Handle os_handle) {
    HandleEntry* entry = entry_in_range(h);
    if (entry == nullptr || entry->os_handle != os::NO_HANDLE) {
        error_code = os::CODE_BAD_HANDLE;
        system_error = 0;
        return -1;
    }
    if (h <= 2) {
        os::set_std_handle(h, os_handle);
    }
    entry->os_handle = os_handle;
    return 0;
}

int free_os_handle(int h) {
    if (h == STANDARD_INPUT)
        return_read_ahead();
    HandleEntry* entry = entry_in_range(h);
    if (entry == nullptr || !(entry->mode_flags & H_OPEN) || entry->os_handle == os::NO_HANDLE) {
        error_code = os::CODE_BAD_HANDLE;
        system_error = 0;
        return -1;
    }
    if (h <= 2) {
        os::set_std_handle(h, os::NO_HANDLE);
    }
    entry->os_handle = os::NO_HANDLE;
    return 0;
}

os::Handle get_os_handle(int h) {
    HandleEntry* entry = usable_entry(h);
    return entry != nullptr ? entry->os_handle : os::NO_HANDLE;
}

bool is_device(int h) {
    HandleEntry* entry = entry_in_range(h);
    return entry != nullptr && (entry->mode_flags & H_DEVICE);
}

int set_mode(int h, int mode) {
    HandleEntry* entry = open_entry(h);
    if (entry == nullptr) {
        return -1;
    }
    int previous = (entry->mode_flags & H_TEXT) ? MODE_TEXT : MODE_BINARY;
    if (mode == MODE_BINARY) {
        entry->mode_flags &= static_cast<std::uint8_t>(~H_TEXT);
    } else if (mode == MODE_TEXT) {
        entry->mode_flags |= H_TEXT;
    } else {
        error_code = os::CODE_INVALID;
        system_error = 0;
        return -1;
    }
    return previous;
}

} // namespace lnc
