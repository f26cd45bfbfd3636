// Files by name: open flags and dispositions, sharing, read-only files, the final Ctrl-Z, seeks,
// size changes, removal and the access check.
#include <sys/stat.h>

#include "handle_fixture.h"

namespace lnc::test {
namespace {

using FilesTest = HandleFixture;

struct DispositionCase {
    int flags;
    bool exists;
    int error; // 0: opens
    const char* content_after;
};

TEST_F(FilesTest, CreationBitsChooseTheDisposition) {
    const DispositionCase cases[] = {
        {0, false, 2, "<missing>"},
        {0, true, 0, "old"},
        {OPEN_EXCLUSIVE, false, 2, "<missing>"},
        {OPEN_EXCLUSIVE, true, 0, "old"},
        {OPEN_CREATE, false, 0, ""},
        {OPEN_CREATE, true, 0, "old"},
        {OPEN_TRUNCATE, false, 2, "<missing>"},
        {OPEN_TRUNCATE, true, 0, ""},
        {OPEN_TRUNCATE | OPEN_EXCLUSIVE, false, 2, "<missing>"},
        {OPEN_TRUNCATE | OPEN_EXCLUSIVE, true, 0, ""},
        {OPEN_CREATE | OPEN_TRUNCATE, false, 0, ""},
        {OPEN_CREATE | OPEN_TRUNCATE, true, 0, ""},
        {OPEN_CREATE | OPEN_EXCLUSIVE, false, 0, ""},
        {OPEN_CREATE | OPEN_EXCLUSIVE, true, 17, "old"},
        {OPEN_CREATE | OPEN_TRUNCATE | OPEN_EXCLUSIVE, false, 0, ""},
        {OPEN_CREATE | OPEN_TRUNCATE | OPEN_EXCLUSIVE, true, 17, "old"},
    };
    for (const DispositionCase& c : cases) {
        std::filesystem::remove(path("d.txt"));
        if (c.exists) {
            write_file("d.txt", "old");
        }
        error_code = 0;
        int h = open_file(path("d.txt").c_str(), OPEN_WRITE_ONLY | c.flags, SHARE_READ_WRITE,
                          PERMISSION_READ_WRITE);
        EXPECT_EQ(h == -1 ? error_code : 0, c.error) << std::hex << c.flags << " " << c.exists;
        if (h != -1) {
            close_handle(h);
        }
        EXPECT_EQ(file_bytes("d.txt"), c.content_after) << std::hex << c.flags << " " << c.exists;
    }
}

TEST_F(FilesTest, InvalidAccessAndShareCodesAreInvalidArguments) {
    write_file("f.txt", "x");
    const int shares[] = {0, 0x11, 0x50, 0x0F, -1};
    for (int share : shares) {
        error_code = 0;
        EXPECT_EQ(open_file(path("f.txt").c_str(), OPEN_READ_ONLY, share, PERMISSION_READ_WRITE),
                  -1);
        EXPECT_EQ(error_code, 22) << share;
    }
    error_code = 0;
    EXPECT_EQ(open_file(path("f.txt").c_str(), 3, SHARE_READ_WRITE, PERMISSION_READ_WRITE), -1);
    EXPECT_EQ(error_code, 22);
    // Truncation needs write access.
    EXPECT_EQ(open_file(path("f.txt").c_str(), OPEN_READ_ONLY | OPEN_TRUNCATE, SHARE_READ_WRITE,
                        PERMISSION_READ_WRITE),
              -1);
    EXPECT_EQ(error_code, 22);
    EXPECT_EQ(file_bytes("f.txt"), "x");
    EXPECT_EQ(allocate_handle(), 3); // nothing was taken
}

TEST_F(FilesTest, EachShareCodeOpens) {
    write_file("f.txt", "x");
    for (int share : {0x10, 0x20, 0x30, 0x40}) {
        int h = open_file(path("f.txt").c_str(), OPEN_READ_ONLY, share, PERMISSION_READ_WRITE);
        EXPECT_GE(h, 3) << share;
        close_handle(h);
    }
}

TEST_F(FilesTest, AnExclusiveOpenExcludesOtherOpens) {
    write_file("f.txt", "x");
    int first = open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_NONE, PERMISSION_READ_WRITE);
    ASSERT_GE(first, 0);
    EXPECT_EQ(
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE),
        -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(system_error, 32u);
    close_handle(first);
    int shared =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    int again =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_GE(shared, 0);
    EXPECT_GE(again, 0);
    EXPECT_EQ(open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_NONE, PERMISSION_READ_WRITE),
              -1);
    EXPECT_EQ(error_code, 13);
}

