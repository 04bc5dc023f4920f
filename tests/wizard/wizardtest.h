// Helpers of the wizard tests: reading message boxes, clicking check and radio boxes,
// pressing keys, and watching for dialogs that must not appear.
#ifndef NX_WIZARDTEST_H
#define NX_WIZARDTEST_H

#include <windows.h>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

// What a user sees of a message box.
struct BoxView {
    std::string caption;
    std::string text;
    bool ok = false, cancel = false;   // visible buttons
    HICON icon = NULL;
    HWND owner = NULL;
    bool topmost = false;
};
BoxView ReadBox(HWND box);

// The icons the message box would show for MB_ICONSTOP and MB_ICONINFORMATION.
HICON StopIcon();
HICON InformationIcon();

// Clicks a check box, radio button or push button on the control itself (posted
// BM_CLICK), as a user would: only when it is visible and enabled. 1 when clicked.
int TickButton(HWND dialog, int id);

// Posts a key press to the control that has the focus in the dialog's thread.
void PressKey(HWND dialog, UINT key);

// Sets an edit field's text as if the user had typed it.
void TypeText(HWND dialog, int id, const char *text);

// Waits until predicate() holds; false after timeoutMs.
template <typename F> bool WaitUntil(F predicate, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

// Closes (with Cancel, else OK) and records every dialog of this process that shows up
// while the object lives; for calls that must show nothing.
class DialogWatch {
public:
    DialogWatch();
    ~DialogWatch();
    std::vector<std::string> Stop();
private:
    std::atomic<bool> stop_;
    std::vector<std::string> seen_;
    std::thread thread_;
};

// Top-level windows of the given class in this prefix's desktop (any process).
std::vector<HWND> WindowsOfClass(const char *className);

// A plain visible top-level window to own dialogs in a test, destroyed with the object.
class OwnerWindow {
public:
    OwnerWindow();
    ~OwnerWindow();
    HWND Handle() const { return window_; }
private:
    HWND window_;
};

#endif
