// Keeps a test prefix's desktop alive between test processes: one hidden window and a
// message loop that runs until the wineserver ends. With a file name as its command
// line it creates that file once its window exists, that is once the desktop is up.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
    WNDCLASSA wc = {};
    MSG msg;

    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "NxKeepAlive";
    RegisterClassA(&wc);
    if (!CreateWindowExA(0, "NxKeepAlive", "keepalive", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, instance, NULL))
        return 1;
    if (commandLine && commandLine[0])
        CloseHandle(CreateFileA(commandLine, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL));
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
