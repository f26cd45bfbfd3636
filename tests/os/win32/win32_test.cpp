// Behaviour that exists only over KERNEL32: the command line split by start-up in a real child,
// the inherited-handle block between two processes of this run-time, and the interpreter and
// program search with ".\" first, extension order and quoted PATH elements.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/process/process.h"
#include "runtime/startup/startup.h"
// After our own headers: windows.h defines macros with the names and values of some of our
// constants.
#include <windows.h>

namespace {

// The build names the child by its host path; wine maps the host's root to drive Z.
std::string child_path() {
    std::string path = LNCALC_CHILD_PATH;
    if (!path.empty() && path[0] == '/') {
        for (char& c : path)
            c = c == '/' ? '\\' : c;
        path = "Z:" + path;
    }
    return path;
}

struct ChildRun {
    std::string output;
    DWORD exit_code;
};

// Starts the child with exactly this command line and collects its standard output.
ChildRun run_raw(const std::string& command_line) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read_end = nullptr, write_end = nullptr;
    EXPECT_TRUE(CreatePipe(&read_end, &write_end, &inherit, 0));
    SetHandleInformation(read_end, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = write_end;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process = {};
    std::vector<char> line(command_line.begin(), command_line.end());
    line.push_back('\0');
    std::string application = child_path();
    BOOL started = CreateProcessA(application.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &process);
    CloseHandle(write_end);
    ChildRun run{"", 999};
    if (!started) {
        ADD_FAILURE() << "CreateProcessA failed with " << GetLastError();
        CloseHandle(read_end);
        return run;
    }
    char buffer[512];
    DWORD got = 0;
    while (ReadFile(read_end, buffer, sizeof buffer, &got, nullptr) && got > 0)
        run.output.append(buffer, got);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &run.exit_code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    CloseHandle(read_end);
    return run;
}

struct CommandLineCase {
    const char* arguments; // after the program name and the word "args"
    const char* expected;  // one "<argument>" line each
};

const CommandLineCase COMMAND_LINE_CASES[] = {
    {"one two", "<one>\r\n<two>\r\n"},
    {"  spaced\t  out  ", "<spaced>\r\n<out>\r\n"},
    {"\"a b\" c", "<a b>\r\n<c>\r\n"},
    // Two backslashes and a quote: one backslash, and the quote toggles the quoted state.
    {"a\\\\\"b c\" d", "<a\\b c>\r\n<d>\r\n"},
    // Three backslashes and a quote: one backslash and a literal quote.
    {"a\\\\\\\"b c", "<a\\\"b>\r\n<c>\r\n"},
    // Backslashes before anything but a quote stand as they are.
    {"C:\\dir\\\\file x", "<C:\\dir\\\\file>\r\n<x>\r\n"},
    // In the quoted state a doubled quote is one literal quote and the state stays quoted.
    {"\"x\"\"y z\" w", "<x\"y z>\r\n<w>\r\n"},
    {"\"\"", "<>\r\n"},
};

TEST(Win32CommandLine, StartUpSplitsTheRawCommandLine) {
    for (const CommandLineCase& c : COMMAND_LINE_CASES) {
        ChildRun run = run_raw("\"" + child_path() + "\" args " + c.arguments);
        EXPECT_EQ(run.exit_code, 0u) << c.arguments;
        EXPECT_EQ(run.output, c.expected) << "command line tail: " << c.arguments;
    }
}

TEST(Win32CommandLine, ProgramNameInQuotesMayHoldBlanks) {
    ChildRun run = run_raw("\"" + child_path() + "\"args x");
    EXPECT_EQ(run.output, "<x>\r\n");
}

// The run-time state that start-up would prepare: the heap, the handles, the version words and
// an environment of our choosing.
class Win32Process : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(lnc::create_process_heap());
        ASSERT_EQ(lnc::init_handles(), 0);
        DWORD version = GetVersion();
        lnc::process_state.version_high = version >> 16;
    }

    void SetUp() override {
        char base[MAX_PATH];
        GetTempPathA(MAX_PATH, base);
        directory_ = std::string(base) + "lncalc_win32_" + std::to_string(GetCurrentProcessId()) +
                     "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        ASSERT_TRUE(CreateDirectoryA(directory_.c_str(), nullptr) ||
                    GetLastError() == ERROR_ALREADY_EXISTS);
        GetCurrentDirectoryA(MAX_PATH, saved_directory_);
    }

    void TearDown() override {
        SetCurrentDirectoryA(saved_directory_);
        for (const std::string& file : planted_)
            DeleteFileA(file.c_str());
        for (auto it = subdirectories_.rbegin(); it != subdirectories_.rend(); ++it)
            RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(directory_.c_str());
        lnc::process_state.environment = nullptr;
    }

    std::string subdirectory(const std::string& name) {
        std::string path = directory_ + "\\" + name;
        EXPECT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
        subdirectories_.push_back(path);
        return path;
    }

    // A copy of the child program under another name.
    std::string plant(const std::string& path) {
        EXPECT_TRUE(CopyFileA(child_path().c_str(), path.c_str(), FALSE)) << path;
        planted_.push_back(path);
        return path;
    }

    void use_environment(std::vector<std::string> entries) {
        environment_text_ = std::move(entries);
        environment_.clear();
        for (std::string& entry : environment_text_)
            environment_.push_back(entry.data());
        environment_.push_back(nullptr);
        lnc::process_state.environment = environment_.data();
    }

    std::string system_path() {
        char system[MAX_PATH];
        GetSystemDirectoryA(system, MAX_PATH);
        return system;
    }

    std::string directory_;
    char saved_directory_[MAX_PATH] = {};
    std::vector<std::string> planted_;
    std::vector<std::string> subdirectories_;
    std::vector<std::string> environment_text_;
    std::vector<char*> environment_;
};

