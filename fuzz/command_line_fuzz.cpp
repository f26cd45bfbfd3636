// The start-up's command-line parser on arbitrary bytes.
//
// Input layout: byte 0 chooses the lead bytes of the code page (0: none; otherwise the bytes
// from 0x80 + byte 0 to 0xFE are lead bytes); the rest, cut at the first NUL, is the command
// line. For every line: the block holds the pointer array, a null after the last argument and
// then the arguments end to end, filling the block exactly; there is at least one argument.
// Without lead bytes the arguments also survive a round trip: written back as a command line
// by the quoting rules and parsed again, they come back unchanged.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/harness.h"
#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace {

const char PROGRAM_PATH[] = "C:\\lncalc\\lncalc.exe";

std::vector<std::string> parse(const std::string& line) {
    // An exactly sized copy, so that a read past the terminator is caught.
    char* copy = new char[line.size() + 1];
    std::memcpy(copy, line.c_str(), line.size() + 1);
    int argc = -1;
    char** block = lnc::parse_command_line(copy, PROGRAM_PATH, &argc);
    delete[] copy;
    if (block == nullptr) {
        lnc::fuzz::fail("no block for \"" + line + "\"");
    }
    if (argc < 1 || block[argc] != nullptr) {
        lnc::fuzz::fail("argument count " + std::to_string(argc) + " for \"" + line + "\"");
    }
    std::size_t size = lnc::block_size(block);
    const char* text = reinterpret_cast<const char*>(block + argc + 1);
    const char* end = reinterpret_cast<const char*>(block) + size;
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) {
        if (block[i] != text || text >= end) {
            lnc::fuzz::fail("argument " + std::to_string(i) + " is not where the block puts it");
        }
        std::size_t length = strnlen(text, static_cast<std::size_t>(end - text));
        if (text + length == end) {
            lnc::fuzz::fail("argument " + std::to_string(i) + " runs past the block");
        }
        arguments.emplace_back(text, length);
        text += length + 1;
    }
    if (text != end) {
        lnc::fuzz::fail("the arguments do not fill their block for \"" + line + "\"");
    }
    lnc::release(block);
    return arguments;
}

// One argument written so that the argument rules read it back: in quotes, with each run of
// backslashes doubled before a quote (and before the closing quote) and each quote escaped.
std::string quoted(const std::string& argument) {
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        out.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        out += c;
    }
    out.append(2 * backslashes, '\\');
    return out + "\"";
}

// The program name takes no escapes: it is quoted when it holds no quote, else written as it is
// (a name read without quotes holds no blank or tab).
std::string command_line_of(const std::vector<std::string>& arguments) {
    const std::string& name = arguments[0];
    std::string line = name.find('"') == std::string::npos ? "\"" + name + "\"" : name;
    for (std::size_t i = 1; i < arguments.size(); ++i) {
        line += " " + quoted(arguments[i]);
    }
    return line;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    lnc::fuzz::prepare_runtime();
    for (int b = 0; b < 256; ++b) {
        lnc::lead_byte_table[b] = data[0] != 0 && b >= 0x80 + data[0] % 0x7F && b < 0xFF;
    }
    std::string line(reinterpret_cast<const char*>(data + 1), size - 1);
    line = line.substr(0, line.find('\0'));
    std::vector<std::string> arguments = parse(line);
    for (const std::string& argument : arguments) {
        lnc::fuzz::note_result(argument.c_str(), argument.size() + 1);
    }
    if (line.empty() && (arguments.size() != 1 || arguments[0] != PROGRAM_PATH)) {
        lnc::fuzz::fail("an empty command line does not name the program by its path");
    }
    if (data[0] == 0 && !line.empty()) {
        std::string again = command_line_of(arguments);
        if (parse(again) != arguments) {
            lnc::fuzz::fail("\"" + line + "\" does not survive the round trip through \"" + again +
                            "\"");
        }
    }
    for (std::uint8_t& lead : lnc::lead_byte_table) {
        lead = 0;
    }
    return 0;
}
