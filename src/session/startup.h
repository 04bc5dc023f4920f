// Start-up helpers shared with the rest of the program.
#ifndef NX_STARTUP_H
#define NX_STARTUP_H

#include <windows.h>

// Moves a window, keeping its size, to the centre of the desktop (offset added to y);
// never to negative coordinates.
void CentreOnScreen(HWND window, int offset);

// Dispatches every waiting message of the thread; always 1.
int PumpMessages(void);

// Main window rectangle for a desktop rectangle: x, y, width, height in out.
void ComputeMainWindowRect(const RECT *desktop, RECT *out);

// Windows family from the OS variable (NULL when unset) and the GetVersion bytes.
void DetectWindowsFamily(const char *osValue, int major, int minor, int explore,
                         int *isNT, int *maskAllowed, int *maskProposed);

// Temporary folder without its trailing separator into folder (cch characters). 1 on success.
int GetTempFolder(char *folder, int cch);

// Starts program (a bare file name) from the system folder, by its full path, with
// commandLine (writable) in folder. 1 when it started.
int StartSystemProgram(const char *program, char *commandLine, const char *folder);

#endif
