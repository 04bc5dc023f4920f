// Holds a file the way a running program holds it, until told to let go.
// usage: holdfile PATH image|none|load TAG
//   image: open shared for reading and deleting (a running program's own image)
//   none:  open with no sharing at all
//   load:  LoadLibrary the file (a DLL in use by another program)
// Signals the event "NxHoldReady<TAG>" once holding, ends when "NxHoldRelease<TAG>" is set.
#include <windows.h>
#include <string.h>

int main(int argc, char **argv)
{
    char readyName[128] = "NxHoldReady", releaseName[128] = "NxHoldRelease";
    HANDLE file = INVALID_HANDLE_VALUE, ready, release;
    HMODULE module = NULL;

    if (argc < 4)
        return 2;
    strncat(readyName, argv[3], sizeof(readyName) - strlen(readyName) - 1);
    strncat(releaseName, argv[3], sizeof(releaseName) - strlen(releaseName) - 1);
    if (!strcmp(argv[2], "load")) {
        module = LoadLibraryA(argv[1]);
        if (!module)
            return 3;
    } else {
        DWORD share = !strcmp(argv[2], "image") ? FILE_SHARE_READ | FILE_SHARE_DELETE : 0;
        file = CreateFileA(argv[1], GENERIC_READ, share, NULL, OPEN_EXISTING, 0, NULL);
        if (file == INVALID_HANDLE_VALUE)
            return 3;
    }
    ready = CreateEventA(NULL, TRUE, FALSE, readyName);
    release = CreateEventA(NULL, TRUE, FALSE, releaseName);
    SetEvent(ready);
    WaitForSingleObject(release, 120000);
    if (module)
        FreeLibrary(module);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return 0;
}
