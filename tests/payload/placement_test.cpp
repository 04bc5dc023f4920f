// Placing files, also when another program holds them; folder chains; run-once
// commands; scheduled deletion; the placeholder copy; and the pure name forms.
#include <gtest/gtest.h>
#include "payload/placement.h"
#include "drivers/components.h"
#include "payload/placement_support.h"
#include "session/session.h"
#include "session/text.h"
#include "session/workfolder.h"

TEST(PlacementNames, ReplacementAndDeletionNames)
{
    struct { const char *path, *bak, *del; } cases[] = {
        { "C:\\Apps\\NEXFER\\nxfpro32.dll", "C:\\Apps\\NEXFER\\nxfpro32.bak", "C:\\Apps\\NEXFER\\nxfpro32.del" },
        { "C:\\Apps\\nxf95pro.exe", "C:\\Apps\\nxf95pro.bak", "C:\\Apps\\nxf95pro.del" },
        // ".dll" wins over an earlier ".exe"; the folder's own dots never count, so a
        // file is never sent out of its folder.
        { "C:\\x.exe\\a.dll", "C:\\x.exe\\a.bak", "C:\\x.exe\\a.del" },
        { "C:\\x.dll\\a.dll", "C:\\x.dll\\a.bak", "C:\\x.dll\\a.del" },
        { "C:\\x.dll\\a.hlp", NULL, "C:\\x.dll\\a.del" },
        { "C:/x.exe tools/nxf95pro.exe", "C:/x.exe tools/nxf95pro.bak", "C:/x.exe tools/nxf95pro.del" },
        { "C:\\Apps\\NXFPRO32.DLL", NULL, "C:\\Apps\\NXFPRO32.del" },
        { "C:\\Apps\\nxfpro32.hlp", NULL, "C:\\Apps\\nxfpro32.del" },
        { "C:\\Apps\\readme", NULL, "C:\\Apps\\readme.del" },
        { "C:\\Apps.v2\\readme", NULL, "C:\\Apps.v2\\readme.del" },
    };
    for (const auto &c : cases) {
        char out[64];
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.bak != NULL, MakeReplacementName(c.path, ".bak", out, sizeof(out)));
        if (c.bak) {
            EXPECT_STREQ(c.bak, out);
        }
        EXPECT_EQ(1, MakeDeletionName(c.path, out, sizeof(out)));
        EXPECT_STREQ(c.del, out);
    }
    // Exact fit and one short, with a sentinel after the buffer.
    char buf[16];
    memset(buf, '#', sizeof(buf));
    EXPECT_EQ(1, MakeDeletionName("C:\\d\\abcd.txt", buf, 14));
    EXPECT_STREQ("C:\\d\\abcd.del", buf);
    EXPECT_EQ(1, MakeDeletionName("C:\\d\\abcde", buf, 15));
    EXPECT_EQ(0, MakeDeletionName("C:\\d\\abcde", buf, 14));
    EXPECT_EQ(1, MakeReplacementName("C:\\d\\abcd.dll", ".new", buf, 14));
    EXPECT_EQ(0, MakeReplacementName("C:\\d\\abcd.dll", ".new", buf, 13));
    EXPECT_EQ('#', buf[15]);
}

TEST(PlacementNames, CommandPathsAreQuotedOnlyWithABlank)
{
    char out[16];

    memset(out, '#', sizeof(out));
    EXPECT_EQ(1, QuoteCommandPath("C:\\PROG~1\\A.DLL", out, 16));
    EXPECT_STREQ("C:\\PROG~1\\A.DLL", out);
    EXPECT_EQ(1, QuoteCommandPath("C:\\My Apps\\a", out, 16));
    EXPECT_STREQ("\"C:\\My Apps\\a\"", out);
    EXPECT_EQ(0, QuoteCommandPath("C:\\My Apps\\abc", out, 16));
    EXPECT_EQ(0, QuoteCommandPath("C:\\PROG~1\\A.DLLX", out, 16));
}

