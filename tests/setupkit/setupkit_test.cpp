// setupkit.exe run as a distributor runs it, on the built setup.exe: what it lists and
// extracts against the sample product it was built from, faults it finds, a tailored
// quiet setup, and inputs it refuses without touching anything.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include <map>
#include "damage.h"
#include "e2e.h"
#include "harness/testutil.h"

#define TAILORED_DEST "C:\\Tailored NX"

// A file of the build under test as this prefix sees it.
static std::string BuildFile(const char *name)
{
    return ProductFile(HostToWindowsPath(std::string(NX_BINARY_DIR) + "/" + name));
}

// Runs setupkit.exe with args; its output and error output go to output.
static DWORD RunKit(const std::string &args, std::string *output, const ScratchFolder &scratch)
{
    SECURITY_ATTRIBUTES inherit = { sizeof(inherit), NULL, TRUE };
    std::string log = scratch.File("kit.out");
    std::string line = "\"" + BuildFile("setupkit.exe") + "\" " + args;
    std::vector<char> buffer(line.begin(), line.end());
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;
    DWORD code = (DWORD)-1;
    HANDLE out = CreateFileA(log.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS, 0, NULL);

    buffer.push_back('\0');
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = si.hStdError = out;
    if (CreateProcessA(NULL, buffer.data(), NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
        if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            GetExitCodeProcess(pi.hProcess, &code);
        else
            TerminateProcess(pi.hProcess, 99);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    CloseHandle(out);
    *output = ReadFileText(log);
    DeleteFileA(log.c_str());
    return code;
}

static std::string Quote(const std::string &path)
{
    return "\"" + path + "\"";
}

static bool Has(const std::string &text, const std::string &part)
{
    return text.find(part) != std::string::npos;
}

// The line of the listing that names this installed file, or "".
static std::string ListedLine(const std::string &listing, const std::string &name)
{
    size_t at = listing.find(" " + name + " ");
    if (at == std::string::npos)
        return "";
    size_t start = listing.rfind('\n', at) + 1;
    return listing.substr(start, listing.find('\n', at) - start);
}

TEST(SetupKit, ListAndVerifyDescribeEveryRowOfTheSampleProduct)
{
    ScratchFolder scratch;
    std::string listing, verified;
    std::string sample = BuildFile("sample-product");
    std::vector<std::string> files = FolderFiles(sample);

    ASSERT_EQ(0u, RunKit("list " + Quote(BuildFile("setup.exe")), &listing, scratch)) << listing;
    ASSERT_FALSE(files.empty());
    EXPECT_TRUE(Has(listing, ": " + std::to_string(files.size()) + " payload rows")) << listing;
    for (const std::string &name : files) {
        std::string line = ListedLine(listing, name);
        std::string size = std::to_string(ReadFileText(sample + "\\" + name).size());
        bool plain = name == "NEXFER.ini" || name == "Install.ini";
        EXPECT_TRUE(Has(line, " " + size + (plain ? "  plain" : "  SZDD"))) << name << ": " << line;
    }
    // The sample's options file keeps both sections renamed.
    EXPECT_TRUE(Has(listing, "options file: active sections: none")) << listing;
    EXPECT_TRUE(Has(listing, "check values: carried")) << listing;

    ASSERT_EQ(0u, RunKit("verify " + Quote(BuildFile("setup.exe")), &verified, scratch)) << verified;
    EXPECT_TRUE(Has(verified, std::to_string(files.size()) + " rows checked")) << verified;
    EXPECT_TRUE(Has(verified, "options file: parses")) << verified;
    EXPECT_TRUE(Has(verified, "check values: carried; every row but the options file is compared")) << verified;
}

TEST(SetupKit, ExtractGivesBackTheSampleProductByteForByte)
{
    ScratchFolder scratch;
    std::string output, sample = BuildFile("sample-product"), out = scratch.File("product");

    ASSERT_EQ(0u, RunKit("extract " + Quote(BuildFile("setup.exe")) + " " + Quote(out), &output, scratch)) << output;
    std::vector<std::string> files = FolderFiles(sample);
    ASSERT_EQ(files, FolderFiles(out));
    for (const std::string &name : files)
        EXPECT_TRUE(ReadFileText(sample + "\\" + name) == ReadFileText(out + "\\" + name)) << name;
}

// Copies setup.exe to path with row 0 cut short after its header and the options file
// replaced by binary bytes, through the same resource functions setupkit uses.
static void MakeDamagedCopy(const std::string &path)
{
    static const char binary[] = "\x01\x02[INSTALL]\x00QUIET=TRUE";
    WORD english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    HMODULE setup = LoadLibraryExA(BuildFile("setup.exe").c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(setup != NULL);
    HRSRC row = FindResourceA(setup, "EXEFILE2", "EXE");
    ASSERT_TRUE(row != NULL);
    ASSERT_GT(SizeofResource(setup, row), 400u);
    std::string shortRow((const char *)LockResource(LoadResource(setup, row)), 400);
    FreeLibrary(setup);

    ASSERT_TRUE(CopyFileA(BuildFile("setup.exe").c_str(), path.c_str(), FALSE));
    HANDLE update = BeginUpdateResourceA(path.c_str(), FALSE);
    ASSERT_TRUE(update != NULL);
    EXPECT_TRUE(UpdateResourceA(update, "EXE", "EXEFILE2", english, &shortRow[0], (DWORD)shortRow.size()));
    EXPECT_TRUE(UpdateResourceA(update, "EXE", "INSTINI", english, (void *)binary, sizeof(binary) - 1));
    ASSERT_TRUE(EndUpdateResourceA(update, FALSE));
}

TEST(SetupKit, VerifyAndExtractReportARowThatDoesNotExpand)
{
    ScratchFolder scratch;
    std::string output, damaged = scratch.File("damaged.exe"), out = scratch.File("product");

    MakeDamagedCopy(damaged);
    EXPECT_EQ(7u, RunKit("verify " + Quote(damaged), &output, scratch)) << output;
    EXPECT_TRUE(Has(output, "row 0 (EXEFILE2) nxf95pro.exe: DAMAGED")) << output;
    EXPECT_FALSE(Has(output, "row 1 (")) << output;
    EXPECT_TRUE(Has(output, "options file: FAILED, binary content")) << output;
    EXPECT_TRUE(Has(output, "setupkit: " + damaged + ": 2 faults")) << output;

    // Every other row is still written; the broken one leaves no partial file.
    EXPECT_EQ(7u, RunKit("extract " + Quote(damaged) + " " + Quote(out), &output, scratch)) << output;
    EXPECT_FALSE(FileExists(out + "\\nxf95pro.exe"));
    EXPECT_TRUE(ReadFileText(BuildFile("sample-product\\nxfpro32.dll")) == ReadFileText(out + "\\nxfpro32.dll"));
    std::string rows = std::to_string(FolderFiles(BuildFile("sample-product")).size());
    EXPECT_TRUE(Has(output, "1 of " + rows + " rows could not be extracted")) << output;
}

// One changed byte that still expands is found by the check values alone; a program
// without the table (as built before it existed) is checked by expansion only.
TEST(SetupKit, VerifyNamesARowThatDoesNotMatchItsCheckValue)
{
    ScratchFolder scratch;
    std::string output, changed = scratch.File("changed.exe"), unchecked = scratch.File("unchecked.exe");

    ASSERT_EQ("", CopyWithChangedRowByte(BuildFile("setup.exe"), changed, "DLLFILE1"));
    EXPECT_EQ(7u, RunKit("verify " + Quote(changed), &output, scratch)) << output;
    EXPECT_TRUE(Has(output, "row 1 (DLLFILE1) nxfpro32.dll: DAMAGED, does not match its check value")) << output;
    EXPECT_FALSE(Has(output, "row 0 (")) << output;
    EXPECT_TRUE(Has(output, ": 1 faults")) << output;

    ASSERT_EQ("", CopyWithoutResource(BuildFile("setup.exe"), unchecked, (LPCSTR)RT_RCDATA, MAKEINTRESOURCEA(120)));
    EXPECT_EQ(0u, RunKit("verify " + Quote(unchecked), &output, scratch)) << output;
    EXPECT_TRUE(Has(output, "check values: none; rows are checked by expansion only")) << output;
    EXPECT_EQ(0u, RunKit("list " + Quote(unchecked), &output, scratch)) << output;
    EXPECT_TRUE(Has(output, "check values: none")) << output;
}

TEST(SetupKit, TailoredQuietSetupInstallsWithoutAWindow)
{
    ScratchFolder scratch;
    std::string output, setup = BuildFile("setup.exe"), tailored = scratch.File("setup.exe");
    std::string options = scratch.File("quiet.ini"), original = ReadFileText(setup);
    std::string text = "[INSTALL]\r\nQUIET=TRUE\r\nLOGGING=TRUE\r\nALLOWRBT=FALSE\r\n[NEXFER]\r\nDIR32=" TAILORED_DEST "\r\n";

    WriteFileText(options, text);
    ASSERT_EQ(0u, RunKit("options " + Quote(setup) + " " + Quote(options) + " -o " + Quote(tailored), &output, scratch))
        << output;
    EXPECT_TRUE(original == ReadFileText(setup));
    ASSERT_EQ(0u, RunKit("list " + Quote(tailored), &output, scratch)) << output;
    EXPECT_TRUE(Has(output, "options file: active sections: INSTALL NEXFER")) << output;
    EXPECT_TRUE(Has(ListedLine(output, "Install.ini"), " " + std::to_string(text.size()) + "  plain")) << output;
    // The check values leave the options file out: the tailored program still passes.
    EXPECT_EQ(0u, RunKit("verify " + Quote(tailored), &output, scratch)) << output;
    EXPECT_TRUE(Has(output, "check values: carried")) << output;

    SetupRun run = RunSetupProgram(tailored, 120000);
    EXPECT_TRUE(run.ended);
    EXPECT_FALSE(run.showedWindow);
    // Complete; the explorer interface registered itself, so a restart is due.
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "RelNotes.txt", "finish.wav", "sites8.ini" }) {
        std::string installed = ReadFileText(std::string(TAILORED_DEST "\\") + name);
        EXPECT_FALSE(installed.empty()) << name;
        EXPECT_TRUE(installed == ReadFileText(BuildFile("sample-product\\") + name)) << name;
    }
    EXPECT_FALSE(FileExists("C:\\Program Files\\NEXFER Pro\\nxf95pro.exe"));
    std::vector<std::string> log = ReadLines(TempFolder() + "setup.log");
    EXPECT_NE(log.end(), std::find(log.begin(), log.end(), "g_bSilent=1"));
}

TEST(SetupKit, OptionsInPlaceReplaceTheProgramAndLeaveNoCopyBehind)
{
    ScratchFolder scratch;
    std::string output, setup = scratch.File("setup.exe"), options = scratch.File("mine.ini");
    std::string text = "; only the folder and the group\r\n[NEXFER]\r\nDIR32=C:\\Mine\r\nGROUP32=Mine\r\n";

    ASSERT_TRUE(CopyFileA(BuildFile("setup.exe").c_str(), setup.c_str(), FALSE));
    WriteFileText(options, text);
    ASSERT_EQ(0u, RunKit("options " + Quote(setup) + " " + Quote(options), &output, scratch)) << output;
    EXPECT_EQ(std::vector<std::string>({ "mine.ini", "setup.exe" }), FolderFiles(scratch.Path()));
    ASSERT_EQ(0u, RunKit("extract " + Quote(setup) + " " + Quote(scratch.File("x")), &output, scratch)) << output;
    EXPECT_EQ(text, ReadFileText(scratch.File("x\\Install.ini")));
    EXPECT_TRUE(ReadFileText(BuildFile("sample-product\\nxf95pro.exe")) == ReadFileText(scratch.File("x\\nxf95pro.exe")));
}

// Every file and folder under folder with its content ("<folder>" for a folder) and
// its read-only attribute.
static void Snapshot(const std::string &folder, std::map<std::string, std::string> *files)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        std::string name = data.cFileName, path = folder + "\\" + name;
        if (name == "." || name == "..")
            continue;
        bool isFolder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        (*files)[path] = isFolder ? "<folder>" : ReadFileText(path);
        (*files)[path] += (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) ? "<read-only>" : "";
        if (isFolder)
            Snapshot(path, files);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

struct RefusedCase {
    const char *args;     // {name} stands for that file of the scratch folder, quoted
    DWORD code;
    const char *message;
};

static std::string Expand(const char *args, const ScratchFolder &scratch)
{
    std::string text = args;
    size_t open;
    while ((open = text.find('{')) != std::string::npos) {
        size_t close = text.find('}', open);
        text.replace(open, close - open + 1, Quote(scratch.File(text.substr(open + 1, close - open - 1).c_str())));
    }
    return text;
}

TEST(SetupKit, RefusedInputsLeaveEverythingUntouched)
{
    static const RefusedCase cases[] = {
        { "list {missing.exe}", 2, "missing.exe: no such file" },
        { "verify {text.exe}", 2, "text.exe: not a Windows program" },
        { "extract {nopayload.exe} {out}", 3, "nopayload.exe: carries no payload rows" },
        { "options {text.exe} {good.ini} -o {out.exe}", 2, "text.exe: not a Windows program" },
        { "options {setup.exe} {good.ini} -o {readonly.exe}", 6, "readonly.exe: is read-only" },
        { "options {setup.exe} {good.ini} -o {nofolder\\out.exe}", 6, "cannot write in this folder" },
        { "options {setup.exe} {binary.ini} -o {out.exe}", 4, "binary.ini: not an INI file (binary content)" },
        { "options {setup.exe} {text.exe} -o {out.exe}", 4, "text.exe: not an INI file (line 2 is no" },
        { "options {setup.exe} {renamed.ini}", 4, "renamed.ini: has neither an [INSTALL] nor a [NEXFER] section" },
        { "options {setup.exe} {missing.ini}", 4, "missing.ini: cannot be read" },
        { "options {setup.exe} {good.ini} --sign", 1, "unknown option" },
        { "list", 1, "usage: setupkit list PROGRAM" },
    };
    ScratchFolder scratch;

    ASSERT_TRUE(CopyFileA(BuildFile("setup.exe").c_str(), scratch.File("setup.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuildFile("setup.exe").c_str(), scratch.File("readonly.exe").c_str(), FALSE));
    ASSERT_TRUE(SetFileAttributesA(scratch.File("readonly.exe").c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CopyFileA(HarnessProgram("keepalive.exe").c_str(), scratch.File("nopayload.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(BuildFile("sample-product\\Install.ini").c_str(), scratch.File("renamed.ini").c_str(), FALSE));
    WriteFileText(scratch.File("text.exe"), "[INSTALL]\r\nA text file, neither a program nor an options file.\r\n");
    WriteFileText(scratch.File("good.ini"), "[INSTALL]\r\nQUIET=TRUE\r\n");
    WriteFileText(scratch.File("binary.ini"), std::string("[INSTALL]\r\nQUIET=\0\1\2", 19));

    for (const RefusedCase &c : cases) {
        std::map<std::string, std::string> before, after;
        std::string output;
        Snapshot(scratch.Path(), &before);
        EXPECT_EQ(c.code, RunKit(Expand(c.args, scratch), &output, scratch)) << c.args << "\n" << output;
        EXPECT_TRUE(Has(output, std::string("setupkit: ")) && Has(output, c.message)) << c.args << "\n" << output;
        Snapshot(scratch.Path(), &after);
        EXPECT_TRUE(before == after) << c.args;
    }
}
