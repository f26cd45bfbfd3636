// Text-mode reads of the handle layer over arbitrary bytes, in pieces of arbitrary sizes, from
// a pipe or a disk file.
//
// Input layout: byte 0 bit 0 chooses a disk file (else a pipe); bytes 1 to 4 give the sizes of
// the reads in turn (1 to 64 bytes, or 4096 for a byte above 0xF0); the rest is what the handle
// holds. Each read goes into a buffer of exactly its size. Whatever the pieces, the bytes
// delivered must be the data up to its first Ctrl-Z with every CR LF pair turned into LF, and
// every read must deliver at least one byte until they are all delivered.
#include <cstdint>
#include <string>
#include <unistd.h>

#include "fuzz/harness.h"
#include "runtime/handles/handles.h"

namespace {

constexpr int HANDLE = 5;

std::string translated(const std::string& data) {
    std::string cut = data.substr(0, data.find('\x1A'));
    std::string out;
    for (std::size_t i = 0; i < cut.size(); ++i) {
        if (cut[i] == '\r' && i + 1 < cut.size() && cut[i + 1] == '\n') {
            continue;
        }
        out += cut[i];
    }
    return out;
}

std::string escaped(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += c >= 0x20 && c < 0x7F ? std::string(1, static_cast<char>(c))
                                     : std::string("\\x") + digits[c >> 4] + digits[c & 15];
    }
    return out;
}

int read_size(std::uint8_t b) {
    return b > 0xF0 ? 4096 : b % 64 + 1;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 5) {
        return 0;
    }
    lnc::fuzz::prepare_runtime();
    bool file = (data[0] & 1) != 0;
    std::string content(reinterpret_cast<const char*>(data + 5), size - 5);
    int fd = lnc::fuzz::descriptor_holding(data + 5, size - 5,
                                           file ? lnc::fuzz::Input::File : lnc::fuzz::Input::Pipe);
    std::uint8_t flags = lnc::H_OPEN | lnc::H_TEXT | (file ? 0 : lnc::H_PIPE);
    lnc::handle_table.blocks[0][HANDLE] = {fd, flags, '\n'};
    std::string expected = translated(content);
    std::string got;
    for (int piece = 0;; ++piece) {
        int count = read_size(data[1 + piece % 4]);
        auto* buffer = new std::uint8_t[count];
        int n = lnc::read_bytes(HANDLE, buffer, count);
        if (n < 0 || n > count) {
            lnc::fuzz::fail("a read of " + std::to_string(count) + " returned " +
                            std::to_string(n));
        }
        got.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(n));
        delete[] buffer;
        if (n == 0 || got.size() > expected.size()) {
            break;
        }
    }
    lnc::handle_table.blocks[0][HANDLE] = {lnc::os::NO_HANDLE, 0, '\n'};
    ::close(fd);
    lnc::fuzz::note_result(got.data(), got.size());
    if (got != expected) {
        lnc::fuzz::fail("delivered \"" + escaped(got) + "\", expected \"" + escaped(expected) +
                        "\" from \"" + escaped(content) + "\"");
    }
    return 0;
}
