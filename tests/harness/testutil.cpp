// Shared test helpers.
#include <shlobj.h>
#include <stdio.h>
#include <stdlib.h>
#include <algorithm>
#include <string.h>
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include "harness/testutil.h"

static LONG s_scratchCounter;

ScratchFolder::ScratchFolder()
{
    char temp[MAX_PATH];
    char name[64];

    GetTempPathA(MAX_PATH, temp);
    snprintf(name, sizeof(name), "nxt%lu_%ld", GetCurrentProcessId(), InterlockedIncrement(&s_scratchCounter));
    path_ = std::string(temp) + name;
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), NULL);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(path_);
}

void RemoveTree(const std::string &path)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &data);

    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!strcmp(data.cFileName, ".") || !strcmp(data.cFileName, ".."))
                continue;
            std::string child = path + "\\" + data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(child);
            } else {
                SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(child.c_str());
            }
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

int FileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string ReadFileText(const std::string &path)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    char buffer[4096];
    size_t n;

    if (!f)
        return text;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        text.append(buffer, n);
    fclose(f);
    return text;
}

void WriteFileText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "wb");

    if (!f)
        return;
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

std::vector<std::string> ReadLines(const std::string &path)
{
    std::vector<std::string> lines;
    std::string text = ReadFileText(path), line;

    for (char c : text) {
        if (c == '\n') {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += c;
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}

std::string HostToWindowsPath(const std::string &hostPath)
{
    std::string path = "Z:" + hostPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ProductFile(const std::string &path)
{
    const char *own = getenv("NX_TEST_BUILD");
    const char *product = getenv("NX_PRODUCT_BUILD");
    if (!own || !product || own[0] != '/' || product[0] != '/')
        return path;
    std::string from = HostToWindowsPath(own) + "\\";
    if (path.size() < from.size() || _strnicmp(path.c_str(), from.c_str(), from.size()) != 0)
        return path;
    return HostToWindowsPath(product) + "\\" + path.substr(from.size());
}

bool ProductIsI686()
{
    const char *arch = getenv("NX_PRODUCT_ARCH");
    return arch && strcmp(arch, "i686") == 0;
}

REGSAM ProductRegistryView()
{
    return ProductIsI686() ? KEY_WOW64_32KEY : 0;
}

void DeleteKeyTree(HKEY root, const char *path)
{
    HKEY key;

    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS | ProductRegistryView(), &key) == ERROR_SUCCESS) {
        RegDeleteTreeA(key, NULL);
        RegCloseKey(key);
    }
    RegDeleteKeyExA(root, path, ProductRegistryView(), 0);
}

int KeyExists(HKEY root, const char *path)
{
    HKEY key;

    if (RegOpenKeyExA(root, path, 0, KEY_READ | ProductRegistryView(), &key) != ERROR_SUCCESS)
        return 0;
    RegCloseKey(key);
    return 1;
}

std::string RegString(HKEY root, const char *path, const char *value, int *found)
{
    char data[2048] = "";
    DWORD size = sizeof(data) - 1;
    HKEY key;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ | ProductRegistryView(), &key);

    if (rc == ERROR_SUCCESS) {
        rc = RegGetValueA(key, NULL, value, RRF_RT_ANY, NULL, data, &size);
        RegCloseKey(key);
    }
    if (found)
        *found = rc == ERROR_SUCCESS;
    return rc == ERROR_SUCCESS ? std::string(data) : std::string();
}

DWORD RegDword(HKEY root, const char *path, const char *value, int *found)
{
    DWORD data = 0, size = sizeof(data);
    HKEY key;
    LONG rc = RegOpenKeyExA(root, path, 0, KEY_READ | ProductRegistryView(), &key);

    if (rc == ERROR_SUCCESS) {
        rc = RegGetValueA(key, NULL, value, RRF_RT_REG_DWORD, NULL, &data, &size);
        RegCloseKey(key);
    }

    if (found)
        *found = rc == ERROR_SUCCESS;
    return rc == ERROR_SUCCESS ? data : 0;
}

void ClearWinIniSection(const char *section)
{
    WriteProfileStringA(section, NULL, NULL);
}

std::string GroupFolder(const char *group)
{
    char programs[MAX_PATH] = "";
    SHGetFolderPathA(NULL, CSIDL_PROGRAMS, NULL, 0, programs);
    return std::string(programs) + "\\" + group;
}

