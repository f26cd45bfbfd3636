// The processor's vector unit, where compiled code (other than the run-time's own x87
// operations) does its floating-point arithmetic: SSE on x86-64. Start-up gives it the
// exception masks of the run-time's unit, so that the program's own invalid operations,
// divisions by zero and overflows trap as the x87's do and reach the same report. One file per
// processor, chosen by the build: x86-64 sets the MXCSR; elsewhere nothing is armed (32-bit x86
// code computes on the x87 itself; aarch64 cores do not trap their floating-point exceptions).
#pragma once
#include <cstdint>

namespace lnc::os {

// control is the run-time's unit's control word (x87 layout): its mask bits 0 to 5 become the
// vector unit's; its flags are cleared and its rounding is left as it is.
void arm_vector_traps(std::uint16_t control);

} // namespace lnc::os
