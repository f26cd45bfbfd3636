// Capturing the end of the process in tests: while an ExitCapture is alive, exit_process and
// quick_exit throw TestExit with the exit code instead of ending the test program. The exit
// sequence itself still runs (exit list, terminators) before the throw.
#pragma once
#include <climits>
#include <functional>

#include "runtime/startup/startup.h"

namespace lnc::test {

struct TestExit {
    int code;
};

// Installs the throwing hook for its lifetime and puts back the hook it found.
class ExitCapture {
  public:
    ExitCapture();
    ~ExitCapture();
    ExitCapture(const ExitCapture&) = delete;
    ExitCapture& operator=(const ExitCapture&) = delete;

  private:
    ExitHook saved_;
};

// What exit_code_of answers when the callable returned without ending the process.
inline constexpr int NO_EXIT = INT_MIN;

// Runs the callable under an ExitCapture; the code it exited with, or NO_EXIT.
int exit_code_of(const std::function<void()>& body);

} // namespace lnc::test
