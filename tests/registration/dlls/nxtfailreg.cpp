// Test DLL: DllRegisterServer fails with -1, DllUnregisterServer answers S_FALSE; each
// notes the current folder of its call (and DllMain that of the load) in the environment.
#include <windows.h>

static void NoteCurrentFolder(const char *variable)
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    SetEnvironmentVariableA(variable, folder);
}

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        NoteCurrentFolder("NXT_LOAD_FOLDER");
    return TRUE;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
    NoteCurrentFolder("NXT_CALL_FOLDER");
    return -1;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    NoteCurrentFolder("NXT_CALL_FOLDER");
    return S_FALSE;
}
