// The saved state of an aarch64 fault. The processor's floating-point exceptions do not trap
// here (the system's unit is the software one, which delivers its own), so no fault carries a
// floating-point record.
#include "os/posix/fault_context.h"

namespace lnc::os {

std::uint32_t saved_fp_exception(const ucontext_t*) {
    return 0;
}

std::uint16_t saved_fpu_status(const ucontext_t*) {
    return 0;
}

void clear_saved_fp_exceptions(ucontext_t*) {}

} // namespace lnc::os
