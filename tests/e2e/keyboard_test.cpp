// The real program worked by keystrokes alone, posted to whatever control has the focus
// as a keyboard would send them: Enter for the default button, Esc to cancel, Tab and
// the arrows to move, Space to set a box, a letter for a button's mnemonic.
#include <gtest/gtest.h>
#include <winerror.h>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define WELCOME "NEXFER Pro Installation"
#define DESTINATION "NEXFER Pro Installation: Destination Folder"
#define INTERFACES "NEXFER Pro Installation: Interface Selection"
#define ICON_PLACEMENT "NEXFER Pro Installation: Icon Placement"

enum { FIRST_CHOICE = 1851, SECOND_CHOICE = 1852, FOLDER_FIELD = 954, CLASSIC = 1880, EXPLORER = 2417, BONUS = 2418 };

static int FocusedId(HWND dialog)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info) || !info.hwndFocus)
        return 0;
    return GetDlgCtrlID(info.hwndFocus);
}

// The dialog of caption, shown with the focus on focusId (0: anywhere).
static HWND Arrive(SetupProcess &setup, const char *caption, int control, int focusId)
{
    HWND dialog = setup.WaitForDialog(caption, control);
    if (dialog && focusId) {
        EXPECT_TRUE(WaitUntil([&] { return FocusedId(dialog) == focusId; }, 5000))
            << caption << ": the focus is on " << FocusedId(dialog);
    }
    return dialog;
}

// Presses the keys, then the last one, which is to close the dialog.
static bool KeysAndGone(HWND dialog, std::initializer_list<UINT> keys)
{
    for (UINT key : keys)
        PressKey(dialog, key);
    return WaitForClose(dialog);
}

static void Mnemonic(HWND dialog, char letter)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, NULL), &info);
    PostMessageA(info.hwndFocus ? info.hwndFocus : dialog, WM_CHAR, (WPARAM)letter, 1);
}

TEST(Keyboard, AnInstallationAndARemovalByKeysAlone)
{
    SetupProcess setup("setup_interactive");
    HWND page = Arrive(setup, WELCOME, FIRST_CHOICE, FIRST_CHOICE);
    ASSERT_TRUE(page && KeysAndGone(page, { VK_RETURN })) << "welcome";
    page = Arrive(setup, DESTINATION, 0, FOLDER_FIELD);
    ASSERT_TRUE(page && KeysAndGone(page, { VK_RETURN })) << "destination";
    // Tab to the bonus programs, Space clears the box, Enter goes on from the box.
    page = Arrive(setup, INTERFACES, 0, CLASSIC);
    ASSERT_TRUE(page != NULL) << "interfaces";
    // A key goes to the control focused when it is pressed: each waits for the one before.
    for (int next : { EXPLORER, BONUS }) {
        PressKey(page, VK_TAB);
        EXPECT_TRUE(WaitUntil([&] { return FocusedId(page) == next; }, 5000)) << "Tab to " << next;
    }
    PressKey(page, VK_SPACE);
    EXPECT_TRUE(WaitUntil([&] { return !IsChecked(page, BONUS); }, 5000)) << "Space on the bonus box";
    ASSERT_TRUE(KeysAndGone(page, { VK_RETURN })) << "interfaces";
    page = Arrive(setup, ICON_PLACEMENT, 0, FIRST_CHOICE);
    ASSERT_TRUE(page != NULL) << "icon placement";
    PressKey(page, VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(page, SECOND_CHOICE) != 0; }, 5000)) << "Down to My Computer";
    ASSERT_TRUE(KeysAndGone(page, { VK_RETURN })) << "icon placement";
    page = Arrive(setup, "Congratulations!", MESSAGE_TEXT_ID, 0);
    ASSERT_TRUE(page && KeysAndGone(page, { VK_ESCAPE })) << "finish notice";
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, setup.WaitForExit());
    EXPECT_TRUE(FileExists(DEST "\\nxf95pro.exe"));
    EXPECT_FALSE(FileExists(DEST "\\nxfsync.exe"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT)));

    // The removal: Down to "Uninstall", Enter; N keeps the sites; Enter on the notice.
    SetupProcess removal("setup_interactive");
    page = Arrive(removal, WELCOME, FIRST_CHOICE, FIRST_CHOICE);
    ASSERT_TRUE(page != NULL) << "welcome";
    PressKey(page, VK_DOWN);
    EXPECT_TRUE(WaitUntil([&] { return IsChecked(page, SECOND_CHOICE) != 0; }, 5000)) << "Down to Uninstall";
    ASSERT_TRUE(KeysAndGone(page, { VK_RETURN })) << "welcome";
    page = Arrive(removal, WELCOME, MESSAGE_TEXT_ID, 0);
    ASSERT_TRUE(page != NULL) << "the sites question";
    Mnemonic(page, 'n');
    ASSERT_TRUE(WaitForClose(page)) << "N on the sites question";
    page = Arrive(removal, "Remove", MESSAGE_TEXT_ID, 0);
    ASSERT_TRUE(page && KeysAndGone(page, { VK_RETURN })) << "removal notice";
    EXPECT_EQ(0u, removal.WaitForExit());
    EXPECT_FALSE(FileExists(DEST "\\nxf95pro.exe"));
    EXPECT_TRUE(FileExists(DEST "\\NEXFER.ini"));
    EXPECT_EQ("<missing>", WinIni("DIR"));
}

// Esc on each page before the copy ends the run as cancelled, with nothing left behind.
TEST(Keyboard, EscCancelsOnEveryPage)
{
    const char *pages[] = { WELCOME, DESTINATION, INTERFACES };
    for (int last = 0; last < 3; last++) {
        SCOPED_TRACE(pages[last]);
        SetupProcess setup("setup_interactive");
        for (int i = 0; i <= last; i++) {
            HWND page = Arrive(setup, pages[i], i == 0 ? FIRST_CHOICE : 0, 0);
            ASSERT_TRUE(page && KeysAndGone(page, { (UINT)(i == last ? VK_ESCAPE : VK_RETURN) })) << pages[i];
        }
        // Without a folder the run cannot go on, and says so; Enter takes the notice.
        if (last == 1) {
            HWND box = Arrive(setup, WELCOME, MESSAGE_TEXT_ID, 0);
            ASSERT_TRUE(box && KeysAndGone(box, { VK_RETURN })) << "the notice";
        }
        EXPECT_EQ((DWORD)ERROR_INSTALL_USEREXIT, setup.WaitForExit());
        EXPECT_FALSE(FileExists(DEST "\\nxf95pro.exe"));
        EXPECT_EQ("<missing>", WinIni("DIR"));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    }
}
