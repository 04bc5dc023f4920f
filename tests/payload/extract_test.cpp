// Payload rows: extraction, expansion, and the clean-up of temporary copies.
#include <gtest/gtest.h>
#include <thread>
#include "harness/testutil.h"
#include "drivers/components.h"
#include "payload/payload.h"
#include "session/session.h"

static const char kSzddMagic[] = "SZDD\x88\xf0\x27\x33";

class Payload : public testing::Test {
protected:
    HMODULE self_ = GetModuleHandleA(NULL);
    ScratchFolder folder_;
};

TEST_F(Payload, CarriedRowsAreWrittenByteForByte)
{
    for (int index = 0; index < PAYLOAD_COUNT; index++) {
        const PayloadEntry &row = PayloadTable[index];
        SCOPED_TRACE(index);
        std::string target = folder_.File(row.tempName[0] ? row.tempName : "reserved");
        int carried = row.resourceName[0] && FindResourceA(self_, row.resourceName, "EXE") != NULL;
        EXPECT_EQ(carried, ExtractPayload(self_, index, folder_.Path(), row.tempName[0] ? row.tempName : "reserved"));
        EXPECT_EQ(carried, FileExists(target));
        if (!carried)
            continue;
        HRSRC found = FindResourceA(self_, row.resourceName, "EXE");
        std::string bytes((const char *)LockResource(LoadResource(self_, found)), SizeofResource(self_, found));
        std::string written = ReadFileText(target);
        EXPECT_EQ(bytes, written);
        // Every row is packed except the product INI template and the options file.
        bool plain = index == PAYLOAD_PRODUCTINI || index == PAYLOAD_OPTIONS;
        EXPECT_EQ(!plain, written.compare(0, 8, kSzddMagic) == 0);
        DeleteFileA(target.c_str());
    }
}

TEST_F(Payload, RowsThisReleaseDoesNotCarry)
{
    const int missing[] = { 6, 9, 13, 17, 22, 27, 28, 29, 30, 31, -1, 45 };
    for (int index : missing) {
        EXPECT_EQ(0, ExtractPayload(self_, index, folder_.Path(), "x.bin")) << index;
        EXPECT_FALSE(FileExists(folder_.File("x.bin"))) << index;
    }
}

TEST_F(Payload, SeparatorRulesAndNewFilesOnly)
{
    std::string withSlash = std::string(folder_.Path()) + "\\";
    ASSERT_EQ(1, ExtractPayload(self_, PAYLOAD_OPTIONS, withSlash.c_str(), "a.ini"));
    EXPECT_TRUE(FileExists(folder_.File("a.ini")));

    // A forward slash gets a backslash after it; Windows takes "/\" as one separator.
    CreateDirectoryA(folder_.File("sub").c_str(), NULL);
    std::string forward = folder_.File("sub") + "/";
    ASSERT_EQ(1, ExtractPayload(self_, PAYLOAD_OPTIONS, forward.c_str(), "b.ini"));
    EXPECT_TRUE(FileExists(folder_.File("sub\\b.ini")));

    // A name that exists is never written: neither a file left there nor a link.
    WriteFileText(folder_.File("c.ini"), "earlier");
    ASSERT_TRUE(CreateHardLinkA(folder_.File("d.ini").c_str(), folder_.File("c.ini").c_str(), NULL));
    for (const char *name : { "c.ini", "d.ini" }) {
        SetLastError(0xdeadbeef);
        EXPECT_EQ(0, ExtractPayload(self_, PAYLOAD_OPTIONS, folder_.Path(), name));
        EXPECT_EQ((DWORD)ERROR_FILE_EXISTS, GetLastError());
    }
    EXPECT_EQ("earlier", ReadFileText(folder_.File("c.ini")));
}

TEST_F(Payload, ExtractionRefusesAPathThatDoesNotFit)
{
    // Folder and name of 255 characters together fit the 256-character path; one more does not.
    std::string name(255 - strlen(folder_.Path()) - 1, 'n');
    std::string tooLong = name + "n";
    EXPECT_EQ(0, ExtractPayload(self_, PAYLOAD_OPTIONS, folder_.Path(), tooLong.c_str()));
    EXPECT_EQ((DWORD)ERROR_FILENAME_EXCED_RANGE, GetLastError());
    // The exact fit is attempted (the file system may still refuse so long a name).
    SetLastError(0xdeadbeef);
    ExtractPayload(self_, PAYLOAD_OPTIONS, folder_.Path(), name.c_str());
    EXPECT_NE((DWORD)ERROR_FILENAME_EXCED_RANGE, GetLastError());
}

