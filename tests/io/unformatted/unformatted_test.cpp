// Unformatted and direct-access READ and WRITE through the public calls: every type as its
// bytes, records, files gfortran wrote, refusals, and output kept at every end of the program.
#include <bit>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "io/files/file_fixture.h"
#include "lncalc/reports.h"
#include "os/fpu.h"
#include "runtime/startup/startup.h"

namespace lnc::test {
namespace {

using namespace std::string_literals;
using UnformattedTest = FileTest;
constexpr int NONE = INT32_MIN; // no REC=

template <class T> std::string bytes_of(const T& value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}
std::string record(const std::string& data) { // a 4-byte length before and after
    return bytes_of(static_cast<std::int32_t>(data.size())) + data +
           bytes_of(static_cast<std::int32_t>(data.size()));
}
Specifiers file(const char* name, const char* form = "UNFORMATTED", int recl = 0) {
    Specifiers s = {{"FILE", name}, {"FORM", form}};
    if (recl > 0)
        s.insert(s.end(), {{"ACCESS", "DIRECT"}, {"RECL", std::to_string(recl)}});
    return s;
}
int position(int unit, int (*begin)(int, int), int (*end)()) {
    begin(unit, 0);
    return end();
}
std::int32_t next_record_of(int unit) {
    std::int32_t next = 0;
    begin_inquire_unit(unit, 0);
    inquire_nextrec(&next);
    end_inquire();
    return next;
}
void write_integers(int unit, std::initializer_list<std::int32_t> values, int rec = NONE) {
    begin_write_unformatted(unit, 0);
    if (rec != NONE)
        set_record_number(rec);
    for (std::int32_t value : values)
        write_item_integer4(value);
    end_write();
}
// An unformatted READ of count integers that takes its end and errors back: the status.
int read_integers(int unit, std::int32_t* values, int count, int rec = NONE) {
    begin_read_unformatted(unit, 5);
    if (rec != NONE)
        set_record_number(rec);
    for (int i = 0; i < count; ++i)
        read_item_integer4(values + i);
    return end_read();
}

// Each type as an array of one element (distinct bytes), then scalars whose size the
// unformatted record keeps.
TEST_F(UnformattedTest, EveryTypeGoesOutAsItsBytesAndComesBack) {
    const int types[] = {TYPE_INTEGER1, TYPE_INTEGER2, TYPE_INTEGER4,  TYPE_LOGICAL1,
                         TYPE_LOGICAL2, TYPE_LOGICAL4, TYPE_CHARACTER, TYPE_REAL4,
                         TYPE_REAL8,    TYPE_COMPLEX8, TYPE_COMPLEX16};
    const int sizes[] = {1, 2, 4, 1, 2, 4, 3, 4, 8, 8, 16};
    std::string all(53, '\0'), back(53, '?');
    for (int i = 0; i < 53; ++i)
        all[i] = static_cast<char>(i + 1);
    start_engine();
    ASSERT_EQ(open_unit(10, file("all.bin")), 0);
    begin_write_unformatted(10, 0);
    for (int i = 0, at = 0; i < 11; at += sizes[i++])
        write_item_array(types[i], all.data() + at, 3, 1);
    write_item_logical1(1);
    write_item_logical2(1);
    EXPECT_EQ(end_write(), 0);
    write_integers(10, {});
    EXPECT_EQ(file_text("all.bin"), record(all + "\x01\x01\0"s) + record(""));
    ASSERT_EQ(position(10, begin_rewind, end_rewind), 0);
    begin_read_unformatted(10, 0);
    for (int i = 0, at = 0; i < 11; at += sizes[i++])
        read_item_array(types[i], back.data() + at, 3, 1);
    EXPECT_EQ(end_read(), 0); // the scalars are passed over
    EXPECT_EQ(back, all);
    std::int32_t none[1] = {};
    EXPECT_EQ(read_integers(10, none, 0), 0);                  // the empty record
    EXPECT_EQ(read_integers(10, none, 1), STATUS_END_OF_FILE); // END=
}

// A READ takes one record: the rest is passed over, an item past its end takes nothing and the
// next READ has the next record. BACKSPACE goes back over whole records, a long one too.
TEST_F(UnformattedTest, RecordsAreReadWholeAndBackspacedOver) {
    start_engine();
    ASSERT_EQ(open_unit(10, file("r.bin")), 0);
    write_integers(10, {1, 2});
    write_integers(10, {3});
    write_integers(10, {4, 5});
    std::vector<std::int32_t> long_record(2000, 7), back(2000);
    long_record[1999] = 9;
    begin_write_unformatted(10, 0);
    write_item_array(TYPE_INTEGER4, long_record.data(), 0, 2000);
    end_write();
    ASSERT_EQ(position(10, begin_backspace, end_backspace), 0);
    begin_read_unformatted(10, 0);
    read_item_array(TYPE_INTEGER4, back.data(), 0, 1000);
    read_item_array(TYPE_INTEGER4, back.data() + 1000, 0, 1000);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(back, long_record);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(position(10, begin_backspace, end_backspace), 0);
    std::int32_t v[3] = {0, 0, -1};
    EXPECT_EQ(read_integers(10, v, 1) + read_integers(10, v + 1, 1), 0);
    EXPECT_EQ(v[0] * 10 + v[1], 34); // 4, not the 5 left in 3's record
    ASSERT_EQ(position(10, begin_rewind, end_rewind), 0);
    EXPECT_EQ(read_integers(10, v, 3), error_number(MSG_ITEM_LONGER_THAN_RECORD));
    EXPECT_EQ(v[2], -1);
    EXPECT_EQ(read_integers(10, v, 1), 0);
    EXPECT_EQ(v[0], 3);
}

TEST_F(UnformattedTest, DamagedOrMissingLengthsAndTheEndOfTheFile) {
    const int damaged = error_number(MSG_RECORD_MARKER_DAMAGED);
    const std::pair<std::string, int> cases[] = {
        {"\x04\0\0\0abcd\x05\0\0\0"s, damaged},     // the lengths differ
        {"\x08\0\0\0abcd\x08\0\0\0"s, damaged},     // past the end of the file
        {"\x88\x13\0\0abcd\x88\x13\0\0"s, damaged}, // the same, longer than the buffer
        {"\x04\0"s, damaged},                       // part of a length
        {"\xff\xff\xff\xff"s, damaged},             // a negative length
        {"", STATUS_END_OF_FILE}};
    start_engine();
    for (const auto& [bytes, status] : cases) {
        make_file("d.bin", bytes);
        ASSERT_EQ(open_unit(10, file("d.bin")), 0);
        std::int32_t v = 0;
        EXPECT_EQ(read_integers(10, &v, 1), status) << bytes.size();
        EXPECT_EQ(close_unit_with(10), 0);
    }
}

// data/gfortran_*.bin were written by gfortran 12: the sequential file by the statements below,
// which this run-time writes byte for byte; the direct one (RECL=8) by WRITE(11, REC=2) -0.1D0
// and then WRITE(11, REC=1) -70000, 'xy'. This run-time reads both.
TEST_F(UnformattedTest, FilesOfGfortranByteForByte) {
    start_engine();
    ASSERT_EQ(open_unit(10, file("seq.bin")), 0);
    const std::int16_t a[3] = {7, 8, 9};
    begin_write_unformatted(10, 0); // WRITE(10) -5_1, 300_2, -70000, .TRUE._1, .FALSE.
    write_item_integer1(-5);
    write_item_integer2(300);
    write_item_integer4(-70000);
    write_item_logical1(1);
    write_item_logical4(0);
    end_write();
    begin_write_unformatted(10, 0); // WRITE(10) 2.5, -0.1D0, 'abc'
    write_item_real4(std::bit_cast<std::uint32_t>(2.5f));
    write_item_real8(std::bit_cast<std::uint64_t>(-0.1));
    write_item_character("abc", 3);
    end_write();
    begin_write_unformatted(10, 0); // WRITE(10) (1.5,-2.0), A where INTEGER*2 A(3) is 7, 8, 9
    write_item_complex8(std::bit_cast<std::uint32_t>(1.5f), std::bit_cast<std::uint32_t>(-2.0f));
    write_item_array(TYPE_INTEGER2, a, 0, 3);
    end_write();
    std::string data = std::string(LNCALC_SOURCE_DIR) + "/tests/io/unformatted/data/";
    std::string seq = file_text(data + "gfortran_seq.bin");
    EXPECT_EQ(file_text("seq.bin"), seq);
    make_file("g.bin", seq);
    make_file("gd.bin", file_text(data + "gfortran_direct.bin"));
    ASSERT_EQ(open_unit(16, file("g.bin")), 0);
    ASSERT_EQ(open_unit(17, file("gd.bin", "UNFORMATTED", 8)), 0);
    std::int32_t v[3] = {};
    EXPECT_EQ(read_integers(16, v, 3), 0); // the first record's 12 bytes
    EXPECT_EQ(bytes_of(v), seq.substr(4, 12));
    double r8 = 0;
    begin_read_unformatted(17, 0);
    set_record_number(2);
    read_item_real8(&r8);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(r8, -0.1);
    EXPECT_EQ(next_record_of(17), 3);
}

// Formatted records are RECL characters and CR LF; "/" goes on to the next record. A record
// never written is refused, in a gap before the last record and past the end.
TEST_F(UnformattedTest, DirectRecordsInAnyOrder) {
    start_engine();
    ASSERT_EQ(open_unit(12, file("f.txt", "FORMATTED", 4)), 0);
    ASSERT_EQ(open_unit(13, file("u.bin", "UNFORMATTED", 4)), 0);
    for (auto [rec, format] : {std::pair{5, "(I4/I2)"}, {1, "(2I2)"}}) {
        begin_write(12, format, -1, nullptr, 0, 0);
        set_record_number(rec);
        write_item_integer4(rec);
        write_item_integer4(11);
        EXPECT_EQ(end_write(), 0);
    }
    EXPECT_EQ(next_record_of(12), 2);
    write_integers(13, {30}, 3);
    write_integers(13, {10}, 1);
    EXPECT_EQ(file_text("f.txt"), " 111\r\n"s + std::string(18, '\0') + "   5\r\n11  \r\n");
    EXPECT_EQ(file_text("u.bin"), bytes_of(10) + std::string(4, '\0') + bytes_of(30));
    const int unwritten = error_number(MSG_RECORD_NOT_WRITTEN);
    const std::int32_t reads[][4] = {{12, 6, 0, 11},         {12, 1, 0, 111},
                                     {12, 3, unwritten, -1}, {12, 7, unwritten, -1},
                                     {13, 3, 0, 30},         {13, 2, 0, 0},
                                     {13, 4, unwritten, -1}, {13, 1, 0, 10}}; // unit, REC, status
    for (const auto& r : reads) {
        std::int32_t value = -1;
        if (r[0] == 12)
            begin_read(12, "(I4)", -1, nullptr, 0, nullptr, 4);
        else
            begin_read_unformatted(13, 4);
        set_record_number(r[1]);
        read_item_integer4(&value);
        EXPECT_EQ(end_read(), r[2]) << r[0] << " " << r[1];
        EXPECT_EQ(value, r[3]) << r[0] << " " << r[1];
    }
    EXPECT_EQ(next_record_of(13), 2);
}

TEST_F(UnformattedTest, TransfersThatDoNotFitTheirUnit) {
    make_file("f.txt", "abcdef\r\n");
    make_file("r.bin", record("1234"));
    start_engine();
    const std::pair<int, Specifiers> units[] = {
        {10, file("s.bin")},
        {11, file("t.txt", "FORMATTED")},
        {12, file("f.txt", "FORMATTED", 6)},
        {13, file("u.bin", "UNFORMATTED", 4)},
        {14, {{"FILE", "w.bin"}, {"FORM", "UNFORMATTED"}, {"ACTION", "WRITE"}}},
        {15, {{"FILE", "r.bin"}, {"FORM", "UNFORMATTED"}, {"ACTION", "READ"}}}};
    for (const auto& [unit, specifiers] : units)
        ASSERT_EQ(open_unit(unit, specifiers), 0);
    // unit, statement ('u' unformatted, 'l' list-directed, or a format), REC=, items, message.
    struct Case {
        int unit;
        const char* format;
        int rec;
        int items;
        int index;
    };
    const Case cases[] = {
        {10, "l", NONE, 1, 11},       {13, "(I4)", 1, 1, 11},    {11, "u", NONE, 1, 12},
        {12, "l", 1, 1, 13},          {12, "(I4)", NONE, 1, 13}, {13, "u", NONE, 1, 13},
        {10, "u", 2, 1, 14},          {13, "u", 0, 0, 37},       {13, "u", -3, 0, 37},
        {15, "u", NONE, 1, 70},       {13, "u", 1, 2, 146},      {12, "(2I4)", 1, 2, 146},
        {13, "u", 1, -1, MSG_BAD_REC}};
    for (const Case& c : cases) {
        if (c.format[0] == 'u')
            begin_write_unformatted(c.unit, 1);
        else
            begin_write(c.unit, c.format[0] == 'l' ? nullptr : c.format, -1, nullptr, 0, 1);
        if (c.rec != NONE && c.items >= 0)
            set_record_number(c.rec);
        for (int i = 0; i < std::abs(c.items); ++i)
            write_item_integer4(i);
        if (c.items < 0) // a record number after an item
            set_record_number(c.rec);
        EXPECT_EQ(end_write(), error_number(c.index)) << c.unit << " " << c.format;
    }
    std::int32_t v;
    EXPECT_EQ(read_integers(14, &v, 1), error_number(MSG_READ_WRITE_ONLY));
    // A formatted READ refused before it has a record end of its own passes no record.
    ASSERT_EQ(open_unit(16, {{"FILE", "v.txt"}, {"ACTION", "WRITE"}}), 0);
    for (const char* format : {"(I4)", static_cast<const char*>(nullptr)}) {
        begin_read(16, format, -1, nullptr, 0, nullptr, 5);
        read_item_integer4(&v);
        EXPECT_EQ(end_read(), error_number(MSG_READ_WRITE_ONLY));
    }
    EXPECT_EQ(close_unit_with(12), 0); // what a failed statement began of a record is dropped
    EXPECT_EQ(file_text("f.txt") + file_text("u.bin"), "abcdef\r\n");
    EXPECT_EQ(file_text("r.bin"), record("1234"));
}

// Buffered formatted records and unformatted records reach their files however the program ends.
TEST_F(UnformattedTest, OutputReachesItsFileAtEveryEnd) {
    const std::pair<std::function<void()>, int> ends[] = {
        {[] {
             close_unit_with(10);
             close_unit_with(11);
         },
         NO_EXIT},
        {[] { exit_process(0); }, 0}, // end of main
        {[] {                         // an error report: unformatted READ on a formatted unit
             std::int32_t v;
             begin_read_unformatted(10, 0);
             read_item_integer4(&v);
         },
         1},
        {[] { fp_signal_handler(SIGNAL_FPE, FPE_ZERODIVIDE); }, 1}, // trap report
        {[] { end_program(0); }, 0}};                               // STOP
    for (const auto& [end, code] : ends) {
        session_.reset();
        start_engine();
        ASSERT_EQ(open_unit(10, {{"FILE", "f.txt"}, {"STATUS", "REPLACE"}}), 0);
        ASSERT_EQ(open_unit(11, {{"FILE", "u.bin"}, {"FORM", "UNFORMATTED"}}), 0);
        write_line(10, "kept");
        write_integers(11, {7});
        EXPECT_EQ(exit_code_of(end), code);
        EXPECT_EQ(file_text("f.txt") + file_text("u.bin"), " kept\r\n" + record(bytes_of(7)));
        std::filesystem::remove("u.bin");
    }
}

} // namespace
} // namespace lnc::test