TEST_F(Win32Process, InheritedHandleBlockReachesAChildOfThisRunTime) {
    std::string file = directory_ + "\\shared.txt";
    planted_.push_back(file);
    int handle = lnc::open_file(file.c_str(), 0x0001 | 0x0100 | 0x0200 | 0x8000, 0x40, 0x180);
    ASSERT_EQ(handle, 3);
    lnc::write_bytes(handle, "parent\r\n", 8);
    std::string child = child_path();
    const char* arguments[] = {child.c_str(), "handle", nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, child.c_str(), arguments, nullptr), 0);
    ASSERT_EQ(lnc::close_handle(handle), 0);

    HANDLE reader = CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    char buffer[128];
    DWORD got = 0;
    ReadFile(reader, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(reader);
    EXPECT_EQ(std::string(buffer, got), "parent\r\nwritten by the child\r\n");
}

TEST_F(Win32Process, ChildWithoutTheBlockHasNoHandleThree) {
    ChildRun run = run_raw("\"" + child_path() + "\" handle");
    EXPECT_EQ(run.exit_code, 20u);
}

TEST_F(Win32Process, ExtensionsAreTriedComBeforeExe) {
    plant(directory_ + "\\prog.exe");
    plant(directory_ + "\\prog.com");
    std::string name = directory_ + "\\prog";
    const char* arguments[] = {"prog", "which", nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, name.c_str(), arguments, nullptr), 11);
    DeleteFileA((directory_ + "\\prog.com").c_str());
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, name.c_str(), arguments, nullptr), 12);
}

TEST_F(Win32Process, MissingProgramFailsWithNoSuchFile) {
    std::string name = directory_ + "\\absent";
    const char* arguments[] = {"absent", nullptr};
    EXPECT_EQ(lnc::spawn_program(lnc::SPAWN_WAIT, name.c_str(), arguments, nullptr), -1);
    EXPECT_EQ(lnc::error_code, 2);
}

TEST_F(Win32Process, QuotedPathElementMayHoldTheSeparator) {
    std::string odd = subdirectory("a;b");
    plant(odd + "\\tool.exe");
    use_environment({"PATH=" + directory_ + "\\nothing;\"" + odd + "\";" + system_path()});
    const char* arguments[] = {"tool", "which", nullptr};
    EXPECT_EQ(lnc::spawn_searching_path(lnc::SPAWN_WAIT, "tool", arguments, nullptr), 12);
}

TEST_F(Win32Process, BareInterpreterNameIsLookedForInTheCurrentDirectoryFirst) {
    plant(directory_ + "\\cmd.exe");
    ASSERT_TRUE(SetCurrentDirectoryA(directory_.c_str()));
    use_environment({"PATH=" + system_path()});
    EXPECT_EQ(lnc::run_command("exit 5"), 42);
}

TEST_F(Win32Process, MissingComspecFallsBackToTheSystemInterpreter) {
    ASSERT_TRUE(SetCurrentDirectoryA(directory_.c_str()));
    use_environment({"COMSPEC=" + directory_ + "\\missing\\cmd.exe", "PATH=" + system_path()});
    EXPECT_EQ(lnc::run_command("exit 5"), 5);
}

TEST_F(Win32Process, ComspecInterpreterGetsSlashCAndTheCommand) {
    std::string interpreter = plant(directory_ + "\\shell.exe");
    use_environment({"COMSPEC=" + interpreter, "PATH=" + system_path()});
    EXPECT_EQ(lnc::run_command("anything"), 42);
}

TEST_F(Win32Process, ComspecThatCannotStartIsNotReplaced) {
    std::string text = directory_ + "\\notes.txt";
    HANDLE file = CreateFileA(text.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    planted_.push_back(text);
    plant(directory_ + "\\cmd.exe");
    ASSERT_TRUE(SetCurrentDirectoryA(directory_.c_str()));
    use_environment({"COMSPEC=" + text, "PATH=" + system_path()});
    // The planted fallback would answer 42: it must not be tried.
    EXPECT_EQ(lnc::run_command("exit 5"), -1);
    EXPECT_NE(lnc::error_code, 2);
}

TEST_F(Win32Process, NullCommandAsksWhetherAnInterpreterExists) {
    std::string interpreter = plant(directory_ + "\\shell.exe");
    use_environment({"COMSPEC=" + interpreter});
    EXPECT_EQ(lnc::run_command(nullptr), 1);
    use_environment({"COMSPEC=" + directory_ + "\\missing.exe"});
    EXPECT_EQ(lnc::run_command(nullptr), 0);
    use_environment({});
    EXPECT_EQ(lnc::run_command(nullptr), 0);
}

} // namespace
