// The private heap: every dynamic block of the run-time comes from here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lnc {

// Requests above this size fail without reaching the heap.
inline constexpr std::size_t LARGEST_REQUEST = 0xFFFFFFE0u;

// A failed allocation returns null with error_code 12 (system_error 8 when the system heap
// refused, 0 when the request was refused here). Before create_process_heap the platform's heap
// serves directly; after a failed creation every allocation fails.
bool create_process_heap();       // start-up; false when the heap cannot be made
void* allocate(std::size_t size); // 0 becomes 1 byte; null on failure
void* allocate_zeroed(std::size_t count, std::size_t size);
void* reallocate(void* block, std::size_t size); // null block: allocate; size 0: release, null
void release(void* block);                       // null is ignored
std::size_t block_size(const void* block);       // the size asked for (1 for a request of 0)

// Test hook: the count-th following allocation (allocate, allocate_zeroed or reallocate) fails
// once; 1 fails the next one, 0 disarms it.
void fail_allocation_after(int count);

} // namespace lnc
