// Stand-in for a self-registering NEXFER Pro library: DllRegisterServer writes
// HKEY_CLASSES_ROOT\CLSID\{id} with its InProcServer32 key, DllUnregisterServer
// removes both. It serves no class objects.
#include <windows.h>
#include <olectl.h>

#include "fileinfo.h"

namespace {

const char kClassKey[] = "CLSID\\" NX_CLSID;
const char kServerKey[] = "CLSID\\" NX_CLSID "\\InProcServer32";
const DWORD kPathSize = MAX_PATH;

HINSTANCE g_module;

LONG SetString(HKEY key, const char *name, const char *value)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value),
                          static_cast<DWORD>(lstrlenA(value) + 1));
}

// Creates the key under HKEY_CLASSES_ROOT with its default value and, when name is
// not NULL, one more string value. ERROR_SUCCESS or the failing call's code.
LONG WriteKey(const char *path, const char *defaultValue, const char *name, const char *value)
{
    HKEY key;
    LONG rc = RegCreateKeyExA(HKEY_CLASSES_ROOT, path, 0, NULL, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE, NULL,
                              &key, NULL);
    if (rc != ERROR_SUCCESS)
        return rc;
    rc = SetString(key, NULL, defaultValue);
    if (rc == ERROR_SUCCESS && name)
        rc = SetString(key, name, value);
    RegCloseKey(key);
    return rc;
}

// Deletes the class key; a key already absent counts as deleted. NT's RegDeleteKeyA
// refuses a key with subkeys, so the server key goes first.
LONG DeleteClassKey()
{
    LONG rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, kServerKey);
    if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND)
        return rc;
    rc = RegDeleteKeyA(HKEY_CLASSES_ROOT, kClassKey);
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}

STDAPI DllRegisterServer(void)
{
    char path[kPathSize];
    DWORD n = GetModuleFileNameA(g_module, path, kPathSize);
    if (n == 0 || n >= kPathSize)
        return SELFREG_E_CLASS;
    if (WriteKey(kClassKey, NX_CLASS_NAME, NULL, NULL) == ERROR_SUCCESS &&
        WriteKey(kServerKey, path, "ThreadingModel", "Apartment") == ERROR_SUCCESS)
        return S_OK;
    DeleteClassKey(); // leave no half-written class behind
    return SELFREG_E_CLASS;
}

STDAPI DllUnregisterServer(void)
{
    return DeleteClassKey() == ERROR_SUCCESS ? S_OK : SELFREG_E_CLASS;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, LPVOID *object)
{
    if (object)
        *object = NULL;
    return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void)
{
    return S_OK;
}
