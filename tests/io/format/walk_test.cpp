// The walk over a compiled format: what a statement with a number of items meets, as a line of
// events — literals in quotes, positions ("4X", "T10"), records ("/") and data edits ("F10.3",
// led by the editing state when it is not the default: "-1P:", "SP:", "BZ:").
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>

#include "errors/errors.h"
#include "io/format/format_internal.h"

namespace lnc {
namespace {

std::string events;

void add_event(const std::string& event) {
    events += (events.empty() ? "" : " ") + event;
}

void record_literal(const char* text, int length) {
    add_event("'" + std::string(text, static_cast<std::size_t>(length)) + "'");
}

void record_position(std::uint8_t descriptor, int n) {
    static const char* const names[] = {"X", "T", "TL", "TR"};
    std::string count = std::to_string(n);
    add_event(descriptor == DESC_X ? count + "X" : names[descriptor - DESC_X] + count);
}

void record_next_record() {
    add_event("/");
}

void record_data_edit(const DataEdit& edit, const EditState& state) {
    static const char* const names[] = {"", "I", "F", "E", "D", "G", "EN", "ES", "L", "A"};
    static const char* const signs[] = {"", "SP:", "SS:"};
    std::string text = state.scale != 0 ? std::to_string(state.scale) + "P:" : "";
    text += signs[state.sign_mode] + std::string(state.blanks_are_zeros ? "BZ:" : "");
    text += names[edit.descriptor];
    const char* const marks[] = {"", ".", "E"};
    const int parts[] = {edit.width, edit.digits, edit.exponent};
    for (int i = 0; i < 3; ++i)
        text += parts[i] == NO_VALUE ? "" : marks[i] + std::to_string(parts[i]);
    add_event(text);
}

const FormatActions recorder = {record_literal, record_position, record_next_record};

// The events of a statement with that many items over the format (compiled from a copy of
// exactly its length), then its finish; when the walk raises, the events so far and "raised"
// with the status. A refused format gives "refused" and *error.
std::string walk(const std::string& text, int items, FormatError* error = nullptr) {
    auto copy = std::make_unique<char[]>(text.size());
    text.copy(copy.get(), text.size());
    FormatError refusal{};
    const CompiledFormat* format =
        compile_format_text(copy.get(), static_cast<int>(text.size()), error ? error : &refusal);
    if (format == nullptr)
        return "refused";
    events.clear();
    FormatCursor cursor{};
    start_format(cursor, format);
    EditState state{0, SIGN_DEFAULT, false};
    error_state.error_branch = 1;
    error_state.statement_kind = KIND_WRITE;
    try {
        for (int i = 0; i < items; ++i)
            record_data_edit(next_data_edit(cursor, recorder, state), state);
        finish_format(cursor, recorder, state);
    } catch (const StatementUnwind& unwind) {
        add_event("raised " + std::to_string(unwind.status));
    }
    error_state.error_branch = 0;
    return events;
}

struct WalkCase {
    const char* format;
    int items;
    const char* events;
};

TEST(FormatWalk, EventsOfStatements) {
    const WalkCase cases[] = {
        {"(I5)", 0, ""},
        {"('abc')", 0, "'abc'"},
        {"(I3,'x')", 1, "I3 'x'"},
        {"(I3/)", 1, "I3 /"},
        {"()", 0, ""},
        {"(3I5)", 4, "I5 I5 I5 / I5"},
        {"(I2,2(I3,(I4)))", 8, "I2 I3 I4 I3 I4 / I3 I4 I3"},
        {"(1X,2(I2,F5.1))", 5, "1X I2 F5.1 I2 F5.1 / I2"},
        {"(I1,2(I2,I3),I4)", 7, "I1 I2 I3 I2 I3 I4 / I2"},
        {"(I1,3/)", 2, "I1 / / / / I1 / / /"},
        {"(-1PE10.3,(F5.1))", 3, "-1P:E10.3 -1P:F5.1 / -1P:F5.1"}, // kP outlives reversion
        {"(SP,I2,SS,I2,S,BZ,I2,BN,I2)", 4, "SP:I2 SS:I2 BZ:I2 I2"},
        {"(T10,TL3,TR2,4X,X,A)", 1, "T10 TL3 TR2 4X 1X A"},
        {"(I5.3,F10.3,E12.4E3,D15.7,G10.3,G11.2E4,EN10.3,ES10.3E2,L2,A,A12)", 11,
         "I5.3 F10.3 E12.4E3 D15.7 G10.3 G11.2E4 EN10.3 ES10.3E2 L2 A A12"},
        {"   ( i 1 0 , s p , f 1 0 . 3 , 2 x , e s 1 2 . 4 e 2 ) ((", 3,
         "I10 SP:F10.3 2X SP:ES12.4E2"},
        {"('it''s',\"say \"\"hi\"\"\",3H a,,1X)", 0, "'it's' 'say \"hi\"' ' a,' 1X"},
        {"('A='I3' B='I3,1PE9.2,1X2I1)", 5, "'A=' I3 ' B=' I3 1P:E9.2 1X 1P:I1 1P:I1"},
        {"(2(I1)I2/I3:I4)", 5, "I1 I1 I2 / I3 I4"},
        {"(I1,:'x')", 1, "I1"},
        {"(I1,:'x')", 2, "I1 'x' / I1"},
        {"(I1,'x',:,'y')", 1, "I1 'x'"},
        {"(32767(32767(I1,1X)))", 3, "I1 1X I1 1X I1 1X"},
        {"(((((((((((((((((I1)))))))))))))))))", 2, "I1 / I1"}, // 16 groups inside
    };
    for (const WalkCase& c : cases)
        EXPECT_EQ(walk(c.format, c.items), c.events) << c.format << " with " << c.items;
}

TEST(FormatWalk, FormatsThatCannotServeTheItems) {
    const std::string raised =
        "raised " + std::to_string(6000 + ErrorNumberTable[MSG_NO_DATA_EDIT]);
    EXPECT_EQ(walk("('abc')", 1), "'abc' " + raised);
    EXPECT_EQ(walk("()", 1), raised);
    // The part reversion would repeat has no data edit: refused before a new record.
    EXPECT_EQ(walk("(I1,(3X))", 2), "I1 3X " + raised);
}

// Random short texts of format characters: each compiles and walks over three items, or is
// refused with a format message at a place inside the text; never a crash, a hang or a read
// past the text.
TEST(FormatWalk, RandomTextsCompileOrAreRefused) {
    const std::string alphabet = "()(),,,'\"IFEDGLAXTPSBNZHR:/.+-0123456789  ";
    std::mt19937 random(1978);
    for (int n = 0; n < 20000; ++n) {
        std::string text = "(";
        for (int i = static_cast<int>(random() % 12); i > 0; --i)
            text += alphabet[random() % alphabet.size()];
        FormatError error{-1, -1, 0};
        if (walk(text, 3, &error) == "refused") {
            EXPECT_TRUE(error.message_index > 0 && error.message_index != MSG_NO_MEMORY &&
                        error.position >= 0 && error.position <= static_cast<int>(text.size()))
                << text;
        }
    }
}

} // namespace
} // namespace lnc
