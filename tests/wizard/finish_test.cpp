// Finish notices of installation and removal, and the restart request.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "session/session.h"
#include "wizard/finish.h"
#include "wizard/wizardtest.h"

static const char kRestartInstall[] =
    "Installation successful!\n\nInstall now needs to restart your computer to complete changes to "
    "your system files.\nSelect \"OK\" to restart now, or cancel to restart your system yourself.";
static const char kRestartRemove[] =
    "Uninstall successful!\n\nUninstall now needs to restart your computer to complete changes to "
    "your system files.\nSelect \"OK\" to restart now, or cancel to restart your system yourself.";

enum IconKind { NO_ICON, STOP, INFORMATION };

struct NoticeCase {
    int notice;
    const char *detail;
    int needRebootBefore;
    int answer;                  // button pressed
    const char *caption, *text;
    int withCancel, systemModal;
    IconKind icon;
    int needRebootAfter;
};

TEST(FinishNotice, InteractiveNotices)
{
    const NoticeCase cases[] = {
        { NOTICE_INSTALL_FAILED, "", 1, IDOK, "Error", "Some portion of installation process failed.",
          0, 0, NO_ICON, 0 },
        { NOTICE_INSTALL_FAILED, "nxfpro32.dll", 0, IDOK, "Error",
          "Some portion of installation process failed.\r\nnxfpro32.dll", 0, 0, NO_ICON, 0 },
        { NOTICE_INSTALL_DONE, nullptr, 0, IDOK, "Congratulations!", "Installation successful!\nHappy FTP'ing!",
          0, 0, NO_ICON, 0 },
        { NOTICE_INSTALL_DONE, nullptr, 1, IDOK, "Congratulations!", kRestartInstall, 1, 1, NO_ICON, 1 },
        { NOTICE_INSTALL_DONE, nullptr, 1, IDCANCEL, "Congratulations!", kRestartInstall, 1, 1, NO_ICON, 0 },
        { NOTICE_REMOVE_NORECORD, nullptr, 0, IDOK, "Remove",
          "Insufficient information available to\nremove this application.", 0, 0, INFORMATION, 0 },
        { NOTICE_REMOVE_DONE, nullptr, 0, IDOK, "Remove", "Removal process complete.\nAll files removed.",
          0, 0, INFORMATION, 0 },
        { NOTICE_REMOVE_LEFTOVER, "C:\\Apps\\NX %s", 0, IDOK, "Remove",
          "Removal process complete.\nCheck the folder C:\\Apps\\NX %s for excess files\nthat caused the "
          "removal process to not cleanup entirely.", 0, 0, INFORMATION, 0 },
        { NOTICE_REMOVE_RESTART, nullptr, 1, IDOK, "Congratulations!", kRestartRemove, 1, 1, NO_ICON, 1 },
        { NOTICE_REMOVE_RESTART, nullptr, 1, IDCANCEL, "Congratulations!", kRestartRemove, 1, 1, NO_ICON, 0 },
    };
    OwnerWindow owner;
    for (const NoticeCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "notice " << c.notice << " reboot " << c.needRebootBefore
                                        << " answer " << c.answer);
        g_bNeedReboot = c.needRebootBefore;
        UiDriver driver([&] {
            HWND box = WaitForDialog(c.caption);
            ASSERT_TRUE(box != NULL);
            BoxView view = ReadBox(box);
            EXPECT_EQ(c.text, view.text);
            EXPECT_TRUE(view.ok);
            EXPECT_EQ(c.withCancel, view.cancel);
            EXPECT_EQ(c.systemModal, view.topmost);
            EXPECT_EQ(c.icon == STOP ? StopIcon() : c.icon == INFORMATION ? InformationIcon() : NULL, view.icon);
            EXPECT_EQ(owner.Handle(), view.owner);
            EXPECT_EQ(1, Click(box, c.answer));
        });
        ShowFinishNotice(owner.Handle(), c.notice, c.detail);
        driver.Finish();
        EXPECT_EQ(c.needRebootAfter, g_bNeedReboot);
    }
}

struct QuietCase {
    int notice, allowReboot, needRebootBefore, needRebootAfter;
};

TEST(FinishNotice, QuietRunShowsNothingAndAllowRebootDecides)
{
    const QuietCase cases[] = {
        { NOTICE_INSTALL_DONE, 0, 1, 0 },
        { NOTICE_INSTALL_DONE, 1, 1, 1 },
        { NOTICE_INSTALL_DONE, 1, 0, 0 },
        { NOTICE_INSTALL_FAILED, 1, 1, 0 },
        { NOTICE_REMOVE_RESTART, 0, 1, 0 },
        { NOTICE_REMOVE_RESTART, 1, 1, 1 },
        { NOTICE_REMOVE_DONE, 0, 0, 0 },
        { NOTICE_REMOVE_LEFTOVER, 0, 0, 0 },
        { NOTICE_REMOVE_NORECORD, 0, 0, 0 },
    };
    for (const QuietCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "notice " << c.notice << " allow " << c.allowReboot
                                        << " reboot " << c.needRebootBefore);
        g_bSilent = 1;
        g_bAllowReboot = c.allowReboot;
        g_bNeedReboot = c.needRebootBefore;
        std::vector<std::string> shown;
        UiDriver watch(NULL, [&shown](HWND dialog, int) {
            shown.push_back(WindowText(dialog));
            if (!Click(dialog, IDCANCEL))
                Click(dialog, IDOK);
        });
        ShowFinishNotice(NULL, c.notice, "C:\\NX");
        watch.Finish();
        EXPECT_TRUE(shown.empty());
        EXPECT_EQ(c.needRebootAfter, g_bNeedReboot);
    }
}

// Whether the shutdown privilege is enabled in this process's token.
static int ShutdownPrivilegeEnabled()
{
    HANDLE token;
    BYTE buffer[4096];
    DWORD size = 0;
    LUID shutdown;
    int enabled = 0;

    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return -1;
    LookupPrivilegeValueA(NULL, "SeShutdownPrivilege", &shutdown);
    if (GetTokenInformation(token, TokenPrivileges, buffer, sizeof(buffer), &size)) {
        TOKEN_PRIVILEGES *list = (TOKEN_PRIVILEGES *)buffer;
        for (DWORD i = 0; i < list->PrivilegeCount; i++) {
            const LUID_AND_ATTRIBUTES &p = list->Privileges[i];
            if (p.Luid.LowPart == shutdown.LowPart && p.Luid.HighPart == shutdown.HighPart)
                enabled = (p.Attributes & SE_PRIVILEGE_ENABLED) != 0;
        }
    }
    CloseHandle(token);
    return enabled;
}

// Each case runs in a process of its own, so the token starts as Wine made it.
TEST(Restart, OnNtTheShutdownPrivilegeIsEnabledFirst)
{
    ASSERT_EQ(0, ShutdownPrivilegeEnabled()) << "the token already has the privilege enabled";
    SetRestartDryRun(1);
    g_bIsNT = 1;
    int before = RestartRequestCount();
    RestartWindows();
    EXPECT_EQ(before + 1, RestartRequestCount());
    EXPECT_EQ(1, ShutdownPrivilegeEnabled());
}

TEST(Restart, OnWindows95NoPrivilegeIsTouched)
{
    ASSERT_EQ(0, ShutdownPrivilegeEnabled());
    SetRestartDryRun(1);
    g_bIsNT = 0;
    int before = RestartRequestCount();
    RestartWindows();
    RestartWindows();
    EXPECT_EQ(before + 2, RestartRequestCount());
    EXPECT_EQ(0, ShutdownPrivilegeEnabled());
}
