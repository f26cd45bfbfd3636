// This build's floating-point unit: the x87.
#pragma once
#include "os/x87.h"

namespace lnc {
namespace fpu = x87;
// Compiled code computes on the processor's own units, whose traps start-up arms like the x87's.
inline constexpr bool FPU_ARMS_VECTOR_UNIT = true;
} // namespace lnc
