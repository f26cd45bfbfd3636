// This build's floating-point unit: the software unit.
#pragma once
#include "os/softfpu.h"

namespace lnc {
namespace fpu = softfpu;
// The software unit stands for a processor whose own arithmetic does not trap: compiled code
// keeps the IEEE default results.
inline constexpr bool FPU_ARMS_VECTOR_UNIT = false;
} // namespace lnc
