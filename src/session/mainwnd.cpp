// The background window: product and maker bitmaps, the two background lines, the
// command that runs the whole installation, and the end of the session while it runs.
#include <winerror.h>
#include "resource.h"
#include "session/ending.h"
#include "session/journal.h"
#include "session/display.h"
#include "session/mainwnd.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"
#include "session/workfolder.h"

char g_szHelpTitle[TITLE_SIZE];
char g_szRelNotesTitle[TITLE_SIZE];
char g_szUninstallTitle[TITLE_SIZE];
char g_szIconPlacementTitle[TITLE_SIZE];
char g_szExplorerHelpTitle[TITLE_SIZE];

static HBITMAP s_productBitmap;
static HBITMAP s_makerBitmap;
// The DPI the pictures and the text are made for, and the colours in use.
static int s_dpi = BASE_DPI;
static COLORREF s_textColour = RGB(255, 255, 255);
static HBRUSH s_ownBrush;
static int s_setupRunning;
static void (*s_runSetup)(HWND window);

void LoadIconTitles(void)
{
    LoadMessage(IDS_TITLE_HELP, g_szHelpTitle, COUNTOF(g_szHelpTitle));
    LoadMessage(IDS_TITLE_RELNOTES, g_szRelNotesTitle, COUNTOF(g_szRelNotesTitle));
    LoadMessage(IDS_TITLE_UNINSTALL, g_szUninstallTitle, COUNTOF(g_szUninstallTitle));
    LoadMessage(IDS_TITLE_ICONPLACE, g_szIconPlacementTitle, COUNTOF(g_szIconPlacementTitle));
    LoadMessage(IDS_TITLE_EXPLORERHELP, g_szExplorerHelpTitle, COUNTOF(g_szExplorerHelpTitle));
}

int RegisterMainClass(HINSTANCE instance, void (*runSetup)(HWND window))
{
    WNDCLASSA wc;

    s_runSetup = runSetup;
    ZeroMemory(&wc, sizeof(wc));
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS | CS_BYTEALIGNWINDOW;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "APP_MAIN");
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(RGB(0, 128, 128));
    wc.lpszClassName = MAIN_CLASS_NAME;
    return RegisterClassA(&wc) != 0;
}

// Copies bitmap to dc at x, y in its own size; returns its height (0 without bitmap).
static int DrawBitmapAt(HDC dc, HDC memory, HBITMAP bitmap, int x, int y)
{
    BITMAP info;
    HGDIOBJ previous;

    GetObjectA(bitmap, sizeof(info), &info);
    previous = SelectObject(memory, bitmap);
    BitBlt(dc, x, y, info.bmWidth, info.bmHeight, memory, 0, 0, SRCCOPY);
    SelectObject(memory, previous);
    return info.bmHeight;
}

static void GetBitmapSize(HBITMAP bitmap, int *width, int *height)
{
    BITMAP info;

    GetObjectA(bitmap, sizeof(info), &info);
    *width = info.bmWidth;
    *height = info.bmHeight;
}

// The background lines in a large italic font, one under the other. The font is twice
// the paint context's text height, made for the window's DPI rather than the screen's.
static void DrawBackgroundLines(HDC dc, int x, int y)
{
    TEXTMETRICA metrics;
    HFONT font, previous;
    COLORREF oldColour;
    int height;

    GetTextMetricsA(dc, &metrics);
    height = MulDiv(metrics.tmHeight, s_dpi, GetDeviceCaps(dc, LOGPIXELSY));
    font = CreateFontA(height * 2, 0, 0, 0, 900, TRUE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                       PRIMARYLANGID(GetSystemDefaultLangID()) == LANG_ENGLISH ? "Arial" : NULL);
    previous = (HFONT)SelectObject(dc, font);
    oldColour = SetTextColor(dc, s_textColour);
    TextOutA(dc, x, y, g_szLine1, lstrlenA(g_szLine1));
    TextOutA(dc, x, y + height * 2 + height / 2, g_szLine2, lstrlenA(g_szLine2));
    SetTextColor(dc, oldColour);
    SelectObject(dc, previous);
    DeleteObject(font);
}

static LRESULT PaintBackground(HWND window)
{
    PAINTSTRUCT ps;
    RECT client;
    HDC dc, memory;
    int margin = MulDiv(10, s_dpi, BASE_DPI), textX = margin, textY = margin, oldMode, w, h;

    if (g_bSilent)
        return 0;
    dc = BeginPaint(window, &ps);
    if (!dc)
        return 0;
    GetClientRect(window, &client);
    memory = CreateCompatibleDC(dc);
    if (s_productBitmap) {
        textX = MulDiv(40, s_dpi, BASE_DPI);
        textY = DrawBitmapAt(dc, memory, s_productBitmap, margin, margin) + MulDiv(16, s_dpi, BASE_DPI);
    }
    if (s_makerBitmap) {
        GetBitmapSize(s_makerBitmap, &w, &h);
        DrawBitmapAt(dc, memory, s_makerBitmap, client.right - w, client.bottom - h);
    }
    oldMode = SetBkMode(dc, TRANSPARENT);
    DrawBackgroundLines(dc, textX, textY);
    SetBkMode(dc, oldMode);
    DeleteDC(memory);
    EndPaint(window, &ps);
    return 0;
}

