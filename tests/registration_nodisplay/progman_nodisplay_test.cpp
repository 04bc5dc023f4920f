// The program-group client without the shell's service, and the exact command texts as
// a stand-in "PROGMAN" server on a second thread receives them.
#include <gtest/gtest.h>
#include <string.h>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/progman.h"
#include "session/sizes.h"
#include "registration/shortcuts.h"
#include <shlobj.h>
#include <ddeml.h>

static const char kJunction[] = EXPLORER_JUNCTION;

#define LINK_GROUP "NX Link Road"

// Target, arguments and working folder of a shortcut file.
static std::string ReadLink(const std::string &path)
{
    IShellLinkA *link = NULL;
    IPersistFile *file = NULL;
    char target[MAX_PATH] = "", arguments[MAX_PATH] = "", folder[MAX_PATH] = "";
    WCHAR wide[MAX_PATH];

    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    if (FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA, (void **)&link)))
        return "<no shell link>";
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, (void **)&file))) {
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            link->GetPath(target, MAX_PATH, NULL, 0);
            link->GetArguments(arguments, MAX_PATH);
            link->GetWorkingDirectory(folder, MAX_PATH);
        }
        file->Release();
    }
    link->Release();
    return std::string(target) + "|" + arguments + "|" + folder;
}

static std::string CommonGroupFolder(const char *group)
{
    char programs[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_COMMON_PROGRAMS, NULL, 0, programs);
    return std::string(programs) + "\\" + group;
}

// Without the service every command fails, and the group is made of shortcut files in
// the all-users programs folder; the removal's link deletion takes only named items.
TEST(GroupServiceAbsent, ItemsBecomeShortcutFiles)
{
    std::string folder = CommonGroupFolder(LINK_GROUP);
    CoInitialize(NULL);
    EXPECT_EQ(1, CreateProgramGroup(LINK_GROUP));
    EXPECT_EQ(1, g_bGroupClientOpen);
    const char *commands[] = { "[CreateGroup(NEXFER Pro)]", "[DeleteItem(\"NEXFER Pro\")]",
                               "[AddItem(\"C:\\x.exe\",\"x\",,,,,C:\\)]", "[DeleteGroup(NEXFER Pro)]" };
    for (const char *command : commands)
        EXPECT_EQ(0, SendGroupCommand(command)) << command;
    EXPECT_EQ(1, AddGroupItem("NEXFER Pro", "C:\\windows", "notepad.exe", NULL));
    EXPECT_EQ(1, AddGroupItem("NEXFER Pro Explorer", "C:\\windows", "", kJunction));
    EXPECT_EQ(1, CloseGroupClient());
    EXPECT_EQ(0, g_bGroupClientOpen);
    EXPECT_EQ("C:\\windows\\notepad.exe||C:\\windows", ReadLink(folder + "\\NEXFER Pro.lnk"));
    EXPECT_EQ("C:\\windows\\explorer.exe|::" CLSID_EXPLORER_TEXT "|C:\\windows",
              ReadLink(folder + "\\NEXFER Pro Explorer.lnk"));

    // Another file in the folder keeps it; a group name that is no folder name is refused.
    WriteFileText(folder + "\\mine.txt", "kept");
    DeleteGroupLink(LINK_GROUP, "NEXFER Pro");
    DeleteGroupLink(LINK_GROUP, "NEXFER Pro Explorer");
    RemoveEmptyGroupFolders(LINK_GROUP);
    EXPECT_FALSE(FileExists(folder + "\\NEXFER Pro.lnk"));
    EXPECT_TRUE(FileExists(folder + "\\mine.txt"));
    DeleteFileA((folder + "\\mine.txt").c_str());
    RemoveEmptyGroupFolders(LINK_GROUP);
    EXPECT_FALSE(FileExists(folder));
    for (const char *name : { "..", "..\\Startup", "C:\\x", "a/b" })
        EXPECT_EQ(0, OpenLinkGroup(name)) << name;
    CloseLinkGroup();
    CoUninitialize();
}

// A "PROGMAN" server of this process: records every execute command with its size and
// counts conversations; refuses commands while refuse is set.
class CommandRecorder {
public:
    CommandRecorder() : thread_([this] { Serve(); })
    {
        std::unique_lock<std::mutex> lock(mutex_);
        while (!ready_)
            readyChanged_.wait(lock);
    }
    ~CommandRecorder()
    {
        PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
        thread_.join();
        s_active = NULL;
    }
    std::vector<std::string> Take()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        std::vector<std::string> taken;
        taken.swap(commands_);
        return taken;
    }
    int Conversations()
    {
        std::lock_guard<std::mutex> lock(mutex_);
        return connects_ == disconnects_ ? connects_ : -1;
    }
    std::atomic<bool> refuse{false};

