// The removal flow and driver.
#ifndef NX_REMOVAL_H
#define NX_REMOVAL_H

#include <windows.h>

int RemovalFlow(HWND owner, int proposed, int allowed);
int RemovalDriver(const char *folder, DWORD flags, DWORD *outcome, char *message,
                  HWND owner, HWND statusWindow);

#endif