static void FreePictures(void)
{
    if (s_productBitmap)
        DeleteObject(s_productBitmap);
    if (s_makerBitmap)
        DeleteObject(s_makerBitmap);
    s_productBitmap = NULL;
    s_makerBitmap = NULL;
}

static void LoadPictures(int dpi)
{
    FreePictures();
    s_dpi = dpi;
    s_productBitmap = LoadPictureForDpi(PICTURE_PRODUCT, dpi);
    s_makerBitmap = LoadPictureForDpi(PICTURE_MAKER, dpi);
}

// The class brush and the text colour: the product's, or the system's in high contrast
// (checked again whenever the colours or the settings change).
static void ApplyColours(HWND window)
{
    COLORREF background;
    HBRUSH brush;

    PickBackgroundColours(HighContrastOn(), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOWTEXT),
                          &background, &s_textColour);
    brush = CreateSolidBrush(background);
    if (!brush)
        return;
    SetClassLongPtrA(window, GCLP_HBRBACKGROUND, (LONG_PTR)brush);
    if (s_ownBrush)
        DeleteObject(s_ownBrush);
    s_ownBrush = brush;
    InvalidateRect(window, NULL, TRUE);
}

// A move to a monitor of another DPI: the suggested rectangle, pictures made anew.
static void ChangeDpi(HWND window, int dpi, const RECT *suggested)
{
    LoadPictures(dpi);
    SetWindowPos(window, NULL, suggested->left, suggested->top, suggested->right - suggested->left,
                 suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(window, NULL, TRUE);
}

static void RunSetup(HWND window)
{
    // Any program can post the command: a second one while the wizard runs would nest
    // a second wizard whose end closes this window under the first.
    if (s_setupRunning || !s_runSetup)
        return;
    s_setupRunning = 1;
    s_runSetup(window);
    s_setupRunning = 0;
}

typedef BOOL(WINAPI *ShutdownBlockReasonCreateFn)(HWND, const WCHAR *);
typedef BOOL(WINAPI *ShutdownBlockReasonDestroyFn)(HWND);

void BlockEndOfSession(HWND window, int block)
{
    HMODULE user = GetModuleHandleA("user32.dll");

    // Vista and later show the reason while they wait; some systems have no such call, or
    // one that fails, and then the answer to WM_QUERYENDSESSION alone asks for the wait.
    if (block) {
        ShutdownBlockReasonCreateFn create =
            (ShutdownBlockReasonCreateFn)(void *)GetProcAddress(user, "ShutdownBlockReasonCreate");
        if (create)
            create(window, L"NEXFER Pro is being installed. Ending now would leave it half installed.");
    } else {
        ShutdownBlockReasonDestroyFn destroy =
            (ShutdownBlockReasonDestroyFn)(void *)GetProcAddress(user, "ShutdownBlockReasonDestroy");
        if (destroy)
            destroy(window);
    }
}

// The session ends while the run changes the machine: what the journal holds is taken
// back and the process ends here, for the system will not wait for the wizard to return.
static void EndWithSession(void)
{
    JournalTakeBack();
    RemoveWorkFolder();
    EndRun(ERROR_INSTALL_FAILURE, "Windows ended the session during the installation");
    LogRunEnding();
    ExitProcess(ERROR_INSTALL_FAILURE);
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_QUERYENDSESSION:
        return !JournalActive();
    case WM_ENDSESSION:
        if (wParam && JournalActive())
            EndWithSession();
        return 0;
    case WM_CREATE:
        LoadPictures(WindowDpi(window));
        ApplyColours(window);
        LoadIconTitles();
        return 0;
    case WM_DPICHANGED:
        ChangeDpi(window, LOWORD(wParam), (const RECT *)lParam);
        return 0;
    case WM_SETTINGCHANGE:
    case WM_SYSCOLORCHANGE:
        ApplyColours(window);
        break;
    case WM_PAINT:
        return PaintBackground(window);
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_RUN_SETUP)
            RunSetup(window);
        return 0;
    case WM_CLOSE:
        // A close while the installation runs would quit from inside the driver's pump.
        if (s_setupRunning)
            return 0;
        if (window != g_hwndMain) {
            DestroyWindow(window);
            return 0;
        }
        PostQuitMessage(0);
        break;
    case WM_DESTROY:
        FreePictures();
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