TEST_F(Payload, ExpandRestoresEveryPackedRow)
{
    // The rows go one after the other through one held file, as through the scratch
    // file: the relnotes row expands to the sample's release notes, programs to images.
    HANDLE held = CreateFileA(folder_.File("held.tmp").c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                              CREATE_NEW, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    ASSERT_EQ(1, ExtractPayloadTo(self_, 0, held));
    ASSERT_EQ(1, ExpandHeldFile(held, folder_.File("nxf95pro.exe").c_str()));
    EXPECT_EQ("MZ", ReadFileText(folder_.File("nxf95pro.exe")).substr(0, 2));

    ASSERT_EQ(1, ExtractPayloadTo(self_, PAYLOAD_RELNOTES, held));
    ASSERT_EQ(1, ExpandHeldFile(held, folder_.File("RelNotes.txt").c_str()));
    std::string notes = ReadFileText(folder_.File("RelNotes.txt"));
    EXPECT_NE(std::string::npos, notes.find("NEXFER Pro"));
    EXPECT_EQ(std::string::npos, notes.find(kSzddMagic));
    // The shorter row ended the file where it ends.
    HRSRC found = FindResourceA(self_, PayloadTable[PAYLOAD_RELNOTES].resourceName, "EXE");
    std::string bytes((const char *)LockResource(LoadResource(self_, found)), SizeofResource(self_, found));
    EXPECT_TRUE(bytes == ReadFileText(folder_.File("held.tmp")));
    CloseHandle(held);
}

// A folder at the longest length an installation accepts: both the packed source and
// the destination lie far beyond the 128 characters the OFSTRUCT-based calls keep.
TEST_F(Payload, ExpandWorksInAFolderAtTheDestinationLimit)
{
    const size_t limit = 246;
    std::string top = "C:\\nxdeep" + std::to_string(GetCurrentProcessId());
    std::string folder = top;
    ASSERT_TRUE(CreateDirectoryA(top.c_str(), NULL));
    while (folder.size() < limit) {
        size_t room = limit - folder.size() - 1;
        folder += "\\" + std::string(room < 60 ? room : 60, 'd');
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), NULL)) << folder;
    }
    ASSERT_EQ(limit, folder.size());
    ASSERT_EQ(1, ExtractPayload(self_, 0, folder_.Path(), "nxf95pro.ex_"));
    ASSERT_TRUE(CopyFileA(folder_.File("nxf95pro.ex_").c_str(), (folder + "\\nxf95pro.ex_").c_str(), FALSE));
    std::vector<char> source(folder.begin(), folder.end());
    for (char c : std::string("\\nxf95pro.ex_"))
        source.push_back(c);
    source.push_back('\0');
    std::string target = folder + "\\nxf95pro.exe";
    EXPECT_EQ(1, ExpandFile(source.data(), target.c_str()));
    EXPECT_EQ("MZ", ReadFileText(target).substr(0, 2));
    RemoveTree(top);
}

TEST_F(Payload, ExpandCopiesPlainFilesAndRefusesEmptyOnes)
{
    char source[MAX_PATH];
    std::string plain = "plain text\r\nnot packed\r\n";
    WriteFileText(folder_.File("plain.txt"), plain);
    snprintf(source, sizeof(source), "%s", folder_.File("plain.txt").c_str());
    EXPECT_EQ(1, ExpandFile(source, folder_.File("copy.txt").c_str()));
    EXPECT_EQ(plain, ReadFileText(folder_.File("copy.txt")));

    WriteFileText(folder_.File("empty.txt"), "");
    snprintf(source, sizeof(source), "%s", folder_.File("empty.txt").c_str());
    EXPECT_EQ(0, ExpandFile(source, folder_.File("empty-copy.txt").c_str()));

    snprintf(source, sizeof(source), "%s", folder_.File("absent.txt").c_str());
    EXPECT_EQ(0, ExpandFile(source, folder_.File("absent-copy.txt").c_str()));
}

TEST_F(Payload, ExpandWithEqualNamesTouchesNothing)
{
    char source[MAX_PATH];
    WriteFileText(folder_.File("same.txt"), "keep");
    snprintf(source, sizeof(source), "%s", folder_.File("same.txt").c_str());
    std::string upper = folder_.File("SAME.TXT");
    EXPECT_EQ(1, ExpandFile(source, upper.c_str()));
    EXPECT_EQ("keep", ReadFileText(folder_.File("same.txt")));
}

