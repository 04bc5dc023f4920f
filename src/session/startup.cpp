// Start-up: working folder, scratch name, default options, Windows family, the main
// window and the message loop; plus centring and the message pump used everywhere.
#include <string.h>
#include "../payload/payload.h"
#include "../../resources/resource.h"
#include "mainwnd.h"
#include "messages.h"
#include "options.h"
#include "session.h"
#include "startup.h"
#include "text.h"

#define TEMP_FOLDER_SIZE 256

void ComputeMainWindowRect(const RECT *desktop, RECT *out)
{
    int width = ((desktop->right - desktop->left) / 5) * 4;
    int height = ((desktop->bottom - desktop->top) / 5) * 4;

    if (width < 600)
        width = 600;
    if (height < 400)
        height = 400;
    out->left = (desktop->right - width) / 2;
    out->top = (desktop->bottom - height) / 2;
    out->right = width;
    out->bottom = height;
}

void DetectWindowsFamily(const char *osValue, int major, int minor, int explore,
                         int *isNT, int *maskAllowed, int *maskProposed)
{
    int proposed = explore ? IFACE_CLASSIC | IFACE_EXPLORER : IFACE_CLASSIC;

    if (osValue && strstr(osValue, "NT")) {
        *isNT = 1;
        *maskAllowed = 15;
        *maskProposed = proposed;
    } else if (major >= 4 || minor >= 50) {
        *isNT = 0;
        *maskAllowed = 15;
        *maskProposed = proposed;
    } else {
        *isNT = 0;
        *maskAllowed = 3;
        *maskProposed = 1;
    }
}

void CentreOnScreen(HWND window, int offset)
{
    RECT own, desktop;
    int w, h, x, y;

    GetWindowRect(window, &own);
    GetWindowRect(GetDesktopWindow(), &desktop);
    w = own.right - own.left;
    h = own.bottom - own.top;
    x = (desktop.right - desktop.left) / 2 - w / 2;
    y = (desktop.bottom - desktop.top) / 2 - h / 2;
    if (offset)
        y += offset;
    MoveWindow(window, x > 0 ? x : 0, y > 0 ? y : 0, w, h, FALSE);
}

int PumpMessages(void)
{
    MSG msg;

    while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
        if (g_hwndModeless && IsDialogMessageA(g_hwndModeless, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 1;
}

int GetTempFolder(char *folder, int cch)
{
    DWORD n = GetTempPathA((DWORD)cch, folder);
    size_t len;

    if (n == 0 || n >= (DWORD)cch) {
        folder[0] = '\0';
        return 0;
    }
    len = strlen(folder);
    if (len > 0 && (folder[len - 1] == '\\' || folder[len - 1] == '/'))
        folder[len - 1] = '\0';
    return 1;
}

// Reserves the scratch file NXT<n>.TMP in the temporary folder; keeps only its name.
static void ReserveScratchName(const char *tempFolder)
{
    char path[MAX_PATH];
    const char *slash;

    g_szTempFileName[0] = '\0';
    if (!GetTempFileNameA(tempFolder, "NXT", 0, path))
        return;
    slash = strrchr(path, '\\');
    CopyText(g_szTempFileName, COUNTOF(g_szTempFileName), slash ? slash + 1 : path);
}

static void DetectFamilyOfThisSystem(void)
{
    char os[256];
    DWORD version = GetVersion();
    DWORD n = GetEnvironmentVariableA("OS", os, COUNTOF(os));
    const char *osValue = (n > 0 && n < (DWORD)COUNTOF(os)) ? os : NULL;

    DetectWindowsFamily(osValue, (int)LOBYTE(LOWORD(version)), (int)HIBYTE(LOWORD(version)),
                        g_bExplore, &g_bIsNT, &nM, &nV);
}

static void ReportStartFailure(UINT number)
{
    char text[MESSAGE_SIZE];

    if (g_bSilent)
        return;
    LoadMessage(number, text, COUNTOF(text));
    MessageBoxA(NULL, text, NULL, MB_ICONEXCLAMATION);
}

static HWND CreateMainWindow(HINSTANCE instance)
{
    RECT desktop, place;

    GetWindowRect(GetDesktopWindow(), &desktop);
    ComputeMainWindowRect(&desktop, &place);
    return CreateWindowExA(0, MAIN_CLASS_NAME, PRODUCT_NAME " Install (32)",
                           WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                           place.left, place.top, place.right, place.bottom,
                           NULL, NULL, instance, NULL);
}

static int RunMessageLoop(void)
{
    MSG msg;

    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        if (g_hwndModeless && IsDialogMessageA(g_hwndModeless, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char tempFolder[TEMP_FOLDER_SIZE];

    (void)commandLine;
    (void)show;
    g_hInst = instance;
    if (GetTempFolder(tempFolder, COUNTOF(tempFolder)))
        SetCurrentDirectoryA(tempFolder);
    ReserveScratchName(tempFolder);
    AppendText(tempFolder, COUNTOF(tempFolder), "\\");
    ExtractPayload(g_hInst, PAYLOAD_OPTIONS, tempFolder, "Install.ini");
    g_szLine1[0] = '\0';
    g_szLine2[0] = '\0';
    ReadOptions();
    DetectFamilyOfThisSystem();
    if (!previous && !RegisterMainClass(instance)) {
        ReportStartFailure(IDS_CLASS_FAILED);
        return -1;
    }
    g_hwndMain = CreateMainWindow(instance);
    if (!g_hwndMain) {
        ReportStartFailure(IDS_WINDOW_FAILED);
        return 2;
    }
    if (!g_bSilent)
        ShowWindow(g_hwndMain, SW_SHOWNORMAL);
    PostMessageA(g_hwndMain, WM_COMMAND, IDM_RUN_SETUP, 0);
    return RunMessageLoop();
}
