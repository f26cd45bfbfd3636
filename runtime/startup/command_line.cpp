// The command line split into arguments: one heap block holding the pointer array and then the
// strings, built in two passes (the first counts, the second fills).
#include <cstring>

#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc {

std::uint8_t lead_byte_table[256] = {};

namespace {

// The scanner writes through these when filling and only counts when they are null.
struct Scan {
    char** pointers;
    char* text;
    int arguments;
    std::size_t characters;
};

bool is_lead_byte(char c) {
    return lead_byte_table[static_cast<unsigned char>(c)] != 0;
}

void put_char(Scan* scan, char c) {
    if (scan->text != nullptr) {
        *scan->text++ = c;
    }
    ++scan->characters;
}

void start_argument(Scan* scan) {
    if (scan->pointers != nullptr) {
        scan->pointers[scan->arguments] = scan->text;
    }
    ++scan->arguments;
}

// A lead byte and the byte after it are copied together, so a trail byte that looks like a quote
// or a backslash is never taken as one; a lead byte at the very end has no trail to take.
const char* copy_character(Scan* scan, const char* p) {
    if (is_lead_byte(*p) && p[1] != '\0') {
        put_char(scan, *p++);
    }
    put_char(scan, *p);
    return p + 1;
}

// The program name: up to the closing quote when it starts with one, else up to a blank or tab.
const char* scan_program_name(Scan* scan, const char* p) {
    start_argument(scan);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            p = copy_character(scan, p);
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p != '\0' && *p != ' ' && *p != '\t') {
            p = copy_character(scan, p);
        }
    }
    put_char(scan, '\0');
    return p;
}

// One argument: a run of n backslashes before a quote gives n / 2 backslashes, and the quote
// toggles the quoted state when n is even (a doubled quote inside quotes is one literal quote)
// and is copied when n is odd.
const char* scan_argument(Scan* scan, const char* p, bool* quoted) {
    start_argument(scan);
    for (;;) {
        bool copy = true;
        int backslashes = 0;
        while (*p == '\\') {
            ++p;
            ++backslashes;
        }
        if (*p == '"') {
            if (backslashes % 2 == 0) {
                if (*quoted && p[1] == '"') {
                    ++p;
                } else {
                    copy = false;
                    *quoted = !*quoted;
                }
            }
            backslashes /= 2;
        }
        for (; backslashes > 0; --backslashes) {
            put_char(scan, '\\');
        }
        if (*p == '\0' || (!*quoted && (*p == ' ' || *p == '\t'))) {
            break;
        }
        p = copy ? copy_character(scan, p) : p + 1;
    }
    put_char(scan, '\0');
    return p;
}

// The program path alone names the program: it is taken whole, since cutting it at its blanks
// would invent arguments from the parts of the path.
void scan_program_path(Scan* scan, const char* path) {
    start_argument(scan);
    for (const char* p = path; *p != '\0'; ++p) {
        put_char(scan, *p);
    }
    put_char(scan, '\0');
}

void scan_line(Scan* scan, const char* command_line, const char* program_path) {
    if (command_line == nullptr || *command_line == '\0') {
        scan_program_path(scan, program_path != nullptr ? program_path : "");
        return;
    }
    const char* p = scan_program_name(scan, command_line);
    bool quoted = false;
    for (;;) {
        while (*p == ' ' || *p == '\t') {
            ++p;
        }
        if (*p == '\0') {
            return;
        }
        p = scan_argument(scan, p, &quoted);
    }
}

char** allocate_arguments(const Scan& counted, Scan* fill) {
    std::size_t pointer_bytes = (static_cast<std::size_t>(counted.arguments) + 1) * sizeof(char*);
    auto* block = static_cast<char**>(allocate(pointer_bytes + counted.characters));
    if (block == nullptr) {
        return nullptr;
    }
    *fill = Scan{block, reinterpret_cast<char*>(block) + pointer_bytes, 0, 0};
    return block;
}

} // namespace

char** parse_command_line(const char* command_line, const char* program_path, int* argc) {
    Scan counted{nullptr, nullptr, 0, 0};
    scan_line(&counted, command_line, program_path);
    Scan fill{};
    char** block = allocate_arguments(counted, &fill);
    if (block == nullptr) {
        return nullptr;
    }
    scan_line(&fill, command_line, program_path);
    block[fill.arguments] = nullptr;
    *argc = fill.arguments;
    return block;
}

// The arguments the program's entry received, copied into a block laid out as a parsed line; an
// empty argv is given the program path as its name.
char** copy_arguments(int argc, char* const* argv, const char* program_path, int* count) {
    Scan counted{nullptr, nullptr, 0, 0};
    Scan fill{};
    for (int pass = 0; pass < 2; ++pass) {
        Scan* scan = pass == 0 ? &counted : &fill;
        if (argc <= 0 || argv == nullptr || argv[0] == nullptr) {
            scan_program_path(scan, program_path != nullptr ? program_path : "");
        }
        for (int i = 0; i < argc && argv != nullptr && argv[i] != nullptr; ++i) {
            start_argument(scan);
            for (const char* p = argv[i]; *p != '\0'; ++p) {
                put_char(scan, *p);
            }
            put_char(scan, '\0');
        }
        if (pass == 0 && allocate_arguments(counted, &fill) == nullptr) {
            return nullptr;
        }
    }
    fill.pointers[fill.arguments] = nullptr;
    *count = fill.arguments;
    return fill.pointers;
}

} // namespace lnc
