// Text and binary reads through handles: CR LF, lone CRs, a CR that ends the data read, Ctrl-Z,
// on pipes, files and terminals.
#include "handle_fixture.h"
#include "runtime/process/process.h"
#include "support/handle_capture.h"

namespace lnc::test {
namespace {

using ReadingTest = HandleFixture;

struct TextCase {
    const char* name;
    std::string data;
    std::string expected;
};

TEST_F(ReadingTest, TextReadsFromAPipeTranslateWholeData) {
    const TextCase cases[] = {
        {"crlf pairs", "12\r\nab\r\n", "12\nab\n"},
        {"lone cr kept", "a\rb\r\rc", "a\rb\r\rc"},
        {"cr before crlf", "a\r\r\nb", "a\r\nb"},
        {"lf alone", "a\nb", "a\nb"},
        {"ctrl-z ends", std::string("ab\x1A\r\ncd", 7), "ab"},
        {"cr ends the pipe", "ab\r", "ab\r"},
    };
    for (const TextCase& c : cases) {
        int h = pipe_holding(c.data);
        EXPECT_EQ(read_text(h, 100), c.expected) << c.name;
        close_handle(h);
    }
}

TEST_F(ReadingTest, ConsoleLineIsThreeBytesInTextAndFourInBinary) {
    int text = pipe_holding("12\r\n");
    EXPECT_EQ(read_text(text, 132), "12\n");
    int binary = pipe_holding("12\r\n", H_PIPE);
    EXPECT_EQ(read_text(binary, 132), "12\r\n");
}

TEST_F(ReadingTest, BinaryReadsLeaveEveryByte) {
    std::string data("a\r\nb\x1A\rc\r", 9);
    int h = pipe_holding(data, H_PIPE);
    EXPECT_EQ(read_text(h, 100), data);
    EXPECT_FALSE(flags_of(h) & H_EOF);
}

TEST_F(ReadingTest, CrEndingAPipeReadHoldsTheNextByteAsLookahead) {
    int h = pipe_holding("ab\rXY");
    EXPECT_EQ(read_text(h, 3), "ab\r");
    EXPECT_EQ(handle_table.blocks[0][h].lookahead, 'X');
    EXPECT_EQ(read_text(h, 10), "XY");
    EXPECT_EQ(handle_table.blocks[0][h].lookahead, '\n');
}

TEST_F(ReadingTest, CrEndingAPipeReadJoinsTheLfThatFollows) {
    int h = pipe_holding("ab\r\nZ");
    EXPECT_EQ(read_text(h, 3), "ab\n");
    EXPECT_EQ(read_text(h, 10), "Z");
}

TEST_F(ReadingTest, LookaheadCrIsTranslatedWithWhatFollows) {
    // The held byte is itself a CR: it pairs with the LF read after it.
    int h = pipe_holding("a\r\r\nb");
    EXPECT_EQ(read_text(h, 2), "a\r");
    EXPECT_EQ(read_text(h, 10), "\nb");
    EXPECT_FALSE(flags_of(h) & H_CRLF); // the data began with the held CR
}

TEST_F(ReadingTest, LookaheadFillsAOneByteRead) {
    int h = pipe_holding("a\rbc");
    EXPECT_EQ(read_text(h, 2), "a\r");
    EXPECT_EQ(read_text(h, 1), "b");
    EXPECT_EQ(read_text(h, 5), "c");
}

TEST_F(ReadingTest, CrlfFlagFollowsTheFirstByteOfEachRead) {
    int h = pipe_holding("\nab\ncd");
    EXPECT_EQ(read_text(h, 3), "\nab");
    EXPECT_TRUE(flags_of(h) & H_CRLF);
    EXPECT_EQ(read_text(h, 10), "\ncd");
    EXPECT_TRUE(flags_of(h) & H_CRLF);
    int other = pipe_holding("x\n");
    EXPECT_EQ(read_text(other, 10), "x\n");
    EXPECT_FALSE(flags_of(other) & H_CRLF);
}

TEST_F(ReadingTest, CtrlZOnAPipeEndsTheInputUntilASeek) {
    int h = pipe_holding(std::string("ab\x1A"
                                     "cd",
                                     5));
    EXPECT_EQ(read_text(h, 100), "ab");
    EXPECT_TRUE(flags_of(h) & H_EOF);
    char byte;
    EXPECT_EQ(read_bytes(h, &byte, 1), 0);
}

TEST_F(ReadingTest, FilesTranslateAndStopAtCtrlZUntilASeek) {
    write_file("z.txt", std::string("ab\r\ncd\x1A"
                                    "ef",
                                    9));
    int h =
        open_file(path("z.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    ASSERT_GE(h, 0);
    EXPECT_EQ(read_text(h, 100), "ab\ncd");
    EXPECT_EQ(read_text(h, 100), "");
    EXPECT_EQ(read_text(h, 100), "");
    EXPECT_EQ(seek(h, 0, 0), 0);
    EXPECT_FALSE(flags_of(h) & H_EOF);
    EXPECT_EQ(read_text(h, 100), "ab\ncd");
}

TEST_F(ReadingTest, CrEndingAFileReadMovesBackOverAFollowingLf) {
    write_file("f.txt", "ab\r\ncd");
    int h =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(read_text(h, 3), "ab");
    EXPECT_EQ(read_text(h, 10), "\ncd");
    EXPECT_TRUE(flags_of(h) & H_CRLF);
}

TEST_F(ReadingTest, CrEndingAFileReadKeepsTheCrBeforeAnotherByte) {
    write_file("f.txt", "ab\rcd");
    int h =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(read_text(h, 3), "ab\r");
    EXPECT_EQ(read_text(h, 10), "cd");
}

TEST_F(ReadingTest, CrAloneAtTheStartOfAFileReadBecomesLf) {
    write_file("f.txt", "\r\nxy");
    int h =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(read_text(h, 1), "\n");
    EXPECT_EQ(read_text(h, 10), "xy");
}

TEST_F(ReadingTest, CrAtTheEndOfAFileIsKept) {
    write_file("f.txt", "ab\r");
    int h =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(read_text(h, 10), "ab\r");
    EXPECT_EQ(read_text(h, 10), "");
}

TEST_F(ReadingTest, StandardInputFromAFileIsADiskHandle) {
    HandleCapture capture(CaptureOptions{"1\r\n2\r\n", InputKind::File});
    EXPECT_FALSE(flags_of(0) & (H_PIPE | H_DEVICE));
    EXPECT_EQ(read_text(0, 3), "1\n");
    EXPECT_EQ(read_text(0, 10), "2\n");
    EXPECT_EQ(read_text(0, 10), "");
}

// Standard input from a file, read in binary 132 bytes at a time as the console unit refills:
// every read gives what the file itself would, and what comes next (a seek, a child process)
// finds the file where those reads left it, not where the reading ahead did.
TEST_F(ReadingTest, StandardInputFileReadAheadIsInvisible) {
    std::string data;
    for (int i = 0; data.size() < 12000; ++i)
        data += std::to_string(i * 7919 % 100003) + "\r\n";
    HandleCapture capture(CaptureOptions{data, InputKind::File});
    set_mode(0, MODE_BINARY);
    const auto file = static_cast<int>(get_os_handle(0));
    char buffer[132];
    std::string got;
    auto read_some = [&](int reads) {
        for (int i = 0; i < reads; ++i) {
            ASSERT_EQ(read_bytes(0, buffer, 132), 132);
            got.append(buffer, 132);
        }
    };
    read_some(40);
    EXPECT_GT(::lseek(file, 0, SEEK_CUR), 40 * 132); // the file was read ahead
    EXPECT_EQ(seek(0, 0, 1), 40 * 132);
    read_some(10);
    const char* const arguments[] = {"true", nullptr};
    ASSERT_EQ(spawn_program(SPAWN_WAIT, "/bin/true", arguments, nullptr), 0);
    EXPECT_EQ(::lseek(file, 0, SEEK_CUR), 50 * 132);
    int n;
    while ((n = read_bytes(0, buffer, 132)) > 0)
        got.append(buffer, static_cast<std::size_t>(n));
    EXPECT_EQ(n, 0);
    EXPECT_EQ(got, data);
}

TEST_F(ReadingTest, BadHandlesAndEmptyReads) {
    char buffer[4];
    const int bad[] = {-1, 5, 31, 32, 5000};
    for (int h : bad) {
        error_code = 0;
        system_error = 77;
        EXPECT_EQ(read_bytes(h, buffer, 4), -1) << h;
        EXPECT_EQ(error_code, 9) << h;
        EXPECT_EQ(system_error, 0u) << h;
    }
    int h = pipe_holding("abc");
    EXPECT_EQ(read_bytes(h, buffer, 0), 0);
    EXPECT_EQ(read_text(h, 4), "abc");
}

TEST_F(ReadingTest, ReadingAWriteOnlyFileFails) {
    int h = open_file(path("w.txt").c_str(), OPEN_WRITE_ONLY | OPEN_CREATE, SHARE_READ_WRITE,
                      PERMISSION_READ_WRITE);
    ASSERT_GE(h, 0);
    char buffer[4];
    EXPECT_EQ(read_bytes(h, buffer, 4), -1);
    EXPECT_EQ(error_code, 9); // access denied reads as a bad handle
    EXPECT_EQ(system_error, 5u);
}

TEST_F(ReadingTest, TerminalLineArrivesWithCrLfAndTextModeMakesItLf) {
    TerminalCapture terminal;
    EXPECT_TRUE(is_device(0));
    terminal.type("12\n");
    EXPECT_EQ(read_text(0, 132), "12\n");
    set_mode(0, MODE_BINARY);
    terminal.type("34\n");
    EXPECT_EQ(read_text(0, 132), "34\r\n");
}

TEST_F(ReadingTest, CtrlZFromATerminalEndsOnlyThatRead) {
    TerminalCapture terminal;
    terminal.type("ab\x1A"
                  "cd\nnext\n");
    EXPECT_EQ(read_text(0, 132), "ab");
    EXPECT_FALSE(flags_of(0) & H_EOF);
    EXPECT_EQ(read_text(0, 132), "next\n");
}

TEST_F(ReadingTest, TerminalLineLongerThanTheReadIsDeliveredInParts) {
    TerminalCapture terminal;
    terminal.type("abcdef\n");
    // The CR ends the first part: the LF still waiting at the terminal joins it.
    EXPECT_EQ(read_text(0, 7), "abcdef\n");
    terminal.type("uvwxyz\n");
    EXPECT_EQ(read_text(0, 4), "uvwx");
    EXPECT_EQ(read_text(0, 10), "yz\n");
}

TEST_F(ReadingTest, EndOfInputAtTheTerminalReadsNothing) {
    TerminalCapture terminal;
    terminal.type("\x04");
    EXPECT_EQ(read_text(0, 132), "");
    terminal.type("later\n");
    EXPECT_EQ(read_text(0, 132), "later\n");
}

} // namespace
} // namespace lnc::test
