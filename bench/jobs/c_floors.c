/* The C library doing each job of the whole-process benchmark, as the floor of what any run-time
 * needs for it:
 *     lncalc_c_floor printf1 N      printf(" %15.6E\n") of one value per line (buffered stdio)
 *     lncalc_c_floor printf4 N      N/4 lines of four values each
 *     lncalc_c_floor write1 N       snprintf of each record and one write(2) per record
 *     lncalc_c_floor write4 N       the same with four values per record
 *     lncalc_c_floor strtof N       fgets and strtof of N lines from standard input, then the count
 *                                   and the sum of the values read (the list-directed and the
 *                                   "(F12.4)" records alike)
 *     lncalc_c_floor printff N      printf("%12.4f\n") of the fixed-point values, one per line
 *     lncalc_c_floor writef N       snprintf("%12.4f\n") of each and one write(2) per record */
#include <stdio.h>
#include <string.h>
#include <unistd.h>

#include "values.h"

static void print_values(long n, int per_line) {
    uint32_t s = job_seed();
    for (long i = 0; i < n; i += per_line) {
        for (int j = 0; j < per_line; ++j)
            printf(" %15.6E", (double)job_value(&s));
        putchar('\n');
    }
}

static int write_records(long n, int per_record) {
    uint32_t s = job_seed();
    char record[128];
    for (long i = 0; i < n; i += per_record) {
        int used = 0;
        for (int j = 0; j < per_record; ++j)
            used += snprintf(record + used, sizeof record - (size_t)used, " %15.6E",
                             (double)job_value(&s));
        record[used++] = '\n';
        if (write(1, record, (size_t)used) != used)
            return 1;
    }
    return 0;
}

static void print_fixed_values(long n) {
    uint32_t s = job_seed();
    for (long i = 0; i < n; ++i)
        printf("%12.4f\n", (double)job_fixed_value(&s));
}

static int write_fixed_records(long n) {
    uint32_t s = job_seed();
    char record[64];
    for (long i = 0; i < n; ++i) {
        int used = snprintf(record, sizeof record, "%12.4f\n", (double)job_fixed_value(&s));
        if (write(1, record, (size_t)used) != used)
            return 1;
    }
    return 0;
}

static int read_values(long n) {
    char line[160];
    double sum = 0;
    long count = 0;
    while (count < n && fgets(line, sizeof line, stdin) != NULL) {
        for (char* p = line; *p != '\0'; ++p)
            if (*p == 'd' || *p == 'D')
                *p = 'e'; /* strtof does not know the D exponent letter */
        sum += strtof(line, NULL);
        ++count;
    }
    printf("%ld %.17g\n", count, sum);
    return count == n ? 0 : 1;
}

int main(int argc, char** argv) {
    const char* job = argc > 1 ? argv[1] : "";
    long n = job_count(argc, argv, 2);
    if (strcmp(job, "printf1") == 0 || strcmp(job, "printf4") == 0) {
        print_values(n, job[6] - '0');
        return 0;
    }
    if (strcmp(job, "write1") == 0 || strcmp(job, "write4") == 0)
        return write_records(n, job[5] - '0');
    if (strcmp(job, "strtof") == 0)
        return read_values(n);
    if (strcmp(job, "printff") == 0) {
        print_fixed_values(n);
        return 0;
    }
    if (strcmp(job, "writef") == 0)
        return write_fixed_records(n);
    fprintf(stderr, "usage: %s printf1|printf4|write1|write4|printff|writef|strtof [N]\n", argv[0]);
    return 2;
}
