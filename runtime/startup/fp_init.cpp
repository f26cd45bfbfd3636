// The floating-point initialiser: the test for the faulty divider on every processor the process
// may run on, precision control 53 bits, and a unit with no pending exception.
#include "os/fpu.h"
#include "os/startup.h"
#include "runtime/startup/startup.h"

namespace lnc {

// A faulty divider gets 4195835 / 3145727 wrong in the fifth significant digit, so that the
// product with the divisor misses the dividend by far more than 1.
bool divider_is_faulty() {
    return 1.0 < fpu::division_residue(4195835.0, 3145727.0);
}

// The running processor first; then each processor of the process's mask in turn, with the
// thread bound to it, and the thread free again afterwards.
int find_division_flaw() {
    if (divider_is_faulty()) {
        return 1;
    }
    std::uint32_t mask = 0;
    if (!os::process_affinity(&mask)) {
        return 0;
    }
    int flaw = 0;
    for (int processor = 0; processor < 32 && flaw == 0; ++processor) {
        std::uint32_t bit = 1u << processor;
        if ((mask & bit) != 0 && os::bind_thread(bit) && divider_is_faulty()) {
            flaw = 1;
        }
    }
    os::unbind_thread();
    return flaw;
}

void fp_initialise() {
    process_state.fdiv_flaw = find_division_flaw();
    fpu::set_precision_53();
    fpu::clear_exceptions();
}

} // namespace lnc
