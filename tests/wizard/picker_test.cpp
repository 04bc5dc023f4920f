// The folder picker: the old-style file-open dialog driven as a user would, from the
// destination page and on its own.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "resource.h"
#include "session/session.h"
#include "wizard/pages.h"
#include "wizard/wizardtest.h"

static const char kPageCaption[] = "NEXFER Pro Installation: Destination Folder";

static std::string Lower(std::string text)
{
    for (char &c : text)
        c = (char)tolower((unsigned char)c);
    return text;
}

static std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

// Enters a folder of the folder list by a double click on "[name]". 1 when the
// picker then shows that folder.
static int EnterFolder(HWND picker, const char *name)
{
    HWND list = GetDlgItem(picker, IDC_PICK_FOLDERS);
    std::string item = std::string("[") + name + "]";
    int index = (int)SendMessageA(list, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)item.c_str());
    if (index < 0)
        return 0;
    std::string before = ControlText(picker, IDC_PICK_FOLDERPATH);
    SendMessageA(list, LB_SETCURSEL, index, 0);
    PostMessageA(picker, WM_COMMAND, MAKEWPARAM(IDC_PICK_FOLDERS, LBN_DBLCLK), (LPARAM)list);
    return WaitUntil([&] { return ControlText(picker, IDC_PICK_FOLDERPATH) != before; });
}

class FolderPicker : public testing::Test {
protected:
    void SetUp() override
    {
        startFolder_ = EnterTempFolder();
        CreateDirectoryA(scratch_.File("Program Files").c_str(), NULL);
        CreateDirectoryA(scratch_.File("Program Files\\Sub One").c_str(), NULL);
        CreateDirectoryA(scratch_.File("My NexFer Files").c_str(), NULL);
    }
    ScratchFolder scratch_;
    std::string startFolder_;
};

TEST_F(FolderPicker, FromThePageAFolderGetsTheProductFolderAppended)
{
    std::string start = scratch_.File("Program Files");
    char result[FOLDER_SIZE] = "";
    UiDriver driver([&] {
        HWND page = WaitForDialog(kPageCaption);
        ASSERT_TRUE(page != NULL);
        ASSERT_EQ(1, Click(page, IDC_DEST_BROWSE));
        HWND picker = WaitForDialog("Locate");
        ASSERT_TRUE(picker != NULL);
        EXPECT_EQ(page, GetWindow(picker, GW_OWNER));
        EXPECT_EQ("Where to?", ControlText(picker, IDC_PICKER_PROMPT));
        EXPECT_EQ(Lower(start), ControlText(picker, IDC_PICK_FOLDERPATH));
        EXPECT_FALSE(IsControlVisible(picker, IDC_PICK_FILENAME));
        EXPECT_FALSE(IsControlVisible(picker, IDC_PICK_HELP));
        EXPECT_TRUE(IsControlVisible(picker, IDC_PICK_FOLDERS));
        EXPECT_TRUE(IsControlVisible(picker, IDC_PICK_DRIVES));
        ASSERT_EQ(1, EnterFolder(picker, "Sub One"));
        EXPECT_EQ(Lower(start + "\\Sub One"), ControlText(picker, IDC_PICK_FOLDERPATH));
        EXPECT_EQ(1, Click(picker, IDOK));
        ASSERT_TRUE(WaitForClose(picker));
        EXPECT_EQ(start + "\\Sub One\\NEXFER", ControlText(page, IDC_DEST_FOLDER));
        EXPECT_EQ(1, Click(page, IDOK));
    });
    EXPECT_EQ(1, RunDestinationPage(NULL, g_hInst, "Where to?", start.c_str(), result));
    EXPECT_EQ(start + "\\Sub One\\NEXFER", result);
    EXPECT_EQ(startFolder_, CurrentFolder());
}

TEST_F(FolderPicker, EscapeAndCancelLeaveTheEditField)
{
    char result[FOLDER_SIZE] = "";
    UiDriver driver([&] {
        HWND page = WaitForDialog(kPageCaption);
        ASSERT_TRUE(page != NULL);
        TypeText(page, IDC_DEST_FOLDER, scratch_.Path());
        for (int escape = 0; escape < 2; escape++) {
            SCOPED_TRACE(escape ? "Escape" : "Cancel");
            ASSERT_EQ(1, Click(page, IDC_DEST_BROWSE));
            HWND picker = WaitForDialog("Locate");
            ASSERT_TRUE(picker != NULL);
            ASSERT_EQ(1, EnterFolder(picker, "Program Files"));
            if (escape)
                PressKey(picker, VK_ESCAPE);
            else
                EXPECT_EQ(1, Click(picker, IDCANCEL));
            ASSERT_TRUE(WaitForClose(picker));
            EXPECT_EQ(scratch_.Path(), ControlText(page, IDC_DEST_FOLDER));
        }
        EXPECT_EQ(1, Click(page, IDCANCEL));
    });
    EXPECT_EQ(0, RunDestinationPage(NULL, g_hInst, "Prompt", "C:\\NX", result));
    EXPECT_EQ(startFolder_, CurrentFolder());
}

struct PickerCase {
    std::string start;
    const char *enter;        // folder to enter in the list, or NULL
    std::string folder;       // expected result, compared without regard to case
};

TEST_F(FolderPicker, ResultRules)
{
    const PickerCase cases[] = {
        { scratch_.File("Program Files"), nullptr, scratch_.File("Program Files\\NEXFER") },
        { scratch_.Path(), "My NexFer Files", scratch_.File("My NexFer Files") },
        { "C:\\", nullptr, "C:\\NEXFER" },
        { "C:\\", "Program Files", "C:\\Program Files\\NEXFER" },
    };
    for (const PickerCase &c : cases) {
        SCOPED_TRACE(c.start + " " + (c.enter ? c.enter : ""));
        char result[260 + 4];
        memset(result, '#', sizeof(result));
        UiDriver driver([&] {
            HWND picker = WaitForDialog("Locate");
            ASSERT_TRUE(picker != NULL);
            if (c.enter) {
                EXPECT_EQ(1, EnterFolder(picker, c.enter));
            }
            EXPECT_EQ(1, Click(picker, IDOK));
        });
        EXPECT_NE(0, BrowseForFolder(NULL, c.start.c_str(), result));
        driver.Finish();
        EXPECT_EQ(Lower(c.folder), Lower(result));
        EXPECT_EQ('#', result[260]);
        EXPECT_EQ(startFolder_, CurrentFolder());
    }
}
