// A failed or cancelled installation leaves the machine as it found it: every file it
// placed taken back, every earlier file back with its bytes; and it asks for room first.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include <map>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/record.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define WELCOME "NEXFER Pro Installation"
#define OLDER_VERSION "980101"

// Every file of folder with its bytes.
static std::map<std::string, std::string> Snapshot(const std::string &folder)
{
    std::map<std::string, std::string> files;
    for (const std::string &name : FolderFiles(folder))
        files[name] = ReadFileText(folder + "\\" + name);
    return files;
}

static std::vector<std::string> Log()
{
    return ReadLines(TempFolder() + "setup.log");
}

// A line near the end (before the failure notice, when the run shows one) counts what
// was taken back, and nothing was left undone.
static void ExpectTakenBack(const std::vector<std::string> &log)
{
    auto at = std::find_if(log.rbegin(), log.rend(), [](const std::string &line) {
        return line.rfind("Rolled back ", 0) == 0;
    });
    ASSERT_TRUE(at != log.rend() && at != log.rbegin()) << "no count of what was taken back";
    EXPECT_EQ(" changes", at->substr(at->size() - 8));
    EXPECT_EQ(0, std::count_if(log.begin(), log.end(), [](const std::string &line) {
                  return line.rfind("Could not take back", 0) == 0;
              }));
}

// The destination holds one file of someone else's under a name the product uses.
static void PlaceSomeonesHelpFile()
{
    CreateDirectoryA("C:\\Program Files", NULL);
    CreateDirectoryA(DEST, NULL);
    WriteFileText(DEST "\\nxfpro32.hlp", "someone's help");
}

// OK on the welcome, destination and interface pages of an interactive run.
static void PassThePages(SetupProcess &setup)
{
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(WELCOME, 1851), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Destination Folder"), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Interface Selection"), IDOK));
}

static void InstallQuietly()
{
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    ASSERT_TRUE(run.ended);
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
}

TEST(TakeBack, AFreshInstallationFailingOnAHeldFile)
{
    PlaceSomeonesHelpFile();
    FileHolder holder(DEST "\\nxfpro32.hlp", "none");
    ASSERT_TRUE(holder.Holding());
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    holder.Release();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, run.exitCode);
    std::map<std::string, std::string> expected = { { "nxfpro32.hlp", "someone's help" } };
    EXPECT_EQ(expected, Snapshot(DEST));
    std::vector<std::string> log = Log();
    ExpectTakenBack(log);
    EXPECT_EQ("Exit code 1603: installation failed", log.back());
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

// An earlier installation whose files stand for an older release: each file's bytes
// differ from what this release carries, and the record names the older release.
static std::map<std::string, std::string> MakeOlderRelease()
{
    for (const std::string &name : FolderFiles(DEST)) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".ini")
            continue;
        WriteFileText(std::string(DEST "\\") + name, "older " + name);
    }
    WriteProfileStringA("NEXFER", "PRO", OLDER_VERSION);
    return Snapshot(DEST);
}

