// This build's floating-point unit: the x87.
#pragma once
#include "os/x87.h"

namespace lnc {
namespace fpu = x87;
} // namespace lnc
