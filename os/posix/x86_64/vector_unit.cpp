// The SSE unit of x86-64: the MXCSR takes the run-time's exception masks.
#include "os/vector_unit.h"

namespace lnc::os {

namespace {
constexpr std::uint32_t MXCSR_FLAGS = 0x003F;
constexpr std::uint32_t MXCSR_MASKS = 0x1F80; // invalid, denormal, zero divide, overflow,
                                              // underflow, precision: bits 7 to 12
constexpr int MXCSR_MASK_SHIFT = 7;
} // namespace

void arm_vector_traps(std::uint16_t control) {
    std::uint32_t mxcsr;
    asm volatile("stmxcsr %0" : "=m"(mxcsr));
    mxcsr &= ~(MXCSR_FLAGS | MXCSR_MASKS);
    mxcsr |= (static_cast<std::uint32_t>(control) & 0x3F) << MXCSR_MASK_SHIFT;
    asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

} // namespace lnc::os
