// Array items: their StatementList bytes (the address, the array byte and the element count),
// the records they write, the values they read with repeat factors, empty values and slashes,
// and the statements refused for an unknown type code or an impossible count.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/statement/statement.h"
#include "runtime/heap/heap.h"
#include "support/engine_fixture.h"
#include "support/exit_capture.h"

namespace lnc {
namespace {

constexpr int ANY = -1; // a byte of an address operand

class ArrayItemTest : public test::EngineTest {
  protected:
    void expect_list(const std::vector<int>& pattern) const {
        ASSERT_EQ(engine.length, static_cast<int>(pattern.size()));
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] != ANY) {
                EXPECT_EQ(engine.buffer[i], pattern[i]) << "byte " << i;
            }
        }
    }

    void* address_at(int position) const {
        std::uint32_t operand = 0;
        for (int i = 0; i < 4; ++i)
            operand |= static_cast<std::uint32_t>(engine.buffer[position + i]) << (8 * i);
        return operand_address(operand);
    }

    static void begin() {
        ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
    }
    static void begin_input(int flags = 0) {
        ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, flags), 0);
    }
};

// By reference with bit 0x80, then an array byte describing a 32-bit count in the list. The
// address names a copy made at the call.
TEST_F(ArrayItemTest, OutputArrayIsACopyWithItsArrayByteAndCount) {
    start_engine();
    std::int16_t values[3] = {-5, 300, 7};
    begin();
    write_item_array(TYPE_INTEGER2, values, 0, 3);
    expect_list({0x01, 0x08, 0x88, ANY, ANY, ANY, ANY, 0x06, 0x03, 0x00, 0x00, 0x00});
    auto* copy = static_cast<std::int16_t*>(address_at(3));
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, values);
    EXPECT_EQ(std::memcmp(copy, values, sizeof values), 0);
    values[1] = 9; // too late: the WRITE shows the values of the call
    EXPECT_EQ(end_write(), 0);
    EXPECT_EQ(output(), "         -5         300           7");
}

// A character array carries its array byte in the low nibble of the length descriptor: 0x66,
// then the length and the count.
TEST_F(ArrayItemTest, CharacterArrayPutsTheCountAfterTheLength) {
    start_engine();
    char names[] = "ab cdef";
    begin();
    write_item_array(TYPE_CHARACTER, names, 2, 3);
    expect_list({0x01, 0x08, 0x28, ANY, ANY, ANY, ANY, 0x66, 0x02, 0x00, 0x00, 0x00, 0x03, 0x00,
                 0x00, 0x00});
    EXPECT_EQ(std::string(static_cast<char*>(address_at(3)), 6), "ab cde");
    EXPECT_EQ(end_write(), 0);
    // Character elements stand as they are, with no separators.
    EXPECT_EQ(output(), "ab cde");
}

struct OutputCase {
    const char* what;
    int type;
    std::vector<std::uint8_t> bytes;
    int count;
    const char* shown;
};

std::vector<std::uint8_t> bytes_of(const void* data, std::size_t size) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    return std::vector<std::uint8_t>(first, first + size);
}

template <typename T, std::size_t N> std::vector<std::uint8_t> bytes_of(const T (&array)[N]) {
    return bytes_of(array, sizeof array);
}

const std::int8_t BYTES[] = {-128, 0, 127};
const std::int32_t LONGS[] = {INT32_MIN, 42};
const std::int8_t LOGICAL1[] = {1, 0, -2};
const std::int16_t LOGICAL2[] = {0x0100, 0x0001}; // only the first byte counts
const std::int32_t LOGICAL4[] = {0, 7};
const float REALS[] = {2.0f, 0.5f};
const double DOUBLES[] = {1.0, -0.001};
const float COMPLEX8[] = {1.0f, 2.0f, -3.0f, 0.5f};
const double COMPLEX16[] = {1.0, -1.0};

