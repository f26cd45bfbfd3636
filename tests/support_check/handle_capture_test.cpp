// The in-process capture of the standard handles.
#include "support/handle_capture.h"

#include <gtest/gtest.h>

#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc::test {
namespace {

std::string read_all(int h, int count) {
    std::string buffer(static_cast<std::size_t>(count), '\0');
    int n = read_bytes(h, buffer.data(), count);
    buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return buffer;
}

TEST(HandleCapture, FeedsInputAndCollectsOutputAndError) {
    HandleCapture capture("12\r\nrest");
    EXPECT_EQ(handle_table.blocks[0][0].mode_flags, H_OPEN | H_TEXT | H_PIPE);
    EXPECT_EQ(read_all(0, 100), "12\nrest");
    EXPECT_EQ(read_all(0, 100), ""); // the input ends after what was given
    write_bytes(1, "out\n", 4);
    write_bytes(2, "err", 3);
    EXPECT_EQ(capture.output(), "out\r\n");
    write_bytes(1, "more", 4);
    EXPECT_EQ(capture.output(), "out\r\nmore");
    EXPECT_EQ(capture.error(), "err");
}

TEST(HandleCapture, PutsBackTheEntriesItFound) {
    init_handles();
    HandleEntry before[3];
    for (int h = 0; h < 3; ++h) {
        before[h] = handle_table.blocks[0][h];
    }
    os::Handle standard_output = os::get_std_handle(1);
    {
        HandleCapture capture;
        EXPECT_NE(get_os_handle(1), before[1].os_handle);
        EXPECT_EQ(os::get_std_handle(1), get_os_handle(1));
    }
    for (int h = 0; h < 3; ++h) {
        EXPECT_EQ(handle_table.blocks[0][h].os_handle, before[h].os_handle);
        EXPECT_EQ(handle_table.blocks[0][h].mode_flags, before[h].mode_flags);
    }
    EXPECT_EQ(os::get_std_handle(1), standard_output);
}

TEST(HandleCapture, OutputOfAnySizeIsKept) {
    HandleCapture capture;
    set_mode(1, MODE_BINARY);
    std::string big(3 << 20, 'q');
    big[12345] = '\n';
    EXPECT_EQ(write_bytes(1, big.data(), static_cast<int>(big.size())),
              static_cast<int>(big.size()));
    EXPECT_EQ(capture.output(), big);
}

TEST(HandleCapture, InputCanArriveLater) {
    CaptureOptions options;
    options.keep_input_open = true;
    HandleCapture capture(options);
    capture.feed("first\n");
    EXPECT_EQ(read_all(0, 100), "first\n");
    capture.feed("second");
    capture.close_input();
    EXPECT_EQ(read_all(0, 100), "second");
    EXPECT_EQ(read_all(0, 100), "");
}

TEST(HandleCapture, InputFromAFileIsADiskHandle) {
    CaptureOptions options;
    options.input = "a\r\nb";
    options.input_kind = InputKind::File;
    HandleCapture capture(options);
    EXPECT_EQ(handle_table.blocks[0][0].mode_flags, H_OPEN | H_TEXT);
    EXPECT_EQ(read_all(0, 100), "a\nb");
    EXPECT_EQ(seek(0, 0, 0), 0);
    EXPECT_EQ(read_all(0, 1), "a");
}

TEST(HandleCapture, SharedOutputAndErrorSeeOneStream) {
    CaptureOptions options;
    options.output_shares_error = true;
    HandleCapture capture(options);
    write_bytes(1, "1", 1);
    write_bytes(2, "2", 1);
    write_bytes(1, "3", 1);
    EXPECT_EQ(capture.output(), "123");
    EXPECT_EQ(capture.error(), "123");
}

TEST(TerminalCapture, StandardInputAndOutputAreTheTerminal) {
    TerminalCapture terminal;
    EXPECT_TRUE(is_device(0));
    EXPECT_TRUE(is_device(1));
    EXPECT_FALSE(is_device(2));
    terminal.type("7\n");
    EXPECT_EQ(read_all(0, 132), "7\n");
    set_mode(1, MODE_BINARY);
    write_bytes(1, "a\nb", 3);
    EXPECT_EQ(terminal.output(), "a\nb"); // the terminal adds nothing
    set_mode(1, MODE_TEXT);
    write_bytes(1, "\n", 1);
    write_bytes(2, "e", 1);
    EXPECT_EQ(terminal.output(), "a\nb\r\n");
    EXPECT_EQ(terminal.error(), "e");
}

} // namespace
} // namespace lnc::test
