// Telling the product's own folder from folders that belong to Windows or to a user,
// whatever spelling a path uses (case, trailing separator, 8.3 form, forward slashes).
#include <windows.h>
#include <shlobj.h>
#include <string.h>
#include "resource.h"
#include "session/text.h"
#include "payload/folders.h"

#define NORMAL_PATH_SIZE 1024
#define ENV_VALUE_SIZE   1024
#define SID_BUFFER_SIZE  128

// Shell folders that hold the system's or the users' own files.
static const int kShellFolders[] = {
    CSIDL_WINDOWS, CSIDL_SYSTEM, CSIDL_SYSTEMX86, CSIDL_FONTS,
    CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86, CSIDL_PROGRAM_FILES_COMMON,
    CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE, CSIDL_PERSONAL, CSIDL_DESKTOPDIRECTORY,
    CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_PROGRAMS, CSIDL_STARTMENU, CSIDL_STARTUP,
    CSIDL_TEMPLATES, CSIDL_MYMUSIC, CSIDL_MYPICTURES, CSIDL_MYVIDEO,
    CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_COMMON_DOCUMENTS, CSIDL_COMMON_APPDATA,
    CSIDL_COMMON_PROGRAMS, CSIDL_COMMON_STARTMENU, CSIDL_COMMON_STARTUP, CSIDL_COMMON_TEMPLATES,
};

// The same folders as the environment names them, for systems whose shell knows fewer.
static const char *const kEnvironmentFolders[] = {
    "SystemRoot", "windir", "ProgramFiles", "ProgramFiles(x86)", "ProgramW6432",
    "CommonProgramFiles", "CommonProgramFiles(x86)", "CommonProgramW6432", "TEMP", "TMP",
    "USERPROFILE", "ALLUSERSPROFILE", "PUBLIC", "APPDATA", "LOCALAPPDATA", "ProgramData",
};

static void StripTrailingSeparators(char *path)
{
    char *last;

    while ((last = FindLastSeparator(path, 1)) != NULL && last[1] == '\0')
        *last = '\0';
}

int NormaliseFolder(const char *folder, char *out, int cchOut)
{
    char full[NORMAL_PATH_SIZE];
    char *namePart;
    DWORD n;

    if (!folder || !folder[0] || cchOut <= 0)
        return 0;
    n = GetFullPathNameA(folder, COUNTOF(full), full, &namePart);
    if (n == 0 || n >= (DWORD)COUNTOF(full))
        return 0;
    // The long form exists only for a path that exists; otherwise keep the full form.
    n = GetLongPathNameA(full, out, (DWORD)cchOut);
    if ((n == 0 || n >= (DWORD)cchOut) && !CopyText(out, cchOut, full))
        return 0;
    StripTrailingSeparators(out);
    return 1;
}

static int IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// Length of the root of an absolute folder ("X:\" or "\\server\share"); 0 for any other form.
static int AbsoluteRootLength(const char *folder)
{
    const char *p;
    int parts;

    if (((folder[0] | 0x20) >= 'a' && (folder[0] | 0x20) <= 'z') && folder[1] == ':' && IsSeparator(folder[2]))
        return 3;
    if (!IsSeparator(folder[0]) || !IsSeparator(folder[1]) || IsSeparator(folder[2]))
        return 0;
    // Server and share, each present; "?" and "." as the server are the device forms.
    if ((folder[2] == '?' || folder[2] == '.') && (IsSeparator(folder[3]) || !folder[3]))
        return 0;
    for (p = folder + 2, parts = 0; parts < 2; parts++) {
        const char *start = p;
        while (*p && !IsSeparator(*p))
            p++;
        if (p == start)
            return 0;
        if (parts == 0) {
            if (!*p)
                return 0;
            p++;
        }
    }
    return (int)(p - folder);
}

// A part that ends with a dot or a blank: the system drops those, so the folder it
// names differs from the text that would be recorded.
static int IsTrimmedPart(const char *part, size_t length)
{
    return part[length - 1] == '.' || part[length - 1] == ' ';
}

// Removes the last part of out (never the root of rootLength characters).
static void DropLastPart(char *out, size_t rootLength)
{
    char *last = FindLastSeparator(out + rootLength, 0);

    out[last ? (size_t)(last - out) : rootLength] = '\0';
}

