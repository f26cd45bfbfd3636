// The private heap over the C allocator: each block carries a header with the size asked for,
// so that its size can be told as the system heap tells it.
#include <cstdlib>
#include <cstring>

#include "os/files.h"
#include "os/posix/posix_errors.h"

namespace lnc::os {

namespace {

// A full alignment unit keeps the caller's part as aligned as the allocator's own blocks.
struct alignas(std::max_align_t) BlockHeader {
    std::size_t size;
};

constexpr std::size_t HEADER = sizeof(BlockHeader);

BlockHeader* header_of(const void* block) {
    return reinterpret_cast<BlockHeader*>(const_cast<char*>(static_cast<const char*>(block)) -
                                          HEADER);
}

void* body_of(BlockHeader* header) {
    return reinterpret_cast<char*>(header) + HEADER;
}

bool too_large(std::size_t size) {
    return size > SIZE_MAX - HEADER;
}

} // namespace

bool heap_create() {
    return true;
}

void* heap_alloc(std::size_t size, bool zeroed) {
    if (too_large(size)) {
        set_last_error(SYS_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* raw = zeroed ? std::calloc(1, size + HEADER) : std::malloc(size + HEADER);
    if (raw == nullptr) {
        set_last_error(SYS_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->size = size;
    return body_of(header);
}

void* heap_realloc(void* block, std::size_t size) {
    if (block == nullptr) {
        set_last_error(SYS_INVALID_PARAMETER);
        return nullptr;
    }
    if (too_large(size)) {
        set_last_error(SYS_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    void* raw = std::realloc(header_of(block), size + HEADER);
    if (raw == nullptr) {
        set_last_error(SYS_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(raw);
    header->size = size;
    return body_of(header);
}

bool heap_free(void* block) {
    if (block == nullptr) {
        set_last_error(SYS_INVALID_PARAMETER);
        return false;
    }
    std::free(header_of(block));
    return true;
}

std::size_t heap_size(const void* block) {
    if (block == nullptr) {
        set_last_error(SYS_INVALID_PARAMETER);
        return static_cast<std::size_t>(-1);
    }
    return header_of(block)->size;
}

} // namespace lnc::os
