// This build's floating-point unit: the software unit.
#pragma once
#include "os/softfpu.h"

namespace lnc {
namespace fpu = softfpu;
} // namespace lnc
