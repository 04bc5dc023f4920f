// Placing payload rows into the product folder, with the replace-at-restart road for
// program files that a running program holds, and deleting files the same way.
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <stdio.h>
#include <string.h>
#include "resource.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/sizes.h"
#include "session/startup.h"
#include "session/text.h"
#include "session/workfolder.h"
#include "payload/payload.h"
#include "payload/placement.h"
#include "payload/trust.h"

#define QUOTED_PATH_SIZE   (SHORT_PATH_SIZE + 2)
#define OPEN_PATH_SIZE     512
#define LINE_IN_SIZE       512
#define LINE_OUT_SIZE      1024
#define RUNONCE_NAME_SIZE  16
#define RUNONCE_LAST       999
#define RUNONCE_KEY_SIZE   128

static const char kRunOnceBase[] = "Software\\Microsoft\\Windows\\CurrentVersion";
static const char kRunOnceName[] = "Quorvane";

// The file-name part of a path: the name forms below never look into the folder, whose
// own dots (a folder "x.exe tools") would otherwise send a file out of it.
static const char *NamePart(const char *path)
{
    const char *last = FindLastSeparator(path, 1);

    return last ? last + 1 : path;
}

int MakeReplacementName(const char *path, const char *suffix, char *out, int cchOut)
{
    const char *name = NamePart(path);
    const char *found = strstr(name, ".dll");
    size_t keep;

    if (!found)
        found = strstr(name, ".exe");
    if (!found || cchOut <= 0)
        return 0;
    keep = (size_t)(found - path);
    if (keep + strlen(suffix) >= (size_t)cchOut) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, path, keep);
    out[keep] = '\0';
    return AppendText(out, cchOut, suffix);
}

int MakeDeletionName(const char *path, char *out, int cchOut)
{
    const char *dot = strrchr(NamePart(path), '.');
    size_t keep = dot ? (size_t)(dot - path) : strlen(path);

    if (cchOut <= 0)
        return 0;
    if (keep + 4 >= (size_t)cchOut) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, path, keep);
    memcpy(out + keep, ".del", 5);
    return 1;
}

int QuoteCommandPath(const char *path, char *out, int cchOut)
{
    if (!strchr(path, ' '))
        return CopyText(out, cchOut, path);
    return FormatText(out, cchOut, "\"%s\"", path);
}

// Short form of path for a run-once command, quoted when it holds a blank: where 8.3
// names are off, the system returns the long path, and a blank would split it.
static int CommandPath(const char *path, char *out, int cchOut)
{
    char shortPath[SHORT_PATH_SIZE];
    DWORD n = GetShortPathNameA(path, shortPath, COUNTOF(shortPath));

    if (n == 0 || n >= COUNTOF(shortPath))
        return 0;
    return QuoteCommandPath(shortPath, out, cchOut);
}

// Appends the first count characters of text to out. 0 when they do not fit.
static int AppendPart(char *out, int cchOut, const char *text, size_t count)
{
    size_t have = strlen(out);

    if (have + count >= (size_t)cchOut)
        return 0;
    memcpy(out + have, text, count);
    out[have + count] = '\0';
    return 1;
}

int ReplacePlaceholder(const char *line, const char *placeholder, const char *replacement,
                       char *out, int cchOut)
{
    size_t holderLen = strlen(placeholder);
    const char *rest = line;
    const char *found;

    if (cchOut <= 0)
        return 0;
    out[0] = '\0';
    // An empty placeholder would match everywhere and never advance.
    if (holderLen == 0 || !strstr(line, placeholder))
        return CopyText(out, cchOut, line);
    while ((found = strstr(rest, placeholder)) != NULL) {
        if (!AppendPart(out, cchOut, rest, (size_t)(found - rest)) ||
            !AppendText(out, cchOut, replacement)) {
            out[0] = '\0';
            return 0;
        }
        rest = found + holderLen;
    }
    if (*rest != '\0' && !AppendText(out, cchOut, rest)) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

static int RebootAllowed(void)
{
    return !(g_bSilent && !g_bAllowReboot);
}

static void ShowCopyStatus(const char *sourceFolder, const char *fileName,
                           const char *destFolder, HWND statusWindow)
{
    char pattern[MESSAGE_SIZE];
    char status[FORMATTED_SIZE];

    LoadMessage(IDS_COPYING, pattern, COUNTOF(pattern));
    if (!FormatInserts(status, COUNTOF(status), pattern, sourceFolder, fileName, destFolder, fileName))
        status[0] = '\0';
    if (g_bSilent)
        WriteLog(status);
    else if (statusWindow) {
        SetWindowTextA(statusWindow, status);
        NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, statusWindow, OBJID_CLIENT, CHILDID_SELF);
    }
}