// Each element takes the field of its type, as a single item of that type would.
TEST_F(ArrayItemTest, EveryTypeWritesOneFieldPerElement) {
    const OutputCase cases[] = {
        {"integer1", TYPE_INTEGER1, bytes_of(BYTES), 3, "       -128           0         127"},
        {"integer4", TYPE_INTEGER4, bytes_of(LONGS), 2, "-2147483648          42"},
        {"logical1", TYPE_LOGICAL1, bytes_of(LOGICAL1), 3, "T F T"},
        {"logical2", TYPE_LOGICAL2, bytes_of(LOGICAL2), 2, "F T"},
        {"logical4", TYPE_LOGICAL4, bytes_of(LOGICAL4), 2, "F T"},
        {"real4", TYPE_REAL4, bytes_of(REALS), 2, "       2.000000    5.000000E-01"},
        {"real8", TYPE_REAL8, bytes_of(DOUBLES), 2,
         "       1.000000000000000  -1.000000000000000E-003"},
        {"complex8", TYPE_COMPLEX8, bytes_of(COMPLEX8), 2,
         "              (1.000000,2.000000)          (-3.000000,5.000000E-01)"},
        {"complex16", TYPE_COMPLEX16, bytes_of(COMPLEX16), 1,
         "             (1.000000000000000,-1.000000000000000)"},
        {"empty", TYPE_REAL4, {}, 0, ""},
    };
    for (const OutputCase& row : cases) {
        start_engine();
        begin();
        write_item_array(row.type, row.bytes.data(), 0, row.count);
        EXPECT_EQ(end_write(), 0) << row.what;
        EXPECT_EQ(output(), row.shown) << row.what;
        session_.reset();
    }
}

// An array between other items: separators run on across the elements and the line wraps; the
// wrapped element's separator is the new record's carriage control.
TEST_F(ArrayItemTest, ElementsWrapLikeSeparateItems) {
    start_engine();
    const float six[] = {1, 2, 3, 4, 5, 6};
    begin();
    write_item_character("x:", 2);
    write_item_array(TYPE_REAL4, six, 0, 6);
    write_item_integer4(7);
    EXPECT_EQ(end_write(), 0);
    EXPECT_EQ(output(), "x:       1.000000        2.000000        3.000000        4.000000\r\n"
                        "       5.000000        6.000000           7");
}

// A copied array is written as it was at its item call, one kept by reference as it is at the
// end call.
TEST_F(ArrayItemTest, CopiedAtTheCallOrReadAtTheEnd) {
    start_engine();
    std::int32_t values[] = {1, 2};
    begin();
    write_item_array(TYPE_INTEGER4, values, 0, 2);
    write_item_array_by_reference(TYPE_INTEGER4, values, 0, 2);
    values[0] = 5;
    EXPECT_EQ(end_write(), 0);
    EXPECT_EQ(output(), "          1           2           5           2");
}

struct Refused {
    int type;
    int count;
    int status;
    const char* report;
};

const Refused REFUSED[] = {
    {0, 1, 6781, "\r\nrun-time error F6781\r\n- item type not allowed in this transfer\r\n"},
    {4, 1, 6781, "\r\nrun-time error F6781\r\n- item type not allowed in this transfer\r\n"},
    {13, 1, 6781, "\r\nrun-time error F6781\r\n- item type not allowed in this transfer\r\n"},
    {16, 1, 6781, "\r\nrun-time error F6781\r\n- item type not allowed in this transfer\r\n"},
    {-1, 1, 6781, "\r\nrun-time error F6781\r\n- item type not allowed in this transfer\r\n"},
    {TYPE_REAL4, -1, 6780, "\r\nrun-time error F6780\r\n- array element count out of range\r\n"},
    // 16 bytes times 2^27 elements is 2^31 bytes: more than a count can describe.
    {TYPE_COMPLEX16, 1 << 27, 6780,
     "\r\nrun-time error F6780\r\n- array element count out of range\r\n"},
};

