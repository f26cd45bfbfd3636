// The calculator: its main program and its logarithm routine.
#pragma once
#include <cstdint>

#include "os/fpu_common.h"

namespace lnc {

// The single-precision constant for e used by natural_log (pattern 0x402DF854).
inline constexpr std::uint32_t E_SINGLE_BITS = 0x402DF854u;

extern float input_value;
extern float log_value;

int main_program(int argc, char** argv, char** environment);
// The logarithm in extended precision, not yet rounded to single precision.
FpuExtended natural_log(const float* x);

} // namespace lnc
