// Running setup variants for the end-to-end tests.
#include <vector>
#include "e2e.h"

std::string VariantPath(const char *name)
{
    char self[MAX_PATH];
    GetModuleFileNameA(NULL, self, MAX_PATH);
    std::string path(self);
    return path.substr(0, path.rfind('\\') + 1) + name + ".exe";
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

SetupRun RunSetupVariant(const char *name, DWORD timeoutMs)
{
    SetupRun run;
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;
    std::string line = "\"" + VariantPath(name) + "\"";
    std::vector<char> buffer(line.begin(), line.end());

    buffer.push_back('\0');
    si.cb = sizeof(si);
    if (!CreateProcessA(NULL, buffer.data(), NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi))
        return run;
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
