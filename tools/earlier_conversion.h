// What one text reads as through a text-to-real conversion: the double with its flags and the
// characters used, and the store into a single-precision item. The read-back tool compares the
// conversion of this tree with an earlier version of it built from another tree's source.
#pragma once
#include <cstdint>

namespace lnc_tools {

struct Reading {
    std::uint32_t flags;
    std::int32_t used;
    std::uint64_t double_bits;
    int message_index; // of the store into a single-precision item, 0 when stored
    std::uint32_t single_bits;
};

inline bool same_reading(const Reading& a, const Reading& b) {
    return a.flags == b.flags && a.used == b.used && a.double_bits == b.double_bits &&
           a.message_index == b.message_index && a.single_bits == b.single_bits;
}

// Through the earlier version (text NUL-terminated at length).
Reading earlier_reading(const char* text, int length);

} // namespace lnc_tools