// Makes room at path for a file of this run: an earlier file there is set aside while a
// journal is kept (so that a failed run can give it back), else deleted. 0 when it could
// not be set aside: it is never deleted instead.
static int ClearWayFor(const char *path)
{
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return 1;
    if (JournalActive())
        return JournalSetAside(path, NULL, 0);
    DeleteFileA(path);
    return 1;
}

// NT family: the held file is renamed to ".bak" (a running image can be renamed) and
// the new one takes its place at once. 1 on success.
static int ReplaceThroughBackup(const char *destPath)
{
    char backup[PATH_SIZE];
    DWORD error;

    if (!MakeReplacementName(destPath, ".bak", backup, COUNTOF(backup))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (!ClearWayFor(backup) || !JournalBackup(destPath, backup))
        return 0;
    if (!MoveFileA(destPath, backup) && !MoveFileA(destPath, backup)) {
        JournalForget();
        return 0;
    }
    if (ExpandHeldFile(ScratchFile(), destPath))
        return 1;
    // Not placed after all (a full disk): the earlier file goes back to its name.
    error = GetLastError();
    MoveFileA(backup, destPath);
    JournalForget();
    SetLastError(error);
    return 0;
}

// Other Windows: the new file waits as ".new" and is copied over the old one by a
// run-once command at the next start. 1 on success.
static int ReplaceAtRestart(const char *destPath)
{
    char fresh[PATH_SIZE];
    char shortFresh[QUOTED_PATH_SIZE], shortDest[QUOTED_PATH_SIZE];
    char command[COMMAND_SIZE];

    if (!MakeReplacementName(destPath, ".new", fresh, COUNTOF(fresh))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (!ClearWayFor(fresh) || !ExpandHeldFile(ScratchFile(), fresh))
        return 0;
    if (!CommandPath(fresh, shortFresh, COUNTOF(shortFresh)) ||
        !CommandPath(destPath, shortDest, COUNTOF(shortDest)))
        return 0;
    if (!FormatText(command, COUNTOF(command), "command.com /c copy %s %s", shortFresh, shortDest)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    return AddRunOnceCommand(command);
}

// One attempt: 1 when the file is in place (now or at the next start). The row goes
// through the scratch file, which stays open for the next one.
static int PlaceOnce(const char *fileName, const char *destFolder, int index)
{
    char destPath[PATH_SIZE];
    DWORD error;
    int placed;

    if (!JoinPathAnySeparator(destPath, COUNTOF(destPath), destFolder, fileName)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    PumpMessages();
    if (!ExtractPayloadTo(g_hInst, index, ScratchFile()))
        return 0;
    if (ExpandHeldFile(ScratchFile(), destPath))
        return 1;
    // The failure's own code (a full disk, a held file) is the one to report, not what
    // the checks below leave behind.
    error = GetLastError();
    PumpMessages();
    if (error == ERROR_CANCELLED || (!strstr(NamePart(destPath), ".dll") && !strstr(NamePart(destPath), ".exe")) ||
        GetFileAttributesA(destPath) == INVALID_FILE_ATTRIBUTES) {
        SetLastError(error);
        return 0;
    }
    placed = g_bIsNT ? ReplaceThroughBackup(destPath) : ReplaceAtRestart(destPath);
    if (placed && RebootAllowed())
        g_bNeedReboot = 1;
    return placed;
}

int InstallFile(const char *sourceFolder, const char *fileName, const char *destFolder,
                HWND owner, HWND statusWindow, int index, int required)
{
    char pattern[MESSAGE_SIZE], caption[MESSAGE_SIZE];
    char text[FORMATTED_SIZE];
    DWORD error;

    ShowCopyStatus(sourceFolder, fileName, destFolder, statusWindow);
    for (;;) {
        if (PlaceOnce(fileName, destFolder, index))
            return 0;
        if (!required)
            return 0;
        error = GetLastError();
        // A file the user cancelled half-way is given up without a prompt.
        if (error == ERROR_CANCELLED && g_bCancel)
            return 1;
        LoadMessage(IDS_COPY_FAILED, pattern, COUNTOF(pattern));
        LoadMessage(IDS_INSTALL, caption, COUNTOF(caption));
        if (!FormatInserts(text, COUNTOF(text), pattern, fileName, destFolder, error))
            CopyText(text, COUNTOF(text), pattern);
        if (ShowMessage(owner, text, caption, MB_RETRYCANCEL | MB_ICONERROR, IDCANCEL) != IDRETRY) {
            // The user's Cancel ends the run as cancelled; a quiet run's assumed one is a failure.
            if (!g_bSilent)
                g_bCancel = 1;
            return 1;
        }
    }
}

// The last separator of path, or NULL; the system takes a forward slash as one too.
static char *LastSeparator(char *path)
{
    return FindLastSeparator(path, 1);
}

// The last folder this run created: the destination, when it made it.
static char s_madeFolder[FOLDER_SIZE];

int FolderMadeThisRun(const char *folder)
{
    return s_madeFolder[0] && lstrcmpiA(s_madeFolder, folder) == 0;
}

static int CreateOneFolder(const char *path)
{
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), NULL, FALSE };
    DWORD error;
    int made;

    if (!JournalFolder(path))
        return 0;
    // Made with its access list, never given one afterwards: no moment where others could write.
    if (!RunsUnderWine())
        attributes.lpSecurityDescriptor = BuildFolderDescriptor();
    made = CreateDirectoryA(path, attributes.lpSecurityDescriptor ? &attributes : NULL);
    error = GetLastError();
    LocalFree(attributes.lpSecurityDescriptor);
    if (made) {
        CopyText(s_madeFolder, COUNTOF(s_madeFolder), path);
        return 1;
    }
    JournalForget();
    SetLastError(error);
    return error == ERROR_ALREADY_EXISTS;
}

int CreateFolderChain(char *path)
{
    char pattern[MESSAGE_SIZE], caption[MESSAGE_SIZE];
    char text[FORMATTED_SIZE];
    char *cut;
    DWORD error;

    if (CreateOneFolder(path))
        return 1;
    cut = LastSeparator(path);
    if (cut) {
        char separator = *cut;
        *cut = '\0';
        CreateFolderChain(path);
        *cut = separator;
        if (CreateOneFolder(path))
            return 1;
    }
    error = GetLastError();
    LoadMessage(IDS_CREATE_FAILED, pattern, COUNTOF(pattern));
    LoadMessage(IDS_INSTALL, caption, COUNTOF(caption));
    if (!FormatInserts(text, COUNTOF(text), pattern, path, error))
        CopyText(text, COUNTOF(text), pattern);
    ShowMessage(NULL, text, caption, MB_OK | MB_ICONERROR, IDOK);
    return 0;
}

static const char *RunOnceSubkey(void)
{
    return g_bIsNT ? "RunOnce" : "RunServicesOnce";
}

// Opens the run-once subkey of the running family, creating it when it is missing.
static HKEY OpenRunOnceKey(HKEY base)
{
    const char *subkey = RunOnceSubkey();
    HKEY key = NULL, created = NULL;

    if (RegOpenKeyExA(base, subkey, 0, KEY_ALL_ACCESS, &key) == ERROR_SUCCESS)
        return key;
    if (RegCreateKeyA(base, subkey, &created) != ERROR_SUCCESS)
        return NULL;
    RegCloseKey(created);
    if (RegOpenKeyExA(base, subkey, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return NULL;
    return key;
}

int AddRunOnceCommand(const char *command)
{
    HKEY base, key;
    char name[RUNONCE_NAME_SIZE], keyPath[RUNONCE_KEY_SIZE];
    int counter = 0, result = 0;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunOnceBase, 0, KEY_ALL_ACCESS, &base) != ERROR_SUCCESS)
        return 0;
    key = OpenRunOnceKey(base);
    if (!key) {
        RegCloseKey(base);
        return 0;
    }
    FormatText(name, COUNTOF(name), "%s%d", kRunOnceName, counter);
    while (RegQueryValueExA(key, name, NULL, NULL, NULL, NULL) == ERROR_SUCCESS) {
        // The name has room for three digits; past Quorvane999 nothing is written.
        if (++counter > RUNONCE_LAST)
            goto done;
        FormatText(name, COUNTOF(name), "%s%d", kRunOnceName, counter);
    }
    FormatText(keyPath, COUNTOF(keyPath), "%s\\%s", kRunOnceBase, RunOnceSubkey());
    if (!JournalRunOnceValue(keyPath, name))
        goto done;
    result = RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)command,
                            (DWORD)strlen(command)) == ERROR_SUCCESS;
    if (!result)
        JournalForget();
done:
    RegCloseKey(key);
    RegCloseKey(base);
    return result;
}

