// Helpers of the wizard tests: what a message box shows, other programs' windows, and an
// owner window. Finding, reading and clicking dialogs: harness/testutil.h.
#ifndef NX_WIZARDTEST_H
#define NX_WIZARDTEST_H

#include <windows.h>
#include <string>
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
