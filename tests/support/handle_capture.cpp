// Pipes, temporary files and a pseudo-terminal standing in for the standard handles of the
// handle table during a test.
#include "support/handle_capture.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <mutex>
#include <poll.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "os/files.h"
#include "runtime/handles/handles.h"

namespace lnc::test {

// Reads everything that arrives at a descriptor on a thread of its own, so that a writer never
// waits for the test to collect it; the bytes are kept in arrival order.
class OutputDrain {
  public:
    explicit OutputDrain(int fd) : fd_(fd) {
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        thread_ = std::thread([this] { run(); });
    }
    ~OutputDrain() {
        stop_ = true;
        thread_.join();
        ::close(fd_);
    }
    // With settle_ms, waits until nothing more has arrived for that long: a terminal hands
    // its output on to the reading side a moment after the write.
    std::string collected(int settle_ms) {
        if (settle_ms > 0) {
            pollfd watch = {fd_, POLLIN, 0};
            while (::poll(&watch, 1, settle_ms) > 0 && !(watch.revents & (POLLHUP | POLLERR))) {
                std::lock_guard<std::mutex> lock(mutex_);
                drain();
            }
        }
        std::lock_guard<std::mutex> lock(mutex_);
        drain();
        return data_;
    }

  private:
    // True when the writing side has gone.
    bool drain() {
        char buffer[4096];
        for (;;) {
            ssize_t n = ::read(fd_, buffer, sizeof buffer);
            if (n > 0) {
                data_.append(buffer, static_cast<std::size_t>(n));
            } else {
                return n == 0 || (errno != EAGAIN && errno != EINTR);
            }
        }
    }
    void run() {
        bool ended = false;
        while (!stop_ && !ended) {
            pollfd watch = {fd_, POLLIN, 0};
            if (::poll(&watch, 1, 20) > 0) {
                std::lock_guard<std::mutex> lock(mutex_);
                ended = drain();
            }
        }
    }

    int fd_;
    std::string data_;
    std::mutex mutex_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The three standard slots as they were before a capture, put back afterwards.
class StandardSlots {
  public:
    StandardSlots() {
        if (handle_table.handle_count == 0 || handle_table.blocks[0] == nullptr) {
            EXPECT_EQ(init_handles(), 0);
        }
        for (int h = 0; h < 3; ++h) {
            saved_[h] = handle_table.blocks[0][h];
            saved_std_[h] = os::get_std_handle(h);
        }
    }
    ~StandardSlots() {
        // Close what the slots still hold of ours; what the code under test closed is gone.
        for (int fd : installed_) {
            bool held = false;
            for (int h = 0; h < 3; ++h) {
                held = held || (fd >= 0 && handle_table.blocks[0][h].os_handle == fd);
            }
            if (held) {
                for (int& other : installed_) {
                    other = other == fd ? -1 : other;
                }
                ::close(fd);
            }
        }
        for (int h = 0; h < 3; ++h) {
            handle_table.blocks[0][h] = saved_[h];
            os::set_std_handle(h, saved_std_[h]);
        }
        forget_read_ahead();
    }
    // Standard input changes behind the handle layer: what it read ahead of the last one goes.
    void install(int h, int fd, std::uint8_t flags) {
        if (h == 0)
            forget_read_ahead();
        handle_table.blocks[0][h] = {fd, flags, '\n'};
        os::set_std_handle(h, fd);
        installed_[h] = fd;
    }