// The command interpreter reads %...% and ! even between quotes: such a path is never
// put in a command, nor one that would not fit a run-once value.
TEST(PlacementNames, NextStartCommandQuotesThePathAndNamesTheInterpreter)
{
    struct { const char *verb, *path, *expected; } cases[] = {
        { "del", "C:\\R&D\\NEXFER\\nxfpro32.del", "\"C:\\W\\system32\\cmd.exe\" /d /v:off /c del \"C:\\R&D\\NEXFER\\nxfpro32.del\"" },
        { "rmdir", "C:\\A (x86)^|<>", "\"C:\\W\\system32\\cmd.exe\" /d /v:off /c rmdir \"C:\\A (x86)^|<>\"" },
        { "del", "C:\\100%\\a.dll", NULL },
        { "del", "C:\\%windir%\\a.dll", NULL },
        { "del", "C:\\Hi!\\a.dll", NULL },
        { "del", "C:\\a\"&calc&\"", NULL },
    };
    for (const auto &c : cases) {
        char out[96];
        SCOPED_TRACE(c.path);
        EXPECT_EQ(c.expected != NULL, FormatNextStartCommand("C:\\W\\system32", c.verb, c.path, out, sizeof(out)));
        if (c.expected) {
            EXPECT_STREQ(c.expected, out);
            EXPECT_EQ(0, FormatNextStartCommand("C:\\W\\system32", c.verb, c.path, out, (int)strlen(c.expected)));
        }
    }
}

TEST(PlacementNames, ReplacePlaceholder)
{
    struct { const char *line, *holder, *expected; } cases[] = {
        { "A=$$\\x.ini and $$\\y.ini\n", "$$", "A=C:\\P\\x.ini and C:\\P\\y.ini\n" },
        { "no placeholder here\n", "$$", "no placeholder here\n" },
        { "$$$$", "$$", "C:\\PC:\\P" },
        { "$$", "$$", "C:\\P" },
        { "$x$", "", "$x$" },
    };
    char out[64];
    for (const auto &c : cases) {
        EXPECT_EQ(1, ReplacePlaceholder(c.line, c.holder, "C:\\P", out, sizeof(out))) << c.line;
        EXPECT_STREQ(c.expected, out);
    }
    EXPECT_EQ(1, ReplacePlaceholder("ab$$", "$$", "cd", out, 5));
    EXPECT_STREQ("abcd", out);
    EXPECT_EQ(0, ReplacePlaceholder("ab$$", "$$", "cde", out, 5));
    EXPECT_STREQ("", out);
}

class Placement : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(1, CreateScratchFile(temp_.Path()));
        scratch_ = temp_.File(g_szTempFileName);
        source_ = std::string(temp_.Path()) + "\\";
        dest_ = folder_.Path();
        DeleteFileA(TempFile("setup.log").c_str());
        g_bLogging = 1;
    }
    void TearDown() override
    {
        CloseScratchFile();
        DeleteFileA(TempFile("setup.log").c_str());
    }
    std::vector<std::string> Log() { return ReadLines(TempFile("setup.log")); }
    // The scratch file is still the one held open: nobody can write it, or delete it to
    // put another file in its place.
    void ExpectScratchHeld()
    {
        HANDLE other = CreateFileA(scratch_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                   NULL, OPEN_EXISTING, 0, NULL);
        EXPECT_EQ(INVALID_HANDLE_VALUE, other);
        EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
        if (other != INVALID_HANDLE_VALUE)
            CloseHandle(other);
        EXPECT_FALSE(DeleteFileA(scratch_.c_str()));
        EXPECT_EQ((DWORD)ERROR_SHARING_VIOLATION, GetLastError());
    }
    int Install(const char *name, int index, int required, const std::string &dest = "", HWND status = NULL)
    {
        return InstallFile(source_.c_str(), name, (dest.empty() ? dest_ : dest).c_str(), NULL, status, index, required);
    }

    RunOnceValues runOnce_;
    ScratchFolder temp_, folder_;
    std::string scratch_, source_, dest_;
};

