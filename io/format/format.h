// Formatted transfer: a format text compiled once into edit operations, the walk that a
// statement's items make over them, and the editing of one field for output and for input.
//
// The compiler and the field editors are pure: they take text and values and write into the
// caller's buffers, so that tables of {format, value, text} test them directly. Only the walk
// calls back into the statement under way, through the routines its driver gives it.
#pragma once
#include <cstdint>
#include <cstring>

namespace lnc {

// ---- Edit descriptors ----

// Data edit descriptors.
inline constexpr std::uint8_t DESC_I = 1;
inline constexpr std::uint8_t DESC_F = 2;
inline constexpr std::uint8_t DESC_E = 3;
inline constexpr std::uint8_t DESC_D = 4;
inline constexpr std::uint8_t DESC_G = 5;
inline constexpr std::uint8_t DESC_EN = 6;
inline constexpr std::uint8_t DESC_ES = 7;
inline constexpr std::uint8_t DESC_L = 8;
inline constexpr std::uint8_t DESC_A = 9;
// Positioning descriptors, which a driver performs through FormatActions::position.
inline constexpr std::uint8_t DESC_X = 10;  // nX: n columns on
inline constexpr std::uint8_t DESC_T = 11;  // Tn: to column n (from 1)
inline constexpr std::uint8_t DESC_TL = 12; // TLn: n columns back, never before the record
inline constexpr std::uint8_t DESC_TR = 13; // TRn: n columns on

// A field part that the descriptor does not have (the w of a plain A, the m of a plain Iw, the
// e of Ew.d).
inline constexpr std::int32_t NO_VALUE = -1;

// One data edit descriptor as the walk hands it to a driver.
struct DataEdit {
    std::uint8_t descriptor; // DESC_I .. DESC_A
    std::int32_t width;      // w, or NO_VALUE (A)
    std::int32_t digits;     // d of F, E, D, G, EN, ES; m of Iw.m; else NO_VALUE
    std::int32_t exponent;   // e of Ew.dEe, Gw.dEe, ENw.dEe, ESw.dEe; else NO_VALUE
};

// Sign modes: S (the processor's choice, no plus), SP, SS.
inline constexpr int SIGN_DEFAULT = 0;
inline constexpr int SIGN_PLUS = 1;
inline constexpr int SIGN_SUPPRESS = 2;

// The editing state that the control edits of one statement change: kP, S/SP/SS and BN/BZ.
// It starts at (0, SIGN_DEFAULT, the unit's BLANK= mode) for every statement.
struct EditState {
    int scale;
    int sign_mode;
    bool blanks_are_zeros;
};

// ---- The compiled format ----

// A compiled format: a heap block of operations (the layout is the compiler's own) and the
// literal texts they name. Compiled formats are kept by their text and are never freed while
// the run-time runs.
struct CompiledFormat;

// Where compilation failed: the message index (MSG_FORMAT_...), and for an unexpected
// character the character itself (the report's %c).
struct FormatError {
    int message_index;
    int position; // offset of the offending character in the text
    char character;
};

// Compiles a format text of length characters (-1: up to its NUL). Returns the compiled format,
// or null with *error set (a text error, or MSG_NO_MEMORY). The same text compiled twice returns
// the same compiled format: a FORMAT executed in a loop is compiled once.
const CompiledFormat* compile_format_text(const char* text, int length, FormatError* error);

// The format found last, the text and length it was named by, and its own text (up to its last
// non-blank character): a statement in a loop names the same text again, and finds its format
// here without a call.
struct LastFormat {
    const CompiledFormat* format;
    const char* named_text;
    int named_length;
    const char* kept_text;
    int kept_length;
};
extern LastFormat last_format;

// The text at the same place may have changed since (a format in a character variable), so its
// characters are compared: the kept ones, then nothing but blanks up to its end.
inline bool still_names_last(const char* text, int length) {
    if (length < -1)
        return false;
    auto n = static_cast<std::size_t>(last_format.kept_length);
    // A text up to its NUL may now be shorter than the kept one: no byte past its NUL is read.
    bool same = length == -1 ? std::strncmp(last_format.kept_text, text, n) == 0
                             : static_cast<std::size_t>(length) >= n &&
                                   std::memcmp(last_format.kept_text, text, n) == 0;
    if (!same)
        return false;
    for (auto i = n; length == -1 ? text[i] != '\0' : i < static_cast<std::size_t>(length); ++i) {
        if (text[i] != ' ')
            return false;
    }
    return true;
}

// The format named last when text names it again, else null.
inline const CompiledFormat* format_named_again(const char* text, int length) {
    bool again = text != nullptr && text == last_format.named_text &&
                 length == last_format.named_length && still_names_last(text, length);
    return again ? last_format.format : nullptr;
}

// ---- The walk ----

// What a driver does for the edits the walk meets on the way to the next data edit.
struct FormatActions {
    void (*literal)(const char* text, int length);    // a quoted, apostrophe or H literal
    void (*position)(std::uint8_t descriptor, int n); // X, T, TL, TR
    void (*next_record)();                            // '/', and the new record of reversion
};

inline constexpr int FORMAT_NESTING_LIMIT = 16;

// The place of one statement in its format. Part of the statement's state: a statement run
// inside another one has a cursor of its own.
struct FormatCursor {
    const CompiledFormat* format;
    int op;          // next operation
    int repeat_left; // further uses of the current data edit (0: take the next operation)
    int depth;       // open groups
    int group_op[FORMAT_NESTING_LIMIT];
    int group_left[FORMAT_NESTING_LIMIT]; // further passes over each open group
    bool data_edit_taken; // a data edit has been handed out since the start or the reversion
};

inline void start_format(FormatCursor& cursor, const CompiledFormat* format) {
    cursor.format = format;
    cursor.op = 0;
    cursor.repeat_left = 0;
    cursor.depth = 0;
    cursor.data_edit_taken = false;
}
// Performs every control edit up to the next data edit and returns it. At the final
// parenthesis the record ends and the walk reverts to the last top-level group (with its
// repeat count); a format without data edits raises MSG_NO_DATA_EDIT there.
DataEdit next_data_edit(FormatCursor& cursor, const FormatActions& actions, EditState& state);
// After the last item: performs the control edits up to the next data edit, a colon or the
// final parenthesis (output writes the literals that follow the last item).
void finish_format(FormatCursor& cursor, const FormatActions& actions, EditState& state);

// ---- Field editing: output ----

// An output field: blanks leading blanks, then length characters of text in the caller's
// buffer; or, when stars is set, width asterisks and nothing else. The text never exceeds
// FIELD_TEXT_SIZE characters; the blanks are counted, not stored.
inline constexpr int FIELD_TEXT_SIZE = 520;
struct OutputField {
    int blanks;
    int length;
    bool stars;
    int width; // the field's whole width (blanks + length, or the asterisks)
};

// Iw and Iw.m of an integer value.
OutputField edit_integer_output(const DataEdit& edit, std::int64_t value, int sign_mode, char* out);
// F, E, D, G, EN and ES of a real value: type TYPE_REAL4 or TYPE_COMPLEX8 with a single pattern
// in the low 32 bits, TYPE_REAL8 or TYPE_COMPLEX16 with a double pattern.
OutputField edit_real_output(const DataEdit& edit, int type, std::uint64_t bits, int scale,
                             int sign_mode, char* out);
// Lw: T or F at the right.
OutputField edit_logical_output(const DataEdit& edit, bool value, char* out);
// A and Aw of length characters at text: Aw keeps the leftmost w when w is shorter, and is
// padded with blanks on the left when it is longer. A text longer than FIELD_TEXT_SIZE comes
// back as asterisks: a driver places such a character field from the item itself (the leading
// blanks, then the leftmost min(w, length) characters) instead of through this editor.
OutputField edit_character_output(const DataEdit& edit, const std::uint8_t* text, int length,
                                  char* out);

// ---- Field editing: input ----

// Each takes the w characters of one field as the record holds them (a short record padded
// with blanks by the caller) and returns 0, or the message index of what is wrong with it.

// Iw: an optional sign and digits; blanks are ignored, or zeros under BZ; all blanks read 0.
int edit_integer_input(const char* field, int width, bool blanks_are_zeros, std::int64_t* value);
// F, E, D, G, EN, ES: without a point the last d digits are decimals; an exponent may follow
// with or without its letter; kP scales a field without an exponent. The result is the bits
// for an item of the type (as real_item_result gives them).
int edit_real_input(const DataEdit& edit, const char* field, int width, const EditState& state,
                    int type, std::uint64_t* bits);
// Lw: optional blanks, an optional point, then T or F (any characters may follow).
int edit_logical_input(const char* field, int width, bool* value);

} // namespace lnc
