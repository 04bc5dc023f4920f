// The copy progress dialog and its status line.
#ifndef NX_PROGRESS_H
#define NX_PROGRESS_H

#include <windows.h>

// Creates the modeless dialog owned by owner; the removal form has the caption
// "Removal process" and no Cancel button. NULL when it cannot be created.
HWND CreateCopyProgressDialog(HWND owner, int removal);

// Sets the text of a live status window and repaints it at once.
void SetStatusText(HWND statusWindow, const char *text);

#endif
