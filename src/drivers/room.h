// Room first: what an installation needs on the destination's drive at its peak, asked
// before the first file is placed.
#ifndef NX_ROOM_H
#define NX_ROOM_H

#include <windows.h>

// Bytes the chosen lists (flags as for InstallDriver) take once placed in destFolder,
// every earlier copy still on disk, plus the scratch file when tempFolder shares the
// destination's volume.
ULONGLONG RoomNeeded(const char *tempFolder, const char *destFolder, DWORD flags);

// Text of bytes in MB with one decimal ("0.3", "12.0").
void FormatMegabytes(ULONGLONG bytes, char *out, int cchOut);

// 1 when the destination's drive has the room; otherwise a box naming both figures with
// Retry (measure again) and Cancel, or in a quiet run a log line, and 0.
int EnsureRoom(HWND owner, const char *tempFolder, const char *destFolder, DWORD flags);

#endif
