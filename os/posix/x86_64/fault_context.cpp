// The saved state of an x86-64 fault: the trap number and the x87 and SSE words.
#include "os/posix/fault_context.h"
#include "os/fpu_common.h"

namespace lnc::os {

namespace {
constexpr long X87_TRAP = 16; // the #MF vector
constexpr std::uint32_t MXCSR_FLAGS = 0x003F;
} // namespace

std::uint32_t saved_fp_exception(const ucontext_t* context) {
    if (context == nullptr || context->uc_mcontext.fpregs == nullptr ||
        context->uc_mcontext.gregs[REG_TRAPNO] != X87_TRAP) {
        return 0;
    }
    const auto* fpu = context->uc_mcontext.fpregs;
    return fpu_words::pending_exception_code(fpu->swd, fpu->cwd);
}

std::uint16_t saved_fpu_status(const ucontext_t* context) {
    if (context == nullptr || context->uc_mcontext.fpregs == nullptr) {
        return 0;
    }
    return context->uc_mcontext.fpregs->swd;
}

void clear_saved_fp_exceptions(ucontext_t* context) {
    if (context != nullptr && context->uc_mcontext.fpregs != nullptr) {
        context->uc_mcontext.fpregs->swd &= static_cast<std::uint16_t>(~fpu_words::SW_PENDING);
        context->uc_mcontext.fpregs->mxcsr &= ~MXCSR_FLAGS;
    }
}

} // namespace lnc::os
