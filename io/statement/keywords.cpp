// Keyword values of the begin calls' control list (the advance specifier).
#include <cstring>

#include "io/statement/statement_internal.h"
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

// The text matches when it starts with the keyword (lower-case letters count as their upper-case
// forms) and continues with blanks only; a shorter text never matches.
bool matches_keyword(const char* text, int length, const char* keyword) {
    int keyword_length = static_cast<int>(std::strlen(keyword));
    if (length < keyword_length)
        return false;
    for (int i = 0; i < keyword_length; ++i) {
        if (to_upper(static_cast<unsigned char>(text[i])) != keyword[i])
            return false;
    }
    for (int i = keyword_length; i < length; ++i) {
        if (text[i] != ' ')
            return false;
    }
    return true;
}

} // namespace

// A negative length means that the text ends with a NUL.
int advance_keyword(const char* text, int length) {
    if (length < 0)
        length = static_cast<int>(std::strlen(text));
    if (matches_keyword(text, length, "YES"))
        return 1;
    if (matches_keyword(text, length, "NO"))
        return 0;
    return -1;
}

} // namespace lnc
