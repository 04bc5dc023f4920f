// The run's private folder: made new in the temporary folder, held, current, holding the
// scratch file; its access list; and what its removal takes along.
#include <gtest/gtest.h>
#include <aclapi.h>
#include <sddl.h>
#include "harness/testutil.h"
#include "session/session.h"
#include "session/workfolder.h"

static std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

// The name the run's folder takes on its try-th attempt (the temporary folder's path
// without its trailing backslash, then NXS<process id>-<try>).
static std::string CandidateName(int attempt)
{
    char name[32];
    snprintf(name, sizeof(name), "NXS%lX-%d", GetCurrentProcessId(), attempt);
    return TempFile(name);
}

class WorkFolder : public testing::Test {
protected:
    void TearDown() override
    {
        RemoveWorkFolder();
        for (int n = 1; n <= 3; n++)
            RemoveTree(CandidateName(n));
    }
};

TEST_F(WorkFolder, NewHeldCurrentAndHoldingTheScratchFile)
{
    char folder[MAX_PATH];
    ASSERT_EQ(0u, PrepareTempFolder(folder, MAX_PATH));
    std::string path(folder);
    EXPECT_EQ(CandidateName(1) + "\\", path);
    path.pop_back();
    EXPECT_EQ(path, CurrentFolder());
    char work[MAX_PATH];
    ASSERT_EQ(1, GetWorkFolder(work, MAX_PATH));
    EXPECT_EQ(path, work);

    // Held open without delete sharing: it cannot be renamed away and replaced.
    EXPECT_FALSE(MoveFileA(path.c_str(), (path + "-moved").c_str()));
    EXPECT_TRUE(FileExists(path));
    // The scratch file, held the same way, and written through its handle.
    std::string scratch = path + "\\" + g_szTempFileName;
    ASSERT_NE(INVALID_HANDLE_VALUE, ScratchFile());
    EXPECT_TRUE(FileExists(scratch));
    EXPECT_FALSE(DeleteFileA(scratch.c_str()));
    HANDLE other = CreateFileA(scratch.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, other);
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);

    // Removal takes what the folder holds, the scratch file and the folder itself.
    WriteFileText(path + "\\Install.ini", "[INSTALL]\r\n");
    RemoveWorkFolder();
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(INVALID_HANDLE_VALUE, ScratchFile());
    EXPECT_STREQ("", g_szTempFileName);
    EXPECT_EQ(0, GetWorkFolder(work, MAX_PATH));
    EXPECT_EQ(TempFile(""), CurrentFolder() + "\\");
}

TEST_F(WorkFolder, NamesThatExistArePassedOver)
{
    // Another program made the first name a folder (with a file in it), the second a file.
    std::string first = CandidateName(1), second = CandidateName(2);
    ASSERT_TRUE(CreateDirectoryA(first.c_str(), NULL));
    WriteFileText(first + "\\NXT1.TMP", "theirs");
    WriteFileText(second, "theirs too");
    char folder[MAX_PATH];
    ASSERT_EQ(0u, PrepareTempFolder(folder, MAX_PATH));
    EXPECT_EQ(CandidateName(3) + "\\", std::string(folder));
    RemoveWorkFolder();
    EXPECT_EQ("theirs", ReadFileText(first + "\\NXT1.TMP"));
    EXPECT_EQ("theirs too", ReadFileText(second));
    DeleteFileA(second.c_str());
}

TEST_F(WorkFolder, AMissingTemporaryFolderLeavesNothing)
{
    char saved[MAX_PATH], folder[MAX_PATH];
    DWORD had = GetEnvironmentVariableA("TMP", saved, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\nxmissing\\temp");
    DWORD error = PrepareTempFolder(folder, MAX_PATH);
    SetEnvironmentVariableA("TMP", had ? saved : NULL);
    EXPECT_EQ((DWORD)ERROR_PATH_NOT_FOUND, error);
    EXPECT_STREQ("C:\\nxmissing\\temp", folder);
    EXPECT_EQ(INVALID_HANDLE_VALUE, ScratchFile());
    EXPECT_FALSE(FileExists("C:\\nxmissing"));
}

// What an elevated run asks for: administrators and the system, full control, handed
// down to files and folders inside, and nothing handed down from the temporary folder.
TEST(WorkFolderSecurity, AdministratorsAndTheSystemAlone)
{
    PSECURITY_DESCRIPTOR security = AdminsOnlySecurity();
    ASSERT_TRUE(security != NULL);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision;
    ASSERT_TRUE(GetSecurityDescriptorControl(security, &control, &revision));
    EXPECT_TRUE(control & SE_DACL_PROTECTED);
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = NULL;
    ASSERT_TRUE(GetSecurityDescriptorDacl(security, &present, &dacl, &defaulted));
    ASSERT_TRUE(present && dacl != NULL);
    ASSERT_EQ(2, dacl->AceCount);
    std::vector<std::string> sids;
    for (int i = 0; i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        ASSERT_TRUE(GetAce(dacl, i, (void **)&ace));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, ace->Header.AceType);
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, ace->Header.AceFlags);
        EXPECT_EQ((DWORD)FILE_ALL_ACCESS, ace->Mask);
        char *text = NULL;
        ASSERT_TRUE(ConvertSidToStringSidA(&ace->SidStart, &text));
        sids.push_back(text);
        LocalFree(text);
    }
    EXPECT_EQ((std::vector<std::string>{ "S-1-5-32-544", "S-1-5-18" }), sids);
    LocalFree(security);
}
