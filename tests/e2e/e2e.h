// Running a built setup variant as a user or a distributor would, and watching it.
#ifndef NX_E2E_H
#define NX_E2E_H

#include <windows.h>
#include <string>
#include <vector>

struct SetupRun {
    DWORD exitCode = (DWORD)-1;
    bool ended = false;          // the program ended by itself within the time allowed
    bool showedWindow = false;   // a window of the program became visible
};

// Full path of a setup variant of the build under test (ProductFile of harness/testutil.h):
// beside this test program, or the same file of the i686 build.
std::string VariantPath(const char *name);

// Starts the variant, watches its windows until it ends (or timeoutMs passes), returns
// what was seen. A program still running at the end is terminated.
// arguments: the command line after the program's name.
SetupRun RunSetupVariant(const char *name, DWORD timeoutMs, const char *arguments = "");
// The same for a setup program given by its full path.
SetupRun RunSetupProgram(const std::string &path, DWORD timeoutMs, const char *arguments = "");

// The temporary folder of this prefix, with a trailing backslash.
std::string TempFolder();

// A setup variant running beside the test, driven as a user would drive it.
class SetupProcess {
public:
    // withoutOS: start it without the OS environment variable (a Windows 95 style system).
    // byPath: name is the program's full path rather than a variant beside the tests.
    // arguments: the command line after the program's name.
    explicit SetupProcess(const char *name, bool withoutOS = false, bool byPath = false,
                          const char *arguments = "");
    ~SetupProcess();
    bool Started() const { return process_ != NULL; }
    // Visible dialog of the setup process with this caption (and, when control is not
    // 0, holding that control), or NULL after timeoutMs or when the program ended.
    HWND WaitForDialog(const char *caption, int control = 0, DWORD timeoutMs = 30000);
    // Waits for the end of the program; its exit code, or -1 when it did not end.
    DWORD WaitForExit(DWORD timeoutMs = 60000);
    DWORD Pid() const { return pid_; }
private:
    HANDLE process_;
    DWORD pid_;
};

#define MESSAGE_TEXT_ID 65535

// Clicks a button (Click of harness/testutil.h) and waits until the dialog is gone.
bool ClickAndWait(HWND dialog, int id);

// Every file name in a folder (no subfolders), sorted.
std::vector<std::string> FolderFiles(const std::string &folder);

// Values of HKLM\...\CurrentVersion\SUBKEY in the view of the program under test.
DWORD RunOnceValueCount(const char *subkey);

// Every entry of a folder, files and subfolders alike, sorted.
std::vector<std::string> FolderEntries(const std::string &folder);

// Runs a command line of the host system through /bin/sh and waits for its end.
void RunHostShell(const std::string &command);

// The host's path of a path on drive C: of this test's prefix; "" outside a test prefix.
std::string HostPathOnC(const std::string &path);

// Sets the key's access (creating it when missing): everyone may read it, and do
// everything else too when writable; nobody else is named.
bool SetKeyOpenToEveryone(HKEY root, const char *path, REGSAM view, bool writable);

#endif
