// The floating-point unit as the system takes it: each build binds `fpu` to the unit of its
// processor, the x87 where there is one, the software unit elsewhere (or when asked for).
//
//   control_word, set_control_word, status_word  the unit's words (the x87 layout, fpu_words)
//   clear_exceptions, reinitialise, set_precision_53
//   ln2_log2(x)          ln 2 * log2 x of a single as FLDLN2 and FYL2X give it, to 64 bits
//   store_single(e)      an extended value stored to single precision
//   divide_single(t, d)  a single divided by an extended value under the precision control
//   widen_single(bits)   a single widened to double; a signalling NaN raises invalid operation
//   round_to_single(v)   a double rounded to single precision in the unit's rounding mode
//   division_residue     the faulty divider's test, x - (x / y) * y
//
// An unmasked exception (start-up unmasks invalid operation, zero divide and overflow) reaches
// the run-time's filter as the processor's trap on the x87, and as the same delivery from the
// operation that raised it in the software unit.
#pragma once

#include "fpu_unit.h" // from os/unit/<unit>/, chosen by the build
