// DLLs planted beside setup.exe are never loaded into it: not a LZ32.dll (Windows' search
// order for that name, which Wine gives with the native-first load order), not a DLL that
// a product DLL imports or loads by its name while it registers; nor does a planted
// notepad.exe run in place of the system's.
#include <gtest/gtest.h>
#include <winerror.h>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"

#define DEFAULT_DEST "C:\\Program Files\\NEXFER Pro"

// A file of the build under test, by its path below this test program's folder.
static std::string BuildFile(const char *relative)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    return ProductFile(path.substr(0, path.rfind('\\') + 1) + relative);
}

// Wine loads its own LZ32 unless told to take a native copy first, found as Windows finds
// any DLL that is not a KnownDLL: the program's folder first. The prefix setting is the
// one WINEDLLOVERRIDES=lz32=n,b gives; the variable itself does not reach a child process.
class NativeLz32First {
public:
    NativeLz32First()
    {
        HKEY key;
        if (RegCreateKeyA(HKEY_CURRENT_USER, kKey, &key) == ERROR_SUCCESS) {
            RegSetValueExA(key, "lz32", 0, REG_SZ, (const BYTE *)"native,builtin", sizeof("native,builtin"));
            RegCloseKey(key);
        }
    }
    ~NativeLz32First()
    {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
            RegDeleteValueA(key, "lz32");
            RegCloseKey(key);
        }
    }
private:
    static constexpr const char *kKey = "Software\\Wine\\DllOverrides";
};

static bool Copy(const std::string &from, const std::string &to)
{
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

TEST(PlantedDlls, Lz32BesideSetupIsNotLoaded)
{
    NativeLz32First order;
    ScratchFolder folder;
    std::string setup = folder.File("setup.exe"), loaded = folder.File("LZ32.dll.loaded");
    ASSERT_TRUE(Copy(BuildFile("planted\\LZ32.dll"), folder.File("LZ32.dll")));
    ASSERT_TRUE(Copy(BuildFile("nxtlzuser.exe"), folder.File("nxtlzuser.exe")));
    ASSERT_TRUE(Copy(VariantPath("setup_quiet_log"), setup));

    // What a program that imports LZ32 gets here: the planted copy.
    EXPECT_EQ(0u, RunProgram("\"" + folder.File("nxtlzuser.exe") + "\"", 20000));
    ASSERT_TRUE(FileExists(loaded)) << "the planted LZ32.dll is not loaded even into a program that imports it";
    ASSERT_TRUE(DeleteFileA(loaded.c_str()));

    SetupRun run = RunSetupProgram(setup, 120000);
    ASSERT_TRUE(run.ended);
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    EXPECT_FALSE(FileExists(loaded)) << "loaded into a quiet installation";

    SetupRun refused = RunSetupProgram(setup, 60000, "/bogus");
    ASSERT_TRUE(refused.ended);
    EXPECT_EQ((DWORD)ERROR_INVALID_COMMAND_LINE, refused.exitCode);
    EXPECT_FALSE(FileExists(loaded)) << "loaded into a run with a bad switch";
}

TEST(PlantedDlls, ProductDllRegistersWithItsOwnFoldersSibling)
{
    ScratchFolder folder;
    std::string setup = folder.File("setup.exe");
    ASSERT_TRUE(Copy(VariantPath("setup_sibling"), setup));
    // The product's nxfpro32.dll beside setup.exe, and a DLL of the name the extension
    // loads without a path while it registers, there and in the product's folder.
    ASSERT_TRUE(Copy(BuildFile("sibling-dlls\\nxfpro32.dll"), folder.File("nxfpro32.dll")));
    ASSERT_TRUE(Copy(BuildFile("sibling-dlls\\nxfpro32.dll"), folder.File("nxtprobe.dll")));
    CreateDirectoryA("C:\\Program Files", NULL);
    CreateDirectoryA(DEFAULT_DEST, NULL);
    ASSERT_TRUE(Copy(BuildFile("sibling-dlls\\nxfpro32.dll"), DEFAULT_DEST "\\nxtprobe.dll"));

    SetupRun run = RunSetupProgram(setup, 120000);
    ASSERT_TRUE(run.ended);
    // The explorer extension registered: a restart is due, and not allowed.
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, run.exitCode);
    const char *key = CLASS_KEY(CLSID_EXPLORER_TEXT) "\\InProcServer32";
    int registered = 0;
    std::string server = RegString(HKEY_CLASSES_ROOT, key, NULL, &registered);
    ASSERT_TRUE(registered) << "the explorer extension did not register";
    EXPECT_STRCASEEQ(DEFAULT_DEST "\\nxfproex.dll", server.c_str());
    EXPECT_STRCASEEQ(DEFAULT_DEST "\\nxfpro32.dll", RegString(HKEY_CLASSES_ROOT, key, "Sibling").c_str());
    EXPECT_STRCASEEQ(DEFAULT_DEST "\\nxtprobe.dll", RegString(HKEY_CLASSES_ROOT, key, "Probe").c_str());
}

// A notepad.exe beside setup.exe and one in the temporary folder, each the harness's
// keepalive (one more "NxKeepAlive" window when it runs): the system's Notepad opens.
TEST(PlantedDlls, NotepadBesideSetupOrInTheTemporaryFolderNeverRuns)
{
    auto keepAlives = [] {
        size_t count = 0;
        for (HWND window = NULL; (window = FindWindowExA(NULL, window, "NxKeepAlive", NULL)) != NULL;)
            count++;
        return count;
    };
    ScratchFolder folder;
    std::string setup = folder.File("setup.exe"), temp = TempFolder() + "notepad.exe";
    ASSERT_TRUE(Copy(VariantPath("setup_interactive"), setup));
    ASSERT_TRUE(Copy(HarnessProgram("keepalive.exe"), folder.File("notepad.exe")));
    ASSERT_TRUE(Copy(HarnessProgram("keepalive.exe"), temp));
    size_t before = keepAlives();
    SetupProcess run(setup.c_str(), false, true);
    HWND welcome = run.WaitForDialog("NEXFER Pro Installation", 1851);
    ASSERT_TRUE(welcome != NULL);
    Click(welcome, 2423);
    HWND notepad = NULL;
    EXPECT_TRUE(WaitUntil([&] { return (notepad = FindWindowA("Notepad", NULL)) != NULL; })) << "no Notepad";
    EXPECT_EQ(before, keepAlives()) << "a planted notepad.exe ran";
    PostMessageA(notepad, WM_CLOSE, 0, 0);
    ClickAndWait(welcome, IDCANCEL);
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, run.WaitForExit());
    DeleteFileA(temp.c_str());
}