int FormatNextStartCommand(const char *systemFolder, const char *verb, const char *path,
                           char *out, int cchOut)
{
    // The interpreter expands %...% even between quotes, and ! where delayed expansion
    // is on by default; a quote would end the path early.
    if (strpbrk(path, "\"%!"))
        return 0;
    return FormatText(out, cchOut, "\"%s\\cmd.exe\" /d /v:off /c %s \"%s\"", systemFolder, verb, path);
}

// The run-once command for path: the short form where the system has one, so that a
// deep folder still fits the 260 characters a run-once value is allowed. The
// interpreter is named by its full path in the system folder on either family.
static int NextStartCommand(const char *path, int folder, char *command, int cchCommand)
{
    char systemFolder[MAX_PATH], target[SHORT_PATH_SIZE];
    DWORD n = GetShortPathNameA(path, target, COUNTOF(target));

    if ((n == 0 || n >= COUNTOF(target)) && !CopyText(target, COUNTOF(target), path))
        return 0;
    n = GetSystemDirectoryA(systemFolder, COUNTOF(systemFolder));
    if (n == 0 || n >= COUNTOF(systemFolder) || cchCommand < MAX_PATH)
        return 0;
    return FormatNextStartCommand(systemFolder, folder ? "rmdir" : "del", target, command, MAX_PATH);
}

