// Start-up helpers: window geometry, Windows family, temporary folder, centring, the
// message pump used everywhere, and starting a program of the system folder.
#include <string.h>
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"

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

int StartSystemProgram(const char *program, char *commandLine, const char *folder)
{
    char path[MAX_PATH];
    STARTUPINFOA start;
    PROCESS_INFORMATION process;
    UINT n = GetSystemDirectoryA(path, COUNTOF(path));

    // The full path goes as the application name: the command line's first word is
    // never searched for (this program's folder and the current one would come first).
    if (n == 0 || n >= COUNTOF(path) || !AppendText(path, COUNTOF(path), "\\") ||
        !AppendText(path, COUNTOF(path), program))
        return 0;
    memset(&start, 0, sizeof(start));
    start.cb = sizeof(start);
    start.dwFlags = STARTF_USESHOWWINDOW;
    start.wShowWindow = SW_SHOW;
    if (!CreateProcessA(path, commandLine, NULL, NULL, FALSE, 0, NULL, folder, &start, &process))
        return 0;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 1;
}
