// The copy progress dialog: one status line and, during an installation, Cancel.
#include "session/messages.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"
#include "resource.h"
#include "wizard/progress.h"

// Cancel, Escape and the close box all arrive as command 2; the dialog stays open
// until its flow destroys it.
static INT_PTR CALLBACK CopyProgressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        CentreOnScreen(dialog, 0);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            g_bCancel = 1;
            return TRUE;
        }
        break;
    }
    return FALSE;
}

static void MakeRemovalForm(HWND dialog)
{
    char caption[MESSAGE_SIZE];
    HWND cancel = GetDlgItem(dialog, IDCANCEL);

    if (!LoadMessage(IDS_REMOVAL_PROCESS, caption, COUNTOF(caption)))
        CopyText(caption, COUNTOF(caption), "Removal process");
    SetWindowTextA(dialog, caption);
    EnableWindow(cancel, FALSE);
    ShowWindow(cancel, SW_HIDE);
}

HWND CreateCopyProgressDialog(HWND owner, int removal)
{
    HWND dialog = CreateDialogParamA(g_hInst, "DLG_COPY", owner, CopyProgressProc, 0);

    if (dialog && removal)
        MakeRemovalForm(dialog);
    return dialog;
}

void SetStatusText(HWND statusWindow, const char *text)
{
    if (!statusWindow || !IsWindow(statusWindow))
        return;
    SetWindowTextA(statusWindow, text);
    // A static control's text is its accessible name: a screen reader hears each step.
    NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, statusWindow, OBJID_CLIENT, CHILDID_SELF);
    // The thread goes on copying before it returns to a message loop: paint now.
    InvalidateRect(statusWindow, NULL, TRUE);
    UpdateWindow(statusWindow);
}
