// The program's own entry point. The C runtime's start-up code is left out: the program
// needs none of its services (no constructors of globals, no argv, no atexit, no
// floating-point set-up; the runtime DLL initialises itself when it is loaded; no fix-up of
// data imported from DLLs, which the link refuses), so the entry hands WinMain what Windows
// gives a program and ends the process with its result.
#include <windows.h>

// The command line after the program's name (quoted or not) and the blanks after it.
static LPSTR SkipProgramName(LPSTR line)
{
    if (*line == '"') {
        line++;
        while (*line && *line != '"')
            line++;
        if (*line == '"')
            line++;
    } else {
        while ((unsigned char)*line > ' ')
            line++;
    }
    while (*line && (unsigned char)*line <= ' ')
        line++;
    return line;
}

// Every later load, whoever asks for it (a system DLL loading a helper, the shell, a
// common dialog), searches only the system folder and the folders this program adds
// (none but a product DLL's own, while it registers): never this program's folder, which
// anybody may have written to. Looked up, since Vista and 7 lack it without an update.
typedef BOOL(WINAPI *SetDefaultDllDirectoriesFn)(DWORD);

static void RestrictDllSearch(void)
{
    SetDefaultDllDirectoriesFn setDirectories =
        (SetDefaultDllDirectoriesFn)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories");

    if (setDirectories)
        setDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS);
}

// Windows calls the entry point of an i686 program with the stack aligned to 4 bytes.
#if defined(__i386__)
#define ALIGNS_STACK __attribute__((force_align_arg_pointer))
#else
#define ALIGNS_STACK
#endif

extern "C" ALIGNS_STACK void __cdecl SetupEntry(void)
{
    STARTUPINFOA startup;
    int show;

    RestrictDllSearch();
    startup.cb = sizeof(startup);
    GetStartupInfoA(&startup);
    show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : SW_SHOWDEFAULT;
    ExitProcess((UINT)WinMain(GetModuleHandleA(NULL), NULL, SkipProgramName(GetCommandLineA()), show));
}
