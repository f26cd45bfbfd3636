// A child process on pipes or a pseudo-terminal, fed and read until it ends or its time is up.
#include "transcript.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char** environ;

namespace lnc::test {

namespace {

using Clock = std::chrono::steady_clock;

constexpr int POLL_MS = 20;
constexpr int GRACE_MS = 300; // for output still on its way after the child ended
constexpr int LOW_FD = 10;    // child ends are kept clear of 0, 1 and 2 until they are placed

// Everything the child needs, prepared before the fork: after it only async-signal-safe calls
// are made.
struct ChildPlan {
    std::vector<std::string> strings;
    std::vector<char*> argv;
    std::vector<char*> envp;
    int input = -1;
    int output = -1;
    int error = -1;
    int report = -1; // the exec failure goes here; closed by a successful exec
    bool terminal = false;
    const char* directory = nullptr;
};

std::string name_of(const std::string& entry) {
    return entry.substr(0, entry.find('='));
}

std::vector<std::string> environment_for(const TranscriptRun& run) {
    std::vector<std::string> result;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string name = name_of(*entry);
        bool dropped = false;
        for (const std::string& unset : run.unset_environment) {
            dropped = dropped || unset == name;
        }
        for (const auto& set : run.set_environment) {
            dropped = dropped || set.first == name;
        }
        if (!dropped) {
            result.push_back(*entry);
        }
    }
    for (const auto& [name, value] : run.set_environment) {
        result.push_back(name + "=" + value);
    }
    return result;
}

// A program of the native build run from the Windows build instead: the same path below the
// Windows build folder with ".exe", started through wine, whose own messages stay off.
bool windows_counterpart(const std::string& program, std::string* windows_program) {
    const char* windows_build = std::getenv("LNCALC_WINDOWS_BUILD");
    const std::string native_build = LNCALC_BUILD_DIR "/";
    if (windows_build == nullptr || *windows_build == '\0' ||
        program.compare(0, native_build.size(), native_build) != 0) {
        return false;
    }
    *windows_program =
        std::string(windows_build) + "/" + program.substr(native_build.size()) + ".exe";
    return true;
}

// Likewise a program of the aarch64 build, under the processor emulator.
bool aarch64_counterpart(const std::string& program, std::string* aarch64_program) {
    const char* aarch64_build = std::getenv("LNCALC_AARCH64_BUILD");
    const std::string native_build = LNCALC_BUILD_DIR "/";
    if (aarch64_build == nullptr || *aarch64_build == '\0' ||
        program.compare(0, native_build.size(), native_build) != 0) {
        return false;
    }
    *aarch64_program = std::string(aarch64_build) + "/" + program.substr(native_build.size());
    return true;
}

void fill_plan(ChildPlan* plan, const std::string& program, const TranscriptRun& run) {
    std::vector<std::string> environment = environment_for(run);
    std::string windows_program;
    std::string aarch64_program;
    if (windows_counterpart(program, &windows_program)) {
        const char* wine = std::getenv("LNCALC_WINE");
        plan->strings.push_back(wine != nullptr ? wine : "/usr/bin/wine");
        plan->strings.push_back(windows_program);
        environment.push_back("WINEDEBUG=-all");
    } else if (aarch64_counterpart(program, &aarch64_program)) {
        const char* qemu = std::getenv("LNCALC_QEMU");
        plan->strings.push_back(qemu != nullptr ? qemu : "/usr/bin/qemu-aarch64");
        plan->strings.push_back(aarch64_program);
    } else {
        plan->strings.push_back(program);
    }
    plan->strings.insert(plan->strings.end(), run.arguments.begin(), run.arguments.end());
    std::size_t argument_count = plan->strings.size();
    plan->strings.insert(plan->strings.end(), environment.begin(), environment.end());
    for (std::size_t i = 0; i < plan->strings.size(); ++i) {
        (i < argument_count ? plan->argv : plan->envp).push_back(plan->strings[i].data());
    }
    plan->argv.push_back(nullptr);
    plan->envp.push_back(nullptr);
    plan->terminal = run.terminal;
    plan->directory = run.working_directory.empty() ? nullptr : run.working_directory.c_str();
}

[[noreturn]] void become_child(const ChildPlan& plan) {
    if (plan.terminal) {
        ::setsid();
        ::ioctl(plan.input, TIOCSCTTY, 0);
    } else {
        ::setpgid(0, 0);
    }
    struct sigaction standard = {};
    standard.sa_handler = SIG_DFL;
    for (int s = 1; s < NSIG; ++s) {
        ::sigaction(s, &standard, nullptr);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    ::dup2(plan.input, 0);
    ::dup2(plan.output, 1);
    ::dup2(plan.error, 2);
    int error = 0;
    if (plan.directory != nullptr && ::chdir(plan.directory) != 0) {
        error = errno;
    } else {
        ::execve(plan.argv[0], plan.argv.data(), plan.envp.data());
        error = errno;
    }
    ssize_t ignored = ::write(plan.report, &error, sizeof error);
    (void)ignored;
    ::_exit(127);
}

int high_copy(int fd) {
    int copy = ::fcntl(fd, F_DUPFD_CLOEXEC, LOW_FD);
    ::close(fd);
    return copy;
}

struct Pipe {
    int read = -1;
    int write = -1;
};

Pipe make_pipe() {
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        return {};
    }
    return {high_copy(ends[0]), high_copy(ends[1])};
}

void set_nonblocking(int fd) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// The parent's ends of the child's streams and what is still to be sent.
struct Connection {
    int output = -1; // the pseudo-terminal's master in terminal mode
    int error = -1;
    int input = -1; // -1 once closed (terminal mode: the master, typed into)
    std::string pending;
    bool close_when_sent = false;
};

// Returns false when the stream has ended.
bool drain(int fd, std::string* sink) {
    char buffer[4096];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            sink->append(buffer, static_cast<std::size_t>(n));
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            return true;
        } else {
            return false; // end of file, or EIO from a terminal nobody holds any more
        }
    }
}

