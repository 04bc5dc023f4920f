// Removal: undoes a recorded installation — uninstall entry, namespace entries,
// registrations, files, program items and group, work files, the folder and the record.
#include <string.h>
#include <winerror.h>
#include "payload/folders.h"
#include "payload/placement.h"
#include "registration/com.h"
#include "registration/progman.h"
#include "registration/record.h"
#include "registration/shortcuts.h"
#include "session/journal.h"
#include "payload/trust.h"
#include "session/ending.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/sizes.h"
#include "session/text.h"
#include "resource.h"
#include "wizard/finish.h"
#include "wizard/progress.h"
#include "drivers/components.h"
#include "drivers/removal.h"


// Shows a step text from the string table, or its literal when the string is missing.
static void ShowStep(HWND statusWindow, UINT number, const char *literal)
{
    char text[MESSAGE_SIZE];

    if (!number || !LoadMessage(number, text, COUNTOF(text)))
        CopyText(text, COUNTOF(text), literal);
    SetStatusText(statusWindow, text);
}

// Paths that could be neither deleted nor scheduled, one a line, for the failure notice.
static char s_leftOver[FORMATTED_SIZE];

static void NoteLeftOver(const char *path)
{
    if (s_leftOver[0])
        AppendText(s_leftOver, COUNTOF(s_leftOver), "\n");
    AppendText(s_leftOver, COUNTOF(s_leftOver), path);
}

// 0 when a file of the list could be neither deleted nor scheduled for deletion.
static int DeleteListFiles(ComponentList *list, const char *folder, char *message, int cchMessage,
                           HWND statusWindow)
{
    char path[PATH_SIZE];
    int all = 1;

    for (int i = 0; i < list->count; i++) {
        if (!JoinPath(path, COUNTOF(path), folder, list->rows[i].reportName))
            continue;
        SetStatusText(statusWindow, path);
        if (DeleteFileOrSchedule(path, message, cchMessage) < 0) {
            NoteLeftOver(path);
            all = 0;
        }
    }
    return all;
}

static void DeleteListItems(ComponentList *list, const char *pattern, HWND statusWindow)
{
    char status[MESSAGE_SIZE + GROUP_SIZE];

    for (int i = 0; i < list->count; i++) {
        ComponentEntry *row = &list->rows[i];
        if (!row->item)
            continue;
        FormatText(status, COUNTOF(status), pattern, row->title);
        SetStatusText(statusWindow, status);
        DeleteGroupItem(row->title, row->installedName);
    }
}

// Makes group the service's current group; the create-group command is the only one
// that selects a group (it creates it when absent).
static void SelectProgramGroup(const char *group)
{
    char command[COMMAND_SIZE];

    if (FormatText(command, COUNTOF(command), "[CreateGroup(%s)]", group))
        SendGroupCommand(command);
}

static void DeleteListLinks(ComponentList *list, const char *group)
{
    for (int i = 0; i < list->count; i++) {
        if (list->rows[i].item)
            DeleteGroupLink(group, list->rows[i].title[0] ? list->rows[i].title : list->rows[i].installedName);
    }
}

// The items an installation made as shortcut files (no program-group service answered),
// by this program's titles only.
static void DeleteItemLinks(const char *group)
{
    DeleteGroupLink(group, EXPLORER_ITEM_TITLE);
    DeleteListLinks(&g_explorerList, group);
    DeleteListLinks(&g_bonusList, group);
    DeleteListLinks(&g_classicList, group);
    DeleteListLinks(&g_commonList, group);
}

static void RemoveProgramItems(DWORD flags, HWND statusWindow)
{
    char group[GROUP_SIZE], pattern[MESSAGE_SIZE];

    ShowStep(statusWindow, IDS_LOCATING_GROUP, "Locating icon group");
    if (!LoadMessage(IDS_DELETING_ICON, pattern, COUNTOF(pattern)))
        CopyText(pattern, COUNTOF(pattern), "Deleting icon %s");
    if (GetProfileStringA(RECORD_SECTION, "GROUP", DEFAULT_GROUP, group, COUNTOF(group)) == 0)
        return;
    // A recorded name that would end a command early could rewrite what is sent.
    if (!IsSafeGroupName(group))
        return;
    OpenGroupClient();
    // The service deletes items from its current group only: make ours current first.
    SelectProgramGroup(group);
    if (flags & INSTALL_EXPLORER) {
        DeleteGroupItem(EXPLORER_ITEM_TITLE, "");
        DeleteListItems(&g_explorerList, pattern, statusWindow);
    }
    if (flags & INSTALL_BONUS)
        DeleteListItems(&g_bonusList, pattern, statusWindow);
    if (flags & INSTALL_CLASSIC)
        DeleteListItems(&g_classicList, pattern, statusWindow);
    DeleteListItems(&g_commonList, pattern, statusWindow);
    ShowStep(statusWindow, IDS_CLOSING_ICONS, "Closing icon deletion");
    DeleteItemLinks(group);
    // Items the user added to the group keep it, on the service as in its folder.
    CloseGroupClientAndDeleteGroup(GroupFoldersEmpty(group) ? group : NULL);
    RemoveEmptyGroupFolders(group);
}

