// The run's private folder in the temporary folder, which holds the options copy and the
// scratch file, and the scratch file itself.
#ifndef NX_WORKFOLDER_H
#define NX_WORKFOLDER_H

#include <windows.h>

// Makes a folder of a new name in the temporary folder (open to administrators and the
// system alone when the program runs elevated), holds it open so that it cannot be
// renamed or replaced, makes it current and creates the scratch file in it. folder
// (cch characters) receives the private folder with a trailing backslash; on a failure
// it holds the temporary folder, and nothing is left behind. 0, or the system error that
// makes the temporary folder unusable.
DWORD PrepareTempFolder(char *folder, int cch);

// The private folder without a trailing backslash; 0 when there is none.
int GetWorkFolder(char *folder, int cch);

// Deletes what the private folder holds and the folder itself, after the scratch file and
// the folder's handle are closed; the temporary folder becomes current again.
void RemoveWorkFolder(void);

// Creates the scratch file NXT<n>.TMP in folder as a new file and holds it open without
// write or delete sharing until CloseScratchFile (which deletes it); g_szTempFileName
// gets its name. 1 on success.
int CreateScratchFile(const char *folder);
void CloseScratchFile(void);
// The held scratch file, or INVALID_HANDLE_VALUE.
HANDLE ScratchFile(void);

// The private folder's access list in an elevated run: administrators and the system,
// full control, inherited by what it holds, nothing from the temporary folder. The caller
// frees it with LocalFree; NULL on failure. Exposed for tests.
PSECURITY_DESCRIPTOR AdminsOnlySecurity(void);

#endif
