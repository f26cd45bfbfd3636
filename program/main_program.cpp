// The calculator's dialogue: the banner, the prompt, one value read, its logarithm printed, and
// the closing pause.
#include <bit>
#include <cstdint>
#include <string_view>

#include "lncalc/runtime.h"
#include "os/fpu.h"
#include "program/program.h"

namespace lnc {

float input_value = 0.0f;
float log_value = 0.0f;

namespace {

// Each literal is an item of exactly its own length: no terminator is written.
constexpr std::string_view BANNER[7] = {
    "*****  *****  *****        *   *****   *",
    "  *    *      *           **       *  **",
    "  *    *      *          * *      *    *",
    "  *    ****   ****      *  *     *     *",
    "  *    *      *         *****    *     *",
    "  *    *      *            *     *     *",
    "  *    *****  *            *     *    ***   Quorvaltemsin",
};
constexpr std::string_view PROMPT =
    "Dogal logaritmasinin hesaplanmasini istediginiz degeri giriniz:";
constexpr std::string_view OPEN_TEXT = "ln(";
constexpr std::string_view CLOSE_TEXT = ")=";
constexpr std::string_view PAUSE_MESSAGE = "Programi sonlandirmak icin enter a basiniz.";

// A list-directed WRITE on the console; its status is not examined because the statement has no
// error branch, so a failure ends the process inside the call.
void begin_console_write() {
    begin_write(DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
}

void write_line(std::string_view line) {
    begin_console_write();
    write_item_character(line.data(), static_cast<int>(line.size()));
    end_write();
}

} // namespace

int main_program(int, char**, char**) {
    // The banner, one statement per line.
    for (std::string_view line : BANNER) {
        write_line(line);
    }
    begin_console_write();
    end_write();
    write_line(PROMPT);
    begin_read(DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    read_item_real4(&input_value);
    end_read();
    // Rounded to single precision as it is stored, so that the result line shows what was kept.
    log_value = std::bit_cast<float>(fpu::store_single(natural_log(&input_value)));
    // Each real is read from its variable when its item call is made.
    begin_console_write();
    write_item_character(OPEN_TEXT.data(), static_cast<int>(OPEN_TEXT.size()));
    write_item_real4(std::bit_cast<std::uint32_t>(input_value));
    write_item_character(CLOSE_TEXT.data(), static_cast<int>(CLOSE_TEXT.size()));
    write_item_real4(std::bit_cast<std::uint32_t>(log_value));
    end_write();
    begin_console_write();
    end_write();
    // The pause keeps a console window open until the result has been read.
    pause_statement(static_cast<int>(PAUSE_MESSAGE.size()), PAUSE_MESSAGE.data());
    return 0;
}

} // namespace lnc
