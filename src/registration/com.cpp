// COM registration: the base class's in-process server entry, the product DLLs' own
// self-registration, and the shell namespace entries on the Desktop or in My Computer.
#include <string.h>
#include "registration/com.h"
#include "registration/record.h"
#include "session/flags.h"
#include "session/journal.h"
#include "session/session.h"
#include "session/text.h"

#define NAMESPACE_PATH_SIZE 512
#define CURRENT_DIR_SIZE   512
#define DLL_PATH_SIZE      261
#define THREADING_MODEL    "Apartment"

enum { PLACE_DESKTOP = 0, PLACE_MYCOMPUTER = 1, PLACE_NONE = -1 };

static const char *const kNamespaceFormats[2] = {
    NAMESPACE_KEY("Desktop", "%s"),
    NAMESPACE_KEY("MyComputer", "%s"),
};

// Default value first; the threading model only when the path went in.
static int WriteServerValues(HKEY key, const char *programPath)
{
    if (RegSetValueExA(key, NULL, 0, REG_SZ, (const BYTE *)programPath,
                       (DWORD)strlen(programPath) + 1) != ERROR_SUCCESS)
        return 0;
    RegSetValueExA(key, "ThreadingModel", 0, REG_SZ, (const BYTE *)THREADING_MODEL,
                   (DWORD)sizeof(THREADING_MODEL));
    return 1;
}

int RegisterBaseServer(const char *programPath)
{
    const char *path = BASE_SERVER_KEY;
    HKEY key;
    int result = 0;

    if (!JournalRegValue(HKEY_CLASSES_ROOT, path, NULL) || !JournalRegValue(HKEY_CLASSES_ROOT, path, "ThreadingModel"))
        return 0;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        result = WriteServerValues(key, programPath);
        RegCloseKey(key);
    }
    if (!result && RegCreateKeyA(HKEY_CLASSES_ROOT, path, &key) == ERROR_SUCCESS) {
        result = WriteServerValues(key, programPath);
        RegCloseKey(key);
    }
    return result;
}

int UnregisterBaseServer(void)
{
    const char *path = BASE_SERVER_KEY;
    HKEY key;

    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        RegDeleteValueA(key, NULL);
        RegDeleteValueA(key, "ThreadingModel");
        RegCloseKey(key);
    }
    RegDeleteKeyA(HKEY_CLASSES_ROOT, path);
    return 1;
}

typedef HRESULT(STDAPICALLTYPE *RegistrationEntry)(void);

// The DLL by its full path; the DLLs it imports are looked for beside it, then in the
// system folder, never in this program's folder or the current one. Windows without
// these flags (Vista, 7 without its update) refuses them: there the DLL's own folder
// still takes the place of the program's folder.
static HMODULE LoadProductDll(const char *dllPath)
{
    HMODULE module = LoadLibraryExA(dllPath, NULL, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);

    if (!module && GetLastError() == ERROR_INVALID_PARAMETER)
        module = LoadLibraryExA(dllPath, NULL, LOAD_WITH_ALTERED_SEARCH_PATH);
    return module;
}

typedef void *(WINAPI *AddDllDirectoryFn)(const WCHAR *);
typedef BOOL(WINAPI *RemoveDllDirectoryFn)(void *);

// While a product DLL loads and registers, the DLLs it loads by name alone are looked
// for in its own folder too (after the system folder); nothing else is added. Where
// AddDllDirectory is missing, SetDllDirectory names the folder, and "" afterwards keeps
// the current folder out of the search. Returns what ProductFolderSearchEnd takes.
static void *ProductFolderSearchBegin(const char *folder)
{
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    AddDllDirectoryFn add = (AddDllDirectoryFn)(void *)GetProcAddress(kernel, "AddDllDirectory");
    WCHAR wide[MAX_PATH];

    if (!add) {
        SetDllDirectoryA(folder);
        return NULL;
    }
    if (!MultiByteToWideChar(CP_ACP, 0, folder, -1, wide, MAX_PATH))
        return NULL;
    return add(wide);
}

static void ProductFolderSearchEnd(void *cookie)
{
    RemoveDllDirectoryFn remove =
        (RemoveDllDirectoryFn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "RemoveDllDirectory");

    if (!remove)
        SetDllDirectoryA("");
    else if (cookie)
        remove(cookie);
}

