// The private heap: every dynamic block of the run-time comes from here.
#pragma once
#include <cstddef>
#include <cstdint>

namespace lnc {

// Requests above this size fail without reaching the heap.
inline constexpr std::size_t LARGEST_REQUEST = 0xFFFFFFE0u;

bool create_process_heap();                       // start-up; false when the heap cannot be made
void* allocate(std::size_t size);                 // 0 becomes 1 byte; null on failure
void* allocate_zeroed(std::size_t count, std::size_t size);
void* reallocate(void* block, std::size_t size);  // null block: allocate; size 0: release, null
void release(void* block);                        // null is ignored
std::size_t block_size(const void* block);        // the size asked for

// Test builds may make the n-th following allocation fail (0 disables).
void fail_allocation_after(int count);

} // namespace lnc
