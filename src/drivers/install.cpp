// The install driver: places the chosen component lists, the product INI file and the
// site lists, registers the COM servers, records the installation, builds the program
// group, places the namespace entries and writes the uninstall entry.
#include <string.h>
#include "payload/payload.h"
#include "payload/placement.h"
#include "payload/productini.h"
#include "payload/trust.h"
#include "registration/com.h"
#include "registration/progman.h"
#include "registration/record.h"
#include "session/journal.h"
#include "registration/shortcuts.h"
#include "resource.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/switches.h"
#include "session/sizes.h"
#include "session/text.h"
#include "wizard/pages.h"
#include "wizard/progress.h"
#include "drivers/components.h"
#include "drivers/install.h"


// The driver's steps write their reason into a note of DRIVER_MESSAGE_SIZE characters,
// which the driver hands to its caller at the end.
static void SetNote(char *note, const char *text)
{
    CopyText(note, DRIVER_MESSAGE_SIZE, text);
}

static int FileExistsIn(const char *folder, const char *name)
{
    char path[PATH_SIZE];

    return JoinPath(path, COUNTOF(path), folder, name) &&
           GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// Places the rows of one list. placeAll 0: only required rows whose file is missing.
static void PlaceList(ComponentList *list, int placeAll, const char *tempFolder,
                      const char *destFolder, HWND owner, HWND statusWindow, char *message, int *ok)
{
    for (int i = 0; i < list->count && *ok; i++) {
        ComponentEntry *row = &list->rows[i];
        if (!placeAll && (!row->required || FileExistsIn(destFolder, row->installedName)))
            continue;
        int result = InstallFile(tempFolder, row->installedName, destFolder, owner, statusWindow,
                                 row->payload, row->required);
        if (!ApplyRowRule(row, result, message, DRIVER_MESSAGE_SIZE, ok))
            break;
        if (g_bCancel) {
            *ok = 0;
            break;
        }
    }
}

static void RegisterBase(const char *destFolder, DWORD *outcome, char *message, int *ok)
{
    ComponentEntry *program = &g_classicList.rows[CLASSIC_ROW_PROGRAM];
    ComponentEntry *core = &g_classicList.rows[CLASSIC_ROW_CORE];
    char path[PATH_SIZE];

    if (!(program->status & ROW_HANDLED) || !(core->status & ROW_HANDLED))
        return;
    if (JoinPath(path, COUNTOF(path), destFolder, program->installedName) && RegisterBaseServer(path)) {
        program->status |= ROW_REGISTERED;
        *outcome |= OUTCOME_BASE_REGISTERED;
        return;
    }
    program->status |= ROW_FAILED;
    *ok = 0;
    SetNote(message, "Failed to registered base product.");
}

// Runs name's registration in destFolder, recorded first: 1, 0 (no entry point) or -1.
// A DLL another account could have replaced is not loaded.
static int RegisterDll(const char *destFolder, const char *name)
{
    char line[PATH_SIZE + 64];

    if (!IsTrustedDll(destFolder, name)) {
        FormatText(line, COUNTOF(line), "%s not registered: another account could have replaced it", name);
        WriteLog(line);
        return -1;
    }
    return JournalRegistered(destFolder, name) ? CallDllRegistration(destFolder, name, "DllRegisterServer") : -1;
}

static void RegisterStub(const char *destFolder, char *message)
{
    ComponentEntry *stub = &g_commonList.rows[COMMON_ROW_STUB];
    int result;

    if (!(stub->status & ROW_HANDLED))
        return;
    result = RegisterDll(destFolder, stub->installedName);
    if (result < 0) {
        stub->status |= ROW_FAILED;
        SetNote(message, "Failed to registered stub.");
    } else if (result > 0) {
        stub->status |= ROW_REGISTERED;
    }
}

static void RegisterExplorer(const char *destFolder, DWORD flags, DWORD *outcome, char *message, int *ok)
{
    ComponentEntry *dll = &g_explorerList.rows[EXPLORER_ROW_DLL];
    int support = (g_explorerList.rows[EXPLORER_ROW_SUPPORT].status & ROW_HANDLED) ||
                  (g_explorerList.rows[EXPLORER_ROW_INI].status & ROW_HANDLED);
    int result;

    if (!(flags & INSTALL_EXPLORER) || !(dll->status & ROW_HANDLED) || !support)
        return;
    result = RegisterDll(destFolder, dll->installedName);
    if (result < 0) {
        dll->status |= ROW_FAILED;
        *ok = 0;
        SetNote(message, "Failed to registered explorer.");
    } else if (result > 0) {
        dll->status |= ROW_REGISTERED;
        *outcome |= OUTCOME_EXPLORER_REGISTERED;
    }
}

static int IsLiveWindow(HWND window)
{
    return window && IsWindow(window);
}

static void AddListItems(ComponentList *list, const char *destFolder, HWND statusWindow, DWORD *outcome)
{
    char status[PATH_SIZE];

    for (int i = 0; i < list->count; i++) {
        ComponentEntry *row = &list->rows[i];
        if (!row->item || !(row->status & ROW_HANDLED) || !CanOpenForReading(destFolder, row->installedName))
            continue;
        if (IsLiveWindow(statusWindow)) {
            FormatText(status, COUNTOF(status), "Creating icon for %s.", row->installedName);
            SetStatusText(statusWindow, status);
        }
        AddGroupItem(row->title, destFolder, row->installedName, "");
        row->status |= ROW_ITEM;
        *outcome |= OUTCOME_ITEM_CREATED;
    }
}

// Reads the /group switch or GROUP32 of the options file; "NEXFER Pro" when missing or empty, and in place
// of a name that either road (the service's commands, a folder of shortcut files) cannot make.
static void ReadGroupName(char *group, int cch, HWND owner)
{
    char line[GROUP_SIZE + 64], pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];
    const char *source = (g_dwSwitches & SWITCH_GROUP) ? "/group" : "GROUP32";
    const char *fault;

    if (g_dwSwitches & SWITCH_GROUP)
        CopyText(group, cch, g_szGroupSwitch);
    else if (IniFileName[0])
        GetPrivateProfileStringA(RECORD_SECTION, "GROUP32", DEFAULT_GROUP, group, (DWORD)cch, IniFileName);
    if ((!IniFileName[0] && !(g_dwSwitches & SWITCH_GROUP)) || group[0] == '\0')
        CopyText(group, cch, DEFAULT_GROUP);
    if ((fault = GroupNameFault(group)) != NULL) {
        FormatText(line, COUNTOF(line), "Refused %s \"%s\", using \"" DEFAULT_GROUP "\"", source, group);
        WriteLog(line);
        LoadMessage(IDS_GROUP_REFUSED, pattern, COUNTOF(pattern));
        if (FormatInserts(text, COUNTOF(text), pattern, group, fault))
            ShowMessage(owner, text, INSTALL_CAPTION, MB_OK | MB_ICONEXCLAMATION, IDOK);
        CopyText(group, cch, DEFAULT_GROUP);
    }
}

