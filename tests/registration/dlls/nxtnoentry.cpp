// Test DLL without registration entry points; it notes in the environment that it loaded.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        SetEnvironmentVariableA("NXT_NOENTRY_LOADED", "1");
    return TRUE;
}

extern "C" __declspec(dllexport) int WINAPI NxtUnrelatedExport(void)
{
    return 7;
}
