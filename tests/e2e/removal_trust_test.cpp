// What a quiet removal leaves alone: code in a folder it did not make, the user's own
// files and shortcuts, a path read through a device form; and how it keeps its record
// when it cannot finish.
#include <gtest/gtest.h>
#include <winerror.h>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"

#define REMOVE "/uninstall"

static DWORD QuietRun(const char *arguments)
{
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000, arguments);
    return run.ended ? run.exitCode : (DWORD)-1;
}

static void WriteRecord(const char *folder)
{
    WriteProfileStringA("NEXFER", "DIR", folder);
    WriteProfileStringA("NEXFER", "DEFDIR", folder);
    WriteProfileStringA("NEXFER", "INSTOPTS", "12");
    WriteProfileStringA("NEXFER", "GROUP", "NEXFER Pro");
}

TEST(RemovalTrust, ARecordOfAFolderTheProductNeverMadeRunsNoDllFromIt)
{
    const char *folder = "C:\\users\\Public\\nx";
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string planted(self);
    planted = ProductFile(planted.substr(0, planted.rfind('\\') + 1) + "planted\\LZ32.dll");
    ASSERT_TRUE(CreateDirectoryA(folder, NULL));
    for (const char *name : { "nxfproex.dll", "nxfstub.dll" })
        ASSERT_TRUE(CopyFileA(planted.c_str(), (std::string(folder) + "\\" + name).c_str(), FALSE)) << name;
    WriteRecord(folder);
    for (const char *key : { CLASS_KEY(CLSID_EXPLORER_TEXT) "\\InProcServer32", CLASS_KEY(CLSID_ICONLINK_TEXT) })
        ASSERT_EQ(1, SetRegistryString(HKEY_CLASSES_ROOT, key, NULL, NULL, "planted"));

    EXPECT_EQ(0u, QuietRun(REMOVE));
    // A loaded DLL notes "<its path>.loaded"; the folder would then stay.
    EXPECT_FALSE(FileExists(std::string(folder) + "\\nxfproex.dll.loaded"));
    EXPECT_FALSE(FileExists(std::string(folder) + "\\nxfstub.dll.loaded"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT)));
}

TEST(RemovalTrust, AnExistingFolderKeepsTheUsersFilesAndAGroupItsShortcut)
{
    const char *users[] = { "C:\\Tools\\build.log", "C:\\Tools\\keep.bak", "C:\\Tools\\notes.tmp",
                            "C:\\Tools\\tool.ini", "C:\\Tools\\~nxold00.tmp" };
    ASSERT_TRUE(CreateDirectoryA("C:\\Tools", NULL));
    for (const char *path : users)
        WriteFileText(path, "the user's own");
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, QuietRun("/dir=C:\\Tools"));
    std::string mine = GroupFolder("NEXFER Pro") + "\\My sites.lnk";
    WriteFileText(mine, "the user's shortcut");
    WriteFileText("C:\\Tools\\nxfpro32.gid", "help index");

    EXPECT_EQ(0u, QuietRun(REMOVE));
    for (const char *path : users)
        EXPECT_TRUE(FileExists(path)) << path;
    EXPECT_FALSE(FileExists("C:\\Tools\\nxf95pro.exe"));
    EXPECT_FALSE(FileExists("C:\\Tools\\nxfpro32.gid"));
    EXPECT_TRUE(FileExists(mine));
    EXPECT_EQ(std::vector<std::string>{ "My sites" }, GroupItems("NEXFER Pro"));
}

TEST(RemovalTrust, ARecordInADeviceFormDeletesNothingAndStays)
{
    WriteRecord("\\\\?\\C:\\windows");
    for (const char *path : { "C:\\windows\\user.log", "C:\\windows\\notes.bak", "C:\\windows\\RelNotes.txt" })
        WriteFileText(path, "not the product's");
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, QuietRun(REMOVE));
    for (const char *path : { "C:\\windows\\user.log", "C:\\windows\\notes.bak", "C:\\windows\\RelNotes.txt" })
        EXPECT_TRUE(FileExists(path)) << path;
    EXPECT_EQ("\\\\?\\C:\\windows", WinIni("DIR"));
}

// The interpreter would end a bare path at "&" and delete "C:\R".
TEST(RemovalTrust, ACommandForTheNextStartKeepsTheWholePath)
{
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, QuietRun("/dir=C:\\R&D\\NEXFER"));
    WriteFileText("C:\\R", "the user's file");
    {
        FileHolder holder("C:\\R&D\\NEXFER\\nxfsyncl.dll", "load");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, QuietRun(REMOVE));
    }
    ASSERT_TRUE(FileExists("C:\\R&D\\NEXFER\\nxfsyncl.del"));
    EXPECT_EQ(0u, RunProgram("wineboot.exe -r", 60000));
    for (int i = 0; i < 100 && FileExists("C:\\R&D\\NEXFER\\nxfsyncl.del"); i++)
        Sleep(100);
    EXPECT_FALSE(FileExists("C:\\R&D\\NEXFER\\nxfsyncl.del"));
    EXPECT_TRUE(FileExists("C:\\R"));
}

TEST(RemovalTrust, AFailedRemovalKeepsItsRecordForASecondOne)
{
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, QuietRun(""));
    // A folder under a product file's name can be neither deleted nor scheduled.
    const char *blocker = "C:\\Program Files\\NEXFER Pro\\nxfpro32.cnt";
    ASSERT_TRUE(DeleteFileA(blocker));
    ASSERT_TRUE(CreateDirectoryA(blocker, NULL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, QuietRun(REMOVE));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    std::vector<std::string> log = ReadLines(TempFile("setup.log"));
    bool named = false;
    for (const std::string &line : log)
        named = named || line.find(blocker) != std::string::npos;
    EXPECT_TRUE(named) << "the log does not name what was left";

    ASSERT_TRUE(RemoveDirectoryA(blocker));
    EXPECT_EQ(0u, QuietRun(REMOVE));
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(FileExists(blocker));
    EXPECT_FALSE(FileExists("C:\\Program Files\\NEXFER Pro\\nxf95pro.exe"));
}
