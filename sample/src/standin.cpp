// Stand-in for one NEXFER Pro program: a message box that names the file it stands
// in for (and, for the uninstaller, the command line it was started with), then exits.
#include <windows.h>

#include "fileinfo.h"

namespace {

const int kMessageSize = 1024;
const char kCaption[] = "NEXFER Pro stand-in - " NX_FILE_NAME;
const char kIntro[] = "This is " NX_FILE_NAME ", the " NX_FILE_ROLE " of NEXFER Pro.\n\n"
                      "The sample setup installs this small program in place of the real one.";

// Appends text at *len; 0 when it had to be cut to fit (the cut text still ends in NUL).
int Append(char *out, int cchOut, int *len, const char *text)
{
    int room = cchOut - *len;
    int need = lstrlenA(text);
    lstrcpynA(out + *len, text, room);
    *len += need < room ? need : room - 1;
    return need < room;
}

// Message text; a command line too long for the box is shown cut, ending in "...".
void ComposeMessage(char *out, int cchOut)
{
    int len = 0;
    out[0] = '\0';
    Append(out, cchOut, &len, kIntro);
    if (NX_SHOW_COMMAND_LINE && Append(out, cchOut, &len, "\n\nCommand line:\n") &&
        !Append(out, cchOut, &len, GetCommandLineA()))
        lstrcpynA(out + cchOut - 4, "...", 4);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char message[kMessageSize];
    ComposeMessage(message, kMessageSize);
    MessageBoxA(NULL, message, kCaption, MB_OK | MB_ICONINFORMATION);
    return 0;
}
