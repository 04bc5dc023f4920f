// The interface selection page with its help box, and the icon placement page.
#include "session/messages.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"
#include "resource.h"
#include "wizard/pagelook.h"
#include "wizard/pages.h"

// The page's working copies of the proposed and the allowed interface masks.
static int s_chosenMask;
static int s_allowedMask;

static void CheckIf(HWND dialog, int id, int condition)
{
    CheckDlgButton(dialog, id, condition ? BST_CHECKED : BST_UNCHECKED);
}

static int Checked(HWND dialog, int id)
{
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}

static const WORD s_interfaceOrder[] = {
    IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_BONUS, IDC_IFACE_HELP, IDOK, IDCANCEL
};
static const WORD s_placementOrder[] = { IDC_PLACE_DESKTOP, IDC_PLACE_MYCOMPUTER, IDOK, IDCANCEL };

static void InitInterfacePage(HWND dialog)
{
    CentreOnScreen(dialog, 0);
    CheckIf(dialog, IDC_IFACE_CLASSIC, s_chosenMask & IFACE_CLASSIC);
    CheckIf(dialog, IDC_IFACE_EXPLORER, s_chosenMask & IFACE_EXPLORER);
    CheckIf(dialog, IDC_IFACE_BONUS, gbInstallBonusPack);
    EnableWindow(GetDlgItem(dialog, IDC_IFACE_CLASSIC), (s_allowedMask & IFACE_CLASSIC) != 0);
    EnableWindow(GetDlgItem(dialog, IDC_IFACE_EXPLORER), (s_allowedMask & IFACE_EXPLORER) != 0);
    PreparePage(dialog, s_interfaceOrder, COUNTOF(s_interfaceOrder));
}

// Disabled boxes count with the state they show.
static void AcceptInterfaces(HWND dialog)
{
    char text[MESSAGE_SIZE];
    int mask = 0;

    if (Checked(dialog, IDC_IFACE_CLASSIC))
        mask |= IFACE_CLASSIC;
    if (Checked(dialog, IDC_IFACE_EXPLORER))
        mask |= IFACE_EXPLORER;
    gbInstallBonusPack = Checked(dialog, IDC_IFACE_BONUS);
    if (mask == 0 && !gbInstallBonusPack) {
        LoadMessage(IDS_NOTHING_SELECTED, text, COUNTOF(text));
        ShowMessage(dialog, text, NULL, MB_OK | MB_ICONSTOP, IDOK);
        return;
    }
    s_chosenMask = mask;
    EndDialog(dialog, mask);
}

static INT_PTR CALLBACK InterfaceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandlePageLook(dialog, message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        InitInterfacePage(dialog);
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptInterfaces(dialog);
            return TRUE;
        case IDCANCEL:
            gbInstallBonusPack = 0;
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_IFACE_HELP:
            ShowInterfaceHelp(dialog);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int RunInterfacePage(HWND owner, HINSTANCE instance, int proposed, int allowed)
{
    INT_PTR result;

    s_chosenMask = IFACE_CLASSIC | (proposed & IFACE_EXPLORER);
    s_allowedMask = allowed;
    result = DialogBoxParamA(instance, "DLG_VERS_32", owner, InterfaceProc, 0);
    if (result <= 0) {
        // A page that cannot be shown counts as Cancel, not as "bonus pack only".
        if (result < 0)
            gbInstallBonusPack = 0;
        return 0;
    }
    return (int)result;
}

static INT_PTR CALLBACK HelpProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)wParam;
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_COMMAND:
        EndDialog(dialog, 1);
        return TRUE;
    }
    return FALSE;
}

void ShowInterfaceHelp(HWND owner)
{
    DialogBoxParamA(g_hInst, "DLG_32_HELP", owner, HelpProc, 0);
}

static INT_PTR CALLBACK IconPlacementProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (HandlePageLook(dialog, message, wParam, lParam))
        return TRUE;
    switch (message) {
    case WM_INITDIALOG:
        CheckRadioButton(dialog, IDC_PLACE_DESKTOP, IDC_PLACE_MYCOMPUTER,
                         g_iconLocation == 1 ? IDC_PLACE_MYCOMPUTER : IDC_PLACE_DESKTOP);
        CentreOnScreen(dialog, 0);
        PreparePage(dialog, s_placementOrder, COUNTOF(s_placementOrder));
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            g_iconLocation = IsDlgButtonChecked(dialog, IDC_PLACE_MYCOMPUTER) == BST_CHECKED;
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}

int RunIconPlacementPage(void)
{
    INT_PTR result = DialogBoxParamA(g_hInst, MAKEINTRESOURCEA(IDD_ICON_PLACEMENT), NULL,
                                     IconPlacementProc, 0);

    return result == 1;
}
