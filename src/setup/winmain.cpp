// The program's entry point: working folder, scratch name, default options, Windows
// family, the main window and the message loop.
#include <string.h>
#include <winerror.h>
#include "payload/integrity.h"
#include "payload/payload.h"
#include "setup/early.h"
#include "setup/flow.h"
#include "wizard/finish.h"
#include "resource.h"
#include "session/journal.h"
#include "session/mainwnd.h"
#include "session/ending.h"
#include "session/messages.h"
#include "session/options.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/switches.h"
#include "session/text.h"
#include "session/workfolder.h"

#define TEMP_FOLDER_SIZE 256
// Start-up exit codes beside -1 (no window class) and 2 (no main window); a run that
// reaches the wizard ends with the code of its ending (g_nExitCode).
#define EXIT_NO_TEMP_FOLDER 3
#define EXIT_LOOP_FAILED    4
#define OPTION_TEXT_SIZE    261

// Without a temporary folder nothing can be extracted: the options beside the program
// say whether to tell the user, and nothing is written anywhere.
static int EndWithoutTempFolder(const char *tempFolder, DWORD error)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];

    DisableLog();
    ReadOptionsBesideProgram();
    if (!IniFileName[0])
        g_bSilent = CarriedOptionIs("QUIET", "TRUE", "1", 1);
    if (g_bSilent)
        return EXIT_NO_TEMP_FOLDER;
    LoadMessage(IDS_TEMP_UNUSABLE, pattern, COUNTOF(pattern));
    if (!FormatInserts(text, COUNTOF(text), pattern, tempFolder, (DWORD_PTR)error))
        CopyText(text, COUNTOF(text), pattern);
    MessageBoxA(NULL, text, INSTALL_CAPTION, MB_OK | MB_ICONSTOP);
    return EXIT_NO_TEMP_FOLDER;
}

static int RestartAllowed(void)
{
    return g_bNeedReboot && (!g_bSilent || g_bAllowReboot) && !(g_dwSwitches & SWITCH_NORESTART);
}

// Command 100 of the main window: the whole wizard, the clean-up, the close and, when
// due, the restart (requested while the window still exists). The log's last line,
// the exit code, is written before the restart request, the program's last action.
static void RunSetupCommand(HWND window)
{
    int restart;

    WizardFlow(window, nV, nM);
    DeleteTempPayloadFiles();
    PostMessageA(window, WM_CLOSE, 0, 0);
    restart = RestartAllowed();
    if (g_nExitCode == 0 && restart)
        EndRun(ERROR_SUCCESS_REBOOT_INITIATED, "complete, Windows is restarting");
    else if (g_nExitCode == 0 && g_bRestartDue)
        EndRun(ERROR_SUCCESS_REBOOT_REQUIRED, "complete, a restart is due");
    LogRunEnding();
    if (restart && !RestartWindows() && g_nExitCode == ERROR_SUCCESS_REBOOT_INITIATED) {
        EndRun(ERROR_SUCCESS_REBOOT_REQUIRED, "complete, a restart is due (Windows refused to restart)");
        LogRunEnding();
    }
}

static void DetectFamilyOfThisSystem(void)
{
    char os[256];
    DWORD version = GetVersion();
    DWORD n = GetEnvironmentVariableA("OS", os, COUNTOF(os));
    const char *osValue = (n > 0 && n < (DWORD)COUNTOF(os)) ? os : NULL;

    DetectWindowsFamily(osValue, (int)LOBYTE(LOWORD(version)), (int)HIBYTE(LOWORD(version)),
                        g_bExplore, &g_bIsNT, &nM, &nV);
}

static void ReportStartFailure(UINT number)
{
    char text[MESSAGE_SIZE];

    if (g_bSilent)
        return;
    LoadMessage(number, text, COUNTOF(text));
    MessageBoxA(NULL, text, NULL, MB_ICONEXCLAMATION);
}

static HWND CreateMainWindow(HINSTANCE instance)
{
    RECT desktop, place;

    GetWindowRect(GetDesktopWindow(), &desktop);
    ComputeMainWindowRect(&desktop, &place);
    return CreateWindowExA(0, MAIN_CLASS_NAME, PRODUCT_NAME " Install (32)",
                           WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
                           place.left, place.top, place.right, place.bottom,
                           NULL, NULL, instance, NULL);
}

static int RunMessageLoop(void)
{
    MSG msg;

    BOOL got;

    while ((got = GetMessageA(&msg, NULL, 0, 0)) != 0) {
        if (got == -1)
            return EXIT_LOOP_FAILED;
        if (g_hwndModeless && IsDialogMessageA(g_hwndModeless, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return g_nExitCode;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char tempFolder[TEMP_FOLDER_SIZE], argument[ARGUMENT_SIZE];
    DWORD error;
    int damaged;

    (void)show;
    g_hInst = instance;
    if (!ParseSwitches(commandLine, argument, COUNTOF(argument)) || !CheckSwitchValues(argument, COUNTOF(argument)))
        return EndBeforeStart(ERROR_INVALID_COMMAND_LINE, argument);
    if (g_dwSwitches & SWITCH_HELP) {
        ShowUsage();
        return 0;
    }
    damaged = CheckCarriedRows(instance);
    if (damaged != ROWS_INTACT)
        return EndDamagedProgram(damaged);
    if (!TakeSetupGuard())
        return EndBeforeStart(ERROR_INSTALL_ALREADY_RUNNING, NULL);
    error = PrepareTempFolder(tempFolder, COUNTOF(tempFolder));
    if (error)
        return EndWithoutTempFolder(tempFolder, error);
    ExtractPayload(g_hInst, PAYLOAD_OPTIONS, tempFolder, PAYLOAD_NAME_INSTALL_INI);
    g_szLine1[0] = '\0';
    g_szLine2[0] = '\0';
    ReadOptions();
    DetectFamilyOfThisSystem();
    // What a killed run left is taken back before this run changes anything.
    JournalRecover();
    if (!previous && !RegisterMainClass(instance, RunSetupCommand)) {
        ReportStartFailure(IDS_CLASS_FAILED);
        return -1;
    }
    g_hwndMain = CreateMainWindow(instance);
    if (!g_hwndMain) {
        ReportStartFailure(IDS_WINDOW_FAILED);
        return 2;
    }
    if (!g_bSilent)
        ShowWindow(g_hwndMain, SW_SHOWNORMAL);
    PostMessageA(g_hwndMain, WM_COMMAND, IDM_RUN_SETUP, 0);
    return RunMessageLoop();
}