// Loads the DLL, calls the entry point and frees it: 0, 1 or -1 as CallDllRegistration.
// A DLL that is there and does not load (damaged, a missing import) is a failure.
static int RunEntryPoint(const char *dllPath, const char *entryPoint)
{
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadProductDll(dllPath);
    RegistrationEntry entry;
    int result = 0;

    SetErrorMode(oldMode);
    if (!module)
        return GetFileAttributesA(dllPath) == INVALID_FILE_ATTRIBUTES ? 0 : -1;
    entry = (RegistrationEntry)(void *)GetProcAddress(module, entryPoint);
    if (entry)
        result = entry() < 0 ? -1 : 1;
    FreeLibrary(module);
    return result;
}

int CallDllRegistration(const char *folder, const char *dllName, const char *entryPoint)
{
    char dllPath[DLL_PATH_SIZE];
    char previous[CURRENT_DIR_SIZE];
    DWORD n;
    int result;

    if (!JoinPath(dllPath, COUNTOF(dllPath), folder, dllName))
        return 0;
    // Without the folder to come back to, the DLL is not run at all.
    n = GetCurrentDirectoryA(COUNTOF(previous), previous);
    if (n == 0 || n >= (DWORD)COUNTOF(previous))
        return 0;
    // The DLL loads and registers with its own folder current, where it may look for
    // its files; its imports are found by the load flags, the current folder counts for none.
    SetCurrentDirectoryA(folder);
    void *search = ProductFolderSearchBegin(folder);
    result = RunEntryPoint(dllPath, entryPoint);
    ProductFolderSearchEnd(search);
    SetCurrentDirectoryA(previous);
    return result;
}

static int NamespacePath(char *out, int cchOut, int place, const char *clsid)
{
    return FormatText(out, cchOut, kNamespaceFormats[place ? 1 : 0], clsid);
}

// Where the class's entry is registered; a key without a readable default value is absent.
static int FindNamespaceEntry(const char *clsid)
{
    char path[NAMESPACE_PATH_SIZE];
    char title[NAMESPACE_PATH_SIZE];
    int place;

    for (place = PLACE_DESKTOP; place <= PLACE_MYCOMPUTER; place++) {
        if (NamespacePath(path, COUNTOF(path), place, clsid) &&
            ReadRegistryString(HKEY_LOCAL_MACHINE, path, NULL, NULL, title, sizeof(title)))
            return place;
    }
    return PLACE_NONE;
}

// An entry already present decides g_iconLocation; otherwise the entry goes where it
// points, after asking the user (askPlacement, which sets g_iconLocation) when given.
static void PlaceEntry(const char *clsid, const char *title, int (*askPlacement)(void))
{
    char path[NAMESPACE_PATH_SIZE];
    int place = FindNamespaceEntry(clsid);

    if (place != PLACE_NONE) {
        g_iconLocation = place;
        return;
    }
    if (askPlacement)
        askPlacement();
    if (NamespacePath(path, COUNTOF(path), g_iconLocation, clsid))
        SetRegistryString(HKEY_LOCAL_MACHINE, path, NULL, NULL, title);
}

void PlaceNamespaceEntries(DWORD flags, int (*askPlacement)(void))
{
    if (!(flags & INSTALL_EXPLORER))
        return;
    PlaceEntry(CLSID_EXPLORER_TEXT, EXPLORER_ENTRY_TITLE, (flags & INSTALL_QUIET) ? NULL : askPlacement);
    if (flags & INSTALL_CLASSIC)
        PlaceEntry(CLSID_ICONLINK_TEXT, ICONLINK_ENTRY_TITLE, NULL);
}

void DeleteProductClassKeys(void)
{
    DeleteRegistryTree(CLASS_KEY(CLSID_EXPLORER_TEXT), HKEY_CLASSES_ROOT);
    DeleteRegistryTree(CLASS_KEY(CLSID_ICONLINK_TEXT), HKEY_CLASSES_ROOT);
}

int RemoveNamespaceEntries(void)
{
    static const char *const classes[2] = { CLSID_EXPLORER_TEXT, CLSID_ICONLINK_TEXT };
    char path[NAMESPACE_PATH_SIZE];
    int i, place;

    for (i = 0; i < 2; i++) {
        for (place = PLACE_DESKTOP; place <= PLACE_MYCOMPUTER; place++) {
            if (NamespacePath(path, COUNTOF(path), place, classes[i]))
                RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
        }
    }
    return 1;
}
