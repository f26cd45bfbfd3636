// The POSIX file layer: error numbers, file kinds, terminal line delivery, seeks, broken pipes,
// names, attributes and the heap's size header.
#include "os/files.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "os/posix/posix_errors.h"

extern char** environ;

namespace lnc::os {
namespace {

class PosixFiles : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/lncalc-os-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        set_last_error(0);
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }
    std::string path(const char* name) const { return directory_ + "/" + name; }
    void make_file(const char* name, const std::string& bytes, mode_t mode = 0644) const {
        int fd = ::open(path(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        ::close(fd);
    }
    std::string directory_;
};

// A pseudo-terminal in line mode without echo: the master types, the slave is read.
struct Terminal {
    Terminal() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        EXPECT_GE(master, 0);
        ::grantpt(master);
        ::unlockpt(master);
        slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
        EXPECT_GE(slave, 0);
        termios settings;
        ::tcgetattr(slave, &settings);
        settings.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHONL));
        ::tcsetattr(slave, TCSANOW, &settings);
    }
    ~Terminal() {
        close_handle(slave);
        if (master >= 0) {
            ::close(master);
        }
    }
    void type(const std::string& keys) const {
        ASSERT_EQ(::write(master, keys.data(), keys.size()), static_cast<ssize_t>(keys.size()));
    }
    std::string read(std::uint32_t count) const {
        std::string buffer(count, '\0');
        std::uint32_t done = 99;
        EXPECT_TRUE(read_file(slave, buffer.data(), count, &done)) << last_error();
        buffer.resize(done);
        return buffer;
    }
    int master;
    int slave;
};

TEST(PosixErrors, ErrnoValuesBecomeSystemErrorNumbers) {
    const std::pair<int, std::uint32_t> cases[] = {
        {ENOENT, 2},  {ENOTDIR, 3},  {EMFILE, 4},         {ENFILE, 4},      {EACCES, 5},
        {EPERM, 5},   {EISDIR, 5},   {EBADF, 6},          {ENOMEM, 8},      {EEXIST, 80},
        {EPIPE, 109}, {ENOSPC, 112}, {EDQUOT, 112},       {EINVAL, 87},     {ESPIPE, 132},
        {EROFS, 19},  {EIO, 31},     {ENAMETOOLONG, 206}, {ENOTEMPTY, 145}, {0, 87},
        {12345, 87},
    };
    for (const auto& [error, system] : cases) {
        EXPECT_EQ(system_error_from_errno(error), system) << std::strerror(error);
    }
    errno = ENOSPC;
    set_last_error_from_errno();
    EXPECT_EQ(last_error(), 112u);
}

TEST_F(PosixFiles, FileTypesByKind) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    int sockets[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, sockets), 0);
    make_file("f", "x");
    int file = ::open(path("f").c_str(), O_RDONLY);
    int null_device = ::open("/dev/null", O_RDONLY);
    int directory = ::open(directory_.c_str(), O_RDONLY);
    EXPECT_EQ(file_type(ends[0]), FILE_TYPE_PIPE);
    EXPECT_EQ(file_type(sockets[0]), FILE_TYPE_PIPE);
    EXPECT_EQ(file_type(file), FILE_TYPE_DISK);
    EXPECT_EQ(file_type(null_device), FILE_TYPE_CHAR);
    set_last_error(55);
    EXPECT_EQ(file_type(directory), FILE_TYPE_UNKNOWN);
    EXPECT_EQ(last_error(), 0u);
    for (int fd : {ends[0], ends[1], sockets[0], sockets[1], file, null_device, directory}) {
        ::close(fd);
    }
    EXPECT_EQ(file_type(file), FILE_TYPE_UNKNOWN);
    EXPECT_EQ(last_error(), 6u);
    EXPECT_EQ(file_type(NO_HANDLE), FILE_TYPE_UNKNOWN);
    EXPECT_EQ(last_error(), 6u);
}

TEST_F(PosixFiles, ATerminalIsACharacterDevice) {
    Terminal terminal;
    EXPECT_EQ(file_type(terminal.slave), FILE_TYPE_CHAR);
}

TEST_F(PosixFiles, ATerminalLineArrivesWithCrLfAndTheRestWaits) {
    Terminal terminal;
    terminal.type("12\n");
    EXPECT_EQ(terminal.read(2), "12");
    EXPECT_EQ(terminal.read(100), "\r\n");
    terminal.type("abc\n");
    EXPECT_EQ(terminal.read(4), "abc\r");
    EXPECT_EQ(terminal.read(1), "\n");
}

