// The run's private folder. The temporary folder can be written by every program the
// user runs; what this elevated program writes there (apart from setup.log) goes into a
// folder it makes new, that nobody else can enter, rename or replace while it runs.
#include <windows.h>
#include <sddl.h>
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"
#include "session/workfolder.h"

#define WORK_NAME_SIZE 32
#define WORK_TRIES     1000

static char s_workFolder[MAX_PATH];
static HANDLE s_workHandle = INVALID_HANDLE_VALUE;
static HANDLE s_scratch = INVALID_HANDLE_VALUE;

PSECURITY_DESCRIPTOR AdminsOnlySecurity(void)
{
    PSECURITY_DESCRIPTOR security = NULL;

    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA("D:P(A;OICI;FA;;;BA)(A;OICI;FA;;;SY)",
                                                              SDDL_REVISION_1, &security, NULL))
        return NULL;
    return security;
}

static int RunsElevated(void)
{
    TOKEN_ELEVATION elevation;
    HANDLE token;
    DWORD size;
    int elevated = 0;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return 0;
    if (GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size))
        elevated = elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

static DWORD LastErrorOr(DWORD fallback)
{
    DWORD error = GetLastError();

    return error ? error : fallback;
}

// Creates NXS<process id>-<n> in temp. CreateDirectory fails on a name that exists,
// whatever another program put there: then the next number is tried.
static DWORD CreateWorkFolder(const char *temp)
{
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), NULL, FALSE };
    char name[WORK_NAME_SIZE];
    DWORD error = ERROR_ALREADY_EXISTS;

    if (RunsElevated() && (attributes.lpSecurityDescriptor = AdminsOnlySecurity()) == NULL)
        return LastErrorOr(ERROR_ACCESS_DENIED);
    for (int n = 1; n <= WORK_TRIES && error == ERROR_ALREADY_EXISTS; n++) {
        FormatText(name, COUNTOF(name), "NXS%lX-%d", GetCurrentProcessId(), n);
        if (!JoinPath(s_workFolder, COUNTOF(s_workFolder), temp, name))
            error = ERROR_FILENAME_EXCED_RANGE;
        else if (CreateDirectoryA(s_workFolder, &attributes))
            error = 0;
        else
            error = LastErrorOr(ERROR_ACCESS_DENIED);
    }
    if (error)
        s_workFolder[0] = '\0';
    LocalFree(attributes.lpSecurityDescriptor);
    return error;
}

// Held without delete sharing, the folder can be neither renamed nor removed. Opened as
// the link if one took its place since it was made; then it is no longer this run's
// folder: it is let go untouched, nothing in it is ever deleted.
static DWORD HoldWorkFolder(void)
{
    BY_HANDLE_FILE_INFORMATION info;
    HANDLE held = CreateFileA(s_workFolder, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
    DWORD error = held == INVALID_HANDLE_VALUE ? LastErrorOr(ERROR_ACCESS_DENIED) : 0;

    if (!error && (!GetFileInformationByHandle(held, &info) ||
                   (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) !=
                       FILE_ATTRIBUTE_DIRECTORY))
        error = ERROR_ACCESS_DENIED;
    if (error) {
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        s_workFolder[0] = '\0';
        return error;
    }
    s_workHandle = held;
    return 0;
}

DWORD PrepareTempFolder(char *folder, int cch)
{
    DWORD error;

    if (!GetTempFolder(folder, cch))
        return ERROR_FILENAME_EXCED_RANGE;
    error = CreateWorkFolder(folder);
    if (!error)
        error = HoldWorkFolder();
    if (!error && !SetCurrentDirectoryA(s_workFolder))
        error = LastErrorOr(ERROR_PATH_NOT_FOUND);
    if (!error && !CreateScratchFile(s_workFolder))
        error = LastErrorOr(ERROR_ACCESS_DENIED);
    if (!error && (lstrlenA(s_workFolder) + 1 >= cch || !CopyText(folder, cch, s_workFolder) ||
                   !AppendText(folder, cch, "\\")))
        error = ERROR_FILENAME_EXCED_RANGE;
    if (error)
        RemoveWorkFolder();
    return error;
}

int GetWorkFolder(char *folder, int cch)
{
    return s_workFolder[0] && CopyText(folder, cch, s_workFolder);
}

// Only a folder this run made and holds is emptied: held, it is the same folder.
void RemoveWorkFolder(void)
{
    char path[MAX_PATH];
    WIN32_FIND_DATAA found;
    HANDLE find;

    CloseScratchFile();
    if (!s_workFolder[0] || s_workHandle == INVALID_HANDLE_VALUE)
        return;
    if (JoinPath(path, COUNTOF(path), s_workFolder, "*") &&
        (find = FindFirstFileA(path, &found)) != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                JoinPath(path, COUNTOF(path), s_workFolder, found.cFileName))
                DeleteFileA(path);
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    // The current folder of a process cannot be removed.
    if (GetTempFolder(path, COUNTOF(path)))
        SetCurrentDirectoryA(path);
    CloseHandle(s_workHandle);
    s_workHandle = INVALID_HANDLE_VALUE;
    RemoveDirectoryA(s_workFolder);
    s_workFolder[0] = '\0';
}

int CreateScratchFile(const char *folder)
{
    char path[MAX_PATH];

    CloseScratchFile();
    if (!FormatText(g_szTempFileName, COUNTOF(g_szTempFileName), "NXT%lX.TMP", GetCurrentProcessId()) ||
        !JoinPath(path, COUNTOF(path), folder, g_szTempFileName)) {
        g_szTempFileName[0] = '\0';
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // Read sharing only: nobody can write it, or delete or rename it to put another file
    // in its place, from its creation to its last use.
    s_scratch = CreateFileA(path, GENERIC_READ | GENERIC_WRITE | DELETE, FILE_SHARE_READ, NULL, CREATE_NEW,
                            FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (s_scratch == INVALID_HANDLE_VALUE) {
        g_szTempFileName[0] = '\0';
        return 0;
    }
    return 1;
}

void CloseScratchFile(void)
{
    if (s_scratch != INVALID_HANDLE_VALUE)
        CloseHandle(s_scratch);
    s_scratch = INVALID_HANDLE_VALUE;
    g_szTempFileName[0] = '\0';
}

HANDLE ScratchFile(void)
{
    return s_scratch;
}
