// Finding the PAUSE statements with an operand in fixed-form and free-form source lines, and
// writing each as a CALL of the front's pause routine in the same place.
#include "fortran/prepare/pause_rewrite.h"

#include <cctype>
#include <cstddef>

namespace lnc::fortran_prepare {

namespace {

constexpr int MAX_DIGITS = 5;
constexpr std::size_t LABEL_FIELD = 5;     // fixed form: columns 1 to 5
constexpr std::size_t STATEMENT_FIELD = 6; // fixed form: column 7 on (column 6 marks continuation)

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_quote(char c) {
    return c == '\'' || c == '"';
}

// A PAUSE statement found in a stretch of a line: where its keyword starts, where its operand
// ends, and the operand as a character constant.
struct PauseStatement {
    std::size_t start;
    std::size_t end;
    std::string constant;
};

// The end of the character constant that opens at text[at] (past its closing quote; a doubled
// quote stands for one), or npos when the stretch ends inside it.
std::size_t constant_end(const std::string& text, std::size_t at, std::size_t limit) {
    char quote = text[at];
    for (std::size_t i = at + 1; i < limit; ++i) {
        if (text[i] == quote) {
            if (i + 1 < limit && text[i + 1] == quote) {
                ++i;
                continue;
            }
            return i + 1;
        }
    }
    return std::string::npos;
}

std::size_t skip_blanks(const std::string& text, std::size_t at, std::size_t limit) {
    while (at < limit && is_blank(text[at])) {
        ++at;
    }
    return at;
}

// Matches the keyword at text[at]; blanks inside it count only in fixed form. The position after
// it, or npos.
std::size_t match_keyword(const std::string& text, std::size_t at, std::size_t limit, bool fixed) {
    for (char letter : std::string("PAUSE")) {
        if (fixed) {
            at = skip_blanks(text, at, limit);
        }
        if (at >= limit || std::toupper(static_cast<unsigned char>(text[at])) != letter) {
            return std::string::npos;
        }
        ++at;
    }
    return at;
}

// The operand after the keyword: a character constant as written, or a digit string (blanks
// between digits count only in fixed form) made a constant of its digits. Sets found.end.
bool match_operand(const std::string& text, std::size_t at, std::size_t limit, bool fixed,
                   PauseStatement& found) {
    std::size_t first = skip_blanks(text, at, limit);
    if (first < limit && is_quote(text[first])) {
        found.end = constant_end(text, first, limit);
        if (found.end == std::string::npos) {
            return false;
        }
        found.constant = text.substr(first, found.end - first);
        return true;
    }
    // Free form needs a blank between the keyword and a digit string.
    if (!fixed && first == at) {
        return false;
    }
    std::string digits;
    std::size_t i = first;
    while (i < limit && (is_digit(text[i]) || (fixed && is_blank(text[i])))) {
        if (is_digit(text[i])) {
            digits += text[i];
            found.end = i + 1;
        }
        ++i;
    }
    if (digits.empty() || digits.size() > MAX_DIGITS) {
        return false;
    }
    found.constant = "'" + digits + "'";
    return true;
}

// A PAUSE with an operand and nothing after it but blanks in text[at, limit).
bool match_pause(const std::string& text, std::size_t at, std::size_t limit, bool fixed,
                 PauseStatement& found) {
    found.start = skip_blanks(text, at, limit);
    std::size_t after = match_keyword(text, found.start, limit, fixed);
    if (after == std::string::npos || !match_operand(text, after, limit, fixed, found)) {
        return false;
    }
    return skip_blanks(text, found.end, limit) == limit;
}

std::string call_text(const PauseStatement& found, bool compact) {
    return std::string(compact ? "CALL" : "CALL ") + PAUSE_ROUTINE + "(" + found.constant + ")";
}

// ---- Fixed form ----

bool is_fixed_comment(const std::string& line) {
    if (line.empty() || line[0] == 'C' || line[0] == 'c' || line[0] == '*' || line[0] == 'D' ||
        line[0] == 'd' || line[0] == '#') {
        return true;
    }
    std::size_t first = skip_blanks(line, 0, line.size());
    return first == line.size() || line[first] == '!';
}

bool is_continuation(const std::string& line) {
    return line.size() > LABEL_FIELD && line[LABEL_FIELD] != ' ' && line[LABEL_FIELD] != '0';
}

// The line is the start of a statement with a plain label field (no tab form) that the next
// statement line does not continue.
bool stands_alone(const std::vector<std::string>& lines, std::size_t index) {
    const std::string& line = lines[index];
    if (line.size() <= STATEMENT_FIELD || is_continuation(line)) {
        return false;
    }
    for (std::size_t i = 0; i < LABEL_FIELD; ++i) {
        if (line[i] != ' ' && !is_digit(line[i])) {
            return false;
        }
    }
    for (std::size_t next = index + 1; next < lines.size(); ++next) {
        if (!is_fixed_comment(lines[next])) {
            return !is_continuation(lines[next]);
        }
    }
    return true;
}

// The end of the statement on a fixed-form line: the width, or a comment after the statement.
std::size_t fixed_statement_end(const std::string& line, std::size_t width) {
    std::size_t limit = width == 0 || line.size() < width ? line.size() : width;
    for (std::size_t i = STATEMENT_FIELD; i < limit; ++i) {
        if (is_quote(line[i])) {
            std::size_t end = constant_end(line, i, limit);
            if (end == std::string::npos) {
                return limit;
            }
            i = end - 1;
        } else if (line[i] == '!') {
            return i;
        }
    }
    return limit;
}

bool fits(const std::string& line, std::size_t width) {
    return width == 0 || line.size() <= width;
}

// The rewritten line: in place with the comment kept; else without the comment; else in the
// fewest columns (blanks do not count in fixed form). False when none fits.
bool rewrite_fixed_line(std::string& line, std::size_t width) {
    std::size_t end = fixed_statement_end(line, width);
    PauseStatement found;
    if (!match_pause(line, STATEMENT_FIELD, end, true, found)) {
        return false;
    }
    std::size_t kept_end = width == 0 || line.size() < width ? line.size() : width;
    std::string head = line.substr(0, found.start);
    std::string candidates[] = {
        head + call_text(found, false) + line.substr(found.end, kept_end - found.end),
        head + call_text(found, false),
        line.substr(0, STATEMENT_FIELD) + call_text(found, true),
    };
    for (const std::string& candidate : candidates) {
        if (fits(candidate, width)) {
            line = candidate;
            return true;
        }
    }
    return false;
}

int rewrite_fixed(std::vector<std::string>& lines, std::size_t width) {
    int count = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!is_fixed_comment(lines[i]) && stands_alone(lines, i) &&
            rewrite_fixed_line(lines[i], width)) {
            ++count;
        }
    }
    return count;
}

