// Pseudo-random input into READs of every item type: each statement either stores values or
// ends with a numbered condition; nothing is written outside the items.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>

#include "io/listin/listin.h"
#include "support/exit_capture.h"
#include "support/list_console.h"

namespace lnc {
namespace {

using test::ListConsole;
using test::READ_BRANCHES;

// Bytes with a meaning to the scanner come often; any other byte now and then.
std::string random_input(std::mt19937& random) {
    static const char interesting[] = "0123456789+-.eEdD#*,/ \t()'\"\r\nTFtfxZ\x1A";
    std::uniform_int_distribution<int> length_of(0, 300);
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> from(0, sizeof interesting - 2);
    int length = length_of(random);
    std::string input;
    for (int i = 0; i < length; ++i) {
        int p = pick(random);
        if (p < 3) {
            input += std::string(static_cast<std::size_t>(byte(random) + 100), '7'); // long runs
        } else if (p < 10) {
            input += static_cast<char>(byte(random));
        } else if (p < 12) {
            input += '\0';
        } else {
            input += interesting[from(random)];
        }
    }
    return input;
}

// Every status a list-directed READ from a pipe can end with.
const std::set<int> KNOWN_STATUSES = {0,    -1,   6100, 6101, 6102, 6103, 6104,
                                      6302, 6303, 6502, 6503, 6504, 6506, 6507};

constexpr int ITEM_TYPES[] = {TYPE_INTEGER1, TYPE_INTEGER2, TYPE_INTEGER4,  TYPE_LOGICAL1,
                              TYPE_LOGICAL2, TYPE_LOGICAL4, TYPE_CHARACTER, TYPE_REAL4,
                              TYPE_REAL8,    TYPE_COMPLEX8, TYPE_COMPLEX16};

// Item storage with guard bytes on both sides.
struct GuardedItem {
    static constexpr int GUARD = 16;
    static constexpr int SIZE = 16;
    std::uint8_t bytes[GUARD + SIZE + GUARD];
    GuardedItem() { std::memset(bytes, 0xC5, sizeof bytes); }
    std::uint8_t* item() { return bytes + GUARD; }
    bool guards_intact() const {
        for (int i = 0; i < GUARD; ++i) {
            if (bytes[i] != 0xC5 || bytes[GUARD + SIZE + i] != 0xC5) {
                return false;
            }
        }
        return true;
    }
};

void read_item(int type, std::uint8_t* p) {
    switch (type) {
    case TYPE_INTEGER1:
        read_item_integer1(reinterpret_cast<std::int8_t*>(p));
        break;
    case TYPE_INTEGER2:
        read_item_integer2(reinterpret_cast<std::int16_t*>(p));
        break;
    case TYPE_INTEGER4:
        read_item_integer4(reinterpret_cast<std::int32_t*>(p));
        break;
    case TYPE_LOGICAL1:
        read_item_logical1(reinterpret_cast<std::int8_t*>(p));
        break;
    case TYPE_LOGICAL2:
        read_item_logical2(reinterpret_cast<std::int16_t*>(p));
        break;
    case TYPE_LOGICAL4:
        read_item_logical4(reinterpret_cast<std::int32_t*>(p));
        break;
    case TYPE_CHARACTER:
        read_item_character(reinterpret_cast<char*>(p), 7);
        break;
    case TYPE_REAL4:
        read_item_real4(reinterpret_cast<float*>(p));
        break;
    case TYPE_REAL8:
        read_item_real8(reinterpret_cast<double*>(p));
        break;
    case TYPE_COMPLEX8:
        read_item_complex8(reinterpret_cast<float*>(p));
        break;
    default:
        read_item_complex16(reinterpret_cast<double*>(p));
        break;
    }
}

TEST(ListInputFuzz, EveryStatementStoresOrEndsWithANumberedCondition) {
    std::mt19937 random(20240611u);
    for (int round = 0; round < 60; ++round) {
        for (int type : ITEM_TYPES) {
            std::string input = random_input(random);
            ListConsole console(input);
            for (int statement = 0; statement < 2; ++statement) {
                GuardedItem a, b;
                ASSERT_EQ(
                    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, READ_BRANCHES),
                    0);
                read_item(type, a.item());
                read_item(type, b.item());
                int status = end_read();
                EXPECT_TRUE(KNOWN_STATUSES.count(status) == 1)
                    << "status " << status << " type " << type << " round " << round;
                EXPECT_TRUE(a.guards_intact() && b.guards_intact()) << "type " << type;
                if (status == -1) {
                    break; // the unit is at its end
                }
            }
        }
    }
}

TEST(ListInputFuzz, WithoutABranchEveryFailureIsReported) {
    std::mt19937 random(7u);
    for (int round = 0; round < 40; ++round) {
        int type = ITEM_TYPES[round % (sizeof ITEM_TYPES / sizeof ITEM_TYPES[0])];
        ListConsole console(random_input(random));
        GuardedItem a;
        int code = test::exit_code_of([&] {
            begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
            read_item(type, a.item());
            end_read();
        });
        EXPECT_TRUE(a.guards_intact());
        if (code == test::NO_EXIT) {
            EXPECT_EQ(console.error(), "");
        } else {
            EXPECT_EQ(code, 1);
            EXPECT_EQ(console.error().rfind("\r\nrun-time error F6", 0), 0u) << console.error();
        }
    }
}

} // namespace
} // namespace lnc
