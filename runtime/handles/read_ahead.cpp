// Standard input that is a disk file is read a block at a time once a program reads it record
// after record: each read is served from the block exactly as the file would serve it, and
// what the block holds beyond the reads made so far goes back to the file before anything else
// can see where the file stands.
#include <algorithm>
#include <cstring>

#include "os/files.h"
#include "runtime/handles/handle_entries.h"
#include "runtime/handles/handles.h"
#include "runtime/heap/heap.h"

namespace lnc {

namespace {

constexpr int READ_AHEAD_SIZE = 4096;
// Reads of the file made one by one before the block is taken: a program that reads a line or
// two (the calculator's dialogue) keeps the calls it always made and no block.
constexpr int READS_BEFORE_BLOCK = 4;

struct ReadAhead {
    std::uint8_t* bytes; // null until taken
    int start;           // the next byte to serve
    int end;             // the end of what the block holds
    int plain_reads;
    bool refused; // the file cannot be moved back, or the block could not be had
};

ReadAhead ahead = {};

// Standard input as a disk file, read in binary mode: the only reads the block serves.
bool served_from_block(int h, const HandleEntry* entry) {
    return h == STANDARD_INPUT && !ahead.refused &&
           (entry->mode_flags & (H_PIPE | H_DEVICE | H_TEXT)) == 0;
}

// Taken only where the file can be moved back (asked once, before anything is held).
bool take_block(const HandleEntry* entry) {
    if (ahead.bytes != nullptr)
        return true;
    if (++ahead.plain_reads <= READS_BEFORE_BLOCK)
        return false;
    if (os::set_file_pointer(entry->os_handle, 0, 1) == 0xFFFFFFFFu) {
        ahead.refused = true;
        return false;
    }
    ahead.bytes = static_cast<std::uint8_t*>(allocate(READ_AHEAD_SIZE));
    ahead.refused = ahead.bytes == nullptr;
    return ahead.bytes != nullptr;
}

} // namespace

// What a read of count bytes from the file itself gives: count bytes, or fewer at its end. A
// failure after some bytes were served ends the read short; the next read meets it again.
int read_through_block(int h, HandleEntry* entry, std::uint8_t* data, int count, bool* failed) {
    *failed = false;
    if (!served_from_block(h, entry)) {
        if (h == STANDARD_INPUT)
            return_read_ahead();
        return -1;
    }
    if (!take_block(entry))
        return -1;
    int served = 0;
    while (served < count) {
        if (ahead.start == ahead.end) {
            std::uint32_t got = 0;
            if (!os::read_not_device(entry->os_handle, ahead.bytes, READ_AHEAD_SIZE, &got)) {
                *failed = served == 0;
                break;
            }
            if (got == 0)
                break;
            ahead.start = 0;
            ahead.end = static_cast<int>(got);
        }
        int take = std::min(count - served, ahead.end - ahead.start);
        std::memcpy(data + served, ahead.bytes + ahead.start, static_cast<std::size_t>(take));
        ahead.start += take;
        served += take;
    }
    return served;
}

void return_read_ahead() {
    int held = ahead.end - ahead.start;
    ahead.start = 0;
    ahead.end = 0;
    HandleEntry* entry = entry_in_range(STANDARD_INPUT);
    if (held > 0 && entry != nullptr && entry->os_handle != os::NO_HANDLE)
        os::set_file_pointer(entry->os_handle, -held, 1);
}

void forget_read_ahead() {
    release(ahead.bytes);
    ahead = ReadAhead{};
}

} // namespace lnc
