// Command execution: the interpreter named by COMSPEC and its fallback, the PATH search, the
// limits and error values of spawn_program, the spawn modes and the inherited-handle block.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/process/process.h"
#include "runtime/startup/startup.h"

namespace {

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_text(const std::string& path, const std::string& text, mode_t mode) {
    std::ofstream(path, std::ios::binary) << text;
    ASSERT_EQ(chmod(path.c_str(), mode), 0) << path;
}

bool exists(const std::string& path) {
    return access(path.c_str(), F_OK) == 0;
}

// A scratch directory with helpers for the programs the tests plant in it, and the environment
// that find_environment_value sees.
class ProcessTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { ASSERT_TRUE(lnc::create_process_heap()); }

    void SetUp() override {
        char pattern[] = "/tmp/lncalc_process_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        saved_environment_ = lnc::process_state.environment;
        saved_version_high_ = lnc::process_state.version_high;
        set_environment({});
    }

    void TearDown() override {
        lnc::process_state.environment = saved_environment_;
        lnc::process_state.version_high = saved_version_high_;
        std::string command = "rm -rf '" + root_ + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
    }

    void set_environment(std::vector<std::string> entries) {
        entries_ = std::move(entries);
        pointers_.clear();
        for (std::string& entry : entries_)
            pointers_.push_back(entry.data());
        pointers_.push_back(nullptr);
        lnc::process_state.environment = pointers_.data();
    }

    std::string make_dir(const std::string& relative) {
        std::string path = root_ + "/" + relative;
        std::string command = "mkdir -p '" + path + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return path;
    }

    // A program that appends its tag and arguments to the log, then runs the real shell with
    // the same arguments, so that it works as an interpreter.
    std::string plant_shell(const std::string& dir, const std::string& name,
                            const std::string& tag) {
        std::string path = dir + "/" + name;
        write_text(path,
                   "#!/bin/sh\nprintf '%s|' '" + tag + "' \"$@\" >> '" + log() + "'\necho >> '" +
                       log() + "'\nexec /bin/sh \"$@\"\n",
                   0755);
        return path;
    }

    std::string log() const { return root_ + "/log"; }
    std::string log_text() const { return read_text(log()); }

    std::string root_;

  private:
    char** saved_environment_ = nullptr;
    unsigned saved_version_high_ = 0;
    std::vector<std::string> entries_;
    std::vector<char*> pointers_;
};

// ---- find_environment_value ----

TEST_F(ProcessTest, EnvironmentNamesMatchIgnoringCase) {
    set_environment({"PATHEXT=.x", "Path=/one", "PATH=/two", "COMSPEC=", "NOEQUALS"});
    EXPECT_STREQ(lnc::find_environment_value("PATH"), "/one");
    EXPECT_STREQ(lnc::find_environment_value("path"), "/one");
    EXPECT_STREQ(lnc::find_environment_value("PaThExT"), ".x");
    EXPECT_STREQ(lnc::find_environment_value("comspec"), "");
    EXPECT_EQ(lnc::find_environment_value("PAT"), nullptr);
    EXPECT_EQ(lnc::find_environment_value("PATHEXTRA"), nullptr);
    EXPECT_EQ(lnc::find_environment_value("NOEQUALS"), nullptr);
    EXPECT_EQ(lnc::find_environment_value("HOME"), nullptr);
    lnc::process_state.environment = nullptr;
    EXPECT_EQ(lnc::find_environment_value("PATH"), nullptr);
}

// ---- the interpreter ----

TEST_F(ProcessTest, ComspecInterpreterGetsSwitchAndCommandUnquoted) {
    std::string dir = make_dir("with blank");
    std::string interpreter = plant_shell(dir, "my sh", "comspec");
    set_environment({"COMSPEC=" + interpreter, "PATH=/bin"});
    EXPECT_EQ(lnc::run_command("  exit 3"), 3);
    EXPECT_EQ(log_text(), "comspec|-c|  exit 3|\n");
}

