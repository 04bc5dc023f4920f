// A product DLL that other product DLLs import (installed as nxfpro32.dll in the sibling
// test's product, and planted beside setup.exe under the same name): it tells its own
// path, so that the DLL that imports it can say which copy it got.
#include <windows.h>

static HINSTANCE g_self;

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_self = self;
    return TRUE;
}

extern "C" __declspec(dllexport) DWORD NxtSiblingPath(char *path, DWORD size)
{
    return GetModuleFileNameA(g_self, path, size);
}
