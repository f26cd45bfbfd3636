// Pieces of the unit layer shared by its own files only.
#pragma once
#include <cstdint>

#include "io/units/units.h"
#include "runtime/handles/handles.h"

namespace lnc {

inline constexpr int LAST_NUMBERED_ENTRY = 61;

inline constexpr int DISPOSITION_DELETE = 1;
inline constexpr int DISPOSITION_KEEP = 2;
inline constexpr int DISPOSITION_DEFAULT = 33;

// Output meant for a block whose handle is standard input goes to standard output.
inline int output_handle(const UnitBlock* block) {
    return block->handle == 0 ? 1 : block->handle;
}

// The buffer of a formatted sequential file (an implicit open's, and OPEN's): it holds the
// records of its WRITEs until it is full.
inline constexpr int FILE_BUFFER_SIZE = 8192;
inline constexpr int FILE_NAME_CAPACITY = 260;

UnitBlock* console_output_block();
// console_read_line that tells when a console read delivered nothing at all, the end of
// redirected input included, instead of failing.
int console_read_line_checked(char* buffer, int capacity, bool* nothing_read);
// True when redirected console input has nothing left: its buffer is used up and a read brings
// nothing.
bool input_used_up(UnitBlock* block);
char* copy_unit_name(const char* name);
void free_unit_block(UnitBlock* block);

} // namespace lnc
