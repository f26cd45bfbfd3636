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
 *     lncalc_c_floor writef N       snprintf("%12.4f\n") of each and one write(2) per record
 * and the same on a file the program opens itself (the file named last):
 *     lncalc_c_floor fprintf1 N FILE   fprintf(" %15.6E\n") of one value per line
 *     lncalc_c_floor fprintff N FILE   fprintf("%12.4f\n") of the fixed-point values
 *     lncalc_c_floor fgets N FILE      fgets and strtof of N lines, the count and the sum on
 *                                      standard output
 *     lncalc_c_floor fwritea N FILE    one fwrite of an array of N doubles between two 4-byte
 *                                      lengths, as an unformatted sequential record stands
 *     lncalc_c_floor freada N FILE     fread of that record, the count and the sum */
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

static int read_values(long n, FILE* input) {
    char line[160];
    double sum = 0;
    long count = 0;
    while (count < n && fgets(line, sizeof line, input) != NULL) {
        for (char* p = line; *p != '\0'; ++p)
            if (*p == 'd' || *p == 'D')
                *p = 'e'; /* strtof does not know the D exponent letter */
        sum += strtof(line, NULL);
        ++count;
    }
    printf("%ld %.17g\n", count, sum);
    return count == n ? 0 : 1;
}

/* The file jobs: each value by fprintf, or with fixed set the fixed-point ones. */
static int print_file_values(long n, const char* name, int fixed) {
    FILE* file = fopen(name, "w");
    if (file == NULL)
        return 1;
    uint32_t s = job_seed();
    for (long i = 0; i < n; ++i) {
        if (fixed)
            fprintf(file, "%12.4f\n", (double)job_fixed_value(&s));
        else
            fprintf(file, " %15.6E\n", (double)job_value(&s));
    }
    return fclose(file) == 0 ? 0 : 1;
}

static int read_file_values(long n, const char* name) {
    FILE* file = fopen(name, "r");
    if (file == NULL)
        return 1;
    int status = read_values(n, file);
    fclose(file);
    return status;
}

static int write_array(long n, const char* name) {
    double* values = malloc((size_t)n * sizeof *values);
    FILE* file = fopen(name, "wb");
    if (values == NULL || file == NULL)
        return 1;
    uint32_t s = job_seed();
    for (long i = 0; i < n; ++i)
        values[i] = job_value(&s);
    uint32_t length = (uint32_t)((size_t)n * sizeof *values);
    fwrite(&length, sizeof length, 1, file);
    fwrite(values, sizeof *values, (size_t)n, file);
    fwrite(&length, sizeof length, 1, file);
    free(values);
    return fclose(file) == 0 ? 0 : 1;
}

static int read_array(long n, const char* name) {
    double* values = malloc((size_t)n * sizeof *values);
    FILE* file = fopen(name, "rb");
    uint32_t length = 0;
    if (values == NULL || file == NULL || fread(&length, sizeof length, 1, file) != 1 ||
        length != (size_t)n * sizeof *values ||
        fread(values, sizeof *values, (size_t)n, file) != (size_t)n)
        return 1;
    fclose(file);
    double sum = 0;
    for (long i = 0; i < n; ++i)
        sum += values[i];
    free(values);
    printf("%ld %.17g\n", n, sum);
    return 0;
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
        return read_values(n, stdin);
    const char* name = argc > 3 ? argv[3] : "";
    if (strcmp(job, "fprintf1") == 0 || strcmp(job, "fprintff") == 0)
        return print_file_values(n, name, job[7] == 'f');
    if (strcmp(job, "fgets") == 0)
        return read_file_values(n, name);
    if (strcmp(job, "fwritea") == 0)
        return write_array(n, name);
    if (strcmp(job, "freada") == 0)
        return read_array(n, name);
    if (strcmp(job, "printff") == 0) {
        print_fixed_values(n);
        return 0;
    }
    if (strcmp(job, "writef") == 0)
        return write_fixed_records(n);
    fprintf(stderr,
            "usage: %s printf1|printf4|write1|write4|printff|writef|strtof [N], or\n"
            "       %s fprintf1|fprintff|fgets|fwritea|freada N FILE\n",
            argv[0], argv[0]);
    return 2;
}
