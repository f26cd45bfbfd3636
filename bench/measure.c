/* Runs one program as a whole process and says what it cost: its standard input and output are
 * the files named, and the launcher, a small static program, forks and executes it itself, so
 * that the child's peak resident memory is its own and not that of whatever started the
 * benchmark (the peak is kept across an exec).
 *     lncalc_measure IN OUT PROGRAM [ARGUMENT...]
 * prints "user system wall peak status" on standard error: seconds of processor time in user
 * and system mode, seconds of wall time, the peak resident memory in KiB, the exit status. */
#include <fcntl.h>
#include <stdio.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

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
    pid_t child = fork();
    if (child == 0) {
        dup2(in, 0);
        dup2(out, 1);
        close(in);
        close(out);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    int status = 0;
    struct rusage usage;
    if (child < 0 || wait4(child, &status, 0, &usage) != child) {
        perror("lncalc_measure");
        return 2;
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    double wall =
        (double)(end.tv_sec - start.tv_sec) + (double)(end.tv_nsec - start.tv_nsec) * 1e-9;
    fprintf(stderr, "%.6f %.6f %.6f %ld %d\n", seconds(usage.ru_utime), seconds(usage.ru_stime),
            wall, usage.ru_maxrss,
            WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
    return 0;
}
