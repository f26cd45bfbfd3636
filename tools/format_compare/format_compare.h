// The run-time's side of the comparison of formatted output with other Fortran run-times: one
// WRITE per case, with the case's format and items, whose records and status are printed for
// tools/format_compare.py to hold against the same WRITE in the peers.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace format_compare {

enum class ItemKind { INTEGER4, REAL4, REAL8, LOGICAL4, CHARACTER };

struct Item {
    ItemKind kind;
    std::int64_t integer; // the value of an integer or logical, the bits of a real
    std::string text;     // the characters of a character item
};

struct Case {
    std::string id;
    std::string format;
    std::vector<Item> items;
};

// Records are at most this long, and a case writes at most this many of them.
inline constexpr int RECORD_LENGTH = 200;
inline constexpr int RECORD_COUNT = 8;

// Writes the case's items into the statement under way; returns the first non-zero status an
// item call gives back.
int write_items(const Case& c);

// Performs the WRITE of one case and prints its status and records; the route decides where the
// records go (a character variable, or the console).
void run_case(const Case& c);
// Says which route the program takes, before the first case.
void announce_route();

} // namespace format_compare
