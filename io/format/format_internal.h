// The layout of a compiled format, shared by the compiler and the walk.
//
// A compiled format is one heap block: the CompiledFormat record, its operations, the text it was
// compiled from (the key it is kept by) and the texts of its literals. Operations are fixed-size
// records in the order of the text; a group is an OP_GROUP before its contents and an
// OP_GROUP_END after them, and OP_END stands for the final parenthesis.
#pragma once
#include <cstdint>

#include "io/format/format.h"

namespace lnc {

inline constexpr std::uint8_t OP_DATA = 1;     // edit, count = repeat count
inline constexpr std::uint8_t OP_POSITION = 2; // edit.descriptor X, T, TL or TR; count = n
inline constexpr std::uint8_t OP_LITERAL = 3;  // count = length, offset = start in literals
inline constexpr std::uint8_t OP_SLASH = 4;    // count = number of records ended
inline constexpr std::uint8_t OP_COLON = 5;
inline constexpr std::uint8_t OP_SCALE = 6;      // count = k of kP
inline constexpr std::uint8_t OP_SIGN = 7;       // count = SIGN_DEFAULT, SIGN_PLUS or SIGN_SUPPRESS
inline constexpr std::uint8_t OP_BLANK = 8;      // count = 1 for BZ, 0 for BN
inline constexpr std::uint8_t OP_GROUP = 9;      // count = repeat count
inline constexpr std::uint8_t OP_GROUP_END = 10; // offset = index of its OP_GROUP
inline constexpr std::uint8_t OP_END = 11;       // the final parenthesis

struct FormatOp {
    std::uint8_t code;
    std::int32_t count;
    std::int32_t offset;
    DataEdit edit;
};

struct CompiledFormat {
    CompiledFormat* next; // next format in its cache chain
    std::uint32_t hash;
    std::int32_t text_length;
    const char* text;     // the text up to its last non-blank character, not terminated
    const char* literals; // the texts of the literals, quotes undoubled
    const FormatOp* ops;
    std::int32_t op_count;  // the last is OP_END
    std::int32_t revert_op; // where reversion resumes: the last top-level OP_GROUP, or 0
    bool revert_has_data;   // a data edit lies between revert_op and OP_END
};

// Numbers in a format (counts, widths, digits, scale factors) above this are refused.
inline constexpr std::int32_t FORMAT_NUMBER_LIMIT = 32767;
// Texts whose format part (up to the final parenthesis) is longer than this are refused.
inline constexpr std::int32_t FORMAT_TEXT_LIMIT = 65535;
// The exponent digits e of Ew.dEe lie in 1..FORMAT_EXPONENT_LIMIT.
inline constexpr std::int32_t FORMAT_EXPONENT_LIMIT = 99;
// The operations a walk may perform between two data edits: a group without data edits is
// counted once per repetition, a slash once per record. A format above it could keep a
// statement busy for hours without transferring anything.
inline constexpr std::int64_t FORMAT_CONTROL_LIMIT = std::int64_t{1} << 22;

// The key of a text in the cache.
std::uint32_t format_text_hash(const char* text, int length);

} // namespace lnc
