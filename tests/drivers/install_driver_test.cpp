// The install driver over a scratch destination, with the real registry, WIN.INI, the
// sample DLLs' self-registration and the shell's program-group service.
#include "drivers/components.h"
#include "drivers/install.h"
#include "environment.h"
#include "registration/com.h"
#include "session/session.h"
#include "session/text.h"

class InstallDriverTest : public InstallEnvironment {
protected:
    int Install(DWORD flags, HWND status = NULL)
    {
        return InstallDriver(temp_.c_str(), dest_.Path(), flags, &outcome_, NULL, status, message_, COUNTOF(message_));
    }
    DWORD outcome_ = 0xdeadbeef;
    char message_[DRIVER_MESSAGE_SIZE + 8];
};

TEST_F(InstallDriverTest, NothingToDoSucceedsWithoutInstalling)
{
    memset(message_, 'x', sizeof(message_));
    EXPECT_EQ(1, Install(INSTALL_QUIET | 0x10));
    EXPECT_STREQ("Nothing to do!", message_);
    EXPECT_EQ(0u, outcome_);
    EXPECT_FALSE(FileExists(Dest("nxflink.exe")));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(InstallDriverTest, EverythingChosenInstallsRegistersAndRecords)
{
    g_bSilent = 1;
    g_bNoPass = 1;
    ASSERT_EQ(1, Install(INSTALL_CLASSIC | INSTALL_EXPLORER | INSTALL_BONUS | INSTALL_QUIET)) << message_;
    EXPECT_EQ((DWORD)(OUTCOME_SUCCEEDED | OUTCOME_ITEM_CREATED | OUTCOME_BASE_REGISTERED | OUTCOME_EXPLORER_REGISTERED),
              outcome_);
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "NxfPro32.cnt", "nxfproex.dll", "nsnxf.hlp",
                              "nxfsync.exe", "nxfsyncl.dll", "nxflink.exe", "nxfstub.dll", "RelNotes.txt",
                              "finish.wav", "NEXFER.ini", "sites1.ini", "sites8.ini" })
        EXPECT_TRUE(FileExists(Dest(name))) << name;
    // Rows this release does not carry are passed over silently.
    EXPECT_FALSE(FileExists(Dest("nxfini.dll")));
    EXPECT_FALSE(FileExists(Dest("nxfpro32.pdf")));

    EXPECT_EQ(Dest("nxf95pro.exe"), RegString(HKEY_CLASSES_ROOT, BASE_SERVER_KEY, NULL));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT) "\\InProcServer32"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT) "\\InProcServer32"));
    EXPECT_EQ(std::string(dest_.Path()), WinIni("DIR"));
    EXPECT_EQ("1", WinIni("SPFLAGS"));
    EXPECT_EQ("NEXFER Pro", WinIni("GROUP"));
    // The flow writes these, not the driver.
    EXPECT_EQ("<missing>", WinIni("DEFDIR"));
    EXPECT_EQ("NEXFER Pro Explorer",
              RegString(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT), NULL));
    EXPECT_EQ("NEXFER Pro", RegString(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT), NULL));
    EXPECT_EQ("Quorvane NEXFER Pro Uninstall", RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));

    // The explorer item's command names a namespace junction, not a file; Wine's service
    // makes no shortcut for a program it cannot find, so only the file items show.
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    std::vector<std::string> expected = {
        "NEXFER Find Help", "NEXFER Find Utility", "NEXFER Pro", "NEXFER Pro Explorer Help",
        "NEXFER Pro Help", "NEXFER Pro Icon Placement", "NEXFER Pro Release Notes", "NEXFER Scripting Help",
        "NEXFER Scripting Utility", "NEXFER Synchronize Help", "NEXFER Synchronize Utility", "Uninstall NEXFER Pro",
    };
    EXPECT_EQ(expected, items);
    EXPECT_NE(0, g_classicList.rows[0].status & ROW_ITEM);
    EXPECT_EQ(0, g_classicList.rows[1].status & ROW_ITEM);
}

TEST_F(InstallDriverTest, BonusPackAloneSkipsTheInterfaceSteps)
{
    g_bSilent = 1;
    ASSERT_EQ(1, Install(INSTALL_BONUS | INSTALL_QUIET)) << message_;
    EXPECT_TRUE(FileExists(Dest("nxfscrpt.exe")));
    EXPECT_TRUE(FileExists(Dest("nxflink.exe")));
    // Required classic rows are placed even without the classic interface.
    EXPECT_TRUE(FileExists(Dest("nxf95pro.exe")));
    EXPECT_FALSE(FileExists(Dest("NxfPro32.cnt")));
    EXPECT_FALSE(FileExists(Dest("nxfproex.dll")));
    EXPECT_FALSE(FileExists(Dest("NEXFER.ini")));
    EXPECT_FALSE(FileExists(Dest("sites1.ini")));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT)));
    EXPECT_EQ(0u, outcome_ & OUTCOME_EXPLORER_REGISTERED);
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    EXPECT_EQ(0, std::count(items.begin(), items.end(), "NEXFER Pro"));
    EXPECT_EQ(1, std::count(items.begin(), items.end(), "NEXFER Find Utility"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(InstallDriverTest, ExplorerAlonePlacesTheMissingRequiredClassicFiles)
{
    g_bSilent = 1;
    g_iconLocation = 1;
    ASSERT_EQ(1, Install(INSTALL_EXPLORER | INSTALL_QUIET)) << message_;
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "nxfpro32.hlp" })
        EXPECT_TRUE(FileExists(Dest(name))) << name;
    EXPECT_FALSE(FileExists(Dest("NxfPro32.cnt")));
    EXPECT_NE(0u, outcome_ & OUTCOME_BASE_REGISTERED);
    EXPECT_NE(0u, outcome_ & OUTCOME_EXPLORER_REGISTERED);
    // No page in a quiet run: the entry goes where the options put the icons.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_ICONLINK_TEXT)));
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    EXPECT_EQ(0, std::count(items.begin(), items.end(), "NEXFER Pro"));
    EXPECT_EQ(1, std::count(items.begin(), items.end(), "NEXFER Pro Icon Placement"));
}

