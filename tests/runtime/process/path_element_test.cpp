// Splitting PATH values into elements, in the POSIX (":") and the Windows (";") form.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/process/process.h"

namespace {

// Every element the search would see, up to the first null; "<null>" marks an element that ended
// the search by not fitting.
std::vector<std::string> split(const char* value, char separator, int capacity = 259) {
    std::vector<std::string> elements;
    std::string buffer(static_cast<std::size_t>(capacity) + 8, '#');
    const char* position = value;
    while (true) {
        const char* next = lnc::next_path_element(position, buffer.data(), capacity, separator);
        if (next == nullptr)
            break;
        EXPECT_GT(next, position) << "no progress in \"" << value << "\"";
        elements.emplace_back(buffer.c_str());
        position = next;
    }
    return elements;
}

using Elements = std::vector<std::string>;

struct SplitCase {
    const char* value;
    Elements posix;   // split at ':'
    Elements windows; // split at ';'
};

const SplitCase SPLIT_CASES[] = {
    {"", {}, {}},
    {"/bin", {"/bin"}, {"/bin"}},
    {"/usr/bin:/bin", {"/usr/bin", "/bin"}, {"/usr/bin:/bin"}},
    {"C:\\dos;D:\\tools", {"C", "\\dos;D", "\\tools"}, {"C:\\dos", "D:\\tools"}},
    // Runs of separators, leading and trailing ones, are skipped: no empty element appears.
    {"::/a:::/b::", {"/a", "/b"}, {"::/a:::/b::"}},
    {";;a;;;b;", {";;a;;;b;"}, {"a", "b"}},
    {":", {""}, {":"}},
    // Quotes are dropped and protect the separator of either form.
    {"\"/opt/a:b\":/bin", {"/opt/a:b", "/bin"}, {"/opt/a:b:/bin"}},
    {"\"C:\\x;y\";C:\\z", {"C:\\x;y;C", "\\z"}, {"C:\\x;y", "C:\\z"}},
    {"pre\"mid:dle\"post:next", {"premid:dlepost", "next"}, {"premid:dlepost:next"}},
    {"a\"b;c\"d;e", {"ab;cd;e"}, {"ab;cd", "e"}},
    // An unclosed quote runs to the end of the value.
    {"/a:\"/b:/c", {"/a", "/b:/c"}, {"/a:/b:/c"}},
    // A quoted empty element is an element of its own, and it is empty.
    {"\"\":/bin", {"", "/bin"}, {":/bin"}},
    {"\"\";x", {";x"}, {"", "x"}},
};

TEST(NextPathElement, SplitsBothForms) {
    for (const SplitCase& c : SPLIT_CASES) {
        EXPECT_EQ(split(c.value, ':'), c.posix) << "value \"" << c.value << "\" at ':'";
        EXPECT_EQ(split(c.value, ';'), c.windows) << "value \"" << c.value << "\" at ';'";
    }
}

TEST(NextPathElement, DefaultSeparatorIsThePlatformOne) {
    EXPECT_EQ(lnc::PATH_LIST_SEPARATOR, ':');
    char buffer[259];
    const char* next = lnc::next_path_element("/x;y:/z", buffer, 259);
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(buffer, "/x;y");
    EXPECT_STREQ(next, "/z");
}

TEST(NextPathElement, ReturnsPositionAfterTrailingSeparators) {
    const char* value = "/a:::/b";
    char buffer[259];
    EXPECT_EQ(lnc::next_path_element(value, buffer, 259, ':'), value + 5);
    EXPECT_EQ(lnc::next_path_element(value + 5, buffer, 259, ':'), value + 7);
    EXPECT_EQ(lnc::next_path_element(value + 7, buffer, 259, ':'), nullptr);
}

TEST(NextPathElement, TakesElementsOfUpTo257Characters) {
    for (char separator : {':', ';'}) {
        std::string element(257, 'd');
        std::string value = element + separator + "/next";
        EXPECT_EQ(split(value.c_str(), separator), (Elements{element, "/next"}));
        // The quotes do not count against the length.
        std::string quoted = "\"" + element + "\"" + separator + "/next";
        EXPECT_EQ(split(quoted.c_str(), separator), (Elements{element, "/next"}));
    }
}

TEST(NextPathElement, ElementOf258CharactersEndsTheSearch) {
    for (char separator : {':', ';'}) {
        std::string value =
            std::string("/first") + separator + std::string(258, 'd') + separator + "/never";
        EXPECT_EQ(split(value.c_str(), separator), (Elements{"/first"}));
        std::string quoted = "\"" + std::string(258, 'q') + "\"";
        EXPECT_TRUE(split(quoted.c_str(), separator).empty());
    }
}

TEST(NextPathElement, NeverWritesPastTheCapacity) {
    // Capacity 6 takes up to 4 characters and the terminator; a longer element writes at most 4.
    std::string buffer(16, '#');
    const char* next = lnc::next_path_element("abcd:x", buffer.data(), 6, ':');
    ASSERT_NE(next, nullptr);
    EXPECT_STREQ(buffer.c_str(), "abcd");
    buffer.assign(16, '#');
    EXPECT_EQ(lnc::next_path_element("abcde", buffer.data(), 6, ':'), nullptr);
    EXPECT_EQ(buffer.substr(4), std::string(12, '#'));
}

TEST(NextPathElement, RejectsMissingArguments) {
    char buffer[8];
    EXPECT_EQ(lnc::next_path_element(nullptr, buffer, 8, ':'), nullptr);
    EXPECT_EQ(lnc::next_path_element("/a", nullptr, 8, ':'), nullptr);
    EXPECT_EQ(lnc::next_path_element("/a", buffer, 0, ':'), nullptr);
}

} // namespace