private:
    void Serve()
    {
        DWORD instance = 0;
        HSZ name = NULL;
        threadId_ = GetCurrentThreadId();
        s_active = this;
        if (DdeInitializeA(&instance, Callback, APPCLASS_STANDARD | CBF_FAIL_ADVISES | CBF_FAIL_POKES |
                           CBF_FAIL_REQUESTS | CBF_SKIP_REGISTRATIONS | CBF_SKIP_UNREGISTRATIONS, 0) == 0) {
            name = DdeCreateStringHandleA(instance, "PROGMAN", CP_WINANSI);
            DdeNameService(instance, name, NULL, DNS_REGISTER);
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            ready_ = true;
        }
        readyChanged_.notify_all();
        MSG msg;
        while (GetMessageA(&msg, NULL, 0, 0) > 0)
            DispatchMessageA(&msg);
        if (instance) {
            DdeNameService(instance, name, NULL, DNS_UNREGISTER);
            DdeFreeStringHandle(instance, name);
            DdeUninitialize(instance);
        }
    }
    static HDDEDATA CALLBACK Callback(UINT type, UINT, HCONV, HSZ, HSZ, HDDEDATA data, ULONG_PTR, ULONG_PTR)
    {
        CommandRecorder *self = s_active;
        std::lock_guard<std::mutex> lock(self->mutex_);
        switch (type) {
        case XTYP_CONNECT:
            return (HDDEDATA)TRUE;
        case XTYP_CONNECT_CONFIRM:
            self->connects_++;
            return NULL;
        case XTYP_DISCONNECT:
            self->disconnects_++;
            return NULL;
        case XTYP_EXECUTE: {
            DWORD size = DdeGetData(data, NULL, 0, 0);
            std::string bytes(size, '\0');
            DdeGetData(data, (BYTE *)&bytes[0], size, 0);
            self->commands_.push_back(bytes);
            return (HDDEDATA)(ULONG_PTR)(self->refuse ? DDE_FNOTPROCESSED : DDE_FACK);
        }
        }
        return NULL;
    }
    static CommandRecorder *s_active;
    std::mutex mutex_;
    std::condition_variable readyChanged_;
    bool ready_ = false;
    DWORD threadId_ = 0;
    std::vector<std::string> commands_;
    int connects_ = 0, disconnects_ = 0;
    std::thread thread_;
};
CommandRecorder *CommandRecorder::s_active;

// Each command arrives with its terminating zero; the texts are compared without it.
static std::vector<std::string> Texts(const std::vector<std::string> &received)
{
    std::vector<std::string> texts;
    for (const std::string &bytes : received) {
        EXPECT_TRUE(!bytes.empty() && bytes.back() == '\0') << bytes;
        texts.push_back(bytes.empty() ? bytes : bytes.substr(0, bytes.size() - 1));
    }
    return texts;
}

class GroupCommands : public testing::Test {
protected:
    void TearDown() override { CloseGroupClient(); }
    CommandRecorder recorder_;
};

TEST_F(GroupCommands, InstallationSendsTheExactTexts)
{
    ASSERT_EQ(1, CreateProgramGroup("NEXFER Pro"));
    EXPECT_EQ(1, AddGroupItem("NEXFER Pro", "C:\\Program Files\\NEXFER Pro", "nxf95pro.exe", NULL));
    EXPECT_EQ(1, AddGroupItem("", "C:\\", "RelNotes.txt", ""));
    EXPECT_EQ(1, AddGroupItem("Other", "C:\\D", "E:\\Elsewhere\\x.exe", NULL));
    EXPECT_EQ(1, AddGroupItem("NEXFER Pro Explorer", "C:\\D", "", kJunction));
    EXPECT_EQ(1, CloseGroupClient());
    std::vector<std::string> expected = {
        "[CreateGroup(NEXFER Pro)]",
        "[DeleteItem(\"NEXFER Pro\")]",
        "[AddItem(\"C:\\Program Files\\NEXFER Pro\\nxf95pro.exe\",\"NEXFER Pro\",,,,,C:\\Program Files\\NEXFER Pro)]",
        "[DeleteItem(\"RelNotes.txt\")]",
        "[AddItem(\"C:\\RelNotes.txt\",\"RelNotes.txt\",,,,,C:\\)]",
        "[DeleteItem(\"Other\")]",
        "[AddItem(\"E:\\Elsewhere\\x.exe\",\"Other\",,,,,C:\\D)]",
        "[DeleteItem(\"NEXFER Pro Explorer\")]",
        std::string("[AddItem(\"") + kJunction + "\",\"NEXFER Pro Explorer\",,,,,C:\\D)]",
    };
    EXPECT_EQ(expected, Texts(recorder_.Take()));
    EXPECT_EQ((int)expected.size(), recorder_.Conversations()); // one conversation per command
}

