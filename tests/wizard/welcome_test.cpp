// The welcome page: the choices offered by the installation record, the results, and
// the release notes opened in Notepad.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "resource.h"
#include "session/session.h"
#include "session/workfolder.h"
#include "wizard/pages.h"
#include "wizard/wizardtest.h"

static const char kCaption[] = "NEXFER Pro Installation";

class WelcomePage : public testing::Test {
protected:
    void SetUp() override { ClearWinIniSection("NEXFER"); }
    void TearDown() override { ClearWinIniSection("NEXFER"); }
};

struct RecordCase {
    const char *defdir;
    const char *instopts;
    int uninstallOffered;
};

TEST_F(WelcomePage, UninstallIsOfferedOnlyForARecordedInstallation)
{
    const RecordCase cases[] = {
        { nullptr, nullptr, 0 },
        { "C:\\NX", nullptr, 0 },
        { "C:\\NX", "0", 0 },
        { nullptr, "12", 0 },
        { "", "12", 0 },
        { "C:\\NX", "12", 1 },
        { "C:\\NX", "1", 1 },
    };
    for (const RecordCase &c : cases) {
        SCOPED_TRACE(testing::Message() << (c.defdir ? c.defdir : "(none)") << " / "
                                        << (c.instopts ? c.instopts : "(none)"));
        ClearWinIniSection("NEXFER");
        if (c.defdir)
            WriteProfileStringA("NEXFER", "DEFDIR", c.defdir);
        if (c.instopts)
            WriteProfileStringA("NEXFER", "INSTOPTS", c.instopts);
        UiDriver driver([&] {
            HWND page = WaitForDialog(kCaption);
            ASSERT_TRUE(page != NULL);
            EXPECT_EQ("&Install or update NEXFER Pro", ControlText(page, IDC_CHOICE_INSTALL));
            EXPECT_EQ("&Uninstall NEXFER Pro", ControlText(page, IDC_CHOICE_REMOVE));
            EXPECT_TRUE(IsChecked(page, IDC_CHOICE_INSTALL));
            EXPECT_FALSE(IsChecked(page, IDC_CHOICE_REMOVE));
            EXPECT_EQ(c.uninstallOffered, IsControlEnabled(page, IDC_CHOICE_REMOVE));
            EXPECT_TRUE(IsControlEnabled(page, IDC_VIEW_RELNOTES));
            EXPECT_EQ(1, Click(page, IDOK));
        });
        EXPECT_EQ(1, RunWelcomePage(NULL, g_hInst));
    }
}

TEST_F(WelcomePage, UninstallChoiceReturnsTwo)
{
    WriteProfileStringA("NEXFER", "DEFDIR", "C:\\NX");
    WriteProfileStringA("NEXFER", "INSTOPTS", "12");
    UiDriver driver([] {
        HWND page = WaitForDialog(kCaption);
        ASSERT_TRUE(page != NULL);
        ASSERT_EQ(1, Click(page, IDC_CHOICE_REMOVE));
        EXPECT_TRUE(WaitUntil([&] { return IsChecked(page, IDC_CHOICE_REMOVE); }));
        EXPECT_FALSE(IsChecked(page, IDC_CHOICE_INSTALL));
        EXPECT_EQ(1, Click(page, IDOK));
    });
    EXPECT_EQ(2, RunWelcomePage(NULL, g_hInst));
}

TEST_F(WelcomePage, CancelAndEscapeReturnZero)
{
    WriteProfileStringA("NEXFER", "DEFDIR", "C:\\NX");
    WriteProfileStringA("NEXFER", "INSTOPTS", "12");
    for (int escape = 0; escape < 2; escape++) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        UiDriver driver([&] {
            HWND page = WaitForDialog(kCaption);
            ASSERT_TRUE(page != NULL);
            if (escape)
                PressKey(page, VK_ESCAPE);
            else
                EXPECT_EQ(1, Click(page, IDCANCEL));
        });
        EXPECT_EQ(0, RunWelcomePage(NULL, g_hInst));
    }
}

