// A survey of the run-time's items: a program on the lncalc run-time beside the calculator. It
// writes integers of each size, logicals, double-precision and complex values, reads such values
// back (repeat factors and empty values included), reads and writes an array, computes an item
// with a WRITE of its own, and keeps call-site records, so that a run-time error names the line
// of the failing statement and ends with an execution traceback.
//
// Each statement is written out as its series of calls, with the statement itself in a comment
// on the line that records its position.
#include <bit>
#include <cstdint>
#include <cstring>

#include "lncalc/runtime.h"

namespace {

constexpr const char* SOURCE = "survey.cpp";
constexpr int READINGS = 5;

void text(const char* characters) {
    lnc::write_item_character(characters, static_cast<int>(std::strlen(characters)));
}

// WRITE(*,*) characters
void write_line(const char* characters) {
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text(characters);
    lnc::end_write();
}

// The mean of the readings. It says what it does with a WRITE of its own, which runs while the
// caller's WRITE is still being built.
float mean(const float* readings, int count) {
    lnc::CallSiteRecord site{nullptr, SOURCE, "_mean@8", __LINE__};
    lnc::push_call_site(&site);
    site.line = __LINE__; // WRITE(*,*) 'averaging', count, ' readings'
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("averaging");
    lnc::write_item_integer4(count);
    text(" readings");
    lnc::end_write();
    float sum = 0;
    for (int i = 0; i < count; ++i)
        sum += readings[i];
    lnc::pop_call_site();
    return sum / static_cast<float>(count);
}

// 10 ** n in 32-bit integers: an overflow is a run-time error of this routine.
std::int32_t power_of_ten(std::int32_t n) {
    lnc::CallSiteRecord site{nullptr, SOURCE, "_power_of_ten@4", __LINE__};
    lnc::push_call_site(&site);
    site.line = __LINE__; // power_of_ten = 10 ** n
    std::int32_t power = lnc::integer_power(n, 10);
    lnc::pop_call_site();
    return power;
}

// What the survey reads; every value keeps its old one when the input leaves it empty.
struct Sample {
    std::int8_t byte = 1;
    std::int16_t word = 2;
    std::int32_t long_word = 3;
    std::int8_t flag1 = 0;
    std::int32_t flag4 = 0;
    double weight = 0.5;
    float point[2] = {0, 0};
    float readings[READINGS] = {1, 2, 3, 4, 5};
    std::int32_t exponent = 0;
};

void show_constants(lnc::CallSiteRecord& site) {
    site.line = __LINE__; // WRITE(*,*) 'integers:', -128_1, 32767_2, -2147483648_4
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("integers:");
    lnc::write_item_integer1(-128);
    lnc::write_item_integer2(32767);
    lnc::write_item_integer4(INT32_MIN);
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'logicals: ', .TRUE._1, .FALSE._2, .TRUE._4
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("logicals: ");
    lnc::write_item_logical1(1);
    lnc::write_item_logical2(0);
    lnc::write_item_logical4(-1);
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'double:', 3.141592653589793D0, 1D-300
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("double:");
    lnc::write_item_real8(std::bit_cast<std::uint64_t>(3.141592653589793));
    lnc::write_item_real8(std::bit_cast<std::uint64_t>(1e-300));
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'single complex:', (1.5, -2.0)
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("single complex:");
    lnc::write_item_complex8(std::bit_cast<std::uint32_t>(1.5f),
                             std::bit_cast<std::uint32_t>(-2.0f));
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'double complex:', (0.1D0, -1D100)
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("double complex:");
    lnc::write_item_complex16(std::bit_cast<std::uint64_t>(0.1),
                              std::bit_cast<std::uint64_t>(-1e100));
    lnc::end_write();
}

void read_sample(lnc::CallSiteRecord& site, Sample& s) {
    site.line = __LINE__; // WRITE(*,*) 'Give a byte, ...'
    write_line("Give a byte, a word, a long word, two flags, a weight and a point:");
    site.line = __LINE__; // READ(*,*) byte, word, long_word, flag1, flag4, weight, point
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    lnc::read_item_integer1(&s.byte);
    lnc::read_item_integer2(&s.word);
    lnc::read_item_integer4(&s.long_word);
    lnc::read_item_logical1(&s.flag1);
    lnc::read_item_logical4(&s.flag4);
    lnc::read_item_real8(&s.weight);
    lnc::read_item_complex8(s.point);
    lnc::end_read();

    site.line = __LINE__; // WRITE(*,*) 'byte, word, long word:', byte, word, long_word
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("byte, word, long word:");
    lnc::write_item_integer1(s.byte);
    lnc::write_item_integer2(s.word);
    lnc::write_item_integer4(s.long_word);
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'flags: ', flag1, flag4, ' weight:', weight
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("flags: ");
    lnc::write_item_logical1(s.flag1);
    lnc::write_item_logical4(s.flag4);
    text(" weight:");
    lnc::write_item_real8(std::bit_cast<std::uint64_t>(s.weight));
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'point:', point
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("point:");
    lnc::write_item_complex8(std::bit_cast<std::uint32_t>(s.point[0]),
                             std::bit_cast<std::uint32_t>(s.point[1]));
    lnc::end_write();
}

void read_readings(lnc::CallSiteRecord& site, Sample& s) {
    site.line = __LINE__; // WRITE(*,*) 'Give five readings:'
    write_line("Give five readings:");
    site.line = __LINE__; // READ(*,*) readings
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    lnc::read_item_array(lnc::TYPE_REAL4, s.readings, 0, READINGS);
    lnc::end_read();

    site.line = __LINE__; // WRITE(*,*) 'readings:', readings
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("readings:");
    lnc::write_item_array(lnc::TYPE_REAL4, s.readings, 0, READINGS);
    lnc::end_write();

    site.line = __LINE__; // WRITE(*,*) 'mean:', mean(readings, 5)
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("mean:");
    lnc::write_item_real4(std::bit_cast<std::uint32_t>(mean(s.readings, READINGS)));
    lnc::end_write();
}

void show_power(lnc::CallSiteRecord& site, Sample& s) {
    site.line = __LINE__; // WRITE(*,*) 'Give a power of ten:'
    write_line("Give a power of ten:");
    site.line = __LINE__; // READ(*,*) exponent
    lnc::begin_read(lnc::DEFAULT_UNIT_READ, nullptr, 0, nullptr, 0, nullptr, 0);
    lnc::read_item_integer4(&s.exponent);
    lnc::end_read();

    site.line = __LINE__; // WRITE(*,*) '10 **', exponent, ' =', power_of_ten(exponent)
    lnc::begin_write(lnc::DEFAULT_UNIT_WRITE, nullptr, 0, nullptr, 0, 0);
    text("10 **");
    lnc::write_item_integer4(s.exponent);
    text(" =");
    lnc::write_item_integer4(power_of_ten(s.exponent));
    lnc::end_write();
}

// The main routine, called by start-up once the run-time is ready; its result is the exit code.
int survey_main(int argc, char** argv, char** environment) {
    lnc::CallSiteRecord site{nullptr, SOURCE, "_main", __LINE__};
    lnc::push_call_site(&site);
    site.line = __LINE__; // WRITE(*,*) 'Survey of the run-time items'
    write_line("Survey of the run-time items");
    show_constants(site);
    Sample sample;
    read_sample(site, sample);
    read_readings(site, sample);
    show_power(site, sample);
    lnc::pop_call_site();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    lnc::process_entry(argc, argv, survey_main);
}
