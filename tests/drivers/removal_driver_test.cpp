// The removal driver after a real installation: what goes, what stays, and what is left
// for the next start of Windows.
#include <algorithm>
#include "drivers/components.h"
#include "drivers/install.h"
#include "drivers/removal.h"
#include "environment.h"
#include "registration/com.h"
#include "registration/progman.h"
#include "session/session.h"
#include "session/text.h"

#define RUNONCE_KEY "Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"

class RemovalDriverTest : public InstallEnvironment {
protected:
    void SetUp() override
    {
        InstallEnvironment::SetUp();
        g_bSilent = 1;
        ASSERT_EQ(1, InstallDriver(temp_.c_str(), dest_.Path(), INSTALL_CLASSIC | INSTALL_EXPLORER | INSTALL_BONUS |
                                   INSTALL_QUIET, NULL, NULL, NULL, message_, COUNTOF(message_))) << message_;
        g_bSilent = 0;
        ASSERT_FALSE(GroupItems("NEXFER Pro").empty());
        // The test made the folder; the mark says the installation did.
        ASSERT_EQ(1, SetRegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, NULL, FOLDER_MARK_VALUE, dest_.Path()));
    }
    void TearDown() override
    {
        DeleteQuorvaneValues();
        InstallEnvironment::TearDown();
    }
    static void DeleteQuorvaneValues()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, RUNONCE_KEY, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
            return;
        for (int i = 0; i < 1000; i++) {
            char name[32];
            snprintf(name, sizeof(name), "Quorvane%d", i);
            RegDeleteValueA(key, name);
        }
        RegCloseKey(key);
    }
    // Runs the removal while a second thread answers the INI question.
    int Remove(int answer)
    {
        std::string question;
        UiDriver driver([&] {
            HWND box = WaitForDialog("NEXFER Pro Installation", 60000);
            if (!box)
                return;
            question = MessageBoxText(box);
            Click(box, answer);
        });
        int result = RemovalDriver(dest_.Path(), REMOVE_ALL, &outcome_, message_, COUNTOF(message_), NULL, NULL);
        driver.Finish();
        question_ = question;
        return result;
    }
    DWORD outcome_ = 0xdeadbeef;
    char message_[DRIVER_MESSAGE_SIZE];
    std::string question_;
};

