// The page's entry: main() runs the system's WinMain and ends the run with
// its status, which the page shows (Module.onExit). exit() rather than a
// return, because a main that waited on the browser has no caller left to
// return to. The page's flags (Module.arguments) arrive as arguments and
// are joined into the command line as on Linux.
#include "platform/command_line.h"
#include "platform/platform.h"

#include <stdlib.h>

int main(int argc, char** argv)
{
    static char commandLine[1024];
    JoinCommandLine(argc, argv, commandLine, sizeof commandLine);
    exit(WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT));
}
