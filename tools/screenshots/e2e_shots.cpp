// Works the real setup program through a whole installation and a removal, stopping at
// every page so that tools/screenshots.sh can take a picture of the screen.
// usage: e2e_shots SETUP.EXE PROTOCOL_FOLDER
// For each picture it writes NAME.ready ("x y w h") into the folder and waits for NAME.go.
#include <windows.h>
#include <winerror.h>
#include <stdio.h>
#include <string>
#include "e2e.h"
#include "harness/testutil.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define WELCOME "NEXFER Pro Installation"

static std::string s_protocol;

static bool Shot(const char *name)
{
    std::string ready = s_protocol + "\\" + name + ".ready";
    std::string go = s_protocol + "\\" + name + ".go";

    Sleep(400);   // let the window finish painting
    WriteFileText(ready + ".tmp", "0 0 1024 768\n");
    MoveFileA((ready + ".tmp").c_str(), ready.c_str());
    for (int i = 0; i < 600 && !FileExists(go); i++)
        Sleep(50);
    printf("%s\n", name);
    return FileExists(go) != 0;
}

static bool Step(SetupProcess &setup, const char *caption, int control, const char *shot, int button)
{
    HWND window = setup.WaitForDialog(caption, control);
    if (!window) {
        printf("missing: %s\n", caption);
        return false;
    }
    return Shot(shot) && ClickAndWait(window, button);
}

static bool Install(const char *program)
{
    WriteFileText(DEST "\\nxfpro32.hlp", "held");
    FileHolder holder(DEST "\\nxfpro32.hlp", "none");
    SetupProcess setup(program, false, true);
    if (!Step(setup, WELCOME, 1851, "seq01-welcome", IDOK) ||
        !Step(setup, "NEXFER Pro Installation: Destination Folder", 0, "seq02-destination", IDOK) ||
        !Step(setup, "NEXFER Pro Installation: Interface Selection", 0, "seq03-interfaces", IDOK))
        return false;
    // A help file held by another program stops the copy at its prompt, over the
    // copy progress dialog; then it is let go and retried.
    HWND prompt = setup.WaitForDialog("Install");
    if (!prompt || !Shot("seq04-copying-with-prompt"))
        return false;
    holder.Release();
    if (!ClickAndWait(prompt, IDRETRY) ||
        !Step(setup, "NEXFER Pro Installation: Icon Placement", 0, "seq05-icon-placement", IDOK) ||
        !Step(setup, "Congratulations!", 0, "seq06-finish-restart-question", IDCANCEL))
        return false;
    // Complete, with the restart declined: due (3010).
    return setup.WaitForExit() == ERROR_SUCCESS_REBOOT_REQUIRED;
}

static bool Remove(const char *program)
{
    SetupProcess setup(program, false, true);
    HWND welcome = setup.WaitForDialog(WELCOME, 1851);
    if (!welcome)
        return false;
    Click(welcome, 1852);
    if (!Shot("seq07-welcome-uninstall") || !ClickAndWait(welcome, IDOK) ||
        !Step(setup, WELCOME, MESSAGE_TEXT_ID, "seq08-removal-ini-question", IDYES) ||
        !Step(setup, "Remove", MESSAGE_TEXT_ID, "seq09-removal-complete", IDOK))
        return false;
    return setup.WaitForExit() == 0;
}

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    s_protocol = argv[2];
    CreateDirectoryA("C:\\Program Files", NULL);
    CreateDirectoryA(DEST, NULL);
    if (!Install(argv[1]) || !Remove(argv[1]))
        return 1;
    WriteFileText(s_protocol + "\\finished", "");
    return 0;
}