TEST(TakeBack, AFailedUpdateGivesBackTheOlderRelease)
{
    ASSERT_NO_FATAL_FAILURE(InstallQuietly());
    std::map<std::string, std::string> older = MakeOlderRelease();
    std::string uninstall = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString");
    std::string installDate = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallDate");
    FileHolder holder(DEST "\\nxfpro32.hlp", "none");
    ASSERT_TRUE(holder.Holding());
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    holder.Release();
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, run.exitCode);

    // Every earlier file has its bytes, under its name, and nothing else is there.
    std::map<std::string, std::string> after = Snapshot(DEST);
    EXPECT_EQ(older.size(), after.size());
    for (const auto &file : older)
        EXPECT_EQ(file.second, after[file.first]) << file.first;
    ExpectTakenBack(Log());
    EXPECT_EQ(OLDER_VERSION, WinIni("PRO"));
    EXPECT_EQ(uninstall, RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    EXPECT_EQ(installDate, RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallDate"));
}

// A program file another process has loaded is renamed and replaced while the run goes
// on (NT), or its replacement waits for the next start (Windows 95 and 98); a failure
// after it undoes either arrangement, so that nothing acts at the next start.
TEST(TakeBack, ARunWithAProgramFileInUse)
{
    ASSERT_NO_FATAL_FAILURE(InstallQuietly());
    // A DLL of an older release: another of the product's DLLs stands for it.
    ASSERT_TRUE(CopyFileA(DEST "\\nsnxfch.dll", "C:\\older.dll", FALSE));
    for (bool windows9x : { false, true }) {
        SCOPED_TRACE(windows9x ? "Windows 95 family" : "NT family");
        std::map<std::string, std::string> older = MakeOlderRelease();
        ASSERT_TRUE(CopyFileA("C:\\older.dll", DEST "\\nxfpro32.dll", FALSE));
        older["nxfpro32.dll"] = ReadFileText(DEST "\\nxfpro32.dll");
        FileHolder user(DEST "\\nxfpro32.dll", "load");
        FileHolder help(DEST "\\nxfpro32.hlp", "none");
        ASSERT_TRUE(user.Holding() && help.Holding());
        DeleteFileA((TempFolder() + "setup.log").c_str());
        {
            SetupProcess setup("setup_quiet_default", windows9x);
            EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, setup.WaitForExit(120000));
        }
        help.Release();
        EXPECT_EQ(older, Snapshot(DEST));
        ExpectTakenBack(Log());
        EXPECT_EQ(0u, RunOnceValueCount("RunOnce"));
        EXPECT_EQ(0u, RunOnceValueCount("RunServicesOnce"));
        user.Release();
    }
}

TEST(TakeBack, ASuccessfulUpdateKeepsNoEarlierCopy)
{
    ASSERT_NO_FATAL_FAILURE(InstallQuietly());
    std::vector<std::string> names = FolderFiles(DEST);
    MakeOlderRelease();
    ASSERT_NO_FATAL_FAILURE(InstallQuietly());
    EXPECT_EQ(names, FolderFiles(DEST));
    EXPECT_NE("older nxf95pro.exe", ReadFileText(DEST "\\nxf95pro.exe"));
    EXPECT_EQ("990810", WinIni("PRO"));
}

// A tmpfs of 64 KB as drive T: of this prefix, for as long as the object lives.
class SmallDrive {
public:
    SmallDrive()
    {
        const char *prefix = getenv("NX_TEST_PREFIX");
        if (!prefix)
            return;
        folder_ = std::string(prefix) + "/small-drive";
        link_ = std::string(prefix) + "/dosdevices/t:";
        RunHostShell("mkdir -p '" + folder_ + "' && mount -t tmpfs -o size=64k tmpfs '" + folder_ + "' && ln -sfn '" +
                     folder_ + "' '" + link_ + "'");
        ULARGE_INTEGER available, total, free;
        mounted_ = GetDiskFreeSpaceExA("T:\\", &available, &total, &free) && total.QuadPart == 65536;
    }
    ~SmallDrive()
    {
        if (!folder_.empty())
            RunHostShell("rm -f '" + link_ + "'; umount '" + folder_ + "'; rmdir '" + folder_ + "'");
    }
    bool Mounted() const { return mounted_; }
private:
    std::string folder_, link_;
    bool mounted_ = false;
};

TEST(TakeBack, TooLittleRoomIsToldWithBothFiguresAndNothingIsMade)
{
    SmallDrive drive;
    if (!drive.Mounted())
        GTEST_SKIP() << "no tmpfs could be mounted as a drive here (needs root and mount)";
    SetupProcess setup("setup_interactive", false, false, "/dir=T:\\NEXFER");
    ASSERT_NO_FATAL_FAILURE(PassThePages(setup));
    // Retry measures again and asks again; Cancel ends the run.
    std::string first;
    for (int button : { IDRETRY, IDCANCEL }) {
        HWND box = setup.WaitForDialog(WELCOME, MESSAGE_TEXT_ID);
        ASSERT_TRUE(box != NULL);
        std::string text = MessageBoxText(box);
        EXPECT_EQ(0u, text.find("Not enough room on the drive of T:\\NEXFER: the installation needs 0.")) << text;
        EXPECT_NE(std::string::npos, text.find(" MB and 0.1 MB are free.")) << text;
        if (button == IDCANCEL) {
            EXPECT_EQ(first, text);
        }
        first = text;
        ASSERT_TRUE(ClickAndWait(box, button));
    }
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, setup.WaitForExit());
    EXPECT_FALSE(FileExists("T:\\NEXFER"));
    EXPECT_EQ("<missing>", WinIni("DIR"));
}

