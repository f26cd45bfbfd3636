// Splitting a PATH value into its elements; kept apart from the process state so that it stands
// alone.
#include "runtime/process/process.h"

namespace lnc {

// Quotes group characters (separators included) and are dropped; an element that would reach
// capacity - 1 characters ends the search, so a capacity of 259 takes elements of up to 257.
const char* next_path_element(const char* position, char* out, int capacity, char separator) {
    if (position == nullptr || out == nullptr || capacity < 1)
        return nullptr;
    const char* const start = position;
    while (*position == separator)
        ++position;
    int length = 0;
    bool quoted = false;
    while (*position != '\0' && (quoted || *position != separator)) {
        if (*position == '"') {
            quoted = !quoted;
            ++position;
            continue;
        }
        if (length >= capacity - 2)
            return nullptr;
        out[length++] = *position++;
    }
    while (*position == separator)
        ++position;
    out[length] = '\0';
    return position == start ? nullptr : position;
}

} // namespace lnc