// Unset, missing or not executable, COMSPEC gives way to "sh" along PATH; an interpreter that
// exists but cannot be started ends the attempt with nothing else tried.
TEST_F(ProcessTest, ComspecFallback) {
    std::string bin = make_dir("bin");
    plant_shell(bin, "sh", "fallback");
    std::string plain = root_ + "/plain", garbage = root_ + "/garbage";
    write_text(plain, "#!/bin/sh\necho plain >> '" + log() + "'\n", 0644);
    write_text(garbage,
               "\x7f"
               "ELF not really a program\n",
               0755);
    const std::string ran = "fallback|-c|exit 5|\n";
    struct {
        std::string comspec;
        int result;
        std::string log;
        int error;
    } cases[] = {
        {"", 5, ran, 0},
        {"COMSPEC=" + root_ + "/absent", 5, ran, 0},
        {"COMSPEC=sh", 5, ran, 0},
        {"COMSPEC=" + plain, 5, ran, 0},
        {"COMSPEC=" + make_dir("dir"), 5, ran, 0},
        {"COMSPEC=" + garbage, -1, "", 8},
    };
    for (const auto& c : cases) {
        unlink(log().c_str());
        set_environment({c.comspec, "PATH=" + bin});
        EXPECT_EQ(lnc::run_command("exit 5"), c.result) << c.comspec;
        EXPECT_EQ(log_text(), c.log) << c.comspec;
        if (c.result == -1) {
            EXPECT_EQ(lnc::error_code, c.error) << c.comspec;
        }
    }
}

TEST_F(ProcessTest, NoInterpreterAnywhere) {
    set_environment({"PATH=" + make_dir("empty")});
    EXPECT_EQ(lnc::run_command("true"), -1);
    EXPECT_EQ(lnc::error_code, 2);
    set_environment({});
    EXPECT_EQ(lnc::run_command("true"), -1);
    EXPECT_EQ(lnc::error_code, 2);
}

TEST_F(ProcessTest, ExitCodesComeBackAndSignalsGiveMinusOneOnce) {
    set_environment({"COMSPEC=/bin/sh"});
    EXPECT_EQ(lnc::run_command("exit 3"), 3);
    EXPECT_EQ(lnc::run_command("exit 255"), 255);
    EXPECT_EQ(lnc::run_command("exit 0"), 0);
    // Left over from an earlier failure: must not make the finished child count as not started.
    lnc::error_code = 2;
    std::string bin = make_dir("bin");
    plant_shell(bin, "sh", "fallback");
    set_environment({"COMSPEC=/bin/sh", "PATH=" + bin});
    std::string command = "echo ran >> '" + root_ + "/count'; kill -9 $$";
    EXPECT_EQ(lnc::run_command(command.c_str()), -1);
    EXPECT_EQ(read_text(root_ + "/count"), "ran\n");
    EXPECT_FALSE(exists(log()));
}

TEST_F(ProcessTest, NullCommandOnlyAsksWhetherComspecExists) {
    std::string interpreter = plant_shell(root_, "interp", "ran");
    set_environment({"PATH=/bin"});
    EXPECT_EQ(lnc::run_command(nullptr), 0);
    set_environment({"COMSPEC=" + root_ + "/absent"});
    EXPECT_EQ(lnc::run_command(nullptr), 0);
    set_environment({"COMSPEC=" + interpreter});
    EXPECT_EQ(lnc::run_command(nullptr), 1);
    EXPECT_FALSE(exists(log()));
}

// ---- the PATH search ----

TEST_F(ProcessTest, PathIsSearchedInOrder) {
    std::string a = make_dir("a"), b = make_dir("b"), c = make_dir("c");
    plant_shell(b, "sh", "b");
    plant_shell(c, "sh", "c");
    set_environment({"PATH=" + a + ":" + root_ + "/missing:" + b + ":" + c});
    EXPECT_EQ(lnc::run_command("exit 1"), 1);
    EXPECT_EQ(log_text(), "b|-c|exit 1|\n");
}

TEST_F(ProcessTest, NonExecutableMatchEndsTheSearch) {
    std::string a = make_dir("a"), b = make_dir("b");
    write_text(a + "/sh", "#!/bin/sh\n", 0644);
    plant_shell(b, "sh", "b");
    set_environment({"PATH=" + a + ":" + b});
    EXPECT_EQ(lnc::run_command("true"), -1);
    EXPECT_EQ(lnc::error_code, 13);
    EXPECT_FALSE(exists(log()));
}

