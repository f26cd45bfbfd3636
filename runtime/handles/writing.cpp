// Writing through a handle: text-mode CR insertion in pieces, the results of writes that make
// no progress, and changing a file's size.
#include "os/files.h"
#include "os/system_errors.h"
#include "runtime/handles/handle_entries.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

constexpr int PIECE = 1024;
constexpr int ZERO_PIECE = 4096;

struct WriteProgress {
    std::uint32_t written; // bytes of the caller's data that reached the handle
    bool failed;           // a write reported failure (os::last_error holds why)
};

// How many of the caller's bytes the first `put` bytes of their translation cover; a CR whose
// LF did not go out does not count.
std::uint32_t covered(const std::uint8_t* source, std::uint32_t length, std::uint32_t put) {
    std::uint32_t n = 0;
    std::uint32_t out = 0;
    while (n < length && out + (source[n] == LF ? 2 : 1) <= put) {
        out += source[n] == LF ? 2 : 1;
        ++n;
    }
    return n;
}

// Builds pieces of at most PIECE bytes, each LF preceded by a CR (a CR LF pair is never split
// between pieces), and stops at the first failure or short write.
WriteProgress write_text(os::Handle handle, const std::uint8_t* data, std::uint32_t count) {
    std::uint8_t piece[PIECE];
    WriteProgress progress = {0, false};
    std::uint32_t next = 0;
    while (next < count) {
        std::uint32_t start = next;
        int fill = 0;
        while (next < count && fill + (data[next] == LF ? 2 : 1) <= PIECE) {
            if (data[next] == LF) {
                piece[fill++] = '\r';
            }
            piece[fill++] = data[next++];
        }
        std::uint32_t put = 0;
        bool ok = os::write_file(handle, piece, static_cast<std::uint32_t>(fill), &put);
        progress.written += covered(data + start, next - start, put);
        if (!ok || put < static_cast<std::uint32_t>(fill)) {
            progress.failed = !ok;
            break;
        }
    }
    return progress;
}

WriteProgress write_binary(os::Handle handle, const std::uint8_t* data, std::uint32_t count) {
    std::uint32_t put = 0;
    bool ok = os::write_file(handle, data, count, &put);
    return {put, !ok};
}

int no_progress(const HandleEntry* entry, const std::uint8_t* data, bool failed) {
    if (failed) {
        std::uint32_t failure = os::last_error();
        map_system_error(failure);
        error_code = failure == 5 ? 9 : error_code;
        return -1;
    }
    if ((entry->mode_flags & H_DEVICE) && data[0] == CTRL_Z) {
        return 0;
    }
    error_code = os::CODE_NO_SPACE;
    system_error = 0;
    return -1;
}

} // namespace

int write_bytes(int h, const void* bytes, int count) {
    if (h == STANDARD_INPUT)
        return_read_ahead();
    HandleEntry* entry = usable_entry(h);
    if (entry == nullptr) {
        return -1;
    }
    if (count < 0) {
        error_code = os::CODE_INVALID;
        system_error = 0;
        return -1;
    }
    if (count == 0) {
        return 0;
    }
    if (entry->mode_flags & H_APPEND) {
        os::set_file_pointer(entry->os_handle, 0, 2);
    }
    const auto* data = static_cast<const std::uint8_t*>(bytes);
    auto length = static_cast<std::uint32_t>(count);
    WriteProgress progress = (entry->mode_flags & H_TEXT)
                                 ? write_text(entry->os_handle, data, length)
                                 : write_binary(entry->os_handle, data, length);
    if (progress.written == 0) {
        return no_progress(entry, data, progress.failed);
    }
    return static_cast<int>(progress.written);
}

namespace {

// Appends zero bytes in binary mode; a refusal of the file counts as permission denied.
int extend_with_zeros(int h, std::int32_t extra) {
    // Never written: among the zero-filled data it takes no room in the program's image, where
    // a constant block would take 4 KiB of its read-only data.
    static std::uint8_t zeros[ZERO_PIECE];
    int previous = set_mode(h, MODE_BINARY);
    int result = 0;
    while (extra > 0) {
        int piece = extra < ZERO_PIECE ? extra : ZERO_PIECE;
        int put = write_bytes(h, zeros, piece);
        if (put <= 0) {
            if (system_error == os::SYS_ACCESS_DENIED) {
                error_code = os::CODE_ACCESS;
            }
            result = -1;
            break;
        }
        extra -= put;
    }
    set_mode(h, previous);
    return result;
}

int cut_at(int h, std::int32_t size) {
    if (seek(h, size, 0) == -1) {
        return -1;
    }
    if (!os::set_end_of_file(get_os_handle(h))) {
        error_code = os::CODE_ACCESS;
        system_error = os::last_error();
        return -1;
    }
    return 0;
}

} // namespace

int change_size(int h, std::int32_t size) {
    if (h == STANDARD_INPUT)
        return_read_ahead();
    if (usable_entry(h) == nullptr) {
        return -1;
    }
    if (size < 0) {
        error_code = os::CODE_INVALID;
        system_error = 0;
        return -1;
    }
    std::int32_t remembered = seek(h, 0, 1);
    std::int32_t end = remembered == -1 ? -1 : seek(h, 0, 2);
    if (end == -1) {
        return -1;
    }
    int result = 0;
    if (size > end) {
        result = extend_with_zeros(h, size - end);
    } else if (size < end) {
        result = cut_at(h, size);
    }
    if (seek(h, remembered, 0) == -1) {
        return -1;
    }
    return result;
}

} // namespace lnc