TEST_F(InstallDriverTest, ExplorerAloneLeavesExistingClassicFilesAndTheBaseClass)
{
    g_bSilent = 1;
    WriteFileText(Dest("nxf95pro.exe"), "users own");
    WriteFileText(Dest("nxfpro32.dll"), "users own");
    ASSERT_EQ(1, Install(INSTALL_EXPLORER | INSTALL_QUIET)) << message_;
    EXPECT_EQ("users own", ReadFileText(Dest("nxf95pro.exe")));
    EXPECT_TRUE(FileExists(Dest("nxfpro32.hlp")));
    EXPECT_EQ(0u, outcome_ & OUTCOME_BASE_REGISTERED);
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, BASE_SERVER_KEY));
}

TEST_F(InstallDriverTest, RequiredFileThatCannotBePlacedFailsTheInstallation)
{
    g_bSilent = 1;
    WriteFileText(Dest("nxfpro32.hlp"), "held");
    FileHolder holder(Dest("nxfpro32.hlp"), "none");
    ASSERT_TRUE(holder.Holding());
    EXPECT_EQ(0, Install(INSTALL_CLASSIC | INSTALL_BONUS | INSTALL_QUIET));
    EXPECT_STREQ("Failed to install required file nxfpro32.hlp.", message_);
    EXPECT_EQ((DWORD)OUTCOME_FAILED, outcome_);
    EXPECT_NE(0, g_classicList.rows[3].status & ROW_FAILED);
    // Nothing after the failing row.
    EXPECT_FALSE(FileExists(Dest("nxfscrpt.exe")));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

static WNDPROC s_staticProc;

// A status line that presses Cancel as soon as the first bonus file is being copied.
static LRESULT CALLBACK CancellingStatus(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_SETTEXT && lParam && strstr((const char *)lParam, "nxfscrpt.exe"))
        g_bCancel = 1;
    return CallWindowProcA(s_staticProc, window, message, wParam, lParam);
}

TEST_F(InstallDriverTest, CancelDuringTheBonusListStopsWithAnEmptyReason)
{
    HWND status = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(status != NULL);
    s_staticProc = (WNDPROC)SetWindowLongPtrA(status, GWLP_WNDPROC, (LONG_PTR)CancellingStatus);
    EXPECT_EQ(0, Install(INSTALL_CLASSIC | INSTALL_BONUS, status));
    DestroyWindow(status);
    EXPECT_STREQ("", message_);
    EXPECT_EQ((DWORD)OUTCOME_FAILED, outcome_);
    EXPECT_TRUE(FileExists(Dest("nxf95pro.exe")));
    EXPECT_TRUE(FileExists(Dest("nxfscrpt.exe")));
    EXPECT_FALSE(FileExists(Dest("nxfscrpt.cnt")));
    EXPECT_FALSE(FileExists(Dest("nxflink.exe")));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, BASE_SERVER_KEY));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_TRUE(GroupItems("NEXFER Pro").empty());
}

TEST_F(InstallDriverTest, GroupNameComesFromTheOptionsFile)
{
    g_bSilent = 1;
    WriteFileText(Dest("opts.ini"), "[NEXFER]\r\nGROUP32=Tools of Mine\r\n");
    snprintf(IniFileName, sizeof(IniFileName), "%s", Dest("opts.ini").c_str());
    ASSERT_EQ(1, Install(INSTALL_BONUS | INSTALL_QUIET)) << message_;
    EXPECT_EQ("Tools of Mine", WinIni("GROUP"));
    std::string uninstall = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString");
    EXPECT_EQ(" -g Tools of Mine", uninstall.substr(uninstall.size() - 17));
    EXPECT_FALSE(GroupItems("Tools of Mine").empty());
    RemoveGroup("Tools of Mine");

    // An empty value falls back to the default name.
    WriteFileText(Dest("opts.ini"), "[NEXFER]\r\nGROUP32=\r\n");
    ResetComponentStatus();
    ASSERT_EQ(1, Install(INSTALL_BONUS | INSTALL_QUIET)) << message_;
    EXPECT_EQ("NEXFER Pro", WinIni("GROUP"));
}
