// The calculator's logarithm: the unit's logarithm of the value, rounded to single precision,
// divided by the logarithm of the single-precision e.
#include <bit>

#include "os/fpu.h"
#include "os/softfpu.h"
#include "program/program.h"
#include "runtime/startup/startup.h"

namespace lnc {

// The unit computes ln x as ln 2 * log2 x. An unmasked exception of the logarithm (zero divide
// for a zero, invalid for a negative value) is delivered before the store to single precision,
// so the routine never returns for those values. The divisor lies just below 1, which nudges
// some results one unit away from the rounded logarithm once the caller stores them.
FpuExtended natural_log(const float* x) {
    std::uint32_t rounded_log = fpu::store_single(fpu::ln2_log2(std::bit_cast<std::uint32_t>(*x)));
    FpuExtended divisor = fpu::ln2_log2(E_SINGLE_BITS);
    if (process_state.fdiv_flaw != 0) {
        // The division as a sound divider gives it, under the unit's precision and rounding.
        return softfpu::exact_divide(rounded_log, divisor, fpu::control_word());
    }
    return fpu::divide_single(rounded_log, divisor);
}

} // namespace lnc