void send_pending(Connection* connection) {
    while (!connection->pending.empty()) {
        ssize_t n =
            ::write(connection->input, connection->pending.data(), connection->pending.size());
        if (n <= 0) {
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                connection->pending.clear(); // the reader has gone
            }
            break;
        }
        connection->pending.erase(0, static_cast<std::size_t>(n));
    }
    if (connection->pending.empty() && connection->close_when_sent && connection->input >= 0) {
        ::close(connection->input);
        connection->input = -1;
    }
}

// Moves every step whose awaited text has appeared into the pending keys.
void type_ready_steps(const TranscriptRun& run, const std::string& output, std::size_t* from,
                      TranscriptResult* result, Connection* connection) {
    while (result->steps_typed < run.typed.size()) {
        const TypedStep& step = run.typed[result->steps_typed];
        std::size_t at = step.wait_for.empty() ? *from : output.find(step.wait_for, *from);
        if (at == std::string::npos) {
            return;
        }
        *from = at + step.wait_for.size();
        connection->pending += step.keys;
        ++result->steps_typed;
    }
}

// One round: waits up to `ms` for any stream, then moves what is ready.
void exchange(Connection* connection, TranscriptResult* result, int ms) {
    pollfd watch[3];
    int count = 0;
    for (int fd : {connection->output, connection->error}) {
        if (fd >= 0) {
            watch[count++] = {fd, POLLIN, 0};
        }
    }
    bool sending = !connection->pending.empty() && connection->input >= 0;
    if (sending && connection->input != connection->output) {
        watch[count++] = {connection->input, POLLOUT, 0};
    }
    ::poll(watch, static_cast<nfds_t>(count), ms);
    if (connection->output >= 0 && !drain(connection->output, &result->output)) {
        ::close(connection->output);
        connection->input = connection->input == connection->output ? -1 : connection->input;
        connection->output = -1;
    }
    if (connection->error >= 0 && !drain(connection->error, &result->error)) {
        ::close(connection->error);
        connection->error = -1;
    }
    if (connection->input >= 0) {
        send_pending(connection);
    }
}

int elapsed_ms(Clock::time_point since) {
    return static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count());
}

void record_status(int status, TranscriptResult* result) {
    if (WIFEXITED(status)) {
        result->exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result->signal = WTERMSIG(status);
    }
}

// Feeds, types and reads until the child ends or its time is up, then collects the rest.
void supervise(pid_t child, const TranscriptRun& run, Connection* connection,
               TranscriptResult* result) {
    Clock::time_point start = Clock::now();
    std::size_t search_from = 0;
    int status = 0;
    for (;;) {
        if (run.terminal) {
            type_ready_steps(run, result->output, &search_from, result, connection);
        }
        exchange(connection, result, POLL_MS);
        if (::waitpid(child, &status, WNOHANG) == child) {
            break;
        }
        if (elapsed_ms(start) > run.timeout_ms) {
            ::kill(-child, SIGKILL);
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            result->timed_out = true;
            break;
        }
    }
    record_status(status, result);
    Clock::time_point ended = Clock::now();
    while ((connection->output >= 0 || connection->error >= 0) && elapsed_ms(ended) < GRACE_MS) {
        exchange(connection, result, POLL_MS);
    }
}

