// Folders the product must never treat as its own, and the longest folder an
// installation can use.
#ifndef NX_FOLDERS_H
#define NX_FOLDERS_H

#include <windows.h>

// Every file the installation writes, schedules or names in a program item is the
// folder, one backslash and an installed name of at most this many characters.
#define LONGEST_INSTALLED_NAME 12
// So that each of those paths stays within MAX_PATH (259 characters and the NUL); this
// also keeps the folder itself below CreateDirectoryA's 248-character limit.
#define FOLDER_MAX_LENGTH (MAX_PATH - 1 - 1 - LONGEST_INSTALLED_NAME)

// Full, long form of folder without trailing separators ("C:" for a drive root).
// 0 when the path cannot be formed or does not fit.
int NormaliseFolder(const char *folder, char *out, int cchOut);

// An absolute folder as a command line gives it, in canonical form: "X:\..." or a UNC
// path "\\server\share\..."; forward slashes count as separators; "." parts, doubled
// and trailing separators go, ".." takes the part before it (never the root). The root
// of a drive stays "X:\". 0 for a relative, drive-relative or device path ("\\?\",
// "\\.\"), a part other than "." and ".." that ends with a dot or a blank (the system
// would drop them), or a result that does not fit.
int CanonicalFolder(const char *folder, char *out, int cchOut);

// 1 when folder is a full path as CanonicalFolder takes it.
int IsFullFolder(const char *folder);

// 1 for a normalised drive root: "C:" or "\\server\share".
int IsDriveRoot(const char *normalised);

// 1 when folder is a drive root or one of the system's or the users' own folders
// (Windows, system, Program Files, Common Files, temporary, profile, documents,
// desktop, application data and their all-users forms), in any spelling.
int IsProtectedFolder(const char *folder);

// 0 when an installation may use destination; otherwise the number of the message
// that refuses it (a protected folder, or one longer than FOLDER_MAX_LENGTH).
UINT CheckDestination(const char *destination);

// The one rule for a destination, wherever it comes from: destination (cch characters)
// becomes its canonical full form (CanonicalFolder), then CheckDestination. 0 when it
// may be used; otherwise the refusing message, destination unchanged. An empty text
// stays, for the folder creation to report.
UINT SettleDestinationText(char *destination, int cch);

#endif
