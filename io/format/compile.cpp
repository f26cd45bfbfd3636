// The format compiler: a format text becomes a block of edit operations, kept by its text so that
// a format executed in a loop is compiled once.
//
// Blanks are insignificant outside literals, letters may be of either case, and everything after
// the final parenthesis is ignored. A comma may be left out wherever no misreading is possible:
// around "/" and ":", after a literal, a closing parenthesis or an item that ends in a letter
// (kP, nX, S, SP, SS, BN, BZ, a plain A), and before a quoted literal. After an item that ends in
// a number it is required, since "I5 3I2" would otherwise read as I53 followed by I2.
#include <cstring>
#include <new>

#include "errors/errors.h"
#include "io/format/format_internal.h"
#include "runtime/heap/heap.h"

namespace lnc {

LastFormat last_format;

namespace {

constexpr int END_OF_TEXT = -1;
constexpr int CACHE_BUCKETS = 1024; // a power of two

// One open level of parentheses while compiling; level 0 is the whole format.
struct GroupLevel {
    int op;             // index of its OP_GROUP
    int count_position; // where its repeat count (or its parenthesis) stands
    bool has_data;
    std::int64_t cost; // operations of one pass over its contents, at most FORMAT_CONTROL_LIMIT + 1
};

// Where an item stands in the list of its level: what may come next.
enum class ListPlace { OPENED, AFTER_ITEM, AFTER_COMMA };

struct Compiler {
    const char* text;
    int length;      // characters that may be read (at most FORMAT_TEXT_LIMIT)
    int text_length; // characters of the text
    int position;
    FormatOp* ops;
    int op_count;
    char* literals;
    int literal_length;
    GroupLevel levels[FORMAT_NESTING_LIMIT + 1];
    int depth;
    int revert_op;
    bool needs_comma; // the last item ended in a number
    FormatError* error;
};

struct FormatCache {
    CompiledFormat** buckets;
};
FormatCache format_cache;

// A text that ends too soon is reported as too long when the compiler stopped at its limit.
bool fail(Compiler& c, int message_index, int position) {
    if (position >= c.length && c.text_length > c.length)
        message_index = MSG_FORMAT_TOO_LONG;
    c.error->message_index = message_index;
    c.error->position = position;
    c.error->character = position < c.length ? c.text[position] : '\0';
    return false;
}

bool fail_unexpected(Compiler& c, int position) {
    return fail(c, MSG_FORMAT_UNEXPECTED_CHARACTER, position);
}

bool fail_at_end(Compiler& c) {
    return fail(c, c.depth > 0 ? MSG_UNBALANCED_PARENTHESES : MSG_FORMAT_NO_CLOSING_PARENTHESIS,
                c.length);
}

char upper(char character) {
    return character >= 'a' && character <= 'z' ? static_cast<char>(character - 'a' + 'A')
                                                : character;
}

// The next significant character, in upper case, with c.position moved onto it; END_OF_TEXT at
// the end. Blanks before it are passed over.
int peek(Compiler& c) {
    while (c.position < c.length && c.text[c.position] == ' ')
        ++c.position;
    if (c.position == c.length)
        return END_OF_TEXT;
    return static_cast<unsigned char>(upper(c.text[c.position]));
}

// The position of the next significant character (or the end).
int next_position(Compiler& c) {
    peek(c);
    return c.position;
}

bool is_digit(int character) {
    return character >= '0' && character <= '9';
}

// Reads an unsigned number, blanks between its digits allowed. Values above FORMAT_NUMBER_LIMIT
// come back as FORMAT_NUMBER_LIMIT + 1. False when no digit stands at the position.
bool read_number(Compiler& c, std::int32_t* value) {
    if (!is_digit(peek(c)))
        return false;
    std::int32_t n = 0;
    while (is_digit(peek(c))) {
        n = n * 10 + (c.text[c.position++] - '0');
        if (n > FORMAT_NUMBER_LIMIT)
            n = FORMAT_NUMBER_LIMIT + 1;
    }
    *value = n;
    return true;
}

// Takes the next significant character when it is the one given (upper case).
bool accept(Compiler& c, char character) {
    if (peek(c) != character)
        return false;
    ++c.position;
    return true;
}

FormatOp& add_op(Compiler& c, std::uint8_t code, std::int32_t count) {
    return *new (&c.ops[c.op_count++])
        FormatOp{code, count, 0, DataEdit{0, NO_VALUE, NO_VALUE, NO_VALUE}};
}

// Counts the operations a walk performs between two data edits; see FORMAT_CONTROL_LIMIT.
bool add_cost(Compiler& c, std::int64_t amount, int position) {
    std::int64_t& cost = c.levels[c.depth].cost;
    cost = cost + amount > FORMAT_CONTROL_LIMIT ? FORMAT_CONTROL_LIMIT + 1 : cost + amount;
    return cost <= FORMAT_CONTROL_LIMIT || fail(c, MSG_REPEAT_COUNT_RANGE, position);
}

// ---- Data edit descriptors ----

// A number that a descriptor must have: missing is missing_index, above the limit is
// MSG_FORMAT_TOO_LONG; zero is refused with zero_index unless that is 0.
bool read_field_number(Compiler& c, std::int32_t* value, int missing_index, int zero_index) {
    int position = next_position(c);
    if (!read_number(c, value))
        return fail(c, missing_index, position);
    if (*value > FORMAT_NUMBER_LIMIT)
        return fail(c, MSG_FORMAT_TOO_LONG, position);
    if (*value == 0 && zero_index != 0)
        return fail(c, zero_index, position);
    return true;
}

// The descriptor a letter begins (EN and ES begin with E), or 0 for a letter that begins none.
std::uint8_t data_descriptor(int letter) {
    switch (letter) {
    case 'I':
        return DESC_I;
    case 'F':
        return DESC_F;
    case 'E':
        return DESC_E;
    case 'D':
        return DESC_D;
    case 'G':
        return DESC_G;
    case 'L':
        return DESC_L;
    case 'A':
        return DESC_A;
    default:
        return 0;
    }
}

bool is_data_letter(int character) {
    return data_descriptor(character) != 0;
}

// ".d", which F, E, D, G, EN and ES must have.
bool read_decimals(Compiler& c, DataEdit& edit) {
    if (!accept(c, '.'))
        return fail(c, MSG_NO_DECIMAL_DIGITS, next_position(c));
    return read_field_number(c, &edit.digits, MSG_NO_DECIMAL_DIGITS, 0);
}

// The optional "Ee" of E, G, EN and ES.
bool read_exponent_digits(Compiler& c, DataEdit& edit) {
    if (!accept(c, 'E'))
        return true;
    int position = next_position(c);
    if (!read_number(c, &edit.exponent) || edit.exponent == 0 ||
        edit.exponent > FORMAT_EXPONENT_LIMIT)
        return fail(c, MSG_EXPONENT_DIGITS_RANGE, position);
    return true;
}

// The descriptor letter (already taken) and what follows it: Iw, Iw.m, Fw.d, Ew.d[Ee],
// ENw.d[Ee], ESw.d[Ee], Dw.d, Gw.d[Ee], Lw, A, Aw.
bool read_data_edit(Compiler& c, int letter, DataEdit& edit) {
    edit.descriptor = data_descriptor(letter);
    if (letter == 'E' && accept(c, 'N'))
        edit.descriptor = DESC_EN;
    else if (letter == 'E' && accept(c, 'S'))
        edit.descriptor = DESC_ES;
    if (letter == 'A' && !is_digit(peek(c)))
        return true;
    if (!read_field_number(c, &edit.width, MSG_NO_FIELD_WIDTH, MSG_ZERO_FIELD_WIDTH))
        return false;
    c.needs_comma = true;
    if (letter == 'I')
        return !accept(c, '.') || read_field_number(c, &edit.digits, MSG_NO_DECIMAL_DIGITS, 0);
    if (letter == 'L' || letter == 'A')
        return true;
    if (!read_decimals(c, edit))
        return false;
    return letter == 'F' || letter == 'D' || read_exponent_digits(c, edit);
}

// ---- Literals ----

// 'text' or "text"; a doubled quote inside stands for one.
bool read_quoted(Compiler& c) {
    int opening = c.position;
    char quote = c.text[c.position++];
    int start = c.literal_length;
    for (;;) {
        if (c.position >= c.length)
            return fail(c,
                        c.text_length > c.length ? MSG_FORMAT_TOO_LONG : MSG_FORMAT_UNCLOSED_QUOTE,
                        opening);
        char character = c.text[c.position++];
        if (character == quote) {
            if (c.position == c.length || c.text[c.position] != quote)
                break;
            ++c.position;
        }
        c.literals[c.literal_length++] = character;
    }
    if (c.literal_length > start)
        add_op(c, OP_LITERAL, c.literal_length - start).offset = start;
    return true;
}

// nHtext: the n characters after the H, blanks included.
bool read_hollerith(Compiler& c, std::int32_t count, int count_position) {
    ++c.position; // the H
    if (count == 0 || count > FORMAT_NUMBER_LIMIT)
        return fail(c, MSG_REPEAT_COUNT_RANGE, count_position);
    if (count > c.length - c.position)
        return fail(c, MSG_HOLLERITH_PAST_FORMAT, c.length);
    std::memcpy(c.literals + c.literal_length, c.text + c.position,
                static_cast<std::size_t>(count));
    add_op(c, OP_LITERAL, count).offset = c.literal_length;
    c.literal_length += count;
    c.position += count;
    return true;
}

// ---- Control edit descriptors ----

// Tn, TLn, TRn (the T already taken).
bool read_tab(Compiler& c) {
    std::uint8_t descriptor = accept(c, 'L') ? DESC_TL : accept(c, 'R') ? DESC_TR : DESC_T;
    int position = next_position(c);
    std::int32_t n = 0;
    if (!read_number(c, &n) || n == 0 || n > FORMAT_NUMBER_LIMIT)
        return fail(c, MSG_TAB_RANGE, position);
    add_op(c, OP_POSITION, n).edit.descriptor = descriptor;
    c.needs_comma = true;
    return add_cost(c, 1, position);
}

// S, SP, SS, BN, BZ and ":", which take no number (the letter already taken).
bool read_mode(Compiler& c, int letter, int position) {
    if (letter == ':') {
        add_op(c, OP_COLON, 0);
    } else if (letter == 'S') {
        int mode = accept(c, 'P') ? SIGN_PLUS : accept(c, 'S') ? SIGN_SUPPRESS : SIGN_DEFAULT;
        add_op(c, OP_SIGN, mode);
    } else if (peek(c) == 'N' || peek(c) == 'Z') {
        add_op(c, OP_BLANK, peek(c) == 'Z');
        ++c.position;
    } else {
        return fail_unexpected(c, position); // B alone, or the binary edit of later languages
    }
    return add_cost(c, 1, position);
}

// ---- Groups ----

bool open_group(Compiler& c, std::int32_t count, int count_position) {
    if (c.depth == FORMAT_NESTING_LIMIT)
        return fail(c, MSG_FORMAT_NESTED_TOO_DEEPLY, c.position);
    ++c.position;
    if (c.depth == 0)
        c.revert_op = c.op_count;
    add_op(c, OP_GROUP, count);
    c.levels[++c.depth] = GroupLevel{c.op_count - 1, count_position, false, 0};
    return true;
}

// A group without data edits runs all its repetitions between two data edits; one with them
// runs at most one pass.
bool close_group(Compiler& c) {
    ++c.position;
    GroupLevel group = c.levels[c.depth--];
    add_op(c, OP_GROUP_END, 0).offset = group.op;
    std::int64_t pass = group.cost + 1;
    c.levels[c.depth].has_data |= group.has_data;
    return add_cost(c, group.has_data ? pass : pass * c.ops[group.op].count, group.count_position);
}

// ---- Items ----

// An item that starts with a number (or a sign, which only kP may have) and the descriptor
// after it: a repeated data edit or group, n/, nX, nH, kP.
bool read_counted_item(Compiler& c) {
    int count_position = c.position;
    int sign = 0;
    if (accept(c, '-'))
        sign = -1;
    else if (accept(c, '+'))
        sign = 1;
    std::int32_t count = 0;
    if (!read_number(c, &count))
        return fail(c, MSG_SCALE_WITHOUT_P, next_position(c));
    int letter = peek(c);
    if (letter == 'P') {
        ++c.position;
        if (count > FORMAT_NUMBER_LIMIT)
            return fail(c, MSG_FORMAT_TOO_LONG, count_position);
        add_op(c, OP_SCALE, sign < 0 ? -count : count);
        return add_cost(c, 1, count_position);
    }
    if (letter == END_OF_TEXT)
        return fail_at_end(c);
    if (sign != 0)
        return fail(c, MSG_SCALE_WITHOUT_P, c.position);
    if (letter == 'H')
        return read_hollerith(c, count, count_position) && add_cost(c, 1, count_position);
    if (letter == 'X') {
        ++c.position;
        if (count == 0 || count > FORMAT_NUMBER_LIMIT)
            return fail(c, MSG_TAB_RANGE, count_position);
        add_op(c, OP_POSITION, count).edit.descriptor = DESC_X;
        return add_cost(c, 1, count_position);
    }
    if (letter == 'T' || letter == 'S' || letter == 'B' || letter == ':' || letter == '\'' ||
        letter == '"')
        return fail(c, MSG_REPEAT_NOT_ALLOWED, c.position);
    if (letter != '(' && letter != '/' && !is_data_letter(letter))
        return fail_unexpected(c, c.position);
    if (count == 0 || count > FORMAT_NUMBER_LIMIT)
        return fail(c, MSG_REPEAT_COUNT_RANGE, count_position);
    if (letter == '(')
        return open_group(c, count, count_position);
    ++c.position;
    if (letter == '/') {
        add_op(c, OP_SLASH, count);
        return add_cost(c, count, count_position);
    }
    c.levels[c.depth].has_data = true;
    return read_data_edit(c, letter, add_op(c, OP_DATA, count).edit) &&
           add_cost(c, 1, count_position);
}

// One item of a list, from its first significant character.
bool read_item(Compiler& c) {
    int position = c.position;
    int letter = peek(c);
    c.needs_comma = false;
    if (is_digit(letter) || letter == '+' || letter == '-')
        return read_counted_item(c);
    if (letter == '\'' || letter == '"')
        return read_quoted(c) && add_cost(c, 1, position);
    if (letter == '(')
        return open_group(c, 1, position);
    ++c.position;
    if (is_data_letter(letter)) {
        c.levels[c.depth].has_data = true;
        return read_data_edit(c, letter, add_op(c, OP_DATA, 1).edit) && add_cost(c, 1, position);
    }
    if (letter == 'X') {
        add_op(c, OP_POSITION, 1).edit.descriptor = DESC_X;
        return add_cost(c, 1, position);
    }
    if (letter == '/') {
        add_op(c, OP_SLASH, 1);
        return add_cost(c, 1, position);
    }
    if (letter == 'T')
        return read_tab(c);
    if (letter == 'S' || letter == 'B' || letter == ':')
        return read_mode(c, letter, position);
    return fail_unexpected(c, position);
}

// Whether an item that begins with this character follows the last one without a comma where
// one is needed. Characters that begin no item are left to read_item to refuse.
bool missing_comma(const Compiler& c, int letter) {
    bool begins_item = is_digit(letter) || letter == '+' || letter == '-' || letter == '(' ||
                       (letter >= 'A' && letter <= 'Z');
    return c.needs_comma && begins_item && letter != '/' && letter != ':';
}

// The list of the whole format, from just after its opening parenthesis to the final one.
bool read_lists(Compiler& c) {
    ListPlace place = ListPlace::OPENED;
    for (;;) {
        int letter = peek(c);
        if (letter == END_OF_TEXT)
            return fail_at_end(c);
        // Empty items: a comma after no item, a comma before ")", an empty inner group.
        bool empty_group = place == ListPlace::OPENED && c.depth > 0;
        if ((letter == ',' && place != ListPlace::AFTER_ITEM) ||
            (letter == ')' && (place == ListPlace::AFTER_COMMA || empty_group)))
            return fail_unexpected(c, c.position);
        if (letter == ',') {
            ++c.position;
            place = ListPlace::AFTER_COMMA;
            c.needs_comma = false;
        } else if (letter == ')' && c.depth == 0) {
            add_op(c, OP_END, 0);
            return true;
        } else if (letter == ')') {
            if (!close_group(c))
                return false;
            place = ListPlace::AFTER_ITEM;
            c.needs_comma = false;
        } else {
            if (missing_comma(c, letter))
                return fail(c, MSG_NO_EDIT_SEPARATOR, c.position);
            int depth = c.depth;
            if (!read_item(c))
                return false;
            place = c.depth > depth ? ListPlace::OPENED : ListPlace::AFTER_ITEM;
        }
    }
}

// ---- The compiled block ----

bool revert_part_has_data(const Compiler& c) {
    for (int i = c.revert_op; i < c.op_count; ++i) {
        if (c.ops[i].code == OP_DATA)
            return true;
    }
    return false;
}

// Copies what the compiler made into one block: the record, the operations, the text, the
// literals.
CompiledFormat* make_block(const Compiler& c, std::uint32_t hash) {
    std::size_t ops_size = sizeof(FormatOp) * static_cast<std::size_t>(c.op_count);
    std::size_t size = sizeof(CompiledFormat) + ops_size + static_cast<std::size_t>(c.text_length) +
                       static_cast<std::size_t>(c.literal_length);
    auto* block = static_cast<char*>(allocate(size));
    if (block == nullptr)
        return nullptr;
    auto* ops = reinterpret_cast<FormatOp*>(block + sizeof(CompiledFormat));
    char* text = block + sizeof(CompiledFormat) + ops_size;
    char* literals = text + c.text_length;
    std::memcpy(ops, c.ops, ops_size);
    std::memcpy(text, c.text, static_cast<std::size_t>(c.text_length));
    std::memcpy(literals, c.literals, static_cast<std::size_t>(c.literal_length));
    return new (block)
        CompiledFormat{nullptr,    hash,        c.text_length,          text, literals, ops,
                       c.op_count, c.revert_op, revert_part_has_data(c)};
}

// Compiles text into a new block; null with *error set when the text is wrong or memory runs
// out.
CompiledFormat* compile(const char* text, int length, std::uint32_t hash, FormatError* error) {
    Compiler c{};
    c.text = text;
    c.text_length = length;
    c.length = length < FORMAT_TEXT_LIMIT ? length : FORMAT_TEXT_LIMIT;
    c.error = error;
    if (!accept(c, '(')) {
        fail(c, MSG_FORMAT_NO_OPENING_PARENTHESIS, c.position);
        return nullptr;
    }
    // Every operation takes at least one character of the text, and so does every literal one.
    std::size_t ops_size = sizeof(FormatOp) * static_cast<std::size_t>(c.length + 1);
    auto* scratch = static_cast<char*>(allocate(ops_size + static_cast<std::size_t>(c.length)));
    if (scratch == nullptr) {
        *error = FormatError{MSG_NO_MEMORY, 0, '\0'};
        return nullptr;
    }
    c.ops = reinterpret_cast<FormatOp*>(scratch);
    c.literals = scratch + ops_size;
    CompiledFormat* format = nullptr;
    if (read_lists(c)) {
        format = make_block(c, hash);
        if (format == nullptr)
            *error = FormatError{MSG_NO_MEMORY, 0, '\0'};
    }
    release(scratch);
    return format;
}

CompiledFormat** cache_bucket(std::uint32_t hash) {
    if (format_cache.buckets == nullptr) {
        format_cache.buckets =
            static_cast<CompiledFormat**>(allocate_zeroed(CACHE_BUCKETS, sizeof(CompiledFormat*)));
        if (format_cache.buckets == nullptr)
            return nullptr;
    }
    return &format_cache.buckets[hash & (CACHE_BUCKETS - 1)];
}

} // namespace

// FNV-1a over the characters.
std::uint32_t format_text_hash(const char* text, int length) {
    std::uint32_t hash = 2166136261u;
    for (int i = 0; i < length; ++i)
        hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
    return hash;
}

namespace {

// The cache's buckets, and the compiler for a text found in none of them: apart from the check of
// the format named last, so that a statement in a loop takes only that check.
[[gnu::noinline]] const CompiledFormat* find_or_compile(const char* text, int length,
                                                        FormatError* error) {
    const char* named = text;
    int named_length = length;
    if (text == nullptr || length < -1)
        length = 0;
    else if (length == -1)
        length = static_cast<int>(std::strlen(text));
    // Blanks at the end lie after the final parenthesis: a format in a long character variable
    // is kept by its text without them.
    while (length > 0 && text[length - 1] == ' ')
        --length;
    std::uint32_t hash = format_text_hash(text, length);
    CompiledFormat** bucket = cache_bucket(hash);
    if (bucket == nullptr) {
        *error = FormatError{MSG_NO_MEMORY, 0, '\0'};
        return nullptr;
    }
    CompiledFormat* format = *bucket;
    while (format != nullptr &&
           !(format->hash == hash && format->text_length == length &&
             std::memcmp(format->text, text, static_cast<std::size_t>(length)) == 0))
        format = format->next;
    if (format == nullptr) {
        format = compile(text, length, hash, error);
        if (format == nullptr)
            return nullptr;
        format->next = *bucket;
        *bucket = format;
    }
    last_format = LastFormat{format, named, named_length, format->text, format->text_length};
    return format;
}

} // namespace

const CompiledFormat* compile_format_text(const char* text, int length, FormatError* error) {
    const CompiledFormat* format = format_named_again(text, length);
    return format != nullptr ? format : find_or_compile(text, length, error);
}

} // namespace lnc