// A key of the WIN.INI section, recorded first; not written when it cannot be.
static void WriteRecordKey(const char *key, const char *value)
{
    if (JournalProfileKey(RECORD_SECTION, key))
        WriteProfileStringA(RECORD_SECTION, key, value);
}

static void BuildProgramGroup(const char *group, const char *destFolder, DWORD flags, HWND statusWindow,
                              DWORD *outcome, char *message, int *ok)
{
    char status[PATH_SIZE];

    WriteRecordKey("GROUP", group);
    if (IsLiveWindow(statusWindow)) {
        FormatText(status, COUNTOF(status), "Creating icon group %s", group);
        SetStatusText(statusWindow, status);
    }
    if (!CreateProgramGroup(group)) {
        *ok = 0;
        SetNote(message, "Failed to create icon group.");
        return;
    }
    WriteRecordKey("GROUP", group);
    if (flags & INSTALL_CLASSIC)
        AddListItems(&g_classicList, destFolder, statusWindow, outcome);
    if (flags & INSTALL_EXPLORER) {
        AddGroupItem(EXPLORER_ITEM_TITLE, destFolder, "", EXPLORER_JUNCTION);
        AddListItems(&g_explorerList, destFolder, statusWindow, outcome);
    }
    if (flags & INSTALL_BONUS)
        AddListItems(&g_bonusList, destFolder, statusWindow, outcome);
    AddListItems(&g_commonList, destFolder, statusWindow, outcome);
    CloseGroupClient();
}