// A WRITE with an error branch gets the status from its end call and writes nothing; without a
// branch the report ends the process.
TEST_F(ArrayItemTest, OutputArraysThatCannotBeDescribedFailTheStatement) {
    const double element = 1.0;
    for (const Refused& row : REFUSED) {
        start_engine();
        ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 1), 0);
        write_item_integer4(1);
        EXPECT_EQ(write_item_array(row.type, &element, 0, row.count), 0);
        write_item_integer4(2);
        EXPECT_EQ(end_write(), row.status) << row.type << " " << row.count;
        EXPECT_EQ(output(), "") << row.type;
        EXPECT_EQ(error(), "") << row.type;
        begin();
        write_item_array(row.type, &element, 0, row.count);
        EXPECT_EQ(test::exit_code_of([] { end_write(); }), 1) << row.type;
        EXPECT_EQ(error(), row.report) << row.type;
        session_.reset();
    }
}

// A READ refused at its first item reads nothing: the next READ still finds the first line.
TEST_F(ArrayItemTest, InputArraysThatCannotBeDescribedFailTheStatement) {
    for (const Refused& row : REFUSED) {
        start_engine({.input = "5 6\r\n7\r\n"});
        std::int32_t values[2] = {-1, -1};
        begin_input(4);
        EXPECT_EQ(read_item_array(row.type, values, 0, row.count), row.status) << row.type;
        EXPECT_EQ(read_item_integer4(values), row.status);
        EXPECT_EQ(end_read(), row.status);
        EXPECT_EQ(values[0], -1);
        begin_input();
        read_item_integer4(values);
        end_read();
        EXPECT_EQ(values[0], 5) << row.type;
        begin_input();
        // Without a branch the item call itself reports.
        EXPECT_EQ(test::exit_code_of(
                      [&values, &row] { read_item_array(row.type, values, 0, row.count); }),
                  1)
            << row.type;
        EXPECT_EQ(error(), row.report) << row.type;
        session_.reset();
    }
}

// An input item whose address has no room in the address table fails its READ like a refused
// item: with an error branch the statement answers the status and reads nothing.
TEST_F(ArrayItemTest, AnInputItemWhoseAddressCannotBeKeptFailsItsStatement) {
    if (sizeof(void*) == 4) {
        GTEST_SKIP() << "addresses are their own operands on a 32-bit target";
    }
    start_engine({.input = "5 6\r\n"});
    ASSERT_EQ(engine.address_capacity, 0);
    std::int32_t values[2] = {-1, -1};
    begin_input(4);
    fail_allocation_after(1);
    EXPECT_EQ(read_item_array(TYPE_INTEGER4, values, 0, 2), 6700);
    EXPECT_EQ(end_read(), 6700);
    EXPECT_EQ(values[0], -1);
    EXPECT_EQ(error(), "");
    begin_input();
    read_item_array(TYPE_INTEGER4, values, 0, 2);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(values[0], 5);
    EXPECT_EQ(values[1], 6);
}

// The first input item follows the header; the READ has run once the call returns.
TEST_F(ArrayItemTest, InputArrayIsTheVariableWithItsArrayByteAndCount) {
    start_engine({.input = "1.5 2.5\r\n"});
    double values[2] = {0, 0};
    begin_input();
    EXPECT_EQ(read_item_array(TYPE_REAL8, values, 0, 2), 0);
    expect_list({0x01, 0x08, 0xB0, ANY, ANY, ANY, ANY, 0x06, 0x02, 0x00, 0x00, 0x00, 0x01});
    EXPECT_EQ(address_at(3), values);
    EXPECT_EQ(values[0], 1.5);
    EXPECT_EQ(values[1], 2.5);
    EXPECT_EQ(end_read(), 0);
}

