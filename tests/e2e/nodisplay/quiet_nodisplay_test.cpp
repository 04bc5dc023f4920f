// A quiet installation on a system without the shell's program-group service (Wine's
// null graphics driver offers no "PROGMAN"): the program group as shortcut files in the
// all-users Start menu, and a quiet removal that takes them away.
#include <gtest/gtest.h>
#include <algorithm>
#include <thread>
#include <winerror.h>
#include <shlobj.h>
#include "e2e.h"
#include <ddeml.h>
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"

#define DEST "C:\\Program Files\\NEXFER Pro"

// 1 when a "PROGMAN" service answers a connection. Asked on a thread of its own: the
// library's hidden window goes with the thread, and a window left behind by a thread
// that pumps no messages would hold up every later connection attempt of the setup.
static int GroupServiceAnswers()
{
    int answers = 0;
    std::thread probe([&answers]() {
        DWORD instance = 0;
        if (DdeInitializeA(&instance, NULL, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR)
            return;
        HSZ service = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
        HCONV conversation = DdeConnect(instance, service, service, NULL);
        answers = conversation != NULL;
        if (conversation)
            DdeDisconnect(conversation);
        DdeFreeStringHandle(instance, service);
        DdeUninitialize(instance);
    });
    probe.join();
    return answers;
}

static std::string CommonGroupFolder(const char *group)
{
    char programs[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_COMMON_PROGRAMS, NULL, 0, programs);
    return std::string(programs) + "\\" + group;
}

static std::vector<std::string> Links(const std::string &folder)
{
    std::vector<std::string> links;
    for (const std::string &name : FolderFiles(folder)) {
        if (name.size() > 4 && name.substr(name.size() - 4) == ".lnk")
            links.push_back(name.substr(0, name.size() - 4));
    }
    std::sort(links.begin(), links.end());
    return links;
}

TEST(QuietWithoutGroupService, TheGroupBecomesShortcutFiles)
{
    ASSERT_FALSE(GroupServiceAnswers()) << "a PROGMAN service answers: this prefix has a display";

    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    ASSERT_TRUE(run.ended) << "the quiet run did not end by itself";
    // The explorer interface registered itself; the options allow no restart.
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    EXPECT_FALSE(run.showedWindow);

    std::vector<std::string> files = FolderFiles(DEST);
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "nxfpro32.hlp", "nxfproex.dll", "nxfscrpt.exe",
                              "nxflink.exe", "nxfstub.dll", "nxfrem32.exe", "NEXFER.ini", "sites8.ini" })
        EXPECT_TRUE(std::find(files.begin(), files.end(), name) != files.end()) << name;
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_EQ(DEST, WinIni("DIR"));
    EXPECT_EQ("\"" DEST "\\nxfrem32.exe\" -f " DEST " -d " DEST " -g NEXFER Pro",
              RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));
    EXPECT_EQ(DEST "\\nxf95pro.exe", RegString(HKEY_CLASSES_ROOT, BASE_SERVER_KEY, NULL));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT)));

    // Every item of the group, the explorer item among them, for all users.
    std::vector<std::string> expected = {
        "NEXFER Find Help", "NEXFER Find Utility", "NEXFER Pro", "NEXFER Pro Explorer",
        "NEXFER Pro Explorer Help", "NEXFER Pro Help", "NEXFER Pro Icon Placement",
        "NEXFER Pro Release Notes", "NEXFER Scripting Help", "NEXFER Scripting Utility",
        "NEXFER Synchronize Help", "NEXFER Synchronize Utility", "Uninstall NEXFER Pro" };
    EXPECT_EQ(expected, Links(CommonGroupFolder("NEXFER Pro")));
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    std::vector<std::string> log = ReadLines(TempFolder() + "setup.log");
    EXPECT_TRUE(std::find(log.begin(), log.end(),
                          "Program group as shortcut files: no DDE service, group \"NEXFER Pro\"") != log.end());
    EXPECT_TRUE(std::find(log.begin(), log.end(), "Some portion of installation process failed.") == log.end());

    // A stranger's shortcut in the group keeps the folder; the removal takes ours.
    WriteFileText(CommonGroupFolder("NEXFER Pro") + "\\Theirs.lnk", "not ours");
    run = RunSetupVariant("setup_quiet_default", 120000, "/uninstall");
    ASSERT_TRUE(run.ended);
    EXPECT_EQ(0u, run.exitCode);
    EXPECT_EQ(std::vector<std::string>{ "Theirs" }, Links(CommonGroupFolder("NEXFER Pro")));
    DeleteFileA((CommonGroupFolder("NEXFER Pro") + "\\Theirs.lnk").c_str());
    RemoveDirectoryA(CommonGroupFolder("NEXFER Pro").c_str());
}

// A run that fails at its uninstall entry (a key it may not write) takes back the
// shortcut files it made and their folder, with the rest of what it did.
TEST(QuietNoDisplay, AFailureAfterTheGroupTakesItsShortcutFilesBack)
{
    ASSERT_FALSE(GroupServiceAnswers());
    ASSERT_TRUE(SetKeyOpenToEveryone(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, ProductRegistryView(), false));
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, run.exitCode);
    EXPECT_FALSE(FileExists(CommonGroupFolder("NEXFER Pro")));
    EXPECT_FALSE(FileExists(DEST));
    EXPECT_EQ("<missing>", WinIni("GROUP"));
}