TEST_F(PosixFiles, EachReadDeliversOneTypedLine) {
    Terminal terminal;
    terminal.type("one\ntwo\n\n");
    EXPECT_EQ(terminal.read(100), "one\r\n");
    EXPECT_EQ(terminal.read(100), "two\r\n");
    EXPECT_EQ(terminal.read(100), "\r\n");
}

TEST_F(PosixFiles, WithoutLineModeTheLinesAreStillDeliveredOneByOne) {
    Terminal terminal;
    termios settings;
    ::tcgetattr(terminal.slave, &settings);
    settings.c_lflag &= static_cast<tcflag_t>(~ICANON);
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    ::tcsetattr(terminal.slave, TCSANOW, &settings);
    terminal.type("x\ny\n");
    ::usleep(20000); // both lines reach the terminal before the first read
    EXPECT_EQ(terminal.read(100), "x\r\n");
    EXPECT_EQ(terminal.read(100), "y\r\n");
}

TEST_F(PosixFiles, EndOfInputAtTheTerminalIsAReadOfNothing) {
    Terminal terminal;
    terminal.type("\x04");
    EXPECT_EQ(terminal.read(100), "");
    terminal.type("ab\x04");
    EXPECT_EQ(terminal.read(100), "ab"); // ended without a line end: given as typed
}

TEST_F(PosixFiles, AHungUpTerminalReadsAsTheEndOfInput) {
    // Depending on the system the read finds nothing or fails with EIO; either way it must
    // come back as an end of input (nothing read, or the broken-pipe error), never as data or
    // another failure.
    Terminal terminal;
    ::close(terminal.master);
    terminal.master = -1;
    char byte;
    std::uint32_t done = 7;
    bool read = read_file(terminal.slave, &byte, 1, &done);
    EXPECT_EQ(done, 0u);
    if (!read) {
        EXPECT_EQ(last_error(), 109u);
    }
}

TEST_F(PosixFiles, ClosingATerminalDropsTheRestOfItsLine) {
    Terminal first;
    first.type("abcdef\n");
    EXPECT_EQ(first.read(2), "ab");
    int reused = first.slave;
    ASSERT_TRUE(close_handle(reused));
    // The next terminal may get the same descriptor; it must not see "cdef".
    Terminal second;
    first.slave = ::dup(second.slave);
    second.type("new\n");
    EXPECT_EQ(second.read(100), "new\r\n");
}

TEST_F(PosixFiles, WritesToAPipeWithoutReaderFailAsBrokenPipe) {
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    ::close(ends[0]);
    std::uint32_t done = 5;
    EXPECT_FALSE(write_file(ends[1], "abc", 3, &done));
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(last_error(), 109u);
    ::close(ends[1]);
}

TEST_F(PosixFiles, TheFirstUseOfTheLayerKeepsABrokenPipeFromEndingTheProcess) {
    // A fresh process: the signal has its default action until the layer is first used.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto body = [] {
        std::signal(SIGPIPE, SIG_DFL);
        int ends[2];
        if (::pipe(ends) != 0) {
            std::exit(2);
        }
        ::close(ends[0]);
        std::uint32_t done = 0;
        bool written = write_file(ends[1], "x", 1, &done);
        std::exit(!written && last_error() == 109 ? 0 : 1);
    };
    EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "");
    auto through_std = [] {
        std::signal(SIGPIPE, SIG_DFL);
        get_std_handle(1);
        std::exit(::raise(SIGPIPE) == 0 ? 0 : 1); // ignored: the process goes on
    };
    EXPECT_EXIT(through_std(), ::testing::ExitedWithCode(0), "");
}

TEST_F(PosixFiles, ProgramsStartedLaterStillDieOfABrokenPipe) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto body = [] {
        std::signal(SIGPIPE, SIG_DFL);
        get_std_handle(0);
        const char* arguments[] = {"/bin/sh", "-c", "kill -PIPE $$", nullptr};
        pid_t child = 0;
        if (::posix_spawn(&child, "/bin/sh", nullptr, nullptr, const_cast<char**>(arguments),
                          environ) != 0) {
            std::exit(2);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        std::exit(WIFSIGNALED(status) && WTERMSIG(status) == SIGPIPE ? 0 : 1);
    };
    EXPECT_EXIT(body(), ::testing::ExitedWithCode(0), "");
}