  private:
    HandleEntry saved_[3];
    os::Handle saved_std_[3];
    int installed_[3] = {-1, -1, -1};
};

namespace {

constexpr std::uint8_t PIPE_FLAGS = H_OPEN | H_TEXT | H_PIPE;
constexpr std::uint8_t FILE_FLAGS = H_OPEN | H_TEXT;
constexpr std::uint8_t DEVICE_FLAGS = H_OPEN | H_TEXT | H_DEVICE;
constexpr int MOST_PIPE_BYTES = 1 << 20;

struct PipeEnds {
    int read;
    int write;
};

PipeEnds make_pipe() {
    int ends[2] = {-1, -1};
    EXPECT_EQ(::pipe2(ends, O_CLOEXEC), 0) << "pipe: errno " << errno;
    return {ends[0], ends[1]};
}

void write_all(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            pollfd watch = {fd, POLLOUT, 0};
            ::poll(&watch, 1, 100);
            continue;
        }
        if (n <= 0) {
            ADD_FAILURE() << "capture input could not be written: errno " << errno;
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// The whole input must fit the pipe: nobody reads it before the code under test does.
int input_pipe(std::string_view input, int* writer) {
    PipeEnds ends = make_pipe();
    if (input.size() > 65536) {
        int size =
            input.size() < MOST_PIPE_BYTES ? static_cast<int>(input.size()) : MOST_PIPE_BYTES;
        ::fcntl(ends.write, F_SETPIPE_SZ, size);
    }
    if (static_cast<long>(input.size()) > ::fcntl(ends.write, F_GETPIPE_SZ)) {
        ADD_FAILURE() << "capture input of " << input.size() << " bytes exceeds the pipe; use "
                      << "InputKind::File";
    } else {
        write_all(ends.write, input);
    }
    *writer = ends.write;
    return ends.read;
}

int input_file(std::string_view input) {
    const char* directory = std::getenv("TMPDIR");
    std::string name = std::string(directory ? directory : "/tmp") + "/lncalc-capture-XXXXXX";
    int fd = ::mkstemp(name.data());
    EXPECT_GE(fd, 0) << "mkstemp: errno " << errno;
    ::unlink(name.c_str());
    write_all(fd, input);
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

// Output pipes get room enough that a writer rarely waits for the drain.
int output_pipe(std::unique_ptr<OutputDrain>* drain) {
    PipeEnds ends = make_pipe();
    ::fcntl(ends.write, F_SETPIPE_SZ, MOST_PIPE_BYTES);
    *drain = std::make_unique<OutputDrain>(ends.read);
    return ends.write;
}

} // namespace

HandleCapture::HandleCapture(std::string_view input)
    : HandleCapture(CaptureOptions{std::string(input)}) {}

HandleCapture::HandleCapture(const CaptureOptions& options)
    : slots_(std::make_unique<StandardSlots>()) {
    if (options.input_kind == InputKind::File) {
        slots_->install(0, input_file(options.input), FILE_FLAGS);
    } else {
        slots_->install(0, input_pipe(options.input, &input_writer_), PIPE_FLAGS);
        if (!options.keep_input_open) {
            close_input();
        }
    }
    int out = output_pipe(&out_);
    slots_->install(1, out, PIPE_FLAGS);
    shared_ = options.output_shares_error;
    slots_->install(2, shared_ ? out : output_pipe(&err_), PIPE_FLAGS);
}

HandleCapture::~HandleCapture() {
    close_input();
    slots_.reset();
    out_.reset();
    err_.reset();
}

std::string HandleCapture::output() {
    return out_->collected(0);
}

std::string HandleCapture::error() {
    return shared_ ? output() : err_->collected(0);
}

void HandleCapture::feed(std::string_view bytes) {
    if (input_writer_ < 0) {
        ADD_FAILURE() << "feed() needs keep_input_open and a pipe";
        return;
    }
    write_all(input_writer_, bytes);
}

void HandleCapture::close_input() {
    if (input_writer_ >= 0) {
        ::close(input_writer_);
        input_writer_ = -1;
    }
}

namespace {

constexpr int TERMINAL_SETTLE_MS = 50;

int open_slave(const char* name) {
    int fd = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(fd, 0) << "open " << name << ": errno " << errno;
    return fd;
}

// Line mode stays on; echo and output processing go, so the bytes seen are the program's own.
void quiet_terminal(int fd) {
    termios settings;
    ASSERT_EQ(::tcgetattr(fd, &settings), 0);
    settings.c_lflag &= static_cast<tcflag_t>(~(ECHO | ECHOE | ECHOK | ECHONL));
    settings.c_lflag |= ICANON;
    settings.c_oflag &= static_cast<tcflag_t>(~OPOST);
    settings.c_cc[VSUSP] = _POSIX_VDISABLE; // Ctrl-Z is a byte of the input, as at a console
    ASSERT_EQ(::tcsetattr(fd, TCSANOW, &settings), 0);
}

} // namespace

TerminalCapture::TerminalCapture() : slots_(std::make_unique<StandardSlots>()) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    EXPECT_GE(master_, 0) << "posix_openpt: errno " << errno;
    char name[128] = {};
    EXPECT_EQ(::grantpt(master_), 0);
    EXPECT_EQ(::unlockpt(master_), 0);
    EXPECT_EQ(::ptsname_r(master_, name, sizeof name), 0);
    int input = open_slave(name);
    int output = open_slave(name);
    quiet_terminal(input);
    slots_->install(0, input, DEVICE_FLAGS);
    slots_->install(1, output, DEVICE_FLAGS);
    slots_->install(2, output_pipe(&err_), PIPE_FLAGS);
    int reader = ::dup(master_);
    ::fcntl(reader, F_SETFD, FD_CLOEXEC);
    out_ = std::make_unique<OutputDrain>(reader);
}

TerminalCapture::~TerminalCapture() {
    slots_.reset();
    out_.reset();
    err_.reset();
    ::close(master_);
}

void TerminalCapture::type(std::string_view keys) {
    write_all(master_, keys);
}

std::string TerminalCapture::output() {
    return out_->collected(TERMINAL_SETTLE_MS);
}

std::string TerminalCapture::error() {
    return err_->collected(0);
}

} // namespace lnc::test
