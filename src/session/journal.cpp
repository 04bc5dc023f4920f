// The journal of an installation run's changes and how each one is taken back. It
// lives in memory for the length of the run and, once the destination is settled, in
// the registry too: each entry is written there before its change is made.
#include <stddef.h>
#include <string.h>
#include "payload/folders.h"
#include "payload/trust.h"
#include "registration/com.h"
#include "registration/progman.h"
#include "registration/record.h"
#include "registration/shortcuts.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/sizes.h"
#include "session/text.h"

#define JOURNAL_PATH_SIZE MAX_PATH
// Room for the earlier data of a value: the longest the product writes is its
// uninstall command.
#define JOURNAL_DATA_SIZE UNINSTALL_STRING_SIZE
#define NO_EARLIER        0xFFFFFFFFu
// Value numbers the next run looks at for a journal's entries.
#define JOURNAL_SLOTS     1024
// Rights that let an account change a key or what it holds.
#define KEY_CHANGE_RIGHTS (KEY_SET_VALUE | KEY_CREATE_SUB_KEY | WRITE_DAC | WRITE_OWNER | DELETE | GENERIC_WRITE | \
                           GENERIC_ALL | MAXIMUM_ALLOWED)
#define PROFILE_ABSENT    "\x01\x02"
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
    CHANGE_KEY,          // key path made new: deleted with everything below it
    CHANGE_VALUE,        // value other of key path: earlier data put back, or deleted
    CHANGE_PROFILE,      // WIN.INI key other of section path: earlier text put back, or deleted
    CHANGE_GROUP,        // program group path made new: deleted
    CHANGE_ITEM,         // item other of group path: deleted
    CHANGE_REGISTERED,   // DLL other of folder path registered itself (type 1: placed new)
    CHANGE_LAST = CHANGE_REGISTERED
};

// Written to disk as it is, up to the end of its data: the same layout in the i686 and
// the x86_64 program, so that either takes back what the other left.
struct JournalEntry {
    int kind;
    DWORD root;          // registry: 1 HKEY_CLASSES_ROOT, else HKEY_LOCAL_MACHINE
    DWORD view;          // registry: the view of the program that wrote it
    DWORD type;
    DWORD size;          // NO_EARLIER when there was no earlier value
    char path[JOURNAL_PATH_SIZE];
    char other[JOURNAL_PATH_SIZE];
    BYTE data[JOURNAL_DATA_SIZE];
};

#define ENTRY_HEAD ((DWORD)offsetof(JournalEntry, data))

static JournalEntry s_entries[JOURNAL_SIZE];
static int s_slots[JOURNAL_SIZE];   // the entry's value number on disk
static int s_count;
static int s_active;
static HKEY s_disk;                 // the journal's key while it is kept on disk
static int s_base, s_next;          // this run's first value number, and the next
static int s_recovered;

void JournalBegin(void)
{
    s_count = 0;
    s_active = 1;
    s_base = s_next;
}

int JournalActive(void)
{
    return s_active;
}

int JournalCount(void)
{
    return s_count;
}

// The entry being recorded (s_entries[s_count]) goes to disk, then counts.
static int Commit(void)
{
    JournalEntry *entry = &s_entries[s_count];
    char name[16];
    LONG rc;

    if (s_disk) {
        FormatText(name, COUNTOF(name), "%d", s_next);
        rc = RegSetValueExA(s_disk, name, 0, REG_BINARY, (const BYTE *)entry,
                            ENTRY_HEAD + (entry->size == NO_EARLIER ? 0 : entry->size));
        if (rc != ERROR_SUCCESS) {
            SetLastError((DWORD)rc);
            return 0;
        }
    }
    s_slots[s_count++] = s_next++;
    return 1;
}

// Marks entry i undone on disk.
static void DropSlot(int i)
{
    char name[16];

    if (!s_disk)
        return;
    FormatText(name, COUNTOF(name), "%d", s_slots[i]);
    RegDeleteValueA(s_disk, name);
    if (s_slots[i] == s_next - 1)
        s_next--;
}

