// The PAUSE rewrite of lncalc-fortran-prepare over source lines: what is rewritten, in which
// columns, and what is left as it stands.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fortran/prepare/pause_rewrite.h"

namespace lnc::fortran_prepare {
namespace {

struct Case {
    SourceForm form;
    std::vector<std::string> lines;
    std::vector<std::string> expected; // empty: left as it is
};

constexpr SourceForm FIXED{true, FIXED_FORM_WIDTH};
constexpr SourceForm FREE{false, 0};

TEST(PauseRewrite, FormsRewrittenAndLeftAlone) {
    const std::string fifty_one(51, 'x');
    const Case cases[] = {
        {FIXED, {"   20 PAUSE 7 7"}, {"   20 CALL lncpause('77')"}},
        {FIXED, {"      pa Use'It''s'   ! why"}, {"      CALL lncpause('It''s')   ! why"}},
        {FIXED, {"      PAUSE '" + fifty_one + "'"}, {}}, // fits in no way
        {FIXED, {"      PAUSE 123456"}, {}},
        {FIXED, {"      PAUSE = 3"}, {}},
        {FIXED, {"      PAUSE"}, {}},
        {FIXED, {"C     PAUSE 'x'", "*     PAUSE 'x'"}, {}},
        {FIXED, {"      PAUSE 'x'", "C     between", "     &//'y'"}, {}},
        {FIXED, {"\tPAUSE 'x'"}, {}},
        {SourceForm{true, 0},
         {"      PAUSE '" + fifty_one + "'"},
         {"      CALL lncpause('" + fifty_one + "')"}},
        {FREE, {"10 Pause \"a;b!c\" ! note"}, {"10 CALL lncpause(\"a;b!c\") ! note"}},
        {FREE, {"x = 1; pause 5; pause 'y'"}, {"x = 1; CALL lncpause('5'); CALL lncpause('y')"}},
        {FREE, {"pause77", "pauses 'x'", "call pause 'x'"}, {}},
        {FREE, {"pause 'a&", "&b'", "pause 'c' &", "  // 'd'"}, {}},
        {FREE,
         {"x = 'it''s; &", "  pause 1", "pause 2"},
         {"x = 'it''s; &", "  pause 1", "CALL lncpause('2')"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> lines = c.lines;
        int count = rewrite_pauses(lines, c.form);
        const std::vector<std::string>& expected = c.expected.empty() ? c.lines : c.expected;
        EXPECT_EQ(lines, expected) << c.lines[0];
        EXPECT_EQ(count == 0, c.expected.empty()) << c.lines[0];
    }
}

// The copy keeps the source's line count; a statement that only fits without blanks loses its
// comment and its blanks.
TEST(PauseRewrite, FixedFormStaysWithinTheWidth) {
    std::vector<std::string> lines = {"      PAUSE '" + std::string(50, 'z') + "' ! gone", ""};
    EXPECT_EQ(rewrite_pauses(lines, FIXED), 1);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "      CALLlncpause('" + std::string(50, 'z') + "')");
    EXPECT_EQ(lines[0].size(), 72u);
}

} // namespace
} // namespace lnc::fortran_prepare
