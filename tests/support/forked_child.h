// Running a piece of a test in a child process, for what must not happen to the test program
// itself: ending the process, taking a processor exception, starting the run-time from its entry.
//
//     ChildResult child = run_in_child([] { lnc::fatal_exit(9); });
//     EXPECT_EQ(child.error, "\r\nruntime error R6009\r\n- not enough space for environment\r\n");
//     EXPECT_EQ(child.exit_code, 255);
//
// The child's standard input holds the bytes given (then ends); its standard output and error are
// captured whole. A body that returns ends the child with exit code 0. Checks made inside the
// body are lost: report through the exit code or the output.
#pragma once
#include <functional>
#include <string>
#include <string_view>

namespace lnc::test {

struct ChildResult {
    std::string output;
    std::string error;
    int exit_code; // -1 when the child died of a signal
    int signal;    // the signal that ended the child, else 0
};

ChildResult run_in_child(const std::function<void()>& body, std::string_view input = {});

} // namespace lnc::test
