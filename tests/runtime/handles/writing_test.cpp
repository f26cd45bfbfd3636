// Writes through handles: CR insertion in text mode across the piece size, binary writes, the
// failures of a full disk and a pipe without a reader, appending and short writes.
#include <csignal>
#include <sys/resource.h>

#include "handle_fixture.h"
#include "support/handle_capture.h"

namespace lnc::test {
namespace {

using WritingTest = HandleFixture;

std::string with_crs(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') {
            out.push_back('\r');
        }
        out.push_back(c);
    }
    return out;
}

TEST_F(WritingTest, TextModeWritesCrBeforeEachLfAndCountsTheCallersBytes) {
    HandleCapture capture;
    EXPECT_EQ(write_bytes(1, "a\nb", 3), 3);
    EXPECT_EQ(capture.output(), "a\r\nb");
    EXPECT_EQ(write_bytes(1, "\n\n", 2), 2);
    EXPECT_EQ(write_bytes(1, "x\r\n", 3), 3); // a CR already there is not special
    EXPECT_EQ(capture.output(), "a\r\nb\r\n\r\nx\r\r\n");
}

TEST_F(WritingTest, TextWritesAcrossThePieceBoundary) {
    // Line ends placed where a piece fills: before, on and after byte 1024 of the output, and
    // a text several pieces long made of line ends only.
    std::vector<std::string> texts;
    for (int before : {1021, 1022, 1023, 1024, 1025}) {
        texts.push_back(std::string(static_cast<std::size_t>(before), 'x') + "\nyz\n");
    }
    texts.push_back(std::string(3000, '\n'));
    std::string mixed;
    for (int i = 0; i < 2500; ++i) {
        mixed.push_back(i % 7 == 0 ? '\n' : static_cast<char>('a' + i % 26));
    }
    texts.push_back(mixed);
    for (const std::string& text : texts) {
        HandleCapture capture;
        EXPECT_EQ(write_bytes(1, text.data(), static_cast<int>(text.size())),
                  static_cast<int>(text.size()));
        EXPECT_EQ(capture.output(), with_crs(text)) << "text of " << text.size() << " bytes";
    }
}

TEST_F(WritingTest, BinaryModeWritesTheBytesAsTheyAre) {
    HandleCapture capture;
    EXPECT_EQ(set_mode(1, MODE_BINARY), MODE_TEXT);
    std::string bytes("a\nb\r\n\x1A", 6);
    EXPECT_EQ(write_bytes(1, bytes.data(), 6), 6);
    EXPECT_EQ(capture.output(), bytes);
}

TEST_F(WritingTest, HandlesOneAndTwoReachTheirOwnPipes) {
    HandleCapture capture;
    write_bytes(2, "err\n", 4);
    write_bytes(1, "out", 3);
    EXPECT_EQ(capture.output(), "out");
    EXPECT_EQ(capture.error(), "err\r\n");
}

TEST_F(WritingTest, AFullDiskGivesNoSpaceLeft) {
    int h = open_file("/dev/full", OPEN_WRITE_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    ASSERT_GE(h, 0);
    EXPECT_TRUE(is_device(h));
    for (int mode : {MODE_TEXT, MODE_BINARY}) {
        set_mode(h, mode);
        error_code = 0;
        EXPECT_EQ(write_bytes(h, "abc\n", 4), -1);
        EXPECT_EQ(error_code, 28);
        EXPECT_EQ(system_error, 112u);
    }
}

TEST_F(WritingTest, APipeWithoutReaderGivesBrokenPipeAndTheProcessLives) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    int h = adopt(ends[1], H_TEXT | H_PIPE);
    EXPECT_EQ(write_bytes(h, "lost\n", 5), -1);
    EXPECT_EQ(error_code, 32);
    EXPECT_EQ(system_error, 109u);
    // Still here: the second write fails the same way.
    EXPECT_EQ(write_bytes(h, "x", 1), -1);
    EXPECT_EQ(error_code, 32);
}

TEST_F(WritingTest, WritingAReadOnlyHandleIsABadHandle) {
    write_file("r.txt", "data");
    int h =
        open_file(path("r.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(write_bytes(h, "x", 1), -1);
    EXPECT_EQ(error_code, 9);
    EXPECT_EQ(system_error, 5u);
}

TEST_F(WritingTest, BadHandlesAndEmptyWrites) {
    for (int h : {-3, 7, 32, 2047, 2048}) {
        system_error = 9;
        EXPECT_EQ(write_bytes(h, "x", 1), -1) << h;
        EXPECT_EQ(error_code, 9);
        EXPECT_EQ(system_error, 0u);
    }
    HandleCapture capture;
    EXPECT_EQ(write_bytes(1, "x", 0), 0);
    EXPECT_EQ(capture.output(), "");
}

TEST_F(WritingTest, AppendModeWritesAtTheEndWhereverThePositionIs) {
    write_file("a.txt", "start\r\n");
    int h = open_file(path("a.txt").c_str(), OPEN_WRITE_ONLY | OPEN_APPEND, SHARE_READ_WRITE,
                      PERMISSION_READ_WRITE);
    ASSERT_GE(h, 0);
    EXPECT_TRUE(flags_of(h) & H_APPEND);
    EXPECT_EQ(seek(h, 0, 0), 0);
    EXPECT_EQ(write_bytes(h, "more\n", 5), 5);
    EXPECT_EQ(file_bytes("a.txt"), "start\r\nmore\r\n");
}

TEST_F(WritingTest, AShortWriteCountsOnlyTheCallersBytesThatWentOut) {
    // A file size limit cuts the write inside the CR LF of a line end: the CR reached the file
    // but its LF did not, so the line end does not count as written.
    auto body = [this] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int h = open_file(path("s.txt").c_str(), OPEN_WRITE_ONLY | OPEN_CREATE, SHARE_READ_WRITE,
                          PERMISSION_READ_WRITE);
        std::string text = std::string(4095, 'x') + "\nz";
        int n = write_bytes(h, text.data(), static_cast<int>(text.size()));
        std::string stored = file_bytes("s.txt");
        bool ok = n == 4095 && stored == std::string(4095, 'x') + "\r";
        std::fprintf(stderr, "written %d, file %zu bytes\n", n, stored.size());
        std::exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "written 4095, file 4096 bytes");
}

TEST_F(WritingTest, WritingPastTheFileSizeLimitFailsWithTheMappedError) {
    auto body = [this] {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = {8, 8};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int h = open_file(path("s.txt").c_str(), OPEN_WRITE_ONLY | OPEN_CREATE, SHARE_READ_WRITE,
                          PERMISSION_READ_WRITE);
        int first = write_bytes(h, "12345678", 8);
        int second = write_bytes(h, "9", 1);
        // The limit also cuts what this child may write to standard error: the exit code
        // carries the verdict.
        bool ok = first == 8 && second == -1 && error_code == 22 && system_error == 223;
        std::exit(ok ? 0 : 1);
    };
    EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "");
}

} // namespace
} // namespace lnc::test
