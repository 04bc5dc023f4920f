// The temporary folder is everybody's: links planted there before a run steer none of the
// elevated program's writes, and the run's own folder inside it is private, held and
// removed at the end.
#include <gtest/gtest.h>
#include <winerror.h>
#include <aclapi.h>
#include <sddl.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"
#include "resource.h"

#define WELCOME "NEXFER Pro Installation"

// A setup variant started suspended, so that its process id (which the names of its
// folder and scratch file carry) is known before it runs; ended if still running.
class SuspendedSetup {
public:
    explicit SuspendedSetup(const char *variant)
    {
        std::string line = "\"" + VariantPath(variant) + "\"";
        std::vector<char> command(line.begin(), line.end());
        STARTUPINFOA si = {};
        command.push_back('\0');
        si.cb = sizeof(si);
        if (!CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, CREATE_SUSPENDED, NULL, NULL, &si, &info_))
            info_ = {};
    }
    ~SuspendedSetup()
    {
        if (!info_.hProcess)
            return;
        if (WaitForSingleObject(info_.hProcess, 0) != WAIT_OBJECT_0)
            TerminateProcess(info_.hProcess, 99);
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    bool Started() const { return info_.hProcess != NULL; }
    void Resume() { ResumeThread(info_.hThread); }
    DWORD WaitForExit(DWORD timeoutMs)
    {
        DWORD code = (DWORD)-1;
        if (WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    HWND WaitForWelcome()
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start < 30000; Sleep(20)) {
            HWND page = FindDialog(info_.dwProcessId, WELCOME, IDC_CHOICE_INSTALL);
            if (page || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0)
                return page;
        }
        return NULL;
    }
    // A name of this run, in the temporary folder: "NXS%lX-1" gives its first folder.
    std::string TempName(const char *format, int n = 0) const
    {
        char name[64];
        snprintf(name, sizeof(name), format, info_.dwProcessId, n);
        return TempFolder() + name;
    }
private:
    PROCESS_INFORMATION info_ = {};
};

static bool Link(const std::string &link, const std::string &target)
{
    return CreateHardLinkA(link.c_str(), target.c_str(), NULL) != 0;
}

TEST(TempFolderLinks, LinksPlantedBeforeTheRunLeaveTheirTargetsAlone)
{
    ScratchFolder elsewhere;
    const std::string log = elsewhere.File("log.txt"), ini = elsewhere.File("options.txt"),
                      scratch = elsewhere.File("scratch.txt");
    WriteFileText(log, "another program's file\r\n");
    WriteFileText(ini, "[INSTALL]\r\nQUIET=FALSE\r\nLOGGING=FALSE\r\n");
    WriteFileText(scratch, "another program's scratch\r\n");
    SuspendedSetup setup("setup_quiet_log");
    ASSERT_TRUE(setup.Started());
    // Links at setup.log, Install.ini and the scratch file's name, in the temporary folder
    // and in a folder made in advance under the first name of the run's own folder.
    const std::string taken = setup.TempName("NXS%lX-%d", 1);
    ASSERT_TRUE(CreateDirectoryA(taken.c_str(), NULL));
    ASSERT_TRUE(Link(TempFolder() + "setup.log", log));
    for (const std::string &folder : { TempFolder(), taken + "\\" }) {
        ASSERT_TRUE(Link(folder + "Install.ini", ini));
        ASSERT_TRUE(Link(setup.TempName("NXT%lX.TMP").replace(0, TempFolder().size(), folder), scratch));
    }
    setup.Resume();

    // The explorer interface registered itself: a restart is due, and not allowed.
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit(120000));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_EQ("another program's file\r\n", ReadFileText(log));
    EXPECT_EQ("[INSTALL]\r\nQUIET=FALSE\r\nLOGGING=FALSE\r\n", ReadFileText(ini));
    EXPECT_EQ("another program's scratch\r\n", ReadFileText(scratch));
    // The folder made in advance was passed over and left as it was; the run's own went.
    EXPECT_EQ((std::vector<std::string>{ "Install.ini", setup.TempName("NXT%lX.TMP").substr(TempFolder().size()) }),
              FolderEntries(taken));
    EXPECT_FALSE(FileExists(setup.TempName("NXS%lX-%d", 2)));
    // The log went on beside the linked setup.log, saying why, with the run's options
    // (from its own copy of the options file) and its ending.
    std::vector<std::string> lines = ReadLines(TempFolder() + "setup-1.log");
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ("setup.log was not written: it has 2 names (a hard link). The log goes on here.", lines[0]);
    EXPECT_EQ("g_bSilent=1", lines[1]);
    EXPECT_NE(std::string::npos, lines.back().find("3010")) << lines.back();
    for (const char *name : { "setup.log", "setup-1.log", "Install.ini" })
        DeleteFileA((TempFolder() + name).c_str());
    DeleteFileA(setup.TempName("NXT%lX.TMP").c_str());
    RemoveTree(taken);
}

