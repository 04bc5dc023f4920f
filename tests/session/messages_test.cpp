// Messages by number, inserts and the setup log.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"
#include "resource.h"

TEST(Messages, LoadMessageReadsTheStringTable)
{
    char text[256];
    EXPECT_EQ(1, LoadMessage(IDS_INSTALL_DONE, text, sizeof(text)));
    EXPECT_STREQ("Installation successful!\nHappy FTP'ing!", text);
    EXPECT_EQ(1, LoadMessage(IDS_COPYING, text, sizeof(text)));
    EXPECT_STREQ("Copying %1!s!%2!s! to %3!s!\\%4!s!", text);
    EXPECT_EQ(1, LoadMessage(IDS_ASK_MORE_SITES, text, sizeof(text)));
    EXPECT_STREQ("Do you wish to install additional FTP sites?\nYour old ones will be preserved under "
                 "\"MySites\"\nin the file \"original.ini\".", text);
    EXPECT_EQ(1, LoadMessage(IDS_CHOICE_INSTALL, text, sizeof(text)));
    EXPECT_STREQ("&Install or update NEXFER Pro", text);
}

TEST(Messages, LoadMessageFallbackAndCut)
{
    char text[256];
    EXPECT_EQ(0, LoadMessage(12345, text, sizeof(text)));
    EXPECT_STREQ("12345 DEBUG - Unable to load string", text);

    char small[10 + 4];
    memset(small, '#', sizeof(small));
    EXPECT_EQ(0, LoadMessage(12345, small, 10));
    EXPECT_STREQ("12345 DEB", small);
    EXPECT_EQ('#', small[10]);

    char untouched[4] = "abc";
    EXPECT_EQ(0, LoadMessage(IDS_INSTALL, untouched, 0));
    EXPECT_STREQ("abc", untouched);

    char cut[8];
    memset(cut, '#', sizeof(cut));
    EXPECT_EQ(1, LoadMessage(IDS_CONGRATULATIONS, cut, 6));
    EXPECT_STREQ("Congr", cut);
    EXPECT_EQ('#', cut[6]);
}

TEST(Messages, FormatInsertsFillsNumberedInserts)
{
    char pattern[256], out[FORMATTED_SIZE];
    LoadMessage(IDS_CREATE_FAILED, pattern, sizeof(pattern));
    EXPECT_EQ((int)strlen("Creation of C:\\NX failed. (5)"), FormatInserts(out, COUNTOF(out), pattern, "C:\\NX", 5u));
    EXPECT_STREQ("Creation of C:\\NX failed. (5)", out);

    LoadMessage(IDS_COPYING, pattern, sizeof(pattern));
    FormatInserts(out, COUNTOF(out), pattern, "C:\\TEMP\\", "nxf.dll", "D:\\NX", "nxf.dll");
    EXPECT_STREQ("Copying C:\\TEMP\\nxf.dll to D:\\NX\\nxf.dll", out);

    // Inserts are used in the order of their numbers, not of their places.
    FormatInserts(out, COUNTOF(out), "%2!s!-%1!u!", 7u, "b");
    EXPECT_STREQ("b-7", out);

    // The caller's size bounds the text: exact fit, then one short, sentinel untouched.
    char small[6];
    memset(small, '#', sizeof(small));
    EXPECT_EQ(3, FormatInserts(small, 4, "%2!s!-%1!u!", 7u, "b"));
    EXPECT_STREQ("b-7", small);
    EXPECT_EQ(0, FormatInserts(small, 3, "%2!s!-%1!u!", 7u, "b"));
    EXPECT_EQ('#', small[5]);
}

// The log is setup.log of the temporary folder, whatever folder is current.
class LogFile : public testing::Test {
protected:
    void SetUp() override
    {
        SetCurrentDirectoryA(folder_.Path());
        Clean();
    }
    void TearDown() override
    {
        EnterTempFolder();
        Clean();
    }
    static void Clean()
    {
        for (const char *name : { "setup.log", "setup-1.log", "setup-2.log" })
            DeleteFileA(TempFile(name).c_str());
        RemoveDirectoryA(TempFile("setup.log").c_str());
    }
    ScratchFolder folder_;
};

TEST_F(LogFile, LinesAreAppendedAcrossRuns)
{
    g_bLogging = 1;
    WriteLog("first");
    WriteLog("second");
    // A later run appends to what an earlier one left.
    ResetSessionState();
    g_bLogging = 1;
    WriteLog("third");
    EXPECT_EQ("first\r\nsecond\r\nthird\r\n", ReadFileText(TempFile("setup.log")));
    EXPECT_FALSE(FileExists(folder_.File("setup.log")));
}

TEST_F(LogFile, NothingIsWrittenWhenLoggingIsOff)
{
    WriteLog("nothing");
    EXPECT_FALSE(FileExists(TempFile("setup.log")));
}

TEST_F(LogFile, QuietMessageGoesToTheLogWithTheAssumedAnswer)
{
    g_bLogging = 1;
    g_bSilent = 1;
    EXPECT_EQ(IDCANCEL, ShowMessage(NULL, "Copy failed", "Install", MB_RETRYCANCEL, IDCANCEL));
    EXPECT_EQ("Copy failed\r\n", ReadFileText(TempFile("setup.log")));
}

// Another program's hard link at the name would aim the lines at its file: that file is
// never written, the log goes on in a new file beside it.
TEST_F(LogFile, AHardLinkAtTheNameIsLeftAlone)
{
    std::string target = folder_.File("elsewhere.txt");
    WriteFileText(target, "not a log\r\n");
    ASSERT_TRUE(CreateHardLinkA(TempFile("setup.log").c_str(), target.c_str(), NULL));
    g_bLogging = 1;
    WriteLog("first");
    WriteLog("second");
    const std::string why = "setup.log was not written: it has 2 names (a hard link). The log goes on here.";
    EXPECT_EQ((std::vector<std::string>{ why, "first", "second" }), ReadLines(TempFile("setup-1.log")));
    // The next run tries setup.log again, and passes over the name taken.
    ResetSessionState();
    g_bLogging = 1;
    WriteLog("third");
    EXPECT_EQ((std::vector<std::string>{ why, "third" }), ReadLines(TempFile("setup-2.log")));
    EXPECT_EQ("not a log\r\n", ReadFileText(target));
}

TEST_F(LogFile, AFolderAtTheNameIsLeftAlone)
{
    ASSERT_TRUE(CreateDirectoryA(TempFile("setup.log").c_str(), NULL));
    g_bLogging = 1;
    WriteLog("line");
    EXPECT_EQ((std::vector<std::string>{ "setup.log was not written: it cannot be opened (5). The log goes on here.",
                                         "line" }),
              ReadLines(TempFile("setup-1.log")));
    EXPECT_TRUE(RemoveDirectoryA(TempFile("setup.log").c_str())); // still an empty folder
}
