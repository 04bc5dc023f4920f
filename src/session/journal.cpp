// The journal of an installation run's changes to the product folder and how each one
// is taken back. It lives in memory for the length of the run.
#include <string.h>
#include "session/journal.h"
#include "session/messages.h"
#include "session/sizes.h"
#include "session/text.h"

#define JOURNAL_PATH_SIZE MAX_PATH
// Kept-aside copies: "~nxold00.tmp" to "~nxold99.tmp" beside the file (a removal's sweep
// of ".tmp" files passes them over: one left behind is a user's only copy).
#define ASIDE_NAMES       100

enum {
    CHANGE_CREATED = 1,  // a new file: deleted again
    CHANGE_FOLDER,       // a new folder: removed again
    CHANGE_ASIDE,        // path's earlier file renamed to other: renamed back over path
    CHANGE_MOVED,        // path renamed to other: renamed back
    CHANGE_BACKUP,       // path renamed to other, a new file under path: the new one goes
    CHANGE_RUNONCE,      // value other of HKLM\path: deleted
};

struct JournalEntry {
    int kind;
    char path[JOURNAL_PATH_SIZE];
    char other[JOURNAL_PATH_SIZE];
};

static JournalEntry s_entries[JOURNAL_SIZE];
static int s_count;
static int s_active;

void JournalBegin(void)
{
    s_count = 0;
    s_active = 1;
}

int JournalActive(void)
{
    return s_active;
}

int JournalCount(void)
{
    return s_count;
}

static int Record(int kind, const char *path, const char *other)
{
    JournalEntry *entry;

    if (!s_active)
        return 1;
    if (s_count >= JOURNAL_SIZE) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return 0;
    }
    entry = &s_entries[s_count];
    if (!CopyText(entry->path, COUNTOF(entry->path), path) ||
        !CopyText(entry->other, COUNTOF(entry->other), other ? other : "")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    entry->kind = kind;
    s_count++;
    return 1;
}

int JournalCreated(const char *path)
{
    return Record(CHANGE_CREATED, path, NULL);
}

int JournalFolder(const char *path)
{
    return Record(CHANGE_FOLDER, path, NULL);
}

int JournalMoved(const char *from, const char *to)
{
    return Record(CHANGE_MOVED, from, to);
}

int JournalBackup(const char *path, const char *backup)
{
    return Record(CHANGE_BACKUP, path, backup);
}

int JournalRunOnceValue(const char *keyPath, const char *name)
{
    return Record(CHANGE_RUNONCE, keyPath, name);
}

void JournalForget(void)
{
    if (s_active && s_count > 0)
        s_count--;
}

// "~nxoldNN.tmp" in the folder of path. 0 when it does not fit.
static int AsideName(const char *path, int number, char *out, int cchOut)
{
    const char *name = path;
    char part[16];

    for (const char *p = path; *p; p++) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    FormatText(part, COUNTOF(part), "~nxold%02d.tmp", number);
    if ((size_t)(name - path) + strlen(part) >= (size_t)cchOut)
        return 0;
    memcpy(out, path, (size_t)(name - path));
    memcpy(out + (name - path), part, strlen(part) + 1);
    return 1;
}

int JournalSetAside(const char *path, char *asideOut, int cchAsideOut)
{
    char aside[JOURNAL_PATH_SIZE];
    DWORD error = ERROR_ALREADY_EXISTS;

    if (!s_active) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return 0;
    }
    for (int n = 0; n < ASIDE_NAMES; n++) {
        if (!AsideName(path, n, aside, COUNTOF(aside))) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return 0;
        }
        if (GetFileAttributesA(aside) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (!Record(CHANGE_ASIDE, path, aside))
            return 0;
        if (MoveFileA(path, aside))
            return !asideOut || CopyText(asideOut, cchAsideOut, aside);
        error = GetLastError();
        JournalForget();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    SetLastError(error);
    return 0;
}

static void LogKeptAside(const char *path, const char *aside);