TEST_F(GroupCommands, NoFolderMeansTheCurrentFolder)
{
    ScratchFolder folder;
    char previous[MAX_PATH];
    GetCurrentDirectoryA(MAX_PATH, previous);
    SetCurrentDirectoryA(folder.Path());
    ASSERT_EQ(1, OpenGroupClient());
    EXPECT_EQ(1, AddGroupItem("T", NULL, "t.exe", NULL));
    SetCurrentDirectoryA(previous);
    std::vector<std::string> texts = Texts(recorder_.Take());
    ASSERT_EQ(2u, texts.size());
    EXPECT_EQ("[AddItem(\"" + folder.File("t.exe") + "\",\"T\",,,,," + folder.Path() + ")]", texts[1]);
}

TEST_F(GroupCommands, RemovalTextsAndTheDefaultGroupInAnyCase)
{
    ASSERT_EQ(1, OpenGroupClient());
    EXPECT_EQ(1, DeleteGroupItem("NEXFER Pro", "nxf95pro.exe"));
    EXPECT_EQ(1, DeleteGroupItem("", "nxfrem32.exe"));
    EXPECT_EQ(1, CloseGroupClientAndDeleteGroup("nexfer PRO"));
    ASSERT_EQ(1, OpenGroupClient());
    EXPECT_EQ(1, CloseGroupClientAndDeleteGroup("NEXFER Pro Tools"));
    std::vector<std::string> expected = {
        "[DeleteItem(\"NEXFER Pro\")]",
        "[DeleteItem(\"nxfrem32.exe\")]",
        "[DeleteGroup(nexfer PRO)]",
    };
    EXPECT_EQ(expected, Texts(recorder_.Take()));
}

TEST_F(GroupCommands, TextsAreSentUnescapedAndRefusedWhenTooLong)
{
    ASSERT_EQ(1, CreateProgramGroup("A, (B & C"));
    // A name that would end the command early is not sent at all.
    ASSERT_EQ(1, CreateProgramGroup("A)] \"C\""));
    // A name longer than a group can be fails, and is not sent at all.
    EXPECT_EQ(0, CreateProgramGroup(std::string(GROUP_SIZE, 'g').c_str()));
    std::string title(1023 - strlen("[AddItem(\"C:\\D\\x.exe\",\"\",,,,,C:\\D)]"), 't');
    EXPECT_EQ(1, AddGroupItem(title.c_str(), "C:\\D", "x.exe", NULL));
    EXPECT_EQ(0, AddGroupItem((title + "t").c_str(), "C:\\D", "x.exe", NULL));
    // A default folder with parentheses is quoted, so that it stays one argument.
    EXPECT_EQ(1, AddGroupItem("T", "C:\\Program Files (x86)\\NX", "x.exe", NULL));
    std::vector<std::string> texts = Texts(recorder_.Take());
    std::string seen;
    for (const std::string &text : texts)
        seen += text.substr(0, 40) + "(" + std::to_string(text.size()) + ") ";
    ASSERT_EQ(5u, texts.size()) << seen;
    EXPECT_EQ("[CreateGroup(A, (B & C)]", texts[0]);
    EXPECT_EQ(1023u, texts[2].size());
    EXPECT_EQ("[DeleteItem(\"" + title + "\")]", texts[1]);
    EXPECT_EQ("[AddItem(\"C:\\Program Files (x86)\\NX\\x.exe\",\"T\",,,,,\"C:\\Program Files (x86)\\NX\")]",
              texts[4]);
}

TEST_F(GroupCommands, ClosedClientSendsNothing)
{
    EXPECT_EQ(0, SendGroupCommand("[CreateGroup(NEXFER Pro)]"));
    ASSERT_EQ(1, OpenGroupClient());
    EXPECT_EQ(1, CloseGroupClient());
    EXPECT_EQ(0, SendGroupCommand("[CreateGroup(NEXFER Pro)]"));
    DeleteGroupItem("NEXFER Pro", "nxf95pro.exe");
    EXPECT_EQ(1, CloseGroupClientAndDeleteGroup("NEXFER Pro"));
    EXPECT_TRUE(recorder_.Take().empty());
    EXPECT_EQ(0, recorder_.Conversations());
}

TEST_F(GroupCommands, RefusalIsReportedOnlyBySendGroupCommand)
{
    recorder_.refuse = true;
    ASSERT_EQ(1, CreateProgramGroup("NEXFER Pro"));
    EXPECT_EQ(0, SendGroupCommand("[CreateGroup(NEXFER Pro)]"));
    EXPECT_EQ(1, AddGroupItem("T", "C:\\D", "x.exe", NULL));
    EXPECT_EQ(1, DeleteGroupItem("T", "x.exe"));
    recorder_.refuse = false;
    EXPECT_EQ(1, SendGroupCommand("[CreateGroup(NEXFER Pro)]"));
    EXPECT_EQ(6u, recorder_.Take().size());
}
