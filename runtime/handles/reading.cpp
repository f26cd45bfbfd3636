// Reading through a handle: the byte held back from a pipe or device, and the text-mode
// translation of CR LF and Ctrl-Z.
#include "os/files.h"
#include "os/system_errors.h"
#include "runtime/handles/handle_entries.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

// The byte after a CR that ended the data: a pipe or device keeps a non-LF byte as lookahead,
// a file is moved back so that the byte is read again next time.
void resolve_final_cr(HandleEntry* entry, std::uint8_t* start, std::uint8_t*& out) {
    std::uint8_t next = 0;
    std::uint32_t got = 0;
    if (!os::read_file(entry->os_handle, &next, 1, &got) || got == 0) {
        *out++ = CR;
    } else if (entry->mode_flags & (H_PIPE | H_DEVICE)) {
        *out++ = next == LF ? LF : CR;
        if (next != LF) {
            entry->lookahead = next;
        }
    } else if (out == start && next == LF) {
        *out++ = LF;
    } else {
        os::set_file_pointer(entry->os_handle, -1, 1);
        if (next != LF) {
            *out++ = CR;
        }
    }
}

// Compacts the bytes read in place; returns how many are left.
int translate_text(HandleEntry* entry, std::uint8_t* data, int length) {
    bool crlf = length > 0 && data[0] == LF;
    entry->mode_flags =
        static_cast<std::uint8_t>(crlf ? entry->mode_flags | H_CRLF : entry->mode_flags & ~H_CRLF);
    std::uint8_t* in = data;
    std::uint8_t* out = data;
    std::uint8_t* end = data + length;
    while (in < end) {
        if (*in == CTRL_Z) {
            if (!(entry->mode_flags & H_DEVICE)) {
                entry->mode_flags |= H_EOF;
            }
            break;
        }
        if (*in != CR) {
            *out++ = *in++;
        } else if (in + 1 < end) {
            *out++ = in[1] == LF ? LF : CR;
            in += in[1] == LF ? 2 : 1;
        } else {
            ++in;
            resolve_final_cr(entry, data, out);
        }
    }
    return static_cast<int>(out - data);
}

int fail_read(std::uint32_t failure) {
    map_system_error(failure);
    if (failure == os::SYS_ACCESS_DENIED) {
        error_code = os::CODE_BAD_HANDLE;
    }
    return -1;
}

} // namespace

int read_bytes(int h, void* buffer, int count) {
    HandleEntry* entry = usable_entry(h);
    if (entry == nullptr || count < 0) {
        if (entry != nullptr) {
            error_code = os::CODE_INVALID;
            system_error = 0;
        }
        return -1;
    }
    if (count == 0 || (entry->mode_flags & H_EOF)) {
        return 0;
    }
    auto* data = static_cast<std::uint8_t*>(buffer);
    bool failed = false;
    int served = read_through_block(h, entry, data, count, &failed);
    if (failed) {
        return fail_read(os::last_error());
    }
    if (served >= 0) {
        return served;
    }
    int held = 0;
    if ((entry->mode_flags & (H_PIPE | H_DEVICE)) && entry->lookahead != LF) {
        data[held++] = entry->lookahead;
        entry->lookahead = LF;
    }
    std::uint32_t got = 0;
    bool asked = count > held;
    // Only a character device can be a terminal, whose lines the platform reads in its own way.
    auto* read = (entry->mode_flags & H_DEVICE) ? os::read_file : os::read_not_device;
    if (asked && !read(entry->os_handle, data + held, count - held, &got)) {
        std::uint32_t failure = os::last_error();
        if (failure != os::SYS_BROKEN_PIPE) {
            return fail_read(failure);
        }
        got = 0;
    }
    int length = held + static_cast<int>(got);
    if (!(entry->mode_flags & H_TEXT)) {
        return length;
    }
    return translate_text(entry, data, length);
}

} // namespace lnc
