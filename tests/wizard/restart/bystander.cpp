// A window that sits in a prefix and records the end-session messages it receives, one
// line each, into the file named on its command line; its first line is "ready".
#include <windows.h>
#include <stdio.h>

static char s_logPath[MAX_PATH];

static void Record(const char *line)
{
    FILE *log = fopen(s_logPath, "ab");

    if (!log)
        return;
    fprintf(log, "%s\n", line);
    fclose(log);
}

static LRESULT CALLBACK BystanderProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    char line[64];

    switch (message) {
    case WM_QUERYENDSESSION:
        Record("WM_QUERYENDSESSION");
        return TRUE;
    case WM_ENDSESSION:
        snprintf(line, sizeof(line), "WM_ENDSESSION %d", wParam ? 1 : 0);
        Record(line);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA wc = {};
    MSG msg;

    (void)previous;
    (void)show;
    snprintf(s_logPath, sizeof(s_logPath), "%s", commandLine);
    wc.lpfnWndProc = BystanderProc;
    wc.hInstance = instance;
    wc.lpszClassName = "NxBystander";
    RegisterClassA(&wc);
    if (!CreateWindowExA(0, "NxBystander", "bystander", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                         0, 0, 200, 100, NULL, NULL, instance, NULL))
        return 1;
    Record("ready");
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}
