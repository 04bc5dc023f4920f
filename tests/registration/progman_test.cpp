// Program groups through the shell's "PROGMAN" service, checked in the shortcuts it
// writes under the Start menu's Programs folder.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <algorithm>
#include "harness/testutil.h"
#include "registration/progman.h"
#include "registration/record.h"

static const char kOtherGroup[] = "NXT Tools";
static const char kSecondGroup[] = "NXT Second";

// The shortcut files of a group, sorted; empty when the group does not exist.
static std::vector<std::string> Items(const char *group)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((GroupFolder(group) + "\\*.lnk").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            names.push_back(data.cFileName);
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class ProgramGroup : public testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        const char *files[] = { "nxf95pro.exe", "nxfpro32.hlp", "RelNotes.txt", "user.exe" };
        for (const char *name : files)
            WriteFileText(dest_.File(name), "x");
    }
    void TearDown() override
    {
        CloseGroupClient();
        Clean();
    }
    static void Clean()
    {
        RemoveTree(GroupFolder(DEFAULT_GROUP));
        RemoveTree(GroupFolder(kOtherGroup));
        RemoveTree(GroupFolder(kSecondGroup));
    }
    // The install driver's calls for three items.
    void Install(const char *group)
    {
        ASSERT_EQ(1, CreateProgramGroup(group));
        EXPECT_EQ(1, AddGroupItem("NEXFER Pro", dest_.Path(), "nxf95pro.exe", ""));
        EXPECT_EQ(1, AddGroupItem("NEXFER Pro Help", dest_.Path(), "nxfpro32.hlp", NULL));
        EXPECT_EQ(1, AddGroupItem("", dest_.Path(), "RelNotes.txt", NULL));
        EXPECT_EQ(1, CloseGroupClient());
    }
    // The removal driver's calls: its own group made current first.
    void Remove(const char *group)
    {
        EXPECT_EQ(1, OpenGroupClient());
        SendGroupCommand((std::string("[CreateGroup(") + group + ")]").c_str());
        EXPECT_EQ(1, DeleteGroupItem("NEXFER Pro", "nxf95pro.exe"));
        EXPECT_EQ(1, DeleteGroupItem("NEXFER Pro Help", "nxfpro32.hlp"));
        EXPECT_EQ(1, DeleteGroupItem("", "RelNotes.txt"));
        EXPECT_EQ(1, CloseGroupClientAndDeleteGroup(group));
        EXPECT_EQ(0, g_bGroupClientOpen);
    }
    ScratchFolder dest_;
};

TEST_F(ProgramGroup, GroupAndItemsAreCreated)
{
    Install(DEFAULT_GROUP);
    // An empty title falls back to the file name.
    std::vector<std::string> expected = { "NEXFER Pro Help.lnk", "NEXFER Pro.lnk", "RelNotes.txt.lnk" };
    EXPECT_EQ(expected, Items(DEFAULT_GROUP));
}

TEST_F(ProgramGroup, ReAddingATitleLeavesOneItem)
{
    ASSERT_EQ(1, CreateProgramGroup(kOtherGroup));
    EXPECT_EQ(1, AddGroupItem("Tool", dest_.Path(), "nxf95pro.exe", NULL));
    EXPECT_EQ(1, AddGroupItem("Tool", dest_.Path(), "user.exe", NULL));
    EXPECT_EQ(1, AddGroupItem("", dest_.Path(), "user.exe", NULL));
    EXPECT_EQ(1, AddGroupItem("", dest_.Path(), "user.exe", NULL));
    std::vector<std::string> expected = { "Tool.lnk", "user.exe.lnk" };
    EXPECT_EQ(expected, Items(kOtherGroup));
}

TEST_F(ProgramGroup, DefaultGroupIsDeletedInAnyLetterCase)
{
    Install(DEFAULT_GROUP);
    Remove("nexfer pro");
    EXPECT_FALSE(FileExists(GroupFolder(DEFAULT_GROUP)));
}

TEST_F(ProgramGroup, OtherGroupStaysWithTheProductItemsRemoved)
{
    Install(kOtherGroup);
    ASSERT_EQ(1, CreateProgramGroup(kOtherGroup));
    AddGroupItem("User Program", dest_.Path(), "user.exe", NULL);
    CloseGroupClient();

    Remove(kOtherGroup);
    EXPECT_EQ(std::vector<std::string>{ "User Program.lnk" }, Items(kOtherGroup));
}

TEST_F(ProgramGroup, ItemCommandsApplyToTheCurrentGroupOnly)
{
    // The service keeps one current group across conversations and processes; a removal
    // that does not select its group first leaves its items behind.
    Install(kOtherGroup);
    ASSERT_EQ(1, CreateProgramGroup(kSecondGroup));
    EXPECT_EQ(0, SendGroupCommand("[DeleteItem(\"NEXFER Pro\")]"));
    CloseGroupClient();
    ASSERT_EQ(1, OpenGroupClient());
    EXPECT_EQ(0, SendGroupCommand("[DeleteItem(\"NEXFER Pro Help\")]"));
    EXPECT_EQ(3u, Items(kOtherGroup).size());

    EXPECT_EQ(1, SendGroupCommand("[CreateGroup(NXT Tools)]"));
    EXPECT_EQ(1, SendGroupCommand("[DeleteItem(\"NEXFER Pro\")]"));
    EXPECT_EQ(2u, Items(kOtherGroup).size());
}

TEST_F(ProgramGroup, NamesThatWouldRewriteACommandAreNeverSent)
{
    struct { const char *name; int safe; } cases[] = {
        { "NEXFER Pro", 1 }, { "My FTP, Tools (old", 1 }, { "NX)", 0 }, { "NX]", 0 }, { "[NX", 0 },
        { "N\"X", 0 }, { "N\tX", 0 }, { "N\x7fX", 1 },
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.safe, IsSafeGroupName(c.name)) << c.name;

    const char *hostile = "NXT)][CreateGroup(NXT Injected)] \"Q";
    EXPECT_EQ(1, CreateProgramGroup(hostile));
    EXPECT_EQ(1, CloseGroupClient());
    EXPECT_FALSE(FileExists(GroupFolder("NXT")));
    EXPECT_FALSE(FileExists(GroupFolder("NXT Injected")));
    RemoveTree(GroupFolder("NXT"));
    RemoveTree(GroupFolder("NXT Injected"));
}

TEST_F(ProgramGroup, AFolderWithParenthesesKeepsTheItemWhole)
{
    std::string folder = dest_.File("Tools (x86)");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL));
    WriteFileText(folder + "\\nxf95pro.exe", "x");
    ASSERT_EQ(1, CreateProgramGroup(kOtherGroup));
    EXPECT_EQ(1, AddGroupItem("NEXFER Pro", folder.c_str(), "nxf95pro.exe", NULL));
    EXPECT_EQ(std::vector<std::string>{ "NEXFER Pro.lnk" }, Items(kOtherGroup));
}
