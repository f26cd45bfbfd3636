// Fatal start-up messages: their exact bytes, the hook between their lines, and each shortage of
// memory during start-up ending the process with its message and exit code 255.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

const std::string BANNER = "\r\nruntime error ";

struct FatalCase {
    int number;
    std::string text;
};

const FatalCase FATAL_CASES[] = {
    {8, "R6008\r\n- not enough space for arguments\r\n"},
    {9, "R6009\r\n- not enough space for environment\r\n"},
    {24, "R6024\r\n- not enough space for _onexit/atexit table\r\n"},
    {26, "R6026\r\n- not enough space for stdio initialization\r\n"},
    {27, "R6027\r\n- not enough space for lowio initialization\r\n"},
};

TEST(FatalExit, WritesTheBannerAndTheMessageAndEndsWith255) {
    for (const FatalCase& c : FATAL_CASES) {
        test::ChildResult child = test::run_in_child([&] { fatal_exit(c.number); });
        EXPECT_EQ(child.error, BANNER + c.text) << c.number;
        EXPECT_EQ(child.output, "");
        EXPECT_EQ(child.exit_code, 255);
    }
}

TEST(FatalExit, AnUnknownNumberWritesOnlyTheBanner) {
    test::ChildResult child = test::run_in_child([] { fatal_exit(10); });
    EXPECT_EQ(child.error, BANNER);
    EXPECT_EQ(child.exit_code, 255);
}

void mark_position() {
    const char text[] = "<hook>";
    (void)!write(2, text, sizeof text - 1);
}

TEST(FatalExit, TheHookWritesBetweenTheLineEndAndTheBanner) {
    test::ChildResult child = test::run_in_child([] {
        fatal_message_hook = mark_position;
        fatal_exit(27);
    });
    EXPECT_EQ(child.error, "\r\n<hook>runtime error " + FATAL_CASES[4].text);
}

// Each message goes out in one write of its full length, so three writes reach a pipe.
TEST(FatalExit, EachMessageIsOneWrite) {
    test::ChildResult child = test::run_in_child([] {
        write_fatal_message(8);
        write_fatal_message(252);
        write_fatal_message(0);
        write_fatal_message(255);
        std::_Exit(0);
    });
    EXPECT_EQ(child.error, FATAL_CASES[0].text + "\r\nruntime error ");
}

int main_routine_that_returns(int, char**, char**) {
    return 5;
}

// Start-up is run with the n-th allocation failing, for n from 1 until start-up needs no more
// allocations, in a small environment of two strings. Each failure shows the message of its step,
// and the steps come in their order: handles, environment copy, arguments, environment array,
// exit list. The stream table falls back to 20 entries without a message; a shortage in the unit
// layer is reported as its own numbered run-time error.
TEST(FatalExit, EveryShortageDuringStartUpHasItsMessageInStepOrder) {
    std::vector<int> order;
    int last_code = -1;
    for (int failing = 1; failing <= 40; ++failing) {
        test::ChildResult child = test::run_in_child([&] {
            clearenv();
            setenv("A", "1", 1);
            setenv("B", "2", 1);
            fail_allocation_after(failing);
            char name[] = "lncalc";
            char* argv[] = {name, nullptr};
            process_entry(1, argv, main_routine_that_returns);
        });
        last_code = child.exit_code;
        int number = 0;
        for (const FatalCase& c : FATAL_CASES) {
            number = child.error == BANNER + c.text ? c.number : number;
        }
        if (number != 0) {
            EXPECT_EQ(child.exit_code, 255) << failing;
        } else if (child.exit_code == 1) {
            EXPECT_NE(child.error.find("run-time error F6700"), std::string::npos) << child.error;
            number = 6700;
        } else {
            EXPECT_EQ(child.exit_code, 5) << failing << ": " << child.error;
            EXPECT_EQ(child.error, "");
        }
        if (number != 0 && (order.empty() || order.back() != number)) {
            order.push_back(number);
        }
    }
    EXPECT_EQ(last_code, 5);
    ASSERT_GE(order.size(), 5u);
    EXPECT_EQ(std::vector<int>(order.begin(), order.begin() + 5),
              (std::vector<int>{27, 9, 8, 9, 24}));
}

} // namespace
} // namespace lnc
