// Stand-in for a NEXFER Pro library without registration: it only reports its version.
#include <windows.h>

#include "version.h"

// Version as 0xMMmmBBBB: major, minor, build.
extern "C" DWORD WINAPI NxfGetVersion(void)
{
    return (NX_VER_MAJOR << 24) | (NX_VER_MINOR << 16) | NX_VER_BUILD;
}