TEST_F(FilesTest, ModeComesFromTheFlagsOrTheDefault) {
    write_file("f.txt", "x");
    std::string keep = path("f.txt");
    int text = open_file(keep.c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    int binary = open_file(keep.c_str(), OPEN_READ_ONLY | MODE_BINARY, SHARE_READ_WRITE,
                           PERMISSION_READ_WRITE);
    default_mode = MODE_BINARY;
    int by_default =
        open_file(keep.c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    int asked_text = open_file(keep.c_str(), OPEN_READ_ONLY | MODE_TEXT, SHARE_READ_WRITE,
                               PERMISSION_READ_WRITE);
    int both =
        open_file(keep.c_str(), MODE_TEXT | MODE_BINARY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(flags_of(text), H_OPEN | H_TEXT);
    EXPECT_EQ(flags_of(binary), H_OPEN);
    EXPECT_EQ(flags_of(by_default), H_OPEN);
    EXPECT_EQ(flags_of(asked_text), H_OPEN | H_TEXT);
    EXPECT_EQ(flags_of(both), H_OPEN);
}

TEST_F(FilesTest, DevicesAndPipesGetTheirKindAndNoAppend) {
    int device = open_file("/dev/null", OPEN_WRITE_ONLY | OPEN_APPEND, SHARE_READ_WRITE,
                           PERMISSION_READ_WRITE);
    EXPECT_EQ(flags_of(device), H_OPEN | H_TEXT | H_DEVICE);
    ASSERT_EQ(::mkfifo(path("fifo").c_str(), 0600), 0);
    int keep_open = ::open(path("fifo").c_str(), O_RDWR); // so that opening does not wait
    int pipe = open_file(path("fifo").c_str(), OPEN_READ_WRITE | OPEN_APPEND, SHARE_READ_WRITE,
                         PERMISSION_READ_WRITE);
    EXPECT_EQ(flags_of(pipe), H_OPEN | H_TEXT | H_PIPE);
    ::close(keep_open);
}

TEST_F(FilesTest, InheritanceFollowsTheNoInheritBit) {
    write_file("f.txt", "x");
    int inherited =
        open_file(path("f.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    int kept = open_file(path("f.txt").c_str(), OPEN_READ_ONLY | 0x80, SHARE_READ_WRITE,
                         PERMISSION_READ_WRITE);
    EXPECT_EQ(::fcntl(static_cast<int>(get_os_handle(inherited)), F_GETFD) & FD_CLOEXEC, 0);
    EXPECT_NE(::fcntl(static_cast<int>(get_os_handle(kept)), F_GETFD) & FD_CLOEXEC, 0);
}

TEST_F(FilesTest, ANewFileWithoutWritePermissionBecomesReadOnly) {
    int h = open_file(path("ro.txt").c_str(), OPEN_WRITE_ONLY | OPEN_CREATE, SHARE_READ_WRITE,
                      PERMIT_READ);
    ASSERT_GE(h, 0);
    EXPECT_EQ(write_bytes(h, "made", 4), 4); // the handle that made it may write
    close_handle(h);
    EXPECT_EQ(file_bytes("ro.txt"), "made");
    EXPECT_EQ(check_access(path("ro.txt").c_str(), 0), 0);
    EXPECT_EQ(check_access(path("ro.txt").c_str(), 4), 0);
    for (int mode : {2, 6}) {
        EXPECT_EQ(check_access(path("ro.txt").c_str(), mode), -1);
        EXPECT_EQ(error_code, 13);
        EXPECT_EQ(system_error, 5u);
    }
    for (int flags : {OPEN_WRITE_ONLY, OPEN_READ_WRITE, OPEN_WRITE_ONLY | OPEN_TRUNCATE,
                      OPEN_WRITE_ONLY | OPEN_CREATE | OPEN_TRUNCATE}) {
        error_code = 0;
        EXPECT_EQ(open_file(path("ro.txt").c_str(), flags, SHARE_READ_WRITE, PERMISSION_READ_WRITE),
                  -1);
        EXPECT_EQ(error_code, 13) << flags;
    }
    EXPECT_EQ(remove_file(path("ro.txt").c_str()), -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(file_bytes("ro.txt"), "made");
    int reader =
        open_file(path("ro.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(read_text(reader, 10), "made");
}

TEST_F(FilesTest, ANewFileWithWritePermissionStaysWritable) {
    int h =
        open_file(path("rw.txt").c_str(), OPEN_WRITE_ONLY | OPEN_CREATE, SHARE_READ_WRITE, 0x80);
    close_handle(h);
    EXPECT_EQ(check_access(path("rw.txt").c_str(), 2), 0);
}

TEST_F(FilesTest, DirectoriesAreNotOpenedOrRemovedAsFiles) {
    ASSERT_EQ(::mkdir(path("sub").c_str(), 0700), 0);
    EXPECT_EQ(
        open_file(path("sub").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE),
        -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(remove_file(path("sub").c_str()), -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(check_access(path("sub").c_str(), 0), 0);
}

TEST_F(FilesTest, MissingNamesAreNoSuchFile) {
    EXPECT_EQ(remove_file(path("none").c_str()), -1);
    EXPECT_EQ(error_code, 2);
    EXPECT_EQ(system_error, 2u);
    EXPECT_EQ(check_access(path("none").c_str(), 0), -1);
    EXPECT_EQ(error_code, 2);
    EXPECT_EQ(
        open_file(path("none/x").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE),
        -1);
    EXPECT_EQ(error_code, 2);
    EXPECT_EQ(system_error, 2u);
    write_file("f", "");
    EXPECT_EQ(
        open_file(path("f/x").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE),
        -1);
    EXPECT_EQ(system_error, 3u);
    EXPECT_EQ(error_code, 2);
}

TEST_F(FilesTest, RemoveDeletesTheFile) {
    write_file("f.txt", "x");
    EXPECT_EQ(remove_file(path("f.txt").c_str()), 0);
    EXPECT_EQ(file_bytes("f.txt"), "<missing>");
}

TEST_F(FilesTest, ATemporaryFileLeavesNoNameBehind) {
    int h = open_file(path("t.tmp").c_str(), OPEN_READ_WRITE | OPEN_CREATE | OPEN_TEMPORARY,
                      SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    ASSERT_GE(h, 0);
    EXPECT_EQ(write_bytes(h, "scratch", 7), 7);
    EXPECT_EQ(seek(h, 0, 0), 0);
    EXPECT_EQ(read_text(h, 10), "scratch");
    close_handle(h);
    EXPECT_EQ(file_bytes("t.tmp"), "<missing>");
}

TEST_F(FilesTest, AFinalCtrlZIsCutWhenOpenedForUpdateInText) {
    const std::string with_z("abc\r\n\x1A", 6);
    write_file("z.txt", with_z);
    int h =
        open_file(path("z.txt").c_str(), OPEN_READ_WRITE, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    ASSERT_GE(h, 0);
    EXPECT_EQ(file_bytes("z.txt"), "abc\r\n");
    EXPECT_EQ(seek(h, 0, 1), 0); // back at the start
    EXPECT_EQ(write_bytes(h, "x", 1), 1);
    close_handle(h);
    EXPECT_EQ(file_bytes("z.txt"), "xbc\r\n");
    // Other modes leave it.
    const int untouched[] = {OPEN_READ_WRITE | MODE_BINARY, OPEN_READ_ONLY, OPEN_WRITE_ONLY};
    for (int flags : untouched) {
        write_file("z.txt", with_z);
        close_handle(
            open_file(path("z.txt").c_str(), flags, SHARE_READ_WRITE, PERMISSION_READ_WRITE));
        EXPECT_EQ(file_bytes("z.txt"), with_z) << flags;
    }
    // Only the last byte counts; an empty file is fine.
    write_file("z.txt", std::string("a\x1A"
                                    "b",
                                    3));
    close_handle(
        open_file(path("z.txt").c_str(), OPEN_READ_WRITE, SHARE_READ_WRITE, PERMISSION_READ_WRITE));
    EXPECT_EQ(file_bytes("z.txt"), std::string("a\x1A"
                                               "b",
                                               3));
    write_file("e.txt", "");
    h = open_file(path("e.txt").c_str(), OPEN_READ_WRITE, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_GE(h, 0);
}

TEST_F(FilesTest, SeekMovesAndReportsThePosition) {
    write_file("s.txt", "0123456789");
    int h = open_file(path("s.txt").c_str(), OPEN_READ_ONLY | MODE_BINARY, SHARE_READ_WRITE,
                      PERMISSION_READ_WRITE);
    EXPECT_EQ(seek(h, 4, 0), 4);
    EXPECT_EQ(seek(h, 2, 1), 6);
    EXPECT_EQ(read_text(h, 2), "67");
    EXPECT_EQ(seek(h, -3, 2), 7);
    EXPECT_EQ(seek(h, 5, 2), 15); // past the end is allowed
    EXPECT_EQ(seek(h, -16, 1), -1);
    EXPECT_EQ(error_code, 22);
    EXPECT_EQ(system_error, 131u);
    EXPECT_EQ(seek(h, 0, 1), 15); // a failed seek leaves the position
    EXPECT_EQ(seek(h, 0, 3), -1);
    EXPECT_EQ(error_code, 22);
    EXPECT_EQ(system_error, 87u);
}

TEST_F(FilesTest, SeekOnAPipeIsRefused) {
    int h = pipe_holding("abc");
    EXPECT_EQ(seek(h, 0, 0), -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(system_error, 132u);
    EXPECT_EQ(seek(3000, 0, 0), -1);
    EXPECT_EQ(error_code, 9);
}

TEST_F(FilesTest, ChangeSizeGrowsWithZerosAndKeepsPositionAndMode) {
    write_file("c.txt", "abc");
    int h =
        open_file(path("c.txt").c_str(), OPEN_READ_WRITE, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(seek(h, 2, 0), 2);
    EXPECT_EQ(change_size(h, 9000), 0);
    std::string grown = file_bytes("c.txt");
    EXPECT_EQ(grown.size(), 9000u);
    EXPECT_EQ(grown.substr(0, 3), "abc");
    EXPECT_EQ(grown.find_first_not_of('\0', 3), std::string::npos);
    EXPECT_EQ(seek(h, 0, 1), 2);
    EXPECT_TRUE(flags_of(h) & H_TEXT);
}

TEST_F(FilesTest, ChangeSizeShrinksAndKeepsThePosition) {
    write_file("c.txt", "abcdefgh");
    int h = open_file(path("c.txt").c_str(), OPEN_READ_WRITE | MODE_BINARY, SHARE_READ_WRITE,
                      PERMISSION_READ_WRITE);
    EXPECT_EQ(seek(h, 1, 0), 1);
    EXPECT_EQ(change_size(h, 3), 0);
    EXPECT_EQ(file_bytes("c.txt"), "abc");
    EXPECT_EQ(seek(h, 0, 1), 1);
    EXPECT_EQ(change_size(h, 3), 0); // same size: nothing to do
    EXPECT_EQ(change_size(h, 0), 0);
    EXPECT_EQ(file_bytes("c.txt"), "");
    EXPECT_FALSE(flags_of(h) & H_TEXT);
}

TEST_F(FilesTest, ChangeSizeFailures) {
    write_file("c.txt", "abcdef");
    int reader =
        open_file(path("c.txt").c_str(), OPEN_READ_ONLY, SHARE_READ_WRITE, PERMISSION_READ_WRITE);
    EXPECT_EQ(change_size(reader, 100), -1);
    EXPECT_EQ(error_code, 13); // the refused write counts as permission denied
    EXPECT_EQ(change_size(reader, 2), -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(file_bytes("c.txt"), "abcdef");
    EXPECT_EQ(change_size(reader, -1), -1);
    EXPECT_EQ(error_code, 22);
    int pipe = pipe_holding("x");
    EXPECT_EQ(change_size(pipe, 10), -1);
    EXPECT_EQ(error_code, 13);
    EXPECT_EQ(change_size(99, 10), -1);
    EXPECT_EQ(error_code, 9);
}

} // namespace
} // namespace lnc::test
