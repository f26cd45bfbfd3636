// Each case writes into a character variable of RECORD_COUNT records. The records the WRITE
// does not reach keep a filler byte that no format writes, so the records written stand out;
// each is printed in hexadecimal, blanks and all.
#include <cstdio>
#include <cstring>

#include "format_compare.h"
#include "lncalc/runtime.h"

namespace format_compare {

namespace {

constexpr char FILLER = '\x01';

char records[RECORD_COUNT][RECORD_LENGTH];

bool untouched(const char* record) {
    for (int i = 0; i < RECORD_LENGTH; ++i) {
        if (record[i] != FILLER) {
            return false;
        }
    }
    return true;
}

} // namespace

void announce_route() {
    std::printf("route internal\n");
}

void run_case(const Case& c) {
    std::memset(records, FILLER, sizeof records);
    int status = lnc::begin_write_internal(&records[0][0], RECORD_LENGTH, RECORD_COUNT,
                                           c.format.data(), static_cast<int>(c.format.size()), 1);
    int items = write_items(c);
    int end = lnc::end_write();
    status = status != 0 ? status : (items != 0 ? items : end);
    std::printf("case %s %d\n", c.id.c_str(), status);
    for (const char* record : records) {
        if (untouched(record)) {
            continue;
        }
        std::printf("rec ");
        for (int i = 0; i < RECORD_LENGTH; ++i) {
            std::printf("%02x", static_cast<unsigned char>(record[i]));
        }
        std::printf("\n");
    }
    // A case that ends the process must not take the results before it along.
    std::fflush(stdout);
}

} // namespace format_compare
