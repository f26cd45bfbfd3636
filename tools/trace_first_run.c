/* Runs a program one instruction at a time and writes the address of each instruction the first
 * time it runs, in that order, one hexadecimal address a line:
 *     lncalc_trace_first_run IN OUT PROGRAM [ARGUMENT...] > ADDRESSES
 * The program's standard input and output are the files named. tools/dialogue_order.py turns the
 * addresses into the routines the calculator's dialogue runs. */
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/ptrace.h>
#include <sys/user.h>
#include <sys/wait.h>
#include <unistd.h>

#define SLOTS (1u << 22) /* far more than the distinct instructions of a short run */

static unsigned long long seen[SLOTS];

/* 1 the first time address is met, else 0. */
static int first_time(unsigned long long address) {
    unsigned long long slot = (address * 0x9E3779B97F4A7C15ull) >> 42;
    while (seen[slot] != 0 && seen[slot] != address)
        slot = (slot + 1) & (SLOTS - 1);
    if (seen[slot] == address)
        return 0;
    seen[slot] = address;
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 4) {
        fprintf(stderr, "usage: %s IN OUT PROGRAM [ARGUMENT...]\n", argv[0]);
        return 2;
    }
    int in = open(argv[1], O_RDONLY);
    int out = open(argv[2], O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0) {
        perror("lncalc_trace_first_run");
        return 2;
    }
    pid_t child = fork();
    if (child == 0) {
        ptrace(PTRACE_TRACEME, 0, 0, 0);
        dup2(in, 0);
        dup2(out, 1);
        execv(argv[3], argv + 3);
        _exit(127);
    }
    int status = 0;
    long steps = 0;
    /* The first stop is at the exec; each later one after a single instruction. */
    while (waitpid(child, &status, 0) == child && WIFSTOPPED(status)) {
        struct user_regs_struct registers;
        if (ptrace(PTRACE_GETREGS, child, 0, &registers) != 0)
            break;
        if (first_time(registers.rip))
            printf("%llx\n", (unsigned long long)registers.rip);
        ++steps;
        /* A signal that stopped the program is passed on to it. */
        long signal = WSTOPSIG(status) == SIGTRAP ? 0 : WSTOPSIG(status);
        if (ptrace(PTRACE_SINGLESTEP, child, 0, (void*)signal) != 0)
            break;
    }
    fprintf(stderr, "%ld instructions\n", steps);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
