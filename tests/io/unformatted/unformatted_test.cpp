// Unformatted READ and WRITE on sequential and direct-access files, formatted direct access, the
// transfers a unit refuses, files gfortran wrote, and output that reaches its file at every end.
#include <bit>
#include <cstring>
#include <functional>

#include "errors/errors.h"
#include "io/files/file_fixture.h"
#include "lncalc/reports.h"
#include "os/fpu.h"
#include "runtime/startup/startup.h"

namespace lnc::test {
namespace {

using namespace std::string_literals;

class UnformattedTest : public FileTest {};

template <class T> std::string bytes_of(const T& value) {
    std::string bytes(sizeof value, '\0');
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

// A sequential record: a 4-byte little-endian length before and after.
std::string record(const std::string& data) {
    return bytes_of(static_cast<std::int32_t>(data.size())) + data +
           bytes_of(static_cast<std::int32_t>(data.size()));
}

Specifiers sequential(const char* name) {
    return {{"FILE", name}, {"FORM", "UNFORMATTED"}};
}
Specifiers direct(const char* name, const char* form, int recl) {
    return {{"FILE", name}, {"ACCESS", "DIRECT"}, {"FORM", form}, {"RECL", std::to_string(recl)}};
}

int rewind_unit(int unit) {
    begin_rewind(unit, 0);
    return end_rewind();
}
int backspace_unit(int unit) {
    begin_backspace(unit, 0);
    return end_backspace();
}
std::int32_t next_record_of(int unit) {
    std::int32_t next = 0;
    begin_inquire_unit(unit, 0);
    inquire_nextrec(&next);
    end_inquire();
    return next;
}

constexpr int NONE = INT32_MIN; // no REC=

void write_integers(int unit, std::initializer_list<std::int32_t> values, int record = NONE) {
    begin_write_unformatted(unit, 0);
    if (record != NONE)
        set_record_number(record);
    for (std::int32_t value : values)
        write_item_integer4(value);
    end_write();
}

// The status of an unformatted READ of count integers that takes its end and its errors back.
int read_integers(int unit, std::int32_t* values, int count, int record = NONE) {
    begin_read_unformatted(unit, 5);
    if (record != NONE)
        set_record_number(record);
    for (int i = 0; i < count; ++i)
        read_item_integer4(values + i);
    return end_read();
}

TEST_F(UnformattedTest, EveryTypeAndAnArrayGoOutAsTheirBytesAndComeBack) {
    start_engine();
    ASSERT_EQ(open_unit(10, sequential("all.bin")), 0);
    const std::int32_t n[3] = {1, -2, 70000};
    begin_write_unformatted(10, 0);
    write_item_integer1(-5);
    write_item_integer2(300);
    write_item_integer4(-70000);
    write_item_logical1(1);
    write_item_logical2(1);
    write_item_logical4(0);
    write_item_real4(std::bit_cast<std::uint32_t>(2.5f));
    write_item_real8(std::bit_cast<std::uint64_t>(-0.1));
    write_item_complex8(std::bit_cast<std::uint32_t>(1.5f), std::bit_cast<std::uint32_t>(-2.0f));
    write_item_complex16(std::bit_cast<std::uint64_t>(3.0), std::bit_cast<std::uint64_t>(4.0));
    write_item_character("abc", 3);
    write_item_array(TYPE_INTEGER4, n, 0, 3);
    EXPECT_EQ(end_write(), 0);
    begin_write_unformatted(10, 0);
    EXPECT_EQ(end_write(), 0);
    std::string data = bytes_of(std::int8_t{-5}) + bytes_of(std::int16_t{300}) +
                       bytes_of(std::int32_t{-70000}) + "\x01\x01\0"s + bytes_of(0) +
                       bytes_of(2.5f) + bytes_of(-0.1) + bytes_of(1.5f) + bytes_of(-2.0f) +
                       bytes_of(3.0) + bytes_of(4.0) + "abc" + bytes_of(n);
    EXPECT_EQ(file_text("all.bin"), record(data) + record(""));

    ASSERT_EQ(rewind_unit(10), 0);
    std::int8_t i1 = 0, l1 = 0;
    std::int16_t i2 = 0, l2 = 0;
    std::int32_t i4 = 0, l4 = 1, back[3] = {};
    float r4 = 0, c8[2] = {};
    double r8 = 0, c16[2] = {};
    char text[4] = "???";
    begin_read_unformatted(10, 0);
    read_item_integer1(&i1);
    read_item_integer2(&i2);
    read_item_integer4(&i4);
    read_item_logical1(&l1);
    read_item_logical2(&l2);
    read_item_logical4(&l4);
    read_item_real4(&r4);
    read_item_real8(&r8);
    read_item_complex8(c8);
    read_item_complex16(c16);
    read_item_character(text, 3);
    read_item_array(TYPE_INTEGER4, back, 0, 3);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(std::make_tuple(i1, i2, i4, l1, l2, l4), std::make_tuple(-5, 300, -70000, 1, 1, 0));
    EXPECT_EQ(std::make_tuple(r4, r8, c8[0], c8[1], c16[0], c16[1]),
              std::make_tuple(2.5f, -0.1, 1.5f, -2.0f, 3.0, 4.0));
    EXPECT_EQ(std::string(text) + bytes_of(back), "abc" + bytes_of(n));
    std::int32_t none[1] = {};
    EXPECT_EQ(read_integers(10, none, 0), 0);                  // the empty record
    EXPECT_EQ(read_integers(10, none, 1), STATUS_END_OF_FILE); // END=
}

// A READ takes one record: the rest of it is passed over, an item past its end takes nothing
// and the next READ has the next record. BACKSPACE goes back over whole records, a long one too.
TEST_F(UnformattedTest, RecordsAreReadWholeAndBackspacedOver) {
    start_engine();
    ASSERT_EQ(open_unit(10, sequential("r.bin")), 0);
    write_integers(10, {1, 2});
    write_integers(10, {3});
    write_integers(10, {4, 5, 6});
    std::vector<std::int32_t> long_record(2000);
    for (int i = 0; i < 2000; ++i)
        long_record[i] = i * 7;
    begin_write_unformatted(10, 0);
    write_item_array(TYPE_INTEGER4, long_record.data(), 0, 2000);
    end_write();
    std::int32_t v[3] = {};
    ASSERT_EQ(backspace_unit(10), 0);
    std::vector<std::int32_t> back(2000);
    begin_read_unformatted(10, 0);
    read_item_array(TYPE_INTEGER4, back.data(), 0, 1000);
    read_item_array(TYPE_INTEGER4, back.data() + 1000, 0, 1000);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(back, long_record);
    for (int i = 0; i < 3; ++i)
        ASSERT_EQ(backspace_unit(10), 0);
    EXPECT_EQ(read_integers(10, v, 1), 0);
    EXPECT_EQ(read_integers(10, v + 1, 1), 0); // the next record, not the 5 after the 4
    EXPECT_EQ(v[0] * 10 + v[1], 34);
    ASSERT_EQ(rewind_unit(10), 0);
    v[2] = -1;
    EXPECT_EQ(read_integers(10, v, 3), error_number(MSG_ITEM_LONGER_THAN_RECORD));
    EXPECT_EQ(v[2], -1);
    EXPECT_EQ(read_integers(10, v, 1), 0);
    EXPECT_EQ(v[0], 3);
}

TEST_F(UnformattedTest, DamagedOrMissingLengthsAndTheEndOfTheFile) {
    struct Case {
        const char* what;
        std::string bytes;
        int status;
    };
    const int damaged = error_number(MSG_RECORD_MARKER_DAMAGED);
    const Case cases[] = {
        {"lengths differ", "\x04\0\0\0abcd\x05\0\0\0"s, damaged},
        {"length past the file", "\x08\0\0\0abcd\x08\0\0\0"s, damaged},
        {"long record past the file", "\x88\x13\0\0abcd\x88\x13\0\0"s, damaged},
        {"part of a length", "\x04\0"s, damaged},
        {"negative length", "\xff\xff\xff\xff"s, damaged},
        {"empty file", "", STATUS_END_OF_FILE},
    };
    start_engine();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        make_file("d.bin", c.bytes);
        ASSERT_EQ(open_unit(10, sequential("d.bin")), 0);
        std::int32_t v = 0;
        EXPECT_EQ(read_integers(10, &v, 1), c.status);
        EXPECT_EQ(close_unit_with(10), 0);
    }
}

std::string fixture(const char* name) {
    return file_text(std::string(LNCALC_SOURCE_DIR) + "/tests/io/unformatted/data/" + name);
}

// gfortran_seq.bin and gfortran_direct.bin were written by gfortran 12 (the program is in the
// comment below); this run-time writes the same statements byte for byte and reads them back.
//     WRITE(10) I1, I2, I4, L1, L4         ! -5_1, 300_2, -70000, .TRUE._1, .FALSE.
//     WRITE(10) R4, R8, 'abc'              ! 2.5, -0.1D0
//     WRITE(10) C8, A                      ! (1.5,-2.0), INTEGER*2 A(3) = 7, 8, 9
//     WRITE(11, REC=2) R8                  ! RECL=8
//     WRITE(11, REC=1) I4, 'xy'
void write_what_gfortran_wrote() {
    const std::int16_t a[3] = {7, 8, 9};
    begin_write_unformatted(10, 0);
    write_item_integer1(-5);
    write_item_integer2(300);
    write_item_integer4(-70000);
    write_item_logical1(1);
    write_item_logical4(0);
    end_write();
    begin_write_unformatted(10, 0);
    write_item_real4(std::bit_cast<std::uint32_t>(2.5f));
    write_item_real8(std::bit_cast<std::uint64_t>(-0.1));
    write_item_character("abc", 3);
    end_write();
    begin_write_unformatted(10, 0);
    write_item_complex8(std::bit_cast<std::uint32_t>(1.5f), std::bit_cast<std::uint32_t>(-2.0f));
    write_item_array(TYPE_INTEGER2, a, 0, 3);
    end_write();
    begin_write_unformatted(11, 0);
    set_record_number(2);
    write_item_real8(std::bit_cast<std::uint64_t>(-0.1));
    end_write();
    begin_write_unformatted(11, 0);
    set_record_number(1);
    write_item_integer4(-70000);
    write_item_character("xy", 2);
    end_write();
}

TEST_F(UnformattedTest, FilesOfGfortranByteForByte) {
    start_engine();
    ASSERT_EQ(open_unit(10, sequential("seq.bin")), 0);
    ASSERT_EQ(open_unit(11, direct("direct.bin", "UNFORMATTED", 8)), 0);
    write_what_gfortran_wrote();
    EXPECT_EQ(file_text("seq.bin"), fixture("gfortran_seq.bin"));
    EXPECT_EQ(file_text("direct.bin"), fixture("gfortran_direct.bin"));
    ASSERT_EQ(rewind_unit(10), 0);
    std::int8_t i1 = 0, l1 = 0;
    std::int16_t i2 = 0, a[3] = {};
    std::int32_t i4 = 0, l4 = 1;
    begin_read_unformatted(10, 0);
    read_item_integer1(&i1);
    read_item_integer2(&i2);
    read_item_integer4(&i4);
    read_item_logical1(&l1);
    read_item_logical4(&l4);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(std::make_tuple(i1, i2, i4, l1, l4), std::make_tuple(-5, 300, -70000, 1, 0));
    begin_read_unformatted(10, 0); // the reals and text are passed over
    EXPECT_EQ(end_read(), 0);
    float c8[2] = {};
    begin_read_unformatted(10, 0);
    read_item_complex8(c8);
    read_item_array(TYPE_INTEGER2, a, 0, 3);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(std::make_tuple(c8[0], c8[1], a[0], a[2]), std::make_tuple(1.5f, -2.0f, 7, 9));
    double r8 = 0;
    begin_read_unformatted(11, 0);
    set_record_number(2);
    read_item_real8(&r8);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(r8, -0.1);
    EXPECT_EQ(next_record_of(11), 3);
}

// Formatted records are RECL characters and CR LF; "/" goes on to the next record. A record
// never written is refused, both in a gap before the last record and past the end.
TEST_F(UnformattedTest, DirectRecordsInAnyOrder) {
    start_engine();
    ASSERT_EQ(open_unit(12, direct("f.txt", "FORMATTED", 4)), 0);
    ASSERT_EQ(open_unit(13, direct("u.bin", "UNFORMATTED", 4)), 0);
    auto write_formatted = [](int record, const char* format, std::int32_t a, std::int32_t b) {
        begin_write(12, format, -1, nullptr, 0, 0);
        set_record_number(record);
        write_item_integer4(a);
        write_item_integer4(b);
        return end_write();
    };
    EXPECT_EQ(write_formatted(5, "(I4/I2)", 5, 6), 0);
    EXPECT_EQ(write_formatted(1, "(2I2)", 1, 11), 0);
    EXPECT_EQ(next_record_of(12), 2);
    write_integers(13, {30}, 3);
    write_integers(13, {10}, 1);
    EXPECT_EQ(next_record_of(13), 2);
    std::string gap(18, '\0');
    EXPECT_EQ(file_text("f.txt"), " 111\r\n"s + gap + "   5\r\n 6  \r\n");
    EXPECT_EQ(file_text("u.bin"), bytes_of(10) + std::string(4, '\0') + bytes_of(30));
    struct Read {
        int unit;
        int record;
        int status;
        std::int32_t value;
    };
    const int unwritten = error_number(MSG_RECORD_NOT_WRITTEN);
    const Read reads[] = {{12, 6, 0, 6},          {12, 5, 0, 5},          {12, 1, 0, 111},
                          {12, 3, unwritten, -1}, {12, 7, unwritten, -1}, {13, 3, 0, 30},
                          {13, 2, 0, 0},          {13, 4, unwritten, -1}, {13, 1, 0, 10}};
    for (const Read& r : reads) {
        SCOPED_TRACE(r.record);
        std::int32_t value = -1;
        if (r.unit == 12)
            begin_read(12, "(I4)", -1, nullptr, 0, nullptr, 4);
        else
            begin_read_unformatted(13, 4);
        set_record_number(r.record);
        read_item_integer4(&value);
        EXPECT_EQ(end_read(), r.status);
        EXPECT_EQ(value, r.value);
    }
    EXPECT_EQ(next_record_of(13), 2);
}

TEST_F(UnformattedTest, TransfersThatDoNotFitTheirUnit) {
    make_file("f.txt", "abcdef\r\n");
    start_engine();
    ASSERT_EQ(open_unit(10, sequential("s.bin")), 0);
    ASSERT_EQ(open_unit(11, {{"FILE", "t.txt"}}), 0);
    ASSERT_EQ(open_unit(12, direct("f.txt", "FORMATTED", 6)), 0);
    ASSERT_EQ(open_unit(13, direct("u.bin", "UNFORMATTED", 4)), 0);
    ASSERT_EQ(open_unit(14, {{"FILE", "w.bin"}, {"FORM", "UNFORMATTED"}, {"ACTION", "WRITE"}}), 0);
    make_file("r.bin", record("1234"));
    ASSERT_EQ(open_unit(15, {{"FILE", "r.bin"}, {"FORM", "UNFORMATTED"}, {"ACTION", "READ"}}), 0);
    auto write = [](int unit, bool unformatted, const char* format, int record, int items) {
        if (unformatted)
            begin_write_unformatted(unit, 1);
        else
            begin_write(unit, format, -1, nullptr, 0, 1);
        if (record != NONE)
            set_record_number(record);
        for (int i = 0; i < items; ++i)
            write_item_integer4(i);
        return end_write();
    };
    auto read = [](int unit, int record) {
        std::int32_t v;
        return read_integers(unit, &v, 1, record);
    };
    auto late_record = [] {
        begin_write_unformatted(13, 1);
        write_item_integer4(1);
        set_record_number(1);
        return end_write();
    };
    struct Case {
        const char* what;
        std::function<int()> statement;
        int index;
    };
    const Case cases[] = {
        {"list-directed, unformatted unit", [&] { return write(10, false, nullptr, NONE, 1); }, 11},
        {"formatted, unformatted direct", [&] { return write(13, false, "(I4)", 1, 1); }, 11},
        {"unformatted, formatted unit", [&] { return write(11, true, nullptr, NONE, 1); }, 12},
        {"list-directed, direct", [&] { return write(12, false, nullptr, 1, 1); }, 13},
        {"formatted, no record", [&] { return write(12, false, "(I4)", NONE, 1); }, 13},
        {"unformatted, no record", [&] { return read(13, NONE); }, 13},
        {"record, sequential", [&] { return write(10, true, nullptr, 2, 1); }, 14},
        {"record 0", [&] { return write(13, true, nullptr, 0, 0); }, 37},
        {"record -3", [&] { return read(13, -3); }, 37},
        {"write, ACTION=READ", [&] { return write(15, true, nullptr, NONE, 1); }, 70},
        {"read, ACTION=WRITE", [&] { return read(14, NONE); }, 71},
        {"longer than RECL", [&] { return write(13, true, nullptr, 1, 2); }, 146},
        {"more than RECL characters", [&] { return write(12, false, "(2I4)", 1, 2); }, 146},
        {"record after an item", late_record, MSG_BAD_REC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.statement(), error_number(c.index));
    }
    EXPECT_EQ(close_unit_with(12), 0); // a record a failed statement began is not written
    EXPECT_EQ(file_text("f.txt"), "abcdef\r\n");
    EXPECT_EQ(file_text("u.bin"), "");
    EXPECT_EQ(file_text("r.bin"), record("1234"));
}

// Buffered formatted records and unformatted records reach the file whichever way the program
// ends: CLOSE, the end of the main program, a run-time error report, a floating-point trap
// report, STOP.
TEST_F(UnformattedTest, OutputReachesItsFileAtEveryEnd) {
    struct End {
        const char* what;
        std::function<void()> action;
        int exit_code;
    };
    const End ends[] = {
        {"CLOSE",
         [] {
             close_unit_with(10);
             close_unit_with(11);
         },
         NO_EXIT},
        {"normal end", [] { exit_process(0); }, 0},
        {"error report",
         [] {
             std::int32_t v;
             begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
             read_item_integer4(&v);
         },
         1},
        {"trap report", [] { fp_signal_handler(SIGNAL_FPE, FPE_ZERODIVIDE); }, 1},
        {"STOP", [] { end_program(0); }, 0},
    };
    for (const End& end : ends) {
        SCOPED_TRACE(end.what);
        session_.reset();
        start_engine();
        ASSERT_EQ(open_unit(10, {{"FILE", "f.txt"}, {"STATUS", "REPLACE"}}), 0);
        ASSERT_EQ(
            open_unit(11, {{"FILE", "u.bin"}, {"FORM", "UNFORMATTED"}, {"STATUS", "REPLACE"}}), 0);
        write_line(10, "kept");
        write_integers(11, {7});
        EXPECT_EQ(exit_code_of(end.action), end.exit_code);
        EXPECT_EQ(file_text("f.txt"), " kept\r\n");
        EXPECT_EQ(file_text("u.bin"), record(bytes_of(7)));
    }
}

} // namespace
} // namespace lnc::test
