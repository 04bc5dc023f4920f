// Updating and removing an installation with the real program, from the welcome page.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include <iostream>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define CUSTOM_DEST "C:\\FTP Tools\\NEXFER"
#define WELCOME "NEXFER Pro Installation"
#define RUNONCE "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"

static bool Contains(const std::vector<std::string> &list, const std::string &item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

// The restart work may start its commands without waiting for them.
static bool WaitUntilGone(const char *path)
{
    for (int i = 0; i < 100 && FileExists(path); i++)
        Sleep(100);
    return !FileExists(path);
}

static void InstallQuietly(const char *variant)
{
    SetupRun run = RunSetupVariant(variant, 120000);
    ASSERT_TRUE(run.ended);
    // The explorer interface registered itself: a restart is due, and not allowed.
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    ASSERT_EQ("12", WinIni("INSTOPTS"));
}

// Chooses the uninstall on the welcome page.
static void StartRemoval(SetupProcess &setup)
{
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    ASSERT_TRUE(IsControlEnabled(welcome, 1852));
    EXPECT_EQ("&Uninstall NEXFER Pro", ControlText(welcome, 1852));
    Click(welcome, 1852);
    ASSERT_TRUE(ClickAndWait(welcome, IDOK));
}

// Answers the INI question and returns the closing notice's text after OK.
static std::string AnswerAndFinish(SetupProcess &setup, int answer, const char *caption = "Remove", int button = IDOK,
                                   DWORD exitCode = ERROR_SUCCESS)
{
    HWND question = setup.WaitForDialog(WELCOME, MESSAGE_TEXT_ID);
    EXPECT_TRUE(question != NULL);
    if (!question)
        return "";
    EXPECT_NE(std::string::npos, MessageBoxText(question).find("Do you want to delete these?"));
    EXPECT_TRUE(ClickAndWait(question, answer));
    HWND notice = setup.WaitForDialog(caption, MESSAGE_TEXT_ID);
    EXPECT_TRUE(notice != NULL);
    if (!notice)
        return "";
    std::string text = MessageBoxText(notice);
    EXPECT_TRUE(ClickAndWait(notice, button));
    EXPECT_EQ(exitCode, setup.WaitForExit());
    return text;
}

TEST(Removal, EverythingGoes)
{
    InstallQuietly("setup_quiet_default");
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(StartRemoval(setup));
    EXPECT_EQ("Removal process complete.\nAll files removed.", AnswerAndFinish(setup, IDYES));
    EXPECT_FALSE(FileExists(DEST));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, BASE_SERVER_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    char section[64];
    EXPECT_EQ(0u, GetProfileSectionA("NEXFER", section, sizeof(section)));

    // A second run finds no installation to remove.
    SetupProcess again("setup_interactive");
    HWND welcome = again.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    EXPECT_FALSE(IsControlEnabled(welcome, 1852));
    ASSERT_TRUE(ClickAndWait(welcome, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, again.WaitForExit());
}

TEST(Removal, NoKeepsTheSitesAndNamesTheFolder)
{
    InstallQuietly("setup_quiet_default");
    WriteFileText(DEST "\\session.log", "work file");
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(StartRemoval(setup));
    EXPECT_EQ("Removal process complete.\nCheck the folder " DEST " for excess files\n"
              "that caused the removal process to not cleanup entirely.",
              AnswerAndFinish(setup, IDNO));
    std::vector<std::string> left = FolderFiles(DEST);
    std::vector<std::string> expected = { "NEXFER.ini", "sites1.ini", "sites2.ini", "sites3.ini", "sites4.ini",
                                          "sites5.ini", "sites6.ini", "sites7.ini", "sites8.ini" };
    EXPECT_EQ(expected, left);
    EXPECT_EQ("<missing>", WinIni("DIR"));
}

TEST(Removal, ADllInUseIsScheduledWithTheFolder)
{
    InstallQuietly("setup_quiet_default");
    FileHolder holder(DEST "\\nxfsyncl.dll", "load");
    ASSERT_TRUE(holder.Holding());
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(StartRemoval(setup));
    std::string notice = AnswerAndFinish(setup, IDYES, "Congratulations!", IDCANCEL, ERROR_SUCCESS_REBOOT_REQUIRED);
    EXPECT_EQ(0u, notice.find("Uninstall successful!\n\nUninstall now needs to restart your computer"));
    EXPECT_EQ(std::vector<std::string>{ "nxfsyncl.del" }, FolderFiles(DEST));

    char shortDel[MAX_PATH], shortDir[MAX_PATH];
    GetShortPathNameA(DEST "\\nxfsyncl.del", shortDel, MAX_PATH);
    GetShortPathNameA(DEST, shortDir, MAX_PATH);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    std::string shell = std::string("\"") + system + "\\cmd.exe\" /d /v:off /c ";
    EXPECT_EQ(shell + "del \"" + shortDel + "\"", RegString(HKEY_LOCAL_MACHINE, RUNONCE, "Quorvane0"));
    EXPECT_EQ(shell + "rmdir \"" + shortDir + "\"", RegString(HKEY_LOCAL_MACHINE, RUNONCE, "Quorvane1"));

    // The next start of Windows deletes the file once the program let go. Windows runs
    // the commands in the order they were written; Wine runs the newest first, so
    // there the folder's rmdir comes too early and the empty folder stays.
    holder.Release();
    EXPECT_EQ(0u, RunProgram("wineboot.exe -r", 60000));
    EXPECT_TRUE(WaitUntilGone(DEST "\\nxfsyncl.del"));
    EXPECT_TRUE(FolderFiles(DEST).empty());
    EXPECT_EQ(0u, RunOnceValueCount("RunOnce"));
}

TEST(Removal, ARecordWithoutItsFolderIsRefused)
{
    // The welcome page offers the removal on DEFDIR and INSTOPTS; the removal itself
    // needs DIR, which is missing here.
    WriteProfileStringA("NEXFER", "DEFDIR", DEST);
    WriteProfileStringA("NEXFER", "INSTOPTS", "12");
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(StartRemoval(setup));
    HWND notice = setup.WaitForDialog("Remove", MESSAGE_TEXT_ID);
    ASSERT_TRUE(notice != NULL);
    EXPECT_EQ("Insufficient information available to\nremove this application.", MessageBoxText(notice));
    ASSERT_TRUE(ClickAndWait(notice, IDOK));
    EXPECT_EQ((DWORD)ERROR_UNKNOWN_PRODUCT, setup.WaitForExit());
    EXPECT_EQ(DEST, WinIni("DEFDIR"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
}

TEST(Removal, EmptyGroupKeyLeavesTheIcons)
{
    InstallQuietly("setup_quiet_default");
    WriteProfileStringA("NEXFER", "GROUP", "");
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    ASSERT_FALSE(items.empty());
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(StartRemoval(setup));
    AnswerAndFinish(setup, IDYES);
    EXPECT_EQ(items, GroupItems("NEXFER Pro"));
    EXPECT_FALSE(FileExists(DEST "\\nxf95pro.exe"));
}

TEST(Update, KeepsTheUsersSitesAndIconPlace)
{
    InstallQuietly("setup_quiet_custom");
    WritePrivateProfileStringA("My Own Sites", "FILENAME", "C:\\mine.ini", CUSTOM_DEST "\\NEXFER.ini");
    SetupProcess setup("setup_interactive");
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    EXPECT_TRUE(IsChecked(welcome, 1851));
    ASSERT_TRUE(ClickAndWait(welcome, IDOK));
    HWND destination = setup.WaitForDialog("NEXFER Pro Installation: Destination Folder");
    ASSERT_TRUE(destination != NULL);
    EXPECT_EQ(CUSTOM_DEST, ControlText(destination, 954));
    ASSERT_TRUE(ClickAndWait(destination, IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Interface Selection"), IDOK));
    // The earlier placement in My Computer is kept: no icon placement page, no INI question.
    HWND finish = setup.WaitForDialog("Congratulations!");
    ASSERT_TRUE(finish != NULL);
    ASSERT_TRUE(ClickAndWait(finish, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_NE(std::string::npos, ReadFileText(CUSTOM_DEST "\\NEXFER.ini").find("[My Own Sites]"));
    EXPECT_FALSE(FileExists(CUSTOM_DEST "\\original.ini"));
}

TEST(Update, SetsTheUsersSitesAsideOnRequest)
{
    InstallQuietly("setup_quiet_custom");
    DeleteFileA(CUSTOM_DEST "\\sites1.ini");
    WritePrivateProfileStringA("My Own Sites", "FILENAME", "C:\\mine.ini", CUSTOM_DEST "\\NEXFER.ini");
    SetupProcess setup("setup_interactive");
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(WELCOME, 1851), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Destination Folder"), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Interface Selection"), IDOK));
    HWND question = setup.WaitForDialog("NEXFER Sites");
    ASSERT_TRUE(question != NULL);
    EXPECT_EQ(0u, MessageBoxText(question).find("Do you wish to install additional FTP sites?"));
    ASSERT_TRUE(ClickAndWait(question, IDYES));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("Congratulations!"), IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit());
    std::string original = ReadFileText(CUSTOM_DEST "\\original.ini");
    EXPECT_NE(std::string::npos, original.find("[My Own Sites]"));
    EXPECT_EQ(std::string::npos, original.find("[MySites]"));
    std::string fresh = ReadFileText(CUSTOM_DEST "\\NEXFER.ini");
    EXPECT_EQ(std::string::npos, fresh.find("[My Own Sites]"));
    EXPECT_NE(std::string::npos, fresh.find("FILENAME=" CUSTOM_DEST "\\original.ini"));
    EXPECT_TRUE(FileExists(CUSTOM_DEST "\\sites1.ini"));
}

TEST(Update, AProgramFileInUseIsReplacedAtTheNextStart)
{
    // On Windows 95 and 98 the new file waits beside the old one and a command copies
    // it over at the next start of Windows.
    InstallQuietly("setup_quiet_default");
    std::string fresh = ReadFileText(DEST "\\nxfpro32.dll");
    CopyFileA(DEST "\\nsnxfch.dll", DEST "\\nxfpro32.dll", FALSE);
    std::string old = ReadFileText(DEST "\\nxfpro32.dll");
    ASSERT_NE(fresh, old);
    FileHolder holder(DEST "\\nxfpro32.dll", "load");
    ASSERT_TRUE(holder.Holding());
    {
        SetupProcess setup("setup_quiet_default", true);
        ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit(120000));
    }
    EXPECT_EQ(old, ReadFileText(DEST "\\nxfpro32.dll"));
    EXPECT_EQ(fresh, ReadFileText(DEST "\\nxfpro32.new"));
    char shortNew[MAX_PATH], shortDll[MAX_PATH];
    GetShortPathNameA(DEST "\\nxfpro32.new", shortNew, MAX_PATH);
    GetShortPathNameA(DEST "\\nxfpro32.dll", shortDll, MAX_PATH);
    EXPECT_EQ(std::string("command.com /c copy ") + shortNew + " " + shortDll,
              RegString(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion\\RunServicesOnce",
                        "Quorvane0"));

    holder.Release();
    EXPECT_EQ(0u, RunProgram("wineboot.exe -r", 60000));
    for (int i = 0; i < 100 && ReadFileText(DEST "\\nxfpro32.dll") != fresh; i++)
        Sleep(100);
    EXPECT_EQ(fresh, ReadFileText(DEST "\\nxfpro32.dll"));
    EXPECT_EQ(0u, RunOnceValueCount("RunServicesOnce"));
}

// Runs the quiet default variant as an update that ends with code; its log lines.
static std::vector<std::string> UpdateQuietly(DWORD code)
{
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    EXPECT_TRUE(run.ended) << "the update did not end by itself";
    EXPECT_EQ(code, run.exitCode);
    return ReadLines(TempFolder() + "setup.log");
}

static bool HasLineStartingWith(const std::vector<std::string> &log, const std::string &start)
{
    return std::any_of(log.begin(), log.end(), [&](const std::string &line) { return line.rfind(start, 0) == 0; });
}

static bool CanOpenForWriting(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

#define HELP_FILE DEST "\\nxfpro32.hlp"
#define OLDER_VERSION "980101"

TEST(Update, AReadOnlyHelpFile)
{
    InstallQuietly("setup_quiet_default");
    std::string fresh = ReadFileText(HELP_FILE);
    ASSERT_FALSE(fresh.empty());
    // An older version's help file, marked read-only, and its record.
    WriteFileText(HELP_FILE, "old help");
    ASSERT_TRUE(SetFileAttributesA(HELP_FILE, FILE_ATTRIBUTE_READONLY));
    WriteProfileStringA("NEXFER", "PRO", OLDER_VERSION);

    // Windows keeps a read-only file, whoever asks: the copy fails, and so does the update.
    std::vector<std::string> log = UpdateQuietly(ERROR_INSTALL_FAILURE);
    EXPECT_TRUE(HasLineStartingWith(log, "Copy of nxfpro32.hlp to " DEST " failed. (5)"));
    EXPECT_TRUE(Contains(log, "Some portion of installation process failed."));
    EXPECT_EQ("old help", ReadFileText(HELP_FILE));
    EXPECT_NE(0u, GetFileAttributesA(HELP_FILE) & FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(FileExists(DEST "\\~nxnew.tmp"));
    EXPECT_EQ(OLDER_VERSION, WinIni("PRO"));
    SetFileAttributesA(HELP_FILE, FILE_ATTRIBUTE_NORMAL);
}

// One file of the prefix behind a read-only bind mount: every write to it fails (5),
// whoever asks, while the rest of its folder stays writable.
class WriteProtectedFile {
public:
    explicit WriteProtectedFile(const char *path) : host_(HostPathOnC(path))
    {
        if (host_.empty())
            return;
        RunHostShell("mount --bind -o ro '" + host_ + "' '" + host_ + "'");
        mounted_ = !CanOpenForWriting(path) && FileExists(path);
        if (!mounted_)
            RunHostShell("umount '" + host_ + "'");
    }
    ~WriteProtectedFile()
    {
        if (mounted_)
            RunHostShell("umount '" + host_ + "'");
    }
    bool Ready() const { return mounted_; }
private:
    std::string host_;
    bool mounted_ = false;
};

TEST(Update, AProductFileTheSystemRefusesToWrite)
{
    InstallQuietly("setup_quiet_default");
    WriteFileText(HELP_FILE, "old help");
    WriteProfileStringA("NEXFER", "PRO", OLDER_VERSION);
    std::vector<std::string> log;
    {
        WriteProtectedFile protect(HELP_FILE);
        if (!protect.Ready())
            GTEST_SKIP() << "no read-only bind mount could be made here (needs root and mount)";
        log = UpdateQuietly(ERROR_INSTALL_FAILURE);
        EXPECT_EQ("old help", ReadFileText(HELP_FILE));
    }
    EXPECT_TRUE(Contains(log, "Copy of nxfpro32.hlp to " DEST " failed. (5)"));
    EXPECT_TRUE(Contains(log, "Some portion of installation process failed."));
    EXPECT_TRUE(Contains(log, "Failed to install required file nxfpro32.hlp."));
    // The earlier installation's record stays as it was; nothing claims the new version.
    EXPECT_EQ(OLDER_VERSION, WinIni("PRO"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_TRUE(FileExists(DEST "\\nxf95pro.exe"));
}

TEST(Removal, ARecordNamingTheWindowsFolderTakesOnlyProductFiles)
{
    // The record as an installation writes it (the welcome page looks at DEFDIR).
    WriteProfileStringA("NEXFER", "DIR", "C:\\windows");
    WriteProfileStringA("NEXFER", "DEFDIR", "C:\\windows");
    WriteProfileStringA("NEXFER", "INSTOPTS", "12");
    WriteProfileStringA("NEXFER", "GROUP", "NEXFER Pro");
    const char *userFiles[] = { "C:\\windows\\user.ini", "C:\\windows\\user.log", "C:\\windows\\notes.bak",
                                "C:\\windows\\NEXFER.ini" };
    for (const char *path : userFiles)
        WriteFileText(path, "the user's own");
    std::string sample = VariantPath("x");
    sample = sample.substr(0, sample.rfind('\\')) + "\\..\\..\\sample-product\\nxf95pro.exe";
    ASSERT_TRUE(CopyFileA(sample.c_str(), "C:\\windows\\nxf95pro.exe", FALSE)) << sample;

    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(StartRemoval(setup));
    // The work-file question would offer to delete every INI file of the folder.
    HWND notice = NULL;
    for (DWORD start = GetTickCount(); !notice && GetTickCount() - start < 30000; Sleep(20)) {
        HWND question = setup.WaitForDialog(WELCOME, MESSAGE_TEXT_ID, 0);
        if (question && MessageBoxText(question).find("Do you want to delete these?") != std::string::npos) {
            ADD_FAILURE() << "the INI question was asked for C:\\windows";
            ClickAndWait(question, IDNO);
        }
        notice = setup.WaitForDialog("Remove", MESSAGE_TEXT_ID, 0);
    }
    ASSERT_TRUE(notice != NULL) << "no closing notice";
    EXPECT_EQ(0u, MessageBoxText(notice).find("Removal process complete.\nCheck the folder C:\\windows for excess files"))
        << MessageBoxText(notice);
    ASSERT_TRUE(ClickAndWait(notice, IDOK));
    EXPECT_EQ(0u, setup.WaitForExit());

    for (const char *path : { "C:\\windows\\win.ini", "C:\\windows\\system.ini", userFiles[0], userFiles[1],
                              userFiles[2] })
        EXPECT_TRUE(FileExists(path)) << path;
    EXPECT_FALSE(FileExists("C:\\windows\\nxf95pro.exe"));
    EXPECT_TRUE(FileExists("C:\\windows\\system32\\kernel32.dll"));
    char section[64];
    EXPECT_EQ(0u, GetProfileSectionA("NEXFER", section, sizeof(section)));
}
