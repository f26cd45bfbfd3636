// The text-to-real conversion on arbitrary bytes (cut at the first NUL, as the conversion is
// handed a terminated token).
//
// For every text: the count used lies within the text, NOT_ALL_USED is set exactly when the
// scan stopped short, a text without digits gives 0, an overflow gives an infinity. For a text
// of the plain form [+-]digits[.digits][E[+-]digits] (at least one mantissa digit, at most six
// exponent digits): the scan takes all of it, and the double and what a single-precision item
// receives equal the independent model of the conversion's rules.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz/harness.h"
#include "io/numconv/numconv.h"
#include "io/statement/statement.h"
#include "support/real_reference.h"

namespace {

std::uint64_t bits_of(double d) {
    std::uint64_t b;
    std::memcpy(&b, &d, sizeof b);
    return b;
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// True for [+-]digits[.digits][E[+-]digits] with at least one mantissa digit and at most six
// exponent digits (also "digits." and ".digits").
bool plain_form(const std::string& text) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        ++i;
    }
    int digits = 0;
    for (; i < text.size() && is_digit(text[i]); ++i) {
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size() && is_digit(text[i]); ++i) {
            ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < text.size() && text[i] == 'E') {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            ++i;
        }
        int exponent_digits = 0;
        for (; i < text.size() && is_digit(text[i]); ++i) {
            ++exponent_digits;
        }
        if (exponent_digits == 0 || exponent_digits > 6) {
            return false;
        }
    }
    return i == text.size();
}

std::string hex(std::uint64_t v) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%016llx", static_cast<unsigned long long>(v));
    return buffer;
}

void check_flags(const std::string& text, const lnc::RealConversion& c) {
    auto length = static_cast<std::int32_t>(text.size());
    if (c.used < 0 || c.used > length) {
        lnc::fuzz::fail("\"" + text + "\": " + std::to_string(c.used) + " characters used");
    }
    if (((c.flags & lnc::NOT_ALL_USED) != 0) != (c.used != length)) {
        lnc::fuzz::fail("\"" + text + "\": NOT_ALL_USED does not match the count used");
    }
    if ((c.flags & lnc::NO_DIGITS) != 0 && (bits_of(c.value) << 1) != 0) {
        lnc::fuzz::fail("\"" + text + "\": no digits but a value");
    }
    if ((c.flags & lnc::CONVERSION_OVERFLOW) != 0 &&
        (bits_of(c.value) << 1) != 0xFFE0000000000000ULL) {
        lnc::fuzz::fail("\"" + text + "\": overflow but not an infinity");
    }
}

void check_against_model(const std::string& text, const lnc::RealConversion& c) {
    if ((c.flags & (lnc::NOT_ALL_USED | lnc::NO_DIGITS)) != 0) {
        lnc::fuzz::fail("\"" + text + "\": a plain number was not taken whole");
    }
    std::uint64_t model = lnc::test::model_double_of_text(text.c_str());
    if (bits_of(c.value) != model) {
        lnc::fuzz::fail("\"" + text + "\": double " + hex(bits_of(c.value)) + ", model " +
                        hex(model));
    }
    lnc::RealItemResult single = lnc::real_item_result(c, lnc::TYPE_REAL4);
    lnc::test::ModelSingle expected = lnc::test::model_single_of_double(model);
    if (single.message_index != expected.message_index ||
        (expected.message_index == 0 && static_cast<std::uint32_t>(single.bits) != expected.bits)) {
        lnc::fuzz::fail("\"" + text + "\": single item " + std::to_string(single.message_index) +
                        "/" + hex(single.bits) + ", model " +
                        std::to_string(expected.message_index) + "/" + hex(expected.bits));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    text = text.substr(0, text.find('\0'));
    // An exactly sized copy, so that a read past the terminator is caught.
    char* copy = new char[text.size() + 1];
    std::memcpy(copy, text.c_str(), text.size() + 1);
    lnc::RealConversion c = lnc::convert_real_text(copy, static_cast<int>(text.size()), 0, 0);
    delete[] copy;
    lnc::RealItemResult single = lnc::real_item_result(c, lnc::TYPE_REAL4);
    lnc::fuzz::note_result(&c, sizeof c);
    lnc::fuzz::note_result(&single.message_index, sizeof single.message_index);
    lnc::fuzz::note_result(&single.bits, sizeof single.bits);
    check_flags(text, c);
    if (plain_form(text)) {
        check_against_model(text, c);
    }
    return 0;
}
