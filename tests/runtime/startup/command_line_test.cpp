// Splitting the command line into arguments, and the block that holds them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "runtime/heap/heap.h"
#include "runtime/startup/startup.h"

namespace lnc {
namespace {

using Arguments = std::vector<std::string>;

Arguments parse(const char* line, const char* path = "/opt/lncalc/lncalc") {
    int argc = -1;
    char** argv = parse_command_line(line, path, &argc);
    EXPECT_NE(argv, nullptr);
    Arguments result;
    if (argv == nullptr) {
        return result;
    }
    for (int i = 0; i < argc; ++i) {
        result.emplace_back(argv[i]);
    }
    EXPECT_EQ(argv[argc], nullptr);
    release(argv);
    return result;
}

struct Case {
    const char* line;
    Arguments expected;
};

TEST(CommandLine, SplitsAtBlanksAndTabs) {
    const Case cases[] = {
        {"lncalc", {"lncalc"}},
        {"lncalc a b", {"lncalc", "a", "b"}},
        {"lncalc\ta\t\t b  ", {"lncalc", "a", "b"}},
        {"lncalc   ", {"lncalc"}},
        {"lncalc \"\"", {"lncalc", ""}},
        {"lncalc \"\" x", {"lncalc", "", "x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.line), c.expected) << c.line;
    }
}

TEST(CommandLine, ProgramNameEndsAtItsClosingQuoteOnly) {
    const Case cases[] = {
        {"\"C:\\Program Files\\lncalc.exe\" 2", {"C:\\Program Files\\lncalc.exe", "2"}},
        // Backslashes and blanks inside the quoted name are its own characters.
        {"\"a\\\"b c", {"a\\", "b", "c"}},
        {"\"unclosed name", {"unclosed name"}},
        // Text right after the closing quote starts the next argument.
        {"\"p\"x y", {"p", "x", "y"}},
        {"p\"q r", {"p\"q", "r"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.line), c.expected) << c.line;
    }
}

TEST(CommandLine, BackslashRunsBeforeAQuote) {
    const Case cases[] = {
        // Two backslashes and a quote: one backslash, and the quote opens the quoted state.
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},
        // Three: one backslash and a literal quote.
        {"p a\\\\\\\"b c", {"p", "a\\\"b", "c"}},
        // One: a literal quote.
        {"p a\\\"b", {"p", "a\"b"}},
        // Four: two backslashes, quote toggles.
        {"p a\\\\\\\\\"b c\"", {"p", "a\\\\b c"}},
        // Five: two backslashes and a literal quote.
        {"p \\\\\\\\\\\"", {"p", "\\\\\""}},
        // Backslashes not followed by a quote stay as they are, at the end too.
        {"p C:\\dir\\\\sub\\ x\\\\", {"p", "C:\\dir\\\\sub\\", "x\\\\"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.line), c.expected) << c.line;
    }
}

TEST(CommandLine, QuotesToggleAndDoubleInsideQuotes) {
    const Case cases[] = {
        {"p \"a b\" c", {"p", "a b", "c"}},
        {"p a\"b c\"d e", {"p", "ab cd", "e"}},
        // A doubled quote in the quoted state is one quote and the state stays quoted.
        {"p \"a\"\"b\"", {"p", "a\"b"}},
        {"p \"a\"\" b\" c", {"p", "a\" b", "c"}},
        {"p \"\"\"\"", {"p", "\""}},
        // Outside quotes a doubled quote opens and closes: nothing is copied.
        {"p a\"\"b", {"p", "ab"}},
        // The quoted state carries over to the next argument.
        {"p \"a b", {"p", "a b"}},
        {"p \"a\tb\"", {"p", "a\tb"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(parse(c.line), c.expected) << c.line;
    }
}

TEST(CommandLine, EmptyLineNamesTheProgramByItsWholePath) {
    EXPECT_EQ(parse("", "/opt/my tools/lncalc"), Arguments{"/opt/my tools/lncalc"});
    EXPECT_EQ(parse(nullptr, "/opt/lncalc"), Arguments{"/opt/lncalc"});
    EXPECT_EQ(parse("", ""), Arguments{""});
}

TEST(CommandLine, LeadBytesKeepTheirTrailByte) {
    lead_byte_table[0x81] = 1;
    // The trail byte after a lead byte is a quote or a blank in appearance only.
    EXPECT_EQ(parse("p a\x81\"b c"), (Arguments{"p", "a\x81\"b", "c"}));
    EXPECT_EQ(parse("p a\x81 b"), (Arguments{"p", "a\x81 b"}));
    EXPECT_EQ(parse("\"n\x81\"m\" x"), (Arguments{"n\x81\"m", "x"}));
    EXPECT_EQ(parse("n\x81 m x"), (Arguments{"n\x81 m", "x"}));
    // A lead byte at the very end is copied alone.
    EXPECT_EQ(parse("p a\x81"), (Arguments{"p", "a\x81"}));
    lead_byte_table[0x81] = 0;
    EXPECT_EQ(parse("p a\x81\"b c"), (Arguments{"p", "a\x81"
                                                     "b c"}));
}

TEST(CommandLine, OneBlockHoldsThePointersThenTheStrings) {
    int argc = 0;
    char** argv = parse_command_line("prog \"x y\" z", "", &argc);
    ASSERT_NE(argv, nullptr);
    ASSERT_EQ(argc, 3);
    const char* strings = reinterpret_cast<const char*>(argv + 4);
    EXPECT_EQ(argv[0], strings);
    EXPECT_EQ(argv[1], strings + 5);
    EXPECT_EQ(argv[2], strings + 9);
    EXPECT_EQ(block_size(argv), 4 * sizeof(char*) + sizeof "prog" + sizeof "x y" + sizeof "z");
    release(argv);
}

TEST(CommandLine, FailsWhenTheBlockCannotBeHad) {
    int argc = 0;
    fail_allocation_after(1);
    EXPECT_EQ(parse_command_line("prog a", "", &argc), nullptr);
    fail_allocation_after(0);
}

TEST(EntryArguments, AreCopiedAsGiven) {
    char name[] = "lncalc";
    char blank[] = "a b";
    char quotes[] = "\"q\\\"";
    char empty[] = "";
    char* argv[] = {name, blank, quotes, empty, nullptr};
    int count = 0;
    char** copy = copy_arguments(4, argv, "/x", &count);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(count, 4);
    EXPECT_STREQ(copy[0], "lncalc");
    EXPECT_STREQ(copy[1], "a b");
    EXPECT_STREQ(copy[2], "\"q\\\"");
    EXPECT_STREQ(copy[3], "");
    EXPECT_EQ(copy[4], nullptr);
    EXPECT_NE(copy[1], blank);
    EXPECT_EQ(block_size(copy), 5 * sizeof(char*) + 7 + 4 + 5 + 1);
    release(copy);
}

TEST(EntryArguments, NoArgumentsAtAllGiveTheProgramPath) {
    char* argv[] = {nullptr};
    int count = -1;
    char** copy = copy_arguments(0, argv, "/usr/bin/lncalc", &count);
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(count, 1);
    EXPECT_STREQ(copy[0], "/usr/bin/lncalc");
    EXPECT_EQ(copy[1], nullptr);
    release(copy);
    fail_allocation_after(1);
    EXPECT_EQ(copy_arguments(0, argv, "/x", &count), nullptr);
    fail_allocation_after(0);
}

TEST(Environment, LeavesOutDriveEntriesAndKeepsOrder) {
    const char text[] = "=C:=C:\\dir\0PATH=/bin\0=::=::\\\0EMPTY=\0X=1=2\0";
    auto* block = static_cast<char*>(allocate(sizeof text));
    ASSERT_NE(block, nullptr);
    std::memcpy(block, text, sizeof text);
    char** environment = build_environment(block);
    ASSERT_NE(environment, nullptr);
    std::vector<std::string> strings;
    for (char** entry = environment; *entry != nullptr; ++entry) {
        strings.emplace_back(*entry);
    }
    EXPECT_EQ(strings, (std::vector<std::string>{"PATH=/bin", "EMPTY=", "X=1=2"}));
    for (char** entry = environment; *entry != nullptr; ++entry) {
        release(*entry);
    }
    release(environment);
}

TEST(Environment, ShortageOfTheArrayOrOfAStringFails) {
    for (int failing = 1; failing <= 3; ++failing) {
        const char text[] = "A=1\0B=2\0";
        auto* block = static_cast<char*>(allocate(sizeof text));
        ASSERT_NE(block, nullptr);
        std::memcpy(block, text, sizeof text);
        fail_allocation_after(failing);
        EXPECT_EQ(build_environment(block), nullptr) << failing;
        fail_allocation_after(0);
    }
}

} // namespace
} // namespace lnc
