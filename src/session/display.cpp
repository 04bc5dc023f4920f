// Pictures chosen and scaled for a window's DPI, and the high-contrast colour choice.
#include "resource.h"
#include "session/display.h"
#include "session/session.h"
#include "session/text.h"

#define MAX_CARRIED 3

typedef UINT(WINAPI *DpiForWindowProc)(HWND);

// Each picture's carried sizes, smallest first, by resource name or number.
static const struct {
    LPCSTR names[MAX_CARRIED];
    short heights[MAX_CARRIED];
    short count;
    short width100;
} s_pictures[] = {
    { { "NX_BMP", MAKEINTRESOURCEA(IDB_PRODUCT_250) }, { 112, 280 }, 2, 212 },
    { { "QUORVANE", MAKEINTRESOURCEA(IDB_MAKER_250) }, { 118, 295 }, 2, 151 },
    { { MAKEINTRESOURCEA(IDB_PICTURE_STRIP), MAKEINTRESOURCEA(IDB_STRIP_200),
        MAKEINTRESOURCEA(IDB_STRIP_250) }, { 236, 472, 590 }, 3, 151 },
};

int WindowDpi(HWND window)
{
    // Windows 10 1607 and later; the program also runs where user32 lacks it.
    DpiForWindowProc forWindow =
        (DpiForWindowProc)(void *)GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow");
    HDC dc;
    int dpi = 0;

    if (forWindow && window)
        dpi = (int)forWindow(window);
    if (dpi <= 0 && (dc = GetDC(NULL)) != NULL) {
        dpi = GetDeviceCaps(dc, LOGPIXELSY);
        ReleaseDC(NULL, dc);
    }
    return dpi > 0 ? dpi : BASE_DPI;
}

int PickCarriedPicture(const int *heights, int count, int wanted)
{
    int i;

    for (i = 0; i < count; i++) {
        if (heights[i] >= wanted - wanted / 32)
            return i;
    }
    return count - 1;
}

// A copy of source at width by height, scaled down with halftoning (averaged pixels,
// not dropped rows).
static HBITMAP ScaleDown(HBITMAP source, int sourceWidth, int sourceHeight, int width, int height)
{
    HDC screen = GetDC(NULL), from = CreateCompatibleDC(screen), to = CreateCompatibleDC(screen);
    HBITMAP scaled = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ oldFrom, oldTo;

    if (scaled && from && to) {
        oldFrom = SelectObject(from, source);
        oldTo = SelectObject(to, scaled);
        SetStretchBltMode(to, HALFTONE);
        SetBrushOrgEx(to, 0, 0, NULL);
        StretchBlt(to, 0, 0, width, height, from, 0, 0, sourceWidth, sourceHeight, SRCCOPY);
        SelectObject(from, oldFrom);
        SelectObject(to, oldTo);
    }
    if (from)
        DeleteDC(from);
    if (to)
        DeleteDC(to);
    ReleaseDC(NULL, screen);
    return scaled;
}

HBITMAP LoadFittedPicture(int picture, int width, int height)
{
    int heights[MAX_CARRIED], i, count = s_pictures[picture].count, w100 = s_pictures[picture].width100;
    int h100 = s_pictures[picture].heights[0], carriedHeight, carriedWidth;
    HBITMAP carried, scaled;

    if (height > MulDiv(width, h100, w100))
        height = MulDiv(width, h100, w100);
    for (i = 0; i < count; i++)
        heights[i] = s_pictures[picture].heights[i];
    i = PickCarriedPicture(heights, count, height);
    carried = LoadBitmapA(g_hInst, s_pictures[picture].names[i]);
    carriedHeight = heights[i];
    if (!carried || carriedHeight <= height)
        return carried;
    carriedWidth = MulDiv(w100, carriedHeight, h100);
    scaled = ScaleDown(carried, carriedWidth, carriedHeight, MulDiv(w100, height, h100), height);
    DeleteObject(carried);
    return scaled;
}

HBITMAP LoadPictureForDpi(int picture, int dpi)
{
    return LoadFittedPicture(picture, MulDiv(s_pictures[picture].width100, dpi, BASE_DPI),
                             MulDiv(s_pictures[picture].heights[0], dpi, BASE_DPI));
}

int HighContrastOn(void)
{
    HIGHCONTRASTA contrast;

    ZeroMemory(&contrast, sizeof(contrast));
    contrast.cbSize = sizeof(contrast);
    if (!SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0))
        return 0;
    return (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

void PickBackgroundColours(int highContrast, COLORREF systemWindow, COLORREF systemText,
                           COLORREF *background, COLORREF *text)
{
    *background = highContrast ? systemWindow : RGB(0, 128, 128);
    *text = highContrast ? systemText : RGB(255, 255, 255);
}