TEST_F(PosixFiles, FailedTransfersSayWhy) {
    make_file("f", "data");
    int reader = ::open(path("f").c_str(), O_RDONLY);
    int writer = ::open(path("f").c_str(), O_WRONLY);
    char buffer[4];
    std::uint32_t done = 0;
    EXPECT_FALSE(write_file(reader, "x", 1, &done));
    EXPECT_EQ(last_error(), 5u);
    EXPECT_FALSE(read_file(writer, buffer, 4, &done));
    EXPECT_EQ(last_error(), 5u);
    ::close(reader);
    EXPECT_FALSE(read_file(reader, buffer, 4, &done));
    EXPECT_EQ(last_error(), 6u);
    EXPECT_FALSE(close_handle(reader));
    EXPECT_EQ(last_error(), 6u);
    int full = ::open("/dev/full", O_WRONLY);
    EXPECT_FALSE(write_file(full, "x", 1, &done));
    EXPECT_EQ(last_error(), 112u);
    ::close(full);
    ::close(writer);
}

TEST_F(PosixFiles, FilePointerRules) {
    make_file("f", "0123456789");
    int fd = ::open(path("f").c_str(), O_RDWR);
    EXPECT_EQ(set_file_pointer(fd, 3, 0), 3u);
    EXPECT_EQ(set_file_pointer(fd, -1, 1), 2u);
    EXPECT_EQ(set_file_pointer(fd, -2, 2), 8u);
    EXPECT_EQ(set_file_pointer(fd, -9, 1), 0xFFFFFFFFu);
    EXPECT_EQ(last_error(), 131u);
    EXPECT_EQ(set_file_pointer(fd, 0, 1), 8u);
    EXPECT_EQ(set_file_pointer(fd, 0, 7), 0xFFFFFFFFu);
    EXPECT_EQ(last_error(), 87u);
    EXPECT_EQ(set_file_pointer(fd, 4, 0), 4u);
    EXPECT_TRUE(set_end_of_file(fd));
    EXPECT_EQ(std::filesystem::file_size(path("f")), 4u);
    EXPECT_EQ(set_file_pointer(fd, 6, 0), 6u);
    EXPECT_TRUE(set_end_of_file(fd)); // also extends
    EXPECT_EQ(std::filesystem::file_size(path("f")), 6u);
    EXPECT_TRUE(flush_file_buffers(fd));
    ::close(fd);
    int ends[2];
    ASSERT_EQ(::pipe(ends), 0);
    EXPECT_EQ(set_file_pointer(ends[0], 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(last_error(), 132u);
    EXPECT_TRUE(flush_file_buffers(ends[1]));
    ::close(ends[0]);
    ::close(ends[1]);
}

TEST_F(PosixFiles, StandardHandlesCanBeRepointedAndCleared) {
    EXPECT_EQ(get_std_handle(3), NO_HANDLE);
    EXPECT_EQ(last_error(), 87u);
    EXPECT_FALSE(set_std_handle(-1, 5));
    Handle saved = get_std_handle(2);
    EXPECT_TRUE(set_std_handle(2, 42));
    EXPECT_EQ(get_std_handle(2), 42);
    EXPECT_TRUE(set_std_handle(2, NO_HANDLE));
    EXPECT_EQ(get_std_handle(2), NO_HANDLE);
    set_std_handle(2, saved);
}

struct CreateCase {
    std::uint32_t disposition;
    bool exists;
    std::uint32_t error; // 0: opened
    const char* content;
};

TEST_F(PosixFiles, CreationDispositions) {
    const CreateCase cases[] = {
        {CREATE_NEW, false, 0, ""},
        {CREATE_NEW, true, 80, "old"},
        {CREATE_ALWAYS, false, 0, ""},
        {CREATE_ALWAYS, true, 0, ""},
        {OPEN_EXISTING, false, 2, nullptr},
        {OPEN_EXISTING, true, 0, "old"},
        {OPEN_ALWAYS, false, 0, ""},
        {OPEN_ALWAYS, true, 0, "old"},
        {TRUNCATE_EXISTING, false, 2, nullptr},
        {TRUNCATE_EXISTING, true, 0, ""},
        {0, true, 87, "old"},
        {6, true, 87, "old"},
    };
    for (const CreateCase& c : cases) {
        std::filesystem::remove(path("c"));
        if (c.exists) {
            make_file("c", "old");
        }
        set_last_error(0);
        Handle h = create_file(path("c").c_str(), GENERIC_READ | GENERIC_WRITE,
                               SHARE_READ | SHARE_WRITE, true, c.disposition, ATTRIBUTE_NORMAL);
        EXPECT_EQ(h == NO_HANDLE ? last_error() : 0u, c.error) << c.disposition << c.exists;
        if (h != NO_HANDLE) {
            close_handle(h);
        }
        bool present = std::filesystem::exists(path("c"));
        EXPECT_EQ(present, c.content != nullptr) << c.disposition << c.exists;
        if (present && c.content != nullptr) {
            EXPECT_EQ(std::filesystem::file_size(path("c")), std::strlen(c.content));
        }
    }
    make_file("c", "old");
    EXPECT_EQ(create_file(path("c").c_str(), GENERIC_READ, 0, true, TRUNCATE_EXISTING, 0),
              NO_HANDLE);
    EXPECT_EQ(last_error(), 87u);
    EXPECT_EQ(std::filesystem::file_size(path("c")), 3u);
}

TEST_F(PosixFiles, ReadOnlyAttributeAndAttributes) {
    Handle h =
        create_file(path("ro").c_str(), GENERIC_WRITE, 0, true, CREATE_NEW, ATTRIBUTE_READONLY);
    ASSERT_NE(h, NO_HANDLE);
    std::uint32_t done = 0;
    EXPECT_TRUE(write_file(h, "ok", 2, &done));
    close_handle(h);
    EXPECT_EQ(file_attributes(path("ro").c_str()), ATTRIBUTE_READONLY);
    EXPECT_EQ(create_file(path("ro").c_str(), GENERIC_WRITE, 0, true, OPEN_EXISTING, 0), NO_HANDLE);
    EXPECT_EQ(last_error(), 5u);
    EXPECT_FALSE(delete_file(path("ro").c_str()));
    EXPECT_EQ(last_error(), 5u);
    make_file("rw", "");
    EXPECT_EQ(file_attributes(path("rw").c_str()), ATTRIBUTE_NORMAL);
    EXPECT_EQ(file_attributes(directory_.c_str()), ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(file_attributes(path("none").c_str()), INVALID_ATTRIBUTES);
    EXPECT_EQ(last_error(), 2u);
    EXPECT_TRUE(delete_file(path("rw").c_str()));
    EXPECT_FALSE(delete_file(path("rw").c_str()));
    EXPECT_EQ(last_error(), 2u);
}

TEST_F(PosixFiles, IdentityNamesTheFileNotTheHandle) {
    make_file("a", "1");
    make_file("b", "2");
    int a1 = ::open(path("a").c_str(), O_RDONLY);
    int a2 = ::open(path("a").c_str(), O_RDONLY);
    int b = ::open(path("b").c_str(), O_RDONLY);
    std::uint64_t volume[3];
    std::uint64_t index[3];
    ASSERT_TRUE(file_identity(a1, &volume[0], &index[0]));
    ASSERT_TRUE(file_identity(a2, &volume[1], &index[1]));
    ASSERT_TRUE(file_identity(b, &volume[2], &index[2]));
    EXPECT_EQ(volume[0], volume[1]);
    EXPECT_EQ(index[0], index[1]);
    EXPECT_NE(index[0], index[2]);
    ::close(a1);
    ::close(a2);
    ::close(b);
    EXPECT_FALSE(file_identity(b, &volume[0], &index[0]));
    EXPECT_EQ(last_error(), 6u);
}

TEST(PosixHeap, BlocksTellTheirSizeAndKeepTheirContents) {
    ASSERT_TRUE(heap_create());
    auto* block = static_cast<char*>(heap_alloc(13, false));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(heap_size(block), 13u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block) % alignof(std::max_align_t), 0u);
    std::memcpy(block, "hello, world", 13);
    block = static_cast<char*>(heap_realloc(block, 100000));
    ASSERT_NE(block, nullptr);
    EXPECT_STREQ(block, "hello, world");
    EXPECT_EQ(heap_size(block), 100000u);
    EXPECT_TRUE(heap_free(block));
    auto* zeroed = static_cast<unsigned char*>(heap_alloc(64, true));
    for (int i = 0; i < 64; ++i) {
        EXPECT_EQ(zeroed[i], 0);
    }
    EXPECT_EQ(heap_size(zeroed), 64u);
    EXPECT_TRUE(heap_free(zeroed));
    EXPECT_EQ(heap_alloc(SIZE_MAX - 4, false), nullptr);
    EXPECT_EQ(last_error(), 8u);
    EXPECT_FALSE(heap_free(nullptr));
    EXPECT_EQ(heap_realloc(nullptr, 4), nullptr);
}

} // namespace
} // namespace lnc::os
