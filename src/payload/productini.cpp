// The product INI file: written from its template on a first installation or when the
// user agrees to a new one, with the user's old file set aside, plus the sample site lists.
#include <windows.h>
#include "resource.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/flags.h"
#include "session/session.h"
#include "session/text.h"
#include "payload/payload.h"
#include "payload/placement.h"
#include "payload/productini.h"

#define INI_PATH_SIZE 1024

static const char kOriginalIni[] = "original.ini";
static const char kMySites[] = "MySites";
static const char kPlaceholder[] = "$$";

static int ExistsIn(const char *folder, const char *name)
{
    char path[INI_PATH_SIZE];

    return JoinPath(path, COUNTOF(path), folder, name) &&
           GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

// The user's file becomes original.ini. While a journal is kept, the file itself is set
// aside untouched and original.ini is a copy of it, so that a failed run gives back the
// very bytes the user had, whatever this run writes into original.ini. 1 on success, 0
// when nothing changed, -1 when the copy failed (the user's file is back in its place,
// or, when even that failed, the journal names where it is kept).
static int MoveAside(const char *iniPath, const char *originalPath)
{
    char aside[INI_PATH_SIZE];

    if (!JournalActive())
        return MoveFileA(iniPath, originalPath) != 0;
    if (!JournalSetAside(iniPath, aside, COUNTOF(aside)))
        return 0;
    if (JournalCreated(originalPath)) {
        if (CopyFileA(aside, originalPath, TRUE))
            return 1;
        if (!JournalUndoLast())
            return -1;
    }
    JournalUndoLast();
    return -1;
}

// Asks whether to add the sample sites; on Yes the user's file becomes original.ini.
// 1 when a new INI file is to be written, -1 when setting the user's file aside failed.
static int SetOldIniAside(const char *destFolder, const char *iniName, DWORD flags, HWND owner)
{
    char question[MESSAGE_SIZE], caption[MESSAGE_SIZE];
    char iniPath[INI_PATH_SIZE], originalPath[INI_PATH_SIZE];

    if (flags & INSTALL_QUIET)
        return 0;
    LoadMessage(IDS_ASK_MORE_SITES, question, COUNTOF(question));
    LoadMessage(IDS_SITES_CAPTION, caption, COUNTOF(caption));
    if (ShowMessage(owner, question, caption, MB_YESNO | MB_ICONQUESTION, IDNO) != IDYES)
        return 0;
    if (!JoinPath(iniPath, COUNTOF(iniPath), destFolder, iniName) ||
        !JoinPath(originalPath, COUNTOF(originalPath), destFolder, kOriginalIni))
        return 0;
    return MoveAside(iniPath, originalPath);
}

// The new INI file is in place: the set-aside file loses its MySites section, which
// the new file now points to.
static void KeepOldSites(const char *destFolder)
{
    char originalPath[INI_PATH_SIZE];

    if (JoinPath(originalPath, COUNTOF(originalPath), destFolder, kOriginalIni))
        WritePrivateProfileStringA(kMySites, NULL, NULL, originalPath);
}

// The template could not be written: no partly written INI file stays, and the user's
// file set aside by this run goes back in its place.
static void UndoNewIni(const char *destFolder, const char *iniPath, int setAside)
{
    char originalPath[INI_PATH_SIZE];

    DeleteFileA(iniPath);
    if (setAside && JoinPath(originalPath, COUNTOF(originalPath), destFolder, kOriginalIni))
        MoveFileA(originalPath, iniPath);
}

// 1 when this run writes a new INI file and adds the site lists; *setAside is 1 when
// the user's file was moved to original.ini for it; -1 when that move failed half-way.
static int DecideNewIni(const char *destFolder, const char *iniName, const char *firstSites,
                        DWORD flags, HWND owner, int *setAside)
{
    *setAside = 0;
    if (!ExistsIn(destFolder, iniName))
        return 1;
    if (ExistsIn(destFolder, kOriginalIni) || ExistsIn(destFolder, firstSites))
        return 0;
    *setAside = SetOldIniAside(destFolder, iniName, flags, owner);
    return *setAside;
}

static int WriteNewIni(const char *destFolder, const ComponentEntry *iniRow, int setAside)
{
    char iniPath[INI_PATH_SIZE];

    if (!JoinPath(iniPath, COUNTOF(iniPath), destFolder, iniRow->installedName) || !JournalCreated(iniPath))
        return 0;
    if (CopyWithPlaceholder(iniPath, kPlaceholder, destFolder, iniRow->payload) != 0) {
        UndoNewIni(destFolder, iniPath, setAside);
        return 0;
    }
    if (setAside)
        KeepOldSites(destFolder);
    return 1;
}

void InstallProductIni(const char *tempFolder, const char *destFolder, DWORD flags,
                       HWND owner, HWND statusWindow, char *message, int cchMessage, int *ok,
                       ComponentList *siteList)
{
    ComponentEntry *iniRow = &siteList->rows[0];
    int setAside, decision;

    if (!(flags & (INSTALL_CLASSIC | INSTALL_EXPLORER)) || !*ok || siteList->count < 2)
        return;
    decision = DecideNewIni(destFolder, iniRow->installedName, siteList->rows[1].installedName, flags, owner,
                            &setAside);
    if (decision == 0)
        return;
    // A product without its INI file cannot start, and the user's sites must not go
    // missing: the installation fails here.
    if (decision < 0 || !WriteNewIni(destFolder, iniRow, setAside)) {
        iniRow->status |= ROW_FAILED;
        *ok = 0;
        if (message)
            CopyText(message, cchMessage, "Failed to install INI files.");
        return;
    }
    for (int i = 1; i < siteList->count; i++) {
        ComponentEntry *row = &siteList->rows[i];
        char path[INI_PATH_SIZE];

        if (JoinPath(path, COUNTOF(path), destFolder, row->installedName) &&
            GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
            int result = InstallFile(tempFolder, row->installedName, destFolder, owner,
                                     statusWindow, row->payload, row->required);
            if (!ApplyRowRule(row, result, message, cchMessage, ok))
                return;
        }
        if (g_bCancel) {
            *ok = 0;
            return;
        }
    }
}