TEST_F(ProcessTest, NetworkPathErrorsDoNotEndTheSearch) {
    std::string a = make_dir("a"), b = make_dir("b");
    write_text(a + "/sh", "#!/bin/sh\n", 0644);
    plant_shell(b, "sh", "b");
    set_environment({"PATH=/" + a + ":" + b}); // "//tmp/..." names the same directory here
    EXPECT_EQ(lnc::run_command("exit 2"), 2);
    EXPECT_EQ(log_text(), "b|-c|exit 2|\n");
}

TEST_F(ProcessTest, EmptyElementsAreSkippedNotTakenAsCurrentDirectory) {
    std::string a = make_dir("a"), cwd = make_dir("cwd");
    plant_shell(a, "sh", "a");
    plant_shell(cwd, "sh", "planted");
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    set_environment({"PATH=::" + a + ":"});
    int first = lnc::run_command("exit 7");
    // A quoted empty element ends the search before the directory after it.
    set_environment({"PATH=\"\":" + a});
    int second = lnc::run_command("exit 7");
    int second_error = lnc::error_code;
    ASSERT_EQ(chdir(saved), 0);
    EXPECT_EQ(first, 7);
    EXPECT_EQ(second, -1);
    EXPECT_EQ(second_error, 2);
    EXPECT_EQ(log_text(), "a|-c|exit 7|\n");
}

TEST_F(ProcessTest, ShellInCurrentDirectoryIsNeverRun) {
    std::string cwd = make_dir("cwd");
    plant_shell(cwd, "sh", "planted");
    char saved[4096];
    ASSERT_NE(getcwd(saved, sizeof saved), nullptr);
    ASSERT_EQ(chdir(cwd.c_str()), 0);
    set_environment({"COMSPEC=sh", "PATH=" + make_dir("empty")});
    int with_path = lnc::run_command("true");
    set_environment({"COMSPEC=sh"});
    int without_path = lnc::run_command("true");
    const char* arguments[] = {"sh", "-c", "true", nullptr};
    std::intptr_t direct = lnc::spawn_program(lnc::SPAWN_WAIT, "sh", arguments, nullptr);
    ASSERT_EQ(chdir(saved), 0);
    EXPECT_EQ(with_path, -1);
    EXPECT_EQ(without_path, -1);
    EXPECT_EQ(direct, -1);
    EXPECT_FALSE(exists(log()));
}

// A directory whose path, with a trailing "/", has exactly the given length.
std::string dir_of_length(const std::string& root, std::size_t length) {
    std::string path = root;
    while (path.size() + 1 < length) {
        std::size_t part = std::min<std::size_t>(length - path.size() - 2, 200);
        path += "/" + std::string(part, 'p');
    }
    std::string command = "mkdir -p '" + path + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return path + "/";
}

TEST_F(ProcessTest, PathElementOf257CharactersIsSearched) {
    std::string element = dir_of_length(root_, 257);
    ASSERT_EQ(element.size(), 257u);
    plant_shell(element.substr(0, 256), "sh", "long");
    set_environment({"PATH=" + element});
    EXPECT_EQ(lnc::run_command("exit 9"), 9);
    EXPECT_EQ(log_text(), "long|-c|exit 9|\n");
}

TEST_F(ProcessTest, PathElementOf258CharactersEndsTheSearch) {
    std::string element = dir_of_length(root_, 258);
    ASSERT_EQ(element.size(), 258u);
    std::string b = make_dir("b");
    plant_shell(element.substr(0, 257), "sh", "long");
    plant_shell(b, "sh", "b");
    set_environment({"PATH=" + element + ":" + b});
    EXPECT_EQ(lnc::run_command("true"), -1);
    EXPECT_FALSE(exists(log()));
}

TEST_F(ProcessTest, BuiltPathOf260CharactersEndsTheSearch) {
    // 257 characters without the "/": with it and "sh" the path would be 260 long.
    std::string element = dir_of_length(root_, 258);
    element.pop_back();
    std::string b = make_dir("b");
    plant_shell(element, "sh", "long");
    plant_shell(b, "sh", "b");
    set_environment({"PATH=" + element + ":" + b});
    EXPECT_EQ(lnc::run_command("true"), -1);
    EXPECT_FALSE(exists(log()));
}

