// The install driver.
#ifndef NX_INSTALL_H
#define NX_INSTALL_H

#include <windows.h>

int InstallDriver(const char *tempFolder, const char *destFolder, DWORD flags, DWORD *outcome,
                  HWND owner, HWND statusWindow, char *message);

#endif
