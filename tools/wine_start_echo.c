/* A plain C program for the wine start campaign: reads one line and writes it back. */
#include <stdio.h>

int main(void) {
    char line[512];
    if (fgets(line, sizeof line, stdin) != NULL)
        fputs(line, stdout);
    return 0;
}
