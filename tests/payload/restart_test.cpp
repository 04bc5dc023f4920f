// Work put off until the next start of Windows is done by it: the prefix's restart
// work (wineboot -r) runs the run-once commands.
#include <gtest/gtest.h>
#include "payload/placement.h"
#include "payload/placement_support.h"
#include "session/session.h"

// The restart work starts RunServicesOnce commands without waiting for them to end.
static bool Eventually(const std::function<bool()> &done)
{
    for (int i = 0; i < 200 && !done(); i++)
        Sleep(50);
    return done();
}

class NextStart : public testing::Test {
protected:
    void SetUp() override
    {
        strcpy(g_szTempFileName, "NXTTEST.TMP");
        source_ = std::string(temp_.Path()) + "\\";
    }
    void Restart()
    {
        ASSERT_EQ(0u, RunProgram("wineboot.exe -r", 60000));
    }
    RunOnceValues runOnce_;
    ScratchFolder temp_, folder_;
    std::string source_;
};

TEST_F(NextStart, ScheduledDeletionIsDone)
{
    for (int nt : { 1, 0 }) {
        std::string path = folder_.File("nxfpro32.dll"), moved = folder_.File("nxfpro32.del");
        WriteFileText(path, ExpandedRow(1));
        g_bIsNT = nt;
        FileHolder holder(path, "load");
        ASSERT_TRUE(holder.Holding());
        ASSERT_EQ(0, DeleteFileOrSchedule(path.c_str(), NULL));
        ASSERT_TRUE(FileExists(moved));
        holder.Release();
        Restart();
        EXPECT_TRUE(Eventually([&] { return !FileExists(moved); })) << nt;
        EXPECT_FALSE(FileExists(path));
        EXPECT_TRUE(runOnce_.Added(nt ? kRunOnceKey : kRunServicesOnceKey).empty());
    }
}

TEST_F(NextStart, WaitingReplacementIsCopiedIntoPlace)
{
    std::string path = folder_.File("nxfpro32.dll");
    WriteFileText(path, "old content");
    g_bIsNT = 0;
    FileHolder holder(path, "image");
    ASSERT_TRUE(holder.Holding());
    ASSERT_EQ(0, InstallFile(source_.c_str(), "nxfpro32.dll", folder_.Path(), NULL, NULL, 1, 1));
    ASSERT_EQ("old content", ReadFileText(path));
    holder.Release();
    Restart();
    std::string dll = ExpandedRow(1);
    EXPECT_TRUE(Eventually([&] { return ReadFileText(path) == dll; }));
    EXPECT_TRUE(runOnce_.Added(kRunServicesOnceKey).empty());
}
