// StatementList encodings built by the begin and item calls, byte for byte, with the address
// operands checked through the addresses they stand for.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "io/statement/statement.h"
#include "io/statement/statement_internal.h"
#include "runtime/heap/heap.h"
#include "support/engine_fixture.h"

namespace lnc {
namespace {

constexpr int ANY = -1; // an address operand byte in an expected list

class StatementListTest : public test::EngineTest {
  protected:
    void SetUp() override { start_engine(); }

    std::vector<std::uint8_t> list() const {
        return std::vector<std::uint8_t>(engine.buffer, engine.buffer + engine.length);
    }

    // Compares the list with a pattern in which ANY stands for a byte of an address operand.
    void expect_list(const std::vector<int>& pattern) const {
        ASSERT_EQ(engine.length, static_cast<int>(pattern.size()));
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] != ANY) {
                EXPECT_EQ(engine.buffer[i], pattern[i]) << "byte " << i;
            }
        }
    }

    std::uint32_t operand_at(int position) const {
        std::uint32_t value = 0;
        for (int i = 0; i < 4; ++i)
            value |= static_cast<std::uint32_t>(engine.buffer[position + i]) << (8 * i);
        return value;
    }

    void* address_at(int position) const { return operand_address(operand_at(position)); }

    // Drops a statement that was begun only to look at its list.
    static void abandon_statement() {
        free_character_copies();
        engine.compiled_format = nullptr;
        engine.depth = 0;
    }
};

TEST_F(StatementListTest, EmptyWriteIsHeaderExtensionAndEnd) {
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0), 0);
    expect_list({0x01, 0x08});
    ASSERT_EQ(end_write(), 0);
    // The end call appended the terminator before the list ran.
    EXPECT_EQ(engine.buffer[0], 0x01);
    EXPECT_EQ(engine.buffer[1], 0x08);
    EXPECT_EQ(engine.buffer[2], 0x00);
}

TEST_F(StatementListTest, ResultLineOfTheProgram) {
    char open[] = "ln(";
    char close[] = ")=";
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    write_item_character(open, 3);
    write_item_real4(std::bit_cast<std::uint32_t>(2.0f));
    write_item_character(close, 2);
    write_item_real4(std::bit_cast<std::uint32_t>(0.6931472f));
    const std::uint32_t log_bits = std::bit_cast<std::uint32_t>(0.6931472f);
    expect_list({0x01,
                 0x08, // header, '*'
                 0x28,
                 ANY,
                 ANY,
                 ANY,
                 ANY,
                 0x60,
                 0x03,
                 0x00,
                 0x00,
                 0x00, // "ln("
                 0x6C,
                 0x00,
                 0x00,
                 0x00,
                 0x40, // 2.0
                 0x28,
                 ANY,
                 ANY,
                 ANY,
                 ANY,
                 0x60,
                 0x02,
                 0x00,
                 0x00,
                 0x00, // ")="
                 0x6C,
                 static_cast<int>(log_bits & 0xFF),
                 static_cast<int>((log_bits >> 8) & 0xFF),
                 static_cast<int>((log_bits >> 16) & 0xFF),
                 static_cast<int>(log_bits >> 24)});
    // The character operands name copies of the texts, not the texts themselves.
    auto* first = static_cast<char*>(address_at(3));
    auto* second = static_cast<char*>(address_at(18));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, open);
    EXPECT_EQ(std::string(first, 3), "ln(");
    EXPECT_EQ(std::string(second, 2), ")=");
    EXPECT_EQ(end_write(), 0);
}

TEST_F(StatementListTest, FirstReadItemIsAnAddressAndTheSuspendByte) {
    session_.reset();
    start_engine({.input = "2\r\n"});
    float value = 0.0f;
    ASSERT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0), 0);
    expect_list({0x01, 0x08});
    ASSERT_EQ(read_item_real4(&value), 0);
    expect_list({0x01, 0x08, 0x2C, ANY, ANY, ANY, ANY, 0x01});
    EXPECT_EQ(address_at(3), &value);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(value, 2.0f);
    float second = 0.0f;
    // A later item replaces the list: just the item and the suspend byte.
    session_.reset();
    start_engine({.input = "3 4\r\n"});
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&value);
    read_item_real4(&second);
    expect_list({0x2C, ANY, ANY, ANY, ANY, 0x01});
    EXPECT_EQ(address_at(1), &second);
    EXPECT_EQ(end_read(), 0);
    EXPECT_EQ(value, 3.0f);
    EXPECT_EQ(second, 4.0f);
}

struct ItemCase {
    const char* name;
    int (*call)();
    std::vector<int> bytes; // the item's bytes after the header 01 08
};

