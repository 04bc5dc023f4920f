// What every wizard page does for the display and the keyboard: its picture at the
// page's DPI (the page grows with it, so the picture keeps its share of the page), tab order in reading order, the first choice focused.
#ifndef NX_PAGELOOK_H
#define NX_PAGELOOK_H

#include <windows.h>

// Puts the controls ids (count of them, in reading order) into that tab order behind
// the first, fits the page picture if there is one, and focuses the first enabled
// control of the order (of a radio group, the checked one). The page's WM_INITDIALOG
// then returns FALSE.
void PreparePage(HWND dialog, const WORD *ids, int count);

// The page picture made anew for dpi.
void FitPagePicture(HWND dialog, int dpi);

// A page's handling of DPI changes and of its picture's release; 1 when the message
// needs nothing more, 0 when the page and the dialog manager handle it as well.
int HandlePageLook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

#endif
