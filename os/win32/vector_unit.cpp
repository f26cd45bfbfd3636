// 32-bit Windows: compiled code does its floating-point arithmetic on the x87, whose traps
// start-up has armed already.
#include "os/vector_unit.h"

namespace lnc::os {

void arm_vector_traps(std::uint16_t) {}

} // namespace lnc::os