// ".bak", ".tmp", ".gid", ".log" always; ".ini" only with consent. A copy an interrupted
// run set aside ("~nxoldNN.tmp") is the user's earlier file, never a work file.
static int IsWorkFile(const char *name, int deleteIni)
{
    const char *dot = strrchr(name, '.');

    if (!dot || _strnicmp(name, "~nxold", 6) == 0)
        return 0;
    if (deleteIni && lstrcmpiA(dot, ".ini") == 0)
        return 1;
    return lstrcmpiA(dot, ".bak") == 0 || lstrcmpiA(dot, ".tmp") == 0 ||
           lstrcmpiA(dot, ".gid") == 0 || lstrcmpiA(dot, ".log") == 0;
}

static void DeletePath(const char *path, HWND statusWindow)
{
    if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        SetStatusText(statusWindow, path);
        DeleteFileA(path);
    }
}

static void DeleteNamed(const char *folder, const char *name, HWND statusWindow)
{
    char path[PATH_SIZE];

    if (JoinPath(path, COUNTOF(path), folder, name))
        DeletePath(path, statusWindow);
}

// The names this program gives a list's files besides their own: the ".bak", ".new"
// and ".del" forms and the help index "<stem>.gid".
static void DeleteDerivedNames(ComponentList *list, const char *folder, HWND statusWindow)
{
    char path[PATH_SIZE], derived[PATH_SIZE];
    const char *dot;

    for (int i = 0; i < list->count; i++) {
        if (!JoinPath(path, COUNTOF(path), folder, list->rows[i].installedName))
            continue;
        if (MakeReplacementName(path, ".bak", derived, COUNTOF(derived)))
            DeletePath(derived, statusWindow);
        if (MakeReplacementName(path, ".new", derived, COUNTOF(derived)))
            DeletePath(derived, statusWindow);
        if (MakeDeletionName(path, derived, COUNTOF(derived)) && lstrcmpiA(derived, path) != 0)
            DeletePath(derived, statusWindow);
        dot = strrchr(path, '.');
        if (dot && lstrcmpiA(dot, ".hlp") == 0 && (size_t)(dot - path) + 5 <= COUNTOF(derived)) {
            memcpy(derived, path, (size_t)(dot - path));
            memcpy(derived + (dot - path), ".gid", 5);
            DeletePath(derived, statusWindow);
        }
    }
}

// A folder the product did not make: only names this program gives its own files.
static void DeleteOwnNames(const char *folder, int deleteIni, HWND statusWindow)
{
    ComponentList *lists[] = { &g_explorerList, &g_bonusList, &g_classicList, &g_commonList };

    for (int l = 0; l < COUNTOF(lists); l++)
        DeleteDerivedNames(lists[l], folder, statusWindow);
    DeleteNamed(folder, "~nxnew.tmp", statusWindow);
    if (!deleteIni)
        return;
    DeleteNamed(folder, "original.ini", statusWindow);
    for (int i = 0; i < g_siteList.count; i++)
        DeleteNamed(folder, g_siteList.rows[i].installedName, statusWindow);
}

static void DeleteWorkFiles(const char *folder, HWND statusWindow, int deleteIni)
{
    char pattern[PATH_SIZE];
    WIN32_FIND_DATAA found;
    HANDLE search;

    if (!JoinPath(pattern, COUNTOF(pattern), folder, "*.*"))
        return;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsWorkFile(found.cFileName, deleteIni))
            DeleteNamed(folder, found.cFileName, statusWindow);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// Work files go by extension only in a folder this product's installation made;
