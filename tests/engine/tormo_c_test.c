/* The header compiles as C and the library links into a C program. */
#include "Tormo.h"

#include <stdio.h>

int main(void)
{
    int port = -1;
    int seconds = 7;
    if (Tormo_Initialize() != 1) {
        fputs("Tormo_Initialize failed\n", stderr);
        return 1;
    }
    if (Tormo_OpenMediaFile("/nonexistent/recording.ts", &port) != 0 || port != -1
        || Tormo_GetPlayedTime(port, &seconds) != 0 || seconds != 7) {
        fputs("a port that is not open answered\n", stderr);
        return 1;
    }
    return 0;
}