// ---- Free form ----

// What a scan of a free-form line found: the stretches between ';' before any comment, whether
// the line continues on the next one, and the character constant left open at its end.
struct FreeLine {
    std::vector<std::size_t> stops; // the end of each statement stretch
    bool continues;
    char open_quote;
};

FreeLine scan_free_line(const std::string& line, char open_quote) {
    FreeLine scan{{}, false, open_quote};
    char last = ' ';
    std::size_t i = 0;
    for (; i < line.size(); ++i) {
        char c = line[i];
        if (scan.open_quote != 0) {
            // A doubled quote stays inside the constant; the scan steps over its second half.
            if (c == scan.open_quote && i + 1 < line.size() && line[i + 1] == c) {
                ++i;
            } else if (c == scan.open_quote) {
                scan.open_quote = 0;
            }
        } else if (is_quote(c)) {
            scan.open_quote = c;
        } else if (c == '!') {
            break;
        } else if (c == ';') {
            scan.stops.push_back(i);
        }
        if (!is_blank(c)) {
            last = c;
        }
    }
    scan.stops.push_back(i);
    scan.continues = last == '&';
    return scan;
}

// The first stretch may start with a label of one to five digits.
std::size_t after_label(const std::string& line, std::size_t limit) {
    std::size_t at = skip_blanks(line, 0, limit);
    std::size_t digits = at;
    while (digits < limit && is_digit(line[digits])) {
        ++digits;
    }
    bool labelled =
        digits > at && digits - at <= MAX_DIGITS && digits < limit && is_blank(line[digits]);
    return labelled ? digits : 0;
}

int rewrite_free_line(std::string& line, const FreeLine& scan) {
    int count = 0;
    // From the last stretch back, so that earlier positions keep their meaning.
    for (std::size_t k = scan.stops.size(); k-- > 0;) {
        std::size_t start = k == 0 ? after_label(line, scan.stops[0]) : scan.stops[k - 1] + 1;
        PauseStatement found;
        if (match_pause(line, start, scan.stops[k], false, found)) {
            line.replace(found.start, found.end - found.start, call_text(found, false));
            ++count;
        }
    }
    return count;
}

int rewrite_free(std::vector<std::string>& lines) {
    int count = 0;
    bool continued = false;
    char open_quote = 0;
    for (std::string& line : lines) {
        std::size_t first = skip_blanks(line, 0, line.size());
        if (first == line.size() || line[first] == '!' || line[first] == '#') {
            continue; // comment lines and blank lines neither continue nor end a statement
        }
        FreeLine scan = scan_free_line(line, continued ? open_quote : 0);
        // A line that continues a statement, or is continued, is left as it stands.
        if (!continued && !scan.continues && scan.open_quote == 0) {
            count += rewrite_free_line(line, scan);
        }
        continued = scan.continues;
        open_quote = scan.open_quote;
    }
    return count;
}

} // namespace

int rewrite_pauses(std::vector<std::string>& lines, SourceForm form) {
    return form.fixed ? rewrite_fixed(lines, static_cast<std::size_t>(form.width))
                      : rewrite_free(lines);
}

} // namespace lnc::fortran_prepare