static ULONGLONG FileId(const std::string &path)
{
    BY_HANDLE_FILE_INFORMATION info = {};
    HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, NULL,
                           OPEN_EXISTING, 0, NULL);
    GetFileInformationByHandle(h, &info);
    CloseHandle(h);
    return ((ULONGLONG)info.nFileIndexHigh << 32) | info.nFileIndexLow;
}

TEST_F(Placement, PlacesARowAndShowsTheStatusLine)
{
    HWND status = CreateWindowA("STATIC", "", 0, 0, 0, 10, 10, NULL, NULL, NULL, NULL);
    std::string dll = ExpandedRow(1);
    ASSERT_EQ("MZ", dll.substr(0, 2));
    struct { const char *suffix; int silent; } cases[] = { { "", 0 }, { "\\", 0 }, { "/", 0 }, { "", 1 } };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.suffix);
        g_bSilent = c.silent;
        SetWindowTextA(status, "before");
        DeleteFileA(folder_.File("nxfpro32.dll").c_str());
        EXPECT_EQ(0, Install("nxfpro32.dll", 1, 1, dest_ + c.suffix, status));
        EXPECT_TRUE(dll == ReadFileText(folder_.File("nxfpro32.dll")));
        ExpectScratchHeld();
        std::string line = "Copying " + source_ + "nxfpro32.dll to " + dest_ + c.suffix + "\\nxfpro32.dll";
        EXPECT_EQ(c.silent ? "before" : line, WindowText(status));
        EXPECT_EQ(c.silent ? std::vector<std::string>{ line } : std::vector<std::string>{}, Log());
        DeleteFileA(TempFile("setup.log").c_str());
    }
    DestroyWindow(status);
}

