// Message indices to error numbers and texts: the number table, the statement names, the
// expansion of a packed message and the hand-made formatting of its placeholders.
#include "errors/errors.h"

namespace lnc {

ErrorState error_state = {};

namespace {

// Error numbers are allotted to message indices in runs; each run numbers its indices upwards.
// The runs are listed by index, so 94..116 come before 117..219 although their numbers are higher.
struct NumberRun {
    int first_index;
    int last_index;
    std::int32_t first_number;
};
constexpr NumberRun number_runs[] = {
    {0, 10, 96},   {11, 25, 200}, {26, 45, 300}, {46, 71, 400},  {72, 88, 500},
    {89, 91, 600}, {92, 93, 700}, {94, 96, 970}, {97, 116, 980}, {117, 219, 702},
};

struct NumberTable {
    std::int32_t values[MESSAGE_COUNT];
};

constexpr NumberTable build_number_table() {
    NumberTable table = {};
    for (const NumberRun& run : number_runs) {
        for (int index = run.first_index; index <= run.last_index; ++index) {
            table.values[index] = run.first_number + (index - run.first_index);
        }
    }
    return table;
}

constexpr NumberTable number_table = build_number_table();
static_assert(number_table.values[40] == 314 && number_table.values[7] == 103);
static_assert(number_table.values[116] == 999 && number_table.values[219] == 804);

// Counts 0x8000 terminators and continuation links, which both end a message's own run.
bool ends_run(std::uint16_t entry) {
    return entry == PACKED_END || (entry & 0xF000) == PACKED_LINK;
}

int message_start(int index) {
    int position = 0;
    for (int ends = 0; ends < index && position < packed_messages.word_count; ++position) {
        if (ends_run(packed_messages.words[position])) {
            ++ends;
        }
    }
    return position;
}

struct TextBuilder {
    char* text;
    int capacity; // including the terminator
    int length;

    void put(char c) {
        if (length < capacity - 1) {
            text[length++] = c;
        }
    }
    void put(const char* s) {
        while (*s != '\0') {
            put(*s++);
        }
    }
    void finish() { text[length] = '\0'; }
};

// Appends the word at offset: its first character without bit 0x80, then every character up to
// the next one that has the bit.
void put_word(TextBuilder& out, int offset) {
    const PackedMessageTable& table = packed_messages;
    if (offset < 0 || offset >= table.char_count) {
        return;
    }
    char first = static_cast<char>(table.chars[offset] & 0x7F);
    if ((first == ',' || first == ' ') && out.length > 0 && out.text[out.length - 1] == ' ') {
        --out.length; // the word joins the one before it
    }
    out.put(first);
    for (int i = offset + 1; i < table.char_count && (table.chars[i] & 0x80) == 0; ++i) {
        out.put(static_cast<char>(table.chars[i]));
    }
}

} // namespace

const std::int32_t (&ErrorNumberTable)[MESSAGE_COUNT] = number_table.values;

const char* const StatementNameTable[18] = {
    ": (",
    ": CLOSE(",
    ": WRITE(",
    ": ENDFILE(",
    ": INQUIRE(",
    ": LOCKING(",
    ": OPEN(",
    ": READ(",
    ": REWIND(",
    ": BACKSPACE(",
    ": EOF(",
    ": $DEBUG\r\n- ",
    ": ALLOCATE\r\n- ",
    ": DEALLOCATE\r\n- ",
    ": BEGINTHREAD\r\n- ",
    ": MATH\r\n- ",
    "\r\n- ",
    ": PANE\r\n- ",
};

const char* expand_message(int index) {
    static char expanded[EXPANDED_MESSAGE_SIZE];
    if (index < 0 || index >= MESSAGE_COUNT) {
        index = MSG_UNKNOWN;
    }
    error_state.error_number = ErrorNumberTable[index];

    const PackedMessageTable& table = packed_messages;
    TextBuilder out = {expanded, EXPANDED_MESSAGE_SIZE, 0};
    int position = message_start(index);
    // A sound table ends every message within its own length; the bound keeps a damaged one
    // from looping through its links.
    for (int steps = 0; position < table.word_count && steps < 2 * table.word_count; ++steps) {
        std::uint16_t entry = table.words[position++];
        if (entry == PACKED_END) {
            break;
        }
        if ((entry & 0xF000) == PACKED_LINK) {
            position = entry & 0x0FFF;
            continue;
        }
        switch (entry & 0xF000) {
        case PACKED_INTEGER:
            out.put("%d");
            break;
        case PACKED_STRING:
            out.put("%s");
            break;
        case PACKED_CHARACTER:
            out.put("%c");
            break;
        default:
            put_word(out, entry);
            break;
        }
        out.put(' ');
    }
    if (out.length > 0 && out.text[out.length - 1] == ' ') {
        --out.length;
    }
    out.finish();
    return expanded;
}

int format_decimal(char* out, int value) {
    char digits[12];
    int count = 0;
    // Work on the magnitude as unsigned so that the most negative value has one too.
    unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    do {
        digits[count++] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int length = 0;
    if (value < 0) {
        out[length++] = '-';
    }
    while (count > 0) {
        out[length++] = digits[--count];
    }
    out[length] = '\0';
    return length;
}

int format_message(char* out, int capacity, const char* message_template, std::va_list arguments) {
    if (capacity <= 0) {
        return 0;
    }
    TextBuilder text = {out, capacity, 0};
    for (const char* p = message_template; *p != '\0'; ++p) {
        if (p[0] != '%' || (p[1] != 'd' && p[1] != 's' && p[1] != 'c')) {
            text.put(*p);
            continue;
        }
        ++p;
        if (*p == 'd') {
            char number[12];
            format_decimal(number, va_arg(arguments, int));
            text.put(number);
        } else if (*p == 's') {
            const char* value = va_arg(arguments, const char*);
            text.put(value != nullptr ? value : "");
        } else {
            char c = static_cast<char>(va_arg(arguments, int));
            text.put(c != '\0' ? c : '?'); // a terminator would cut the message short
        }
    }
    text.finish();
    return text.length;
}

} // namespace lnc
