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
        if (DeleteFileOrSchedule(path, message, cchMessage) < 0)
            all = 0;
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
// by this program's titles only, then the group's folders when that leaves them empty.
static void DeleteItemLinks(const char *group)
{
    DeleteGroupLink(group, EXPLORER_ITEM_TITLE);
    DeleteListLinks(&g_explorerList, group);
    DeleteListLinks(&g_bonusList, group);
    DeleteListLinks(&g_classicList, group);
    DeleteListLinks(&g_commonList, group);
    RemoveEmptyGroupFolders(group);
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
    CloseGroupClientAndDeleteGroup(group);
    DeleteItemLinks(group);
}

// ".bak", ".tmp", ".gid", ".log" always; ".ini" only with consent. A copy an installation
// kept aside ("~nxoldNN.tmp") and could not put back is a user's only copy: never.
static int IsWorkFile(const char *name, int deleteIni)
{
    const char *dot = strrchr(name, '.');

    if (!dot || (_strnicmp(name, "~nxold", 6) == 0 && dot == name + 8))
        return 0;
    if (deleteIni && lstrcmpiA(dot, ".ini") == 0)
        return 1;
    return lstrcmpiA(dot, ".bak") == 0 || lstrcmpiA(dot, ".tmp") == 0 ||
           lstrcmpiA(dot, ".gid") == 0 || lstrcmpiA(dot, ".log") == 0;
}

static void DeleteWorkFiles(const char *folder, HWND owner, HWND statusWindow)
{
    char pattern[PATH_SIZE], path[PATH_SIZE], question[512];
    WIN32_FIND_DATAA found;
    HANDLE search;
    int deleteIni = 0;

    ShowStep(statusWindow, IDS_DELETING_FILES, "Deleting files");
    if (JoinPath(path, COUNTOF(path), folder, "NEXFER.ini") && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        LoadMessage(IDS_ASK_DELETE_INI, question, COUNTOF(question));
        // A quiet removal keeps the user's sites.
        deleteIni = ShowMessage(owner, question, INSTALL_CAPTION, MB_YESNO, IDNO) == IDYES;
    }
    if (!JoinPath(pattern, COUNTOF(pattern), folder, "*.*"))
        return;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !IsWorkFile(found.cFileName, deleteIni))
            continue;
        if (JoinPath(path, COUNTOF(path), folder, found.cFileName)) {
            SetStatusText(statusWindow, path);
            DeleteFileA(path);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

// The DLLs' own unregistrations and the files of every list flags names. 1 when every
// file is gone or scheduled.
static int DeleteProductFiles(const char *folder, DWORD flags, char *message, int cchMessage,
                              HWND statusWindow)
{
    int deleted = 1;

    if (flags & INSTALL_EXPLORER) {
        ShowStep(statusWindow, IDS_UNREG_EXPLORER, "Unregistering explorer");
        CallDllRegistration(folder, g_explorerList.rows[EXPLORER_ROW_DLL].installedName, "DllUnregisterServer");
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
    CallDllRegistration(folder, g_commonList.rows[COMMON_ROW_STUB].installedName, "DllUnregisterServer");
    deleted &= DeleteListFiles(&g_commonList, folder, message, cchMessage, statusWindow);
    return deleted;
}

int RemovalDriver(const char *folder, DWORD flags, DWORD *outcome, char *message, int cchMessage,
                  HWND owner, HWND statusWindow)
{
    int deleted = 1;
    // A folder an earlier release recorded without its drive would be taken against the
    // current folder: nothing is loaded or deleted by it.
    const int byPath = IsFullFolder(folder);

    ShowStep(statusWindow, IDS_REMOVING_UNINSTALL, "Removing uninstall info");
    DeleteUninstallEntry();
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
    if (byPath) {
        deleted = DeleteProductFiles(folder, flags, message, cchMessage, statusWindow);
    } else {
        WriteLog("The recorded folder is not a full path: no file is deleted by it");
        if (flags & INSTALL_CLASSIC)
            UnregisterBaseServer();
    }
    RemoveProgramItems(flags, statusWindow);
    // A folder of Windows or of the user keeps everything but the product's own files.
    if (byPath && !IsProtectedFolder(folder))
        DeleteWorkFiles(folder, owner, statusWindow);
    ShowStep(statusWindow, IDS_COMPLETED, "completed");
    if (outcome && !deleted)
        *outcome = OUTCOME_FAILED;
    return 1;
}

// Schedules the removal of the (then empty) folder after the scheduled deletions.
static void ScheduleFolderRemoval(const char *folder)
{
    char shortPath[SHORT_PATH_SIZE] = { 0 };
    char quoted[SHORT_PATH_SIZE + 2] = { 0 };
    char command[COMMAND_SIZE] = { 0 };
    DWORD n = GetShortPathNameA(folder, shortPath, COUNTOF(shortPath));

    if (n == 0 || n >= (DWORD)COUNTOF(shortPath))
        CopyText(shortPath, COUNTOF(shortPath), folder);
    if (QuoteCommandPath(shortPath, quoted, COUNTOF(quoted)) &&
        FormatText(command, COUNTOF(command), "%s /c rmdir %s ", g_bIsNT ? "cmd.exe" : "command.com", quoted))
        AddRunOnceCommand(command);
}

// The closing notice; a protected folder is never removed, so it is always named as
// left over, and a pending restart is then asked for on its own.
static void FinishRemoval(HWND owner, const char *folder, int folderGone, int protectedFolder)
{
    if (folderGone) {
        ShowFinishNotice(owner, NOTICE_REMOVE_DONE, NULL);
    } else if (g_bNeedReboot && !protectedFolder) {
        ScheduleFolderRemoval(folder);
        ShowFinishNotice(owner, NOTICE_REMOVE_RESTART, NULL);
    } else {
        ShowFinishNotice(owner, NOTICE_REMOVE_LEFTOVER, folder);
        if (g_bNeedReboot)
            ShowFinishNotice(owner, NOTICE_REMOVE_RESTART, NULL);
    }
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
    // A folder recorded without its drive is never removed either.
    protectedFolder = !IsFullFolder(folder) || IsProtectedFolder(folder);
    if (!g_bSilent)
        progress = CreateCopyProgressDialog(owner, 1);
    if (RemovalDriver(folder, REMOVE_ALL, &outcome, message, COUNTOF(message), owner,
                      progress ? GetDlgItem(progress, IDC_STATUS_TEXT) : NULL) && !protectedFolder)
        folderGone = RemoveDirectoryA(folder) && GetFileAttributesA(folder) == INVALID_FILE_ATTRIBUTES;
    SetActiveWindow(owner);
    if (progress)
        DestroyWindow(progress);
    ClearInstallRecord();
    if (!IsFullFolder(folder))
        EndRun(ERROR_INSTALL_FAILURE, "the recorded folder is not a full path: no file deleted");
    else if (outcome & OUTCOME_FAILED)
        EndRun(ERROR_INSTALL_FAILURE, "a product file could be neither deleted nor scheduled for deletion");
    else
        EndRun(0, "removal complete");
    FinishRemoval(owner, folder, folderGone, protectedFolder);
    return 0;
}