void close_all(Connection* connection) {
    for (int fd : {connection->output, connection->error}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (connection->input >= 0 && connection->input != connection->output) {
        ::close(connection->input);
    }
}

// The terminal: line mode, no echo, no output processing, Ctrl-Z passed on as a byte.
bool open_terminal(int* master, int* slave) {
    *master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    char name[128] = {};
    if (*master < 0 || ::grantpt(*master) != 0 || ::unlockpt(*master) != 0 ||
        ::ptsname_r(*master, name, sizeof name) != 0) {
        return false;
    }
    *slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios settings;
    if (*slave < 0 || ::tcgetattr(*slave, &settings) != 0) {
        return false;
    }
    settings.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
    settings.c_lflag |= ICANON | ISIG;
    settings.c_oflag &= static_cast<tcflag_t>(~OPOST);
    settings.c_cc[VSUSP] = _POSIX_VDISABLE;
    *master = high_copy(*master);
    *slave = high_copy(*slave);
    return ::tcsetattr(*slave, TCSANOW, &settings) == 0;
}

// Makes the child's ends and the parent's; false when the system refuses.
bool connect(const TranscriptRun& run, ChildPlan* plan, Connection* connection) {
    Pipe error = make_pipe();
    plan->error = error.write;
    connection->error = error.read;
    if (run.terminal) {
        int master = -1;
        int slave = -1;
        bool made = open_terminal(&master, &slave);
        plan->input = plan->output = slave;
        connection->output = connection->input = master;
        return made && error.read >= 0;
    }
    Pipe input = make_pipe();
    Pipe output = make_pipe();
    plan->input = input.read;
    plan->output = output.write;
    connection->input = input.write;
    connection->output = output.read;
    connection->pending = run.input;
    connection->close_when_sent = run.close_input;
    return input.read >= 0 && output.read >= 0 && error.read >= 0;
}

void close_child_ends(const ChildPlan& plan) {
    for (int fd : {plan.input, plan.error, plan.report}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    if (plan.output >= 0 && plan.output != plan.input) {
        ::close(plan.output);
    }
}

TranscriptResult run_once(const std::string& program, const TranscriptRun& run) {
    TranscriptResult result;
    ChildPlan plan;
    Connection connection;
    fill_plan(&plan, program, run);
    Pipe report = make_pipe();
    plan.report = report.write;
    if (!connect(run, &plan, &connection) || report.read < 0) {
        result.failure = std::string("cannot make the child's streams: ") + std::strerror(errno);
        close_child_ends(plan);
        close_all(&connection);
        return result;
    }
    pid_t child = ::fork();
    if (child == 0) {
        become_child(plan);
    }
    close_child_ends(plan);
    int exec_error = 0;
    bool failed = child > 0 && ::read(report.read, &exec_error, sizeof exec_error) > 0;
    ::close(report.read);
    if (child < 0 || failed) {
        result.failure = std::string(child < 0 ? "fork: " : "cannot start " + program + ": ") +
                         std::strerror(child < 0 ? errno : exec_error);
    }
    if (child > 0) {
        for (int fd : {connection.output, connection.error, connection.input}) {
            if (fd >= 0) {
                set_nonblocking(fd);
            }
        }
        supervise(child, run, &connection, &result);
    }
    close_all(&connection);
    if (!result.failure.empty()) {
        result.exit_code = -1;
    }
    return result;
}

// Under wine, about one start in several thousand never gets as far as the program's first
// byte. Such a run is started once more, and says so on standard error; a program that hangs
// again, or hangs after writing anything, still fails its test.
bool start_never_got_going(const std::string& program, const TranscriptResult& result) {
    std::string ignored;
    return result.timed_out && result.output.empty() && result.error.empty() &&
           windows_counterpart(program, &ignored);
}

} // namespace

bool windows_build() {
    std::string ignored;
    return windows_counterpart(LNCALC_BUILD_DIR "/lncalc", &ignored);
}

TranscriptResult run_transcript(const std::string& program, const TranscriptRun& run) {
    // A child that stops reading must not end this process through the write feeding it.
    ::signal(SIGPIPE, SIG_IGN);
    TranscriptResult result = run_once(program, run);
    if (start_never_got_going(program, result)) {
        std::fprintf(stderr, "%s under wine wrote nothing in %d ms: started once more\n",
                     program.c_str(), run.timeout_ms);
        result = run_once(program, run);
    }
    return result;
}

} // namespace lnc::test
