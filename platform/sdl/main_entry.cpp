// The process entry of the layer: main() hands over to the system's
// WinMain the way the Win32 start-up code does.
// Needs: the layer's GetModuleHandleA. Limits: the command line is the
// arguments after the program name, joined by single spaces, cut at 4 KiB.
#include "platform/platform.h"

#include <string.h>

int main(int argc, char** argv)
{
    static char commandLine[4096];
    size_t used = 0;
    for (int i = 1; i < argc; ++i) {
        size_t length = strlen(argv[i]);
        if (used + length + 2 > sizeof commandLine)
            break;
        if (used > 0)
            commandLine[used++] = ' ';
        memcpy(commandLine + used, argv[i], length);
        used += length;
    }
    commandLine[used] = '\0';
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}
