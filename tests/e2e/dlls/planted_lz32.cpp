// A DLL planted beside a program under the name LZ32.dll: it forwards the LZ functions to
// kernel32, so that a program that imports it still works, and notes every load in
// "<its own path>.loaded".
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    char path[MAX_PATH + 8];
    DWORD n;
    HANDLE note;

    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    n = GetModuleFileNameA(self, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH)
        return TRUE;
    lstrcatA(path, ".loaded");
    note = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (note != INVALID_HANDLE_VALUE)
        CloseHandle(note);
    return TRUE;
}
