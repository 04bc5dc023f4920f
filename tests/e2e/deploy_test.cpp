// The real program as a deployment tool runs it: the exit code of each ending, one
// setup at a time, the standard switches over the carried options, the quiet removal.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include <map>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/record.h"
#include "session/sizes.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define WELCOME "NEXFER Pro Installation"
#define ALREADY_RUNNING "Setup is already running."

static std::string LastLogLine()
{
    std::vector<std::string> lines = ReadLines(TempFolder() + "setup.log");
    return lines.empty() ? "" : lines.back();
}

static bool LogHas(const std::string &line)
{
    std::vector<std::string> lines = ReadLines(TempFolder() + "setup.log");
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

struct QuietCase {
    const char *variant;
    const char *arguments;
    DWORD code;
    const char *lastLogLine;
};

#define NOT_UNDERSTOOD "Exit code 1639: command line not understood, nothing done"
#define REFUSED_DIR "Refused: the folder must be a full path: a drive letter, a colon and a backslash, or \\\\server\\share"
#define REFUSED_GROUP "Refused: a group name cannot hold \\ / : * ? \" < > | [ ] ( ) , or a control character, nor begin with a dot or end with a dot or a blank"
static const std::string kLongGroup(GROUP_SIZE, 'g');
static const std::string kLongGroupSwitch = "/quiet /group=" + kLongGroup;
// Short enough for the switch, too long for the shortcut files' paths.
static const std::string kDeepGroupSwitch = "/quiet /group=" + std::string(240, 'g');

// Run one after the other in one prefix: nothing installed until the 3010 ending.
static const QuietCase kQuietEndings[] = {
    { "setup_quiet_default", "/bogus", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    // A faulty value before /quiet: the interactive variant still ends without a window.
    { "setup_interactive", "/dir= /QUIET", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    // A folder that is not a full path, and group names one of the two roads cannot make.
    { "setup_interactive", "/quiet /dir=Relative\\NX", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", "/dir=C:Folder", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", "/dir=\\\\?\\C:\\Apps", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", "\"/group=Bad]Name\"", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", "/group=Tools/NX", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_interactive", kLongGroupSwitch.c_str(), ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", "/group=CON", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", "/group=Tools,1", ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    { "setup_quiet_default", kDeepGroupSwitch.c_str(), ERROR_INVALID_COMMAND_LINE, NOT_UNDERSTOOD },
    // A folder of the options file without its drive: refused like an unusable one.
    { "setup_quiet_dir_relative", "", ERROR_INSTALL_FAILURE,
      "Exit code 1603: destination folder refused or not created" },
    { "setup_quiet_dir_windows", "", ERROR_INSTALL_FAILURE,
      "Exit code 1603: destination folder refused or not created" },
    // Made canonical before the check: this is the Windows folder.
    { "setup_quiet_default", "\"/dir=C:\\Program Files\\..\\Windows\\.\"", ERROR_INSTALL_FAILURE,
      "Exit code 1603: destination folder refused or not created" },
    { "setup_quiet_default", "-Uninstall", ERROR_UNKNOWN_PRODUCT, "Exit code 1605: nothing recorded to remove" },
    // The explorer interface registered itself: a restart is due and not allowed.
    { "setup_quiet_default", "/norestart", ERROR_SUCCESS_REBOOT_REQUIRED, "Exit code 3010: complete, a restart is due" },
    // The user's INI files stay, so the folder is named as left over: complete all the same.
    { "setup_quiet_default", "/uninstall /quiet", ERROR_SUCCESS, "Exit code 0: removal complete" },
};

TEST(DeployTool, QuietEndingsAndTheirCodes)
{
    for (const QuietCase &c : kQuietEndings) {
        SetupRun run = RunSetupVariant(c.variant, 120000, c.arguments);
        ASSERT_TRUE(run.ended) << c.variant << " " << c.arguments;
        EXPECT_FALSE(run.showedWindow) << c.variant << " " << c.arguments;
        EXPECT_EQ(c.code, run.exitCode) << c.variant << " " << c.arguments;
        EXPECT_EQ(c.lastLogLine, LastLogLine()) << c.variant << " " << c.arguments;
        bool installed = c.code == ERROR_SUCCESS_REBOOT_REQUIRED;
        EXPECT_EQ(installed, (bool)FileExists(DEST "\\nxf95pro.exe")) << c.variant << " " << c.arguments;
    }
    EXPECT_TRUE(LogHas("Command line not understood: \"/bogus\""));
    EXPECT_TRUE(LogHas("Command line not understood: \"/dir=\""));
    for (const char *refused : { "/dir=Relative\\NX", "/dir=C:Folder", "/dir=\\\\?\\C:\\Apps" }) {
        std::vector<std::string> lines = ReadLines(TempFolder() + "setup.log");
        auto line = std::find(lines.begin(), lines.end(), std::string("Command line not understood: \"") + refused + "\"");
        ASSERT_TRUE(line != lines.end()) << refused;
        ASSERT_TRUE(line + 1 != lines.end()) << refused;
        EXPECT_EQ(REFUSED_DIR, *(line + 1)) << refused;
    }
    EXPECT_TRUE(LogHas("Command line not understood: \"/group=Bad]Name\""));
    EXPECT_TRUE(LogHas("Command line not understood: \"/group=Tools/NX\""));
    EXPECT_TRUE(LogHas(REFUSED_GROUP));
    EXPECT_TRUE(LogHas("Refused: a group name cannot be a device name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9)"));
    EXPECT_TRUE(LogHas("Refused: the group name is too long for the paths of its icons"));
    // The log line names the switch (cut to the log's line length), then the reason.
    std::vector<std::string> lines = ReadLines(TempFolder() + "setup.log");
    auto tooLong = std::find_if(lines.begin(), lines.end(), [](const std::string &line) {
        return line.rfind("Command line not understood: \"/group=gggggggg", 0) == 0;
    });
    ASSERT_TRUE(tooLong != lines.end() && tooLong + 1 != lines.end());
    EXPECT_EQ("Refused: the value is too long", *(tooLong + 1));
    EXPECT_FALSE(FileExists(TempFolder() + "Relative")) << "a relative folder came to rest in the working folder";
    // The quiet removal kept the user's sites and asked nothing.
    EXPECT_TRUE(FileExists(DEST "\\NEXFER.ini"));
    EXPECT_TRUE(FileExists(DEST "\\sites1.ini"));
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

// A second run while the first shows its welcome page, interactive and quiet; then the
// first is cancelled; then the usage box, asked for and after an unknown switch.
TEST(DeployTool, SecondRunsCancelAndUsage)
{
    SetupProcess first("setup_interactive");
    ASSERT_TRUE(first.WaitForDialog(WELCOME, 1851) != NULL);
    std::vector<std::string> tempBefore = FolderEntries(TempFolder());

    SetupProcess second("setup_interactive");
    HWND box = second.WaitForDialog(WELCOME, MESSAGE_TEXT_ID);
    ASSERT_TRUE(box != NULL);
    EXPECT_EQ(ALREADY_RUNNING, MessageBoxText(box));
    ASSERT_TRUE(ClickAndWait(box, IDOK));
    EXPECT_EQ((DWORD)ERROR_INSTALL_ALREADY_RUNNING, second.WaitForExit());

    SetupRun quiet = RunSetupVariant("setup_quiet_default", 60000);
    ASSERT_TRUE(quiet.ended);
    EXPECT_FALSE(quiet.showedWindow);
    EXPECT_EQ((DWORD)ERROR_INSTALL_ALREADY_RUNNING, quiet.exitCode);
    EXPECT_EQ("Exit code 1618: another setup is running, nothing done", LastLogLine());
    EXPECT_TRUE(LogHas(ALREADY_RUNNING));
    EXPECT_EQ(tempBefore, FolderEntries(TempFolder())) << "the second run touched the temporary folder";

    HWND welcome = first.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL);
    ASSERT_TRUE(ClickAndWait(welcome, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, first.WaitForExit());

    struct { const char *arguments; DWORD code; } usage[] = {
        { "/?", ERROR_SUCCESS }, { "/frobnicate", ERROR_INVALID_COMMAND_LINE } };
    for (auto &u : usage) {
        SetupProcess help("setup_interactive", false, false, u.arguments);
        HWND list = help.WaitForDialog(WELCOME, MESSAGE_TEXT_ID);
        ASSERT_TRUE(list != NULL) << u.arguments;
        std::string text = MessageBoxText(list);
        EXPECT_EQ(0u, text.find("setup.exe [/quiet] [/log] [/norestart]")) << text;
        EXPECT_NE(std::string::npos, text.find("1618  another setup is running")) << text;
        ASSERT_TRUE(ClickAndWait(list, IDOK));
        EXPECT_EQ(u.code, help.WaitForExit()) << u.arguments;
    }
    EXPECT_FALSE(FileExists(DEST));
}

// An interactive removal where nothing is installed: the notice, then "nothing to remove".
TEST(DeployTool, InteractiveRemovalWithNothingInstalled)
{
    SetupProcess setup("setup_interactive", false, false, "/uninstall");
    HWND notice = setup.WaitForDialog("Remove", MESSAGE_TEXT_ID);
    ASSERT_TRUE(notice != NULL);
    EXPECT_EQ("Insufficient information available to\nremove this application.", MessageBoxText(notice));
    ASSERT_TRUE(ClickAndWait(notice, IDOK));
    EXPECT_EQ((DWORD)ERROR_UNKNOWN_PRODUCT, setup.WaitForExit());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

// Every file of the destination with its content.
static std::map<std::string, std::string> Installed()
{
    std::map<std::string, std::string> files;
    for (const std::string &name : FolderFiles(DEST))
        files[name] = ReadFileText(std::string(DEST "\\") + name);
    return files;
}

static void Clear(const char *folder)
{
    for (const std::string &name : FolderFiles(folder))
        DeleteFileA((std::string(folder) + "\\" + name).c_str());
    RemoveDirectoryA(folder);
}

TEST(DeployTool, TwoQuietRunsStartedTogether)
{
    DWORD codes[2];
    {
        SetupProcess a("setup_quiet_default", false, false, "/norestart");
        SetupProcess b("setup_quiet_default", false, false, "/norestart");
        ASSERT_TRUE(a.Started() && b.Started());
        codes[0] = a.WaitForExit(120000);
        codes[1] = b.WaitForExit(120000);
    }
    std::sort(codes, codes + 2);
    EXPECT_EQ((DWORD)ERROR_INSTALL_ALREADY_RUNNING, codes[0]);
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, codes[1]);
    std::map<std::string, std::string> together = Installed();

    // The same installation alone, after a removal and a clean folder.
    ASSERT_EQ(0u, RunSetupVariant("setup_quiet_default", 120000, "/uninstall").exitCode);
    Clear(DEST);
    ASSERT_FALSE(FileExists(DEST));
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunSetupVariant("setup_quiet_default", 120000, "/norestart").exitCode);
    std::map<std::string, std::string> alone = Installed();
    EXPECT_FALSE(alone.empty());
    EXPECT_TRUE(together == alone) << together.size() << " files when started together, " << alone.size() << " alone";
}

TEST(DeployTool, SwitchesWinOverTheCarriedOptions)
{
    // The options file names C:\FTP Tools\NEXFER and "My FTP Tools".
    SetupRun run = RunSetupVariant("setup_quiet_custom", 120000, "\"/dir=C:\\Deploy Here\\NX\" /GROUP=Deployed /norestart");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    EXPECT_TRUE(FileExists("C:\\Deploy Here\\NX\\nxf95pro.exe"));
    EXPECT_FALSE(FileExists("C:\\FTP Tools\\NEXFER"));
    EXPECT_EQ("Deployed", WinIni("GROUP"));
    EXPECT_FALSE(GroupItems("Deployed").empty());
    EXPECT_TRUE(LogHas("Program group over DDE"));

    // An update stays where the product is; the group comes from the options file again.
    run = RunSetupVariant("setup_quiet_custom", 120000, "-dir=C:\\Elsewhere -norestart");
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    EXPECT_FALSE(FileExists("C:\\Elsewhere"));
    EXPECT_TRUE(LogHas("/dir gives way to the installed folder \"C:\\Deploy Here\\NX\""));
    EXPECT_EQ("My FTP Tools", WinIni("GROUP"));

    // /quiet over an interactive options file; a refused /dir fails the run.
    run = RunSetupVariant("setup_interactive", 120000, "/quiet /uninstall");
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_FALSE(FileExists("C:\\Deploy Here\\NX\\nxf95pro.exe"));
    run = RunSetupVariant("setup_interactive", 120000, "/quiet /dir=C:\\windows");
    EXPECT_FALSE(run.showedWindow);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, run.exitCode);
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));

    // /log and /norestart over an options file without logging that allows a restart.
    DeleteFileA((TempFolder() + "setup.log").c_str());
    run = RunSetupVariant("setup_quiet_reboot", 120000, "/log /norestart");
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    EXPECT_EQ("Exit code 3010: complete, a restart is due", LastLogLine());
}
