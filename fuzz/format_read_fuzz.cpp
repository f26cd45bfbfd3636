// Formatted READ of arbitrary records from an internal file, through an arbitrary format.
// Its seeds are in fuzz/corpus/format_read/.
//
// Input layout: the bytes up to the first LF are the format; the rest, split at each LF, are the
// records of the internal file (every record as long as the longest, padded with blanks). The
// items follow the format's own letters, at most four of them: I an integer, F E D G a double
// and a single in turn, L a logical, A a character variable of 8; a format without one of those
// letters reads one integer.
//
// The format, the records and each character variable lie in heap blocks of exactly their size,
// so a read past any of them is caught. The READ asks for every condition back (errors, end of
// file, end of record): it must complete with status 0, -1, -2 or an error number 6000..6999,
// and write nothing on standard output or error. A refusal that ends the process all the same
// must end it with exit code 1 and a framed report that names the READ.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "lncalc/statements.h"

namespace {

constexpr int MOST_ITEMS = 4;
constexpr int CHARACTER_LENGTH = 8;
constexpr int ALL_CONDITIONS_BACK = 0x07;

enum class Kind { INTEGER, REAL8, REAL4, LOGICAL, CHARACTER };

// True for the E of an exponent width, as in E10.3E2: digits after a point come before it.
bool exponent_letter(const std::string& format, std::size_t i) {
    while (i > 0 && format[i - 1] >= '0' && format[i - 1] <= '9') {
        --i;
    }
    return i > 0 && format[i - 1] == '.';
}

// The items a format asks for, by the letters of its data edits (quoted texts skipped).
std::vector<Kind> kinds_of(const std::string& format) {
    std::vector<Kind> kinds;
    bool single = false;
    char quote = 0;
    for (std::size_t i = 0; i < format.size() && kinds.size() < MOST_ITEMS; ++i) {
        char c = static_cast<char>(format[i] & ~0x20);
        if (quote != 0 || format[i] == '\'' || format[i] == '"') {
            quote = quote == 0 ? format[i] : (format[i] == quote ? 0 : quote);
        } else if (c == 'I') {
            kinds.push_back(Kind::INTEGER);
        } else if ((c == 'F' || c == 'E' || c == 'D' || c == 'G') && !exponent_letter(format, i)) {
            kinds.push_back(single ? Kind::REAL4 : Kind::REAL8);
            single = !single;
        } else if (c == 'L') {
            kinds.push_back(Kind::LOGICAL);
        } else if (c == 'A') {
            kinds.push_back(Kind::CHARACTER);
        }
    }
    return kinds.empty() ? std::vector<Kind>{Kind::INTEGER} : kinds;
}

// The records as one internal-file variable: count records of the longest one's length.
std::unique_ptr<char[]> internal_file(const std::string& rest, int* length, int* count) {
    std::vector<std::string> records;
    std::size_t start = 0;
    for (std::size_t end; (end = rest.find('\n', start)) != std::string::npos; start = end + 1) {
        records.push_back(rest.substr(start, end - start));
    }
    records.push_back(rest.substr(start));
    std::size_t longest = 1;
    for (const std::string& r : records) {
        longest = r.size() > longest ? r.size() : longest;
    }
    *length = static_cast<int>(longest);
    *count = static_cast<int>(records.size());
    auto file = std::make_unique<char[]>(longest * records.size());
    std::memset(file.get(), ' ', longest * records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        std::memcpy(file.get() + i * longest, records[i].data(), records[i].size());
    }
    return file;
}

struct Values {
    std::int32_t integer[MOST_ITEMS];
    double real8[MOST_ITEMS];
    float real4[MOST_ITEMS];
    std::int32_t logical[MOST_ITEMS];
    std::unique_ptr<char[]> character[MOST_ITEMS];
};

int read_item(Kind kind, int i, Values& v) {
    switch (kind) {
    case Kind::INTEGER:
        return lnc::read_item_integer4(&v.integer[i]);
    case Kind::REAL8:
        return lnc::read_item_real8(&v.real8[i]);
    case Kind::REAL4:
        return lnc::read_item_real4(&v.real4[i]);
    case Kind::LOGICAL:
        return lnc::read_item_logical4(&v.logical[i]);
    default:
        v.character[i] = std::make_unique<char[]>(CHARACTER_LENGTH);
        return lnc::read_item_character(v.character[i].get(), CHARACTER_LENGTH);
    }
}

bool allowed_status(int status) {
    return status == 0 || status == -1 || status == -2 || (status >= 6000 && status <= 6999);
}

void check_end(int code, int status) {
    std::string error = lnc::fuzz::standard_error();
    if (code == lnc::fuzz::NOT_EXITED) {
        if (!allowed_status(status)) {
            lnc::fuzz::fail("a formatted READ returned status " + std::to_string(status));
        }
        if (!error.empty() || !lnc::fuzz::standard_output().empty()) {
            lnc::fuzz::fail("a formatted READ with its conditions back wrote: " + error);
        }
        return;
    }
    bool framed = error.size() >= 4 && error.compare(0, 2, "\r\n") == 0 &&
                  error.compare(error.size() - 2, 2, "\r\n") == 0;
    if (code != 1 || !framed || error.find("READ") == std::string::npos) {
        lnc::fuzz::fail("a formatted READ ended the process with exit code " +
                        std::to_string(code) + " and \"" + error + "\"");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::size_t line_end = input.find('\n');
    if (line_end == std::string::npos || line_end == 0) {
        return 0;
    }
    std::string format_text = input.substr(0, line_end);
    auto format = std::make_unique<char[]>(format_text.size());
    std::memcpy(format.get(), format_text.data(), format_text.size());
    int length = 0;
    int count = 0;
    std::unique_ptr<char[]> file = internal_file(input.substr(line_end + 1), &length, &count);
    std::vector<Kind> kinds = kinds_of(format_text);
    Values values{};
    int status = 0;
    int code = lnc::fuzz::run_engine(nullptr, 0, lnc::fuzz::Input::Pipe, [&] {
        status =
            lnc::begin_read_internal(file.get(), length, count, format.get(),
                                     static_cast<int>(format_text.size()), ALL_CONDITIONS_BACK);
        for (std::size_t i = 0; i < kinds.size(); ++i) {
            int got = read_item(kinds[i], static_cast<int>(i), values);
            status = status != 0 ? status : got;
        }
        int end = lnc::end_read();
        status = status != 0 ? status : end;
    });
    lnc::fuzz::note_result(&status, sizeof status);
    lnc::fuzz::note_result(values.integer, sizeof values.integer);
    lnc::fuzz::note_result(values.real8, sizeof values.real8);
    lnc::fuzz::note_result(values.real4, sizeof values.real4);
    lnc::fuzz::note_result(values.logical, sizeof values.logical);
    for (const auto& c : values.character) {
        if (c != nullptr) {
            lnc::fuzz::note_result(c.get(), CHARACTER_LENGTH);
        }
    }
    check_end(code, status);
    return 0;
}
