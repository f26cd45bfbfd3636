// The allocation layer over the private heap: size rules, the failure words and the test hook
// that makes one chosen allocation fail.
#include "runtime/heap/heap.h"

#include "os/files.h"
#include "os/system_errors.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

enum HeapState { HEAP_UNMADE, HEAP_READY, HEAP_MISSING };

// A heap that could not be made fails every allocation; before start-up the platform's heap
// serves directly, so that every layer can be used alone.
HeapState heap_state = HEAP_UNMADE;
int allocations_until_failure = 0;

void* fail(std::uint32_t system) {
    error_code = os::CODE_NO_MEMORY;
    system_error = system;
    return nullptr;
}

// True when this allocation is the one a test asked to fail.
bool failure_due() {
    if (allocations_until_failure <= 0) {
        return false;
    }
    return --allocations_until_failure == 0;
}

void* from_heap(std::size_t size, bool zeroed) {
    if (heap_state == HEAP_MISSING || failure_due()) {
        return fail(0);
    }
    void* block = os::heap_alloc(size == 0 ? 1 : size, zeroed);
    return block != nullptr ? block : fail(os::last_error());
}

} // namespace

bool create_process_heap() {
    heap_state = os::heap_create() ? HEAP_READY : HEAP_MISSING;
    return heap_state == HEAP_READY;
}

void* allocate(std::size_t size) {
    if (size > LARGEST_REQUEST) {
        return fail(0);
    }
    return from_heap(size, false);
}

void* allocate_zeroed(std::size_t count, std::size_t size) {
    if (size != 0 && count > LARGEST_REQUEST / size) {
        return fail(0);
    }
    return from_heap(count * size, true);
}

void* reallocate(void* block, std::size_t size) {
    if (block == nullptr) {
        return allocate(size);
    }
    if (size == 0) {
        release(block);
        return nullptr;
    }
    if (size > LARGEST_REQUEST || heap_state == HEAP_MISSING || failure_due()) {
        return fail(0);
    }
    void* moved = os::heap_realloc(block, size);
    return moved != nullptr ? moved : fail(os::last_error());
}

void release(void* block) {
    if (block != nullptr) {
        os::heap_free(block);
    }
}

std::size_t block_size(const void* block) {
    return block != nullptr ? os::heap_size(block) : 0;
}

void fail_allocation_after(int count) {
    allocations_until_failure = count > 0 ? count : 0;
}

} // namespace lnc
