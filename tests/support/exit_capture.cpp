// The throwing exit hook of the test programs.
#include "support/exit_capture.h"

namespace lnc::test {

namespace {
[[noreturn]] void throw_exit(int code) {
    throw TestExit{code};
}
} // namespace

ExitCapture::ExitCapture() : saved_(exit_hook) {
    exit_hook = throw_exit;
}

ExitCapture::~ExitCapture() {
    exit_hook = saved_;
}

int exit_code_of(const std::function<void()>& body) {
    ExitCapture capture;
    try {
        body();
    } catch (const TestExit& exit) {
        return exit.code;
    }
    return NO_EXIT;
}

} // namespace lnc::test
