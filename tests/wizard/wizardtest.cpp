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

int TickButton(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);

    if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control))
        return 0;
    PostMessageA(control, BM_CLICK, 0, 0);
    return 1;
}

void PressKey(HWND dialog, UINT key)
{
    GUITHREADINFO info = {};
    HWND target = dialog;

    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) && info.hwndFocus)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

void TypeText(HWND dialog, int id, const char *text)
{
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, (LPARAM)text);
}

struct WatchScan {
    std::vector<HWND> found;
};

static BOOL CALLBACK CollectDialogs(HWND window, LPARAM param)
{
    DWORD pid = 0;
    char cls[64];

    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window))
        return TRUE;
    GetClassNameA(window, cls, sizeof(cls));
    if (strcmp(cls, "#32770") == 0)
        ((WatchScan *)param)->found.push_back(window);
    return TRUE;
}

DialogWatch::DialogWatch() : stop_(false)
{
    thread_ = std::thread([this] {
        for (;;) {
            bool last = stop_.load();
            WatchScan scan;
            EnumWindows(CollectDialogs, (LPARAM)&scan);
            for (HWND dialog : scan.found) {
                seen_.push_back(WindowText(dialog));
                if (!ClickButton(dialog, IDCANCEL))
                    ClickButton(dialog, IDOK);
                WaitForClose(dialog, 5000);
            }
            if (last)
                return;
            Sleep(20);
        }
    });
}

DialogWatch::~DialogWatch()
{
    Stop();
}

std::vector<std::string> DialogWatch::Stop()
{
    stop_ = true;
    if (thread_.joinable())
        thread_.join();
    return seen_;
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
