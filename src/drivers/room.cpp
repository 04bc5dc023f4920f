// Room first: the expanded size of every file an installation will place, against the
// free space of the destination's drive.
#include <string.h>
#include "drivers/components.h"
#include "drivers/room.h"
#include "payload/payload.h"
#include "resource.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"

#define FIGURE_SIZE 32

static int ExistsIn(const char *folder, const char *name)
{
    char path[PATH_SIZE];

    return JoinPath(path, COUNTOF(path), folder, name) && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The rows of list the driver places: all, or (placeAll 0) the required ones missing;
// the largest carried row is kept for the scratch file.
static ULONGLONG ListRoom(const ComponentList *list, int placeAll, const char *destFolder, DWORD *largestStored)
{
    ULONGLONG bytes = 0;

    for (int i = 0; i < list->count; i++) {
        const ComponentEntry *row = &list->rows[i];
        DWORD stored = PayloadStoredSize(g_hInst, row->payload);
        if (!placeAll && (!row->required || ExistsIn(destFolder, row->installedName)))
            continue;
        bytes += PayloadExpandedSize(g_hInst, row->payload);
        if (stored > *largestStored)
            *largestStored = stored;
    }
    return bytes;
}

// The same drive letter (a volume mounted in a folder counts as its drive's).
static int SameVolume(const char *a, const char *b)
{
    return a[0] && a[1] == ':' && _strnicmp(a, b, 2) == 0;
}

ULONGLONG RoomNeeded(const char *tempFolder, const char *destFolder, DWORD flags)
{
    DWORD largest = 0;
    ULONGLONG bytes = ListRoom(&g_classicList, (flags & INSTALL_CLASSIC) != 0, destFolder, &largest);

    if (flags & INSTALL_EXPLORER)
        bytes += ListRoom(&g_explorerList, 1, destFolder, &largest);
    if (flags & INSTALL_BONUS)
        bytes += ListRoom(&g_bonusList, 1, destFolder, &largest);
    if (flags & INSTALL_ANY)
        bytes += ListRoom(&g_commonList, 1, destFolder, &largest);
    // The product INI file is counted always, a site list only where it is missing.
    if ((flags & (INSTALL_CLASSIC | INSTALL_EXPLORER)) && g_siteList.count > 0) {
        bytes += PayloadExpandedSize(g_hInst, g_siteList.rows[0].payload);
        for (int i = 1; i < g_siteList.count; i++) {
            if (!ExistsIn(destFolder, g_siteList.rows[i].installedName))
                bytes += PayloadExpandedSize(g_hInst, g_siteList.rows[i].payload);
        }
    }
    if (SameVolume(tempFolder, destFolder))
        bytes += largest;
    return bytes;
}

// In 32-bit steps: a 64-bit division would bring in the compiler's helpers.
void FormatMegabytes(ULONGLONG bytes, char *out, int cchOut)
{
    DWORD kb = (DWORD)(bytes >> 10), mb = kb >> 10, tenths = ((kb & 1023) * 10 + 512) >> 10;

    if (tenths == 10) {
        mb++;
        tenths = 0;
    }
    FormatText(out, cchOut, "%lu.%lu", (unsigned long)mb, (unsigned long)tenths);
}

int EnsureRoom(HWND owner, const char *tempFolder, const char *destFolder, DWORD flags)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE], needText[FIGURE_SIZE], freeText[FIGURE_SIZE];
    ULARGE_INTEGER available, total, totalFree;
    ULONGLONG need;

    for (;;) {
        need = RoomNeeded(tempFolder, destFolder, flags);
        // A drive whose free space cannot be asked is tried all the same.
        if (!GetDiskFreeSpaceExA(destFolder, &available, &total, &totalFree) || available.QuadPart >= need)
            return 1;
        FormatMegabytes(need, needText, COUNTOF(needText));
        FormatMegabytes(available.QuadPart, freeText, COUNTOF(freeText));
        LoadMessage(IDS_NO_ROOM, pattern, COUNTOF(pattern));
        if (!FormatInserts(text, COUNTOF(text), pattern, destFolder, needText, freeText))
            CopyText(text, COUNTOF(text), pattern);
        if (ShowMessage(owner, text, INSTALL_CAPTION, MB_RETRYCANCEL | MB_ICONEXCLAMATION, IDCANCEL) != IDRETRY)
            return 0;
    }
}
