// The wizard flow run by the main window's command 100: welcome, destination,
// interfaces, the install driver under the copy progress dialog, the record and the
// finish notice. A quiet run shows nothing and takes every page's default.
#include <string.h>
#include <winerror.h>
#include "drivers/components.h"
#include "drivers/install.h"
#include "drivers/removal.h"
#include "drivers/room.h"
#include "payload/placement.h"
#include "registration/record.h"
#include "session/ending.h"
#include "session/journal.h"
#include "session/mainwnd.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/sizes.h"
#include "session/startup.h"
#include "session/switches.h"
#include "session/text.h"
#include "resource.h"
#include "wizard/finish.h"
#include "setup/flow.h"
#include "wizard/pages.h"
#include "wizard/progress.h"

#define MAILADDR_SIZE 128
#define PLACEHOLDER   "nexfer602@"

// Built-in destination below the drive of the system folder, by Windows version.
static void ProposeBuiltInFolder(char *destination)
{
    OSVERSIONINFOA version;
    const char *folder = "\\NEXFER";

    memset(&version, 0, sizeof(version));
    version.dwOSVersionInfoSize = sizeof(version);
    if (GetVersionExA(&version)) {
        if (version.dwPlatformId != VER_PLATFORM_WIN32s && version.dwMajorVersion >= 4)
            folder = "\\Program Files\\NEXFER Pro";
        else if (version.dwPlatformId == VER_PLATFORM_WIN32_NT)
            folder = "\\WIN32APP\\NEXFER";
    }
    destination[0] = '\0';
    GetSystemDirectoryA(destination, FOLDER_SIZE);
    if (strlen(destination) < 2)
        destination[0] = '\0';
    else
        destination[2] = '\0';
    AppendText(destination, FOLDER_SIZE, folder);
}

static void LogQuoted(const char *label, const char *text)
{
    char line[FOLDER_SIZE + 64];

    FormatText(line, COUNTOF(line), "%s\"%s\"", label, text);
    WriteLog(line);
}

// The options file's DIR32 (or the /dir switch) wins over the built-in folder, an earlier DIR over both.
void ProposeDestination(char *destination)
{
    // An earlier folder is read in full, never cut: one too long is refused as it is.
    char value[FOLDER_SIZE], recorded[FOLDER_SIZE];

    ProposeBuiltInFolder(destination);
    if (g_dwSwitches & SWITCH_DIR) {
        CopyText(destination, FOLDER_SIZE, g_szDirSwitch);
    } else if (IniFileName[0]) {
        GetPrivateProfileStringA(RECORD_SECTION, "DIR32", destination, value, COUNTOF(value), IniFileName);
        if (strcmp(value, destination) != 0)
            CopyText(destination, FOLDER_SIZE, value);
    }
    if (GetProfileStringA(RECORD_SECTION, "DIR", destination, recorded, COUNTOF(recorded)) > 0) {
        // An update stays where the product is.
        if ((g_dwSwitches & SWITCH_DIR) && strcmp(recorded, destination) != 0)
            LogQuoted("/dir gives way to the installed folder ", recorded);
        CopyText(destination, FOLDER_SIZE, recorded);
    }
}

// Quiet runs settle the destination without a page. 1 when it exists.
static int SettleQuietDestination(char *destination, const char *source)
{
    if (strcmp(destination, source) == 0) {
        LogQuoted("SourceDir=DestDir ", source);
        return 0;
    }
    if (RefuseDestination(destination))
        return 0;
    JournalDestination(destination);
    if (!CreateFolderChain(destination)) {
        LogQuoted("Failed to create DestDir ", destination);
        return 0;
    }
    return 1;
}

// Brings the product INI file's placeholder e-mail address up to date.
void UpdateMailPlaceholder(const char *destination)
{
    char path[FOLDER_SIZE + 16], value[MAILADDR_SIZE];

    if (!JoinPath(path, COUNTOF(path), destination, "NEXFER.ini"))
        return;
    GetPrivateProfileStringA("_config_", "MAILADDR", "nexfer60@", value, COUNTOF(value), path);
    if (_strnicmp(value, "guest@unknown", 13) == 0)
        CopyText(value, COUNTOF(value), PLACEHOLDER);
    if (lstrcmpiA(value, PLACEHOLDER) == 0)
        WritePrivateProfileStringA("_config_", "MAILADDR", value, path);
}

static int ChooseInterfaces(HWND owner)
{
    char line[64];

    if (g_bSilent) {
        FormatText(line, COUNTOF(line), "nV=%d nM=%d", nV, nM);
        WriteLog(line);
        return nV;
    }
    return RunInterfacePage(owner, g_hInst, nV, nM);
}

static DWORD BuildInstallFlags(int interfaces)
{
    DWORD flags = 0;

    if (interfaces & IFACE_CLASSIC)
        flags |= INSTALL_CLASSIC;
    if (interfaces & IFACE_EXPLORER)
        flags |= INSTALL_EXPLORER;
    if (gbInstallBonusPack)
        flags |= INSTALL_BONUS;
    if (g_bSilent)
        flags |= INSTALL_QUIET;
    return flags;
}