TEST_F(Placement, HeldProgramFileOnNtIsSetAsideAsBak)
{
    std::string dll = ExpandedRow(1), path = folder_.File("nxfpro32.dll"), bak = folder_.File("nxfpro32.bak");
    g_bIsNT = 1;
    // mode, old content (the loaded DLL must be a real one), silent, allowReboot, raised
    struct { const char *mode; int real, silent, allow, raised; } cases[] = {
        { "image", 0, 0, 0, 1 }, { "load", 1, 0, 0, 1 }, { "image", 0, 1, 0, 0 }, { "image", 0, 1, 1, 1 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(testing::Message() << c.mode << c.silent << c.allow);
        std::string old = c.real ? dll : "old content";
        WriteFileText(path, old);
        WriteFileText(bak, "stale backup");
        ULONGLONG oldId = FileId(path);
        g_bSilent = c.silent, g_bAllowReboot = c.allow, g_bNeedReboot = 0;
        FileHolder holder(path, c.mode);
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(0, Install("nxfpro32.dll", 1, 1));
        EXPECT_TRUE(dll == ReadFileText(path));
        EXPECT_TRUE(old == ReadFileText(bak));
        EXPECT_EQ(oldId, FileId(bak));
        EXPECT_EQ(c.raised, g_bNeedReboot);
        EXPECT_TRUE(runOnce_.Added(kRunOnceKey).empty());
        EXPECT_TRUE(runOnce_.Added(kRunServicesOnceKey).empty());
        holder.Release();
        DeleteFileA(bak.c_str());
    }
}

TEST_F(Placement, HeldProgramFileElsewhereWaitsAsNew)
{
    std::string dll = ExpandedRow(1), path = folder_.File("nxfpro32.dll"), fresh = folder_.File("nxfpro32.new");
    struct { int silent, allow, raised; } cases[] = { { 0, 0, 1 }, { 1, 0, 0 } };
    for (const auto &c : cases) {
        RunOnceValues values;
        WriteFileText(path, "old content");
        g_bSilent = c.silent, g_bAllowReboot = c.allow, g_bNeedReboot = 0;
        FileHolder holder(path, "image");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(0, Install("nxfpro32.dll", 1, 1));
        EXPECT_EQ("old content", ReadFileText(path));
        EXPECT_TRUE(dll == ReadFileText(fresh));
        EXPECT_EQ(c.raised, g_bNeedReboot);
        std::vector<std::string> added = values.Added(kRunServicesOnceKey);
        ASSERT_EQ(1u, added.size());
        EXPECT_EQ("command.com /c copy " + ShortPath(fresh) + " " + ShortPath(path),
                  RegString(HKEY_LOCAL_MACHINE, kRunServicesOnceKey, added[0].c_str()));
        EXPECT_TRUE(values.Added(kRunOnceKey).empty());
    }
}

TEST_F(Placement, HeldFilesThatCannotBeSetAside)
{
    g_bIsNT = 1, g_bSilent = 1;
    // A help file has no in-use road: it fails (silently, not being required).
    std::string help = folder_.File("nxfpro32.hlp");
    WriteFileText(help, "old help");
    {
        FileHolder holder(help, "image");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(0, Install("nxfpro32.hlp", 3, 0));
    }
    EXPECT_EQ("old help", ReadFileText(help));
    EXPECT_EQ(1u, FolderContent(dest_).size());
    // A program file held without any sharing cannot even be renamed: a required failure.
    std::string path = folder_.File("nxfpro32.dll");
    WriteFileText(path, "old content");
    {
        FileHolder holder(path, "none");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(1, Install("nxfpro32.dll", 1, 1));
    }
    EXPECT_EQ("old content", ReadFileText(path));
    EXPECT_FALSE(FileExists(folder_.File("nxfpro32.bak")));
    EXPECT_EQ(0, g_bNeedReboot);
    std::vector<std::string> log = Log();
    ASSERT_EQ(3u, log.size());
    EXPECT_EQ("Copy of nxfpro32.dll to " + dest_ + " failed. (32)", log[2]);
    ExpectScratchHeld();
}

TEST_F(Placement, RequiredRowNotCarriedPromptsForRetry)
{
    std::string expected = "Copy of nxfini.dll to " + dest_ + " failed. (";
    {
        std::vector<std::string> texts;
        UiDriver boxes("Install", [&texts](HWND box, int n) {
            texts.push_back(MessageBoxText(box));
            Click(box, n == 0 ? IDRETRY : IDCANCEL);
        });
        EXPECT_EQ(1, Install("nxfini.dll", 6, 1));
        boxes.Finish();
        ASSERT_EQ(2u, texts.size());
        EXPECT_EQ(expected, texts[0].substr(0, expected.size()));
        EXPECT_EQ(texts[0], texts[1]);
    }
    {
        UiDriver boxes("Install", [](HWND box, int) { Click(box, IDCANCEL); });
        EXPECT_EQ(0, Install("nxfini.dll", 6, 0));
        boxes.Finish();
        EXPECT_EQ(0, boxes.Answered());
    }
    EXPECT_TRUE(Log().empty());
    g_bSilent = 1;
    EXPECT_EQ(1, Install("nxfini.dll", 6, 1));
    std::vector<std::string> log = Log();
    ASSERT_EQ(2u, log.size());
    EXPECT_EQ(expected, log[1].substr(0, expected.size()));
}

TEST_F(Placement, RetryRepeatsTheExtraction)
{
    // There is no scratch file at first; it is there when the user retries.
    CloseScratchFile();
    UiDriver boxes("Install", [this](HWND box, int) {
        CreateScratchFile(temp_.Path());
        Click(box, IDRETRY);
    });
    EXPECT_EQ(0, Install("nxfpro32.dll", 1, 1));
    boxes.Finish();
    EXPECT_EQ(1, boxes.Answered());
    EXPECT_TRUE(ExpandedRow(1) == ReadFileText(folder_.File("nxfpro32.dll")));
}

static void AddValue(const char *key, const char *name)
{
    HKEY h;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_LOCAL_MACHINE, key, &h));
    RegSetValueExA(h, name, 0, REG_SZ, (const BYTE *)"x", 2);
    RegCloseKey(h);
}

