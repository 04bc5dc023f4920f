// Shows every wizard page and dialog once, in a fixed state, for tools/screenshots.sh:
// for each scene it writes C:\shots\NAME.ready holding the screen rectangle of its
// dialogs, waits for C:\shots\NAME.go (the picture is taken), then closes the scene.
#include <stdio.h>
#include <string>
#include "harness/testutil.h"
#include "resource.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/startup.h"
#include "session/text.h"
#include "wizard/finish.h"
#include "wizard/pages.h"
#include "wizard/progress.h"

static const char kShots[] = "C:\\shots";

static BOOL CALLBACK AddDialogRect(HWND window, LPARAM param)
{
    RECT *all = (RECT *)param, own;
    DWORD pid = 0;
    char cls[16];

    GetWindowThreadProcessId(window, &pid);
    GetClassNameA(window, cls, sizeof(cls));
    if (pid == GetCurrentProcessId() && IsWindowVisible(window) && strcmp(cls, "#32770") == 0) {
        GetWindowRect(window, &own);
        UnionRect(all, all, &own);
    }
    return TRUE;
}

// Hands the scene to the screenshot script and waits until it has taken the picture.
static void Snap(const char *name)
{
    RECT all = {};
    std::string ready = std::string(kShots) + "\\" + name + ".ready";
    std::string go = std::string(kShots) + "\\" + name + ".go";
    char rect[64];

    Sleep(300);  // let the last paint reach the screen
    EnumWindows(AddDialogRect, (LPARAM)&all);
    snprintf(rect, sizeof(rect), "%ld %ld %ld %ld\n", all.left, all.top, all.right - all.left,
             all.bottom - all.top);
    WriteFileText(ready + ".tmp", rect);
    MoveFileA((ready + ".tmp").c_str(), ready.c_str());
    for (int i = 0; i < 600 && !FileExists(go); i++)
        Sleep(100);
    DeleteFileA(go.c_str());
}

// Runs show() on this thread while script() finds the scene, snaps it and closes it.
template <typename Show, typename Script> static void Scene(Show show, Script script)
{
    UiDriver driver(script);
    show();
    driver.Finish();
}

// Snaps the dialog with the caption and closes it with the button.
static void SnapAndClose(const char *caption, const char *name, int button)
{
    HWND dialog = WaitForDialog(caption);
    if (!dialog)
        return;
    Snap(name);
    Click(dialog, button);
    WaitForClose(dialog);
}

static void PageScenes()
{
    WriteProfileStringA("NEXFER", "DEFDIR", "C:\\Program Files\\NEXFER Pro");
    WriteProfileStringA("NEXFER", "INSTOPTS", "12");
    Scene([] { RunWelcomePage(NULL, g_hInst); },
          [] { SnapAndClose("NEXFER Pro Installation", "01-welcome", IDCANCEL); });
    WriteProfileStringA("NEXFER", NULL, NULL);
    Scene([] { RunInterfacePage(NULL, g_hInst, 12, 15); },
          [] { SnapAndClose("NEXFER Pro Installation: Interface Selection", "02-interface", IDCANCEL); });
    gbInstallBonusPack = 1;
    Scene([] { RunInterfacePage(NULL, g_hInst, 1, 3); },
          [] { SnapAndClose("NEXFER Pro Installation: Interface Selection", "03-interface-old-windows", IDCANCEL); });
    Scene([] { RunInterfacePage(NULL, g_hInst, 12, 15); }, [] {
        HWND page = WaitForDialog("NEXFER Pro Installation: Interface Selection");
        Click(page, IDC_IFACE_HELP);
        SnapAndClose("NEXFER Pro Installation", "04-interface-help", IDOK);
        for (int id : { IDC_IFACE_CLASSIC, IDC_IFACE_EXPLORER, IDC_IFACE_BONUS })
            SendDlgItemMessageA(page, id, BM_SETCHECK, BST_UNCHECKED, 0);
        Click(page, IDOK);
        SnapAndClose("Error", "05-nothing-selected", IDOK);
        Click(page, IDCANCEL);
    });
    Scene([] { RunIconPlacementPage(); },
          [] { SnapAndClose("NEXFER Pro Installation: Icon Placement", "06-icon-placement", IDCANCEL); });
}

