// The process entry run whole in a child process: what the main program receives, the state it
// finds, and how its result ends the process.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

#include "errors/errors.h"
#include "io/units/units.h"
#include "os/fpu.h"
#include "os/startup.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"
#include "support/forked_child.h"

namespace lnc {
namespace {

void say(const std::string& text) {
    (void)!write(1, text.data(), text.size());
}

test::ChildResult run_entry(MainRoutine main_routine, char** argv, int argc) {
    return test::run_in_child([=] { process_entry(argc, argv, main_routine); });
}

int show_arguments_and_environment(int argc, char** argv, char** environment) {
    std::string text = std::to_string(argc);
    for (int i = 0; i < argc; ++i) {
        text += "|" + std::string(argv[i]);
    }
    text += argv[argc] == nullptr ? "|end" : "|unterminated";
    for (char** entry = environment; *entry != nullptr; ++entry) {
        text += std::string("\n") + *entry;
    }
    say(text);
    return 0;
}

TEST(ProcessEntry, MainGetsTheArgumentsAsGivenAndTheEnvironmentWithoutDriveEntries) {
    char a0[] = "lncalc";
    char a1[] = "two words";
    char a2[] = "\"quoted\\\"";
    char a3[] = "";
    static char* argv[] = {a0, a1, a2, a3, nullptr};
    test::ChildResult child = test::run_in_child([] {
        clearenv();
        setenv("PATH", "/bin", 1);
        static char drive[] = "=C:=C:\\work";
        putenv(drive);
        setenv("COMSPEC", "/bin/sh", 1);
        process_entry(4, argv, show_arguments_and_environment);
    });
    EXPECT_EQ(child.output, "4|lncalc|two words|\"quoted\\\"||end\nPATH=/bin\nCOMSPEC=/bin/sh");
    EXPECT_EQ(child.exit_code, 0);
    EXPECT_EQ(child.error, "");
}

int show_state(int, char**, char**) {
    std::uint32_t word = os::version_word();
    bool version = process_state.version_major == (word & 0xFF) &&
                   process_state.version_minor == ((word >> 8) & 0xFF) &&
                   process_state.version_combined ==
                       process_state.version_major * 256 + process_state.version_minor &&
                   process_state.version_high == (word >> 16) &&
                   (process_state.version_high & 0x8000) == 0;
    char path[260];
    os::program_path(path, sizeof path);
    bool registered = exit_list.count == 1 && exit_list.entries[0] == close_all_units;
    say(std::string(version ? "version " : "VERSION ") +
        (std::strcmp(path, process_state.program_path) == 0 && path[0] == '/' ? "path " : "PATH ") +
        (registered ? "exit-list " : "EXIT-LIST ") +
        (stream_state.size == STREAM_TABLE_SIZE ? "streams " : "STREAMS ") +
        (pre_terminators[0] == flush_all_streams ? "flush " : "FLUSH ") +
        (fatal_message_hook == print_source_position ? "hook " : "HOOK ") +
        ((fpu::control_word() & 0x0300) == 0x0200 ? "pc53 " : "PC ") +
        ((fpu::status_word() & 0x00FF) == 0 ? "clear " : "PENDING ") +
        (process_state.fdiv_flaw == 0 ? "sound" : "FLAW"));
    return 9;
}

TEST(ProcessEntry, MainFindsTheRunTimePreparedAndItsResultIsTheExitCode) {
    char a0[] = "lncalc";
    static char* argv[] = {a0, nullptr};
    test::ChildResult child = run_entry(show_state, argv, 1);
    EXPECT_EQ(child.output, "version path exit-list streams flush hook pc53 clear sound");
    EXPECT_EQ(child.exit_code, 9);
}

int interrupt_self(int, char**, char**) {
    std::raise(SIGINT);
    return 0;
}

// Nothing registers a console control routine: an interrupt ends the process by the system.
TEST(ProcessEntry, AnInterruptKeepsTheSystemsHandling) {
    char a0[] = "lncalc";
    static char* argv[] = {a0, nullptr};
    test::ChildResult child = run_entry(interrupt_self, argv, 1);
    EXPECT_EQ(child.signal, SIGINT);
}

int divide_by_zero_in_main(int, char**, char**) {
    fpu::divide_single(0x3F800000u, FpuExtended{0, 0}); // 1 / 0
    return 0;
}

// The traps armed by the I/O initialiser end a division by zero in the main program with the
// floating-point report, exit code 1.
TEST(ProcessEntry, ADivisionByZeroInMainIsReportedByTheFloatingPointHandler) {
    char a0[] = "lncalc";
    static char* argv[] = {a0, nullptr};
    test::ChildResult child = run_entry(divide_by_zero_in_main, argv, 1);
    EXPECT_EQ(child.error,
              "\r\nrun-time error M6103: MATH\r\n- floating-point error: divide by zero\r\n");
    EXPECT_EQ(child.exit_code, 1);
}

TEST(StreamTable, FallsBackTo20EntriesWhen512CannotBeHad) {
    StreamState saved = stream_state;
    fail_allocation_after(1);
    ASSERT_TRUE(create_stream_table());
    fail_allocation_after(0);
    EXPECT_EQ(stream_state.size, STATIC_STREAMS);
    EXPECT_EQ(block_size(stream_state.table), STATIC_STREAMS * sizeof(Stream*));
    for (int i = 0; i < STATIC_STREAMS; ++i) {
        ASSERT_NE(stream_state.table[i], nullptr);
        EXPECT_EQ(stream_state.table[i]->count, 0);
    }
    release(stream_state.table);
    ASSERT_TRUE(create_stream_table());
    EXPECT_EQ(stream_state.size, STREAM_TABLE_SIZE);
    EXPECT_EQ(stream_state.table[STATIC_STREAMS], nullptr);
    release(stream_state.table);
    stream_state = saved;
}

// Pending bytes of a stream leave through its handle at exit; the standard streams use handles
// 0 to 2.
TEST(StreamTable, FlushWritesWhatAStreamHolds) {
    test::ChildResult child = test::run_in_child([] {
        init_handles();
        create_stream_table();
        static char text[] = "held";
        Stream* out = stream_state.table[1];
        out->base = text;
        out->count = 4;
        flush_all_streams();
        flush_all_streams();
        std::_Exit(out->count);
    });
    EXPECT_EQ(child.output, "held");
    EXPECT_EQ(child.exit_code, 0);
}

} // namespace
} // namespace lnc
