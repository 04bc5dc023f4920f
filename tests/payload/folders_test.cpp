// Folders that belong to Windows or to a user, in every spelling, and the longest
// destination folder an installation accepts.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <string>
#include "drivers/components.h"
#include "harness/testutil.h"
#include "payload/folders.h"
#include "resource.h"
#include "session/sizes.h"
#include "session/text.h"

static std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = "";
    SHGetFolderPathA(NULL, csidl, NULL, SHGFP_TYPE_CURRENT, path);
    return path;
}

static std::string ShortForm(const std::string &path)
{
    char out[MAX_PATH] = "";
    GetShortPathNameA(path.c_str(), out, MAX_PATH);
    return out;
}

static std::string Upper(std::string text)
{
    for (char &c : text)
        c = (char)toupper((unsigned char)c);
    return text;
}

TEST(ProtectedFolders, SystemAndUserFoldersInAnySpelling)
{
    char windows[MAX_PATH], temp[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    GetTempPathA(MAX_PATH, temp);
    std::string tempNoSlash(temp, strlen(temp) - 1);
    std::string programFiles = ShellFolder(CSIDL_PROGRAM_FILES);
    ASSERT_FALSE(programFiles.empty());
    ASSERT_NE(std::string::npos, programFiles.find(' ')) << "a long name whose 8.3 form differs";

    const std::string refused[] = {
        "C:\\", "c:", "C:/", "\\\\server\\share", "\\\\server\\share\\",
        windows, Upper(windows) + "\\", std::string(windows) + "\\system32",
        tempNoSlash, temp, Upper(tempNoSlash),
        programFiles, ShortForm(programFiles), ShortForm(programFiles) + "\\",
        ShellFolder(CSIDL_PROGRAM_FILES_COMMON), ShellFolder(CSIDL_PROFILE),
        ShellFolder(CSIDL_PERSONAL), ShellFolder(CSIDL_DESKTOPDIRECTORY), ShellFolder(CSIDL_APPDATA),
        ShellFolder(CSIDL_LOCAL_APPDATA), ShellFolder(CSIDL_COMMON_APPDATA),
        ShellFolder(CSIDL_COMMON_DOCUMENTS), ShellFolder(CSIDL_COMMON_DESKTOPDIRECTORY),
    };
    for (const std::string &folder : refused) {
        ASSERT_FALSE(folder.empty());
        EXPECT_EQ(1, IsProtectedFolder(folder.c_str())) << folder;
        EXPECT_EQ((UINT)IDS_DEST_PROTECTED, CheckDestination(folder.c_str())) << folder;
    }
    // Forward slashes name the same folder.
    std::string slashed = windows;
    for (char &c : slashed)
        if (c == '\\')
            c = '/';
    EXPECT_EQ(1, IsProtectedFolder(slashed.c_str())) << slashed;

    // A folder of its own below any of them is the product's to use.
    const std::string accepted[] = {
        programFiles + "\\NEXFER Pro", ShortForm(programFiles) + "\\NEXFER", std::string(windows) + "\\NEXFER",
        tempNoSlash + "x", "C:\\FTP Tools\\NEXFER", "D:\\NX",
    };
    for (const std::string &folder : accepted) {
        EXPECT_EQ(0, IsProtectedFolder(folder.c_str())) << folder;
        EXPECT_EQ(0u, CheckDestination(folder.c_str())) << folder;
    }
    // An empty text is left to the folder creation, which reports it.
    EXPECT_EQ(0u, CheckDestination(""));
}

TEST(ProtectedFolders, NormalisedForms)
{
    char out[MAX_PATH];
    struct { const char *in, *out; } cases[] = {
        { "C:\\NX\\", "C:\\NX" }, { "C:/NX//", "C:\\NX" }, { "C:\\", "C:" }, { "C:\\A\\..\\B", "C:\\B" },
    };
    for (const auto &c : cases) {
        ASSERT_EQ(1, NormaliseFolder(c.in, out, MAX_PATH)) << c.in;
        EXPECT_STREQ(c.out, out);
    }
    EXPECT_EQ(0, NormaliseFolder("", out, MAX_PATH));
    EXPECT_EQ(0, NormaliseFolder("C:\\ABCDEFGH", out, 8));
    EXPECT_EQ(1, IsDriveRoot("C:"));
    EXPECT_EQ(1, IsDriveRoot("\\\\srv\\share"));
    EXPECT_EQ(0, IsDriveRoot("\\\\srv\\share\\NX"));
    EXPECT_EQ(0, IsDriveRoot("C:\\NX"));
}

// Every installed or reported name fits the room the folder limit leaves, so that no
// path the installation builds can pass MAX_PATH.
TEST(DestinationLimit, LongestNameAndFolderFitMaxPath)
{
    ComponentList *lists[] = { &g_classicList, &g_explorerList, &g_bonusList, &g_commonList, &g_siteList };
    size_t longest = strlen("original.ini");
    for (ComponentList *list : lists) {
        for (int i = 0; i < list->count; i++) {
            longest = std::max(longest, strlen(list->rows[i].installedName));
            longest = std::max(longest, strlen(list->rows[i].reportName));
        }
    }
    EXPECT_EQ((size_t)LONGEST_INSTALLED_NAME, longest);
    EXPECT_EQ(246, FOLDER_MAX_LENGTH);
    EXPECT_LE(FOLDER_MAX_LENGTH + 1 + LONGEST_INSTALLED_NAME, MAX_PATH - 1);

    std::string atLimit = "C:\\" + std::string(FOLDER_MAX_LENGTH - 3, 'n');
    EXPECT_EQ(0u, CheckDestination(atLimit.c_str()));
    EXPECT_EQ((UINT)IDS_DEST_TOO_LONG, CheckDestination((atLimit + "x").c_str()));
}

// A folder from the command line: only full paths, in the form the record and the
// protected-folder checks must see.
TEST(CommandLineFolders, OnlyFullPathsInCanonicalForm)
{
    struct { const char *given; const char *canonical; } cases[] = {
        { "C:\\Program Files\\NX", "C:\\Program Files\\NX" },
        { "C:\\Program Files\\..\\Windows", "C:\\Windows" },
        { "d:/Apps//NX/./Pro/", "d:\\Apps\\NX\\Pro" },
        { "C:\\a\\b\\..\\..\\..\\..\\c", "C:\\c" },
        { "C:\\", "C:\\" },
        { "C:\\..", "C:\\" },
        { "\\\\server\\share\\Apps\\\\NX\\", "\\\\server\\share\\Apps\\NX" },
        { "\\\\server\\share\\..\\..\\x", "\\\\server\\share\\x" },
        { "//server/share", "\\\\server\\share" },
        { "C:\\v1.2\\..x", "C:\\v1.2\\..x" },
        // Refused: relative, drive-relative, device forms, parts the system would trim.
        { "Relative\\NX", nullptr },
        { ".\\NX", nullptr },
        { "\\Apps\\NX", nullptr },
        { "C:Folder", nullptr },
        { "C:", nullptr },
        { "1:\\x", nullptr },
        { "\\\\?\\C:\\Apps", nullptr },
        { "\\\\.\\C:\\Apps", nullptr },
        { "\\\\server", nullptr },
        { "\\\\server\\", nullptr },
        { "\\\\\\share", nullptr },
        { "C:\\Apps.\\NX", nullptr },
        { "C:\\Apps\\NX ", nullptr },
        { "C:\\...\\NX", nullptr },
        { "", nullptr },
    };
    for (const auto &c : cases) {
        char out[64];
        memset(out, '#', sizeof(out));
        int result = CanonicalFolder(c.given, out, sizeof(out));
        EXPECT_EQ(c.canonical != nullptr, result == 1) << c.given;
        if (c.canonical && result) {
            EXPECT_STREQ(c.canonical, out) << c.given;
        }
    }
}

TEST(CommandLineFolders, AResultThatDoesNotFitIsRefused)
{
    char out[16 + 1];
    memset(out, '#', sizeof(out));
    // "C:\abcdefghijkl" is 15 characters: it fits 16 exactly, one more does not.
    EXPECT_EQ(1, CanonicalFolder("C:\\abcdefghijkl\\", out, 16));
    EXPECT_STREQ("C:\\abcdefghijkl", out);
    EXPECT_EQ('#', out[16]);
    EXPECT_EQ(0, CanonicalFolder("C:\\abcdefghijklm", out, 16));
    EXPECT_STREQ("", out);
    EXPECT_EQ('#', out[16]);
}

// Wherever a destination comes from, one rule: a full path, canonical, then the checks.
TEST(DestinationRule, FullPathMadeCanonicalThenChecked)
{
    struct { std::string given; UINT refusal; std::string settled; } cases[] = {
        { "C:\\Apps\\.\\NX\\", 0, "C:\\Apps\\NX" }, { "", 0, "" },
        { "NEXFER Rel", IDS_DEST_NOT_FULL, "" }, { "C:NX", IDS_DEST_NOT_FULL, "" }, { "\\NX", IDS_DEST_NOT_FULL, "" },
        { ShellFolder(CSIDL_WINDOWS) + "\\System32\\..", IDS_DEST_PROTECTED, "" },
        { "C:\\" + std::string(FOLDER_MAX_LENGTH - 2, 'x'), IDS_DEST_TOO_LONG, "" },
    };
    for (const auto &c : cases) {
        char folder[FOLDER_SIZE];
        CopyText(folder, COUNTOF(folder), c.given.c_str());
        EXPECT_EQ(c.refusal, SettleDestinationText(folder, COUNTOF(folder))) << c.given;
        EXPECT_EQ(c.refusal ? c.given : c.settled, std::string(folder)) << c.given;
    }
}
