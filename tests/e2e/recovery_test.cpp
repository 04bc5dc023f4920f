// What an installation run leaves when it fails, or when it is killed part-way and the
// next run of the program finds its journal in the registry.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"
#include "session/journal.h"

#define DEST "C:\\Program Files\\NEXFER Pro"
#define WELCOME "NEXFER Pro Installation"
#define REFUSED "The journal of an earlier installation was damaged or not this product's own."

static bool Journal(const char *path)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

// What an installation leaves outside its files' bytes: names of its files, its WIN.INI
// keys, keys and values, group items, and the journal.
static std::string Traces()
{
    std::string traces;
    for (const std::string &name : FolderFiles(DEST))
        traces += name + ";";
    for (const char *key : { "DIR", "GROUP", "DEFDIR", "INSTOPTS", "PRO" })
        traces += std::string(key) + "=" + WinIni(key) + ";";
    traces += "uninstall=" + RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString") + ";";
    traces += "class=" + RegString(HKEY_CLASSES_ROOT, BASE_SERVER_KEY, NULL) + ";";
    if (KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT)))
        traces += "explorer class;";
    for (const char *place : { NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT), NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT),
                               NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT), NAMESPACE_KEY("MyComputer", CLSID_ICONLINK_TEXT) })
        traces += KeyExists(HKEY_LOCAL_MACHINE, place) ? "namespace;" : "";
    for (const std::string &item : GroupItems("NEXFER Pro"))
        traces += item + ";";
    return traces + (Journal(JOURNAL_KEY) ? "journal" : "");
}

static std::vector<std::string> Log()
{
    return ReadLines(TempFolder() + "setup.log");
}

static bool Logged(const std::string &start)
{
    std::vector<std::string> log = Log();
    return std::count_if(log.begin(), log.end(), [&](const std::string &l) { return l.rfind(start, 0) == 0; }) == 1;
}

// An interactive run killed on its icon placement page: its files, registrations, record
// keys and group are in place, its namespace entries and uninstall entry not yet.
static void KillOnTheIconPage()
{
    SetupProcess setup("setup_interactive");
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog(WELCOME, 1851), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Destination Folder"), IDOK));
    ASSERT_TRUE(ClickAndWait(setup.WaitForDialog("NEXFER Pro Installation: Interface Selection"), IDOK));
    ASSERT_TRUE(setup.WaitForDialog("NEXFER Pro Installation: Icon Placement") != NULL);
    HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, setup.Pid());
    ASSERT_TRUE(process != NULL);
    TerminateProcess(process, 9);
    WaitForSingleObject(process, 10000);
    CloseHandle(process);
    ASSERT_TRUE(Journal(JOURNAL_KEY));
    ASSERT_TRUE(FileExists(DEST "\\nxf95pro.exe"));
    ASSERT_NE("<missing>", WinIni("DIR"));
}

static DWORD RunQuietly(const char *arguments)
{
    DeleteFileA((TempFolder() + "setup.log").c_str());
    SetupRun run = RunSetupVariant("setup_quiet_default", 120000, arguments);
    return run.ended ? run.exitCode : (DWORD)-1;
}

// The next run takes a killed run back before anything else: a removal then finds nothing
// and ends with 0, an installation ends as a clean one does.
TEST(Recovery, AKilledInstallationIsUndoneByTheNextRun)
{
    const std::string pristine = Traces();
    ASSERT_NO_FATAL_FAILURE(KillOnTheIconPage());
    EXPECT_EQ((DWORD)ERROR_SUCCESS, RunQuietly("/uninstall"));
    EXPECT_TRUE(Logged("An interrupted installation was undone."));
    EXPECT_EQ(pristine, Traces());
    EXPECT_FALSE(FileExists(DEST));

    ASSERT_NO_FATAL_FAILURE(KillOnTheIconPage());
    EXPECT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuietly(""));
    EXPECT_TRUE(Logged("An interrupted installation was undone."));
    const std::string recovered = Traces();
    ASSERT_EQ((DWORD)ERROR_SUCCESS, RunQuietly("/uninstall"));
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuietly(""));
    EXPECT_EQ(Traces(), recovered);
}