TEST_F(Placement, RunOnceTakesTheFirstFreeName)
{
    struct { int nt; const char *key; std::vector<const char *> present; const char *expected; } cases[] = {
        { 1, kRunOnceKey, { "Quorvane0", "Quorvane1", "Quorvane2", "Quorvane3", "Quorvane4" }, "Quorvane5" },
        { 0, kRunServicesOnceKey, { "Quorvane0", "Quorvane2" }, "Quorvane1" },
    };
    for (const auto &c : cases) {
        RunOnceValues values;
        g_bIsNT = c.nt;
        for (const char *name : c.present)
            if (!RunOnceNames(c.key).count(name))
                AddValue(c.key, name);
        std::vector<std::string> before = values.Added(c.key);
        const char command[] = "cmd.exe /c del C:\\X~1.DEL";
        EXPECT_EQ(1, AddRunOnceCommand(command));
        std::vector<std::string> added = values.Added(c.key);
        ASSERT_EQ(before.size() + 1, added.size());
        EXPECT_TRUE(RunOnceNames(c.key).count(c.expected));
        EXPECT_EQ(command, RegString(HKEY_LOCAL_MACHINE, c.key, c.expected));
    }
}

TEST_F(Placement, RunOnceStopsAfterQuorvane999)
{
    g_bIsNT = 1;
    std::set<std::string> present = RunOnceNames(kRunOnceKey);
    for (int i = 0; i <= 999; i++) {
        std::string name = "Quorvane" + std::to_string(i);
        if (!present.count(name))
            AddValue(kRunOnceKey, name.c_str());
    }
    EXPECT_EQ(0, AddRunOnceCommand("cmd.exe /c del X"));
    EXPECT_FALSE(RunOnceNames(kRunOnceKey).count("Quorvane1000"));
    EXPECT_EQ(1000u, RunOnceNames(kRunOnceKey).size());
}

TEST_F(Placement, DeleteFileOrSchedule)
{
    char message[DRIVER_MESSAGE_SIZE] = "untouched";
    EXPECT_EQ(1, DeleteFileOrSchedule(folder_.File("missing.dll").c_str(), message, COUNTOF(message)));
    WriteFileText(folder_.File("free.dll"), "x");
    EXPECT_EQ(1, DeleteFileOrSchedule(folder_.File("free.dll").c_str(), message, COUNTOF(message)));
    EXPECT_FALSE(FileExists(folder_.File("free.dll")));
    EXPECT_STREQ("untouched", message);

    // A loaded DLL cannot be deleted but can be renamed; a name without extension gets
    // ".del" appended (the trailing dot keeps the loader from adding ".dll").
    ASSERT_EQ(std::string::npos, dest_.find('.'));
    std::string dll = ExpandedRow(1);
    char system[MAX_PATH];
    GetSystemDirectoryA(system, MAX_PATH);
    std::string shell = std::string("\"") + system + "\\cmd.exe\" /d /v:off";
    struct { int nt; const char *name, *holdAs, *moved, *key; } cases[] = {
        { 1, "nxfpro32.dll", "nxfpro32.dll", "nxfpro32.del", kRunOnceKey },
        { 0, "nxfpro32.dll", "nxfpro32.dll", "nxfpro32.del", kRunServicesOnceKey },
        { 1, "readme", "readme.", "readme.del", kRunOnceKey },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        RunOnceValues values;
        std::string path = folder_.File(c.name), moved = folder_.File(c.moved);
        WriteFileText(path, dll);
        g_bIsNT = c.nt, g_bNeedReboot = 0, g_bSilent = 1;
        FileHolder holder(folder_.File(c.holdAs), "load");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(0, DeleteFileOrSchedule(path.c_str(), message, COUNTOF(message)));
        EXPECT_EQ("failed to delete " + path, std::string(message));
        EXPECT_FALSE(FileExists(path));
        EXPECT_TRUE(FileExists(moved));
        EXPECT_EQ(1, g_bNeedReboot);
        std::vector<std::string> added = values.Added(c.key);
        ASSERT_EQ(1u, added.size());
        EXPECT_EQ(shell + " /c del \"" + ShortPath(moved) + "\"",
                  RegString(HKEY_LOCAL_MACHINE, c.key, added[0].c_str()));
        holder.Release();
        DeleteFileA(moved.c_str());
    }

    // Only read-only: deleted at once, so nothing waits for a restart that would fail too.
    WriteFileText(folder_.File("ro.hlp"), "x");
    SetFileAttributesA(folder_.File("ro.hlp").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(1, DeleteFileOrSchedule(folder_.File("ro.hlp").c_str(), NULL, 0));
    EXPECT_FALSE(FileExists(folder_.File("ro.hlp")));

    // A name the interpreter would expand goes to the system's own list instead.
    static const char kPending[] = "System\\CurrentControlSet\\Control\\Session Manager";
    std::string odd = folder_.File("100%"), path = odd + "\\nxfpro32.dll";
    ASSERT_TRUE(CreateDirectoryA(odd.c_str(), NULL));
    WriteFileText(path, dll);
    RunOnceValues values;
    {
        FileHolder holder(path, "load");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(0, DeleteFileOrSchedule(path.c_str(), NULL, 0));
    }
    EXPECT_TRUE(values.Added(kRunOnceKey).empty());
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, kPending, 0, KEY_ALL_ACCESS, &key));
    char pending[4096] = "";
    DWORD size = sizeof(pending) - 2;
    RegQueryValueExA(key, "PendingFileRenameOperations", NULL, NULL, (BYTE *)pending, &size);
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
    EXPECT_EQ(std::string("\\??\\") + odd + "\\nxfpro32.del", std::string(pending));
    DeleteFileA((odd + "\\nxfpro32.del").c_str());
    RemoveDirectoryA(odd.c_str());
}