TEST_F(WelcomePage, PictureStripAndWelcomeText)
{
    UiDriver driver([] {
        HWND page = WaitForDialog(kCaption);
        ASSERT_TRUE(page != NULL);
        HWND picture = GetDlgItem(page, IDC_PICTURE);
        ASSERT_TRUE(picture != NULL);
        HBITMAP bitmap = (HBITMAP)SendMessageA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0);
        BITMAP info = {};
        ASSERT_TRUE(bitmap != NULL);
        GetObjectA(bitmap, sizeof(info), &info);
        EXPECT_EQ(151, info.bmWidth);
        EXPECT_EQ(236, info.bmHeight);
        RECT shown;
        GetClientRect(picture, &shown);
        EXPECT_EQ(151, shown.right);
        EXPECT_EQ(236, shown.bottom);
        // The welcome text is the page's only static text without an id.
        HWND text = GetDlgItem(page, 65535);
        ASSERT_TRUE(text != NULL);
        WCHAR wide[512] = L"";
        GetWindowTextW(text, wide, 512);
        std::wstring shownText(wide);
        EXPECT_EQ(0u, shownText.find(L"The professional way to move files!\n\nQuickly"));
        EXPECT_EQ(shownText.size() - 8, shownText.rfind(L"Windows\u00ae"));
        EXPECT_EQ(1, Click(page, IDCANCEL));
    });
    EXPECT_EQ(0, RunWelcomePage(NULL, g_hInst));
}

static std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

// Release notes: the expanded file in the run's private folder, opened by Notepad.
class ReleaseNotes : public WelcomePage {
protected:
    void SetUp() override
    {
        WelcomePage::SetUp();
        char folder[MAX_PATH];
        ASSERT_EQ(0u, PrepareTempFolder(folder, MAX_PATH));
        workFolder_ = folder;
        CloseNotepads();
    }
    void TearDown() override
    {
        CloseNotepads();
        RemoveWorkFolder();
        WelcomePage::TearDown();
    }
    static void CloseNotepads()
    {
        for (HWND window : WindowsOfClass("Notepad")) {
            PostMessageA(window, WM_CLOSE, 0, 0);
            WaitForClose(window);
        }
    }
    // The text of the edit field of a Notepad window.
    static std::string NotepadText(HWND notepad)
    {
        HWND edit = FindWindowExA(notepad, NULL, "Edit", NULL);
        if (!edit)
            return "<no edit>";
        std::string text(SendMessageA(edit, WM_GETTEXTLENGTH, 0, 0) + 1, '\0');
        text.resize(SendMessageA(edit, WM_GETTEXT, text.size(), (LPARAM)&text[0]));
        return text;
    }
    // Runs the page, presses View Release Notes twice and checks each Notepad.
    void ViewTwice(const std::string &notesPath)
    {
        DeleteFileA(notesPath.c_str());
        UiDriver driver([&] {
            HWND page = WaitForDialog(kCaption);
            ASSERT_TRUE(page != NULL);
            for (size_t round = 1; round <= 2; round++) {
                SCOPED_TRACE(round);
                ASSERT_EQ(1, Click(page, IDC_VIEW_RELNOTES));
                ASSERT_TRUE(WaitUntil([&] { return WindowsOfClass("Notepad").size() == round; }));
                ASSERT_TRUE(FileExists(notesPath));
                std::string placed = ReadFileText(notesPath);
                EXPECT_NE(0u, placed.size());
                EXPECT_NE(0u, placed.compare(0, 4, "SZDD"));
                HWND notepad = WindowsOfClass("Notepad").front();
                EXPECT_TRUE(WaitUntil([&] { return NotepadText(notepad) == placed; }))
                    << NotepadText(notepad);
                EXPECT_TRUE(IsWindow(page));
                ASSERT_TRUE(DeleteFileA(notesPath.c_str()));
            }
            EXPECT_EQ(1, Click(page, IDCANCEL));
        });
        EXPECT_EQ(0, RunWelcomePage(NULL, g_hInst));
    }
    std::string workFolder_;   // with a trailing backslash
};

