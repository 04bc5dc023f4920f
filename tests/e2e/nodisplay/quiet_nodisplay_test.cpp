// A quiet installation on a system without the shell's program-group service (Wine's
// null graphics driver offers no "PROGMAN"): everything but the program group.
#include <gtest/gtest.h>
#include <algorithm>
#include <thread>
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

TEST(QuietWithoutGroupService, CompletesWithoutAProgramGroup)
{
    ASSERT_FALSE(GroupServiceAnswers()) << "a PROGMAN service answers: this prefix has a display";

    SetupRun run = RunSetupVariant("setup_quiet_default", 120000);
    ASSERT_TRUE(run.ended) << "the quiet run did not end by itself";
    EXPECT_EQ(0u, run.exitCode);
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

    // No group folder under the Start menu, so no shortcuts in it.
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    EXPECT_TRUE(GroupItems("NEXFER Pro").empty());
    std::vector<std::string> log = ReadLines(TempFolder() + "setup.log");
    EXPECT_TRUE(std::find(log.begin(), log.end(), "Some portion of installation process failed.") == log.end());
}
