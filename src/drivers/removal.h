// The removal flow and driver.
#ifndef NX_REMOVAL_H
#define NX_REMOVAL_H

#include <windows.h>

int RemovalFlow(HWND owner, int proposed, int allowed);
// Always 1. message (null, or cchMessage characters) receives "Nothing to do!" or the
// last file that could not be deleted at once. *outcome: 0, or OUTCOME_FAILED when a
// product file could be neither deleted nor scheduled for deletion.
int RemovalDriver(const char *folder, DWORD flags, DWORD *outcome, char *message, int cchMessage,
                  HWND owner, HWND statusWindow);

#endif
