// The page's entry: main() runs the system's WinMain and ends the run with
// its status, which the page shows (Module.onExit). exit() rather than a
// return, because a main that waited on the browser has no caller left to
// return to.
#include "platform/platform.h"

#include <stdlib.h>

int main()
{
    char commandLine[] = "";
    exit(WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT));
}
