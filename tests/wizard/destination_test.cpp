// The destination page, the folder picker and the loop that settles the destination.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "resource.h"
#include "session/session.h"
#include "wizard/pages.h"
#include "wizard/wizardtest.h"

static const char kPageCaption[] = "NEXFER Pro Installation: Destination Folder";
static const char kStopCaption[] = "NEXFER Pro Installation";

struct PrefixCase {
    const char *source, *destination;
    int inside;
};

TEST(DestinationRules, InsideTheSourceFolder)
{
    const PrefixCase cases[] = {
        { "C:\\TEMP\\", "C:\\TEMP", 1 },
        { "C:\\TEMP\\", "c:\\temp\\nexfer", 1 },
        { "C:\\TEMP\\", "C:\\TEMPX", 1 },
        { "C:\\TEMP\\", "C:\\TEM", 0 },
        { "C:\\TEMP\\", "D:\\TEMP", 0 },
        { "C:\\TEMP\\", "C:\\Program Files\\NEXFER Pro", 0 },
        { "C:\\TEMP\\", "", 0 },
        { "C:\\", "C:\\Program Files\\NEXFER Pro", 1 },
        { "C:\\", "c:", 1 },
        { "C:\\", "D:\\NX", 0 },
        { "", "C:\\NX", 0 },
    };
    for (const PrefixCase &c : cases)
        EXPECT_EQ(c.inside, IsInsideSourceFolder(c.destination, c.source)) << c.source << " " << c.destination;
}

struct PickCase {
    const char *returned, *folder;
};

TEST(DestinationRules, PickedFolderCompletion)
{
    const PickCase cases[] = {
        { "C:\\Program Files\\a", "C:\\Program Files\\NEXFER" },
        { "c:\\program files\\a", "c:\\program files\\NEXFER" },
        { "C:\\a", "C:\\NEXFER" },
        { "C:\\Apps\\NexFer Pro\\a", "C:\\Apps\\NexFer Pro" },
        { "D:\\mynexferstuff\\a", "D:\\mynexferstuff" },
        { "C:\\NEXFER\\sub\\a", "C:\\NEXFER\\sub" },
        { "C:\\nex fer\\a", "C:\\nex fer\\NEXFER" },
    };
    for (const PickCase &c : cases) {
        char result[260];
        strcpy(result, c.returned);
        EXPECT_EQ(1, CompletePickedFolder(result, sizeof(result))) << c.returned;
        EXPECT_STREQ(c.folder, result);
    }
}

TEST(DestinationRules, PickedFolderThatDoesNotFitFails)
{
    // A folder of 252 characters plus "\NEXFER" fills 259 characters: the limit.
    char result[260 + 4];
    std::string folder = "C:\\" + std::string(249, 'x');
    memset(result, '#', sizeof(result));
    strcpy(result, (folder + "\\a").c_str());
    EXPECT_EQ(1, CompletePickedFolder(result, 260));
    EXPECT_EQ(folder + "\\NEXFER", result);
    EXPECT_EQ('#', result[260]);

    folder += "y";
    memset(result, '#', sizeof(result));
    strcpy(result, (folder + "\\a").c_str());
    EXPECT_EQ(0, CompletePickedFolder(result, 260));
    EXPECT_EQ('#', result[260]);
    EXPECT_EQ(folder, result);
}

class DestinationPage : public testing::Test {
protected:
    ScratchFolder scratch_;
};

TEST_F(DestinationPage, ShowsPromptAndFolderAndReturnsTheTypedText)
{
    const char *typed[] = { "D:\\Elsewhere\\NX", "" };
    for (const char *text : typed) {
        SCOPED_TRACE(text);
        char result[FOLDER_SIZE] = "unchanged";
        UiDriver driver([&] {
            HWND page = WaitForDialog(kPageCaption);
            ASSERT_TRUE(page != NULL);
            EXPECT_EQ("Pick a folder:", ControlText(page, IDC_DEST_PROMPT));
            EXPECT_EQ("C:\\Program Files\\NEXFER Pro", ControlText(page, IDC_DEST_FOLDER));
            EXPECT_TRUE(IsControlVisible(page, IDC_PICTURE));
            TypeText(page, IDC_DEST_FOLDER, text);
            EXPECT_EQ(1, Click(page, IDOK));
        });
        EXPECT_EQ(1, RunDestinationPage(NULL, g_hInst, "Pick a folder:", "C:\\Program Files\\NEXFER Pro", result));
        EXPECT_STREQ(text, result);
    }
}

