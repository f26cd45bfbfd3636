/* Runs one program as a whole process and says what it cost: its standard input and output are
 * the files named, and the launcher, a small static program, forks and executes it itself, so
 * that the child's peak resident memory is its own and not that of whatever started the
 * benchmark (the peak is kept across an exec).
 *     lncalc_measure IN OUT PROGRAM [ARGUMENT...]
 * prints "user system wall peak status" on standard error: seconds of processor time in user
 * and system mode, seconds of wall time, the peak resident memory in KiB, the exit status.
 * The kernel keeps a process's resident count in per-processor parts and folds them into the
 * figure that wait4 reports only 32 or more pages at a time, so for a small process that figure
 * falls short by up to some hundred KiB, by an amount that depends on where the pages were
 * counted. With LNCALC_MEASURE_EXACT_PEAK set, the launcher instead stops the child at its exit
 * (ptrace) and reports the kernel's summed peak (VmHWM); those runs are for memory only, since
 * the two stops add to the times. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

/* The child's summed peak resident memory in KiB as it exits, or -1. */
static long exact_peak_at_exit(pid_t child, int* status) {
    long peak = -1;
    if (waitpid(child, status, 0) != child || !WIFSTOPPED(*status)) /* the stop at the exec */
        return -1;
    ptrace(PTRACE_SETOPTIONS, child, 0, (void*)PTRACE_O_TRACEEXIT);
    ptrace(PTRACE_CONT, child, 0, 0);
    while (waitpid(child, status, 0) == child && WIFSTOPPED(*status)) {
        if (*status >> 8 == (SIGTRAP | PTRACE_EVENT_EXIT << 8)) {
            char path[64], line[256];
            snprintf(path, sizeof path, "/proc/%d/status", (int)child);
            FILE* report = fopen(path, "r");
            while (report != NULL && fgets(line, sizeof line, report) != NULL)
                if (strncmp(line, "VmHWM:", 6) == 0)
                    peak = strtol(line + 6, NULL, 10);
            if (report != NULL)
                fclose(report);
            ptrace(PTRACE_CONT, child, 0, 0);
            break;
        }
        ptrace(PTRACE_CONT, child, 0, (void*)(long)WSTOPSIG(*status));
    }
    return peak;
}

static double seconds(struct timeval t) {
    return (double)t.tv_sec + (double)t.tv_usec * 1e-6;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s IN OUT PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    int in = open(argv[1], O_RDONLY);
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) {
        perror("lncalc_measure");
        return 2;
    }
    struct timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    int exact = getenv("LNCALC_MEASURE_EXACT_PEAK") != NULL;
    pid_t child = fork();
    if (child == 0) {
        if (exact)
            ptrace(PTRACE_TRACEME, 0, 0, 0);
        dup2(in, 0);
        dup2(out, 1);
        close(in);
        close(out);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    int status = 0;
    long peak = child > 0 && exact ? exact_peak_at_exit(child, &status) : 0;
    struct rusage usage;
    if (child < 0 || peak < 0 || wait4(child, &status, 0, &usage) != child) {
        perror("lncalc_measure");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double wall =
        (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) * 1e-9;
    fprintf(stderr, "%.6f %.6f %.6f %ld %d\n", seconds(usage.ru_utime), seconds(usage.ru_stime),
            wall, exact ? peak : usage.ru_maxrss,
            WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
