// Shared test helpers: scratch folders, registry and WIN.INI clean-up, text files, helper
// processes, and the window driver with which every UI test works dialogs as a user would.
#ifndef NX_TESTUTIL_H
#define NX_TESTUTIL_H

#include <windows.h>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// A fresh folder under the temporary folder, removed with its content at the end.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    const char *Path() const { return path_.c_str(); }
    std::string File(const char *name) const { return path_ + "\\" + name; }
private:
    std::string path_;
};

void RemoveTree(const std::string &path);
int FileExists(const std::string &path);
std::string ReadFileText(const std::string &path);
void WriteFileText(const std::string &path, const std::string &text);
std::vector<std::string> ReadLines(const std::string &path);

// --- The programs under test --------------------------------------------------------
// The end-to-end tests start the programs of one build: the test program's own build by
// default, the i686 build in the second run of make test. wine-run.sh tells the test
// program which: NX_TEST_BUILD and NX_PRODUCT_BUILD (host paths of the two builds) and
// NX_PRODUCT_ARCH (the architecture of the programs under test).
// A 32-bit program on 64-bit Windows reads and writes HKLM\Software and HKCR in the
// registry's 32-bit view: DeleteKeyTree, KeyExists, RegString (and the end-to-end
// helpers) work in the view the program under test uses.

// The same file of the build under test, for a path in this test program's build.
std::string ProductFile(const std::string &path);
// KEY_WOW64_32KEY when the program under test is a 32-bit program, else 0.
REGSAM ProductRegistryView();
// Whether the program under test is the i686 one.
bool ProductIsI686();
// Drive Z:'s path of a host path.
std::string HostToWindowsPath(const std::string &hostPath);

// Registry and profile helpers for fixtures, in the view of the program under test.
void DeleteKeyTree(HKEY root, const char *path);
int KeyExists(HKEY root, const char *path);
std::string RegString(HKEY root, const char *path, const char *value, int *found = nullptr);
// A DWORD value in the same view; 0 (and *found 0) when it is missing or not a DWORD.
DWORD RegDword(HKEY root, const char *path, const char *value, int *found = nullptr);
void ClearWinIniSection(const char *section);

// Program groups as the shell's program-group service keeps them: the group's folder
// under the Start menu's Programs, and its shortcut titles (names without ".lnk").
std::string GroupFolder(const char *group);
std::vector<std::string> GroupItems(const char *group);
// Value of a key of the WIN.INI section NEXFER, "<missing>" when absent.
std::string WinIni(const char *key);

// Makes the temporary folder current, as start-up does, and returns it without a
// trailing backslash.
std::string EnterTempFolder();

// A file of the temporary folder (where setup.log lives), by its name.
std::string TempFile(const char *name);

// Runs a Windows program of this prefix and returns its exit code (or -1).
DWORD RunProgram(const std::string &commandLine, DWORD timeoutMs);

// Another process holds a file while this object lives (see holdfile.cpp for modes).
class FileHolder {
public:
    FileHolder(const std::string &path, const char *mode);
    ~FileHolder();
    void Release();
    bool Holding() const { return holding_; }
private:
    HANDLE process_;
    HANDLE release_;
    bool holding_;
};

// Full path of a helper program of the test harness (e.g. "holdfile.exe"), which
// wine-run.sh tells every program it runs.
std::string HarnessProgram(const char *name);

// --- Driving windows ------------------------------------------------------------
// A UI test shows the window under test on the test thread (a page, a message box) while
// a UiDriver runs a script on a second thread: it finds the dialog by its caption, reads
// its controls and clicks as a user would. The script's EXPECT and ASSERT failures are the
// test's failures. When the script fails fatally (an ASSERT, an exception), the driver
// closes every dialog of this process until Finish(), so that the test thread gets back
// and the test ends at once with the failing step's message.

// A visible dialog (class "#32770") of process pid with this caption (any caption when
// NULL) and, when control is not 0, holding that control; NULL when there is none now.
HWND FindDialog(DWORD pid, const char *caption, int control);
// A dialog of this process with this caption; waits up to timeoutMs, NULL after that.
HWND WaitForDialog(const char *caption, DWORD timeoutMs = 10000);
// Waits until window is gone; 0 when it is still there after timeoutMs.
int WaitForClose(HWND window, DWORD timeoutMs = 10000);
// Every visible dialog of process pid.
std::vector<HWND> DialogsOfProcess(DWORD pid);

std::string ControlText(HWND dialog, int id);
std::string WindowText(HWND window);
int IsChecked(HWND dialog, int id);
int IsControlEnabled(HWND dialog, int id);
int IsControlVisible(HWND dialog, int id);
// The text of a message box (static 65535).
std::string MessageBoxText(HWND box);

// Clicks a push button, radio button or check box as a user would: only when it is
// visible and enabled (Wine's BM_CLICK would click a disabled one too). The click is
// posted to the control, so that a modal box it opens does not block the caller, and
// clicks posted to one dialog take effect in order. 1 when clicked.
int Click(HWND dialog, int id);
// Posts a key press to the control that has the focus in the dialog's thread.
void PressKey(HWND dialog, UINT key);
// Sets an edit field's text as if the user had typed it.
void TypeText(HWND dialog, int id, const char *text);

// Waits until predicate() holds; false after timeoutMs.
template <typename F> bool WaitUntil(F predicate, DWORD timeoutMs = 10000)
{
    DWORD start = GetTickCount();
    while (!predicate()) {
        if (GetTickCount() - start > timeoutMs)
            return false;
        Sleep(20);
    }
    return true;
}

// Drives the windows the test thread shows, from a thread of its own; Finish() (or the
// destructor) once the call under test has returned.
//   UiDriver driver([&] { HWND page = WaitForDialog("Caption"); ASSERT_TRUE(page); ...
//                         EXPECT_EQ(1, Click(page, IDOK)); });
//   EXPECT_EQ(1, RunSomePage(...));
// A script that ends without failing but leaves a dialog it found open for 5 s fails
// the test too, and that dialog is closed.
class UiDriver {
public:
    // Runs script once.
    explicit UiDriver(std::function<void()> script);
    // Answers, until Finish(), every dialog of this process with this caption (any dialog
    // for NULL) as it shows up: answer(dialog, n) reads the n-th one (0, 1, ...) and
    // clicks; the driver then waits for it to close. Also for calls that must show
    // nothing: count the answers.
    UiDriver(const char *caption, std::function<void(HWND dialog, int n)> answer);
    ~UiDriver();
    // Lets an answering driver take a last look and stop, waits for a script to end.
    void Finish();
    // Dialogs answered so far; read it after Finish().
    int Answered() const { return answered_; }

private:
    void Run();
    bool RunReported(const std::function<void()> &step);
    void Answer();
    void WatchDriven();
    void CloseDialogs();
    friend void NoteDriven(HWND dialog);

    std::function<void()> script_;
    std::string caption_;
    bool anyCaption_;
    std::function<void(HWND, int)> answer_;
    std::atomic<bool> finishing_;
    int answered_;
    std::vector<HWND> driven_;
    std::thread thread_;
};

#endif
