// Child processes for tests, made by forking the test program.
#include "support/forked_child.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace lnc::test {

namespace {

struct Pipe {
    int read_end = -1;
    int write_end = -1;
};

Pipe make_pipe() {
    int ends[2];
    if (pipe(ends) != 0) {
        std::perror("pipe");
        std::abort();
    }
    return {ends[0], ends[1]};
}

[[noreturn]] void become_child(const std::function<void()>& body, Pipe in, Pipe out, Pipe err) {
    dup2(in.read_end, 0);
    dup2(out.write_end, 1);
    dup2(err.write_end, 2);
    for (int fd :
         {in.read_end, in.write_end, out.read_end, out.write_end, err.read_end, err.write_end}) {
        close(fd);
    }
    body();
    _exit(0);
}

// Both outputs are drained together so that neither pipe fills while the other is read.
void drain(int out_fd, int err_fd, ChildResult* result) {
    pollfd fds[2] = {{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}};
    std::string* sinks[2] = {&result->output, &result->error};
    int open_count = 2;
    while (open_count > 0) {
        if (poll(fds, 2, -1) < 0) {
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open_count;
            }
        }
    }
}

} // namespace

ChildResult run_in_child(const std::function<void()>& body, std::string_view input) {
    std::fflush(nullptr);
    Pipe in = make_pipe();
    Pipe out = make_pipe();
    Pipe err = make_pipe();
    pid_t pid = fork();
    if (pid == 0) {
        become_child(body, in, out, err);
    }
    close(in.read_end);
    close(out.write_end);
    close(err.write_end);
    // Test inputs are far below the pipe's capacity, so they go in whole before the reading.
    if (!input.empty() && write(in.write_end, input.data(), input.size()) < 0) {
        std::perror("write");
    }
    close(in.write_end);
    ChildResult result{{}, {}, -1, 0};
    drain(out.read_end, err.read_end, &result);
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status)) {
        result.exit_code = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

} // namespace lnc::test
