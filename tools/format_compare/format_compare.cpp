// Reads the cases that tools/format_compare.py generates, one a line:
//     ID <tab> FORMAT <tab> ITEM <tab> ITEM ...
// where an item is i:DECIMAL (integer), r:HEX (single real bits), d:HEX (double real bits),
// l:0 or l:1 (logical) or a:HEX (characters, two hexadecimal digits each), and performs each
// through the run-time's public calls.
//   lncalc_format_compare CASES
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "format_compare.h"
#include "lncalc/runtime.h"

namespace format_compare {

namespace {

std::vector<std::string> split_tabs(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        fields.push_back(line.substr(start, tab - start));
    }
    fields.push_back(line.substr(start));
    return fields;
}

std::string from_hex(const std::string& hex) {
    std::string text;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        text.push_back(static_cast<char>(std::strtol(hex.substr(i, 2).c_str(), nullptr, 16)));
    }
    return text;
}

bool parse_item(const std::string& field, Item* item) {
    if (field.size() < 2 || field[1] != ':') {
        return false;
    }
    std::string value = field.substr(2);
    item->integer = 0;
    switch (field[0]) {
    case 'i':
        item->kind = ItemKind::INTEGER4;
        item->integer = std::strtoll(value.c_str(), nullptr, 10);
        return true;
    case 'r':
    case 'd':
        item->kind = field[0] == 'r' ? ItemKind::REAL4 : ItemKind::REAL8;
        item->integer = static_cast<std::int64_t>(std::strtoull(value.c_str(), nullptr, 16));
        return true;
    case 'l':
        item->kind = ItemKind::LOGICAL4;
        item->integer = value == "1" ? 1 : 0;
        return true;
    case 'a':
        item->kind = ItemKind::CHARACTER;
        item->text = from_hex(value);
        return true;
    default:
        return false;
    }
}

bool read_cases(const char* path, std::vector<Case>* cases) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c != '\n') {
            line.push_back(static_cast<char>(c));
            continue;
        }
        std::vector<std::string> fields = split_tabs(line);
        line.clear();
        if (fields.size() < 2) {
            continue;
        }
        Case one{fields[0], fields[1], {}};
        for (std::size_t i = 2; i < fields.size(); ++i) {
            Item item{};
            if (!parse_item(fields[i], &item)) {
                std::fclose(file);
                return false;
            }
            one.items.push_back(item);
        }
        cases->push_back(one);
    }
    std::fclose(file);
    return true;
}

int compare_main(int argc, char** argv, char**) {
    std::vector<Case> cases;
    if (argc != 2 || !read_cases(argv[1], &cases)) {
        std::fprintf(stderr, "usage: lncalc_format_compare CASES (a readable file of cases)\n");
        return 2;
    }
    announce_route();
    for (const Case& c : cases) {
        run_case(c);
    }
    // The run-time ends the process itself, past the C library's buffers.
    std::fflush(stdout);
    return 0;
}

} // namespace

int write_items(const Case& c) {
    int status = 0;
    for (const Item& item : c.items) {
        int got = 0;
        switch (item.kind) {
        case ItemKind::INTEGER4:
            got = lnc::write_item_integer4(static_cast<std::int32_t>(item.integer));
            break;
        case ItemKind::REAL4:
            got = lnc::write_item_real4(static_cast<std::uint32_t>(item.integer));
            break;
        case ItemKind::REAL8:
            got = lnc::write_item_real8(static_cast<std::uint64_t>(item.integer));
            break;
        case ItemKind::LOGICAL4:
            got = lnc::write_item_logical4(static_cast<std::int32_t>(item.integer));
            break;
        case ItemKind::CHARACTER:
            got = lnc::write_item_character(item.text.data(), static_cast<int>(item.text.size()));
            break;
        }
        status = status != 0 ? status : got;
    }
    return status;
}

} // namespace format_compare

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, format_compare::compare_main);
}
