// A console for list-directed statements in tests: the engine session (support/engine_fixture.h)
// with the exit's unit shutdown at hand, so that a test sees the line end owed at exit.
#pragma once
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "errors/errors.h"
#include "io/listin/listin.h"
#include "io/statement/statement.h"
#include "io/units/units.h"
#include "support/engine_fixture.h"

namespace lnc::test {

inline std::uint32_t bits_of(float value) {
    return std::bit_cast<std::uint32_t>(value);
}
inline std::uint64_t bits_of(double value) {
    return std::bit_cast<std::uint64_t>(value);
}

class ListConsole {
  public:
    explicit ListConsole(std::string_view input = {}, Console kind = Console::Pipes)
        : session_(EngineOptions{kind, std::string(input)}) {}
    explicit ListConsole(const EngineOptions& options) : session_(options) {}

    // Runs the exit's unit shutdown (the CR LF owed to an open console line).
    void close() { close_all_units(); }
    void type(std::string_view keys) { session_.type(keys); }
    std::string output() { return session_.output(); }
    std::string error() { return session_.error(); }

  private:
    EngineSession session_;
};

// Builds a StatementList by hand, for the shapes the begin calls never produce (internal files,
// arrays).
class ListBuilder {
  public:
    explicit ListBuilder(std::uint8_t header) { bytes_.push_back(header); }
    ListBuilder& byte(std::uint8_t b) {
        bytes_.push_back(b);
        return *this;
    }
    ListBuilder& word(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    // A character variable: its address, the 32-bit length and, for an array, a 32-bit count.
    ListBuilder& character(void* data, int length, int count = 0) {
        constexpr std::uint8_t OPERAND32 = 3 << 1;
        byte(TYPE_CHARACTER << 2).word(address_operand(data));
        byte(static_cast<std::uint8_t>((OPERAND32 << 4) | (count > 0 ? OPERAND32 : 0)));
        word(static_cast<std::uint32_t>(length));
        return count > 0 ? word(static_cast<std::uint32_t>(count)) : *this;
    }
    // A variable of another type, by address, with a 32-bit element count when count > 0.
    ListBuilder& variable(int type, void* data, int count = 0) {
        constexpr std::uint8_t OPERAND32 = 3 << 1;
        byte(static_cast<std::uint8_t>((type << 2) | (count > 0 ? 0x80 : 0)));
        word(address_operand(data));
        return count > 0 ? byte(OPERAND32).word(static_cast<std::uint32_t>(count)) : *this;
    }
    // A 4-byte value in the list itself.
    ListBuilder& value(int type, std::uint32_t v) {
        return byte(static_cast<std::uint8_t>((type << 2) | 0x40)).word(v);
    }
    const std::uint8_t* end() {
        bytes_.push_back(LIST_END);
        return bytes_.data();
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

// Statement flags of begin_read: the statement handles end of file and errors itself.
inline constexpr int READ_BRANCHES = 1 | 4;

// One READ statement from the default unit with the given item calls (and the ADVANCE= text of
// a non-advancing statement); the statement's status.
inline int read_statement(const std::function<void()>& items, int flags = READ_BRANCHES,
                          const char* advance = nullptr) {
    int length = advance != nullptr ? static_cast<int>(std::strlen(advance)) : 0;
    EXPECT_EQ(begin_read(DEFAULT_UNIT_READ, nullptr, 0, advance, length, nullptr, flags), 0);
    items();
    return end_read();
}

} // namespace lnc::test