TEST_F(Placement, CreateFolderChainMakesEveryMissingLevel)
{
    g_bSilent = 1;
    char path[MAX_PATH];
    snprintf(path, sizeof(path), "%s\\A\\B\\C", dest_.c_str());
    std::string original = path;
    EXPECT_NE(0, CreateFolderChain(path));
    EXPECT_EQ(original, path);
    EXPECT_TRUE(FileExists(original));
    EXPECT_NE(0, CreateFolderChain(path));
    // Down to the drive itself: "C:" counts as present.
    snprintf(path, sizeof(path), "C:\\nxtchain%lu\\B\\C", GetCurrentProcessId());
    EXPECT_NE(0, CreateFolderChain(path));
    EXPECT_TRUE(FileExists(path));
    RemoveTree(std::string(path, strchr(path + 3, '\\')));
    // Forward slashes separate levels too, as the system reads them.
    snprintf(path, sizeof(path), "%s/S1/S2", dest_.c_str());
    EXPECT_NE(0, CreateFolderChain(path));
    EXPECT_TRUE(FileExists(dest_ + "\\S1\\S2"));
    EXPECT_TRUE(Log().empty());
}

static char FreeDriveLetter()
{
    for (char d = 'Z'; d > 'D'; d--)
        if (!(GetLogicalDrives() & (1u << (d - 'A'))))
            return d;
    return 0;
}

TEST_F(Placement, CreateFolderChainReportsEveryFailingLevel)
{
    char drive = FreeDriveLetter();
    ASSERT_NE(0, drive);
    std::string root = std::string(1, drive) + ":";
    std::vector<std::string> expected;
    for (const char *level : { "", "\\A", "\\A\\B" }) {
        std::string p = root + level;
        CreateDirectoryA(p.c_str(), NULL);
        expected.push_back("Creation of " + p + " failed. (" + std::to_string(GetLastError()) + ")");
    }
    char path[32];
    snprintf(path, sizeof(path), "%s\\A\\B", root.c_str());
    {
        std::vector<std::string> texts;
        UiDriver boxes("Install", [&texts](HWND box, int) {
            texts.push_back(MessageBoxText(box));
            Click(box, IDOK);
        });
        EXPECT_EQ(0, CreateFolderChain(path));
        boxes.Finish();
        EXPECT_EQ(expected, texts);
    }
    g_bSilent = 1;
    EXPECT_EQ(0, CreateFolderChain(path));
    EXPECT_EQ(root + "\\A\\B", path);
    EXPECT_EQ(expected, Log());
}