// A step that cannot be taken back (a file held open) stays in the journal for the next
// run, which takes back that step and the folder that held it, and nothing twice.
TEST(Recovery, AStepThatCannotBeUndoneWaitsForTheNextRun)
{
    ASSERT_NO_FATAL_FAILURE(KillOnTheIconPage());
    {
        FileHolder program(DEST "\\nxf95pro.exe", "none");
        ASSERT_TRUE(program.Holding());
        RunQuietly("/uninstall");
        EXPECT_TRUE(Logged("Could not take back " DEST "\\nxf95pro.exe ("));
        EXPECT_TRUE(Journal(JOURNAL_KEY));
    }
    EXPECT_EQ((DWORD)ERROR_SUCCESS, RunQuietly("/uninstall"));
    std::vector<std::string> log = Log();
    EXPECT_EQ(2, std::count_if(log.begin(), log.end(), [](const std::string &l) { return l.rfind("Took back ", 0) == 0; }));
    EXPECT_TRUE(Logged("Took back " DEST "\\nxf95pro.exe: removed"));
    EXPECT_FALSE(FileExists(DEST));
    EXPECT_FALSE(Journal(JOURNAL_KEY));
}

// A journal that may not be applied is moved aside, told once, and nothing of it is done.
TEST(Recovery, AJournalThatIsNotTrustedIsMovedAsideAndNotApplied)
{
    static const struct {
        const char *label;
        const char *value;       // NULL: the key is made writable by everyone instead
        DWORD type;
        const char *data;
        DWORD size;
    } cases[] = {
        { "writable by everyone", NULL, 0, NULL, 0 },
        { "another product's", "Product", REG_SZ, "Other", 6 },
        { "an entry cut short", "0", REG_BINARY, "\1\0\0", 3 },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_NO_FATAL_FAILURE(KillOnTheIconPage());
        HKEY key;
        if (!c.value) {
            ASSERT_TRUE(SetKeyOpenToEveryone(HKEY_LOCAL_MACHINE, JOURNAL_KEY, KEY_WOW64_64KEY, true));
        } else {
            ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, JOURNAL_KEY, 0, KEY_SET_VALUE | KEY_WOW64_64KEY, &key));
            EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, c.value, 0, c.type, (const BYTE *)c.data, c.size));
            RegCloseKey(key);
        }
        const std::string killed = Traces();
        EXPECT_EQ((DWORD)ERROR_UNKNOWN_PRODUCT, RunQuietly("/uninstall"));
        EXPECT_TRUE(Logged(REFUSED));
        EXPECT_FALSE(Journal(JOURNAL_KEY));
        EXPECT_TRUE(Journal(JOURNAL_ASIDE_KEY));
        EXPECT_EQ(killed.substr(0, killed.size() - 7), Traces());
    }
}

// A run that fails at its last step, the uninstall entry (a key it may not write), takes
// back all it did: a fresh installation leaves nothing, an update the earlier one as it was.
TEST(Recovery, AFailureAtTheUninstallEntryTakesEverythingBack)
{
    for (bool update : { false, true }) {
        SCOPED_TRACE(update ? "update" : "fresh installation");
        if (update) {
            ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuietly(""));
        }
        ASSERT_TRUE(SetKeyOpenToEveryone(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, ProductRegistryView(), false));
        const std::string before = Traces();
        EXPECT_EQ((DWORD)ERROR_INSTALL_FAILURE, RunQuietly(""));
        EXPECT_EQ("Exit code 1603: failed: the uninstall entry was not written", Log().back());
        EXPECT_EQ(before, Traces());
        ASSERT_TRUE(SetKeyOpenToEveryone(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, ProductRegistryView(), true));
    }
}
