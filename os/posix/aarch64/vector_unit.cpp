// aarch64: its cores do not trap floating-point exceptions, so the program's own arithmetic
// keeps the IEEE default results; the software unit traps the run-time's operations itself.
#include "os/vector_unit.h"

namespace lnc::os {

void arm_vector_traps(std::uint16_t) {}

} // namespace lnc::os