TEST_F(DestinationPage, CancelAndEscapeLeaveTheResult)
{
    for (int escape = 0; escape < 2; escape++) {
        SCOPED_TRACE(escape ? "Escape" : "Cancel");
        char result[FOLDER_SIZE] = "unchanged";
        UiDriver driver([&] {
            HWND page = WaitForDialog(kPageCaption);
            ASSERT_TRUE(page != NULL);
            TypeText(page, IDC_DEST_FOLDER, "C:\\Other");
            if (escape)
                PressKey(page, VK_ESCAPE);
            else
                EXPECT_EQ(1, Click(page, IDCANCEL));
        });
        EXPECT_EQ(0, RunDestinationPage(NULL, g_hInst, "Prompt", "C:\\NX", result));
        EXPECT_STREQ("unchanged", result);
    }
}

TEST_F(DestinationPage, EditFieldTakesNoMoreThanTheBuffer)
{
    char result[FOLDER_SIZE + 8];
    memset(result, '#', sizeof(result));
    result[0] = '\0';
    std::string longText(FOLDER_SIZE + 40, 'z');
    UiDriver driver([&] {
        HWND page = WaitForDialog(kPageCaption);
        ASSERT_TRUE(page != NULL);
        HWND edit = GetDlgItem(page, IDC_DEST_FOLDER);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, EM_REPLACESEL, TRUE, (LPARAM)longText.c_str());
        EXPECT_EQ(FOLDER_SIZE - 1, GetWindowTextLengthA(edit));
        EXPECT_EQ(1, Click(page, IDOK));
    });
    EXPECT_EQ(1, RunDestinationPage(NULL, g_hInst, "Prompt", "", result));
    EXPECT_EQ(std::string(FOLDER_SIZE - 1, 'z'), result);
    EXPECT_EQ('#', result[FOLDER_SIZE]);
}

// The loop around the page: a source folder and a destination area of their own.
class ChooseDestinationLoop : public testing::Test {
protected:
    void SetUp() override
    {
        source_ = scratch_.File("src") + "\\";
        CreateDirectoryA(scratch_.File("src").c_str(), NULL);
        g_hwndMain = owner_.Handle();
    }
    // Waits for the page, types text and presses Next (or Cancel for NULL).
    static HWND AnswerPage(const char *text)
    {
        HWND page = WaitForDialog(kPageCaption);
        if (!page)
            return NULL;
        if (text) {
            TypeText(page, IDC_DEST_FOLDER, text);
            Click(page, IDOK);
        } else {
            Click(page, IDCANCEL);
        }
        WaitForClose(page);
        return page;
    }
    // Waits for a message box with the caption, reads and closes it.
    static BoxView AnswerBox(const char *caption)
    {
        BoxView view;
        HWND box = WaitForDialog(caption);
        if (!box)
            return view;
        view = ReadBox(box);
        Click(box, IDOK);
        WaitForClose(box);
        return view;
    }
    ScratchFolder scratch_;
    OwnerWindow owner_;
    std::string source_;
};

TEST_F(ChooseDestinationLoop, RefusesTheSourceFolderThenCreatesTheChain)
{
    std::string inside = scratch_.File("SRC\\nexfer");
    std::string target = scratch_.File("out\\deep\\NEXFER");
    char destination[FOLDER_SIZE];
    strcpy(destination, inside.c_str());
    UiDriver driver([&] {
        HWND page = WaitForDialog(kPageCaption);
        ASSERT_TRUE(page != NULL);
        EXPECT_EQ("Please enter the destination folder:", ControlText(page, IDC_DEST_PROMPT));
        EXPECT_EQ(inside, ControlText(page, IDC_DEST_FOLDER));
        Click(page, IDOK);
        BoxView refused = AnswerBox(kStopCaption);
        EXPECT_EQ("You cannot install to the folder that contains the installation files.", refused.text);
        EXPECT_EQ(StopIcon(), refused.icon);
        EXPECT_EQ(owner_.Handle(), refused.owner);
        page = WaitForDialog(kPageCaption);
        ASSERT_TRUE(page != NULL);
        EXPECT_EQ(inside, ControlText(page, IDC_DEST_FOLDER));
        TypeText(page, IDC_DEST_FOLDER, target.c_str());
        Click(page, IDOK);
    });
    EXPECT_EQ(1, ChooseDestination(destination, source_.c_str()));
    EXPECT_EQ(target, destination);
    DWORD attributes = GetFileAttributesA(target.c_str());
    EXPECT_TRUE(attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY));
    EXPECT_FALSE(FileExists(inside));
}

