// The process entry of the layer: main() hands over to the system's
// WinMain the way the Win32 start-up code does.
// Needs: the layer's GetModuleHandleA. Limits: the command line is the
// arguments after the program name, joined by single spaces, cut at 4 KiB.
#include "platform/command_line.h"
#include "platform/platform.h"

int main(int argc, char** argv)
{
    static char commandLine[4096];
    JoinCommandLine(argc, argv, commandLine, sizeof commandLine);
    return WinMain(GetModuleHandleA(nullptr), nullptr, commandLine, SW_SHOWDEFAULT);
}
