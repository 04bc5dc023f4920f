// The wizard pages: welcome, interfaces, icon placement, destination and folder picker.
#ifndef NX_PAGES_H
#define NX_PAGES_H

#include <windows.h>

#include "session/sizes.h"

// 1 install, 2 uninstall, 0 cancel.
int RunWelcomePage(HWND owner, HINSTANCE instance);
void ShowReleaseNotes(void);
// The Notepad command line for RelNotes.txt in tempFolder; the path is quoted when it
// holds a blank. 0 when it does not fit.
int BuildReleaseNotesCommand(char *out, int cchOut, const char *tempFolder);

// Chosen interface mask (0, 4, 8, 12), 0 for Cancel; sets gbInstallBonusPack.
int RunInterfacePage(HWND owner, HINSTANCE instance, int proposed, int allowed);
void ShowInterfaceHelp(HWND owner);

// 1 Next, 0 Cancel; Next stores the choice in g_iconLocation.
int RunIconPlacementPage(void);

// 1 Next (folder text copied into result), 0 Cancel (result untouched).
int RunDestinationPage(HWND owner, HINSTANCE instance, const char *prompt,
                       const char *initial, char *result);

// Nonzero when the user picked a folder; result (260 characters) holds it.
int BrowseForFolder(HWND owner, const char *start, char *result);

// The picker's folder from its "folder\a" result: cut at the last backslash, then
// "\NEXFER" appended unless the path names the product. 0 when it does not fit.
int CompletePickedFolder(char *result, int cchResult);

// 1 when destination begins with the source folder (less its trailing backslash),
// compared without regard to case.
int IsInsideSourceFolder(const char *destination, const char *sourceFolder);

// Refuses a destination that is not a full path, a protected folder or too long: shows
// (or in a quiet run logs) the reason and returns 1; 0 when the destination may be
// used, and then it is in its canonical form (FOLDER_SIZE characters).
int RefuseDestination(char *destination);

// Repeats the destination page until destination (FOLDER_SIZE) exists; 0 when given up.
int ChooseDestination(char *destination, const char *sourceFolder);

#endif