TEST_F(ChooseDestinationLoop, FolderThatCannotBeCreatedShowsBothMessages)
{
    WriteFileText(scratch_.File("blocker"), "a file where a folder should go");
    std::string blocked = scratch_.File("blocker\\NX");
    const char *attempts[] = { blocked.c_str(), "" };
    char destination[FOLDER_SIZE] = "C:\\proposed";
    UiDriver driver([&] {
        for (const char *attempt : attempts) {
            SCOPED_TRACE(attempt);
            ASSERT_TRUE(AnswerPage(attempt) != NULL);
            BoxView own = AnswerBox("Install");
            EXPECT_EQ(0u, own.text.find("Creation of ")) << own.text;
            BoxView ours = AnswerBox(kStopCaption);
            EXPECT_EQ(std::string("Creation of ") + attempt + " failed. (0)", ours.text);
            EXPECT_EQ(StopIcon(), ours.icon);
            EXPECT_EQ(owner_.Handle(), ours.owner);
        }
        ASSERT_TRUE(AnswerPage(NULL) != NULL);
        BoxView given = AnswerBox(kStopCaption);
        EXPECT_EQ("Can't continue without a destination folder!", given.text);
        EXPECT_EQ(StopIcon(), given.icon);
        EXPECT_EQ(owner_.Handle(), given.owner);
    });
    EXPECT_EQ(0, ChooseDestination(destination, source_.c_str()));
    EXPECT_FALSE(FileExists(blocked));
}

TEST_F(ChooseDestinationLoop, CancelGivesUpWithAMessage)
{
    char destination[FOLDER_SIZE] = "C:\\proposed";
    UiDriver driver([&] {
        ASSERT_TRUE(AnswerPage(NULL) != NULL);
        BoxView given = AnswerBox(kStopCaption);
        EXPECT_EQ("Can't continue without a destination folder!", given.text);
    });
    EXPECT_EQ(0, ChooseDestination(destination, source_.c_str()));
    EXPECT_STREQ("C:\\proposed", destination);
    EXPECT_FALSE(FileExists("C:\\proposed"));
}

TEST_F(ChooseDestinationLoop, RefusesSystemFoldersAndFoldersTooLongToUse)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    std::string system = std::string(windows) + "\\";
    std::string tooLong = scratch_.File(std::string(246, 'n').c_str()).substr(0, 247);
    std::string target = scratch_.File("NEXFER");
    char destination[FOLDER_SIZE] = "C:\\";
    UiDriver driver([&] {
        ASSERT_TRUE(AnswerPage("C:\\") != NULL);
        EXPECT_EQ("You cannot install to C:\\.\r\nThis folder belongs to Windows or to a user profile; please "
                  "choose a folder of its own for NEXFER Pro.", AnswerBox(kStopCaption).text);
        ASSERT_TRUE(AnswerPage(system.c_str()) != NULL);
        EXPECT_EQ(0u, AnswerBox(kStopCaption).text.find("You cannot install to " + system + ".\r\n"));
        ASSERT_TRUE(AnswerPage(tooLong.c_str()) != NULL);
        BoxView refused = AnswerBox(kStopCaption);
        EXPECT_EQ("The folder name " + tooLong + " is too long.\r\nPlease choose a folder name of at most 246 "
                  "characters.", refused.text);
        EXPECT_EQ(StopIcon(), refused.icon);
        ASSERT_TRUE(AnswerPage("NEXFER Rel") != NULL);
        EXPECT_EQ(0u, AnswerBox(kStopCaption).text.find("NEXFER Rel is not a full path.\r\n"));
        ASSERT_TRUE(AnswerPage(target.c_str()) != NULL);
    });
    EXPECT_EQ(1, ChooseDestination(destination, source_.c_str()));
    EXPECT_EQ(target, destination);
    EXPECT_FALSE(FileExists(tooLong));
    EXPECT_FALSE(FileExists("NEXFER Rel")) << "made in the current folder";
}