TEST_F(StatementListTest, OutputItemsByValue) {
    const ItemCase cases[] = {
        {"integer1 -5", [] { return write_item_integer1(-5); }, {0x44, 0xFB}},
        {"integer2 -2", [] { return write_item_integer2(-2); }, {0x48, 0xFE, 0xFF}},
        {"integer4 0x12345678",
         [] { return write_item_integer4(0x12345678); },
         {0x4C, 0x78, 0x56, 0x34, 0x12}},
        {"logical4 1", [] { return write_item_logical4(1); }, {0x60, 0x01, 0x00, 0x00, 0x00}},
        // The small logicals keep their low byte only, sign-extended into a 4-byte logical.
        {"logical1 0x1FF",
         [] { return write_item_logical1(0x1FF); },
         {0x60, 0xFF, 0xFF, 0xFF, 0xFF}},
        {"logical1 0x100",
         [] { return write_item_logical1(0x100); },
         {0x60, 0x00, 0x00, 0x00, 0x00}},
        {"logical2 0x0180",
         [] { return write_item_logical2(0x0180); },
         {0x60, 0x80, 0xFF, 0xFF, 0xFF}},
        {"logical2 0x7F01",
         [] { return write_item_logical2(0x7F01); },
         {0x60, 0x01, 0x00, 0x00, 0x00}},
        {"real4 -1.5",
         [] { return write_item_real4(0xBFC00000u); },
         {0x6C, 0x00, 0x00, 0xC0, 0xBF}},
        {"real8 1.0",
         [] { return write_item_real8(0x3FF0000000000000ull); },
         {0x70, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F}},
        {"complex8 (1,-2)",
         [] { return write_item_complex8(0x3F800000u, 0xC0000000u); },
         {0x78, 0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0xC0}},
        {"complex16 (1,2)",
         [] { return write_item_complex16(0x3FF0000000000000ull, 0x4000000000000000ull); },
         {0x7C, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 0x40}},
    };
    for (const ItemCase& item : cases) {
        SCOPED_TRACE(item.name);
        begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
        EXPECT_EQ(item.call(), 0);
        std::vector<int> expected = {0x01, 0x08};
        expected.insert(expected.end(), item.bytes.begin(), item.bytes.end());
        expect_list(expected);
        end_write();
    }
}

TEST_F(StatementListTest, HeaderBitsOfWriteAndRead) {
    // A numbered unit without advance: no extension, a 16-bit unit number.
    begin_write(10, nullptr, 0, nullptr, 0, 0);
    expect_list({0x04, 0x0A, 0x00});
    abandon_statement();
    begin_write(-2, nullptr, 0, "NO", 2, 1);
    expect_list({0x81, 0x01, 0xFE, 0xFF});
    abandon_statement();
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, "no ", 3, 0);
    expect_list({0x01, 0x09});
    abandon_statement();
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, "yes", 3, 0);
    expect_list({0x01, 0x08});
    abandon_statement();
    // READ: end branch 0x40, error branch 0x80, end-of-record branch in the extension.
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, "No", 2, nullptr, 7);
    expect_list({0xC1, 0x0B});
    EXPECT_EQ(engine.read_first_item, 1);
    abandon_statement();
    begin_read(5, nullptr, 0, nullptr, 0, nullptr, 1);
    expect_list({0x44, 0x05, 0x00});
    abandon_statement();
}

TEST_F(StatementListTest, SizeVariableFollowsTheExtension) {
    std::int32_t size = 77;
    ASSERT_EQ(begin_read(12, nullptr, 0, "NO", 2, &size, 0), 0);
    expect_list({0x01, 0x05, ANY, ANY, ANY, ANY, 0x0C, 0x00});
    EXPECT_EQ(address_at(2), &size);
    EXPECT_EQ(size, 0);
    abandon_statement();
}

TEST_F(StatementListTest, FormatItemNamesTheCompiledFormat) {
    std::string format = "(I5," + std::string(100, ' ') + "A)";
    ASSERT_EQ(begin_write(DEFAULT_UNIT_WRITE, format.c_str(), static_cast<int>(format.size()),
                          nullptr, 0, 0),
              0);
    expect_list({0x11, 0x08, 0x28, ANY, ANY, ANY, ANY});
    void* compiled = address_at(3);
    ASSERT_NE(compiled, nullptr);
    EXPECT_EQ(compiled, engine.compiled_format);
    abandon_statement();
    // A length of -1: the text ends with its NUL. The same text is compiled once.
    begin_write(DEFAULT_UNIT_WRITE, format.c_str(), -1, nullptr, 0, 0);
    EXPECT_EQ(engine.compiled_format, compiled);
    abandon_statement();
    // A text that does not compile keeps the format item, naming no format.
    begin_write(DEFAULT_UNIT_WRITE, "(I5", -1, nullptr, 0, 0);
    expect_list({0x11, 0x08, 0x28, ANY, ANY, ANY, ANY});
    EXPECT_EQ(address_at(3), nullptr);
    EXPECT_NE(engine.format_error, 0);
    abandon_statement();
}

// The capacity keeps its steps of 20000 bytes; the block under it doubles, so that long lists
// are not copied once per step.
TEST_F(StatementListTest, CapacityGrowsInStepsOf20000OverADoublingBlock) {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    // Five bytes an item: the buffer grows when fewer than 1000 bytes are left before an item.
    int items = 0;
    for (int step = 1; step <= 2; ++step) {
        int capacity = engine.capacity;
        int before = 0;
        while (engine.capacity == capacity) {
            before = engine.length;
            write_item_integer4(items++);
        }
        SCOPED_TRACE(step);
        EXPECT_LT(capacity - before, 1000);
        EXPECT_GE(capacity - (before - 5), 1000);
        EXPECT_EQ(engine.capacity, 20000 * (step + 1));
        EXPECT_EQ(block_size(engine.buffer), 20000u << step);
    }
    EXPECT_GT(engine.length, 39000);
    // Every item survived the moves of the buffer.
    for (int i = 0; i < items; ++i) {
        const std::uint8_t* item = engine.buffer + 2 + 5 * i;
        ASSERT_EQ(item[0], 0x4C);
        std::int32_t value;
        std::memcpy(&value, item + 1, 4);
        ASSERT_EQ(value, i);
    }
    EXPECT_EQ(end_write(), 0);
    std::string out = output();
    EXPECT_NE(out.find(" " + std::to_string(items - 1)), std::string::npos);
    EXPECT_NE(out.find(" 0 "), std::string::npos);
}

} // namespace
} // namespace lnc