int CanonicalFolder(const char *folder, char *out, int cchOut)
{
    int root = AbsoluteRootLength(folder);
    const char *p;

    if (!root || cchOut <= root)
        return 0;
    for (int i = 0; i < root; i++)
        out[i] = IsSeparator(folder[i]) ? '\\' : folder[i];
    out[root] = '\0';
    for (p = folder + root; *p;) {
        const char *start;
        size_t length;
        while (IsSeparator(*p))
            p++;
        for (start = p; *p && !IsSeparator(*p); p = CharNextA(p))
            ;
        length = (size_t)(p - start);
        if (length == 0 || (length == 1 && start[0] == '.'))
            continue;
        if (length == 2 && start[0] == '.' && start[1] == '.') {
            DropLastPart(out, (size_t)root);
            continue;
        }
        if (IsTrimmedPart(start, length))
            goto refused;
        if (!EndsWithBackslash(out) && !AppendText(out, cchOut, "\\"))
            goto refused;
        if (strlen(out) + length >= (size_t)cchOut)
            goto refused;
        strncat(out, start, length);
    }
    return 1;
refused:
    out[0] = '\0';
    return 0;
}

int IsFullFolder(const char *folder)
{
    char canonical[NORMAL_PATH_SIZE];

    return CanonicalFolder(folder, canonical, COUNTOF(canonical));
}

int IsDriveRoot(const char *normalised)
{
    const char *p;
    int separators = 0;

    if (strlen(normalised) == 2 && normalised[1] == ':')
        return 1;
    if (strncmp(normalised, "\\\\", 2) != 0)
        return 0;
    for (p = normalised + 2; *p; p++) {
        if (*p == '\\')
            separators++;
    }
    return separators <= 1;
}

// The identity of the folder being judged: its volume and file index, so that a
// spelling no list holds (a share of the same drive, an 8.3 form) still matches.
static BY_HANDLE_FILE_INFORMATION s_judged;
static int s_haveJudged;

// Reads path's identity without following a reparse point at its end. 1 when read,
// -1 when path is a reparse point, 0 when it cannot be opened.
static int ReadFolderId(const char *path, BY_HANDLE_FILE_INFORMATION *info)
{
    HANDLE handle = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    int read;

    if (handle == INVALID_HANDLE_VALUE)
        return 0;
    read = GetFileInformationByHandle(handle, info);
    CloseHandle(handle);
    if (!read)
        return 0;
    return (info->dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ? -1 : 1;
}

static int SameFolder(const char *normalised, const char *other)
{
    char form[NORMAL_PATH_SIZE];
    BY_HANDLE_FILE_INFORMATION info;

    if (!other || !other[0])
        return 0;
    if (NormaliseFolder(other, form, COUNTOF(form)) && lstrcmpiA(normalised, form) == 0)
        return 1;
    return s_haveJudged && ReadFolderId(other, &info) != 0 &&
           info.dwVolumeSerialNumber == s_judged.dwVolumeSerialNumber &&
           info.nFileIndexHigh == s_judged.nFileIndexHigh && info.nFileIndexLow == s_judged.nFileIndexLow;
}

static int IsSameUser(HANDLE token)
{
    BYTE theirs[SID_BUFFER_SIZE], ours[SID_BUFFER_SIZE];
    HANDLE own;
    DWORD n;
    int same = 0;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &own))
        return 0;
    if (GetTokenInformation(token, TokenUser, theirs, sizeof(theirs), &n) &&
        GetTokenInformation(own, TokenUser, ours, sizeof(ours), &n))
        same = EqualSid(((TOKEN_USER *)theirs)->User.Sid, ((TOKEN_USER *)ours)->User.Sid);
    CloseHandle(own);
    return same;
}

// The token of the shell's process: the user this run was elevated for, whose own
// folders count as well as the elevated account's. NULL when there is none to ask.
static HANDLE OpenShellToken(void)
{
    DWORD pid = 0;
    HANDLE process, token = NULL;

    GetWindowThreadProcessId(GetShellWindow(), &pid);
    process = pid ? OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid) : NULL;
    if (!process)
        return NULL;
    if (!OpenProcessToken(process, TOKEN_QUERY | TOKEN_IMPERSONATE | TOKEN_DUPLICATE, &token))
        token = NULL;
    CloseHandle(process);
    // The same account as this run's: its folders are asked for already.
    if (token && IsSameUser(token)) {
        CloseHandle(token);
        token = NULL;
    }
    return token;
}