TEST_F(ReleaseNotes, EachPressPlacesTheFileAndStartsNotepad)
{
    DeleteFileA(TempFile("RelNotes.txt").c_str());
    ViewTwice(workFolder_ + "RelNotes.txt");
    EXPECT_FALSE(FileExists(TempFile("RelNotes.txt")));
    EXPECT_EQ(workFolder_, CurrentFolder() + "\\");
    // The run's folder goes at its end while the two Notepads are still open.
    ASSERT_EQ(2u, WindowsOfClass("Notepad").size());
    RemoveWorkFolder();
    EXPECT_FALSE(FileExists(workFolder_));
}

TEST_F(ReleaseNotes, TemporaryFolderWithBlanks)
{
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    std::string spaced = std::string(temp) + "nx notes folder";
    CreateDirectoryA(spaced.c_str(), NULL);
    SetEnvironmentVariableA("TMP", spaced.c_str());
    SetEnvironmentVariableA("TEMP", spaced.c_str());
    // The run's folder is made inside the temporary folder with the blanks.
    RemoveWorkFolder();
    char folder[MAX_PATH];
    ASSERT_EQ(0u, PrepareTempFolder(folder, MAX_PATH));
    EXPECT_EQ(0u, std::string(folder).find(spaced + "\\"));
    ViewTwice(std::string(folder) + "RelNotes.txt");
    CloseNotepads();
    RemoveWorkFolder();
    SetEnvironmentVariableA("TMP", temp);
    SetEnvironmentVariableA("TEMP", temp);
    RemoveTree(spaced);
}

TEST(ReleaseNotesCommand, QuotedOnlyWithBlanksAndBounded)
{
    char command[64];
    EXPECT_EQ(1, BuildReleaseNotesCommand(command, sizeof(command), "C:\\TEMP\\"));
    EXPECT_STREQ("notepad C:\\TEMP\\RelNotes.txt", command);
    EXPECT_EQ(1, BuildReleaseNotesCommand(command, sizeof(command), "C:\\TEMP"));
    EXPECT_STREQ("notepad C:\\TEMP\\RelNotes.txt", command);
    EXPECT_EQ(1, BuildReleaseNotesCommand(command, sizeof(command), "C:\\My Temp\\"));
    EXPECT_STREQ("notepad \"C:\\My Temp\\RelNotes.txt\"", command);
    // "notepad " (8) + folder (44) + "RelNotes.txt" (12) leaves no room for the NUL.
    std::string folder = "C:\\" + std::string(40, 'x') + "\\";
    EXPECT_EQ(0, BuildReleaseNotesCommand(command, sizeof(command), folder.c_str()));
    folder = "C:\\" + std::string(39, 'x') + "\\";
    EXPECT_EQ(1, BuildReleaseNotesCommand(command, sizeof(command), folder.c_str()));
    EXPECT_EQ(63u, strlen(command));
}

TEST_F(WelcomePage, DpiChangeTakesTheSuggestedRectangle)
{
    UiDriver driver([] {
        HWND page = WaitForDialog(kCaption);
        ASSERT_TRUE(page != NULL);
        RECT suggested = { 40, 30, 900, 600 }, now;
        SendMessageA(page, WM_DPICHANGED, MAKEWPARAM(192, 192), (LPARAM)&suggested);
        GetWindowRect(page, &now);
        EXPECT_TRUE(EqualRect(&suggested, &now)) << now.right - now.left << "x" << now.bottom - now.top;
        // The picture is made anew for the new DPI once the page has been laid out.
        BITMAP info = {};
        EXPECT_TRUE(WaitUntil([&] {
            HBITMAP shown = (HBITMAP)SendDlgItemMessageA(page, IDC_PICTURE, STM_GETIMAGE, IMAGE_BITMAP, 0);
            return shown && GetObjectA(shown, sizeof(info), &info) && info.bmHeight == 472;
        })) << info.bmWidth << "x" << info.bmHeight;
        EXPECT_EQ(302, info.bmWidth);
        EXPECT_EQ(1, Click(page, IDCANCEL));
    });
    EXPECT_EQ(0, RunWelcomePage(NULL, g_hInst));
}
