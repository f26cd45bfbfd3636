// format_real edits the part of the statement's current item at its data address.
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace lnc {
namespace {

std::string edit_current(const RealEditDescriptor& d) {
    char out[FORMAT_TOO_LONG];
    const int n = format_real(d, out);
    return std::string(out, n);
}

TEST(FormatReal, ReadsTheCurrentItem) {
    const CurrentItem saved = current_item;
    float single = 2.0f;
    current_item = {TYPE_REAL4, reinterpret_cast<std::uint8_t*>(&single), 4, 1};
    EXPECT_EQ(edit_current(LIST_SINGLE), "2.000000");
    double value = 0.5;
    current_item = {TYPE_REAL8, reinterpret_cast<std::uint8_t*>(&value), 8, 1};
    EXPECT_EQ(edit_current(LIST_DOUBLE), "5.000000000000000E-001");
    current_item = saved;
}

// A complex item is edited part by part: the caller moves the data address to the second part.
TEST(FormatReal, ComplexPartAtTheDataAddress) {
    const CurrentItem saved = current_item;
    float pair[2] = {1.0f, -0.5f};
    current_item = {TYPE_COMPLEX8, reinterpret_cast<std::uint8_t*>(pair), 4, 1};
    EXPECT_EQ(edit_current(LIST_SINGLE), "1.000000");
    current_item.data += 4;
    EXPECT_EQ(edit_current(LIST_SINGLE), "-5.000000E-01");
    double wide_pair[2] = {12345678.9, 1e-300};
    current_item = {TYPE_COMPLEX16, reinterpret_cast<std::uint8_t*>(wide_pair), 8, 1};
    EXPECT_EQ(edit_current(LIST_DOUBLE), "1.234567890000000E+007");
    current_item.data += 8;
    EXPECT_EQ(edit_current(LIST_DOUBLE), "1.000000000000000E-300");
    current_item = saved;
}

TEST(FormatReal, NonRealItemEditsNothing) {
    const CurrentItem saved = current_item;
    std::int32_t integer = 7;
    current_item = {TYPE_INTEGER4, reinterpret_cast<std::uint8_t*>(&integer), 4, 1};
    char out[FORMAT_TOO_LONG];
    EXPECT_EQ(format_real(LIST_SINGLE, out), 0);
    current_item = saved;
}

} // namespace
} // namespace lnc
