// A console for list-directed statements in tests: the engine session (support/engine_fixture.h)
// with the exit's unit shutdown at hand, so that a test sees the line end owed at exit.
#pragma once
#include <bit>
#include <cstdint>
#include <string>
#include <string_view>

#include "errors/errors.h"
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

    // Runs the exit's unit shutdown (the CR LF owed to an open console line).
    void close() { close_all_units(); }
    void type(std::string_view keys) { session_.type(keys); }
    std::string output() { return session_.output(); }
    std::string error() { return session_.error(); }

  private:
    EngineSession session_;
};

// Statement flags of begin_read: the statement handles end of file and errors itself.
inline constexpr int READ_BRANCHES = 1 | 4;

} // namespace lnc::test
