// What the saved processor state of a fault tells about the floating-point unit; one file per
// processor, chosen by the build.
#pragma once
#include <ucontext.h>

#include <cstdint>

namespace lnc::os {

// The exception code of the unmasked floating-point exception the saved state shows pending,
// 0 when it shows none (the signal's own code then decides).
std::uint32_t saved_fp_exception(const ucontext_t* context);
std::uint16_t saved_fpu_status(const ucontext_t* context);
// The program resumes at the instruction that took the trap; with the exception still pending
// in the saved state it would trap again at once, so the saved state loses it.
void clear_saved_fp_exceptions(ucontext_t* context);

} // namespace lnc::os
