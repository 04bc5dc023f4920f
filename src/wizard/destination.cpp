// The destination folder page, its folder picker (the old-style file-open dialog with
// a hook and a custom template) and the loop that settles the destination.
#include <ctype.h>
#include <string.h>
#include "payload/folders.h"
#include "payload/placement.h"
#include "payload/trust.h"
#include "registration/record.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"
#include "resource.h"
#include "wizard/pagelook.h"
#include "wizard/pages.h"

#define PICK_SIZE     260
#define PICK_DUMMY    "a"

// State of the page on screen; the picker shows the prompt of the page that opened it.
static char s_prompt[FOLDER_SIZE];
static char s_folder[FOLDER_SIZE];

int IsInsideSourceFolder(const char *destination, const char *sourceFolder)
{
    size_t n = strlen(sourceFolder);

    if (n == 0)
        return 0;
    return _strnicmp(destination, sourceFolder, n - 1) == 0;
}

int CompletePickedFolder(char *result, int cchResult)
{
    char lower[PICK_SIZE];
    char *slash = FindLastSeparator(result, 0);
    size_t i;

    if (slash)
        *slash = '\0';
    if (!CopyText(lower, COUNTOF(lower), result))
        return 0;
    for (i = 0; lower[i]; i++)
        lower[i] = (char)tolower((unsigned char)lower[i]);
    if (strstr(lower, "nexfer"))
        return 1;
    return AppendText(result, cchResult, "\\NEXFER");
}

// The controls of the file-open dialog that a folder picker does not use: placed out of
// sight by the template, hidden here so that neither the keyboard nor a screen reader
// reaches them.
static const WORD s_unusedPickerControls[] = {
    IDC_PICK_FILES, IDC_PICK_READONLY, IDC_PICK_TYPELABEL, IDC_PICK_TYPES
};