// The product's files in folder after the run, in KB rounded up: every carried row's
// installed name that is there (the options file is the setup's own).
static DWORD ProductSizeKb(const char *folder)
{
    char path[PATH_SIZE];
    WIN32_FIND_DATAA data;
    HANDLE found;
    ULONGLONG bytes = 0;

    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (i == PAYLOAD_OPTIONS || !PayloadTable[i].installedName[0] ||
            !JoinPath(path, COUNTOF(path), folder, PayloadTable[i].installedName) ||
            (found = FindFirstFileA(path, &data)) == INVALID_HANDLE_VALUE)
            continue;
        FindClose(found);
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            bytes += ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    }
    return (DWORD)((bytes + 1023) / 1024);
}

static void RecordUninstallEntry(const char *destFolder, const char *group, DWORD *achieved)
{
    const char *icon = FileExistsIn(destFolder, "nxf95pro.exe") ? "nxf95pro.exe" : "nxflink.exe";

    if (!WriteUninstallEntry(destFolder, group) || !MarkFolderMadeBySetup(destFolder, FolderMadeThisRun(destFolder))) {
        *achieved |= OUTCOME_INCOMPLETE;
        return;
    }
    WriteInventoryValues(destFolder, icon, ProductSizeKb(destFolder));
}

// Steps 1 to 12: every step runs only while the installation has not failed.
static int InstallSteps(const char *tempFolder, const char *destFolder, DWORD flags, HWND owner,
                        HWND statusWindow, char *group, char *note, DWORD *achieved)
{
    int ok = 1;

    PlaceList(&g_classicList, (flags & INSTALL_CLASSIC) != 0, tempFolder, destFolder, owner, statusWindow, note, &ok);
    if (ok && (flags & INSTALL_EXPLORER))
        PlaceList(&g_explorerList, 1, tempFolder, destFolder, owner, statusWindow, note, &ok);
    if (ok && (flags & INSTALL_BONUS))
        PlaceList(&g_bonusList, 1, tempFolder, destFolder, owner, statusWindow, note, &ok);
    if (ok)
        PlaceList(&g_commonList, 1, tempFolder, destFolder, owner, statusWindow, note, &ok);
    JournalFlush();
    if (ok && (flags & (INSTALL_CLASSIC | INSTALL_EXPLORER)))
        InstallProductIni(tempFolder, destFolder, flags, owner, statusWindow, note, DRIVER_MESSAGE_SIZE, &ok,
                          &g_siteList);
    JournalFlush();
    if (ok)
        RegisterBase(destFolder, achieved, note, &ok);
    if (ok)
        RegisterStub(destFolder, note);
    if (ok)
        RegisterExplorer(destFolder, flags, achieved, note, &ok);
    JournalFlush();
    if (ok) {
        WriteRecordKey("DIR", destFolder);
        if (g_bNoPass)
            WriteRecordKey("SPFLAGS", "1");
        JournalFlush();
        ReadGroupName(group, GROUP_SIZE, owner);
        BuildProgramGroup(group, destFolder, flags, statusWindow, achieved, note, &ok);
    }
    JournalFlush();
    if (ok && (flags & INSTALL_EXPLORER))
        PlaceNamespaceEntries(flags, RunIconPlacementPage);
    JournalFlush();
    if (ok)
        RecordUninstallEntry(destFolder, group, achieved);
    JournalFlush();
    if (ok && (g_siteList.rows[0].status & ROW_FAILED))
        *achieved |= OUTCOME_INCOMPLETE;
    return ok;
}

// The note (a reason or "Nothing to do!") goes to message, cut to its size if need be.
static void HandNote(const char *note, char *message, int cchMessage)
{
    if (message && cchMessage > 0)
        FormatText(message, cchMessage, "%s", note);
}

int InstallDriver(const char *tempFolder, const char *destFolder, DWORD flags, DWORD *outcome,
                  HWND owner, HWND statusWindow, char *message, int cchMessage)
{
    char group[GROUP_SIZE] = DEFAULT_GROUP;
    char note[DRIVER_MESSAGE_SIZE] = "";
    DWORD achieved = 0;
    int ok;

    if (outcome)
        *outcome = 0;
    if (message && cchMessage > 0)
        memset(message, 0, (size_t)cchMessage);
    if (!(flags & INSTALL_ANY)) {
        HandNote("Nothing to do!", message, cchMessage);
        return 1;
    }
    ok = InstallSteps(tempFolder, destFolder, flags, owner, statusWindow, group, note, &achieved);
    HandNote(note, message, cchMessage);
    achieved |= ok ? OUTCOME_SUCCEEDED : OUTCOME_FAILED;
    if (outcome)
        *outcome = achieved;
    return ok;
}
