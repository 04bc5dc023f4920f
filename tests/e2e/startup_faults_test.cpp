// Start-up faults with the real program: a temporary folder that cannot be used, and
// a second start command posted by another program while the wizard runs.
#include <gtest/gtest.h>
#include <winerror.h>
#include <string.h>
#include <vector>
#include "e2e.h"
#include "harness/testutil.h"

#define WELCOME "NEXFER Pro Installation"
#define EXIT_NO_TEMP_FOLDER 3u

// A setup variant started with TEMP and TMP naming a folder that does not exist.
class MissingTempSetup {
public:
    explicit MissingTempSetup(const char *variant)
    {
        std::string line = "\"" + VariantPath(variant) + "\"";
        std::vector<char> command(line.begin(), line.end());
        std::vector<char> environment;
        char *block = GetEnvironmentStringsA();

        command.push_back('\0');
        for (const char *entry = block; *entry; entry += strlen(entry) + 1) {
            if (_strnicmp(entry, "TEMP=", 5) != 0 && _strnicmp(entry, "TMP=", 4) != 0)
                environment.insert(environment.end(), entry, entry + strlen(entry) + 1);
        }
        FreeEnvironmentStringsA(block);
        for (const char *entry : { "TEMP=C:\\nxmissing\\temp", "TMP=C:\\nxmissing\\temp" })
            environment.insert(environment.end(), entry, entry + strlen(entry) + 1);
        environment.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        if (CreateProcessA(NULL, command.data(), NULL, NULL, FALSE, 0, environment.data(), NULL, &si, &info_))
            CloseHandle(info_.hThread);
        else
            info_.hProcess = NULL;
    }
    ~MissingTempSetup()
    {
        if (info_.hProcess) {
            TerminateProcess(info_.hProcess, 99);
            CloseHandle(info_.hProcess);
        }
    }
    HWND WaitForBox(DWORD timeoutMs)
    {
        for (DWORD start = GetTickCount(); GetTickCount() - start < timeoutMs; Sleep(20)) {
            HWND box = FindDialog(info_.dwProcessId, WELCOME, MESSAGE_TEXT_ID);
            if (box || WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0)
                return box;
        }
        return NULL;
    }
    DWORD WaitForExit(DWORD timeoutMs)
    {
        DWORD code = (DWORD)-1;
        if (info_.hProcess && WaitForSingleObject(info_.hProcess, timeoutMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }
    bool Started() const { return info_.hProcess != NULL; }
private:
    PROCESS_INFORMATION info_ = {};
};

TEST(StartupFaults, MissingTempFolderEndsWithAMessageAndWritesNothing)
{
    ASSERT_FALSE(FileExists("C:\\nxmissing"));
    {
        MissingTempSetup setup("setup_interactive");
        ASSERT_TRUE(setup.Started());
        HWND box = setup.WaitForBox(30000);
        ASSERT_TRUE(box != NULL) << "no message about the temporary folder";
        EXPECT_EQ("Setup cannot use the temporary folder C:\\nxmissing\\temp (3).\r\nSet TEMP to a folder that "
                  "exists and can be written, then run Setup again.", MessageBoxText(box));
        EXPECT_TRUE(ClickAndWait(box, IDOK));
        EXPECT_EQ(EXIT_NO_TEMP_FOLDER, setup.WaitForExit(20000));
    }
    // The quiet variant carries QUIET=TRUE: no window at all, only the exit code.
    {
        MissingTempSetup setup("setup_quiet_log");
        ASSERT_TRUE(setup.Started());
        EXPECT_EQ(EXIT_NO_TEMP_FOLDER, setup.WaitForExit(30000));
    }
    EXPECT_FALSE(FileExists("C:\\Install.ini"));
    EXPECT_FALSE(FileExists("C:\\setup.log"));
    EXPECT_FALSE(FileExists("C:\\nxmissing"));
    EXPECT_FALSE(FileExists(VariantPath("setup").substr(0, VariantPath("setup").rfind('\\')) + "\\setup.log"));
    EXPECT_EQ("<missing>", WinIni("INSTOPTS"));
}

static BOOL CALLBACK CountWelcome(HWND window, LPARAM param)
{
    std::pair<DWORD, int> *count = (std::pair<DWORD, int> *)param;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == count->first && IsWindowVisible(window) && WindowText(window) == WELCOME &&
        GetDlgItem(window, 1851))
        count->second++;
    return TRUE;
}

static BOOL CALLBACK FindMain(HWND window, LPARAM param)
{
    std::pair<DWORD, HWND> *found = (std::pair<DWORD, HWND> *)param;
    char name[32] = "";
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    GetClassNameA(window, name, sizeof(name));
    if (pid == found->first && strcmp(name, "NXInstal") == 0)
        found->second = window;
    return TRUE;
}

TEST(StartupFaults, ASecondStartCommandIsIgnoredWhileTheWizardRuns)
{
    SetupProcess setup("setup_interactive");
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    ASSERT_TRUE(welcome != NULL) << "welcome page";
    std::pair<DWORD, HWND> main(setup.Pid(), (HWND)NULL);
    EnumWindows(FindMain, (LPARAM)&main);
    ASSERT_TRUE(main.second != NULL) << "main window";
    ASSERT_TRUE(PostMessageA(main.second, WM_COMMAND, 100, 0));
    Sleep(1500);
    std::pair<DWORD, int> count(setup.Pid(), 0);
    EnumWindows(CountWelcome, (LPARAM)&count);
    EXPECT_EQ(1, count.second) << "welcome pages on screen";
    ASSERT_TRUE(ClickAndWait(welcome, IDCANCEL));
    EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit(20000));
}
