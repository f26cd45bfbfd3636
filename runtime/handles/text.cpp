// Case folding of the letters A to Z for name comparisons and keyword checks.
#include "runtime/handles/handles.h"

namespace lnc {

namespace {

int fold_to_lower(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? c + ('a' - 'A') : c;
}

} // namespace

int compare_ignoring_case(const char* a, const char* b) {
    const auto* left = reinterpret_cast<const unsigned char*>(a);
    const auto* right = reinterpret_cast<const unsigned char*>(b);
    int l;
    int r;
    do {
        l = fold_to_lower(*left++);
        r = fold_to_lower(*right++);
    } while (l != 0 && l == r);
    return l - r;
}

int to_upper(int character) {
    return (character >= 'a' && character <= 'z') ? character - ('a' - 'A') : character;
}

} // namespace lnc
