// Decoding of items and operand descriptors by fetch_item and read_operand, over lists built by
// hand.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "io/statement/statement.h"
#include "support/engine_fixture.h"

namespace lnc {
namespace {

class FetchItemTest : public test::EngineTest {
  protected:
    void SetUp() override { start_engine(); }

    void start(const std::vector<std::uint8_t>& bytes) {
        list_ = bytes;
        engine.cursor = list_.data();
    }
    int consumed() const { return static_cast<int>(engine.cursor - list_.data()); }

    static void put(std::vector<std::uint8_t>& bytes, std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }

    std::vector<std::uint8_t> list_;
};

struct CountCase {
    const char* name;
    std::vector<std::uint8_t> array_part; // the array byte and its operands
    int count;
    int secondary;
};

TEST_F(FetchItemTest, ArrayBytesOfAReferenceItem) {
    const CountCase cases[] = {
        {"32-bit count", {0x06, 0x05, 0x00, 0x00, 0x00}, 5, 0},
        {"16-bit count", {0x04, 0x10, 0x27}, 10000, 0},
        {"byte count", {0x02, 0x7F}, 127, 0},
        {"byte count, size code 6", {0x0C, 0x03}, 3, 0},
        {"negative count is none", {0x02, 0xFD}, 0, 0},
        {"no count", {0x00}, 1, 0},
        {"secondary 16-bit, count byte", {0x01, 0x42, 0x34, 0x12, 0x09}, 9, 0x1234},
        {"secondary only", {0x01, 0x20, 0x05}, 1, 5},
    };
    std::int32_t array[4] = {};
    for (const CountCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::uint8_t> bytes = {0x8C};
        put(bytes, address_operand(array), 4);
        bytes.insert(bytes.end(), c.array_part.begin(), c.array_part.end());
        bytes.push_back(0xEE);
        start(bytes);
        fetch_item();
        EXPECT_EQ(current_item.type, TYPE_INTEGER4);
        EXPECT_EQ(current_item.data, reinterpret_cast<std::uint8_t*>(array));
        EXPECT_EQ(current_item.element_size, 4);
        EXPECT_EQ(current_item.count, c.count);
        EXPECT_EQ(engine.secondary_count, c.secondary);
        EXPECT_EQ(next_list_byte(), 0xEE); // exactly the operands were consumed
    }
}

TEST_F(FetchItemTest, ReferenceItemWithoutArrayByte) {
    double value = 0;
    std::vector<std::uint8_t> bytes = {0x30};
    put(bytes, address_operand(&value), 4);
    bytes.push_back(0x06); // not an array byte: the next item
    start(bytes);
    fetch_item();
    EXPECT_EQ(current_item.type, TYPE_REAL8);
    EXPECT_EQ(current_item.data, reinterpret_cast<std::uint8_t*>(&value));
    EXPECT_EQ(current_item.element_size, 8);
    EXPECT_EQ(current_item.count, 1);
    EXPECT_EQ(consumed(), 5);
}

struct ValueCase {
    std::uint8_t item;
    int type;
    int element_size;
    int value_bytes;
};

TEST_F(FetchItemTest, ValuesInTheListAndTheirSizes) {
    const ValueCase cases[] = {
        {0x44, TYPE_INTEGER1, 1, 1},   {0x48, TYPE_INTEGER2, 2, 2}, {0x4C, TYPE_INTEGER4, 4, 4},
        {0x58, TYPE_LOGICAL1, 1, 1},   {0x5C, TYPE_LOGICAL2, 2, 2}, {0x60, TYPE_LOGICAL4, 4, 4},
        {0x6C, TYPE_REAL4, 4, 4},      {0x70, TYPE_REAL8, 8, 8},    {0x78, TYPE_COMPLEX8, 4, 8},
        {0x7C, TYPE_COMPLEX16, 8, 16},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(c.type);
        std::vector<std::uint8_t> bytes = {c.item};
        for (int i = 0; i < c.value_bytes; ++i)
            bytes.push_back(static_cast<std::uint8_t>(0xA0 + i));
        bytes.push_back(0x00);
        start(bytes);
        fetch_item();
        EXPECT_EQ(current_item.type, c.type);
        EXPECT_EQ(current_item.element_size, c.element_size);
        EXPECT_EQ(current_item.count, 1);
        EXPECT_EQ(current_item.data, list_.data() + 1);
        EXPECT_EQ(consumed(), 1 + c.value_bytes);
    }
}

TEST_F(FetchItemTest, CharacterItemWithLengthAndCount) {
    char text[] = "abcdefghijklmno";
    std::vector<std::uint8_t> bytes = {0x28};
    put(bytes, address_operand(text), 4);
    bytes.insert(bytes.end(), {0x62, 0x05, 0x00, 0x00, 0x00, 0x03, 0xEE});
    start(bytes);
    fetch_item();
    EXPECT_EQ(current_item.type, TYPE_CHARACTER);
    EXPECT_EQ(current_item.data, reinterpret_cast<std::uint8_t*>(text));
    EXPECT_EQ(current_item.element_size, 5);
    EXPECT_EQ(current_item.count, 3);
    EXPECT_EQ(next_list_byte(), 0xEE);
    // A 16-bit length without a count; a negative length is empty.
    bytes = {0x28};
    put(bytes, address_operand(text), 4);
    bytes.insert(bytes.end(), {0x40, 0x0F, 0x00, 0x28});
    put(bytes, address_operand(text), 4);
    bytes.insert(bytes.end(), {0x20, 0xF0});
    start(bytes);
    fetch_item();
    EXPECT_EQ(current_item.element_size, 15);
    EXPECT_EQ(current_item.count, 1);
    fetch_item();
    EXPECT_EQ(current_item.element_size, 0);
    EXPECT_EQ(consumed(), static_cast<int>(bytes.size()));
}

TEST_F(FetchItemTest, OperandsFromTheArgumentArea) {
    // Every operand of the argument area takes four bytes; a single real travels as eight.
    const std::uint8_t area[] = {0xFE, 0xFF, 0xFF, 0xFF, 0x07, 0x00, 0x00, 0x00,
                                 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    engine.argument = area;
    EXPECT_EQ(read_operand(0x05), -2); // 16-bit from the area
    EXPECT_EQ(read_operand(0x03), 7);  // byte from the area
    EXPECT_EQ(engine.argument, area + 8);
    start({0x4A, 0x6E, 0xEE});
    engine.argument = area;
    fetch_item();
    EXPECT_EQ(current_item.type, TYPE_INTEGER2);
    EXPECT_EQ(current_item.data, area);
    EXPECT_EQ(engine.argument, area + 4);
    fetch_item();
    EXPECT_EQ(current_item.type, TYPE_REAL4);
    EXPECT_EQ(current_item.data, area + 4);
    EXPECT_EQ(engine.argument, area + 12);
    EXPECT_EQ(next_list_byte(), 0xEE);
    engine.argument = nullptr;
}

TEST_F(FetchItemTest, OperandDescriptorsInTheList) {
    start({0x00, 0x80, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x11});
    EXPECT_EQ(read_operand(0x04), -32768);
    EXPECT_EQ(read_operand(0x06), 0x7FFFFFFF);
    EXPECT_EQ(read_operand(0x02), -128);
    EXPECT_EQ(read_operand(0x08), 0); // size code 4 names no operand and takes nothing
    EXPECT_EQ(read_operand(0x0C), 0x11);
    EXPECT_EQ(consumed(), 8);
}

} // namespace
} // namespace lnc
