// Program items as shortcut files (IShellLink saved through IPersistFile) in a folder
// named like the group under the all-users Start-menu programs folder.
#include <string.h>
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include "registration/shortcuts.h"
#include "session/sizes.h"
#include "session/text.h"

static char s_groupFolder[MAX_PATH];
static int s_comStarted;

int IsPlainFolderName(const char *name)
{
    return name[0] && name[0] != '.' && !strpbrk(name, "\\/:*?\"<>|");
}

// Device names: the first six alone, COM and LPT followed by a digit 1 to 9.
static const char *const kDeviceNames[] = {
    "CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$", "COM", "LPT",
};

static const char kGroupCharacters[] =
    "a group name cannot hold \\ / : * ? \" < > | [ ] ( ) , or a control character, "
    "nor begin with a dot or end with a dot or a blank";

// A device name, alone or with an extension ("NUL.txt"): the system opens the device.
static int IsDeviceName(const char *name)
{
    size_t stem = strcspn(name, ".");

    for (int i = 0; i < COUNTOF(kDeviceNames); i++) {
        size_t n = strlen(kDeviceNames[i]);
        if (_strnicmp(name, kDeviceNames[i], n) != 0)
            continue;
        if (i < 6 && stem == n)
            return 1;
        if (i >= 6 && stem == 4 && name[3] >= '1' && name[3] <= '9')
            return 1;
    }
    return 0;
}

// The longer of the two programs folders (this user's, all users'), in characters.
static size_t LongestProgramsFolder(void)
{
    static const int places[] = { CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS };
    char folder[MAX_PATH];
    size_t longest = 0;

    for (int i = 0; i < COUNTOF(places); i++) {
        if (SUCCEEDED(SHGetFolderPathA(NULL, places[i], NULL, 0, folder)) && strlen(folder) > longest)
            longest = strlen(folder);
    }
    return longest;
}

const char *GroupNameFault(const char *name)
{
    size_t length = strlen(name);

    for (const unsigned char *c = (const unsigned char *)name; *c; c++) {
        if (*c < 0x20 || strchr("\\/:*?\"<>|[](),", *c))
            return kGroupCharacters;
    }
    if (length == 0 || name[0] == '.' || name[length - 1] == '.' || name[length - 1] == ' ')
        return kGroupCharacters;
    if (IsDeviceName(name))
        return "a group name cannot be a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9)";
    // Folder, backslash, group, backslash, title, ".lnk" and the NUL.
    if (LongestProgramsFolder() + 1 + length + 1 + LONGEST_ITEM_TITLE + 4 + 1 > MAX_PATH)
        return "the group name is too long for the paths of its icons";
    return NULL;
}

// The group's folder below the programs folder of csidl; 0 when it does not fit.
static int GroupFolderPath(int csidl, const char *group, char *out, int cchOut)
{
    char programs[MAX_PATH];

    if (!IsPlainFolderName(group) || FAILED(SHGetFolderPathA(NULL, csidl, NULL, 0, programs)))
        return 0;
    return JoinPath(out, cchOut, programs, group);
}

int OpenLinkGroup(const char *group)
{
    CloseLinkGroup();
    if (!GroupFolderPath(CSIDL_COMMON_PROGRAMS | CSIDL_FLAG_CREATE, group, s_groupFolder,
                         COUNTOF(s_groupFolder)))
        goto fail;
    if (!CreateDirectoryA(s_groupFolder, NULL) && GetLastError() != ERROR_ALREADY_EXISTS)
        goto fail;
    s_comStarted = SUCCEEDED(CoInitialize(NULL));
    return 1;
fail:
    s_groupFolder[0] = '\0';
    return 0;
}

static int SaveLink(IShellLinkA *link, const char *path)
{
    IPersistFile *file = NULL;
    WCHAR widePath[MAX_PATH];
    HRESULT result;

    if (!MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, MAX_PATH))
        return 0;
    if (FAILED(link->QueryInterface(IID_IPersistFile, (void **)&file)))
        return 0;
    result = file->Save(widePath, TRUE);
    file->Release();
    return SUCCEEDED(result);
}

int CreateItemLink(const char *title, const char *target, const char *arguments, const char *workFolder)
{
    char name[MAX_PATH], path[MAX_PATH];
    IShellLinkA *link = NULL;
    int saved = 0;

    if (!s_groupFolder[0] || !FormatText(name, COUNTOF(name), "%s.lnk", title) ||
        !JoinPath(path, COUNTOF(path), s_groupFolder, name))
        return 0;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                (void **)&link)))
        return 0;
    if (SUCCEEDED(link->SetPath(target)) && SUCCEEDED(link->SetArguments(arguments)) &&
        SUCCEEDED(link->SetWorkingDirectory(workFolder)) && SUCCEEDED(link->SetDescription(title)))
        saved = SaveLink(link, path);
    link->Release();
    return saved;
}

void CloseLinkGroup(void)
{
    if (s_comStarted)
        CoUninitialize();
    s_comStarted = 0;
    s_groupFolder[0] = '\0';
}

void DeleteGroupLink(const char *group, const char *title)
{
    static const int places[] = { CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS };
    char folder[MAX_PATH], name[MAX_PATH], path[MAX_PATH];

    if (!FormatText(name, COUNTOF(name), "%s.lnk", title))
        return;
    for (int i = 0; i < COUNTOF(places); i++) {
        if (GroupFolderPath(places[i], group, folder, COUNTOF(folder)) &&
            JoinPath(path, COUNTOF(path), folder, name))
            DeleteFileA(path);
    }
}

// 1 when the folder holds no entry but "." and "..".
static int IsEmptyFolder(const char *folder)
{
    char pattern[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE search;
    int entries = 0;

    if (!JoinPath(pattern, COUNTOF(pattern), folder, "*"))
        return 0;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (strcmp(found.cFileName, ".") != 0 && strcmp(found.cFileName, "..") != 0)
            entries++;
    } while (!entries && FindNextFileA(search, &found));
    FindClose(search);
    return !entries;
}

int GroupFoldersEmpty(const char *group)
{
    static const int places[] = { CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS };
    char folder[MAX_PATH];
    int empty = 0;

    for (int i = 0; i < COUNTOF(places); i++) {
        if (!GroupFolderPath(places[i], group, folder, COUNTOF(folder)) ||
            GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES)
            continue;
        if (!IsEmptyFolder(folder))
            return 0;
        empty = 1;
    }
    return empty;
}

void RemoveEmptyGroupFolders(const char *group)
{
    static const int places[] = { CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS };
    char folder[MAX_PATH];

    // The system removes only an empty folder: anything else left in it keeps it.
    for (int i = 0; i < COUNTOF(places); i++) {
        if (GroupFolderPath(places[i], group, folder, COUNTOF(folder)))
            RemoveDirectoryA(folder);
    }
}

int GroupLinkExists(const char *group, const char *title)
{
    static const int places[] = { CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS };
    char folder[MAX_PATH], name[MAX_PATH], path[MAX_PATH];

    for (int i = 0; i < COUNTOF(places); i++) {
        if (GroupFolderPath(places[i], group, folder, COUNTOF(folder)) &&
            (!title || (FormatText(name, COUNTOF(name), "%s.lnk", title) && JoinPath(path, COUNTOF(path), folder, name))) &&
            GetFileAttributesA(title ? path : folder) != INVALID_FILE_ATTRIBUTES)
            return 1;
    }
    return 0;
}
