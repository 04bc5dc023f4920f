// The guard that lets one setup run at a time, and the runs that end before start-up:
// they decide quiet and logging without extracting anything.
#include <winerror.h>
#include "payload/folders.h"
#include "payload/integrity.h"
#include "payload/payload.h"
#include "registration/progman.h"
#include "registration/shortcuts.h"
#include "resource.h"
#include "session/ending.h"
#include "session/mainwnd.h"
#include "session/messages.h"
#include "session/options.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/switches.h"
#include "session/text.h"
#include "setup/early.h"

// In the global namespace: runs in other sessions (the system account's) count too.
#define SETUP_GUARD_NAME  "Global\\NEXFERProSetupRunning"
#define OPTION_TEXT_SIZE  261
#define EARLY_FOLDER_SIZE 256

int TakeSetupGuard(void)
{
    HANDLE guard;

    SetLastError(0);
    guard = CreateMutexA(NULL, FALSE, SETUP_GUARD_NAME);
    // A guard created by a run of another account may refuse to open: it is held all the same.
    if (!guard)
        return GetLastError() != ERROR_ACCESS_DENIED;
    // The handle stays open; the system closes it when this process ends, however it ends.
    return GetLastError() != ERROR_ALREADY_EXISTS;
}

int CarriedOptionIs(const char *key, const char *word, const char *digit, int on)
{
    char value[OPTION_TEXT_SIZE];
    HRSRC found = FindResourceA(g_hInst, PayloadTable[PAYLOAD_OPTIONS].resourceName, PAYLOAD_RESOURCE_TYPE);
    HGLOBAL loaded = found ? LoadResource(g_hInst, found) : NULL;
    const char *text = loaded ? (const char *)LockResource(loaded) : NULL;

    if (!IsInsideImage(g_hInst, text, SizeofResource(g_hInst, found)) || !FindOptionInText(text, SizeofResource(g_hInst, found), "INSTALL", key, value,
                                   COUNTOF(value)))
        return 0;
    return IsOptionValue(value, word, digit) == on;
}

// The switch and its value as the command line gave it, for the log line that refuses it.
static int RefuseValue(char *bad, int cchBad, const char *name, const char *value, const char *reason)
{
    FormatText(bad, cchBad, "/%s=%s", name, value);
    RefuseSwitchValue(reason);
    return 0;
}

int CheckSwitchValues(char *bad, int cchBad)
{
    char folder[FOLDER_SIZE];
    const char *reason;

    if (g_dwSwitches & SWITCH_DIR) {
        if (!CanonicalFolder(g_szDirSwitch, folder, COUNTOF(folder)))
            return RefuseValue(bad, cchBad, "dir", g_szDirSwitch,
                               "the folder must be a full path: a drive letter, a colon and a backslash, "
                               "or \\\\server\\share");
        CopyText(g_szDirSwitch, COUNTOF(g_szDirSwitch), folder);
    }
    // Both roads must be able to make the group: the service's commands and a folder name.
    if ((g_dwSwitches & SWITCH_GROUP) && (reason = GroupNameFault(g_szGroupSwitch)) != NULL)
        return RefuseValue(bad, cchBad, "group", g_szGroupSwitch, reason);
    return 1;
}

// The log lives in the temporary folder; nothing else is written there.
static void EnterLogFolder(void)
{
    char folder[EARLY_FOLDER_SIZE];

    if (!g_bLogging || !GetTempFolder(folder, COUNTOF(folder)) || !SetCurrentDirectoryA(folder))
        DisableLog();
}

// Quiet and logging of a run that ends before start-up: the switches, else the options
// the program carries; the log, when on, goes to the temporary folder.
static void DecideQuietAndLogging(void)
{
    g_bSilent = (g_dwSwitches & SWITCH_QUIET) || CarriedOptionIs("QUIET", "TRUE", "1", 1);
    g_bLogging = (g_dwSwitches & SWITCH_LOG) || CarriedOptionIs("LOGGING", "FALSE", "0", 0);
    EnterLogFolder();
}

// The wizard of the running setup, or its main window, comes to the front.
static void BringRunningSetupForward(void)
{
    HWND main = FindWindowA(MAIN_CLASS_NAME, NULL);
    HWND front = main ? GetLastActivePopup(main) : NULL;

    if (front)
        SetForegroundWindow(front);
}

static void TellUser(int code)
{
    char text[MESSAGE_SIZE];

    if (code == ERROR_INVALID_COMMAND_LINE) {
        ShowUsage();
        return;
    }
    LoadMessage(IDS_ALREADY_RUNNING, text, COUNTOF(text));
    MessageBoxA(NULL, text, INSTALL_CAPTION, MB_OK | MB_ICONEXCLAMATION);
    BringRunningSetupForward();
}

int EndBeforeStart(int code, const char *argument)
{
    char line[MESSAGE_SIZE];

    DecideQuietAndLogging();
    if (code == ERROR_INVALID_COMMAND_LINE) {
        FormatText(line, COUNTOF(line), "Command line not understood: \"%s\"", argument ? argument : "");
        WriteLog(line);
        if (SwitchRefusal()) {
            FormatText(line, COUNTOF(line), "Refused: %s", SwitchRefusal());
            WriteLog(line);
        }
        EndRun(code, "command line not understood, nothing done");
    } else {
        LoadMessage(IDS_ALREADY_RUNNING, line, COUNTOF(line));
        WriteLog(line);
        EndRun(code, "another setup is running, nothing done");
    }
    if (!g_bSilent)
        TellUser(code);
    LogRunEnding();
    return code;
}

int EndDamagedProgram(int row)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];

    DecideQuietAndLogging();
    if (row == ROWS_NO_TABLE) {
        LoadMessage(IDS_SETUP_UNCHECKED, text, COUNTOF(text));
    } else {
        LoadMessage(IDS_SETUP_DAMAGED, pattern, COUNTOF(pattern));
        if (!FormatInserts(text, COUNTOF(text), pattern, PayloadTable[row].installedName))
            CopyText(text, COUNTOF(text), pattern);
    }
    ShowMessage(NULL, text, INSTALL_CAPTION, MB_OK | MB_ICONSTOP, IDOK);
    EndRun(ERROR_INSTALL_FAILURE, "this setup program is damaged, nothing done");
    LogRunEnding();
    return ERROR_INSTALL_FAILURE;
}
