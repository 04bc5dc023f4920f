// Definitions and initial values of the installer-wide state.
#include "session/messages.h"
#include "session/session.h"

HINSTANCE g_hInst;
char g_szTempFileName[TEMPNAME_SIZE];
char IniFileName[INIPATH_SIZE];
int g_bLogging;
int g_bAllowReboot;
int g_bSilent;
int g_bNoPass;
int gbInstallBonusPack = 1;
int g_iconLocation;
int g_bExplore = 1;
char g_szLine1[LINE_SIZE];
char g_szLine2[LINE_SIZE];
int g_bIsNT;
int nV;
int nM;
HWND g_hwndMain;
HWND g_hwndModeless;
int g_bNeedReboot;
int g_bCancel;
int g_nExitCode;
const char *g_pszEnding = "complete";
int g_bRestartDue;
DWORD g_dwSwitches;
char g_szDirSwitch[FOLDER_SIZE];
char g_szGroupSwitch[GROUP_SIZE];

void ResetSessionState(void)
{
    g_hInst = GetModuleHandleA(NULL);
    g_szTempFileName[0] = '\0';
    IniFileName[0] = '\0';
    g_bLogging = 0;
    g_bAllowReboot = 0;
    g_bSilent = 0;
    g_bNoPass = 0;
    gbInstallBonusPack = 1;
    g_iconLocation = 0;
    g_bExplore = 1;
    g_szLine1[0] = '\0';
    g_szLine2[0] = '\0';
    g_bIsNT = 0;
    nV = 0;
    nM = 0;
    g_hwndMain = NULL;
    g_hwndModeless = NULL;
    g_bNeedReboot = 0;
    g_bCancel = 0;
    g_nExitCode = 0;
    g_pszEnding = "complete";
    g_bRestartDue = 0;
    g_dwSwitches = 0;
    g_szDirSwitch[0] = '\0';
    g_szGroupSwitch[0] = '\0';
    ResetLog();
}
