// The rewrite that keeps the text of a PAUSE statement: flang 19 drops the operand of PAUSE, so
// lncalc-flang compiles a copy of each source in which every PAUSE with an operand is a CALL of
// the front's routine lncpause with that operand as a character constant. Each rewrite stays on
// its own line, so that the copy's line numbers are the source's.
#pragma once
#include <string>
#include <vector>

namespace lnc::fortran_prepare {

// The front's routine (flang's external name lncpause_, the text and its hidden length).
inline constexpr char PAUSE_ROUTINE[] = "lncpause";
// Column width of fixed-form lines when the command does not name another.
inline constexpr int FIXED_FORM_WIDTH = 72;

struct SourceForm {
    bool fixed;
    int width; // fixed form: the last column read; 0 for no limit
};

// Rewrites the PAUSE statements with an operand that stand alone on one line (a label, a
// trailing comment and, in free form, other statements after ';' allowed); a statement that
// continues over lines, or one whose rewrite would not fit the fixed-form width, is left as it
// is. Returns how many statements were rewritten.
int rewrite_pauses(std::vector<std::string>& lines, SourceForm form);

} // namespace lnc::fortran_prepare
