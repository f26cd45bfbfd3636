// One list-directed input value: separators, repeat factors, null values, quoted and
// parenthesised constants, line ends, and the conversion into the item by its type.
#include <algorithm>
#include <cstring>

#include "errors/errors.h"
#include "io/listin/listin.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "runtime/handles/handles.h"

namespace lnc {

ListReadState& list_read = engine.list_read;

namespace {


enum class ValueClass { NONE, INTEGER, LOGICAL, CHARACTER, REAL, COMPLEX };

constexpr ValueClass VALUE_CLASS[16] = {
    ValueClass::NONE,    ValueClass::INTEGER, ValueClass::INTEGER,   ValueClass::INTEGER,
    ValueClass::NONE,    ValueClass::NONE,    ValueClass::LOGICAL,   ValueClass::LOGICAL,
    ValueClass::LOGICAL, ValueClass::NONE,    ValueClass::CHARACTER, ValueClass::REAL,
    ValueClass::REAL,    ValueClass::NONE,    ValueClass::COMPLEX,   ValueClass::COMPLEX,
};

ValueClass item_class() {
    int type = current_item.type;
    return type >= 0 && type < 16 ? VALUE_CLASS[type] : ValueClass::NONE;
}

enum class Step { KEEP_SCANNING, VALUE_ENDED };

// What one call of read_list_value has seen so far.
struct Scan {
    bool examined;     // a character has been examined
    bool after_repeat; // a repeat factor has been read for this value
    bool advanced;     // the last character taken moved the position
};

[[noreturn]] void raise(int index) {
    raise_runtime_error(index, error_state.statement_kind);
}

// The next character of the record. An internal file's used-up record gives way to the next
// one, its end gives blanks without moving; a used-up fixed-length record ends the record.
int take(Scan& scan) {
    UnitBlock* b = current_unit;
    if (b->organisation == ORGANISATION_INTERNAL && b->pos > b->last) {
        if (b->last + b->record_length < b->size) {
            end_input_record();
        }
        scan.advanced = false;
        return ' ';
    }
    if (b->organisation == ORGANISATION_FORMATTED_DIRECT && b->pos > b->last &&
        record_remaining == 0) {
        raise(MSG_END_OF_RECORD_CONDITION);
    }
    scan.advanced = true;
    return next_char();
}

void take_back(const Scan& scan) {
    if (scan.advanced) {
        current_unit->pos -= 1;
    }
}

bool at_internal_end() {
    const UnitBlock* b = current_unit;
    return b->organisation == ORGANISATION_INTERNAL && b->pos >= b->size;
}

// A line end: the record is passed and the line end reads as a blank, or, inside a quoted
// constant, the constant goes on after the first character of the next line. Returns the
// blank, or -1 when the scan simply goes on.
int pass_line_end(Scan& scan) {
    if ((current_unit->format_flags & FMT_NON_ADVANCING) != 0 && !scan.examined) {
        int c;
        do {
            c = take(scan);
        } while (c == CR || c == LF);
    }
    take_back(scan);
    end_input_record();
    if (list_read.scan_state == QUOTED) {
        take(scan);
        return -1;
    }
    return ' ';
}

void append(char c) {
    ListReadState& s = list_read;
    if (s.token_length < TOKEN_SIZE) {
        s.token[s.token_length++] = c;
        return;
    }
    // A value longer than the token: text is cut, numbers and logicals are refused.
    switch (item_class()) {
    case ValueClass::INTEGER:
        raise(MSG_INTEGER_CHARACTER);
    case ValueClass::LOGICAL:
        raise(MSG_BAD_LOGICAL);
    case ValueClass::REAL:
    case ValueClass::COMPLEX:
        raise(MSG_REAL_SYNTAX);
    default:
        break;
    }
}

// A character of a quoted constant: into the item (character items) and, for a repeat factor
// delivering it again, into the token as far as it holds.
void keep_quoted(char c) {
    ListReadState& s = list_read;
    bool text = item_class() == ValueClass::CHARACTER;
    int limit = text ? std::max(TOKEN_SIZE, current_item.element_size) : TOKEN_SIZE;
    if (s.token_length < TOKEN_SIZE) {
        s.token[s.token_length] = c;
    }
    if (text && s.token_length < current_item.element_size) {
        current_item.data[s.token_length] = static_cast<std::uint8_t>(c);
    }
    if (s.token_length < limit) {
        s.token_length += 1;
    }
}

Step scan_quoted(int c, Scan& scan) {
    ListReadState& s = list_read;
    if (c == s.quote_char) {
        int next = take(scan);
        if (next != s.quote_char) {
            if (next == LF || next == CR) {
                take_back(scan);
                s.last_separator = ' ';
            } else {
                s.last_separator = next;
            }
            return Step::VALUE_ENDED;
        }
    }
    keep_quoted(static_cast<char>(c));
    return Step::KEEP_SCANNING;
}

void take_repeat_factor(Scan& scan) {
    ListReadState& s = list_read;
    if (scan.after_repeat) {
        raise(MSG_MULTIPLE_REPEAT);
    }
    if (s.token_length == 0) {
        raise(MSG_ZERO_REPEAT);
    }
    std::int32_t r = token_to_integer(s.token_length);
    if (r <= 0) {
        raise(MSG_ZERO_REPEAT);
    }
    s.repeat_count = r - 1; // the value about to be read is the first of the r
    s.token_length = 0;
    scan.after_repeat = true;
}

// Nothing of a value yet: blanks and a comma after blanks still belong to the separator.
bool nothing_yet(const Scan& scan) {
    const ListReadState& s = list_read;
    return s.token_length == 0 && s.repeat_count == 0 && !scan.after_repeat;
}

Step scan_plain(int c, Scan& scan) {
    ListReadState& s = list_read;
    bool parenthesised = s.scan_state == PARENTHESISED;
    if (c == ' ' || c == '\t') {
        if (nothing_yet(scan) || parenthesised) {
            return Step::KEEP_SCANNING;
        }
        s.last_separator = ' ';
        return Step::VALUE_ENDED;
    }
    if (c == '(' && s.token_length == 0) {
        s.scan_state = PARENTHESISED;
    } else if (c == ')' && parenthesised) {
        s.last_separator = ' ';
        return Step::VALUE_ENDED;
    } else if ((c == '\'' || c == '"') && s.token_length == 0) {
        s.scan_state = QUOTED;
        s.quote_char = static_cast<char>(c);
        s.last_separator = c;
    } else if (c == '*') {
        take_repeat_factor(scan);
    } else if (c == ',') {
        if (nothing_yet(scan) && s.last_separator == ' ') {
            s.last_separator = ',';
        } else if (!parenthesised) {
            s.last_separator = ',';
            return Step::VALUE_ENDED;
        } else {
            s.comma_position = s.token_length;
            append(',');
        }
    } else if (c == '/') {
        s.last_separator = '/';
        return Step::VALUE_ENDED;
    } else {
        append(static_cast<char>(c));
    }
    return Step::KEEP_SCANNING;
}

} // namespace

std::int32_t token_to_integer(int length) {
    ListReadState& s = list_read;
    length = std::clamp(length, 0, TOKEN_SIZE);
    // A NUL or end-of-file mark inside the value would end the number early.
    for (int i = 0; i < length; ++i) {
        if (s.token[i] == '\0' || s.token[i] == 0x1A) {
            raise(MSG_INTEGER_CHARACTER);
        }
    }
    s.token[length] = '\0';
    ParsedInteger parsed = parse_integer(s.token);
    switch (parsed.status) {
    case 0:
        return parsed.value;
    case 1:
        raise(MSG_INTEGER_OVERFLOW);
    case 2:
        raise(MSG_SECOND_SIGN);
    case 3:
        raise(MSG_BAD_BASE);
    default:
        raise(MSG_INTEGER_CHARACTER);
    }
}

void store_integer(std::int32_t value) {
    std::uint8_t* data = current_item.data;
    switch (current_item.type) {
    case TYPE_INTEGER1: {
        if (value < -128 || value > 127) {
            raise(MSG_INTEGER_OVERFLOW);
        }
        std::int8_t v = static_cast<std::int8_t>(value);
        std::memcpy(data, &v, sizeof v);
        break;
    }
    case TYPE_INTEGER2: {
        if (value < -32768 || value > 32767) {
            raise(MSG_INTEGER_OVERFLOW);
        }
        std::int16_t v = static_cast<std::int16_t>(value);
        std::memcpy(data, &v, sizeof v);
        break;
    }
    default:
        std::memcpy(data, &value, sizeof value);
        break;
    }
}

void token_to_logical() {
    const ListReadState& s = list_read;
    int at = s.token_length > 1 && s.token[0] == '.' ? 1 : 0;
    char c = s.token_length > at ? s.token[at] : '\0';
    std::uint8_t value;
    if (c == 'T' || c == 't') {
        value = 1;
    } else if (c == 'F' || c == 'f') {
        value = 0;
    } else {
        raise(MSG_BAD_LOGICAL);
    }
    if (current_item.type == TYPE_LOGICAL4) {
        // The whole word, so that every element of an array holds exactly 0 or 1.
        std::int32_t word = value;
        std::memcpy(current_item.data, &word, sizeof word);
    } else {
        current_item.data[0] = value;
    }
}

namespace {

void store_character(bool repeated) {
    const ListReadState& s = list_read;
    int size = current_item.element_size;
    int n;
    if (s.scan_state != QUOTED || repeated) {
        n = std::min({s.token_length, TOKEN_SIZE, size});
        std::memcpy(current_item.data, s.token, static_cast<std::size_t>(std::max(n, 0)));
    } else {
        n = std::min(s.token_length, size); // already stored while scanning
    }
    if (n < size) {
        std::memset(current_item.data + n, ' ', static_cast<std::size_t>(size - n));
    }
}

void store_complex() {
    ListReadState& s = list_read;
    if (s.scan_state != PARENTHESISED) {
        raise(MSG_BAD_VALUE_FOR_TYPE);
    }
    if (s.comma_position < 0) {
        raise(MSG_NO_COMMA);
    }
    int comma = s.comma_position;
    if (comma == 0 || comma == s.token_length - 1) {
        raise(MSG_REAL_SYNTAX); // a part with no text at all is not a number
    }
    std::uint8_t* real = current_item.data;
    std::uint8_t* imaginary = real + TYPE_SIZES[current_item.type].part;
    token_to_real_part(s.token, comma, real);
    token_to_real_part(s.token + comma + 1, s.token_length - comma - 1, imaginary);
}

void convert_value(bool repeated) {
    ListReadState& s = list_read;
    if (s.token_length == 0) {
        return; // a null value leaves the item as it was
    }
    switch (item_class()) {
    case ValueClass::INTEGER:
        if (s.scan_state != PLAIN) {
            raise(MSG_BAD_VALUE_FOR_TYPE);
        }
        store_integer(token_to_integer(s.token_length));
        break;
    case ValueClass::LOGICAL:
        token_to_logical();
        break;
    case ValueClass::CHARACTER:
        store_character(repeated);
        break;
    case ValueClass::REAL:
        if (s.scan_state != PLAIN) {
            raise(MSG_BAD_VALUE_FOR_TYPE);
        }
        token_to_real(s.token, s.token_length);
        break;
    case ValueClass::COMPLEX:
        store_complex();
        break;
    case ValueClass::NONE:
        break;
    }
}

// The end of an internal file ends the value under way. With nothing read for the item, the
// variable holds no more values: that is its end of file, and the item keeps its value.
bool finish_at_internal_end(const Scan& scan) {
    const ListReadState& s = list_read;
    if (s.token_length == 0 && s.scan_state == PLAIN && !scan.after_repeat) {
        error_state.at_end_of_file = 1;
        raise(MSG_END_OF_FILE);
    }
    list_read.last_separator = ' ';
    return true;
}

// Ends a plain value; a repeat factor's asterisk also needs the full scan.
bool ends_plain_value(std::uint8_t c) {
    return c == ' ' || c == '\t' || c == CR || c == LF || c == '*' || c == ',' || c == '/';
}

// The usual value, a plain number or word ended by a blank, a comma, a slash or the line end on a
// record that is already in the buffer, is taken from the buffer in one pass rather than a
// character at a time. Returns true when the value has ended; otherwise the character-by-character
// scan goes on from where this stopped, with what was taken already in the token.
bool scan_buffered_value(Scan& scan) {
    UnitBlock* b = current_unit;
    if (b->organisation != ORGANISATION_CONSOLE && b->organisation != ORGANISATION_FILE) {
        return false; // internal files and fixed-length records have record ends of their own
    }
    const std::uint8_t* buffer = b->buffer;
    int pos = b->pos;
    while (pos <= b->last && (buffer[pos] == ' ' || buffer[pos] == '\t')) {
        ++pos;
    }
    scan.examined = pos > b->pos;
    b->pos = pos;
    if (pos > b->last) {
        return false;
    }
    std::uint8_t first = buffer[pos];
    if (first == '(' || first == '\'' || first == '"' || ends_plain_value(first)) {
        return false;
    }
    while (pos <= b->last && !ends_plain_value(buffer[pos])) {
        ++pos;
    }
    int length = pos - b->pos;
    if (length > TOKEN_SIZE) {
        return false; // the full scan decides what a value too long for the token means
    }
    ListReadState& s = list_read;
    std::memcpy(s.token, buffer + b->pos, static_cast<std::size_t>(length));
    s.token_length = length;
    scan.examined = true;
    b->pos = pos;
    if (pos > b->last || buffer[pos] == '*') {
        return false;
    }
    if (buffer[pos] == CR || buffer[pos] == LF) {
        // The line end ends the value as a blank does, and the record is passed from it as the
        // character scan passes it.
        end_input_record();
        s.last_separator = ' ';
        s.line_consumed = true;
        return true;
    }
    s.last_separator = buffer[pos] == '\t' ? ' ' : buffer[pos];
    b->pos = pos + 1;
    return true;
}

} // namespace

void read_list_value() {
    ListReadState& s = list_read;
    if (s.repeat_count != 0) {
        s.repeat_count -= 1;
        convert_value(true);
        return;
    }
    s.line_consumed = false;
    s.token_length = 0;
    s.scan_state = PLAIN;
    s.comma_position = -1;
    Scan scan{false, false, false};
    if (scan_buffered_value(scan)) {
        convert_value(false);
        return;
    }
    for (;;) {
        int c = take(scan);
        bool line_end = false;
        if (c == CR || c == LF) {
            c = pass_line_end(scan);
            scan.examined = true;
            if (c < 0) {
                continue;
            }
            line_end = true;
        }
        scan.examined = true;
        Step step = s.scan_state == QUOTED ? scan_quoted(c, scan) : scan_plain(c, scan);
        if (step == Step::VALUE_ENDED) {
            // The line end that ended the value has been passed already.
            s.line_consumed = line_end;
            break;
        }
        if (at_internal_end()) {
            if (!finish_at_internal_end(scan)) {
                return;
            }
            break;
        }
    }
    convert_value(false);
}

} // namespace lnc
