/* The least a program can do to hold the calculator's dialogue: write the same bytes, read the
 * same two lines, and end. Linked statically, it is the floor against which the whole process
 * of the calculator (start-up, run-time, exit) is measured. It formats its result only as the
 * benchmark's input needs (a value from 1 to 10^7 and a logarithm below 1 in magnitude). */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

static const char OPENING[] = "*****  *****  *****        *   *****   *\r\n"
                              "  *    *      *           **       *  **\r\n"
                              "  *    *      *          * *      *    *\r\n"
                              "  *    ****   ****      *  *     *     *\r\n"
                              "  *    *      *         *****    *     *\r\n"
                              "  *    *      *            *     *     *\r\n"
                              "  *    *****  *            *     *    ***   Quorvaltemsin\r\n"
                              "\r\n"
                              "Dogal logaritmasinin hesaplanmasini istediginiz degeri giriniz:\r\n";
static const char CLOSING[] = "\r\n\r\nProgrami sonlandirmak icin enter a basiniz.\r\n";

static char input[132];
static int filled;
static int next;

/* One line of standard input, read 132 bytes at a time as the calculator reads. */
static int read_line(char* line, int room) {
    int n = 0;
    for (;;) {
        if (next == filled) {
            filled = (int)read(0, input, sizeof input);
            next = 0;
            if (filled <= 0)
                return n > 0 ? n : -1;
        }
        char c = input[next++];
        if (c == '\n')
            break;
        if (n + 1 < room)
            line[n++] = c;
    }
    line[n] = '\0';
    return n;
}

static void put(const char* bytes, size_t length) {
    if (write(1, bytes, length) != (ssize_t)length)
        exit(1);
}

int main(void) {
    char line[140];
    put(OPENING, sizeof OPENING - 1);
    if (read_line(line, sizeof line) < 0)
        return 1;
    float x = strtof(line, NULL);
    float y = logf(x);
    char result[80];
    int n = snprintf(result, sizeof result, "ln(%15.6f)=%15.6E", (double)x, (double)y);
    put(result, (size_t)n);
    put(CLOSING, sizeof CLOSING - 1);
    read_line(line, sizeof line);
    put("\r\n", 2);
    return 0;
}
