// Interactive installations of the real program, worked page by page from beside it as
// a user would: find each page by caption, read it, set controls and click.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define WELCOME "NEXFER Pro Installation"
#define DESTINATION "NEXFER Pro Installation: Destination Folder"
#define INTERFACES "NEXFER Pro Installation: Interface Selection"
#define ICON_PLACEMENT "NEXFER Pro Installation: Icon Placement"

static const char kRestartQuestion[] =
    "Installation successful!\n\nInstall now needs to restart your computer to complete changes to your "
    "system files.\nSelect \"OK\" to restart now, or cancel to restart your system yourself.";

static bool Contains(const std::vector<std::string> &list, const char *item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Welcome, destination as proposed, interfaces as set by adjust(), then returns.
template <typename Adjust>
static void WorkToTheCopy(SetupProcess &setup, Adjust adjust)
{
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    ASSERT_TRUE(ClickAndWait(welcome, IDOK));
    HWND destination = setup.WaitForDialog(DESTINATION);
    ASSERT_TRUE(destination != NULL);
    ASSERT_TRUE(ClickAndWait(destination, IDOK));
    HWND interfaces = setup.WaitForDialog(INTERFACES);
    ASSERT_TRUE(interfaces != NULL);
    adjust(interfaces);
    ASSERT_TRUE(ClickAndWait(interfaces, IDOK));
}

TEST(Interactive, EveryPageToTheFinishNotice)
{
    SetupProcess setup("setup_interactive");
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    EXPECT_EQ("&Install or update NEXFER Pro", ControlText(welcome, 1851));
    EXPECT_TRUE(IsChecked(welcome, 1851));
    EXPECT_FALSE(IsControlEnabled(welcome, 1852));
    ASSERT_TRUE(ClickAndWait(welcome, IDOK));

    HWND destination = setup.WaitForDialog(DESTINATION);
    ASSERT_TRUE(destination != NULL);
    EXPECT_EQ("Please enter the destination folder:", ControlText(destination, 3010));
    EXPECT_EQ(DEST, ControlText(destination, 954));
    ASSERT_TRUE(ClickAndWait(destination, IDOK));

    HWND interfaces = setup.WaitForDialog(INTERFACES);
    ASSERT_TRUE(interfaces != NULL);
    EXPECT_TRUE(IsChecked(interfaces, 1880));
    EXPECT_TRUE(IsChecked(interfaces, 2417));
    EXPECT_TRUE(IsChecked(interfaces, 2418));
    ASSERT_TRUE(ClickAndWait(interfaces, IDOK));

    // No namespace entry yet: the icon placement page asks; choose My Computer.
    HWND placement = setup.WaitForDialog(ICON_PLACEMENT);
    ASSERT_TRUE(placement != NULL);
    EXPECT_TRUE(IsChecked(placement, 1851));
    Click(placement, 1852);
    ASSERT_TRUE(ClickAndWait(placement, IDOK));

    // The explorer interface registered itself, so the notice asks for a restart.
    HWND finish = setup.WaitForDialog("Congratulations!");
    ASSERT_TRUE(finish != NULL);
    EXPECT_EQ(kRestartQuestion, MessageBoxText(finish));
    ASSERT_TRUE(ClickAndWait(finish, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit());

    EXPECT_TRUE(FileExists(DEST "\\nxf95pro.exe"));
    EXPECT_TRUE(FileExists(DEST "\\nxfscrpt.exe"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT)));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_ICONLINK_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_EQ(DEST, WinIni("DEFDIR"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_TRUE(Contains(GroupItems("NEXFER Pro"), "NEXFER Pro Help"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST(Interactive, CancelOnTheWelcomePage)
{
    SetupProcess setup("setup_interactive");
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    ASSERT_TRUE(ClickAndWait(welcome, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit());
    EXPECT_FALSE(FileExists(DEST));
    EXPECT_EQ("<missing>", WinIni("DIR"));
}

TEST(Interactive, CancelOnTheDestinationPage)
{
    SetupProcess setup("setup_interactive");
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(WELCOME, 1851), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(DESTINATION), IDCANCEL));
    HWND box = setup.WaitForDialog(WELCOME, MESSAGE_TEXT_ID);
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ("Can't continue without a destination folder!", MessageBoxText(box));
    ASSERT_TRUE(ClickAndWait(box, IDOK));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit());
    EXPECT_FALSE(FileExists(DEST));
}

TEST(Interactive, CancelOnTheInterfacePage)
{
    SetupProcess setup("setup_interactive");
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(WELCOME, 1851), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(DESTINATION), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(INTERFACES), IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit());
    // The folder made by the destination step goes again, empty; nothing is recorded.
    EXPECT_FALSE(FileExists(DEST));
    EXPECT_TRUE(FileExists("C:\\Program Files"));
    EXPECT_EQ("<missing>", WinIni("DIR"));
}

TEST(Interactive, ExplorerOnlyBringsTheRequiredClassicFiles)
{
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(WorkToTheCopy(setup, [](HWND page) {
        Click(page, 1880);
        Click(page, 2418);
    }));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(ICON_PLACEMENT), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("Congratulations!"), IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit());
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "nxfpro32.hlp", "nxfproex.dll", "NEXFER.ini" })
        EXPECT_TRUE(FileExists(std::string(DEST "\\") + name)) << name;
    EXPECT_FALSE(FileExists(DEST "\\NxfPro32.cnt"));
    EXPECT_FALSE(FileExists(DEST "\\nxfscrpt.exe"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, BASE_SERVER_KEY));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT)));
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    EXPECT_FALSE(Contains(items, "NEXFER Pro"));
    EXPECT_TRUE(Contains(items, "NEXFER Pro Explorer Help"));
}