TEST_F(ProcessTest, NameWithSlashIsNotSearched) {
    std::string b = make_dir("b");
    make_dir("b/sub");
    plant_shell(b + "/sub", "sh", "b");
    set_environment({"PATH=" + b});
    const char* arguments[] = {"sub/sh", "-c", "true", nullptr};
    EXPECT_EQ(lnc::spawn_searching_path(lnc::SPAWN_WAIT, "sub/sh", arguments, nullptr), -1);
    EXPECT_EQ(lnc::error_code, 2);
    EXPECT_FALSE(exists(log()));
}

// ---- spawn_program ----

TEST_F(ProcessTest, SpawnProgramErrorValues) {
    std::string plain = root_ + "/plain";
    write_text(plain, "#!/bin/sh\n", 0644);
    const char* arguments[] = {"x", nullptr};
    struct {
        int mode;
        std::string name;
        int error;
        std::uint32_t system;
    } cases[] = {
        {lnc::SPAWN_WAIT, root_ + "/absent", 2, 2},
        {lnc::SPAWN_WAIT, root_ + "/absent/deeper", 2, 2},
        {lnc::SPAWN_WAIT, plain, 13, 5},
        {lnc::SPAWN_WAIT, root_, 13, 5},
        {5, "/bin/true", 22, 0},
        {-1, "/bin/true", 22, 0},
    };
    for (const auto& c : cases) {
        lnc::error_code = 0;
        lnc::system_error = 99;
        EXPECT_EQ(lnc::spawn_program(c.mode, c.name.c_str(), arguments, nullptr), -1) << c.name;
        EXPECT_EQ(lnc::error_code, c.error) << c.name << " mode " << c.mode;
        EXPECT_EQ(lnc::system_error, c.system) << c.name << " mode " << c.mode;
    }
}

TEST_F(ProcessTest, ArgumentBlockLimit) {
    // Block: "/bin/sh" NUL "-c" NUL command NUL NUL, plus the program name "/bin/sh" NUL.
    const std::size_t fixed = 8 + 3 + 1 + 1 + 8;
    std::string fits = ": " + std::string(32766 - fixed - 2, ' ');
    const char* arguments[] = {"/bin/sh", "-c", fits.c_str(), nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, "/bin/sh", arguments, nullptr), 0);
    std::string too_long = fits + "x";
    arguments[2] = too_long.c_str();
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, "/bin/sh", arguments, nullptr), -1);
    EXPECT_EQ(lnc::error_code, 7);
    EXPECT_EQ(lnc::system_error, 10u);
    // The environment counts too.
    const char* environment[] = {"A=1", nullptr};
    arguments[2] = fits.c_str();
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, "/bin/sh", arguments, environment), -1);
    EXPECT_EQ(lnc::error_code, 7);
}

TEST_F(ProcessTest, GivenEnvironmentReplacesTheCurrentOne) {
    const char* arguments[] = {"sh", "-c", "test \"$FOO\" = 'b r' && test -z \"$HOME\"", nullptr};
    const char* environment[] = {"FOO=b r", nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, "/bin/sh", arguments, environment), 0);
    const char* other[] = {"FOO=other", nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, "/bin/sh", arguments, other), 1);
}

TEST_F(ProcessTest, ArgumentsArriveSeparately) {
    std::string out = root_ + "/args";
    std::string script = "printf '[%s]' \"$0\" \"$@\" > '" + out + "'";
    // sh -c takes the argument after the script as $0.
    const char* shifted[] = {"sh", "-c", script.c_str(), "zero", "one two", "", " three", nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, "/bin/sh", shifted, nullptr), 0);
    EXPECT_EQ(read_text(out), "[zero][one two][][ three]");
}