// A kept-aside copy whose name nothing took is the only copy: it goes back, or stays.
void JournalKeep(void)
{
    for (int i = 0; i < s_count; i++) {
        const JournalEntry *entry = &s_entries[i];
        if (entry->kind != CHANGE_ASIDE)
            continue;
        if (GetFileAttributesA(entry->path) == INVALID_FILE_ATTRIBUTES) {
            if (!MoveFileA(entry->other, entry->path))
                LogKeptAside(entry->path, entry->other);
        } else if (!DeleteFileA(entry->other) && GetFileAttributesA(entry->other) != INVALID_FILE_ATTRIBUTES) {
            MoveFileExA(entry->other, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
    }
    s_count = 0;
    s_active = 0;
}

static int Exists(const char *path)
{
    return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Deletes path unless it is gone already.
static int RemoveFile(const char *path)
{
    return !Exists(path) || DeleteFileA(path);
}

static int DeleteRunOnceValue(const char *keyPath, const char *name)
{
    HKEY key;
    LONG rc;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 1;
    rc = RegDeleteValueA(key, name);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
}

// Takes one change back. 1 when the folder is as it was before it.
static int Undo(const JournalEntry *entry, const char **done)
{
    switch (entry->kind) {
    case CHANGE_CREATED:
        *done = "removed";
        return RemoveFile(entry->path);
    case CHANGE_FOLDER:
        *done = "folder removed";
        return !Exists(entry->path) || RemoveDirectoryA(entry->path);
    case CHANGE_ASIDE:
        *done = "earlier file put back";
        return !Exists(entry->other) || MoveFileExA(entry->other, entry->path, MOVEFILE_REPLACE_EXISTING);
    case CHANGE_MOVED:
        *done = "name given back";
        return !Exists(entry->other) || MoveFileA(entry->other, entry->path);
    case CHANGE_BACKUP:
        *done = "file in use put back";
        return !Exists(entry->other) || (RemoveFile(entry->path) && MoveFileA(entry->other, entry->path));
    case CHANGE_RUNONCE:
        *done = "run-once command withdrawn";
        return DeleteRunOnceValue(entry->path, entry->other);
    }
    *done = "nothing to do";
    return 1;
}

int JournalUndoLast(void)
{
    const char *done;
    DWORD error = GetLastError();
    int undone = 1;

    if (!s_active || s_count == 0)
        return 1;
    // A change that cannot be taken back now stays, for the run's take-back to retry and report.
    if ((undone = Undo(&s_entries[s_count - 1], &done)) != 0)
        s_count--;
    SetLastError(error);
    return undone;
}

static char s_lostNote[MESSAGE_SIZE];

const char *JournalLostNote(void)
{
    return s_lostNote;
}

// Both names, in the log and in the note the failure notice shows.
static void LogKeptAside(const char *path, const char *aside)
{
    char line[MESSAGE_SIZE + JOURNAL_PATH_SIZE];

    FormatText(line, COUNTOF(line), "Could not put back %s: the earlier file is kept as %s", path, aside);
    WriteLog(line);
    FormatText(s_lostNote, COUNTOF(s_lostNote), "The earlier %s is kept as %s.", path, aside);
}

int JournalTakeBack(void)
{
    char line[MESSAGE_SIZE + JOURNAL_PATH_SIZE];
    int undone = 0, failed = 0;

    for (int i = s_count - 1; i >= 0; i--) {
        const char *done = "";
        if (Undo(&s_entries[i], &done)) {
            FormatText(line, COUNTOF(line), "Took back %s: %s", s_entries[i].path, done);
            undone++;
        } else if (s_entries[i].kind == CHANGE_ASIDE) {
            LogKeptAside(s_entries[i].path, s_entries[i].other);
            failed++;
            continue;
        } else {
            FormatText(line, COUNTOF(line), "Could not take back %s (%lu)", s_entries[i].path, GetLastError());
            failed++;
        }
        WriteLog(line);
    }
    if (s_count > 0) {
        FormatText(line, COUNTOF(line), "Rolled back %d changes", undone);
        WriteLog(line);
    }
    s_count = 0;
    s_active = 0;
    return failed;
}
