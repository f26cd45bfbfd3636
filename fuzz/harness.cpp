// The prepared run-time of the fuzz targets.
#include "fuzz/harness.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <utility>

#include "errors/errors.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "os/files.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc::fuzz {

namespace {

struct ProcessEnded {
    int code;
};

[[noreturn]] void throw_exit(int code) {
    throw ProcessEnded{code};
}

int scratch_file(const char* name) {
    int fd = ::memfd_create(name, MFD_CLOEXEC);
    if (fd < 0) {
        fail("memfd_create failed");
    }
    return fd;
}

// Standard output and error: one scratch file each for the whole fuzzing run, emptied per input.
int output_fd = -1;
int error_fd = -1;

void empty_file(int fd) {
    if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0) {
        fail("a scratch file could not be emptied");
    }
}

std::string contents(int fd) {
    std::string text;
    off_t end = ::lseek(fd, 0, SEEK_END);
    text.resize(static_cast<std::size_t>(end));
    if (end > 0 && ::pread(fd, text.data(), text.size(), 0) != end) {
        fail("a scratch file could not be read");
    }
    return text;
}

void attach(int h, int fd, std::uint8_t flags) {
    handle_table.blocks[0][h] = {fd, flags, '\n'};
    os::set_std_handle(h, fd);
}

char program_name[] = "lncalc";
char* arguments[] = {program_name, nullptr};

bool noting = false;
std::string noted;

} // namespace

void start_noting() {
    noting = true;
}

void note_result(const void* bytes, std::size_t size) {
    if (noting) {
        noted.append(static_cast<const char*>(bytes), size);
    }
}

std::string take_noted_results() {
    return std::exchange(noted, std::string());
}

void fail(const std::string& message) {
    std::fprintf(stderr, "PROPERTY FAILED: %s\n", message.c_str());
    std::fflush(stderr);
    std::abort();
}

void prepare_runtime() {
    static bool ready = false;
    if (ready) {
        return;
    }
    if (!create_process_heap() || init_handles() != 0 || !create_exit_list()) {
        fail("the run-time could not be prepared");
    }
    output_fd = scratch_file("lncalc-fuzz-output");
    error_fd = scratch_file("lncalc-fuzz-error");
    process_state.argc = 1;
    process_state.argv = arguments;
    ready = true;
}

int descriptor_holding(const std::uint8_t* bytes, std::size_t size, Input kind) {
    int ends[2];
    int fd = -1;
    if (kind == Input::File) {
        fd = scratch_file("lncalc-fuzz-input");
        ends[1] = fd;
    } else if (::pipe2(ends, O_CLOEXEC) == 0) {
        fd = ends[0];
        if (size > static_cast<std::size_t>(::fcntl(ends[1], F_GETPIPE_SZ))) {
            ::fcntl(ends[1], F_SETPIPE_SZ, static_cast<int>(size));
        }
    }
    if (fd < 0) {
        fail("no descriptor for the input");
    }
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = ::write(ends[1], bytes + done, size - done);
        if (n <= 0) {
            fail("the input could not be written");
        }
        done += static_cast<std::size_t>(n);
    }
    if (kind == Input::File) {
        ::lseek(fd, 0, SEEK_SET);
    } else {
        ::close(ends[1]);
    }
    return fd;
}

int run_engine(const std::uint8_t* input, std::size_t size, Input kind,
               const std::function<void()>& body) {
    prepare_runtime();
    empty_file(output_fd);
    empty_file(error_fd);
    int input_fd = descriptor_holding(input, size, kind);
    const std::uint8_t file_flags = H_OPEN | H_TEXT;
    attach(0, input_fd, kind == Input::Pipe ? file_flags | H_PIPE : file_flags);
    attach(1, output_fd, file_flags);
    attach(2, error_fd, file_flags);
    error_state = ErrorState{};
    init_units();
    init_statement_engine();
    int exit_count = exit_list.count;
    at_exit(close_all_units);
    ExitHook saved_hook = exit_hook;
    exit_hook = throw_exit;
    int code = NOT_EXITED;
    try {
        body();
    } catch (const ProcessEnded& ended) {
        code = ended.code;
    }
    exit_hook = saved_hook;
    exit_list.count = exit_count;
    if (error_state.in_shutdown == 0) {
        close_all_units();
    }
    error_state = ErrorState{};
    ::close(input_fd);
    if (noting) {
        note_result(&code, sizeof code);
        std::string written = standard_output() + '\0' + standard_error();
        note_result(written.data(), written.size());
    }
    return code;
}

std::string standard_output() {
    return contents(output_fd);
}

std::string standard_error() {
    return contents(error_fd);
}

} // namespace lnc::fuzz