TEST_F(ArrayItemTest, RepeatFactorsAndEmptyValuesServeElements) {
    start_engine({.input = "2*4 ,, 3*\r\n9, 10 11\r\n"});
    std::int32_t values[7] = {-1, -1, -1, -1, -1, -1, -1};
    std::int16_t after = 0;
    begin_input();
    read_item_array(TYPE_INTEGER4, values, 0, 7);
    read_item_integer2(&after);
    EXPECT_EQ(end_read(), 0);
    // 4 4, an empty value, three empty values, then the next line.
    const std::int32_t expected[7] = {4, 4, -1, -1, -1, -1, 9};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(values[i], expected[i]) << i;
    EXPECT_EQ(after, 10);
}

// Logical elements hold true before the values come, so empty values read as true; a 2-byte
// logical keeps its second byte.
TEST_F(ArrayItemTest, LogicalElementsReadEmptyValuesAsTrue) {
    start_engine({.input = ",F,,.f.\r\n,f/\r\n/\r\n"});
    std::int32_t fours[4] = {0, 0, 0, 0};
    std::int16_t twos[3] = {0x7F00, 0x7F00, 0x7F00};
    std::int8_t ones[2] = {0, 0};
    begin_input();
    read_item_array(TYPE_LOGICAL4, fours, 0, 4);
    end_read();
    begin_input();
    read_item_array(TYPE_LOGICAL2, twos, 0, 3);
    end_read();
    begin_input();
    read_item_array(TYPE_LOGICAL1, ones, 0, 2);
    end_read();
    EXPECT_EQ(fours[0], 1);
    EXPECT_EQ(fours[1], 0);
    EXPECT_EQ(fours[2], 1);
    EXPECT_EQ(fours[3], 0);
    EXPECT_EQ(twos[0], 0x7F01);
    EXPECT_EQ(twos[1], 0x7F00);
    EXPECT_EQ(twos[2], 0x7F01); // after the slash
    EXPECT_EQ(ones[0], 1);
    EXPECT_EQ(ones[1], 1);
}

// Complex elements are two parts each; an empty value leaves both parts of its element.
TEST_F(ArrayItemTest, ComplexAndCharacterElements) {
    start_engine({.input = "(1,2),,(5,-6)\r\n'ab' xyzw 'q''r'\r\n"});
    double points[6] = {9, 9, 9, 9, 9, 9};
    char names[9];
    std::memset(names, '.', sizeof names);
    begin_input();
    read_item_array(TYPE_COMPLEX16, points, 0, 3);
    end_read();
    begin_input();
    read_item_array(TYPE_CHARACTER, names, 3, 3);
    end_read();
    const double expected[6] = {1, 2, 9, 9, 5, -6};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(points[i], expected[i]) << i;
    EXPECT_EQ(std::string(names, 9), "ab xyzq'r");
}

// A slash ends the list: the rest of the array and the later items keep their values.
TEST_F(ArrayItemTest, ASlashLeavesTheRestOfTheArray) {
    start_engine({.input = "1.5 / 7\r\n"});
    float values[3] = {-1, -1, -1};
    float later = -1;
    begin_input();
    read_item_array(TYPE_REAL4, values, 0, 3);
    read_item_real4(&later);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(values[0], 1.5f);
    EXPECT_EQ(values[1], -1.0f);
    EXPECT_EQ(values[2], -1.0f);
    EXPECT_EQ(later, -1.0f);
}

// A bad value in the middle stops the READ there: earlier elements are stored, later ones kept.
TEST_F(ArrayItemTest, AnErrorInsideTheArrayStopsAtThatElement) {
    start_engine({.input = "1 x 3\r\n"});
    std::int8_t values[3] = {0, 0, 0};
    begin_input(4);
    EXPECT_EQ(read_item_array(TYPE_INTEGER1, values, 0, 3), 6101);
    EXPECT_EQ(end_read(), 6101);
    EXPECT_EQ(values[0], 1);
    EXPECT_EQ(values[1], 0);
    EXPECT_EQ(values[2], 0);
}

} // namespace
} // namespace lnc