int ScheduleDeletion(const char *path, int folder)
{
    char command[COMMAND_SIZE];
    DWORD attributes = GetFileAttributesA(path);

    // What a link points to is not ours to delete, now or at the next start.
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return 0;
    if (NextStartCommand(path, folder, command, COUNTOF(command)))
        return AddRunOnceCommand(command);
    // The system's own list of deletions for the next start takes any name.
    return g_bIsNT && MoveFileExA(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
}

int DeleteFileOrSchedule(const char *path, char *message, int cchMessage)
{
    char moved[PATH_SIZE];
    const char *target = path;
    DWORD attributes = GetFileAttributesA(path);

    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 1;
    // A folder under a product file's name is not ours: neither it nor what it holds.
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return -1;
    // A read-only file would survive both the deletion now and the one at the next start.
    if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT)) == FILE_ATTRIBUTE_READONLY)
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    if (DeleteFileA(path))
        return 1;
    if (message)
        FormatText(message, cchMessage, "failed to delete %s", path);
    if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT) && MakeDeletionName(path, moved, COUNTOF(moved)) &&
        MoveFileA(path, moved))
        target = moved;
    if (!ScheduleDeletion(target, 0))
        return -1;
    g_bNeedReboot = 1;
    return 0;
}

// Writes one output line with each LF as CR LF, as a text-mode stream would, but
// unbuffered: the runtime's text streams report success even when the disk is full.
// 0 when the line would exceed the line limit or the write failed.
static int CopyLine(HANDLE out, const char *line, const char *placeholder, const char *replacement)
{
    char output[LINE_OUT_SIZE];
    char bytes[2 * LINE_OUT_SIZE];
    DWORD n = 0, written = 0;

    if (!ReplacePlaceholder(line, placeholder, replacement, output, COUNTOF(output)))
        return 0;
    for (const char *c = output; *c; c++) {
        if (*c == '\n')
            bytes[n++] = '\r';
        bytes[n++] = *c;
    }
    return WriteFile(out, bytes, n, &written, NULL) && written == n;
}

// The scratch file as a text stream from its start, through a second handle of it that
// fclose closes; the scratch file stays open. NULL on failure.
static FILE *OpenScratchAsText(void)
{
    HANDLE copy;
    FILE *in;
    int fd;

    if (!DuplicateHandle(GetCurrentProcess(), ScratchFile(), GetCurrentProcess(), &copy, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return NULL;
    SetFilePointer(copy, 0, NULL, FILE_BEGIN);
    fd = _open_osfhandle((intptr_t)copy, _O_RDONLY | _O_TEXT);
    if (fd == -1) {
        CloseHandle(copy);
        return NULL;
    }
    in = _fdopen(fd, "rt");
    if (!in)
        _close(fd);
    return in;
}

int CopyWithPlaceholder(const char *destPath, const char *placeholder, const char *replacement, int index)
{
    char line[LINE_IN_SIZE];
    FILE *in;
    HANDLE out;
    int result = -1, failed = 0;

    if (!ExtractPayloadTo(g_hInst, index, ScratchFile()))
        return -1;
    in = OpenScratchAsText();
    if (!in)
        return -1;
    out = CreateFileA(destPath, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_NORMAL, NULL);
    if (out == INVALID_HANDLE_VALUE) {
        fclose(in);
        return -1;
    }
    // A line that does not fit or a write that fails ends the copy as a failure.
    while (!failed && fgets(line, COUNTOF(line), in)) {
        if (CopyLine(out, line, placeholder, replacement))
            result = 0;
        else
            failed = 1;
    }
    CloseHandle(out);
    fclose(in);
    return failed ? -1 : result;
}

int CanOpenForReading(const char *folder, const char *fileName)
{
    char path[OPEN_PATH_SIZE];
    HANDLE file;

    if (!CopyText(path, COUNTOF(path), folder) || !AppendText(path, COUNTOF(path), "\\") ||
        !AppendText(path, COUNTOF(path), fileName))
        return 0;
    file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(file);
    return 1;
}