// The SIDs an access list allows, as text.
static std::vector<std::string> AllowedSids(PACL dacl)
{
    std::vector<std::string> sids;
    for (int i = 0; dacl && i < dacl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace = NULL;
        char *text = NULL;
        if (GetAce(dacl, i, (void **)&ace) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
            ConvertSidToStringSidA(&ace->SidStart, &text)) {
            sids.push_back(text);
            LocalFree(text);
        }
    }
    return sids;
}

TEST(TempFolderLinks, TheRunsFolderIsPrivateHeldAndRemoved)
{
    SuspendedSetup setup("setup_interactive");
    ASSERT_TRUE(setup.Started());
    setup.Resume();
    HWND welcome = setup.WaitForWelcome();
    ASSERT_TRUE(welcome != NULL) << "welcome page";

    // The options copy and the scratch file are in the run's folder, not beside it.
    const std::string folder = setup.TempName("NXS%lX-%d", 1), scratchName = setup.TempName("NXT%lX.TMP");
    const std::string scratch = folder + "\\" + scratchName.substr(TempFolder().size());
    EXPECT_EQ((std::vector<std::string>{ "Install.ini", scratchName.substr(TempFolder().size()) }),
              FolderEntries(folder));
    EXPECT_FALSE(FileExists(TempFolder() + "Install.ini"));
    EXPECT_FALSE(FileExists(scratchName));

    // Neither the folder nor the scratch file can be renamed, deleted or written by others.
    EXPECT_FALSE(MoveFileA(folder.c_str(), (folder + "-moved").c_str()));
    EXPECT_FALSE(DeleteFileA(scratch.c_str()));
    HANDLE other = CreateFileA(scratch.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               NULL, OPEN_EXISTING, 0, NULL);
    EXPECT_EQ(INVALID_HANDLE_VALUE, other);
    if (other != INVALID_HANDLE_VALUE)
        CloseHandle(other);

    // Its access list, read back: the system and administrators (the folder's owner in an
    // elevated run) alone; not the users, not everyone.
    PACL dacl = NULL;
    PSID owner = NULL;
    PSECURITY_DESCRIPTOR security = NULL;
    ASSERT_EQ((DWORD)ERROR_SUCCESS, GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT,
                                                          DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION,
                                                          &owner, NULL, &dacl, NULL, &security));
    char *ownerText = NULL;
    ASSERT_TRUE(ConvertSidToStringSidA(owner, &ownerText));
    std::vector<std::string> sids = AllowedSids(dacl);
    EXPECT_NE(sids.end(), std::find(sids.begin(), sids.end(), "S-1-5-18"));
    for (const std::string &sid : sids)
        EXPECT_TRUE(sid == "S-1-5-18" || sid == "S-1-5-32-544" || sid == ownerText) << sid << " may enter";
    LocalFree(ownerText);
    LocalFree(security);

    EXPECT_TRUE(ClickAndWait(welcome, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit(30000));
    EXPECT_FALSE(FileExists(folder));
}