static UINT_PTR CALLBACK PickerHook(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND folders, path, label;
    int i;

    (void)wParam;
    (void)lParam;
    if (message != WM_INITDIALOG)
        return 0;
    SetDlgItemTextA(dialog, IDC_PICKER_PROMPT, s_prompt);
    // A screen reader names the folders list by the text just before it: the label, not
    // the current folder's line that the template puts between them.
    folders = GetDlgItem(dialog, IDC_PICK_FOLDERS);
    path = GetDlgItem(dialog, IDC_PICK_FOLDERPATH);
    label = GetWindow(path, GW_HWNDPREV);
    if (folders && path && label && GetWindow(folders, GW_HWNDPREV) == path)
        SetWindowPos(path, GetWindow(label, GW_HWNDPREV), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    for (i = 0; i < COUNTOF(s_unusedPickerControls); i++)
        ShowWindow(GetDlgItem(dialog, s_unusedPickerControls[i]), SW_HIDE);
    return 0;
}

// The filter "All Files (*.*)" with the pattern "*.*", NUL separated, NUL NUL ended.
static void BuildPickerFilter(char *filter, int cchFilter)
{
    char name[MESSAGE_SIZE];
    char *p;

    LoadMessage(IDS_ALL_FILES, name, COUNTOF(name));
    FormatText(filter, cchFilter, "%s (*.*)|*.*|", name);
    for (p = filter; *p; p++) {
        if (*p == '|')
            *p = '\0';
    }
}

// Shows the picker and gives the current folder back afterwards: the dialog moves it as
// the user browses (Wine even with OFN_NOCHANGEDIR), and the run keeps its private
// folder current, as start-up made it.
static int RunPicker(OPENFILENAMEA *request)
{
    char current[MAX_PATH];
    DWORD length = GetCurrentDirectoryA(COUNTOF(current), current);
    int picked = GetOpenFileNameA(request) != 0;

    if (length > 0 && length < (DWORD)COUNTOF(current))
        SetCurrentDirectoryA(current);
    return picked;
}

int BrowseForFolder(HWND owner, const char *start, char *result)
{
    char filter[MESSAGE_SIZE + 16], title[MESSAGE_SIZE];
    OPENFILENAMEA request;

    CopyText(result, PICK_SIZE, PICK_DUMMY);
    BuildPickerFilter(filter, COUNTOF(filter));
    LoadMessage(IDS_LOCATE, title, COUNTOF(title));
    memset(&request, 0, sizeof(request));
    request.lStructSize = sizeof(request);
    request.hwndOwner = owner;
    request.hInstance = g_hInst;
    request.lpstrFilter = filter;
    request.nFilterIndex = 1;
    request.lpstrFile = result;
    request.nMaxFile = PICK_SIZE;
    request.lpstrInitialDir = start;
    request.lpstrTitle = title;
    request.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_ENABLETEMPLATE;
    request.lpTemplateName = "DLG_BROWSE";
    request.lpfnHook = PickerHook;
    if (!RunPicker(&request))
        return 0;
    return CompletePickedFolder(result, PICK_SIZE);
}

static void BrowseFromPage(HWND dialog)
{
    char picked[PICK_SIZE];

    s_folder[0] = '\0';
    GetDlgItemTextA(dialog, IDC_DEST_FOLDER, s_folder, COUNTOF(s_folder));
    if (BrowseForFolder(dialog, s_folder, picked))
        SetDlgItemTextA(dialog, IDC_DEST_FOLDER, picked);
}

static const WORD s_destinationOrder[] = { IDC_DEST_FOLDER, IDC_DEST_BROWSE, IDOK, IDCANCEL };

static INT_PTR CALLBACK DestinationProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandlePageLook(dialog, message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        CentreOnScreen(dialog, 0);
        SetDlgItemTextA(dialog, IDC_DEST_PROMPT, s_prompt);
        // A longer path would be cut when it is read back.
        SendDlgItemMessageA(dialog, IDC_DEST_FOLDER, EM_LIMITTEXT, FOLDER_SIZE - 1, 0);
        SetDlgItemTextA(dialog, IDC_DEST_FOLDER, s_folder);
        PreparePage(dialog, s_destinationOrder, COUNTOF(s_destinationOrder));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            GetDlgItemTextA(dialog, IDC_DEST_FOLDER, s_folder, COUNTOF(s_folder));
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_DEST_BROWSE:
            BrowseFromPage(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int RunDestinationPage(HWND owner, HINSTANCE instance, const char *prompt,
                       const char *initial, char *result)
{
    if (!CopyText(s_prompt, COUNTOF(s_prompt), prompt) ||
        !CopyText(s_folder, COUNTOF(s_folder), initial))
        return 0;
    if (DialogBoxParamA(instance, "DLG_GETDIR", owner, DestinationProc, 0) != 1)
        return 0;
    CopyText(result, FOLDER_SIZE, s_folder);
    return 1;
}

static void ShowDestinationStop(const char *text)
{
    ShowMessage(g_hwndMain, text, INSTALL_CAPTION, MB_OK | MB_ICONSTOP, IDOK);
}

static void ReportCreationFailed(const char *destination)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];

    LoadMessage(IDS_CREATE_FAILED, pattern, COUNTOF(pattern));
    if (!FormatInserts(text, COUNTOF(text), pattern, destination, (DWORD_PTR)0))
        CopyText(text, COUNTOF(text), pattern);
    ShowDestinationStop(text);
}

int RefuseDestination(char *destination)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];
    UINT refusal = SettleDestinationText(destination, FOLDER_SIZE);

    // Before the first change: a folder others can change would hand them this run's rights.
    if (!refusal && destination[0])
        refusal = CheckDestinationTrust(destination, IsConfirmedRecord(destination));
    if (!refusal)
        return 0;
    LoadMessage(refusal, pattern, COUNTOF(pattern));
    if (!FormatInserts(text, COUNTOF(text), pattern, destination, (DWORD_PTR)FOLDER_MAX_LENGTH))
        CopyText(text, COUNTOF(text), pattern);
    ShowDestinationStop(text);
    return 1;
}

int ChooseDestination(char *destination, const char *sourceFolder)
{
    char prompt[FOLDER_SIZE], text[MESSAGE_SIZE];

    LoadMessage(IDS_DEST_PROMPT, prompt, MESSAGE_SIZE);
    while (RunDestinationPage(g_hwndMain, g_hInst, prompt, destination, destination)) {
        if (RefuseDestination(destination))
            continue;
        if (IsInsideSourceFolder(destination, sourceFolder)) {
            LoadMessage(IDS_DEST_IN_SOURCE, text, COUNTOF(text));
            ShowDestinationStop(text);
            continue;
        }
        JournalDestination(destination);
        if (CreateFolderChain(destination))
            return 1;
        ReportCreationFailed(destination);
    }
    LoadMessage(IDS_DEST_NONE, text, COUNTOF(text));
    ShowDestinationStop(text);
    return 0;
}
