// Helpers of the wizard tests.
#include <string.h>
#include "harness/testutil.h"
#include "wizard/wizardtest.h"

// The icon control of a message box: id 20 on Windows, stc1 in Wine's template.
static HICON BoxIcon(HWND box)
{
    const int ids[] = { 20, 0x0440 };
    for (int id : ids) {
        HWND control = GetDlgItem(box, id);
        if (control && IsWindowVisible(control))
            return (HICON)SendMessageA(control, STM_GETICON, 0, 0);
    }
    return NULL;
}

BoxView ReadBox(HWND box)
{
    BoxView view;
    view.caption = WindowText(box);
    view.text = MessageBoxText(box);
    view.ok = IsControlVisible(box, IDOK);
    view.cancel = IsControlVisible(box, IDCANCEL);
    view.icon = BoxIcon(box);
    view.owner = GetWindow(box, GW_OWNER);
    view.topmost = (GetWindowLongA(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
    return view;
}

HICON StopIcon()
{
    return LoadIconA(NULL, (LPCSTR)IDI_HAND);
}

HICON InformationIcon()
{
    return LoadIconA(NULL, (LPCSTR)IDI_ASTERISK);
}

struct ClassScan {
    const char *className;
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectClass(HWND window, LPARAM param)
{
    ClassScan *scan = (ClassScan *)param;
    char cls[64];

    GetClassNameA(window, cls, sizeof(cls));
    if (_stricmp(cls, scan->className) == 0 && IsWindowVisible(window))
        scan->found.push_back(window);
    return TRUE;
}

std::vector<HWND> WindowsOfClass(const char *className)
{
    ClassScan scan = { className, {} };
    EnumWindows(CollectClass, (LPARAM)&scan);
    return scan.found;
}

OwnerWindow::OwnerWindow()
{
    window_ = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPED | WS_VISIBLE, 10, 10, 200, 100,
                              NULL, NULL, GetModuleHandleA(NULL), NULL);
}

OwnerWindow::~OwnerWindow()
{
    DestroyWindow(window_);
}