TEST(Interactive, BonusPackAlone)
{
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(WorkToTheCopy(setup, [](HWND page) {
        Click(page, 1880);
        Click(page, 2417);
    }));
    HWND finish = setup.WaitForDialog("Congratulations!");
    ASSERT_TRUE(finish != NULL);
    EXPECT_EQ("Installation successful!\nHappy FTP'ing!", MessageBoxText(finish));
    ASSERT_TRUE(ClickAndWait(finish, IDOK));
    EXPECT_EQ(0u, setup.WaitForExit());
    EXPECT_TRUE(FileExists(DEST "\\nxfsync.exe"));
    EXPECT_FALSE(FileExists(DEST "\\NEXFER.ini"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
}

TEST(Interactive, CancelOnTheCopyProgressDuringTheBonusPack)
{
    // A bonus program held by another process stops the copy at a prompt; Cancel is
    // pressed on the progress dialog meanwhile, then the file is let go and retried.
    CreateDirectoryA("C:\\Program Files", NULL);
    CreateDirectoryA(DEST, NULL);
    WriteFileText(DEST "\\nxfscrpt.exe", "old");
    FileHolder holder(DEST "\\nxfscrpt.exe", "none");
    ASSERT_TRUE(holder.Holding());
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(WorkToTheCopy(setup, [](HWND) {}));
    HWND prompt = setup.WaitForDialog("Install");
    ASSERT_TRUE(prompt != NULL);
    EXPECT_EQ(0u, MessageBoxText(prompt).find("Copy of nxfscrpt.exe to " DEST " failed. ("));
    HWND progress = setup.WaitForDialog(WELCOME, 954);
    ASSERT_TRUE(progress != NULL);
    ASSERT_TRUE(Click(progress, IDCANCEL));
    holder.Release();
    ASSERT_TRUE(ClickAndWait(prompt, IDRETRY));

    HWND failure = setup.WaitForDialog("Error", MESSAGE_TEXT_ID);
    ASSERT_TRUE(failure != NULL);
    EXPECT_EQ("Some portion of installation process failed.", MessageBoxText(failure));
    ASSERT_TRUE(ClickAndWait(failure, IDOK));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit());
    // Everything this run placed is taken back, the user's earlier copy included, which
    // the Retry had replaced: the folder holds what it held before, and nothing else.
    EXPECT_EQ(std::vector<std::string>{ "nxfscrpt.exe" }, FolderFiles(DEST));
    EXPECT_EQ("old", ReadFileText(DEST "\\nxfscrpt.exe"));
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_EQ("<missing>", WinIni("DEFDIR"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
}

TEST(Interactive, RequiredFileRetriedThenGivenUp)
{
    CreateDirectoryA("C:\\Program Files", NULL);
    CreateDirectoryA(DEST, NULL);
    WriteFileText(DEST "\\nxfpro32.hlp", "old help");
    FileHolder holder(DEST "\\nxfpro32.hlp", "none");
    ASSERT_TRUE(holder.Holding());
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(WorkToTheCopy(setup, [](HWND) {}));
    HWND prompt = setup.WaitForDialog("Install");
    ASSERT_TRUE(prompt != NULL);
    std::string text = MessageBoxText(prompt);
    EXPECT_EQ(0u, text.find("Copy of nxfpro32.hlp to " DEST " failed. ("));
    ASSERT_TRUE(ClickAndWait(prompt, IDRETRY));
    prompt = setup.WaitForDialog("Install");
    ASSERT_TRUE(prompt != NULL);
    EXPECT_EQ(text, MessageBoxText(prompt));
    ASSERT_TRUE(ClickAndWait(prompt, IDCANCEL));

    HWND failure = setup.WaitForDialog("Error", MESSAGE_TEXT_ID);
    ASSERT_TRUE(failure != NULL);
    EXPECT_EQ("Some portion of installation process failed.\r\nFailed to install required file nxfpro32.hlp.",
              MessageBoxText(failure));
    ASSERT_TRUE(ClickAndWait(failure, IDOK));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit());
    holder.Release();
    EXPECT_EQ("old help", ReadFileText(DEST "\\nxfpro32.hlp"));
    // The files placed before the one given up are taken back.
    EXPECT_EQ(std::vector<std::string>{ "nxfpro32.hlp" }, FolderFiles(DEST));
    EXPECT_EQ("<missing>", WinIni("DEFDIR"));
}
