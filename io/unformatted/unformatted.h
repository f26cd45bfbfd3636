// Unformatted transfer: items travel as the bytes they are stored in, one record per statement.
// A sequential record (organisation 7) stands between two 4-byte little-endian copies of its
// length; a direct-access record (organisation 4) is RECL bytes at (n - 1) * RECL, padded with
// zero bytes. Between statements a unit holds nothing: pos 0, last -1, transferred the file
// offset of its next record.
#pragma once
#include <cstdint>

#include "io/statement/statement.h"
#include "io/units/units.h"

namespace lnc {

inline constexpr int MARKER_SIZE = 4;

// The bytes an item spans: all its elements, both parts of a complex element.
std::int64_t item_bytes(const CurrentItem& item);
// The file offset of record number record_number of a direct-access unit; a number below 1, or
// one whose record the handle layer's 32-bit offsets cannot reach, fails the statement.
std::int32_t direct_record_offset(const UnitBlock* block, std::int32_t record_number);
// Moves the unit's handle to offset; a failure fails the statement.
void seek_unit(const UnitBlock* block, std::int32_t offset);

inline std::int32_t marker_value(const std::uint8_t* bytes) {
    std::uint32_t value = bytes[0] | (static_cast<std::uint32_t>(bytes[1]) << 8) |
                          (static_cast<std::uint32_t>(bytes[2]) << 16) |
                          (static_cast<std::uint32_t>(bytes[3]) << 24);
    return static_cast<std::int32_t>(value);
}

} // namespace lnc
