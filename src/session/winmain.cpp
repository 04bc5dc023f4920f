// The program's entry point: working folder, scratch name, default options, Windows
// family, the main window and the message loop.
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
