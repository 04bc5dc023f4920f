// Keeps a test prefix's desktop alive between test processes: one hidden window and a
// message loop that runs until the wineserver ends.
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA wc = {};
    MSG msg;

    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = instance;
    wc.lpszClassName = "NxKeepAlive";
    RegisterClassA(&wc);
    CreateWindowExA(0, "NxKeepAlive", "keepalive", WS_OVERLAPPED, 0, 0, 10, 10, NULL, NULL, instance, NULL);
    while (GetMessageA(&msg, NULL, 0, 0) > 0)
        DispatchMessageA(&msg);
    return 0;
}