// The next entry filled in, not yet counted; NULL when the journal is full or a text
// does not fit (with the reason as the system's error).
static JournalEntry *Fill(int kind, DWORD root, const char *path, const char *other)
{
    JournalEntry *entry;

    if (s_count >= JOURNAL_SIZE) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return NULL;
    }
    entry = &s_entries[s_count];
    memset(entry, 0, ENTRY_HEAD);
    entry->size = NO_EARLIER;
    if (!CopyText(entry->path, COUNTOF(entry->path), path) ||
        !CopyText(entry->other, COUNTOF(entry->other), other ? other : "")) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return NULL;
    }
    entry->kind = kind;
    entry->root = root;
    entry->view = sizeof(void *) == 8 ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    return entry;
}

static int Record(int kind, const char *path, const char *other)
{
    return !s_active || (Fill(kind, 0, path, other) && Commit());
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

static int SameText(const char *a, const char *b)
{
    return lstrcmpiA(a, b) == 0;
}

// 1 when path is prefix or below it.
static int IsUnder(const char *path, const char *prefix)
{
    size_t n = strlen(prefix);

    return _strnicmp(path, prefix, n) == 0 && (path[n] == '\0' || path[n] == '\\');
}

// An entry of this run for path (of the kind, or a new key above it).
static int Recorded(int kind, DWORD root, const char *path)
{
    for (int i = 0; i < s_count; i++) {
        const JournalEntry *entry = &s_entries[i];
        if (entry->kind == kind && entry->root == root &&
            (kind == CHANGE_KEY ? IsUnder(path, entry->path) : SameText(path, entry->path)))
            return 1;
    }
    return 0;
}

static const char *const kOwnKeys[] = {
    CLASS_KEY(CLSID_BASE_TEXT), CLASS_KEY(CLSID_EXPLORER_TEXT), CLASS_KEY(CLSID_ICONLINK_TEXT),
    UNINSTALL_KEY,
    NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT), NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT),
    NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT), NAMESPACE_KEY("MyComputer", CLSID_ICONLINK_TEXT),
};

// The product's class keys (HKEY_CLASSES_ROOT), its uninstall entry and namespace entries.
static int IsOwnKey(DWORD root, const char *path)
{
    for (int i = root == 1 ? 0 : 3; i < (root == 1 ? 3 : COUNTOF(kOwnKeys)); i++) {
        if (IsUnder(path, kOwnKeys[i]))
            return 1;
    }
    return 0;
}

static DWORD RootIndex(HKEY root)
{
    return root == HKEY_CLASSES_ROOT ? 1 : 0;
}

static HKEY RootKey(DWORD root)
{
    return root == 1 ? HKEY_CLASSES_ROOT : HKEY_LOCAL_MACHINE;
}

