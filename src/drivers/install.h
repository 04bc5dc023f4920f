// The install driver.
#ifndef NX_INSTALL_H
#define NX_INSTALL_H

#include <windows.h>

// 1 installed, 0 failed. message (null, or cchMessage characters) receives the reason
// of a failure or a note; outcome (may be null) the InstallOutcome bits.
int InstallDriver(const char *tempFolder, const char *destFolder, DWORD flags, DWORD *outcome,
                  HWND owner, HWND statusWindow, char *message, int cchMessage);

#endif
