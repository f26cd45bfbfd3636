/* The values every whole-process job writes, made the same way by the engine's program, the C
 * and C++ floors and the Fortran peers (jobs.f90 spells the same steps): a 32-bit linear
 * congruential sequence gives a 23-bit mantissa and an exponent, one value in eight in the
 * fixed-form range 1 <= |x| < 2^23, the others from 2^-120 to 2^120, either sign. */
#ifndef LNCALC_BENCH_JOBS_VALUES_H
#define LNCALC_BENCH_JOBS_VALUES_H
#include <math.h>
#include <stdint.h>
#include <stdlib.h>

static inline uint32_t job_next(uint32_t s) {
    return s * 1664525u + 1013904223u;
}

/* The value after state *s, moving *s on by two steps. */
static inline float job_value(uint32_t* s) {
    uint32_t first = job_next(*s);
    uint32_t second = job_next(first);
    *s = second;
    uint32_t k = second >> 8;
    int exponent = k % 8 == 0 ? (int)((k >> 3) % 23) : (int)((k >> 3) % 241) - 120;
    float x = ldexpf(1.0f + (float)(first >> 9) * 0x1p-23f, exponent);
    return (second >> 31) != 0 ? -x : x;
}

/* The value after state *s for the fixed-point jobs, (F12.4): the same mantissas times 2^-10 to
 * 2^15, either sign, so that four decimals show every value in 11 columns and the first column
 * of the 12, the console's carriage control, stays blank. */
static inline float job_fixed_value(uint32_t* s) {
    uint32_t first = job_next(*s);
    uint32_t second = job_next(first);
    *s = second;
    int exponent = (int)((second >> 8) % 26) - 10;
    float x = ldexpf(1.0f + (float)(first >> 9) * 0x1p-23f, exponent);
    return (second >> 31) != 0 ? -x : x;
}

static inline uint32_t job_seed(void) {
    return 2026u;
}

/* The count of values from the command line, 1,000,000 without one. */
static inline long job_count(int argc, char** argv, int index) {
    long n = argc > index ? strtol(argv[index], NULL, 10) : 0;
    return n > 0 ? n : 1000000;
}
#endif