// Runs the install driver under the copy progress dialog (interactive runs only).
static int RunInstall(HWND owner, const char *source, const char *destination, DWORD flags,
                      DWORD *outcome, char *failure, int cchFailure)
{
    HWND progress = NULL;
    int result;

    if (!g_bSilent) {
        progress = CreateCopyProgressDialog(owner, 0);
        g_hwndModeless = progress;
    }
    g_bNeedReboot = 0;
    result = InstallDriver(source, destination, flags, outcome, owner,
                           progress ? GetDlgItem(progress, IDC_STATUS_TEXT) : NULL, failure, cchFailure);
    SetActiveWindow(owner);
    if (progress)
        DestroyWindow(progress);
    g_hwndModeless = NULL;
    return result;
}

// A run that ends with 1602 or 1603 takes back every change it made; one that could
// not all be taken back ends as a failure. Any other ending lets go of the kept-aside
// copies.
static void SettleJournal(void)
{
    if (!JournalActive())
        return;
    if (g_nExitCode != ERROR_INSTALL_USEREXIT && g_nExitCode != ERROR_INSTALL_FAILURE) {
        JournalKeep();
        return;
    }
    if (JournalTakeBack() > 0)
        EndRun(ERROR_INSTALL_FAILURE, "failed, and a change could not be taken back");
}

// The ending of an installation the driver has run.
static void EndInstallation(int succeeded, DWORD outcome)
{
    if (!succeeded && g_bCancel)
        EndRun(ERROR_INSTALL_USEREXIT, "cancelled while copying");
    else if (outcome & OUTCOME_INCOMPLETE)
        EndRun(ERROR_INSTALL_FAILURE, "failed: the uninstall entry was not written");
    else if (!succeeded)
        EndRun(ERROR_INSTALL_FAILURE, "installation failed");
    else
        EndRun(0, "installation complete");
}

// The destination settled: the interfaces, the driver, the record and the notice.
static int InstallInto(HWND owner, const char *source, const char *destination)
{
    char failure[FOLDER_SIZE];
    DWORD outcome = 0;
    int interfaces = ChooseInterfaces(owner);
    DWORD flags = BuildInstallFlags(interfaces);
    int succeeded;

    if (!g_bSilent && interfaces == 0 && !gbInstallBonusPack) {
        g_bNeedReboot = 0;
        EndRun(ERROR_INSTALL_USEREXIT, "cancelled on the interface page");
        return 0;
    }
    if (!EnsureRoom(owner, source, destination, flags)) {
        EndRun(ERROR_INSTALL_FAILURE, "not enough room on the destination drive");
        return 0;
    }
    memset(failure, 0, sizeof(failure));
    succeeded = RunInstall(owner, source, destination, flags, &outcome, failure, COUNTOF(failure));
    EndInstallation(succeeded, outcome);
    if (!succeeded || (outcome & OUTCOME_INCOMPLETE)) {
        g_bNeedReboot = 0;
        // Taken back before the notice, so that it names an earlier file not given back.
        SettleJournal();
        if (JournalLostNote()[0] && (!failure[0] || AppendText(failure, COUNTOF(failure), " ")))
            AppendText(failure, COUNTOF(failure), JournalLostNote());
        ShowFinishNotice(owner, NOTICE_INSTALL_FAILED, failure);
        return 0;
    }
    if (outcome & OUTCOME_EXPLORER_REGISTERED)
        g_bNeedReboot = 1;
    UpdateMailPlaceholder(destination);
    if (JournalProfileKey(RECORD_SECTION, "DEFDIR") && JournalProfileKey(RECORD_SECTION, "INSTOPTS") &&
        JournalProfileKey(RECORD_SECTION, "PRO")) {
        WriteProfileStringA(RECORD_SECTION, "DEFDIR", destination);
        WriteProfileStringA(RECORD_SECTION, "INSTOPTS", "12");
        WriteProfileStringA(RECORD_SECTION, "PRO", "990810");
    }
    // A note of the driver (the INI file not written) goes with the notice.
    ShowFinishNotice(owner, NOTICE_INSTALL_DONE, failure);
    return 1;
}

static int InstallationFlow(HWND owner)
{
    char source[FOLDER_SIZE], destination[FOLDER_SIZE];

    // Where the copies come from, as the status line and the log name it: the temporary
    // folder (the files go through the scratch file of the run's folder inside it).
    if (GetTempFolder(source, COUNTOF(source)))
        AppendText(source, COUNTOF(source), "\\");
    PumpMessages();
    ProposeDestination(destination);
    if (g_bSilent && !SettleQuietDestination(destination, source)) {
        EndRun(ERROR_INSTALL_FAILURE, "destination folder refused or not created");
        return 0;
    }
    if (!g_bSilent && !ChooseDestination(destination, source)) {
        EndRun(ERROR_INSTALL_USEREXIT, "cancelled on the destination page");
        return 0;
    }
    PumpMessages();
    return InstallInto(owner, source, destination);
}

int WizardFlow(HWND owner, int proposed, int allowed)
{
    int choice, result;

    (void)proposed;
    (void)allowed;
    if (g_dwSwitches & SWITCH_UNINSTALL)
        choice = 2;
    else
        choice = g_bSilent ? 1 : RunWelcomePage(owner, g_hInst);
    if (choice == 0) {
        EndRun(ERROR_INSTALL_USEREXIT, "cancelled on the welcome page");
        return 0;
    }
    if (choice == 2)
        return RemovalFlow(owner, nV, nM);
    // From here every change to the product folder is recorded: the destination folders
    // this run creates, then every file.
    JournalBegin();
    BlockEndOfSession(owner, 1);
    result = InstallationFlow(owner);
    SettleJournal();
    BlockEndOfSession(owner, 0);
    return result;
}
