// The one record of installer-wide state, shared by every part of the setup program.
#ifndef NX_SESSION_H
#define NX_SESSION_H

#include <windows.h>

#include "session/sizes.h"

#define PRODUCT_NAME      "NEXFER Pro"
#define INSTALL_CAPTION   "NEXFER Pro Installation"

// Interface bits of nV, nM and the interface page's result.
#define IFACE_CLASSIC     4
#define IFACE_EXPLORER    8

#define TEMPNAME_SIZE     261
#define INIPATH_SIZE      261
#define LINE_SIZE         256

extern HINSTANCE g_hInst;
extern char g_szTempFileName[TEMPNAME_SIZE];
extern char IniFileName[INIPATH_SIZE];
extern int g_bLogging;
extern int g_bAllowReboot;
extern int g_bSilent;
extern int g_bNoPass;
extern int gbInstallBonusPack;
extern int g_iconLocation;
extern int g_bExplore;
extern char g_szLine1[LINE_SIZE];
extern char g_szLine2[LINE_SIZE];
extern int g_bIsNT;
extern int nV;
extern int nM;
extern HWND g_hwndMain;
extern HWND g_hwndModeless;
extern int g_bNeedReboot;
extern int g_bCancel;
// How the run ends for its caller: the exit code and a few words naming the ending.
extern int g_nExitCode;
extern const char *g_pszEnding;
// A restart became due (files wait for it, the explorer interface registered), whatever
// the answer to the restart question.
extern int g_bRestartDue;
// Command-line switches given (SWITCH_* of session/switches.h) and their values.
extern DWORD g_dwSwitches;
extern char g_szDirSwitch[FOLDER_SIZE];
extern char g_szGroupSwitch[GROUP_SIZE];

// Puts every field back to its initial value (start of a run, start of a test).
void ResetSessionState(void);

#endif
