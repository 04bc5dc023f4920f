// Install.ini: where it is found, how each value is recognised, and its log lines.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "payload/payload.h"
#include "session/options.h"
#include "session/session.h"

TEST(Options, ValueRecognition)
{
    EXPECT_TRUE(IsOptionValue("TRUE", "TRUE", "1"));
    EXPECT_TRUE(IsOptionValue("true", "TRUE", "1"));
    EXPECT_TRUE(IsOptionValue("True", "TRUE", "1"));
    EXPECT_TRUE(IsOptionValue("1", "TRUE", "1"));
    EXPECT_FALSE(IsOptionValue("yes", "TRUE", "1"));
    EXPECT_FALSE(IsOptionValue(" 1", "TRUE", "1"));
    EXPECT_FALSE(IsOptionValue("", "TRUE", "1"));
    EXPECT_FALSE(IsOptionValue("TRUE1", "TRUE", "1"));
}

// The carried options file is read in memory when there is no folder to write it to:
// the lookup must agree with the profile functions on the cases that matter.
TEST(Options, LookupInAnIniTextHeldInMemory)
{
    struct { const char *text, *section, *key; int found; const char *value; } cases[] = {
        { "[INSTALL]\r\nQUIET=TRUE\r\n", "INSTALL", "QUIET", 1, "TRUE" },
        { "[install]\nquiet = 1 \n", "INSTALL", "QUIET", 1, "1" },
        { "[RenameThisSectionTo:INSTALL]\r\nQUIET=TRUE\r\n", "INSTALL", "QUIET", 0, "" },
        { "[INSTALL]\r\nLOGGING=TRUE\r\n[NEXFER]\r\nQUIET=TRUE\r\n", "INSTALL", "QUIET", 0, "" },
        { "QUIET=TRUE\r\n[INSTALL]\r\n", "INSTALL", "QUIET", 0, "" },
        { "[INSTALL]\r\nQUIETER=TRUE\r\nQUIET=\r\n", "INSTALL", "QUIET", 1, "" },
        { "[INSTALL]\r\nQUIET=TRUE", "INSTALL", "QUIET", 1, "TRUE" },
        { "", "INSTALL", "QUIET", 0, "" },
        { "[INSTALL]\r\nQUIET=\"TRUE\"\r\n", "INSTALL", "QUIET", 1, "TRUE" },
        { "[INSTALL]\r\nQUIET= 'TRUE' \r\n", "INSTALL", "QUIET", 1, "TRUE" },
        { "[INSTALL]\r\nQUIET=\"TRUE'\r\n", "INSTALL", "QUIET", 1, "\"TRUE'" },
        { "[INSTALL]\r\nQUIET=\"\r\n", "INSTALL", "QUIET", 1, "\"" },
        { "\xEF\xBB\xBF[INSTALL]\r\nQUIET=TRUE\r\n", "INSTALL", "QUIET", 1, "TRUE" },
    };
    for (const auto &c : cases) {
        char value[16] = "";
        SCOPED_TRACE(c.text);
        EXPECT_EQ(c.found, FindOptionInText(c.text, strlen(c.text), c.section, c.key, value, 16));
        if (c.found) {
            EXPECT_STREQ(c.value, value);
        }
    }
    // A value longer than the buffer is cut, never overrun; the size bounds the read.
    char small[5];
    memset(small, '#', sizeof(small));
    EXPECT_EQ(1, FindOptionInText("[I]\nK=ABCDEFG\n", 13, "I", "K", small, 4));
    EXPECT_STREQ("ABC", small);
    EXPECT_EQ('#', small[4]);
    EXPECT_EQ(0, FindOptionInText("[I]\nK=ABCDEFG\n", 4, "I", "K", small, 4));
}

class OptionsFile : public testing::Test {
protected:
    // The options file is looked for in the current folder; the log goes to the
    // temporary folder's setup.log.
    void SetUp() override
    {
        SetCurrentDirectoryA(folder_.Path());
        DeleteFileA(TempFile("setup.log").c_str());
    }
    void TearDown() override
    {
        EnterTempFolder();
        DeleteFileA(TempFile("setup.log").c_str());
    }
    void Write(const std::string &install)
    {
        WriteFileText(folder_.File("install.ini"), install);
    }
    std::vector<std::string> Log()
    {
        return ReadLines(TempFile("setup.log"));
    }
    ScratchFolder folder_;
};

struct FlagCase {
    const char *lines;
    int logging, allowReboot, silent, noPass, bonus, iconLocation, explore;
};

