// The checking tools spend much of their time allocating and freeing the small vectors of the
// big-integer reference. This replacement of the global allocation functions keeps freed small
// blocks in a list per size and hands them out again, instead of going through malloc each time.
// The tools are single-threaded; a header before each block remembers its size class.
#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

constexpr std::size_t granule = 16;
constexpr std::size_t classes = 64; // blocks below 1 KiB are recycled

struct FreeBlock {
    FreeBlock* next;
};

FreeBlock* free_lists[classes];

std::size_t class_of(std::size_t size) {
    return (size + granule - 1) / granule;
}

void* allocate(std::size_t size) {
    std::size_t index = class_of(size == 0 ? 1 : size);
    if (index < classes && free_lists[index] != nullptr) {
        FreeBlock* block = free_lists[index];
        free_lists[index] = block->next;
        return block;
    }
    std::size_t rounded = index < classes ? index * granule : size;
    auto* header = static_cast<std::size_t*>(std::malloc(rounded + granule));
    if (header == nullptr) {
        throw std::bad_alloc();
    }
    *header = index;
    return reinterpret_cast<char*>(header) + granule;
}

void release(void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    char* header = static_cast<char*>(pointer) - granule;
    std::size_t index = *reinterpret_cast<std::size_t*>(header);
    if (index < classes) {
        auto* block = static_cast<FreeBlock*>(pointer);
        block->next = free_lists[index];
        free_lists[index] = block;
        return;
    }
    std::free(header);
}

} // namespace

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* pointer) noexcept {
    release(pointer);
}
void operator delete[](void* pointer) noexcept {
    release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    release(pointer);
}