TEST_F(Placement, CopyWithPlaceholderFillsTheTemplate)
{
    std::string out = folder_.File("NEXFER.ini");
    std::string tmpl = ReadFileText((ExtractPayload(GetModuleHandleA(NULL), PAYLOAD_PRODUCTINI, temp_.Path(), "t.ini"),
                                     temp_.File("t.ini")));
    ASSERT_NE(std::string::npos, tmpl.find("\r\n"));
    // Replacements that make the longest line 1,023 characters (fits) and 1,024 (does not).
    for (size_t len : { (size_t)14, (size_t)1000, (size_t)1001 }) {
        std::string folder = "C:\\" + std::string(len - 3, 'p'), expected = tmpl;
        for (size_t at; (at = expected.find("$$")) != std::string::npos;)
            expected.replace(at, 2, folder);
        int result = CopyWithPlaceholder(out.c_str(), "$$", folder.c_str(), PAYLOAD_PRODUCTINI);
        EXPECT_EQ(len <= 1000 ? 0 : -1, result) << len;
        if (len <= 1000) {
            EXPECT_EQ(expected, ReadFileText(out));
        }
        ExpectScratchHeld();
    }
    DeleteFileA(out.c_str());
    EXPECT_EQ(-1, CopyWithPlaceholder(out.c_str(), "$$", "C:\\P", 6));
    EXPECT_FALSE(FileExists(out));
}

// Runs a shell command line of the host and waits for it: Wine starts Unix programs
// without a process handle to wait on, so the command leaves a marker when it is done.
static void RunHostShell(const std::string &command)
{
    std::string marker = "/tmp/nxshell" + std::to_string(GetCurrentProcessId()) + ".done";
    std::string seen = "Z:" + marker;
    DeleteFileA(seen.c_str());
    RunProgram("/bin/sh -c \"" + command + "; touch " + marker + "\"", 20000);
    for (int i = 0; i < 200 && !FileExists(seen); i++)
        Sleep(50);
    DeleteFileA(seen.c_str());
}

// A small drive: a tmpfs of pages pages, filled pages of them taken by a file "fill",
// linked as a drive letter of the prefix.
class FullDrive {
public:
    explicit FullDrive(int pages = 1, int filled = 1) : letter_(FreeDriveLetter())
    {
        const char *prefix = getenv("NX_TEST_PREFIX");
        if (!prefix || !letter_)
            return;
        dir_ = "/tmp/nxfull" + std::to_string(GetCurrentProcessId());
        link_ = std::string(prefix) + "/dosdevices/" + (char)(letter_ - 'A' + 'a') + ":";
        RunHostShell("mkdir -p " + dir_ + " && mount -t tmpfs -o size=" + std::to_string(4 * pages) + "k tmpfs " +
                     dir_ + " && { dd if=/dev/zero of=" + dir_ + "/fill bs=4096 count=" + std::to_string(filled) +
                     " || true; } && ln -s " + dir_ + " " + link_);
    }
    ~FullDrive()
    {
        if (!dir_.empty())
            RunHostShell("rm -f " + link_ + "; umount " + dir_ + "; rmdir " + dir_);
    }
    std::string Root() const { return std::string(1, letter_) + ":\\"; }
    bool Ready() const { return letter_ && FileExists(Root() + "fill"); }
private:
    char letter_;
    std::string dir_, link_;
};

TEST_F(Placement, CopyWithPlaceholderFailsOnAFullDrive)
{
    FullDrive full;
    if (!full.Ready())
        GTEST_SKIP() << "no tmpfs could be mounted as a drive here";
    // Every line fits the stream's buffer; the failure only shows when it is flushed.
    std::string out = full.Root() + "NEXFER.ini";
    EXPECT_EQ(-1, CopyWithPlaceholder(out.c_str(), "$$", "C:\\P", PAYLOAD_PRODUCTINI));
    ExpectScratchHeld();
}

