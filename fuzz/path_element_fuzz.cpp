// Splitting a PATH value into its elements, on arbitrary bytes.
//
// Input layout: byte 0 gives the capacity of the element buffer (1 to 256; the buffer is
// exactly that large), byte 1 bit 0 the separator (';' or ':'); the rest, cut at the first NUL,
// is the PATH value. Walking the value element by element must move forward every time, stay
// within the value, never write past the buffer, and give elements that, joined with the
// separator, are the value without its quotes and without empty elements, as long as no
// element was refused for its length.
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "runtime/process/process.h"

namespace {

// The value's elements as the rules read them: quotes dropped, separators inside quotes kept,
// empty elements skipped.
std::string expected_elements(const std::string& value, char separator) {
    std::string joined;
    std::string element;
    bool quoted = false;
    auto flush = [&] {
        if (!element.empty()) {
            joined += (joined.empty() ? "" : std::string(1, separator)) + element;
        }
        element.clear();
    };
    for (char c : value) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == separator && !quoted) {
            flush();
        } else {
            element += c;
        }
    }
    flush();
    return joined;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    int capacity = data[0] + 1;
    char separator = (data[1] & 1) != 0 ? ':' : ';';
    std::string value(reinterpret_cast<const char*>(data + 2), size - 2);
    value = value.substr(0, value.find('\0'));
    char* text = new char[value.size() + 1];
    std::memcpy(text, value.c_str(), value.size() + 1);
    char* out = new char[capacity];
    std::string joined;
    bool refused = false;
    const char* position = text;
    while (*position != '\0') {
        const char* next = lnc::next_path_element(position, out, capacity, separator);
        if (next == nullptr) {
            // Refused for its length, or nothing but separators and quotes was left.
            refused = true;
            break;
        }
        if (next <= position || next > text + value.size()) {
            lnc::fuzz::fail("the walk did not move forward within the value");
        }
        std::size_t length = strnlen(out, static_cast<std::size_t>(capacity));
        if (length > static_cast<std::size_t>(capacity) - 2 && capacity >= 2) {
            lnc::fuzz::fail("an element of " + std::to_string(length) + " characters in " +
                            std::to_string(capacity));
        }
        if (length > 0) {
            joined += (joined.empty() ? "" : std::string(1, separator)) + std::string(out, length);
        }
        position = next;
    }
    delete[] out;
    delete[] text;
    joined += refused ? "\1" : "";
    lnc::fuzz::note_result(joined.data(), joined.size());
    if (!refused && joined != expected_elements(value, separator)) {
        lnc::fuzz::fail("\"" + value + "\" walked as \"" + joined + "\", expected \"" +
                        expected_elements(value, separator) + "\"");
    }
    return 0;
}