TEST_F(RemovalDriverTest, RemovesEverythingItRecordedAndDeletesIniFilesOnYes)
{
    WriteFileText(Dest("nxfpro32.GID"), "work");
    WriteFileText(Dest("trace.log"), "work");
    WriteFileText(Dest("mine.txt"), "user file");
    EXPECT_EQ(1, Remove(IDYES));
    EXPECT_EQ(0u, outcome_);
    EXPECT_NE(std::string::npos, question_.find("You have INI files in the NEXFER Pro folder."));

    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "NxfPro32.cnt", "nxfproex.dll", "nxfscrpt.exe",
                              "nxflink.exe", "nxfstub.dll", "RelNotes.txt", "NEXFER.ini", "sites5.ini",
                              "nxfpro32.GID", "trace.log" })
        EXPECT_FALSE(FileExists(Dest(name))) << name;
    EXPECT_TRUE(FileExists(Dest("mine.txt")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, BASE_SERVER_KEY));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT)));
    EXPECT_TRUE(GroupItems("NEXFER Pro").empty());
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    // The record and the uninstall entry are the flow's to clear, once nothing is left.
    EXPECT_EQ("NEXFER Pro", WinIni("GROUP"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(RemovalDriverTest, NoKeepsEveryIniFile)
{
    WriteFileText(Dest("old.BAK"), "work");
    EXPECT_EQ(1, Remove(IDNO));
    EXPECT_TRUE(FileExists(Dest("NEXFER.ini")));
    EXPECT_TRUE(FileExists(Dest("sites3.ini")));
    EXPECT_FALSE(FileExists(Dest("old.BAK")));
    EXPECT_FALSE(FileExists(Dest("nxf95pro.exe")));
}

TEST_F(RemovalDriverTest, ItemsGoEvenWhenAnotherGroupIsCurrent)
{
    // Something else made another group current after the installation.
    ASSERT_TRUE(OpenGroupClient());
    SendGroupCommand("[CreateGroup(Elsewhere)]");
    CloseGroupClient();
    EXPECT_EQ(1, Remove(IDYES));
    EXPECT_TRUE(GroupItems("NEXFER Pro").empty());
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    RemoveGroup("Elsewhere");
}

TEST_F(RemovalDriverTest, AGroupOfAnotherNameLosesOurItemsButStays)
{
    ASSERT_TRUE(CreateProgramGroup("Shared Tools"));
    AddGroupItem("", dest_.Path(), "nxffind.exe", "");
    AddGroupItem("NEXFER Find Utility", dest_.Path(), "nxffind.exe", "");
    // Another group is current when the removal starts.
    SendGroupCommand("[CreateGroup(Elsewhere)]");
    CloseGroupClient();
    ASSERT_EQ(2u, GroupItems("Shared Tools").size());
    WriteProfileStringA("NEXFER", "GROUP", "Shared Tools");
    EXPECT_EQ(1, Remove(IDYES));
    std::vector<std::string> left = { "nxffind.exe" };
    EXPECT_EQ(left, GroupItems("Shared Tools"));
    RemoveGroup("Shared Tools");
    RemoveGroup("Elsewhere");
}

TEST_F(RemovalDriverTest, EmptyGroupKeySkipsTheIconRemoval)
{
    WriteProfileStringA("NEXFER", "GROUP", "");
    std::vector<std::string> before = GroupItems("NEXFER Pro");
    EXPECT_EQ(1, Remove(IDYES));
    EXPECT_EQ(before, GroupItems("NEXFER Pro"));
    EXPECT_FALSE(FileExists(Dest("nxf95pro.exe")));
}

TEST_F(RemovalDriverTest, ADllInUseIsMovedAsideAndItsDeletionScheduled)
{
    g_bIsNT = 1;
    {
        FileHolder holder(Dest("nxfsyncl.dll"), "load");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(1, Remove(IDYES));
        EXPECT_FALSE(FileExists(Dest("nxfsyncl.dll")));
        EXPECT_TRUE(FileExists(Dest("nxfsyncl.del")));
    }
    EXPECT_EQ(1, g_bNeedReboot);
    EXPECT_EQ("failed to delete " + Dest("nxfsyncl.dll"), std::string(message_));
    char shortPath[MAX_PATH];
    GetShortPathNameA(Dest("nxfsyncl.del").c_str(), shortPath, MAX_PATH);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(std::string("\"") + system + "\\cmd.exe\" /d /v:off /c del \"" + shortPath + "\"",
              RegString(HKEY_LOCAL_MACHINE, RUNONCE_KEY, "Quorvane0"));
    DeleteFileA(Dest("nxfsyncl.del").c_str());
}

TEST_F(RemovalDriverTest, NoListBitMeansNothingToDo)
{
    EXPECT_EQ(1, RemovalDriver(dest_.Path(), 0x10, &outcome_, message_, COUNTOF(message_), NULL, NULL));
    EXPECT_STREQ("Nothing to do!", message_);
    // Nothing is touched.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_TRUE(FileExists(Dest("nxf95pro.exe")));
    EXPECT_FALSE(GroupItems("NEXFER Pro").empty());
}

// A record that names a folder of Windows or of the user: only the product's own files
// go, by name; no question, no sweep of work or INI files.
TEST_F(RemovalDriverTest, AProtectedFolderLosesOnlyTheProductsOwnFiles)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string folder(temp, strlen(temp) - 1);
    CopyFileA(Dest("nxf95pro.exe").c_str(), (folder + "\\nxf95pro.exe").c_str(), FALSE);
    CopyFileA(Dest("NEXFER.ini").c_str(), (folder + "\\NEXFER.ini").c_str(), FALSE);
    for (const char *name : { "keep.log", "keep.ini", "keep.bak", "keep.tmp" })
        WriteFileText(folder + "\\" + name, "user file");

    std::string seen;
    UiDriver driver([&] {
        HWND box = WaitForDialog("NEXFER Pro Installation", 3000);
        if (box) {
            seen = MessageBoxText(box);
            Click(box, IDNO);
        }
    });
    EXPECT_EQ(1, RemovalDriver(folder.c_str(), REMOVE_ALL, &outcome_, message_, COUNTOF(message_), NULL, NULL));
    driver.Finish();
    EXPECT_EQ("", seen);
    EXPECT_FALSE(FileExists(folder + "\\nxf95pro.exe"));
    for (const char *name : { "NEXFER.ini", "keep.log", "keep.ini", "keep.bak", "keep.tmp" }) {
        EXPECT_TRUE(FileExists(folder + "\\" + name)) << name;
        DeleteFileA((folder + "\\" + name).c_str());
    }
}

TEST_F(RemovalDriverTest, ARecordedGroupThatWouldRewriteACommandIsLeftAlone)
{
    WriteProfileStringA("NEXFER", "GROUP", "NEXFER Pro)][DeleteGroup(NEXFER Pro");
    size_t before = GroupItems("NEXFER Pro").size();
    EXPECT_EQ(1, Remove(IDYES));
    EXPECT_TRUE(FileExists(GroupFolder("NEXFER Pro")));
    EXPECT_EQ(before, GroupItems("NEXFER Pro").size());
    EXPECT_FALSE(FileExists(Dest("nxf95pro.exe")));
}

// A folder recorded without its drive names nothing to delete; a copy an installation
// kept aside and could not put back is a user's only copy and outlives the sweep.
TEST_F(RemovalDriverTest, ARelativeFolderAndAKeptAsideCopyLoseNothing)
{
    char previous[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, previous);
    std::string dest = dest_.Path();
    ASSERT_TRUE(SetCurrentDirectoryA(dest.substr(0, dest.rfind('\\')).c_str()));
    EXPECT_EQ(1, RemovalDriver(dest.substr(dest.rfind('\\') + 1).c_str(), REMOVE_ALL, &outcome_, message_,
                               COUNTOF(message_), NULL, NULL));
    SetCurrentDirectoryA(previous);
    EXPECT_TRUE(FileExists(Dest("nxf95pro.exe")));
    WriteFileText(Dest("~nxold07.tmp"), "the user's sites");
    WriteFileText(Dest("work.tmp"), "left by the product");
    EXPECT_EQ(1, Remove(IDNO));
    EXPECT_FALSE(FileExists(Dest("nxf95pro.exe")));
    EXPECT_FALSE(FileExists(Dest("work.tmp")));
    EXPECT_EQ("the user's sites", ReadFileText(Dest("~nxold07.tmp")));
}
