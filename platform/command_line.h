// The command line WinMain gets, made from main's arguments the way the
// Win32 start-up code hands it over: the arguments after the program's
// name, joined by single spaces, cut before an argument that does not fit.
#pragma once

#include <stddef.h>
#include <string.h>

inline char* JoinCommandLine(int argc, char** argv, char* out, size_t outSize)
{
    size_t used = 0;
    for (int i = 1; i < argc; ++i) {
        size_t length = strlen(argv[i]);
        if (used + length + 2 > outSize)
            break;
        if (used > 0)
            out[used++] = ' ';
        memcpy(out + used, argv[i], length);
        used += length;
    }
    out[used] = '\0';
    return out;
}