TEST_F(Payload, ExpandPrefersTheUnderscoreName)
{
    char source[MAX_PATH];
    WriteFileText(folder_.File("file.txt"), "plain one");
    WriteFileText(folder_.File("file.tx_"), "underscore one");
    snprintf(source, sizeof(source), "%s", folder_.File("file.txt").c_str());
    EXPECT_EQ(1, ExpandFile(source, folder_.File("out.txt").c_str()));
    EXPECT_EQ("underscore one", ReadFileText(folder_.File("out.txt")));
    // The caller's buffer names the file that was read.
    EXPECT_EQ(folder_.File("file.tx_"), std::string(source));
}

TEST_F(Payload, ExpandFailsOnADestinationAnotherProgramHolds)
{
    char source[MAX_PATH];
    WriteFileText(folder_.File("new.dll"), "new content");
    WriteFileText(folder_.File("held.dll"), "old content");
    snprintf(source, sizeof(source), "%s", folder_.File("new.dll").c_str());
    {
        FileHolder holder(folder_.File("held.dll"), "image");
        ASSERT_TRUE(holder.Holding());
        EXPECT_EQ(0, ExpandFile(source, folder_.File("held.dll").c_str()));
        // No stray sibling with "_" as last character.
        EXPECT_FALSE(FileExists(folder_.File("held.dl_")));
    }
    EXPECT_EQ("old content", ReadFileText(folder_.File("held.dll")));
    EXPECT_EQ(1, ExpandFile(source, folder_.File("held.dll").c_str()));
    EXPECT_EQ("new content", ReadFileText(folder_.File("held.dll")));
}

// An SZDD file whose header gives size and whose stream is the given bytes.
static std::string Szdd(unsigned size, const std::string &stream, char method = 'A')
{
    std::string header(kSzddMagic, 8);
    header += method;
    header += '\0';
    for (int shift = 0; shift < 32; shift += 8)
        header += (char)(size >> shift);
    return header + stream;
}

// The stream of text as literals only: a control byte 0xFF before each eight bytes.
static std::string Literals(const std::string &text)
{
    std::string stream;
    for (size_t i = 0; i < text.size(); i++)
        stream += (i % 8 ? "" : "\xff") + text.substr(i, 1);
    return stream;
}

static std::string Noise(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; i++)
        bytes[i] = (char)((i * 2654435761u) >> 13);
    return bytes;
}

TEST_F(Payload, ExpansionAcrossBlocksAndOddHeaders)
{
    const size_t block = EXPANSION_BLOCK_SIZE;
    const std::string big = Noise(2 * block + 123);
    // "ab", a run of 17 more "b" (ring 4081, where the "b" went), 5 initial blanks (ring 100).
    const std::string matches = std::string("\xf3", 1) + "ab" + std::string("\xf1\xfe\x64\x02", 4);
    struct Case {
        const char *what;
        std::string source, expected;
        int ok;
    } cases[] = {
        { "plain, beyond the largest block", big, big, 1 },
        { "plain, exactly one block", big.substr(0, block), big.substr(0, block), 1 },
        { "plain, shorter than a header", "SZDD", "SZDD", 1 },
        { "an empty row", "", "", 0 },
        { "SZDD beyond the largest block", Szdd((unsigned)big.size(), Literals(big)), big, 1 },
        { "SZDD of exactly one block", Szdd((unsigned)block, Literals(big.substr(0, block))), big.substr(0, block), 1 },
        { "SZDD with matches and a run", Szdd(24, matches), "a" + std::string(18, 'b') + "     ", 1 },
        // The stream decides, not the header, as with the system's LZ layer.
        { "SZDD whose header names too much", Szdd(1000, Literals("short")), "short", 1 },
        { "SZDD whose header names too little", Szdd(1, Literals("longer")), "longer", 1 },
        { "SZDD with a header and no stream", Szdd(100, ""), "", 0 },
        { "SZDD of an unknown method", Szdd(5, Literals("other"), 'B'), "", 0 },
    };
    char source[MAX_PATH];
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        WriteFileText(folder_.File("row.bin"), c.source);
        WriteFileText(folder_.File("placed.bin"), "earlier");
        snprintf(source, sizeof(source), "%s", folder_.File("row.bin").c_str());
        SetLastError(0);
        EXPECT_EQ(c.ok, ExpandFile(source, folder_.File("placed.bin").c_str()));
        DWORD error = GetLastError();
        // A failure names its cause and leaves the earlier file whole, with nothing beside it.
        EXPECT_TRUE((c.ok ? c.expected : "earlier") == ReadFileText(folder_.File("placed.bin")));
        if (!c.ok)
            EXPECT_EQ((DWORD)ERROR_INVALID_DATA, error);
        EXPECT_FALSE(FileExists(folder_.File("~nxnew.tmp")));
    }
}

static LRESULT CALLBACK CancelOnRequest(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP)
        g_bCancel = 1;
    return DefWindowProcA(window, message, wParam, lParam);
}

