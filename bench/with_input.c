/* Starts a program with its standard input taken from a file, without a shell in between, so
 * that hyperfine can time whole processes that read their input. Without a program it only
 * exits: the floor of the launch itself.
 *     lncalc_with_input FILE [PROGRAM [ARGUMENT...]] */
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fputs("usage: lncalc_with_input FILE [PROGRAM [ARGUMENT...]]\n", stderr);
        return 2;
    }
    int fd = open(argv[1], O_RDONLY);
    if (fd < 0 || dup2(fd, 0) != 0) {
        perror(argv[1]);
        return 2;
    }
    close(fd);
    if (argc == 2)
        return 0;
    execv(argv[2], argv + 2);
    perror(argv[2]);
    return 127;
}
