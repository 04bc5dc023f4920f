// A distributor's quiet, logging build: it runs without a window, ends by itself, logs
// its options and leaves nothing in the temporary folder but its log.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"

// The temporary folder's entries as a run should leave them: before, without the names
// in gone, with setup.log.
static std::vector<std::string> ExpectedAfter(std::vector<std::string> before, const std::vector<std::string> &gone)
{
    for (const std::string &name : gone)
        before.erase(std::remove(before.begin(), before.end(), name), before.end());
    if (std::find(before.begin(), before.end(), "setup.log") == before.end())
        before.push_back("setup.log");
    std::sort(before.begin(), before.end());
    return before;
}

TEST(QuietStart, RunsHiddenLogsItsOptionsAndCleansUp)
{
    std::string temp = TempFolder();
    DeleteFileA((temp + "setup.log").c_str());
    // A file under a payload name in the shared temporary folder may be another
    // installer's: it stays.
    WriteFileText(temp + "nxfpro32.dl_", "someone else's");
    std::vector<std::string> before = FolderEntries(temp);

    SetupRun run = RunSetupVariant("setup_quiet_log", 60000);
    ASSERT_TRUE(run.ended);
    // The explorer interface registered itself: a restart is due, and not allowed.
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    EXPECT_FALSE(run.showedWindow);

    std::vector<std::string> log = ReadLines(temp + "setup.log");
    ASSERT_GE(log.size(), 7u);
    std::vector<std::string> options(log.begin(), log.begin() + 7);
    std::vector<std::string> expected = {
        "g_bSilent=1", "g_bNoPass=0", "gbInstallBonusPack=1", "g_iconLocation=0",
        "g_bExplore=1", "g_szLine1=\"Quiet build for testing\"", "g_szLine2=\"\"",
    };
    EXPECT_EQ(expected, options);

    // The run's own folder (options copy, scratch file) went at its end; the temporary
    // folder holds nothing of it but the log.
    EXPECT_EQ(ExpectedAfter(before, {}), FolderEntries(temp));
    DeleteFileA((temp + "nxfpro32.dl_").c_str());
}

TEST(QuietStart, NothingStaysWhenNothingWasPlaced)
{
    std::string temp = TempFolder();
    std::vector<std::string> before = FolderEntries(temp);
    SetupRun run = RunSetupVariant("setup_quiet_emptydir", 60000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, run.exitCode);
    EXPECT_EQ(ExpectedAfter(before, {}), FolderEntries(temp));
}

TEST(QuietStart, TwoRunsInARowAppendToOneLog)
{
    std::string temp = TempFolder();
    DeleteFileA((temp + "setup.log").c_str());
    ASSERT_TRUE(RunSetupVariant("setup_quiet_log", 60000).ended);
    size_t first = ReadLines(temp + "setup.log").size();
    ASSERT_GE(first, 7u);
    std::vector<std::string> earlier = ReadLines(temp + "setup.log");
    ASSERT_TRUE(RunSetupVariant("setup_quiet_log", 60000).ended);
    std::vector<std::string> log = ReadLines(temp + "setup.log");
    ASSERT_GT(log.size(), first + 7);
    EXPECT_EQ(earlier, std::vector<std::string>(log.begin(), log.begin() + first));
    EXPECT_EQ("g_bSilent=1", log[first]);
}