TEST_F(OptionsFile, FlagValuesFollowTheirOwnWords)
{
    const FlagCase cases[] = {
        // Missing keys take their defaults; no ALLOWRBT key forbids the restart.
        { "", 0, 0, 0, 0, 1, 0, 1 },
        { "QUIET=true\r\n", 0, 0, 1, 0, 1, 0, 1 },
        { "QUIET=True\r\n", 0, 0, 1, 0, 1, 0, 1 },
        { "QUIET=1\r\n", 0, 0, 1, 0, 1, 0, 1 },
        { "QUIET=yes\r\n", 0, 0, 0, 0, 1, 0, 1 },
        { "LOGGING=no\r\n", 1, 0, 0, 0, 1, 0, 1 },
        { "LOGGING=0\r\n", 0, 0, 0, 0, 1, 0, 1 },
        { "LOGGING=\r\n", 1, 0, 0, 0, 1, 0, 1 },
        { "EXPLORER=\r\n", 0, 0, 0, 0, 1, 0, 1 },
        { "EXPLORER=false\r\n", 0, 0, 0, 0, 1, 0, 0 },
        { "EXPLORER=0\r\n", 0, 0, 0, 0, 1, 0, 0 },
        { "DESKTOP=FALSE\r\n", 0, 0, 0, 0, 1, 1, 1 },
        { "DESKTOP=YES\r\n", 0, 0, 0, 0, 1, 1, 1 },
        { "BONUS=0\r\n", 0, 0, 0, 0, 0, 0, 1 },
        { "BONUS=\r\n", 0, 0, 0, 0, 0, 0, 1 },
        { "ALLOWRBT=TRUE\r\nNOPASSWORD=1\r\n", 0, 1, 0, 1, 1, 0, 1 },
    };
    for (const FlagCase &c : cases) {
        SCOPED_TRACE(c.lines);
        ResetSessionState();
        Write(std::string("[INSTALL]\r\n") + c.lines);
        ReadOptions();
        EXPECT_EQ(folder_.File("install.ini"), std::string(IniFileName));
        EXPECT_EQ(c.logging, g_bLogging);
        EXPECT_EQ(c.allowReboot, g_bAllowReboot);
        EXPECT_EQ(c.silent, g_bSilent);
        EXPECT_EQ(c.noPass, g_bNoPass);
        EXPECT_EQ(c.bonus, gbInstallBonusPack);
        EXPECT_EQ(c.iconLocation, g_iconLocation);
        EXPECT_EQ(c.explore, g_bExplore);
        DeleteFileA(TempFile("setup.log").c_str());
    }
}

TEST_F(OptionsFile, LogLinesInOrderWhenLoggingIsOn)
{
    Write("[INSTALL]\r\nLOGGING=TRUE\r\nQUIET=1\r\nDESKTOP=FALSE\r\nLINE1=Made by \"us\"\r\nLINE2=\r\n");
    ReadOptions();
    std::vector<std::string> expected = {
        "g_bSilent=1", "g_bNoPass=0", "gbInstallBonusPack=1", "g_iconLocation=1",
        "g_bExplore=1", "g_szLine1=\"Made by \"us\"\"", "g_szLine2=\"\"",
    };
    EXPECT_EQ(expected, Log());
    EXPECT_STREQ("Made by \"us\"", g_szLine1);
    EXPECT_STREQ("", g_szLine2);
}

TEST_F(OptionsFile, NoLogWhenLoggingIsOff)
{
    Write("[INSTALL]\r\nQUIET=1\r\n");
    ReadOptions();
    EXPECT_FALSE(FileExists(TempFile("setup.log")));
}

TEST_F(OptionsFile, LongLinesAreCutToTheirFields)
{
    std::string longText(400, 'x');
    Write("[Install]\r\nLINE1=" + longText + "\r\n");
    ReadOptions();
    EXPECT_EQ(std::string(255, 'x'), std::string(g_szLine1));
}

TEST_F(OptionsFile, DefaultCopyChangesNothing)
{
    // The carried default copy keeps its sections renamed, so every key takes its default.
    char temp[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, temp);
    ASSERT_NE(0, ExtractPayload(GetModuleHandleA(NULL), 44, temp, "Install.ini"));
    ReadOptions();
    EXPECT_EQ(0, g_bLogging);
    EXPECT_EQ(0, g_bAllowReboot);
    EXPECT_EQ(0, g_bSilent);
    EXPECT_EQ(0, g_bNoPass);
    EXPECT_EQ(1, gbInstallBonusPack);
    EXPECT_EQ(0, g_iconLocation);
    EXPECT_EQ(1, g_bExplore);
    EXPECT_STREQ("", g_szLine1);
    EXPECT_STREQ("", g_szLine2);
}

TEST_F(OptionsFile, NoFileAnywhereAllowsTheRestart)
{
    // Nothing in the current folder, and nothing beside the test program.
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string beside = std::string(self).substr(0, std::string(self).rfind('\\')) + "\\install.ini";
    ASSERT_FALSE(FileExists(beside));
    g_bLogging = 1;
    ReadOptions();
    EXPECT_STREQ("", IniFileName);
    EXPECT_EQ(0, g_bLogging);
    EXPECT_EQ(1, g_bAllowReboot);
    EXPECT_EQ(0, g_bSilent);
    EXPECT_EQ(1, gbInstallBonusPack);
    EXPECT_EQ(1, g_bExplore);
}
