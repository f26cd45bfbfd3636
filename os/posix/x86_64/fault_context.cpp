// The saved state of an x86-64 fault: the trap number and the x87 and SSE words.
#include "os/posix/fault_context.h"
#include "os/fpu_common.h"

namespace lnc::os {

namespace {
constexpr long X87_TRAP = 16;  // the #MF vector
constexpr long SIMD_TRAP = 19; // the #XM vector: an unmasked SSE exception
constexpr std::uint32_t MXCSR_FLAGS = 0x003F;
constexpr int MXCSR_MASK_SHIFT = 7;

// The SSE flags and masks have the x87 status and control layout, the masks seven bits up.
std::uint16_t mxcsr_masks(std::uint32_t mxcsr) {
    return static_cast<std::uint16_t>((mxcsr >> MXCSR_MASK_SHIFT) & MXCSR_FLAGS);
}

bool is_simd_trap(const ucontext_t* context) {
    return context->uc_mcontext.gregs[REG_TRAPNO] == SIMD_TRAP;
}
} // namespace

std::uint32_t saved_fp_exception(const ucontext_t* context) {
    if (context == nullptr || context->uc_mcontext.fpregs == nullptr) {
        return 0;
    }
    const auto* fpu = context->uc_mcontext.fpregs;
    if (is_simd_trap(context)) {
        return fpu_words::pending_exception_code(
            static_cast<std::uint16_t>(fpu->mxcsr & MXCSR_FLAGS), mxcsr_masks(fpu->mxcsr));
    }
    if (context->uc_mcontext.gregs[REG_TRAPNO] != X87_TRAP) {
        return 0;
    }
    return fpu_words::pending_exception_code(fpu->swd, fpu->cwd);
}

std::uint16_t saved_fpu_status(const ucontext_t* context) {
    if (context == nullptr || context->uc_mcontext.fpregs == nullptr) {
        return 0;
    }
    return context->uc_mcontext.fpregs->swd;
}

// An SSE instruction that trapped runs again when the program resumes and would trap again at
// once: the exceptions it raised are masked for it, so that it completes with the default result.
void clear_saved_fp_exceptions(ucontext_t* context) {
    if (context != nullptr && context->uc_mcontext.fpregs != nullptr) {
        auto* fpu = context->uc_mcontext.fpregs;
        if (is_simd_trap(context)) {
            fpu->mxcsr |= (fpu->mxcsr & MXCSR_FLAGS) << MXCSR_MASK_SHIFT;
        }
        fpu->swd &= static_cast<std::uint16_t>(~fpu_words::SW_PENDING);
        fpu->mxcsr &= ~MXCSR_FLAGS;
    }
}

} // namespace lnc::os
