// The page's entry: main() runs the system's WinMain and ends the run with
// its status, which the page shows (Module.onExit). exit() rather than a
// return, because a main that waited on the browser has no caller left to
// return to. The page's flags (Module.arguments) arrive as arguments and
// are joined into the command line as on Linux.
#include "platform/platform.h"

#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv)
{
    static char commandLine[1024];
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
    exit(WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT));
}