std::vector<std::string> GroupItems(const char *group)
{
    std::vector<std::string> items;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((GroupFolder(group) + "\\*.lnk").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return items;
    do {
        std::string name = data.cFileName;
        items.push_back(name.substr(0, name.size() - 4));
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(items.begin(), items.end());
    return items;
}

std::string WinIni(const char *key)
{
    char value[1024];
    GetProfileStringA("NEXFER", key, "<missing>", value, sizeof(value));
    return value;
}

std::string EnterTempFolder()
{
    char temp[MAX_PATH];
    size_t len;

    GetTempPathA(MAX_PATH, temp);
    len = strlen(temp);
    if (len && (temp[len - 1] == '\\' || temp[len - 1] == '/'))
        temp[len - 1] = '\0';
    SetCurrentDirectoryA(temp);
    return temp;
}

std::string TempFile(const char *name)
{
    char temp[MAX_PATH];

    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

DWORD RunProgram(const std::string &commandLine, DWORD timeoutMs)
{
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    DWORD code = (DWORD)-1;

    line.push_back('\0');
    si.cb = sizeof(si);
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return (DWORD)-1;
    if (WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(pi.hProcess, &code);
    else
        TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code;
}

// --- Driving windows ------------------------------------------------------------

// Set on a driver's thread: the dialogs its script finds are noted there.
static thread_local UiDriver *t_driver;

static const DWORD kLeftOpenMs = 5000;     // a dialog the script left open: a fault
static const DWORD kCloseRoundMs = 100;

void NoteDriven(HWND dialog)
{
    if (t_driver && dialog &&
        std::find(t_driver->driven_.begin(), t_driver->driven_.end(), dialog) == t_driver->driven_.end())
        t_driver->driven_.push_back(dialog);
}

struct FindRequest {
    DWORD pid;
    const char *caption;
    int control;
    std::vector<HWND> found;
};

static BOOL CALLBACK FindDialogProc(HWND window, LPARAM param)
{
    FindRequest *request = (FindRequest *)param;
    DWORD pid = 0;
    char caption[512], cls[64];

    GetWindowThreadProcessId(window, &pid);
    if (pid != request->pid || !IsWindowVisible(window))
        return TRUE;
    GetClassNameA(window, cls, sizeof(cls));
    GetWindowTextA(window, caption, sizeof(caption));
    if (strcmp(cls, "#32770") == 0 && (!request->caption || strcmp(caption, request->caption) == 0) &&
        (!request->control || GetDlgItem(window, request->control)))
        request->found.push_back(window);
    return TRUE;
}

HWND FindDialog(DWORD pid, const char *caption, int control)
{
    FindRequest request = { pid, caption, control, {} };
    EnumWindows(FindDialogProc, (LPARAM)&request);
    if (request.found.empty())
        return NULL;
    NoteDriven(request.found.front());
    return request.found.front();
}

std::vector<HWND> DialogsOfProcess(DWORD pid)
{
    FindRequest request = { pid, NULL, 0, {} };
    EnumWindows(FindDialogProc, (LPARAM)&request);
    return request.found;
}

HWND WaitForDialog(const char *caption, DWORD timeoutMs)
{
    DWORD start = GetTickCount();

    do {
        HWND found = FindDialog(GetCurrentProcessId(), caption, 0);
        if (found)
            return found;
        Sleep(20);
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

int WaitForClose(HWND window, DWORD timeoutMs)
{
    DWORD start = GetTickCount();

    while (IsWindow(window)) {
        if (GetTickCount() - start > timeoutMs)
            return 0;
        Sleep(20);
    }
    return 1;
}

std::string WindowText(HWND window)
{
    char text[2048] = "";

    SendMessageA(window, WM_GETTEXT, sizeof(text), (LPARAM)text);
    return text;
}

std::string ControlText(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? WindowText(control) : std::string("<no control>");
}

int IsChecked(HWND dialog, int id)
{
    return SendDlgItemMessageA(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int IsControlEnabled(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowEnabled(control);
}

int IsControlVisible(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);
    return control && IsWindowVisible(control);
}

std::string MessageBoxText(HWND box)
{
    return ControlText(box, 65535);
}

int Click(HWND dialog, int id)
{
    HWND control = GetDlgItem(dialog, id);

    if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control))
        return 0;
    PostMessageA(control, BM_CLICK, 0, 0);
    return 1;
}

void PressKey(HWND dialog, UINT key)
{
    GUITHREADINFO info = {};
    HWND target = dialog;

    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) && info.hwndFocus)
        target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}

void TypeText(HWND dialog, int id, const char *text)
{
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, (LPARAM)text);
}

UiDriver::UiDriver(std::function<void()> script)
    : script_(script), anyCaption_(false), finishing_(false), answered_(0)
{
    thread_ = std::thread(&UiDriver::Run, this);
}

UiDriver::UiDriver(const char *caption, std::function<void(HWND, int)> answer)
    : caption_(caption ? caption : ""), anyCaption_(caption == NULL), answer_(answer), finishing_(false),
      answered_(0)
{
    thread_ = std::thread(&UiDriver::Run, this);
}

UiDriver::~UiDriver()
{
    Finish();
}

void UiDriver::Finish()
{
    finishing_ = true;
    if (thread_.joinable())
        thread_.join();
}

void UiDriver::Run()
{
    t_driver = this;
    if (answer_) {
        Answer();
    } else if (RunReported(script_)) {
        WatchDriven();
    } else {
        CloseDialogs();
    }
    t_driver = NULL;
}

// Runs step with its results captured on this thread, then reports them to the test as
// they were; false when one was a fatal failure or step threw.
bool UiDriver::RunReported(const std::function<void()> &step)
{
    testing::TestPartResultArray results;
    std::string thrown;
    {
        testing::ScopedFakeTestPartResultReporter capture(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
        try {
            step();
        } catch (const std::exception &e) {
            thrown = e.what();
        } catch (...) {
            thrown = "an exception that is no std::exception";
        }
    }
    bool fatal = false;
    for (int i = 0; i < results.size(); i++) {
        const testing::TestPartResult &result = results.GetTestPartResult(i);
        fatal = fatal || result.fatally_failed();
        GTEST_MESSAGE_AT_(result.file_name(), result.line_number(), result.message(), result.type());
    }
    if (!thrown.empty())
        ADD_FAILURE() << "The UI script threw " << thrown;
    if (fatal || !thrown.empty()) {
        ADD_FAILURE() << "The UI script failed: every dialog of this process is closed";
        return false;
    }
    return true;
}

// Answers each dialog of the caption in turn, then takes a last look once finishing.
void UiDriver::Answer()
{
    for (;;) {
        bool last = finishing_;
        HWND dialog = FindDialog(GetCurrentProcessId(), anyCaption_ ? NULL : caption_.c_str(), 0);
        if (dialog) {
            int n = answered_++;
            if (!RunReported([&] { answer_(dialog, n); })) {
                CloseDialogs();
                return;
            }
            WaitForClose(dialog);
            continue;
        }
        if (last)
            return;
        Sleep(20);
    }
}

// After a script that passed: a dialog it found and left open keeps the test thread
// waiting for ever, so after kLeftOpenMs it is a failure and the dialogs are closed.
void UiDriver::WatchDriven()
{
    DWORD openSince = GetTickCount();

    while (!finishing_) {
        HWND open = NULL;
        for (HWND dialog : driven_)
            if (IsWindow(dialog) && IsWindowVisible(dialog))
                open = dialog;
        if (!open) {
            openSince = GetTickCount();
        } else if (GetTickCount() - openSince > kLeftOpenMs) {
            ADD_FAILURE() << "The dialog \"" << WindowText(open) << "\" was still open " << kLeftOpenMs / 1000
                          << " s after the UI script ended: every dialog of this process is closed";
            CloseDialogs();
            return;
        }
        Sleep(50);
    }
}

// Until Finish(): every visible dialog of this process gets Cancel, then OK, then
// WM_CLOSE, a round apart, whatever its buttons (pages and message boxes alike).
void UiDriver::CloseDialogs()
{
    std::vector<std::pair<HWND, int>> tries;

    while (!finishing_) {
        for (HWND dialog : DialogsOfProcess(GetCurrentProcessId())) {
            auto it = std::find_if(tries.begin(), tries.end(), [&](const std::pair<HWND, int> &t) {
                return t.first == dialog;
            });
            if (it == tries.end())
                it = tries.insert(tries.end(), { dialog, 0 });
            int round = it->second++;
            if (round % 10 == 0) {
                static const UINT commands[] = { IDCANCEL, IDOK, 0 };
                UINT command = commands[(round / 10) % 3];
                if (command)
                    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
                else
                    PostMessageA(dialog, WM_CLOSE, 0, 0);
            }
        }
        Sleep(kCloseRoundMs);
    }
}

// wine-run.sh names the folder (a host path, seen on drive Z:); without it, the programs
// sit two levels up, as for a test program in tests/AREA.
std::string HarnessProgram(const char *name)
{
    const char *folder = getenv("NX_HARNESS_BIN");
    if (folder && folder[0] == '/')
        return HostToWindowsPath(folder) + "\\" + name;
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    path = path.substr(0, path.rfind('\\'));
    path = path.substr(0, path.rfind('\\'));
    return path + "\\harness\\" + name;
}

FileHolder::FileHolder(const std::string &path, const char *mode)
    : process_(NULL), release_(NULL), holding_(false)
{
    static LONG counter;
    char tag[64];
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;

    snprintf(tag, sizeof(tag), "%lu_%ld", GetCurrentProcessId(), InterlockedIncrement(&counter));
    HANDLE ready = CreateEventA(NULL, TRUE, FALSE, (std::string("NxHoldReady") + tag).c_str());
    release_ = CreateEventA(NULL, TRUE, FALSE, (std::string("NxHoldRelease") + tag).c_str());
    std::string line = "\"" + HarnessProgram("holdfile.exe") + "\" \"" + path + "\" " + mode + " " + tag;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    si.cb = sizeof(si);
    if (CreateProcessA(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        HANDLE waits[2] = { ready, process_ };
        holding_ = WaitForMultipleObjects(2, waits, FALSE, 20000) == WAIT_OBJECT_0;
    }
    CloseHandle(ready);
}

FileHolder::~FileHolder()
{
    Release();
}

void FileHolder::Release()
{
    if (release_) {
        SetEvent(release_);
        CloseHandle(release_);
        release_ = NULL;
    }
    if (process_) {
        WaitForSingleObject(process_, 20000);
        CloseHandle(process_);
        process_ = NULL;
    }
    holding_ = false;
}