// The source is a pipe fed one block at a time: the Cancel is asked for through the
// thread's message queue once the first block is placed, and seen before the third.
TEST_F(Payload, ExpansionAnswersMessagesAndStopsOnCancelInsideAFile)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CancelOnRequest;
    wc.hInstance = self_;
    wc.lpszClassName = "NxCancelOnRequest";
    RegisterClassA(&wc);
    HWND window = CreateWindowA(wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL, self_, NULL);
    ASSERT_TRUE(window != NULL);
    std::string name = "\\\\.\\pipe\\nxcancel" + std::to_string(GetCurrentProcessId()) + "_";
    HANDLE pipe = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE, 1, EXPANSION_BLOCK_SIZE, 0, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, pipe);
    const std::string block = Noise(EXPANSION_BLOCK_SIZE);
    const std::string fresh = folder_.File("~nxnew.tmp");
    std::thread feeder([&] {
        DWORD written;
        ConnectNamedPipe(pipe, NULL);
        WriteFile(pipe, block.data(), (DWORD)block.size(), &written, NULL);
        WIN32_FILE_ATTRIBUTE_DATA data;
        for (int i = 0; i < 1000; i++) {
            if (GetFileAttributesExA(fresh.c_str(), GetFileExInfoStandard, &data) && data.nFileSizeLow != 0)
                break;
            Sleep(10);
        }
        PostMessageA(window, WM_APP, 0, 0);
        for (int i = 0; i < 3 && WriteFile(pipe, block.data(), (DWORD)block.size(), &written, NULL); i++) {
        }
        // An expansion that never stops ends here with a broken pipe rather than waiting.
        CloseHandle(pipe);
    });
    char source[MAX_PATH];
    snprintf(source, sizeof(source), "%s", name.c_str());
    g_bCancel = 0;
    EXPECT_EQ(0, ExpandFile(source, folder_.File("placed.bin").c_str()));
    EXPECT_EQ((DWORD)ERROR_CANCELLED, GetLastError());
    EXPECT_EQ(1, g_bCancel);
    g_bCancel = 0;
    feeder.join();
    DestroyWindow(window);
    EXPECT_FALSE(FileExists(folder_.File("placed.bin")));
    EXPECT_FALSE(FileExists(fresh));
}

// The shared temporary folder's files of the payload's generic names belong to whoever
// made them: this run works in a folder of its own.
TEST_F(Payload, DeleteTempPayloadFilesLeavesTheSharedTemporaryFolder)
{
    std::string temp = EnterTempFolder();
    const char *names[] = { "nxf95pro.ex_", "sites8.in_", "Install.ini" };
    for (const char *name : names)
        WriteFileText(temp + "\\" + name, "another installer's");
    EXPECT_EQ(0, DeleteTempPayloadFiles());
    for (const char *name : names) {
        EXPECT_TRUE(FileExists(temp + "\\" + name)) << name;
        DeleteFileA((temp + "\\" + name).c_str());
    }
}

// The component lists and the rows file agree: every row of a list is a row the table
// gives that list, under the same installed name, and every such row is listed.
struct TableRow {
    int index;
    const char *installed;
    const char *list;
};
#define TABLE_CHECK_ROW(index, resource, installed, stored, carried, plain, list) { index, installed, list },
static const TableRow kTableRows[] = { PAYLOAD_ROWS(TABLE_CHECK_ROW) };

TEST(PayloadRows, ComponentListsHoldTheRowsTheTableGivesThem)
{
    struct { ComponentList *list; const char *name; } lists[] = {
        { &g_classicList, "classic" }, { &g_explorerList, "explorer" }, { &g_bonusList, "bonus" },
        { &g_commonList, "common" }, { &g_siteList, "sites" },
    };
    std::vector<int> listed(PAYLOAD_COUNT, 0);
    for (const auto &l : lists) {
        for (int i = 0; i < l.list->count; i++) {
            const ComponentEntry &row = l.list->rows[i];
            ASSERT_TRUE(row.payload >= 0 && row.payload < PAYLOAD_COUNT) << l.name << " " << i;
            EXPECT_STREQ(l.name, kTableRows[row.payload].list) << row.installedName;
            EXPECT_STREQ(kTableRows[row.payload].installed, row.installedName);
            EXPECT_STREQ(PayloadTable[row.payload].installedName, row.installedName);
            listed[row.payload]++;
        }
    }
    for (const TableRow &row : kTableRows) {
        bool inList = row.list[0] && strcmp(row.list, "options") != 0;
        EXPECT_EQ(inList ? 1 : 0, listed[row.index]) << row.index;
    }
}
