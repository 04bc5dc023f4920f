// The product INI step: when NEXFER.ini is written, when the user's file is set aside,
// which site lists are added, and what is left alone.
#include <gtest/gtest.h>
#include "drivers/components.h"
#include "payload/placement_support.h"
#include "payload/productini.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"
#include "session/workfolder.h"
#include "resource.h"

class ProductIni : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, CreateScratchFile(temp_.Path()));
        source_ = std::string(temp_.Path()) + "\\";
        dest_ = folder_.Path();
    }
    void TearDown() override { CloseScratchFile(); }
    // Runs the step, answering the sites question with answer; returns the questions seen.
    std::vector<std::string> Run(DWORD flags, int answer = IDNO, const std::string &dest = "")
    {
        std::vector<std::string> texts;
        UiDriver boxes("NEXFER Sites", [&texts, answer](HWND box, int) {
            texts.push_back(MessageBoxText(box));
            Click(box, answer);
        });
        InstallProductIni(source_.c_str(), (dest.empty() ? dest_ : dest).c_str(), flags, NULL, NULL,
                          message_, COUNTOF(message_), &ok_, &g_siteList);
        boxes.Finish();
        return texts;
    }
    // The template with every "$$" replaced by folder.
    std::string ExpectedIni(const std::string &folder)
    {
        ExtractPayload(GetModuleHandleA(NULL), PAYLOAD_PRODUCTINI, temp_.Path(), "t.ini");
        std::string text = ReadFileText(temp_.File("t.ini"));
        DeleteFileA(temp_.File("t.ini").c_str());
        for (size_t at; (at = text.find("$$")) != std::string::npos;)
            text.replace(at, 2, folder);
        return text;
    }
    void ExpectSiteLists(int skipped)
    {
        for (int i = 1; i <= 8; i++) {
            SCOPED_TRACE(i);
            EXPECT_EQ(i == skipped ? 0 : ROW_HANDLED, g_siteList.rows[i].status);
            if (i != skipped) {
                std::string placed = ReadFileText(folder_.File(g_siteList.rows[i].installedName));
                EXPECT_TRUE(!placed.empty() && placed == ExpandedRow(35 + i));
            }
        }
    }

    ScratchFolder temp_, folder_;
    std::string source_, dest_;
    char message_[DRIVER_MESSAGE_SIZE] = "";
    int ok_ = 1;
};

TEST_F(ProductIni, FirstInstallationWritesTheIniAndEverySiteList)
{
    for (DWORD flags : { INSTALL_CLASSIC, INSTALL_EXPLORER | INSTALL_QUIET }) {
        RemoveTree(dest_);
        CreateDirectoryA(dest_.c_str(), NULL);
        ResetComponentStatus();
        EXPECT_TRUE(Run(flags).empty());
        EXPECT_EQ(ExpectedIni(dest_), ReadFileText(folder_.File("NEXFER.ini")));
        ExpectSiteLists(0);
        EXPECT_EQ(1, ok_);
        EXPECT_STREQ("", message_);
    }
    // Bonus pack only: the step does not run.
    RemoveTree(dest_);
    CreateDirectoryA(dest_.c_str(), NULL);
    Run(INSTALL_BONUS);
    EXPECT_TRUE(FolderContent(dest_).empty());
}

TEST_F(ProductIni, ExistingIniAnsweredYesIsSetAside)
{
    WriteFileText(folder_.File("NEXFER.ini"), "[MySites]\r\nFILENAME=C:\\old.ini\r\n[_config_]\r\nSESSION=Mine\r\n");
    char question[MESSAGE_SIZE];
    LoadMessage(IDS_ASK_MORE_SITES, question, sizeof(question));
    EXPECT_EQ(std::vector<std::string>{ question }, Run(INSTALL_CLASSIC, IDYES));
    std::string original = folder_.File("original.ini");
    char value[64];
    GetPrivateProfileStringA("MySites", "FILENAME", "gone", value, sizeof(value), original.c_str());
    EXPECT_STREQ("gone", value);
    GetPrivateProfileStringA("_config_", "SESSION", "", value, sizeof(value), original.c_str());
    EXPECT_STREQ("Mine", value);
    EXPECT_EQ(ExpectedIni(dest_), ReadFileText(folder_.File("NEXFER.ini")));
    ExpectSiteLists(0);
}

