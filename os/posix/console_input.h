// Terminal input delivered as a console delivers it: one typed line per read, ending in CR LF,
// the rest of a line that did not fit kept for the next read.
#pragma once
#include <cstdint>

namespace lnc::os {

// Reads from a terminal descriptor; false with the last error set on failure. A hang-up or a
// read refused to a background process reads as a broken pipe, which ends the input.
bool read_terminal_line(int fd, void* buffer, std::uint32_t count, std::uint32_t* done);

// Drops whatever is held for the descriptor (it is being closed).
void forget_terminal_input(int fd);

} // namespace lnc::os
