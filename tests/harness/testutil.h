// Shared test helpers: scratch folders, registry and WIN.INI clean-up, text files, and
// driving dialogs from a second thread as a user would.
#ifndef NX_TESTUTIL_H
#define NX_TESTUTIL_H

#include <windows.h>
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

// Registry and profile helpers for fixtures.
void DeleteKeyTree(HKEY root, const char *path);
int KeyExists(HKEY root, const char *path);
std::string RegString(HKEY root, const char *path, const char *value, int *found = nullptr);
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

// Full path of a helper program built beside the test harness (e.g. "holdfile.exe").
std::string HarnessProgram(const char *name);

// --- Driving windows -------------------------------------------------------------
// A visible dialog (class "#32770") of process pid with this caption and, when control
// is not 0, holding that control; NULL when there is none now.
HWND FindDialog(DWORD pid, const char *caption, int control);
// Finds a top-level window of this process by class "#32770" (or any class with
// NULL) whose caption equals caption; waits up to timeoutMs.
HWND WaitForDialog(const char *caption, DWORD timeoutMs = 10000);
// Waits until window is gone.
int WaitForClose(HWND window, DWORD timeoutMs = 10000);
std::string ControlText(HWND dialog, int id);
std::string WindowText(HWND window);
int IsChecked(HWND dialog, int id);
int IsControlEnabled(HWND dialog, int id);
int IsControlVisible(HWND dialog, int id);
// Clicks a button as a user would: only when it is visible and enabled (posted, so a
// nested modal box does not block the caller). 1 when clicked.
int ClickButton(HWND dialog, int id);
// The text of a message box (static 65535).
std::string MessageBoxText(HWND box);

// Runs a script on a second thread while the test thread shows the window under test;
// the script finds, reads and clicks. Joined by Wait() or the destructor.
class UiDriver {
public:
    explicit UiDriver(std::function<void()> script);
    ~UiDriver();
    void Wait();
private:
    std::thread thread_;
};

#endif