TEST_F(ProductIni, CasesThatLeaveTheFolderAlone)
{
    struct { const char *extra; DWORD flags; size_t questions; } cases[] = {
        { NULL, INSTALL_CLASSIC, 1 },                      // the user answers No
        { "original.ini", INSTALL_CLASSIC, 0 },
        { "sites1.ini", INSTALL_EXPLORER, 0 },
        { NULL, INSTALL_CLASSIC | INSTALL_QUIET, 0 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.extra ? c.extra : "only NEXFER.ini");
        RemoveTree(dest_);
        CreateDirectoryA(dest_.c_str(), NULL);
        WriteFileText(folder_.File("NEXFER.ini"), "[MySites]\r\nFILENAME=mine\r\n");
        if (c.extra)
            WriteFileText(folder_.File(c.extra), "[site]\r\n");
        auto before = FolderContent(dest_);
        EXPECT_EQ(c.questions, Run(c.flags, IDNO).size());
        EXPECT_EQ(before, FolderContent(dest_));
        EXPECT_EQ(1, ok_);
    }
}

TEST_F(ProductIni, PresentSiteListIsKept)
{
    WriteFileText(folder_.File("sites3.ini"), "[my own]\r\n");
    Run(INSTALL_CLASSIC);
    EXPECT_EQ("[my own]\r\n", ReadFileText(folder_.File("sites3.ini")));
    ExpectSiteLists(3);
}

TEST_F(ProductIni, TrailingBackslashIsDoubledInTheValues)
{
    Run(INSTALL_CLASSIC, IDNO, dest_ + "\\");
    std::string ini = folder_.File("NEXFER.ini");
    char value[MAX_PATH];
    GetPrivateProfileStringA("MySites", "FILENAME", "", value, sizeof(value), ini.c_str());
    EXPECT_EQ(dest_ + "\\\\original.ini", value);
    GetPrivateProfileStringA("_config_", "SESSIONINI", "", value, sizeof(value), ini.c_str());
    EXPECT_EQ(dest_ + "\\\\sites5.ini", value);
    ExpectSiteLists(0);
}

TEST_F(ProductIni, CancelAndTemplateFailure)
{
    // Cancel is seen after the first site list.
    g_bCancel = 1;
    Run(INSTALL_CLASSIC);
    EXPECT_EQ(0, ok_);
    EXPECT_TRUE(FileExists(folder_.File("sites1.ini")));
    EXPECT_FALSE(FileExists(folder_.File("sites2.ini")));

    // Without a scratch file nothing can be extracted: the installation fails with a note.
    RemoveTree(dest_);
    CreateDirectoryA(dest_.c_str(), NULL);
    g_bCancel = 0, ok_ = 1;
    CloseScratchFile();
    Run(INSTALL_CLASSIC);
    EXPECT_EQ(0, ok_);
    EXPECT_STREQ("Failed to install INI files.", message_);
    EXPECT_FALSE(FileExists(folder_.File("sites1.ini")));
}

TEST_F(ProductIni, AFailedWritePutsTheUsersFileBackWhole)
{
    const std::string users = "[MySites]\r\nFILENAME=C:\\old.ini\r\n[_config_]\r\nSESSION=Mine\r\n";
    WriteFileText(folder_.File("NEXFER.ini"), users);
    CloseScratchFile();
    Run(INSTALL_CLASSIC, IDYES);
    EXPECT_EQ(0, ok_);
    EXPECT_STREQ("Failed to install INI files.", message_);
    EXPECT_EQ(users, ReadFileText(folder_.File("NEXFER.ini")));
    EXPECT_FALSE(FileExists(folder_.File("original.ini")));
    EXPECT_FALSE(FileExists(folder_.File("sites1.ini")));
}

// The user's file is set aside, then original.ini cannot be made (the journal is full):
// the file goes back at once, whole, and the installation fails.
TEST_F(ProductIni, AFailedCopyToOriginalPutsTheUsersFileBack)
{
    const std::string users = "[MySites]\r\nFILENAME=C:\\old.ini\r\n";
    WriteFileText(folder_.File("NEXFER.ini"), users);
    JournalBegin();
    while (JournalCount() < JOURNAL_SIZE - 1)
        ASSERT_EQ(1, JournalCreated(folder_.File("never-made.txt").c_str()));
    Run(INSTALL_CLASSIC, IDYES);
    EXPECT_EQ(JOURNAL_SIZE - 1, JournalCount());
    JournalTakeBack();
    EXPECT_EQ(0, ok_);
    EXPECT_STREQ("Failed to install INI files.", message_);
    EXPECT_EQ(users, ReadFileText(folder_.File("NEXFER.ini")));
    EXPECT_FALSE(FileExists(folder_.File("original.ini")));
    EXPECT_FALSE(FileExists(folder_.File("~nxold00.tmp")));
}