std::string wait_for_file(const std::string& path) {
    for (int i = 0; i < 500 && read_text(path).find('\n') == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return read_text(path);
}

TEST_F(ProcessTest, NoWaitModesReturnTheChild) {
    for (int mode : {lnc::SPAWN_NO_WAIT, lnc::SPAWN_NO_WAIT_2}) {
        const char* arguments[] = {"sh", "-c", "exit 12", nullptr};
        std::intptr_t child = lnc::spawn_program(mode, "/bin/sh", arguments, nullptr);
        ASSERT_GT(child, 0) << "mode " << mode;
        int status = 0;
        ASSERT_EQ(waitpid(static_cast<pid_t>(child), &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 12);
    }
}

TEST_F(ProcessTest, DetachedChildHasItsOwnSessionAndNoConsole) {
    std::string out = root_ + "/detached";
    std::string script = "set -- $(cat /proc/$$/stat); echo \"$(readlink /proc/$$/fd/0) "
                         "$(readlink /proc/$$/fd/1) $(readlink /proc/$$/fd/2) $(($6 == $$))\" > '" +
                         out + "'";
    const char* arguments[] = {"sh", "-c", script.c_str(), nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_DETACHED, "/bin/sh", arguments, nullptr), 0);
    EXPECT_EQ(wait_for_file(out), "/dev/null /dev/null /dev/null 1\n");
}

[[noreturn]] void throw_exit_code(int code) {
    throw code;
}

TEST_F(ProcessTest, OverlayModeEndsTheCallerWithZero) {
    std::string out = root_ + "/overlay";
    std::string script = "echo started > '" + out + "'";
    const char* arguments[] = {"sh", "-c", script.c_str(), nullptr};
    lnc::ExitHook saved = lnc::exit_hook;
    lnc::exit_hook = throw_exit_code;
    int code = -99;
    try {
        lnc::spawn_program(lnc::SPAWN_OVERLAY, "/bin/sh", arguments, nullptr);
    } catch (int thrown) {
        code = thrown;
    }
    lnc::exit_hook = saved;
    EXPECT_EQ(code, 0);
    EXPECT_EQ(wait_for_file(out), "started\n");
}

// ---- the inherited-handle block ----

TEST(HandleBlock, CountsUpToTheHighestOpenHandle) {
    lnc::HandleTable saved = lnc::handle_table;
    lnc::HandleEntry block[lnc::HANDLES_PER_BLOCK];
    for (lnc::HandleEntry& entry : block)
        entry = {lnc::os::NO_HANDLE, 0, '\n'};
    block[0] = {100, lnc::H_OPEN | lnc::H_TEXT | lnc::H_DEVICE, '\n'};
    block[1] = {101, lnc::H_OPEN | lnc::H_PIPE, '\n'};
    block[2] = {102, lnc::H_OPEN, '\n'};
    block[4] = {104, lnc::H_OPEN | lnc::H_APPEND, '\n'};
    lnc::handle_table = {};
    lnc::handle_table.blocks[0] = block;
    lnc::handle_table.handle_count = lnc::HANDLES_PER_BLOCK;

    const std::uint8_t expected_wait[] = {5, 0,    0,    0,    0xC1, 0x09, 0x01, 0,   0x21, 100,
                                          0, 0,    0,    101,  0,    0,    0,    102, 0,    0,
                                          0, 0xFF, 0xFF, 0xFF, 0xFF, 104,  0,    0,   0};
    const std::uint8_t expected_detached[] = {
        5,    0,    0,    0,    0,    0,    0,    0,    0x21, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
        0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 104,  0,    0,    0};
    std::uint32_t size = 0;
    void* wait_block = lnc::build_handle_block(lnc::SPAWN_WAIT, &size);
    ASSERT_NE(wait_block, nullptr);
    EXPECT_EQ(size, sizeof expected_wait);
    EXPECT_EQ(std::memcmp(wait_block, expected_wait, sizeof expected_wait), 0);
    void* detached_block = lnc::build_handle_block(lnc::SPAWN_DETACHED, &size);
    ASSERT_NE(detached_block, nullptr);
    EXPECT_EQ(size, sizeof expected_detached);
    EXPECT_EQ(std::memcmp(detached_block, expected_detached, sizeof expected_detached), 0);
    lnc::release(wait_block);
    lnc::release(detached_block);

    lnc::handle_table = {};
    void* empty = lnc::build_handle_block(lnc::SPAWN_WAIT, &size);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(std::memcmp(empty, "\0\0\0\0", 4), 0);
    lnc::release(empty);
    lnc::handle_table = saved;
}

} // namespace
