// The start-up step of a demo that has none of its own. It sits alone in
// its file: the linker takes it from the library only when no object of
// the program defines StartDemo.
#include "app/startup.h"

bool StartDemo()
{
    return true;
}
