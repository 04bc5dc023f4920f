// Asks Windows to restart through the setup program's own RestartWindows, as the main
// window does at the end of a run: "nt" on the command line takes the NT road, "95" the
// other; anything else restarts nothing.
#include <string.h>
#include "session/session.h"
#include "wizard/finish.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)previous;
    (void)show;
    ResetSessionState();
    g_hInst = instance;
    if (strcmp(commandLine, "nt") != 0 && strcmp(commandLine, "95") != 0)
        return 2;
    g_bIsNT = strcmp(commandLine, "nt") == 0;
    RestartWindows();
    return 0;
}