// An update that meets a full drive leaves the earlier file as it was: the new content
// goes beside it first, and a program file set aside for the in-use road comes back.
TEST_F(Placement, AnUpdateThatMeetsAFullDriveKeepsTheEarlierFile)
{
    FullDrive full(2, 1);
    if (!full.Ready())
        GTEST_SKIP() << "no tmpfs could be mounted as a drive here";
    g_bSilent = 1, g_bIsNT = 1;
    struct { const char *name, *stem; int row; } cases[] = {
        { "RelNotes.txt", "RelNotes", 26 }, { "nxfpro32.dll", "nxfpro32", 1 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string path = full.Root() + c.name;
        WriteFileText(path, std::string("earlier ") + c.name);
        EXPECT_EQ(1, InstallFile(source_.c_str(), c.name, full.Root().c_str(), NULL, NULL, c.row, 1));
        EXPECT_EQ(std::string("earlier ") + c.name, ReadFileText(path));
        EXPECT_FALSE(FileExists(full.Root() + "~nxnew.tmp"));
        EXPECT_FALSE(FileExists(full.Root() + c.stem + ".bak"));
        EXPECT_EQ(std::string("Copy of ") + c.name + " to " + full.Root() + " failed. (112)", Log().back());
        DeleteFileA(path.c_str());
    }
}

TEST_F(Placement, CanOpenForReading)
{
    WriteFileText(folder_.File("a.hlp"), "x");
    EXPECT_EQ(1, CanOpenForReading(dest_.c_str(), "a.hlp"));
    EXPECT_EQ(0, CanOpenForReading(dest_.c_str(), "b.hlp"));
    FileHolder shared(folder_.File("a.hlp"), "image");
    EXPECT_EQ(1, CanOpenForReading(dest_.c_str(), "a.hlp"));
    shared.Release();
    FileHolder exclusive(folder_.File("a.hlp"), "none");
    EXPECT_EQ(0, CanOpenForReading(dest_.c_str(), "a.hlp"));
}

// The next start of Windows: the prefix's restart work (wineboot -r) runs the run-once
// commands, the RunServicesOnce ones without waiting for them to end.
static bool AfterRestart(const std::function<bool()> &done)
{
    if (RunProgram("wineboot.exe -r", 60000) != 0)
        return false;
    for (int i = 0; i < 200 && !done(); i++)
        Sleep(50);
    return done();
}

TEST_F(Placement, NextStartDoesTheScheduledDeletion)
{
    std::string path = folder_.File("nxfpro32.dll"), moved = folder_.File("nxfpro32.del");
    for (int nt : { 1, 0 }) {
        WriteFileText(path, ExpandedRow(1));
        g_bIsNT = nt;
        FileHolder holder(path, "load");
        ASSERT_TRUE(holder.Holding());
        ASSERT_EQ(0, DeleteFileOrSchedule(path.c_str(), NULL, 0));
        ASSERT_TRUE(FileExists(moved));
        holder.Release();
        EXPECT_TRUE(AfterRestart([&] { return !FileExists(moved); })) << nt;
        EXPECT_TRUE(runOnce_.Added(nt ? kRunOnceKey : kRunServicesOnceKey).empty());
    }
}

TEST_F(Placement, NextStartCopiesTheWaitingReplacement)
{
    std::string path = folder_.File("nxfpro32.dll"), dll = ExpandedRow(1);
    WriteFileText(path, "old content");
    FileHolder holder(path, "image");
    ASSERT_TRUE(holder.Holding());
    ASSERT_EQ(0, Install("nxfpro32.dll", 1, 1));
    ASSERT_EQ("old content", ReadFileText(path));
    holder.Release();
    EXPECT_TRUE(AfterRestart([&] { return ReadFileText(path) == dll; }));
    EXPECT_TRUE(runOnce_.Added(kRunServicesOnceKey).empty());
}