// anywhere else only the names this program gives its own files.
// A folder of Windows or of the user keeps everything but the product's own files.
static void DeleteLeftOverFiles(const char *folder, HWND owner, HWND statusWindow)
{
    char path[PATH_SIZE], question[512];
    int deleteIni = 0, protectedFolder = IsProtectedFolder(folder);
    int sweep = !protectedFolder && IsFolderMadeBySetup(folder) && !IsNetworkFolder(folder);

    ShowStep(statusWindow, IDS_DELETING_FILES, "Deleting files");
    if (!protectedFolder && JoinPath(path, COUNTOF(path), folder, "NEXFER.ini") && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        LoadMessage(IDS_ASK_DELETE_INI, question, COUNTOF(question));
        // A quiet removal keeps the user's sites.
        deleteIni = ShowMessage(owner, question, INSTALL_CAPTION, MB_YESNO, IDNO) == IDYES;
    }
    if (sweep)
        DeleteWorkFiles(folder, statusWindow, deleteIni);
    else
        DeleteOwnNames(folder, deleteIni, statusWindow);
}

// The product's DLLs run with this program's rights only from a folder the record and
// the uninstall entry agree on, on a local drive, that no other account can change.
static int MayRunProductDlls(const char *folder)
{
    if (!IsConfirmedRecord(folder) || IsNetworkFolder(folder))
        return 0;
    return IsTrustedDll(folder, g_explorerList.rows[EXPLORER_ROW_DLL].installedName) &&
           IsTrustedDll(folder, g_commonList.rows[COMMON_ROW_STUB].installedName);
}

// Without the DLLs' own unregistration, the two class keys they wrote go here.
static void DeleteClassKeysInstead(void)
{
    DeleteProductClassKeys();
    WriteLog("The product's DLLs were not run from the recorded folder; their class keys were deleted, "
             "anything else they registered may remain");
}

static void UnregisterDll(const char *folder, const char *dllName, int runDlls)
{
    if (runDlls)
        CallDllRegistration(folder, dllName, "DllUnregisterServer");
}

// The DLLs' own unregistrations (when they may run) and the files of every list flags
// names. 1 when every file is gone or scheduled.
static int DeleteProductFiles(const char *folder, DWORD flags, int runDlls, char *message, int cchMessage,
                              HWND statusWindow)
{
    int deleted = 1;

    if (flags & INSTALL_EXPLORER) {
        ShowStep(statusWindow, IDS_UNREG_EXPLORER, "Unregistering explorer");
        UnregisterDll(folder, g_explorerList.rows[EXPLORER_ROW_DLL].installedName, runDlls);
        deleted &= DeleteListFiles(&g_explorerList, folder, message, cchMessage, statusWindow);
    }
    if (flags & INSTALL_BONUS)
        deleted &= DeleteListFiles(&g_bonusList, folder, message, cchMessage, statusWindow);
    if (flags & INSTALL_CLASSIC) {
        ShowStep(statusWindow, 0, "Unregistering base product");
        UnregisterBaseServer();
        deleted &= DeleteListFiles(&g_classicList, folder, message, cchMessage, statusWindow);
    }
    ShowStep(statusWindow, IDS_UNREG_ICONLINK, "Unregistering icon link");
    UnregisterDll(folder, g_commonList.rows[COMMON_ROW_STUB].installedName, runDlls);
    deleted &= DeleteListFiles(&g_commonList, folder, message, cchMessage, statusWindow);
    return deleted;
}

int RemovalDriver(const char *folder, DWORD flags, DWORD *outcome, char *message, int cchMessage,
                  HWND owner, HWND statusWindow)
{
    // A folder an earlier release recorded without its drive would be taken against the
    // current folder: nothing is loaded or deleted by it.
    const int byPath = IsFullFolder(folder);
    int deleted = 1, runDlls = byPath && MayRunProductDlls(folder);

    // The uninstall entry goes with the record, once every file is gone.
    ShowStep(statusWindow, IDS_REMOVING_UNINSTALL, "Removing uninstall info");
    s_leftOver[0] = '\0';
    if (outcome)
        *outcome = 0;
    if (message && cchMessage > 0)
        memset(message, 0, (size_t)cchMessage);
    if (!(flags & INSTALL_ANY)) {
        if (message)
            CopyText(message, cchMessage, "Nothing to do!");
        ShowStep(statusWindow, IDS_COMPLETED, "completed");
        return 1;
    }
    ShowStep(statusWindow, IDS_REMOVING_ICONS, "Removing desktop icons");
    RemoveNamespaceEntries();
    if (!runDlls)
        DeleteClassKeysInstead();
    if (byPath) {
        deleted = DeleteProductFiles(folder, flags, runDlls, message, cchMessage, statusWindow);
    } else {
        WriteLog("The recorded folder is not a full path: no file is deleted by it");
        if (flags & INSTALL_CLASSIC)
            UnregisterBaseServer();
    }
    RemoveProgramItems(flags, statusWindow);
    if (byPath)
        DeleteLeftOverFiles(folder, owner, statusWindow);
    ShowStep(statusWindow, IDS_COMPLETED, "completed");
    if (outcome && !deleted)
        *outcome = OUTCOME_FAILED;
    return 1;
}

