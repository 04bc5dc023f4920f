// The sibling test's explorer extension (installed as nxfproex.dll): it imports the
// product's nxfpro32.dll and registers like the real one, writing two more values beside
// its server path: "Sibling", the path of the nxfpro32.dll it was given, and "Probe", the
// path of whatever nxtprobe.dll a plain LoadLibrary finds (empty when none).
#include <windows.h>
#include "registration/com.h"

extern "C" __declspec(dllimport) DWORD NxtSiblingPath(char *path, DWORD size);

static HINSTANCE g_self;
static const char kClassKey[] = CLASS_KEY(CLSID_EXPLORER_TEXT);
static const char kServerKey[] = CLASS_KEY(CLSID_EXPLORER_TEXT) "\\InProcServer32";

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_self = self;
    return TRUE;
}

static void SetString(HKEY key, const char *name, const char *value)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value, (DWORD)lstrlenA(value) + 1);
}

// The path of a plain load of nxtprobe.dll, which only a program's own folder (or the
// current one) could offer.
static void ProbePath(char *path, DWORD size)
{
    HMODULE probe = LoadLibraryA("nxtprobe.dll");

    path[0] = '\0';
    if (probe) {
        GetModuleFileNameA(probe, path, size);
        FreeLibrary(probe);
    }
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllRegisterServer(void)
{
    char own[MAX_PATH] = "", sibling[MAX_PATH] = "", probe[MAX_PATH];
    HKEY key;

    GetModuleFileNameA(g_self, own, MAX_PATH);
    NxtSiblingPath(sibling, MAX_PATH);
    ProbePath(probe, MAX_PATH);
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, kClassKey, &key) != ERROR_SUCCESS)
        return E_FAIL;
    SetString(key, NULL, "NEXFER Pro Explorer");
    RegCloseKey(key);
    if (RegCreateKeyA(HKEY_CLASSES_ROOT, kServerKey, &key) != ERROR_SUCCESS)
        return E_FAIL;
    SetString(key, NULL, own);
    SetString(key, "ThreadingModel", "Apartment");
    SetString(key, "Sibling", sibling);
    SetString(key, "Probe", probe);
    RegCloseKey(key);
    return S_OK;
}

extern "C" __declspec(dllexport) HRESULT WINAPI DllUnregisterServer(void)
{
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kServerKey);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
    return S_OK;
}
