// lncalc-fortran-prepare: writes the copy of a Fortran source that lncalc-flang compiles, with
// each PAUSE statement's operand handed to the front's pause routine.
//
//     lncalc-fortran-prepare --fixed|--free [--width N] SOURCE COPY
//
// Exit code 0: COPY was written with at least one statement rewritten; 1: nothing to rewrite, no
// copy written (compile SOURCE itself); 2: the source could not be read or the copy not written.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fortran/prepare/pause_rewrite.h"

namespace {

using lnc::fortran_prepare::SourceForm;

constexpr int WRITTEN = 0;
constexpr int UNCHANGED = 1;
constexpr int FAILED = 2;

// The lines without their line ends; ends records whether each ended in CR LF.
bool read_lines(const char* path, std::vector<std::string>& lines, std::vector<bool>& ends) {
    std::FILE* file = std::fopen(path, "rb");
    if (file == nullptr) {
        return false;
    }
    std::string line;
    for (int c; (c = std::fgetc(file)) != EOF;) {
        if (c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        bool crlf = !line.empty() && line.back() == '\r';
        if (crlf) {
            line.pop_back();
        }
        lines.push_back(line);
        ends.push_back(crlf);
        line.clear();
    }
    bool read_whole = std::ferror(file) == 0;
    std::fclose(file);
    if (!line.empty()) {
        lines.push_back(line); // the last line had no line end: it gets one in the copy
        ends.push_back(false);
    }
    return read_whole;
}

bool write_lines(const char* path, const std::vector<std::string>& lines,
                 const std::vector<bool>& ends) {
    std::FILE* file = std::fopen(path, "wb");
    if (file == nullptr) {
        return false;
    }
    for (std::size_t i = 0; i < lines.size(); ++i) {
        std::fputs(lines[i].c_str(), file);
        std::fputs(ends[i] ? "\r\n" : "\n", file);
    }
    bool written = std::ferror(file) == 0;
    return std::fclose(file) == 0 && written;
}

int usage() {
    std::fputs("usage: lncalc-fortran-prepare --fixed|--free [--width N] SOURCE COPY\n", stderr);
    return FAILED;
}

} // namespace

int main(int argc, char** argv) {
    SourceForm form{false, lnc::fortran_prepare::FIXED_FORM_WIDTH};
    int next = 1;
    if (next < argc &&
        (std::strcmp(argv[next], "--fixed") == 0 || std::strcmp(argv[next], "--free") == 0)) {
        form.fixed = std::strcmp(argv[next++], "--fixed") == 0;
    } else {
        return usage();
    }
    if (next + 1 < argc && std::strcmp(argv[next], "--width") == 0) {
        form.width = std::atoi(argv[next + 1]); // "none" and 0 mean no limit
        next += 2;
    }
    if (argc - next != 2 || form.width < 0) {
        return usage();
    }
    std::vector<std::string> lines;
    std::vector<bool> ends;
    if (!read_lines(argv[next], lines, ends)) {
        std::fprintf(stderr, "lncalc-fortran-prepare: cannot read %s\n", argv[next]);
        return FAILED;
    }
    if (lnc::fortran_prepare::rewrite_pauses(lines, form) == 0) {
        return UNCHANGED;
    }
    if (!write_lines(argv[next + 1], lines, ends)) {
        std::fprintf(stderr, "lncalc-fortran-prepare: cannot write %s\n", argv[next + 1]);
        return FAILED;
    }
    return WRITTEN;
}
