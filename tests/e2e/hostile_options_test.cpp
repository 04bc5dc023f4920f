// Options files a distributor got wrong or an attacker wrote: overlong lines, unknown
// keys, a group name built to rewrite the program-group commands, forward slashes.
// The quiet run ends normally and writes nothing outside its destination.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"
#include "session/session.h"

#define DEFAULT_DEST "C:\\Program Files\\NEXFER Pro"
#define HOSTILE_GROUP "NX)][CreateGroup(Injected)] \"Q"

static bool Contains(const std::vector<std::string> &list, const std::string &item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

static bool AnyLineHas(const std::vector<std::string> &log, const char *text)
{
    return std::any_of(log.begin(), log.end(), [&](const std::string &line) { return line.find(text) != std::string::npos; });
}

// Runs a quiet variant and returns its log; the run must end unseen, with code.
static std::vector<std::string> RunHostile(const char *variant, DWORD code)
{
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupRun run = RunSetupVariant(variant, 120000);
    EXPECT_TRUE(run.ended) << variant << " did not end by itself";
    EXPECT_EQ(code, run.exitCode) << variant;
    EXPECT_FALSE(run.showedWindow) << variant;
    return ReadLines(TempFolder() + "setup.log");
}

TEST(HostileOptions, LongLinesUnknownKeysAndAGroupNameThatWouldRewriteCommands)
{
    std::vector<std::string> root = FolderEntries("C:");
    std::vector<std::string> log = RunHostile("setup_quiet_hostile", ERROR_SUCCESS_REBOOT_REQUIRED);

    // The background line is kept to its field, cut rather than overrun.
    auto line1 = std::find_if(log.begin(), log.end(),
                              [](const std::string &l) { return l.rfind("g_szLine1=\"", 0) == 0; });
    ASSERT_TRUE(line1 != log.end()) << "LINE1 is not logged";
    std::string value = line1->substr(11, line1->size() - 12);
    EXPECT_EQ('"', line1->back());
    EXPECT_LE(value.size(), (size_t)LINE_SIZE - 1);
    EXPECT_EQ(std::string(value.size(), 'L'), value);

    // The group name is refused and the default group used, everywhere it shows.
    EXPECT_TRUE(Contains(log, "Refused GROUP32 \"" HOSTILE_GROUP "\", using \"NEXFER Pro\""));
    EXPECT_EQ("NEXFER Pro", WinIni("GROUP"));
    std::string uninstall = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString");
    ASSERT_GE(uninstall.size(), 14u) << uninstall;
    EXPECT_EQ(" -g NEXFER Pro", uninstall.substr(uninstall.size() - 14));
    EXPECT_TRUE(Contains(GroupItems("NEXFER Pro"), "NEXFER Pro"));
    for (const char *group : { "Injected", "NX", "NX)" })
        EXPECT_FALSE(FileExists(GroupFolder(group))) << group;

    // Otherwise an ordinary installation, and nothing new at the root of C:.
    EXPECT_TRUE(FileExists(DEFAULT_DEST "\\nxf95pro.exe"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_EQ(root, FolderEntries("C:"));
}

TEST(HostileOptions, AHundredKilobyteFolderIsRefused)
{
    std::vector<std::string> root = FolderEntries("C:");
    std::vector<std::string> log = RunHostile("setup_quiet_long_dir", ERROR_INSTALL_FAILURE);
    EXPECT_TRUE(AnyLineHas(log, "is too long"));
    EXPECT_FALSE(AnyLineHas(log, "nV="));
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    EXPECT_EQ(root, FolderEntries("C:"));
}

TEST(HostileOptions, ForwardSlashesInTheFolder)
{
    std::vector<std::string> root = FolderEntries("C:");
    std::vector<std::string> log = RunHostile("setup_quiet_slashes", ERROR_SUCCESS_REBOOT_REQUIRED);
    for (const char *name : { "nxf95pro.exe", "nxfpro32.hlp", "nxflink.exe", "NEXFER.ini" })
        EXPECT_TRUE(FileExists(std::string("C:\\FTP Tools\\NX\\") + name)) << name;
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    std::string recorded = WinIni("DIR");
    std::replace(recorded.begin(), recorded.end(), '/', '\\');
    EXPECT_EQ("C:\\FTP Tools\\NX", recorded);
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_FALSE(GroupItems("NEXFER Pro").empty());
    root.push_back("FTP Tools");
    std::sort(root.begin(), root.end());
    EXPECT_EQ(root, FolderEntries("C:"));
}
