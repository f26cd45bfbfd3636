// Message indices, error numbers, the packed message table and the formatting of placeholders.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "errors/errors.h"

namespace lnc {
namespace {

TEST(ErrorNumberTable, RunBoundariesGiveTheirNumbers) {
    struct Case {
        int index;
        int number;
    };
    const Case cases[] = {
        {0, 96},   {3, 99},    {7, 103},   {10, 106},  {11, 200},  {25, 214},  {26, 300},
        {40, 314}, {45, 319},  {46, 400},  {53, 407},  {71, 425},  {72, 500},  {73, 501},
        {88, 516}, {89, 600},  {91, 602},  {92, 700},  {93, 701},  {94, 970},  {96, 972},
        {97, 980}, {115, 998}, {116, 999}, {117, 702}, {215, 800}, {218, 803}, {219, 804},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ErrorNumberTable[c.index], c.number) << "index " << c.index;
    }
}

TEST(ErrorNumberTable, EveryIndexHasItsOwnNumber) {
    std::set<int> seen;
    for (int index = 0; index < MESSAGE_COUNT; ++index) {
        int number = ErrorNumberTable[index];
        EXPECT_GE(number, 96) << index;
        EXPECT_LE(number, 999) << index;
        EXPECT_TRUE(seen.insert(number).second) << "number " << number << " repeated at " << index;
    }
}

TEST(StatementNameTable, KindsSelectTheirTexts) {
    EXPECT_STREQ(StatementNameTable[KIND_UNNAMED], ": (");
    EXPECT_STREQ(StatementNameTable[KIND_WRITE], ": WRITE(");
    EXPECT_STREQ(StatementNameTable[KIND_OPEN], ": OPEN(");
    EXPECT_STREQ(StatementNameTable[KIND_READ], ": READ(");
    EXPECT_STREQ(StatementNameTable[KIND_EOF], ": EOF(");
    EXPECT_STREQ(StatementNameTable[KIND_DEBUG], ": $DEBUG\r\n- ");
    EXPECT_STREQ(StatementNameTable[KIND_MATH], ": MATH\r\n- ");
    EXPECT_STREQ(StatementNameTable[KIND_NONE], "\r\n- ");
    EXPECT_STREQ(StatementNameTable[KIND_PANE], ": PANE\r\n- ");
}

// The readable source list, read back the way its comment describes it: index, name, then the
// words.
std::map<int, std::string> source_texts() {
    std::ifstream source(std::string(LNCALC_SOURCE_DIR) + "/errors/messages.txt");
    std::map<int, std::string> texts;
    std::string line;
    while (std::getline(source, line)) {
        std::istringstream words(line);
        std::string head;
        if (!(words >> head) || head[0] == '#') {
            continue;
        }
        std::string name, text, word;
        words >> name;
        while (words >> word) {
            text += (text.empty() ? "" : " ") + word;
        }
        texts[std::stoi(head)] = text;
    }
    return texts;
}

TEST(ExpandMessage, EveryIndexGivesItsSourceText) {
    std::map<int, std::string> texts = source_texts();
    ASSERT_EQ(texts.size(), static_cast<std::size_t>(MESSAGE_COUNT));
    for (int index = 0; index < MESSAGE_COUNT; ++index) {
        error_state.error_number = -1;
        EXPECT_EQ(std::string(expand_message(index)), texts[index]) << "index " << index;
        EXPECT_EQ(error_state.error_number, ErrorNumberTable[index]) << "index " << index;
    }
}

TEST(ExpandMessage, OnlyTheDesignatedMessageIsEmpty) {
    for (int index = 0; index < MESSAGE_COUNT; ++index) {
        std::string text = expand_message(index);
        if (index == MSG_NO_TEXT) {
            EXPECT_EQ(text, "");
            continue;
        }
        ASSERT_FALSE(text.empty()) << index;
        EXPECT_NE(text.front(), ' ') << index;
        EXPECT_NE(text.back(), ' ') << index;
        EXPECT_EQ(text.find("  "), std::string::npos) << index;
        EXPECT_EQ(text.find(" ,"), std::string::npos) << index;
        for (char c : text) {
            EXPECT_TRUE(c >= 0x20 && c < 0x7F) << index;
        }
    }
}

TEST(ExpandMessage, FixedTextsOfTheEngine) {
    EXPECT_STREQ(expand_message(MSG_FORMATTED_UNAVAILABLE),
                 "formatted transfer is not available in this run-time");
    EXPECT_STREQ(expand_message(MSG_NAMELIST_UNAVAILABLE),
                 "namelist transfer is not available in this run-time");
    EXPECT_STREQ(expand_message(MSG_END_OF_RECORD), "end of record");
    EXPECT_STREQ(expand_message(50), "file cannot be deleted, permission denied");
}

TEST(ExpandMessage, PlaceholdersOnlyWhereDeclared) {
    const std::map<int, std::string> declared = {
        {37, "%d"}, {66, "%d"}, {118, "%c"}, {144, "%d"}, {155, "%d%s"}, {169, "%s"},
    };
    for (int index = 0; index < MESSAGE_COUNT; ++index) {
        std::string text = expand_message(index), found;
        for (std::size_t at = text.find('%'); at != std::string::npos;
             at = text.find('%', at + 1)) {
            found += text.substr(at, 2);
        }
        auto it = declared.find(index);
        EXPECT_EQ(found, it == declared.end() ? "" : it->second) << "index " << index;
    }
}

TEST(ExpandMessage, IndexOutsideTheTableShowsTheUnknownMessage) {
    std::string unknown = expand_message(MSG_UNKNOWN);
    EXPECT_EQ(std::string(expand_message(MESSAGE_COUNT)), unknown);
    EXPECT_EQ(std::string(expand_message(-7)), unknown);
    EXPECT_EQ(error_state.error_number, ErrorNumberTable[MSG_UNKNOWN]);
}

// Invariants of the packed table, checked from the table itself.
TEST(PackedMessageTable, EveryMessageIsReachableAndEnds) {
    const PackedMessageTable& t = packed_messages;
    ASSERT_LE(t.word_count, 0x1000); // link targets have 12 bits
    ASSERT_GT(t.char_count, 0);
    EXPECT_NE(t.chars[0] & 0x80, 0);

    std::set<int> starts = {0};
    int links = 0;
    for (int p = 0; p < t.word_count; ++p) {
        std::uint16_t e = t.words[p];
        if (e == PACKED_END || (e & 0xF000) == PACKED_LINK) {
            starts.insert(p + 1);
        }
        if ((e & 0xF000) == PACKED_LINK) {
            ++links;
            int target = e & 0x0FFF;
            ASSERT_LT(target, t.word_count) << "link at " << p;
            std::uint16_t there = t.words[target];
            EXPECT_NE(there, PACKED_END) << "link at " << p << " leads to an empty tail";
            EXPECT_NE(there & 0xF000, PACKED_LINK) << "link at " << p << " leads to a link";
        } else if (e == PACKED_STRING || e == PACKED_INTEGER || e == PACKED_CHARACTER ||
                   e == PACKED_END) {
        } else {
            ASSERT_LT(e, 0x8000) << "entry " << p;
            ASSERT_LT(e, t.char_count) << "entry " << p;
            EXPECT_NE(t.chars[e] & 0x80, 0) << "entry " << p << " is not the start of a word";
        }
    }
    // One run per message and nothing after the last.
    EXPECT_EQ(starts.size(), static_cast<std::size_t>(MESSAGE_COUNT + 1));
    EXPECT_EQ(*starts.rbegin(), t.word_count);
    EXPECT_GT(links, 0) << "messages that end alike should share their tails";

    // Following every run, links included, reaches a terminator within the table's length.
    for (int start : starts) {
        if (start == t.word_count) {
            continue;
        }
        int p = start, steps = 0;
        while (t.words[p] != PACKED_END && steps++ <= t.word_count) {
            p = (t.words[p] & 0xF000) == PACKED_LINK ? (t.words[p] & 0x0FFF) : p + 1;
            ASSERT_LT(p, t.word_count);
        }
        EXPECT_EQ(t.words[p], PACKED_END) << "run at " << start;
    }
}

TEST(FormatDecimal, SignsAndExtremes) {
    const std::pair<int, const char*> cases[] = {
        {0, "0"},
        {7, "7"},
        {-45, "-45"},
        {6103, "6103"},
        {INT_MAX, "2147483647"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto& [value, text] : cases) {
        char out[12];
        EXPECT_EQ(format_decimal(out, value), static_cast<int>(std::strlen(text)));
        EXPECT_STREQ(out, text);
    }
}

std::string format(int capacity, const char* message_template, ...) {
    std::string out(static_cast<std::size_t>(capacity) + 8, '#');
    std::va_list arguments;
    va_start(arguments, message_template);
    int length = format_message(out.data(), capacity, message_template, arguments);
    va_end(arguments);
    // Nothing past the capacity is touched.
    EXPECT_EQ(out.substr(static_cast<std::size_t>(capacity)), std::string(8, '#'));
    EXPECT_EQ(out[static_cast<std::size_t>(length)], '\0');
    return out.substr(0, static_cast<std::size_t>(length));
}

TEST(FormatMessage, PlaceholdersTakeTheirArgumentsInOrder) {
    EXPECT_EQ(format(100, "record number %d out of range", -5), "record number -5 out of range");
    EXPECT_EQ(format(100, "length %d too large for %s", 300, "LINE"),
              "length 300 too large for LINE");
    EXPECT_EQ(format(100, "value %c", 'Q'), "value Q");
    EXPECT_EQ(format(100, "%d%d", INT_MIN, 1), "-21474836481");
    EXPECT_EQ(format(100, "no text %s.", static_cast<const char*>(nullptr)), "no text .");
    EXPECT_EQ(format(100, "letter %c", 0), "letter ?");
}

TEST(FormatMessage, OtherPercentsStayAsTheyAre) {
    EXPECT_EQ(format(100, "50% of %x and 100%"), "50% of %x and 100%");
}

TEST(FormatMessage, LongResultsAreCutAtTheBuffer) {
    std::string long_text(2000, 'n');
    std::string out = format(MESSAGE_BUFFER_SIZE, "name %s end", long_text.c_str());
    EXPECT_EQ(out.size(), static_cast<std::size_t>(MESSAGE_BUFFER_SIZE - 1));
    EXPECT_EQ(out.substr(0, 6), "name n");
    EXPECT_EQ(format(5, "abcdefgh"), "abcd");
    EXPECT_EQ(format(4, "%d", 123456), "123");
    EXPECT_EQ(format(1, "abc"), "");
}

} // namespace
} // namespace lnc
