// The welcome page: install or remove, and the release notes opened in Notepad.
#include <string.h>
#include "payload/payload.h"
#include "payload/placement.h"
#include "registration/record.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"
#include "session/workfolder.h"
#include "resource.h"
#include "wizard/pagelook.h"
#include "wizard/pages.h"

#define RECORD_SIZE    256

// The uninstall choice is offered only where an earlier run recorded an installation.
static int InstallationRecorded(void)
{
    char folder[RECORD_SIZE];

    GetProfileStringA(RECORD_SECTION, "DEFDIR", "", folder, COUNTOF(folder));
    if (!folder[0])
        return 0;
    return GetProfileIntA("NEXFER", "INSTOPTS", 0) != 0;
}

static const WORD s_welcomeOrder[] = {
    IDC_CHOICE_INSTALL, IDC_CHOICE_REMOVE, IDC_VIEW_RELNOTES, IDOK, IDCANCEL
};

static void InitWelcomePage(HWND dialog)
{
    char label[MESSAGE_SIZE];

    CentreOnScreen(dialog, 0);
    LoadMessage(IDS_CHOICE_INSTALL, label, COUNTOF(label));
    SetDlgItemTextA(dialog, IDC_CHOICE_INSTALL, label);
    LoadMessage(IDS_CHOICE_REMOVE, label, COUNTOF(label));
    SetDlgItemTextA(dialog, IDC_CHOICE_REMOVE, label);
    CheckRadioButton(dialog, IDC_CHOICE_INSTALL, IDC_CHOICE_REMOVE, IDC_CHOICE_INSTALL);
    EnableWindow(GetDlgItem(dialog, IDC_CHOICE_REMOVE), InstallationRecorded());
    PreparePage(dialog, s_welcomeOrder, COUNTOF(s_welcomeOrder));
}

static int WelcomeChoice(HWND dialog)
{
    if (IsDlgButtonChecked(dialog, IDC_CHOICE_INSTALL) == BST_CHECKED)
        return 1;
    if (IsDlgButtonChecked(dialog, IDC_CHOICE_REMOVE) == BST_CHECKED)
        return 2;
    return 0;
}

static INT_PTR CALLBACK WelcomeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandlePageLook(dialog, message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        InitWelcomePage(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(dialog, WelcomeChoice(dialog));
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_VIEW_RELNOTES:
            ShowReleaseNotes();
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int RunWelcomePage(HWND owner, HINSTANCE instance)
{
    INT_PTR result = DialogBoxParamA(instance, "DLG_INSTALL", owner, WelcomeProc, 0);

    return result == 1 || result == 2 ? (int)result : 0;
}

int BuildReleaseNotesCommand(char *out, int cchOut, const char *tempFolder)
{
    char path[MAX_PATH];

    if (!JoinPath(path, COUNTOF(path), tempFolder, PAYLOAD_NAME_RELNOTES_TXT))
        return 0;
    // Quoted, so that no editor can take a blank in the folder for the end of the name.
    if (strchr(path, ' '))
        return FormatText(out, cchOut, "notepad \"%s\"", path);
    return FormatText(out, cchOut, "notepad %s", path);
}

// The notes are placed in the run's private folder, with the other payload copies.
// Notepad, the system folder's, starts in the temporary folder: the folder a program has
// current cannot be removed, and the run's own goes at its end, even while Notepad stays open.
void ShowReleaseNotes(void)
{
    char folder[MAX_PATH], temp[MAX_PATH], command[MAX_PATH + 16];

    if (!GetWorkFolder(folder, COUNTOF(folder)) || !AppendText(folder, COUNTOF(folder), "\\") ||
        !GetTempFolder(temp, COUNTOF(temp)))
        return;
    if (InstallFile(folder, PAYLOAD_NAME_RELNOTES_TXT, folder, NULL, NULL, PAYLOAD_ROW_RELNOTES_TXT, 1) != 0)
        return;
    if (BuildReleaseNotesCommand(command, COUNTOF(command), folder))
        StartSystemProgram("notepad.exe", command, temp);
}
