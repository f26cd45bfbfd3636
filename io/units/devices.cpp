// Device names: which file names stand for a device rather than a file.
#include <cstring>

#include "io/units/units.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

struct DeviceName {
    const char* name;
    int code;
};

constexpr DeviceName DEVICE_TABLE[] = {
    {"CON", 1},   {"USER", -6}, {"PRN", -2},  {"COM1", -4}, {"COM2", -2},
    {"COM3", -2}, {"COM4", -2}, {"LPT1", -2}, {"LPT2", -2}, {"LPT3", -2},
    {"LPT4", -2}, {"NUL", -3},  {"AUX", -4},  {"ERR", 2},   {"LINE", -4},
};

} // namespace

// A device name has 3 or 4 characters before its last '.'. With an extension after the dot it
// is still the device, except for names beginning with E, L or U, so that ERR, LINE, LPTn and
// USER with an extension are ordinary files.
int device_code(const char* name, bool* is_device) {
    *is_device = false;
    const char* dot = std::strrchr(name, '.');
    std::size_t stem_length =
        dot != nullptr ? static_cast<std::size_t>(dot - name) : std::strlen(name);
    if (stem_length != 3 && stem_length != 4)
        return 0;
    if (dot != nullptr && dot[1] != '\0') {
        int first = to_upper(static_cast<unsigned char>(name[0]));
        if (first == 'E' || first == 'L' || first == 'U')
            return 0;
    }
    char stem[5];
    std::memcpy(stem, name, stem_length);
    stem[stem_length] = '\0';
    for (const DeviceName& device : DEVICE_TABLE) {
        if (compare_ignoring_case(stem, device.name) == 0) {
            *is_device = true;
            return device.code;
        }
    }
    return 0;
}

} // namespace lnc