static int KeyThere(DWORD root, const char *path)
{
    HKEY key;

    if (RegOpenKeyExA(RootKey(root), path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

// The key's highest level that is missing and still the product's own: what writing
// to it makes new. "" when the key is there.
static void NewKeyLevel(DWORD root, const char *keyPath, char *level, int cchLevel)
{
    char *cut;

    if (KeyThere(root, keyPath) || !CopyText(level, cchLevel, keyPath)) {
        level[0] = '\0';
        return;
    }
    while ((cut = strrchr(level, '\\')) != NULL) {
        *cut = '\0';
        if (!IsOwnKey(root, level) || KeyThere(root, level)) {
            *cut = '\\';
            return;
        }
    }
}

int JournalRegValue(HKEY rootKey, const char *keyPath, const char *name)
{
    char level[JOURNAL_PATH_SIZE];
    DWORD root = RootIndex(rootKey);
    JournalEntry *entry;
    HKEY key;
    LONG rc;

    if (!s_active || Recorded(CHANGE_KEY, root, keyPath))
        return 1;
    NewKeyLevel(root, keyPath, level, COUNTOF(level));
    if (level[0])
        return Fill(CHANGE_KEY, root, level, NULL) && Commit();
    if (!(entry = Fill(CHANGE_VALUE, root, keyPath, name)))
        return 0;
    if (RegOpenKeyExA(rootKey, keyPath, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
        entry->size = JOURNAL_DATA_SIZE;
        rc = RegQueryValueExA(key, name, NULL, &entry->type, entry->data, &entry->size);
        RegCloseKey(key);
        if (rc == ERROR_FILE_NOT_FOUND)
            entry->size = NO_EARLIER;
        else if (rc != ERROR_SUCCESS)
            return SetLastError((DWORD)rc), 0;
    }
    return Commit();
}

int JournalProfileKey(const char *section, const char *key)
{
    JournalEntry *entry;

    if (!s_active)
        return 1;
    if (!(entry = Fill(CHANGE_PROFILE, 0, section, key)))
        return 0;
    entry->size = GetProfileStringA(section, key, PROFILE_ABSENT, (char *)entry->data, JOURNAL_DATA_SIZE) + 1;
    if (strcmp((const char *)entry->data, PROFILE_ABSENT) == 0)
        entry->size = NO_EARLIER;
    return Commit();
}

int JournalGroupItem(const char *group, const char *title)
{
    if (!s_active || GroupLinkExists(group, title))
        return 1;
    return title ? Record(CHANGE_ITEM, group, title) : Record(CHANGE_GROUP, group, NULL);
}

int JournalRegistered(const char *folder, const char *name)
{
    char path[JOURNAL_PATH_SIZE];
    JournalEntry *entry;

    if (!s_active)
        return 1;
    if (!JoinPath(path, COUNTOF(path), folder, name) || !(entry = Fill(CHANGE_REGISTERED, 0, folder, name)))
        return 0;
    entry->type = Recorded(CHANGE_CREATED, 0, path);
    return Commit();
}

int JournalWorkFile(const char *path)
{
    return Recorded(CHANGE_CREATED, 0, path) || Record(CHANGE_CREATED, path, NULL);
}

void JournalForget(void)
{
    if (s_active && s_count > 0)
        DropSlot(--s_count);
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

// The journal ends: its key goes when nothing of it is left to take back.
static void CloseDisk(int failed)
{
    if (s_disk) {
        RegCloseKey(s_disk);
        if (!failed && s_base == 0)
            RegDeleteKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, KEY_WOW64_64KEY, 0), s_next = 0;
    }
    s_disk = NULL;
    s_count = 0;
    s_active = 0;
}

static void LogKeptAside(const char *path, const char *aside);

// A kept-aside copy whose name nothing took is the only copy: it goes back, or stays in
// the journal on disk for the next run to put back.
void JournalKeep(void)
{
    int kept = 0;

    for (int i = s_count - 1; i >= 0; i--) {
        const JournalEntry *entry = &s_entries[i];
        if (entry->kind == CHANGE_ASIDE && GetFileAttributesA(entry->path) == INVALID_FILE_ATTRIBUTES) {
            if (!MoveFileA(entry->other, entry->path)) {
                LogKeptAside(entry->path, entry->other);
                kept++;
                continue;
            }
        } else if (entry->kind == CHANGE_ASIDE && !DeleteFileA(entry->other) &&
                   GetFileAttributesA(entry->other) != INVALID_FILE_ATTRIBUTES) {
            MoveFileExA(entry->other, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        }
        DropSlot(i);
    }
    CloseDisk(kept);
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

// 1 when the value is as the entry says it was: absent, or with the same type and data.
static int ValueAsBefore(const JournalEntry *entry)
{
    static BYTE data[JOURNAL_DATA_SIZE];
    DWORD type, size = sizeof(data);
    HKEY key;
    LONG rc = RegOpenKeyExA(RootKey(entry->root), entry->path, 0, KEY_QUERY_VALUE | entry->view, &key);

    if (rc == ERROR_SUCCESS) {
        rc = RegQueryValueExA(key, entry->other[0] ? entry->other : NULL, NULL, &type, data, &size);
        RegCloseKey(key);
    }
    if (entry->size == NO_EARLIER)
        return rc == ERROR_FILE_NOT_FOUND;
    return rc == ERROR_SUCCESS && type == entry->type && size == entry->size && !memcmp(data, entry->data, size);
}

// Puts a value back as it was: its earlier data, or no value at all.
static int RestoreValue(const JournalEntry *entry)
{
    HKEY key;
    LONG rc;

    if (ValueAsBefore(entry))
        return 1;
    rc = RegCreateKeyExA(RootKey(entry->root), entry->path, 0, NULL, 0, KEY_SET_VALUE | entry->view, NULL, &key, NULL);
    if (rc == ERROR_SUCCESS) {
        if (entry->size == NO_EARLIER)
            rc = RegDeleteValueA(key, entry->other[0] ? entry->other : NULL);
        else
            rc = RegSetValueExA(key, entry->other[0] ? entry->other : NULL, 0, entry->type, entry->data, entry->size);
        RegCloseKey(key);
    }
    SetLastError((DWORD)rc);
    return rc == ERROR_SUCCESS;
}

static int DeleteKeyTree(const JournalEntry *entry)
{
    HKEY key;
    LONG rc = RegOpenKeyExA(RootKey(entry->root), entry->path, 0, KEY_ALL_ACCESS | entry->view, &key);

    if (rc == ERROR_FILE_NOT_FOUND)
        return 1;
    if (rc == ERROR_SUCCESS) {
        RegDeleteTreeA(key, NULL);
        RegCloseKey(key);
        rc = RegDeleteKeyExA(RootKey(entry->root), entry->path, entry->view, 0);
    }
    SetLastError((DWORD)rc);
    return rc == ERROR_SUCCESS;
}

// A group item or group goes by the program-group service when one answers, and as
// shortcut files in any case (a run of the system account has no shell to answer).
static int RemoveGroupItem(const JournalEntry *entry)
{
    char command[COMMAND_SIZE];
    int item = entry->kind == CHANGE_ITEM;

    if (OpenGroupClient()) {
        if (item && FormatText(command, COUNTOF(command), "[CreateGroup(%s)]", entry->path))
            SendGroupCommand(command);
        if (item ? FormatText(command, COUNTOF(command), "[DeleteItem(\"%s\")]", entry->other)
                 : FormatText(command, COUNTOF(command), "[DeleteGroup(%s)]", entry->path))
            SendGroupCommand(command);
        CloseGroupClient();
    }
    if (item)
        DeleteGroupLink(entry->path, entry->other);
    else
        RemoveEmptyGroupFolders(entry->path);
    return !GroupLinkExists(entry->path, item ? entry->other : NULL);
}

// Takes one change back. 1 when the machine is as it was before it.
// A DLL placed new unregisters itself, an earlier one registers itself again, each only
// where no other account could have replaced it; in its place the class keys the
// product's DLLs write are deleted here.
static int UndoRegistration(const JournalEntry *entry, const char **done)
{
    if (!IsTrustedDll(entry->path, entry->other)) {
        *done = "not loaded, another account could have replaced it; class keys deleted, "
                "anything else it registered may remain";
        DeleteProductClassKeys();
        return 1;
    }
    *done = entry->type == 1 ? "unregistered" : "earlier one registered again";
    return CallDllRegistration(entry->path, entry->other,
                               entry->type == 1 ? "DllUnregisterServer" : "DllRegisterServer") >= 0;
}

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
        return RestoreValue(entry);
    case CHANGE_KEY:
        *done = "key deleted";
        return DeleteKeyTree(entry);
    case CHANGE_VALUE:
        *done = entry->other[0] ? entry->other : "(default)";
        return RestoreValue(entry);
    case CHANGE_PROFILE:
        *done = entry->other;
        return WriteProfileStringA(entry->path, entry->other,
                                   entry->size == NO_EARLIER ? NULL : (const char *)entry->data);
    case CHANGE_GROUP:
    case CHANGE_ITEM:
        *done = entry->kind == CHANGE_ITEM ? entry->other : "group deleted";
        return RemoveGroupItem(entry);
    case CHANGE_REGISTERED:
        return UndoRegistration(entry, done);
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
        DropSlot(--s_count);
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

    // An earlier DLL registers itself again only once every file is back: last.
    for (int pass = 0; pass < 2; pass++) {
    for (int i = s_count - 1; i >= 0; i--) {
        const char *done = "";
        if ((s_entries[i].kind == CHANGE_REGISTERED && s_entries[i].type != 1) != (pass == 1))
            continue;
        if (Undo(&s_entries[i], &done)) {
            DropSlot(i);
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
    }
    if (s_count > 0) {
        FormatText(line, COUNTOF(line), "Rolled back %d changes", undone);
        WriteLog(line);
    }
    CloseDisk(failed);
    return failed;
}

// The journal's own key, where only administrators write, in the one registry view that
// the i686 and the x86_64 program share.
static LONG OpenJournalKey(const char *path, DWORD access, HKEY *key)
{
    return RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, access | KEY_WOW64_64KEY, key);
}

static int SetText(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1) == ERROR_SUCCESS;
}

// Owner Administrators; Administrators and the system may do anything, nobody else anything.
static int CreateJournalKey(const char *path, HKEY *key)
{
    BYTE admins[SECURITY_MAX_SID_SIZE], system[SECURITY_MAX_SID_SIZE], aclBuffer[256];
    DWORD cbAdmins = sizeof(admins), cbSystem = sizeof(system);
    SECURITY_DESCRIPTOR descriptor;
    SECURITY_ATTRIBUTES attributes = { sizeof(attributes), &descriptor, FALSE };
    PACL acl = (PACL)aclBuffer;

    if (!CreateWellKnownSid(WinBuiltinAdministratorsSid, NULL, admins, &cbAdmins) ||
        !CreateWellKnownSid(WinLocalSystemSid, NULL, system, &cbSystem) ||
        !InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, admins) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, system) ||
        !InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorOwner(&descriptor, admins, FALSE) ||
        !SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE) ||
        !SetSecurityDescriptorControl(&descriptor, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return 0;
    return RegCreateKeyExA(HKEY_LOCAL_MACHINE, path, 0, NULL, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                           &attributes, key, NULL) == ERROR_SUCCESS;
}

void JournalDestination(const char *folder)
{
    if (!s_active)
        return;
    if (!s_disk && !CreateJournalKey(JOURNAL_KEY, &s_disk)) {
        s_disk = NULL;
        WriteLog("The journal could not be kept on disk: a killed run would not be taken back");
        return;
    }
    // Entries made so far (none but the folders of the destination) follow it to disk.
    if (SetText(s_disk, "Product", PRODUCT_NAME) && SetText(s_disk, "Folder", folder) &&
        RegSetValueExA(s_disk, "Format", 0, REG_BINARY, (const BYTE *)"\x01", 1) == ERROR_SUCCESS)
        return;
    RegCloseKey(s_disk);
    s_disk = NULL;
}

void JournalFlush(void)
{
    if (s_disk)
        RegFlushKey(s_disk);
}

static int IsAdministrative(PSID sid)
{
    return IsWellKnownSid(sid, WinBuiltinAdministratorsSid) || IsWellKnownSid(sid, WinLocalSystemSid);
}

// Only administrators and the system can change the key: one of them owns it and nobody
// else is given a right to change it.
static int OnlyAdministratorsWrite(HKEY key)
{
    BYTE buffer[2048];
    DWORD size = sizeof(buffer);
    PSECURITY_DESCRIPTOR descriptor = buffer;
    PSID owner;
    PACL acl;
    BOOL defaulted, present;
    ACCESS_ALLOWED_ACE *ace;

    if (RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor, &size) ||
        !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner || !IsAdministrative(owner) ||
        !GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) || !present || !acl)
        return 0;
    for (DWORD i = 0; i < acl->AceCount; i++) {
        if (!GetAce(acl, i, (void **)&ace))
            return 0;
        if ((ace->Header.AceFlags & INHERIT_ONLY_ACE) || ace->Header.AceType == ACCESS_DENIED_ACE_TYPE)
            continue;
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
            ((ace->Mask & KEY_CHANGE_RIGHTS) && !IsAdministrative(&ace->SidStart)))
            return 0;
    }
    return 1;
}

static int ReadText(HKEY key, const char *name, char *text, DWORD cbText)
{
    DWORD size = cbText, type;

    return RegQueryValueExA(key, name, NULL, &type, (BYTE *)text, &size) == ERROR_SUCCESS && type == REG_SZ &&
           size > 0 && text[size - 1] == '\0';
}

// A full path without a forward slash or a name that starts with a dot ("..").
static int IsPlainPath(const char *path)
{
    return path[0] && path[1] == ':' && path[2] == '\\' && !strchr(path, '/') && !strstr(path, "\\.");
}

// What a journal entry names is the product's own: files below the destination folder,
// folders on its way, the product's keys, WIN.INI section, group items and run-once values.
static int IsOwnEntry(const JournalEntry *entry, const char *folder)
{
    int file = entry->kind == CHANGE_CREATED || entry->kind == CHANGE_ASIDE || entry->kind == CHANGE_MOVED ||
               entry->kind == CHANGE_BACKUP;

    if (file)
        return IsPlainPath(entry->path) && IsUnder(entry->path, folder) && !SameText(entry->path, folder) &&
               (entry->kind == CHANGE_CREATED || (IsPlainPath(entry->other) && IsUnder(entry->other, folder)));
    switch (entry->kind) {
    case CHANGE_FOLDER:
        return IsPlainPath(entry->path) && (IsUnder(entry->path, folder) || IsUnder(folder, entry->path));
    case CHANGE_RUNONCE:
        return (SameText(entry->path, "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce") ||
                SameText(entry->path, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce")) &&
               _strnicmp(entry->other, "Quorvane", 8) == 0;
    case CHANGE_KEY:
    case CHANGE_VALUE:
        return entry->root <= 1 && IsOwnKey(entry->root, entry->path);
    case CHANGE_PROFILE:
        return SameText(entry->path, RECORD_SECTION);
    case CHANGE_ITEM:
        if (!IsPlainFolderName(entry->other))
            return 0;
        // fall through
    case CHANGE_GROUP:
        return IsPlainFolderName(entry->path) && IsSafeGroupName(entry->path);
    case CHANGE_REGISTERED:
        return SameText(entry->path, folder) && IsPlainFolderName(entry->other);
    }
    return 0;
}

// One entry as read from disk (size bytes): whole, and the product's own.
static int IsSoundEntry(const JournalEntry *entry, DWORD size, const char *folder)
{
    return size >= ENTRY_HEAD && entry->kind >= CHANGE_CREATED && entry->kind <= CHANGE_LAST &&
           (entry->view == KEY_WOW64_32KEY || entry->view == KEY_WOW64_64KEY) &&
           memchr(entry->path, 0, sizeof(entry->path)) && memchr(entry->other, 0, sizeof(entry->other)) &&
           size == ENTRY_HEAD + (entry->size == NO_EARLIER ? 0 : entry->size) &&
           (entry->kind != CHANGE_PROFILE || entry->size == NO_EARLIER || memchr(entry->data, 0, entry->size)) &&
           IsOwnEntry(entry, folder);
}

// Reads a journal whole into memory. 0 when any part of it is missing, damaged or not
// the product's own.
static int LoadJournal(HKEY key)
{
    char folder[JOURNAL_PATH_SIZE], text[64], name[16];
    DWORD values, size, type;
    BYTE format[2];

    size = sizeof(format);
    if (RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &values, NULL, NULL, NULL, NULL) ||
        !ReadText(key, "Product", text, sizeof(text)) || strcmp(text, PRODUCT_NAME) != 0 ||
        RegQueryValueExA(key, "Format", NULL, &type, format, &size) || size != 1 || format[0] != 1 ||
        !ReadText(key, "Folder", folder, sizeof(folder)) || !IsPlainPath(folder) || CheckDestination(folder))
        return 0;
    s_count = 0;
    for (int slot = 0; slot < JOURNAL_SLOTS && (DWORD)s_count + 3 < values; slot++) {
        JournalEntry *entry = &s_entries[s_count];
        LONG rc;
        FormatText(name, COUNTOF(name), "%d", slot);
        size = sizeof(*entry);
        rc = RegQueryValueExA(key, name, NULL, &type, (BYTE *)entry, &size);
        if (rc == ERROR_FILE_NOT_FOUND)
            continue;
        if (rc || type != REG_BINARY || s_count >= JOURNAL_SIZE || !IsSoundEntry(entry, size, folder))
            return 0;
        s_slots[s_count++] = slot;
        s_next = slot + 1;
    }
    return (DWORD)s_count + 3 == values;
}

// Moves the journal key's values to the key beside it, in place of an earlier one there.
static void MoveAside(HKEY key)
{
    static BYTE data[sizeof(JournalEntry)];
    char name[256];
    DWORD cchName, cbData, type;
    HKEY aside;
    LONG rc;

    if (OpenJournalKey(JOURNAL_ASIDE_KEY, KEY_ALL_ACCESS, &aside) == ERROR_SUCCESS) {
        RegDeleteTreeA(aside, NULL);
        RegCloseKey(aside);
    }
    if (CreateJournalKey(JOURNAL_ASIDE_KEY, &aside)) {
        for (DWORD i = 0;; i++) {
            cchName = COUNTOF(name);
            cbData = sizeof(data);
            rc = RegEnumValueA(key, i, name, &cchName, NULL, &type, data, &cbData);
            if (rc == ERROR_SUCCESS)
                RegSetValueExA(aside, name, 0, type, data, cbData);
            else if (rc != ERROR_MORE_DATA)
                break;
        }
        RegCloseKey(aside);
    }
    RegDeleteTreeA(key, NULL);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, KEY_WOW64_64KEY, 0);
}

static void Tell(const char *text)
{
    WriteLog(text);
    if (!g_bSilent)
        MessageBoxA(NULL, text, INSTALL_CAPTION, MB_OK | MB_ICONINFORMATION);
}

int JournalRecover(void)
{
    char line[MESSAGE_SIZE];
    HKEY key;
    int failed;

    if (OpenJournalKey(JOURNAL_KEY, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    if (!OnlyAdministratorsWrite(key) || !LoadJournal(key)) {
        MoveAside(key);
        RegCloseKey(key);
        s_count = s_next = 0;
        Tell("The journal of an earlier installation was damaged or not this product's own. It was not "
             "applied and is kept as HKEY_LOCAL_MACHINE\\" JOURNAL_ASIDE_KEY ".");
        return 0;
    }
    s_disk = key;
    s_active = 1;
    s_base = 0;
    failed = JournalTakeBack();
    s_recovered = !failed;
    FormatText(line, COUNTOF(line), failed ? "An interrupted installation was undone, but for %d changes." :
                                             "An interrupted installation was undone.", failed);
    Tell(line);
    return 1;
}

int JournalRecovered(void)
{
    return s_recovered;
}
