// The copy progress dialog: Cancel in all its forms, the removal form, the status line.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "resource.h"
#include "session/session.h"
#include "session/startup.h"
#include "wizard/progress.h"
#include "wizard/wizardtest.h"

class CopyProgress : public testing::Test {
protected:
    void TearDown() override
    {
        if (IsWindow(dialog_))
            DestroyWindow(dialog_);
        g_hwndModeless = NULL;
    }
    // Drains the queue as the drivers do between files.
    static void Pump()
    {
        for (int i = 0; i < 5; i++) {
            PumpMessages();
            Sleep(10);
        }
    }
    OwnerWindow owner_;
    HWND dialog_ = NULL;
};

TEST_F(CopyProgress, InstallFormCentredWithCancel)
{
    dialog_ = CreateCopyProgressDialog(owner_.Handle(), 0);
    ASSERT_TRUE(dialog_ != NULL);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ("NEXFER Pro Installation", WindowText(dialog_));
    EXPECT_EQ(owner_.Handle(), GetWindow(dialog_, GW_OWNER));
    EXPECT_EQ("", ControlText(dialog_, IDC_STATUS_TEXT));
    EXPECT_TRUE(IsControlVisible(dialog_, IDCANCEL));
    EXPECT_TRUE(IsControlEnabled(dialog_, IDCANCEL));
    EXPECT_EQ("Cancel", ControlText(dialog_, IDCANCEL));
    RECT own, desktop;
    GetWindowRect(dialog_, &own);
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_EQ(desktop.right / 2 - (own.right - own.left) / 2, own.left);
    EXPECT_EQ(desktop.bottom / 2 - (own.bottom - own.top) / 2, own.top);
}

TEST_F(CopyProgress, CancelEscapeAndCloseBoxSetTheFlagAndTheDialogStays)
{
    dialog_ = CreateCopyProgressDialog(owner_.Handle(), 0);
    ASSERT_TRUE(dialog_ != NULL);
    g_hwndModeless = dialog_;
    for (int way = 0; way < 3; way++) {
        SCOPED_TRACE(way);
        g_bCancel = 0;
        if (way == 0)
            ASSERT_EQ(1, Click(dialog_, IDCANCEL));
        else if (way == 1)
            PressKey(dialog_, VK_ESCAPE);
        else
            PostMessageA(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0);
        Pump();
        EXPECT_EQ(1, g_bCancel);
        EXPECT_TRUE(IsWindow(dialog_));
        EXPECT_TRUE(IsWindowVisible(dialog_));
    }
}

TEST_F(CopyProgress, RemovalFormHasNoCancel)
{
    dialog_ = CreateCopyProgressDialog(owner_.Handle(), 1);
    ASSERT_TRUE(dialog_ != NULL);
    EXPECT_EQ("Removal process", WindowText(dialog_));
    EXPECT_FALSE(IsControlVisible(dialog_, IDCANCEL));
    EXPECT_FALSE(IsControlEnabled(dialog_, IDCANCEL));
    EXPECT_EQ(0, Click(dialog_, IDCANCEL));
}

TEST_F(CopyProgress, StatusTextIsPaintedAtOnce)
{
    dialog_ = CreateCopyProgressDialog(owner_.Handle(), 0);
    ASSERT_TRUE(dialog_ != NULL);
    HWND status = GetDlgItem(dialog_, IDC_STATUS_TEXT);
    Pump();
    // A line waiting to be painted (uncovered, say) stays so after a plain text change...
    InvalidateRect(status, NULL, TRUE);
    SetWindowTextA(status, "plain");
    ASSERT_TRUE(GetUpdateRect(status, NULL, FALSE));
    Pump();
    // ...but is painted before SetStatusText returns, without a message loop.
    InvalidateRect(status, NULL, TRUE);
    SetStatusText(status, "Copying nxfpro32.dll to C:\\NX\\nxfpro32.dll");
    EXPECT_FALSE(GetUpdateRect(status, NULL, FALSE));
    EXPECT_EQ("Copying nxfpro32.dll to C:\\NX\\nxfpro32.dll", WindowText(status));
}

// A screen reader hears each new status line: the program raises the name change itself.
static HWND s_renamed;
static void CALLBACK NoteRename(HWINEVENTHOOK, DWORD, HWND window, LONG object, LONG child, DWORD, DWORD)
{
    if (object == OBJID_CLIENT && child == CHILDID_SELF)
        s_renamed = window;
}

TEST_F(CopyProgress, StatusChangeIsAnnounced)
{
    dialog_ = CreateCopyProgressDialog(owner_.Handle(), 0);
    ASSERT_TRUE(dialog_ != NULL);
    HWND status = GetDlgItem(dialog_, IDC_STATUS_TEXT);
    HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE, NULL, NoteRename,
                                         GetCurrentProcessId(), 0, WINEVENT_OUTOFCONTEXT);
    ASSERT_TRUE(hook != NULL);
    s_renamed = NULL;
    SetStatusText(status, "Deleting files");
    Pump();
    UnhookWinEvent(hook);
    EXPECT_EQ(status, s_renamed);
}
