// Running setup variants for the end-to-end tests.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <algorithm>
#include <vector>
#include "e2e.h"
#include "harness/testutil.h"

std::string VariantPath(const char *name)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    return ProductFile(path.substr(0, path.rfind('\\') + 1) + name + ".exe");
}

std::string TempFolder()
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return temp;
}

struct WatchState {
    DWORD pid;
    bool visible;
};

static BOOL CALLBACK CheckVisible(HWND window, LPARAM param)
{
    WatchState *state = (WatchState *)param;
    DWORD pid = 0;

    GetWindowThreadProcessId(window, &pid);
    if (pid == state->pid && IsWindowVisible(window))
        state->visible = true;
    return TRUE;
}

SetupRun RunSetupVariant(const char *name, DWORD timeoutMs, const char *arguments)
{
    return RunSetupProgram(VariantPath(name), timeoutMs, arguments);
}

SetupRun RunSetupProgram(const std::string &path, DWORD timeoutMs, const char *arguments)
{
    SetupRun run;
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;
    std::string line = "\"" + path + "\" " + arguments;
    std::vector<char> buffer(line.begin(), line.end());

    buffer.push_back('\0');
    si.cb = sizeof(si);
    if (!CreateProcessA(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        // A start that fails says why, rather than leaving only "did not end".
        fprintf(stderr, "CreateProcess %s failed: error %lu\n", line.c_str(), GetLastError());
        return run;
    }
    WatchState state = { pi.dwProcessId, false };
    DWORD start = GetTickCount();
    for (;;) {
        EnumWindows(CheckVisible, (LPARAM)&state);
        if (WaitForSingleObject(pi.hProcess, 10) == WAIT_OBJECT_0) {
            run.ended = true;
            break;
        }
        if (GetTickCount() - start > timeoutMs)
            break;
    }
    if (!run.ended)
        TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, &run.exitCode);
    run.showedWindow = state.visible;
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return run;
}

SetupProcess::SetupProcess(const char *name, bool withoutOS, bool byPath, const char *arguments)
    : process_(NULL), pid_(0)
{
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;
    std::string line = "\"" + (byPath ? std::string(name) : VariantPath(name)) + "\" " + arguments;
    std::vector<char> buffer(line.begin(), line.end());
    std::vector<char> environment;

    buffer.push_back('\0');
    if (withoutOS) {
        char *block = GetEnvironmentStringsA();
        for (const char *entry = block; *entry; entry += strlen(entry) + 1) {
            if (_strnicmp(entry, "OS=", 3) == 0)
                continue;
            environment.insert(environment.end(), entry, entry + strlen(entry) + 1);
        }
        environment.push_back('\0');
        FreeEnvironmentStringsA(block);
    }
    si.cb = sizeof(si);
    if (CreateProcessA(NULL, buffer.data(), NULL, NULL, FALSE, 0,
                       withoutOS ? environment.data() : NULL, NULL, &si, &pi)) {
        CloseHandle(pi.hThread);
        process_ = pi.hProcess;
        pid_ = pi.dwProcessId;
    }
}

SetupProcess::~SetupProcess()
{
    if (process_) {
        if (WaitForSingleObject(process_, 0) != WAIT_OBJECT_0)
            TerminateProcess(process_, 99);
        CloseHandle(process_);
    }
}

HWND SetupProcess::WaitForDialog(const char *caption, int control, DWORD timeoutMs)
{
    DWORD start = GetTickCount();

    do {
        HWND found = FindDialog(pid_, caption, control);
        if (found)
            return found;
        if (WaitForSingleObject(process_, 20) == WAIT_OBJECT_0)
            return NULL;
    } while (GetTickCount() - start < timeoutMs);
    return NULL;
}

DWORD SetupProcess::WaitForExit(DWORD timeoutMs)
{
    DWORD code = (DWORD)-1;

    if (process_ && WaitForSingleObject(process_, timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process_, &code);
    return code;
}

bool ClickAndWait(HWND dialog, int id)
{
    if (!dialog || !Click(dialog, id))
        return false;
    return WaitForClose(dialog, 20000) != 0;
}

std::vector<std::string> FolderFiles(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

DWORD RunOnceValueCount(const char *subkey)
{
    HKEY key;
    DWORD count = 0;
    std::string path = std::string("Software\\Microsoft\\Windows\\CurrentVersion\\") + subkey;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | ProductRegistryView(), &key) != ERROR_SUCCESS)
        return 0;
    RegQueryInfoKeyA(key, NULL, NULL, NULL, NULL, NULL, NULL, &count, NULL, NULL, NULL, NULL);
    RegCloseKey(key);
    return count;
}

std::vector<std::string> FolderEntries(const std::string &folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
            names.push_back(data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

// Wine starts a host program without waiting for it: a marker file tells its end.
void RunHostShell(const std::string &command)
{
    std::string marker = "/tmp/nxe2eshell" + std::to_string(GetCurrentProcessId()) + ".done";
    std::string seen = "Z:" + marker;
    DeleteFileA(seen.c_str());
    RunProgram("/bin/sh -c \"" + command + "; touch " + marker + "\"", 20000);
    for (int i = 0; i < 200 && !FileExists(seen); i++)
        Sleep(50);
    DeleteFileA(seen.c_str());
}

std::string HostPathOnC(const std::string &path)
{
    const char *prefix = getenv("NX_TEST_PREFIX");
    if (!prefix || path.size() < 3 || _strnicmp(path.c_str(), "C:\\", 3) != 0)
        return "";
    std::string rest = path.substr(3);
    std::replace(rest.begin(), rest.end(), '\\', '/');
    return std::string(prefix) + "/drive_c/" + rest;
}

// Everyone may read the key, and do everything else too when writable.
bool SetKeyOpenToEveryone(HKEY root, const char *path, REGSAM view, bool writable)
{
    BYTE sid[SECURITY_MAX_SID_SIZE], aclBuffer[128];
    DWORD cbSid = sizeof(sid);
    SECURITY_DESCRIPTOR sd;
    PACL acl = (PACL)aclBuffer;
    HKEY key;
    if (!CreateWellKnownSid(WinWorldSid, NULL, sid, &cbSid) || !InitializeAcl(acl, sizeof(aclBuffer), ACL_REVISION) ||
        !AddAccessAllowedAce(acl, ACL_REVISION, writable ? KEY_ALL_ACCESS : KEY_READ, sid) ||
        !InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION) || !SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE) ||
        RegCreateKeyExA(root, path, 0, NULL, 0, WRITE_DAC | view, NULL, &key, NULL) != ERROR_SUCCESS)
        return false;
    bool set = RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, &sd) == ERROR_SUCCESS;
    RegCloseKey(key);
    return set;
}
