// The calculator's logarithm: the x87 logarithm of the value, rounded to single precision, divided
// by the logarithm of the single-precision e.
#include "program/program.h"
#include "runtime/startup/startup.h"

namespace lnc {

namespace {
const std::uint32_t e_single = E_SINGLE_BITS;
} // namespace

// The unit computes ln x as ln 2 * log2 x. An unmasked exception of the logarithm (zero divide
// for a zero, invalid for a negative value) is delivered at the store that follows it, so the
// routine never returns for those values. The divisor lies just below 1, which nudges some
// results one unit away from the rounded logarithm once the caller stores them.
long double natural_log(const float* x) {
    float rounded_log;
    long double divisor;
    asm volatile("fldln2\n\t"
                 "flds %[x]\n\t"
                 "fyl2x\n\t"
                 "fstps %[t]\n\t"
                 "fldln2\n\t"
                 "flds %[e]\n\t"
                 "fyl2x\n\t"
                 "fstpt %[d]"
                 : [t] "=m"(rounded_log), [d] "=m"(divisor)
                 : [x] "m"(*x), [e] "m"(e_single)
                 : "st", "st(1)");
    if (process_state.fdiv_flaw != 0) {
        return software_divide(rounded_log, divisor);
    }
    long double quotient;
    // The division runs under the precision control in force (53 bits after start-up).
    asm volatile("fldt %[d]\n\t"
                 "fdivrs %[t]\n\t"
                 "fstpt %[q]"
                 : [q] "=m"(quotient)
                 : [t] "m"(rounded_log), [d] "m"(divisor)
                 : "st");
    return quotient;
}

} // namespace lnc