static void DestinationScenes()
{
    char result[FOLDER_SIZE];
    Scene([&] { RunDestinationPage(NULL, g_hInst, "Please enter the destination folder:",
                                   "C:\\Program Files\\NEXFER Pro", result); }, [] {
        HWND page = WaitForDialog("NEXFER Pro Installation: Destination Folder");
        Snap("07-destination");
        SetDlgItemTextA(page, IDC_DEST_FOLDER, "C:\\Program Files");
        Click(page, IDC_DEST_BROWSE);
        HWND picker = WaitForDialog("Locate");
        HWND list = GetDlgItem(picker, IDC_PICK_FOLDERS);
        int index = (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)"[Common Files]");
        SendMessageA(list, LB_SETCURSEL, index, 0);
        PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDC_PICK_FOLDERS, LBN_DBLCLK), (LPARAM)list);
        Sleep(300);
        SnapAndClose("Locate", "08-folder-picker", IDOK);
        Snap("09-destination-picked");
        Click(page, IDCANCEL);
    });
    char temp[MAX_PATH], destination[FOLDER_SIZE];
    GetTempPathA(MAX_PATH, temp);
    snprintf(destination, sizeof(destination), "%sNEXFER", temp);
    Scene([&] { ChooseDestination(destination, temp); }, [] {
        HWND page = WaitForDialog("NEXFER Pro Installation: Destination Folder");
        Click(page, IDOK);
        SnapAndClose("NEXFER Pro Installation", "10-destination-refused", IDOK);
        page = WaitForDialog("NEXFER Pro Installation: Destination Folder");
        Click(page, IDCANCEL);
        SnapAndClose("NEXFER Pro Installation", "11-no-destination", IDOK);
    });
}

// The modeless progress dialog lives on this thread, which pumps while the script runs.
static void ProgressScene(int removal, const char *name)
{
    char pattern[MESSAGE_SIZE], text[FORMATTED_SIZE];
    HWND dialog = CreateCopyProgressDialog(NULL, removal);
    volatile bool done = false;

    LoadMessage(removal ? IDS_DELETING_FILES : IDS_COPYING, pattern, COUNTOF(pattern));
    if (removal)
        CopyText(text, COUNTOF(text), pattern);
    else
        FormatInserts(text, COUNTOF(text), pattern, "C:\\users\\root\\Temp\\", "nxfpro32.dl_",
                      "C:\\Program Files\\NEXFER Pro", "nxfpro32.dll");
    SetStatusText(GetDlgItem(dialog, IDC_STATUS_TEXT), text);
    UiDriver driver([&] { Snap(name); done = true; });
    while (!done) {
        PumpMessages();
        Sleep(20);
    }
    driver.Finish();
    DestroyWindow(dialog);
}

static void NoticeScene(int notice, const char *detail, int reboot, const char *caption, const char *name)
{
    g_bNeedReboot = reboot;
    Scene([&] { ShowFinishNotice(NULL, notice, detail); },
          [&] { SnapAndClose(caption, name, IDOK); });
}

int main()
{
    ResetSessionState();
    EnterTempFolder();
    CreateDirectoryA(kShots, NULL);
    PageScenes();
    DestinationScenes();
    ProgressScene(0, "12-copy-progress");
    ProgressScene(1, "13-copy-progress-removal");
    NoticeScene(NOTICE_INSTALL_DONE, NULL, 0, "Congratulations!", "14-install-done");
    NoticeScene(NOTICE_INSTALL_DONE, NULL, 1, "Congratulations!", "15-install-restart");
    NoticeScene(NOTICE_INSTALL_FAILED, "nxfpro32.dll", 0, "Error", "16-install-failed");
    NoticeScene(NOTICE_REMOVE_LEFTOVER, "C:\\Program Files\\NEXFER Pro", 0, "Remove", "17-remove-leftover");
    NoticeScene(NOTICE_REMOVE_RESTART, NULL, 1, "Congratulations!", "18-remove-restart");
    WriteFileText(std::string(kShots) + "\\finished", "");
    return 0;
}
