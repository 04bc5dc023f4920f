// A distributor's quiet, logging build: it runs without a window, ends by itself, logs
// its options and cleans up its temporary payload copies.
#include <gtest/gtest.h>
#include <winerror.h>
#include "e2e.h"
#include "harness/testutil.h"
#include "payload/payload.h"

static std::vector<std::string> ScratchFiles(const std::string &temp)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((temp + "NXT*.TMP").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

TEST(QuietStart, RunsHiddenLogsItsOptionsAndCleansUp)
{
    std::string temp = TempFolder();
    DeleteFileA((temp + "setup.log").c_str());
    for (const std::string &name : ScratchFiles(temp))
        DeleteFileA((temp + name).c_str());
    // Leftovers of an earlier run under payload temporary names are cleaned up too.
    WriteFileText(temp + "nxfpro32.dl_", "left over");

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

    // The written options file and every payload copy go; the scratch file went with
    // the last file placed.
    EXPECT_TRUE(ScratchFiles(temp).empty());
    EXPECT_FALSE(FileExists(temp + "Install.ini"));
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (PayloadTable[i].tempName[0]) {
            EXPECT_FALSE(FileExists(temp + PayloadTable[i].tempName)) << PayloadTable[i].tempName;
        }
    }
}

TEST(QuietStart, ScratchFileStaysWhenNothingWasPlaced)
{
    std::string temp = TempFolder();
    for (const std::string &name : ScratchFiles(temp))
        DeleteFileA((temp + name).c_str());
    SetupRun run = RunSetupVariant("setup_quiet_emptydir", 60000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, run.exitCode);
    std::vector<std::string> scratch = ScratchFiles(temp);
    ASSERT_EQ(1u, scratch.size());
    EXPECT_TRUE(ReadFileText(temp + scratch[0]).empty());
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