static int IsShellFolder(const char *normalised)
{
    char path[MAX_PATH];
    HANDLE tokens[2] = { NULL, OpenShellToken() };
    int found = 0;

    for (int t = 0; t < 2 && !found; t++) {
        for (size_t i = 0; i < sizeof(kShellFolders) / sizeof(kShellFolders[0]) && !found; i++) {
            path[0] = '\0';
            found = SHGetFolderPathA(NULL, kShellFolders[i], tokens[t], SHGFP_TYPE_CURRENT, path) == S_OK &&
                    SameFolder(normalised, path);
        }
        if (!tokens[1])
            break;
    }
    if (tokens[1])
        CloseHandle(tokens[1]);
    return found;
}

// The environment's folders, the temporary folder and the folder that holds the
// users' profiles (the parent of this user's profile).
static int IsEnvironmentFolder(const char *normalised)
{
    char value[ENV_VALUE_SIZE];
    char *slash;
    DWORD n;

    for (size_t i = 0; i < sizeof(kEnvironmentFolders) / sizeof(kEnvironmentFolders[0]); i++) {
        n = GetEnvironmentVariableA(kEnvironmentFolders[i], value, COUNTOF(value));
        if (n > 0 && n < (DWORD)COUNTOF(value) && SameFolder(normalised, value))
            return 1;
    }
    n = GetTempPathA(COUNTOF(value), value);
    if (n > 0 && n < (DWORD)COUNTOF(value) && SameFolder(normalised, value))
        return 1;
    n = GetWindowsDirectoryA(value, COUNTOF(value));
    if (n > 0 && n < (DWORD)COUNTOF(value) && SameFolder(normalised, value))
        return 1;
    n = GetEnvironmentVariableA("USERPROFILE", value, COUNTOF(value));
    if (n == 0 || n >= (DWORD)COUNTOF(value))
        return 0;
    StripTrailingSeparators(value);
    slash = FindLastSeparator(value, 0);
    if (!slash)
        return 0;
    *slash = '\0';
    return SameFolder(normalised, value);
}

int IsProtectedFolder(const char *folder)
{
    char normalised[NORMAL_PATH_SIZE];

    // A device form ("\\?\", "\\.\") passes every check of spelling, and a link used as
    // the folder leads wherever its maker chose.
    if (IsSeparator(folder[0]) && IsSeparator(folder[1]) && (folder[2] == '?' || folder[2] == '.'))
        return 1;
    s_haveJudged = ReadFolderId(folder, &s_judged);
    if (s_haveJudged < 0)
        return 1;
    // A folder that cannot even be named safely is not one to sweep or install into.
    if (!NormaliseFolder(folder, normalised, COUNTOF(normalised)))
        return 1;
    return IsDriveRoot(normalised) || IsShellFolder(normalised) || IsEnvironmentFolder(normalised);
}

UINT CheckDestination(const char *destination)
{
    // An empty text is left to the folder creation, which reports it.
    if (destination[0] == '\0')
        return 0;
    if (strlen(destination) > FOLDER_MAX_LENGTH)
        return IDS_DEST_TOO_LONG;
    if (IsProtectedFolder(destination))
        return IDS_DEST_PROTECTED;
    return 0;
}

UINT SettleDestinationText(char *destination, int cch)
{
    char canonical[NORMAL_PATH_SIZE];

    if (destination[0] == '\0')
        return 0;
    // A relative folder would be taken against whatever folder is current.
    if (!CanonicalFolder(destination, canonical, COUNTOF(canonical)))
        return IDS_DEST_NOT_FULL;
    if (strlen(canonical) > FOLDER_MAX_LENGTH || (int)strlen(canonical) >= cch)
        return IDS_DEST_TOO_LONG;
    if (IsProtectedFolder(canonical))
        return IDS_DEST_PROTECTED;
    CopyText(destination, cch, canonical);
    return 0;
}
