// Destinations a quiet run must refuse: folders of Windows or of the users, a drive
// root, and folder names past the longest one every installed path still fits.
#include <gtest/gtest.h>
#include <winerror.h>
#include <string.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"

#define PROTECTED_REASON \
    "This folder belongs to Windows or to a user profile; please choose a folder of its own for NEXFER Pro."
#define LONGEST_FOLDER 246

// code: the exit code the run must end with.
static std::vector<std::string> RunQuietLogged(const char *variant, DWORD code)
{
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupRun run = RunSetupVariant(variant, 120000);
    EXPECT_TRUE(run.ended) << variant << " did not end by itself";
    EXPECT_EQ(code, run.exitCode) << variant;
    return ReadLines(TempFolder() + "setup.log");
}

// The lines that follow the first line equal to first (first included); empty if none.
static std::vector<std::string> LinesFrom(const std::vector<std::string> &log, const std::string &first, size_t n)
{
    auto at = std::find(log.begin(), log.end(), first);
    if (at == log.end())
        return {};
    return std::vector<std::string>(at, at + std::min(n, (size_t)(log.end() - at)));
}

static void ExpectNothingInstalled(const char *label)
{
    EXPECT_EQ("<missing>", WinIni("INSTOPTS")) << label;
    EXPECT_EQ("<missing>", WinIni("DEFDIR")) << label;
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY)) << label;
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, BASE_SERVER_KEY)) << label;
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro"))) << label;
}

struct ProtectedCase {
    const char *variant;
    const char *folder;   // as the options file gives it
};

TEST(ProtectedDestinations, QuietRunsRefuseFoldersOfWindowsTheUsersAndTheRoot)
{
    const ProtectedCase cases[] = {
        { "setup_quiet_dir_windows", "C:\\windows" },
        { "setup_quiet_dir_windows_upper", "C:\\WINDOWS\\" },
        { "setup_quiet_dir_users", "C:\\users" },
        { "setup_quiet_dir_root", "C:\\" },
    };
    for (const ProtectedCase &c : cases) {
        SCOPED_TRACE(c.variant);
        std::vector<std::string> root = FolderEntries("C:");
        std::vector<std::string> log = RunQuietLogged(c.variant, ERROR_INSTALL_FAILURE);
        std::vector<std::string> expected = { std::string("You cannot install to ") + c.folder + ".",
                                              PROTECTED_REASON };
        EXPECT_EQ(expected, LinesFrom(log, expected[0], 2));
        EXPECT_FALSE(FileExists(std::string(c.folder) + (c.folder[strlen(c.folder) - 1] == '\\' ? "" : "\\") +
                                "nxf95pro.exe"));
        EXPECT_EQ(root, FolderEntries("C:"));
        ExpectNothingInstalled(c.variant);
        // Whatever a faulty run recorded must not decide the next case.
        WriteProfileStringA("NEXFER", NULL, NULL);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
    }
}

// C:\ followed by folder names of at most 60 characters, length characters in all.
static std::string FolderOfLength(const char *top, size_t length)
{
    std::string folder = std::string("C:\\") + top;
    while (length - folder.size() > 61)
        folder += "\\" + std::string(60, 'n');
    folder += "\\" + std::string(length - folder.size() - 1, 'x');
    return folder;
}

TEST(ProtectedDestinations, LongestFolderInstallsOneCharacterMoreIsRefused)
{
    // An earlier installation's folder wins over the options file, so WIN.INI brings
    // the folder to the quiet default variant.
    std::string over = FolderOfLength("NXOVER", LONGEST_FOLDER + 1);
    ASSERT_EQ((size_t)LONGEST_FOLDER + 1, over.size());
    WriteProfileStringA("NEXFER", "DIR", over.c_str());
    std::vector<std::string> log = RunQuietLogged("setup_quiet_default", ERROR_INSTALL_FAILURE);
    std::vector<std::string> expected = { "The folder name " + over + " is too long.",
                                          "Please choose a folder name of at most 246 characters." };
    EXPECT_EQ(expected, LinesFrom(log, expected[0], 2));
    EXPECT_FALSE(FileExists("C:\\NXOVER"));
    ExpectNothingInstalled("247 characters");

    std::string longest = FolderOfLength("NXLIMIT", LONGEST_FOLDER);
    ASSERT_EQ((size_t)LONGEST_FOLDER, longest.size());
    WriteProfileStringA("NEXFER", "DIR", longest.c_str());
    // The explorer interface registered itself: a restart is due, and not allowed.
    log = RunQuietLogged("setup_quiet_default", ERROR_SUCCESS_REBOOT_REQUIRED);
    EXPECT_FALSE(std::any_of(log.begin(), log.end(),
                             [](const std::string &l) { return l.find("is too long") != std::string::npos; }));
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "nxfpro32.hlp", "nxfproex.dll", "nxfsync.exe",
                              "nxfrem32.exe", "finish.wav", "NEXFER.ini", "sites8.ini" })
        EXPECT_TRUE(FileExists(longest + "\\" + name)) << name;
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_EQ(longest, WinIni("DEFDIR"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    EXPECT_EQ(longest + "\\nxf95pro.exe", RegString(HKEY_CLASSES_ROOT, BASE_SERVER_KEY, NULL));
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    for (const char *title : { "NEXFER Pro", "NEXFER Pro Help", "Uninstall NEXFER Pro" })
        EXPECT_TRUE(std::find(items.begin(), items.end(), title) != items.end()) << title;
}
