// The lookups of handle-table entries shared by the handle layer's operations.
#pragma once
#include "runtime/handles/handles.h"

namespace lnc {

inline constexpr std::uint8_t NO_LOOKAHEAD = '\n';

// The entry of h, or null when h lies outside the allocated blocks.
HandleEntry* entry_in_range(int h);
// The entry of an open handle; null with error_code 9 and system_error 0 otherwise.
HandleEntry* open_entry(int h);
// The entry of an open handle that has an operating-system handle; null as open_entry otherwise.
HandleEntry* usable_entry(int h);

// A read of standard input served from its read-ahead block (read_ahead.cpp): the bytes served,
// or -1 when the block does not serve this read (*failed: the file's read failed). A read the
// block does not serve first gives back what the block holds.
int read_through_block(int h, HandleEntry* entry, std::uint8_t* data, int count, bool* failed);

} // namespace lnc