// A file this run placed is held open by another program when the run is cancelled: that
// step is logged as not taken back, the rest is, and the run ends as a failure.
TEST(TakeBack, AStepThatCannotBeUndoneIsLoggedAndTheRunFails)
{
    PlaceSomeonesHelpFile();
    FileHolder help(DEST "\\nxfpro32.hlp", "none");
    ASSERT_TRUE(help.Holding());
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(PassThePages(setup));
    HWND prompt = setup.WaitForDialog("Install");
    ASSERT_TRUE(prompt != NULL);
    // The program placed before the held file is opened by someone else meanwhile.
    FileHolder program(DEST "\\nxf95pro.exe", "none");
    ASSERT_TRUE(program.Holding());
    ASSERT_TRUE(ClickAndWait(prompt, IDCANCEL));
    HWND failure = setup.WaitForDialog("Error", MESSAGE_TEXT_ID);
    ASSERT_TRUE(failure != NULL);
    ASSERT_TRUE(ClickAndWait(failure, IDOK));
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, setup.WaitForExit());
    program.Release();
    help.Release();

    std::vector<std::string> log = Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ("Exit code 1603: failed, and a change could not be taken back", log.back());
    EXPECT_EQ(0u, log[log.size() - 2].rfind("Rolled back ", 0)) << log[log.size() - 2];
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const std::string &line) {
        return line.rfind("Could not take back " DEST "\\nxf95pro.exe (", 0) == 0;
    }));
    // Only the held program stays of what the run placed.
    EXPECT_EQ((std::vector<std::string>{ "nxf95pro.exe", "nxfpro32.hlp" }), FolderFiles(DEST));
    EXPECT_EQ("someone's help", ReadFileText(DEST "\\nxfpro32.hlp"));
}

// The user's NEXFER.ini is set aside for the sample sites; its kept-aside copy is held
// when Windows ends the session. Asked first, the run says wait; told, it takes back
// what it can, names both files of the one it cannot, and ends there with 1603.
TEST(TakeBack, TheSessionEndsWithAKeptAsideCopyHeld)
{
    const std::string users = "[MySites]\r\nFILENAME=C:\\mine.ini\r\n";
    CreateDirectoryA("C:\\Program Files", NULL);
    CreateDirectoryA(DEST, NULL);
    WriteFileText(DEST "\\NEXFER.ini", users);
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupProcess setup("setup_interactive");
    ASSERT_NO_FATAL_FAILURE(PassThePages(setup));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Sites", MESSAGE_TEXT_ID), IDYES));
    ASSERT_TRUE(setup.WaitForDialog("NEXFER Pro Installation: Icon Placement", 0, 60000) != NULL);
    FileHolder aside(DEST "\\~nxold00.tmp", "none");
    ASSERT_TRUE(aside.Holding());
    HWND main = FindWindowA("NXInstal", NULL);
    DWORD_PTR answer = 1;
    ASSERT_TRUE(SendMessageTimeoutA(main, WM_QUERYENDSESSION, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer));
    EXPECT_EQ(0u, answer) << "the run did not ask Windows to wait";
    SendMessageTimeoutA(main, WM_ENDSESSION, TRUE, 0, SMTO_ABORTIFHUNG, 5000, &answer);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, setup.WaitForExit(20000));
    aside.Release();
    std::vector<std::string> log = Log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("Exit code 1603: Windows ended the session during the installation", log.back());
    EXPECT_TRUE(std::find(log.begin(), log.end(), "Could not put back " DEST "\\NEXFER.ini: the earlier file is kept as "
                          DEST "\\~nxold00.tmp") != log.end());
    EXPECT_EQ(std::vector<std::string>{ "~nxold00.tmp" }, FolderFiles(DEST));
    EXPECT_EQ(users, ReadFileText(DEST "\\~nxold00.tmp"));
}
