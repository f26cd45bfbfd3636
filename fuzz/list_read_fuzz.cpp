// List-directed READ of arbitrary bytes from standard input into items of every type.
//
// Input layout: byte 0 chooses the statement (bits 0-1: items - 1; bit 2: standard input is a
// disk file rather than a pipe; bit 3: the statement runs twice; bits 4-7: the length of
// character items, 1 to 16), the next one to four bytes the type of each item (their value
// modulo 11), and the rest is standard input.
//
// Every statement must either complete or end the process with exit code 1 and a run-time
// error report on standard error that begins and ends with CR LF and names the READ; values
// read must keep to their item's range (a logical holds 0 or 1 after a value was read).
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "io/statement/statement.h"

namespace {

struct Items {
    std::int8_t integer1[4];
    std::int16_t integer2[4];
    std::int32_t integer4[4];
    std::int8_t logical1[4];
    std::int16_t logical2[4];
    std::int32_t logical4[4];
    char character[4][16];
    float real4[4];
    double real8[4];
    float complex8[4][2];
    double complex16[4][2];
};

constexpr int TYPE_KINDS = 11;

void read_item(int kind, int index, int character_length, Items& items) {
    switch (kind) {
    case 0:
        lnc::read_item_integer1(&items.integer1[index]);
        break;
    case 1:
        lnc::read_item_integer2(&items.integer2[index]);
        break;
    case 2:
        lnc::read_item_integer4(&items.integer4[index]);
        break;
    case 3:
        lnc::read_item_logical1(&items.logical1[index]);
        break;
    case 4:
        lnc::read_item_logical2(&items.logical2[index]);
        break;
    case 5:
        lnc::read_item_logical4(&items.logical4[index]);
        break;
    case 6:
        lnc::read_item_character(items.character[index], character_length);
        break;
    case 7:
        lnc::read_item_real4(&items.real4[index]);
        break;
    case 8:
        lnc::read_item_real8(&items.real8[index]);
        break;
    case 9:
        lnc::read_item_complex8(items.complex8[index]);
        break;
    default:
        lnc::read_item_complex16(items.complex16[index]);
        break;
    }
}

// A 4-byte logical that received a value holds exactly 0 or 1 (the item call clears it, the
// value sets the first byte).
void check_logicals(const int* kinds, int count, const Items& items) {
    for (int i = 0; i < count; ++i) {
        if (kinds[i] == 5 && items.logical4[i] != 0 && items.logical4[i] != 1) {
            lnc::fuzz::fail("a 4-byte logical holds " + std::to_string(items.logical4[i]));
        }
    }
}

void check_report(int code) {
    std::string error = lnc::fuzz::standard_error();
    if (code == lnc::fuzz::NOT_EXITED) {
        if (!error.empty()) {
            lnc::fuzz::fail("a completed READ wrote to standard error: " + error);
        }
        return;
    }
    if (code != 1) {
        lnc::fuzz::fail("a READ ended the process with exit code " + std::to_string(code));
    }
    bool framed = error.size() >= 4 && error.compare(0, 2, "\r\n") == 0 &&
                  error.compare(error.size() - 2, 2, "\r\n") == 0;
    if (!framed || error.find("READ") == std::string::npos) {
        lnc::fuzz::fail("a READ failed without its report: \"" + error + "\"");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    int count = (data[0] & 0x03) + 1;
    bool file = (data[0] & 0x04) != 0;
    bool twice = (data[0] & 0x08) != 0;
    int character_length = (data[0] >> 4) + 1;
    if (size < static_cast<std::size_t>(1 + count)) {
        return 0;
    }
    int kinds[4];
    for (int i = 0; i < count; ++i) {
        kinds[i] = data[1 + i] % TYPE_KINDS;
    }
    Items items{};
    const std::uint8_t* input = data + 1 + count;
    std::size_t input_size = size - 1 - count;
    int code = lnc::fuzz::run_engine(
        input, input_size, file ? lnc::fuzz::Input::File : lnc::fuzz::Input::Pipe, [&] {
            for (int round = 0; round < (twice ? 2 : 1); ++round) {
                lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
                for (int i = 0; i < count; ++i) {
                    read_item(kinds[i], i, character_length, items);
                }
                lnc::end_read();
                check_logicals(kinds, count, items);
            }
        });
    lnc::fuzz::note_result(&items, sizeof items);
    check_report(code);
    return 0;
}
