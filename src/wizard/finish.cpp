// The closing notices of an installation and a removal, and the restart of Windows.
#include "session/messages.h"
#include "session/session.h"
#include "session/switches.h"
#include "session/text.h"
#include "resource.h"
#include "wizard/finish.h"

// While set, RestartWindows records the request instead of restarting (tests only).
static int s_restartDryRun;
static int s_restartRequests;

// The restart question of a quiet run is answered by the ALLOWRBT option; with
// /norestart it is not asked at all. The restart stays due for the exit code.
static int AnswerQuietly(void)
{
    g_bRestartDue = 1;
    if (!g_bSilent && !(g_dwSwitches & SWITCH_NORESTART))
        return 0;
    if (!g_bAllowReboot || (g_dwSwitches & SWITCH_NORESTART))
        g_bNeedReboot = 0;
    return 1;
}

static void ShowInstallFailed(HWND owner, const char *detail)
{
    char text[MESSAGE_SIZE + 4 + 512];

    LoadMessage(IDS_INSTALL_FAILED, text, MESSAGE_SIZE);
    g_bNeedReboot = 0;
    if (g_bSilent) {
        WriteLog(text);
        if (detail && detail[0])
            WriteLog(detail);
        return;
    }
    if (detail && detail[0]) {
        AppendText(text, COUNTOF(text), "\r\n");
        AppendText(text, COUNTOF(text), detail);
    }
    MessageBoxA(owner, text, NULL, MB_OK);
}

// The outcome text, with the installation's note (such as the INI file that could not
// be written) after a blank line.
static void ComposeWithNote(char *text, int cchText, UINT number, const char *note)
{
    LoadMessage(number, text, cchText);
    if (note && note[0]) {
        AppendText(text, cchText, "\n\n");
        AppendText(text, cchText, note);
    }
}

static void ShowInstallDone(HWND owner, const char *note)
{
    char text[MESSAGE_SIZE + 4 + 512], caption[MESSAGE_SIZE];

    if (g_bSilent && note && note[0])
        WriteLog(note);
    LoadMessage(IDS_CONGRATULATIONS, caption, COUNTOF(caption));
    if (g_bNeedReboot && !AnswerQuietly()) {
        ComposeWithNote(text, COUNTOF(text), IDS_RESTART_INSTALL, note);
        if (MessageBoxA(owner, text, caption, MB_OKCANCEL | MB_SYSTEMMODAL) == IDCANCEL)
            g_bNeedReboot = 0;
        return;
    }
    if (g_bSilent)
        return;
    ComposeWithNote(text, COUNTOF(text), IDS_INSTALL_DONE, note);
    MessageBoxA(owner, text, caption, MB_OK);
}

static void ShowRemovalNotice(HWND owner, UINT number, const char *folder)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE], caption[MESSAGE_SIZE];

    if (g_bSilent)
        return;
    LoadMessage(IDS_REMOVE, caption, COUNTOF(caption));
    LoadMessage(number, pattern, COUNTOF(pattern));
    if (folder)
        FormatText(text, COUNTOF(text), pattern, folder);
    else
        CopyText(text, COUNTOF(text), pattern);
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

static void ShowRemovalRestart(HWND owner)
{
    char text[MESSAGE_SIZE], caption[MESSAGE_SIZE];

    if (AnswerQuietly())
        return;
    LoadMessage(IDS_RESTART_REMOVE, text, COUNTOF(text));
    LoadMessage(IDS_CONGRATULATIONS, caption, COUNTOF(caption));
    if (MessageBoxA(owner, text, caption, MB_OKCANCEL | MB_SYSTEMMODAL) == IDCANCEL)
        g_bNeedReboot = 0;
}

void ShowFinishNotice(HWND owner, int notice, const char *detail)
{
    switch (notice) {
    case NOTICE_INSTALL_FAILED:
        ShowInstallFailed(owner, detail);
        break;
    case NOTICE_INSTALL_DONE:
        ShowInstallDone(owner, detail);
        break;
    case NOTICE_REMOVE_NORECORD:
        ShowRemovalNotice(owner, IDS_REMOVE_NORECORD, NULL);
        break;
    case NOTICE_REMOVE_DONE:
        ShowRemovalNotice(owner, IDS_REMOVE_DONE, NULL);
        break;
    case NOTICE_REMOVE_LEFTOVER:
        ShowRemovalNotice(owner, IDS_REMOVE_LEFTOVER, detail ? detail : "");
        break;
    case NOTICE_REMOVE_RESTART:
        ShowRemovalRestart(owner);
        break;
    case NOTICE_REMOVE_FAILED:
        ShowRemovalNotice(owner, IDS_REMOVE_FAILED, detail ? detail : "");
        break;
    }
}

static void EnableShutdownPrivilege(void)
{
    HANDLE token;
    TOKEN_PRIVILEGES privileges = {};

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return;
    LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &privileges.Privileges[0].Luid);
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    AdjustTokenPrivileges(token, FALSE, &privileges, 0, NULL, NULL);
    CloseHandle(token);
}

int RestartWindows(void)
{
    if (g_bIsNT)
        EnableShutdownPrivilege();
    s_restartRequests++;
    if (s_restartDryRun)
        return 1;
    return ExitWindowsEx(EWX_REBOOT, 0) != 0;
}

void SetRestartDryRun(int on)
{
    s_restartDryRun = on;
}

int RestartRequestCount(void)
{
    return s_restartRequests;
}
