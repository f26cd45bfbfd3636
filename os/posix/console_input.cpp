// Terminal input held between reads: the line the terminal gave, with its LF widened to CR LF.
#include "os/posix/console_input.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "os/files.h"
#include "os/posix/posix_errors.h"

namespace lnc::os {

namespace {

// A canonical-mode terminal gives at most 4096 bytes per read; each LF may gain a CR.
constexpr int RAW_CAPACITY = 4096;
constexpr int LINE_SLOTS = 4;

// The slots start as zeros, so that they take no page of the program's image until a terminal
// is read: a slot holds descriptor `fd` while `in_use` is set.
struct PendingLine {
    bool in_use;
    int fd;
    std::uint32_t start;
    std::uint32_t end;
    char data[2 * RAW_CAPACITY];
};

PendingLine pending_lines[LINE_SLOTS];

PendingLine* find_slot(int fd) {
    for (PendingLine& slot : pending_lines) {
        if (slot.in_use && slot.fd == fd) {
            return &slot;
        }
    }
    for (PendingLine& slot : pending_lines) {
        if (!slot.in_use) {
            slot.in_use = true;
            slot.fd = fd;
            slot.start = slot.end = 0;
            return &slot;
        }
    }
    return nullptr;
}

// Widens every LF that has no CR before it; false with the last error set on failure.
bool refill(PendingLine* slot) {
    char raw[RAW_CAPACITY];
    ssize_t got;
    do {
        got = ::read(slot->fd, raw, sizeof raw);
    } while (got < 0 && errno == EINTR);
    if (got < 0) {
        set_last_error(errno == EIO ? SYS_BROKEN_PIPE : system_error_from_errno(errno));
        return false;
    }
    std::uint32_t out = 0;
    for (ssize_t i = 0; i < got; ++i) {
        if (raw[i] == '\n' && (i == 0 || raw[i - 1] != '\r')) {
            slot->data[out++] = '\r';
        }
        slot->data[out++] = raw[i];
    }
    slot->start = 0;
    slot->end = out;
    return true;
}

// Hands out bytes up to and including the first LF, never more than count.
std::uint32_t deliver(PendingLine* slot, char* buffer, std::uint32_t count) {
    std::uint32_t n = 0;
    while (n < count && slot->start < slot->end) {
        char c = slot->data[slot->start++];
        buffer[n++] = c;
        if (c == '\n') {
            break;
        }
    }
    return n;
}

} // namespace

bool read_terminal_line(int fd, void* buffer, std::uint32_t count, std::uint32_t* done) {
    *done = 0;
    if (count == 0) {
        return true;
    }
    PendingLine* slot = find_slot(fd);
    if (slot == nullptr) {
        ssize_t got = ::read(fd, buffer, count);
        if (got < 0) {
            set_last_error(system_error_from_errno(errno));
            return false;
        }
        *done = static_cast<std::uint32_t>(got);
        return true;
    }
    if (slot->start == slot->end && !refill(slot)) {
        slot->fd = -1;
        return false;
    }
    *done = deliver(slot, static_cast<char*>(buffer), count);
    if (slot->start == slot->end) {
        slot->fd = -1;
    }
    return true;
}

void forget_terminal_input(int fd) {
    for (PendingLine& slot : pending_lines) {
        if (slot.in_use && slot.fd == fd) {
            slot.in_use = false;
        }
    }
}

} // namespace lnc::os
