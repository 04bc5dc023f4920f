// The program's windows at the DPI of their monitor: carried pictures fitted to a size,
// and the background colours that give way to high contrast.
#ifndef NX_DISPLAY_H
#define NX_DISPLAY_H

#include <windows.h>

#define BASE_DPI           96
#define PICTURE_PRODUCT    0
#define PICTURE_MAKER      1
#define PICTURE_STRIP      2
// Posted by a page to itself once a DPI change has been laid out.
#define WM_REFIT_PICTURE   (WM_APP + 1)

// DPI of the window's monitor (GetDpiForWindow where the system has it, else the
// screen's); BASE_DPI when neither answers.
int WindowDpi(HWND window);

// Index into heights (ascending, count entries) of the carried picture to show at
// wanted pixels high: the smallest at least as high, a height within a thirty-second
// below counting as a fit; the largest when none is.
int PickCarriedPicture(const int *heights, int count, int wanted);

// The picture (PICTURE_*) at most width by height pixels, its proportions kept: the
// carried size that fits, else the next larger scaled down with halftoning. NULL when
// it cannot be loaded. The caller deletes it.
HBITMAP LoadFittedPicture(int picture, int width, int height);
// The picture at its 100 % size times dpi / 96.
HBITMAP LoadPictureForDpi(int picture, int dpi);

// 1 when the user has high contrast on.
int HighContrastOn(void);
// The background window's colours: the product's own (teal, white text), or in high
// contrast the system's window and window-text colours given.
void PickBackgroundColours(int highContrast, COLORREF systemWindow, COLORREF systemText,
                           COLORREF *background, COLORREF *text);

#endif
