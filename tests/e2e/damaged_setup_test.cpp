// A damaged setup program installs nothing: copies of the real program with one byte
// changed in a carried DLL, without a row, or without the table of check values end
// before anything is extracted, with a box or, quietly, a log line and exit code 1603.
#include <gtest/gtest.h>
#include <algorithm>
#include "damage.h"
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/record.h"

#define CAPTION      "NEXFER Pro Installation"
#define DEFAULT_DEST "C:\\Program Files\\NEXFER Pro"
#define EXIT_DAMAGED 1603u
#define DLL_DAMAGED  "This setup program is damaged: nxfpro32.dll does not match. Download it again."

// Nothing of an installation anywhere: no file, no record, no uninstall entry, no group,
// and the temporary folder holds no more than before (and the log).
static void ExpectNothingInstalled(const std::vector<std::string> &tempBefore, const char *label)
{
    std::vector<std::string> temp = FolderFiles(TempFolder()), expected = tempBefore;
    if (std::find(expected.begin(), expected.end(), "setup.log") == expected.end() &&
        std::find(temp.begin(), temp.end(), "setup.log") != temp.end()) {
        expected.push_back("setup.log");
        std::sort(expected.begin(), expected.end());
    }
    EXPECT_EQ(expected, temp) << label << ": files written to the temporary folder";
    EXPECT_FALSE(FileExists(DEFAULT_DEST)) << label;
    EXPECT_EQ("<missing>", WinIni("DIR")) << label;
    EXPECT_EQ("<missing>", WinIni("INSTOPTS")) << label;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)) << label;
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro"))) << label;
}

struct DamageCase {
    const char *label;
    int kind;                 // 0 a byte changed, 1 a row removed, 2 the table removed
    const char *resource;     // the row, for kinds 0 and 1
    const char *logLine;
};

TEST(DamagedSetup, QuietRunsEndWithALogLineAndInstallNothing)
{
    static const DamageCase cases[] = {
        { "one byte of nxfpro32.dll", 0, "DLLFILE1", DLL_DAMAGED },
        { "one byte of the last site list", 0, "INIFILE9",
          "This setup program is damaged: sites8.ini does not match. Download it again." },
        { "no nxfpro32.dll row", 1, "DLLFILE1", DLL_DAMAGED },
        { "no table of check values", 2, NULL,
          "This setup program is damaged: the check values of its files are missing. Download it again." },
    };
    ScratchFolder scratch;
    std::string program = VariantPath("setup_quiet_log"), copy = scratch.File("setup.exe");

    for (const DamageCase &c : cases) {
        std::string made = c.kind == 0 ? CopyWithChangedRowByte(program, copy, c.resource)
                         : c.kind == 1 ? CopyWithoutResource(program, copy, "EXE", c.resource)
                                       : CopyWithoutResource(program, copy, (LPCSTR)RT_RCDATA, MAKEINTRESOURCEA(120));
        ASSERT_EQ("", made) << c.label;
        DeleteFileA((TempFolder() + "setup.log").c_str());
        std::vector<std::string> before = FolderFiles(TempFolder());
        SetupRun run = RunSetupProgram(copy, 60000);
        EXPECT_TRUE(run.ended) << c.label;
        EXPECT_FALSE(run.showedWindow) << c.label;
        EXPECT_EQ(EXIT_DAMAGED, run.exitCode) << c.label;
        EXPECT_EQ(std::vector<std::string>({ c.logLine, "Exit code 1603: this setup program is damaged, nothing done" }),
                  ReadLines(TempFolder() + "setup.log")) << c.label;
        ExpectNothingInstalled(before, c.label);
    }
}

TEST(DamagedSetup, InteractiveRunShowsTheBoxAndInstallsNothing)
{
    ScratchFolder scratch;
    std::string copy = scratch.File("setup.exe");
    DeleteFileA((TempFolder() + "setup.log").c_str());
    std::vector<std::string> before = FolderFiles(TempFolder());

    ASSERT_EQ("", CopyWithChangedRowByte(VariantPath("setup_interactive"), copy, "DLLFILE1"));
    SetupProcess setup(copy.c_str(), false, true);
    ASSERT_TRUE(setup.Started());
    // The welcome page has the same caption: whichever comes first decides at once.
    HWND box = setup.WaitForDialog(CAPTION);
    ASSERT_TRUE(box != NULL) << "no window at all";
    ASSERT_TRUE(GetDlgItem(box, MESSAGE_TEXT_ID) != NULL) << "the wizard started instead of the damage box";
    EXPECT_EQ(DLL_DAMAGED, MessageBoxText(box));
    EXPECT_TRUE(ClickAndWait(box, IDOK));
    EXPECT_EQ(EXIT_DAMAGED, setup.WaitForExit(20000));
    ExpectNothingInstalled(before, "interactive");
    // The variant logs: only the ending is appended, the box's text went to the user.
    EXPECT_EQ(std::vector<std::string>({ "Exit code 1603: this setup program is damaged, nothing done" }),
              ReadLines(TempFolder() + "setup.log"));
}