// The closing notice; a protected folder is never removed, so it is always named as
// left over, and a pending restart is then asked for on its own. The folder's removal
// at the next start comes after its files'.
static void FinishRemoval(HWND owner, const char *folder, int folderGone, int protectedFolder)
{
    if (folderGone) {
        ShowFinishNotice(owner, NOTICE_REMOVE_DONE, NULL);
    } else if (g_bNeedReboot && !protectedFolder) {
        ScheduleDeletion(folder, 1);
        ShowFinishNotice(owner, NOTICE_REMOVE_RESTART, NULL);
    } else {
        ShowFinishNotice(owner, NOTICE_REMOVE_LEFTOVER, folder);
        if (g_bNeedReboot)
            ShowFinishNotice(owner, NOTICE_REMOVE_RESTART, NULL);
    }
}

static void LogWith(const char *label, const char *text)
{
    char line[FORMATTED_SIZE + 96];

    FormatText(line, COUNTOF(line), "%s%s", label, text);
    WriteLog(line);
}

// A record naming a device path ("\\?\", "\\.\") or a relative one: nothing is deleted
// by it, and the record stays for a removal that can be trusted.
static int RefuseRecordedFolder(HWND owner, const char *folder)
{
    char canonical[FOLDER_SIZE];

    if (CanonicalFolder(folder, canonical, COUNTOF(canonical)) && lstrcmpiA(canonical, folder) == 0)
        return 0;
    LogWith("The recorded folder is not a full path of a folder; nothing was deleted by it: ", folder);
    EndRun(ERROR_INSTALL_FAILURE, "recorded folder refused");
    ShowFinishNotice(owner, NOTICE_REMOVE_NORECORD, NULL);
    return 1;
}

int RemovalFlow(HWND owner, int proposed, int allowed)
{
    char folder[FOLDER_SIZE], message[DRIVER_MESSAGE_SIZE];
    HWND progress = NULL;
    DWORD outcome = 0;
    int folderGone = 0, protectedFolder;

    (void)proposed;
    (void)allowed;
    if (GetProfileStringA(RECORD_SECTION, "DIR", "", folder, COUNTOF(folder)) == 0 ||
        GetProfileIntA(RECORD_SECTION, "INSTOPTS", 0) == 0) {
        // The killed installation taken back at start-up was all there was.
        if (JournalRecovered()) {
            EndRun(0, "an interrupted installation was undone, nothing else recorded");
            return 1;
        }
        EndRun(ERROR_UNKNOWN_PRODUCT, "nothing recorded to remove");
        ShowFinishNotice(owner, NOTICE_REMOVE_NORECORD, NULL);
        return 0;
    }
    if (RefuseRecordedFolder(owner, folder))
        return 0;
    protectedFolder = IsProtectedFolder(folder);
    if (!g_bSilent)
        progress = CreateCopyProgressDialog(owner, 1);
    if (RemovalDriver(folder, REMOVE_ALL, &outcome, message, COUNTOF(message), owner,
                      progress ? GetDlgItem(progress, IDC_STATUS_TEXT) : NULL) && !protectedFolder)
        folderGone = RemoveDirectoryA(folder) && GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES;
    SetActiveWindow(owner);
    if (progress)
        DestroyWindow(progress);
    // A file left neither deleted nor scheduled keeps the record, so that a second
    // removal can finish the work.
    if (outcome & OUTCOME_FAILED) {
        LogWith("Left in place, the installation record kept: ", s_leftOver);
        // The restart is not asked for: the files scheduled go at the user's next one.
        g_bNeedReboot = 0;
        EndRun(ERROR_INSTALL_FAILURE, "a product file could be neither deleted nor scheduled for deletion");
        ShowFinishNotice(owner, NOTICE_REMOVE_FAILED, s_leftOver);
        return 0;
    }
    DeleteUninstallEntry();
    ClearInstallRecord();
    EndRun(0, "removal complete");
    FinishRemoval(owner, folder, folderGone, protectedFolder);
    return 0;
}
