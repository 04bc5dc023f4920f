// The background window: class registration, window procedure, icon titles.
#ifndef NX_MAINWND_H
#define NX_MAINWND_H

#include <windows.h>

#define MAIN_CLASS_NAME "NXInstal"
#define TITLE_SIZE      256

// Program-group titles loaded from the string table when the window is created.
extern char g_szHelpTitle[TITLE_SIZE];
extern char g_szRelNotesTitle[TITLE_SIZE];
extern char g_szUninstallTitle[TITLE_SIZE];
extern char g_szIconPlacementTitle[TITLE_SIZE];
extern char g_szExplorerHelpTitle[TITLE_SIZE];

void LoadIconTitles(void);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// While block is 1, Windows is asked to wait with the end of the session (log-off,
// shutdown), with a reason it may show; 0 lets it go again.
void BlockEndOfSession(HWND window, int block);

// Registers the class "NXInstal"; command 100 runs runSetup(window) once at a time,
// and a close request is ignored while it runs. 1 on success.
int RegisterMainClass(HINSTANCE instance, void (*runSetup)(HWND window));

#endif
