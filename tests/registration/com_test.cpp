// COM registration: the base class entry, the product DLLs' self-registration (the
// sample DLLs for real, plus two test DLLs) and the shell namespace entries.
#include <gtest/gtest.h>
#include <string.h>
#include <ctype.h>
#include "drivers/components.h"
#include "harness/testutil.h"
#include "payload/payload.h"
#include "registration/com.h"
#include "registration/record.h"
#include "session/session.h"
#include "wizard/pages.h"

static const char kServerKey[] = BASE_SERVER_KEY;
static const char kStubServerKey[] = CLASS_KEY(CLSID_ICONLINK_TEXT) "\\InProcServer32";
static const char kExplorerServerKey[] = CLASS_KEY(CLSID_EXPLORER_TEXT) "\\InProcServer32";
static const char kPlacementCaption[] = "NEXFER Pro Installation: Icon Placement";

static std::string NamespaceKey(int place, const char *clsid)
{
    return place ? NAMESPACE_KEY("MyComputer", "") + std::string(clsid) : NAMESPACE_KEY("Desktop", "") + std::string(clsid);
}

static std::string CurrentFolder()
{
    char folder[MAX_PATH] = "";
    GetCurrentDirectoryA(MAX_PATH, folder);
    return folder;
}

static std::string Environment(const char *name)
{
    char value[MAX_PATH] = "";
    GetEnvironmentVariableA(name, value, MAX_PATH);
    return value;
}

class Com : public testing::Test {
protected:
    void SetUp() override
    {
        Clean();
        before_ = CurrentFolder();
    }
    void TearDown() override
    {
        SetCurrentDirectoryA(before_.c_str());
        Clean();
    }
    static void Clean()
    {
        const char *classes[] = { CLSID_BASE_TEXT, CLSID_EXPLORER_TEXT, CLSID_ICONLINK_TEXT };
        for (const char *clsid : classes) {
            DeleteKeyTree(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + clsid).c_str());
            DeleteKeyTree(HKEY_LOCAL_MACHINE, NamespaceKey(0, clsid).c_str());
            DeleteKeyTree(HKEY_LOCAL_MACHINE, NamespaceKey(1, clsid).c_str());
        }
    }
    // A payload row expanded into the destination folder under its installed name.
    void Place(int row, const char *name)
    {
        char scratch[MAX_PATH];
        snprintf(scratch, sizeof(scratch), "%s", dest_.File("payload.tmp").c_str());
        ASSERT_EQ(1, ExtractPayload(GetModuleHandleA(NULL), row, dest_.Path(), "payload.tmp"));
        ASSERT_EQ(1, ExpandFile(scratch, dest_.File(name).c_str()));
        DeleteFileA(scratch);
    }
    // One of the test DLLs built beside this program, copied into the destination.
    void PlaceTestDll(const char *name)
    {
        char self[MAX_PATH];
        GetModuleFileNameA(NULL, self, MAX_PATH);
        std::string source(self);
        source = source.substr(0, source.rfind('\\') + 1) + name;
        ASSERT_TRUE(CopyFileA(source.c_str(), dest_.File(name).c_str(), FALSE)) << source;
    }
    ScratchFolder dest_;
    std::string before_;
};

TEST_F(Com, BaseServerIsWrittenUnquotedAndRemovedWithoutTheClassKey)
{
    const char *path = "C:\\Program Files\\NEXFER Pro\\nxf95pro.exe";
    ASSERT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_EQ(1, RegisterBaseServer(path));
    EXPECT_EQ(path, RegString(HKEY_CLASSES_ROOT, kServerKey, NULL));
    EXPECT_EQ("Apartment", RegString(HKEY_CLASSES_ROOT, kServerKey, "ThreadingModel"));

    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, KEY_READ, &key));
    DWORD type = 0, size = 0;
    RegQueryValueExA(key, "ThreadingModel", NULL, &type, NULL, &size);
    EXPECT_EQ((DWORD)REG_SZ, type);
    EXPECT_EQ(10u, size);
    RegQueryValueExA(key, NULL, NULL, &type, NULL, &size);
    EXPECT_EQ(strlen(path) + 1, size);
    RegCloseKey(key);

    // An existing key is rewritten in place.
    EXPECT_EQ(1, RegisterBaseServer("D:\\N\\nxf95pro.exe"));
    EXPECT_EQ("D:\\N\\nxf95pro.exe", RegString(HKEY_CLASSES_ROOT, kServerKey, NULL));

    EXPECT_EQ(1, UnregisterBaseServer());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kServerKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, "CLSID\\" CLSID_BASE_TEXT));
    EXPECT_EQ(1, UnregisterBaseServer()); // nothing left to remove
}

TEST_F(Com, SampleDllsRegisterAndUnregisterThemselves)
{
    Place(24, "nxfstub.dll");
    Place(4, "nxfproex.dll");
    const struct { const char *dll, *serverKey; } cases[] = {
        { "nxfstub.dll", kStubServerKey },
        { "nxfproex.dll", kExplorerServerKey },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.dll);
        EXPECT_EQ(1, CallDllRegistration(dest_.Path(), c.dll, "DllRegisterServer"));
        EXPECT_EQ(dest_.File(c.dll), RegString(HKEY_CLASSES_ROOT, c.serverKey, NULL));
        EXPECT_EQ(before_, CurrentFolder());
        EXPECT_EQ(NULL, GetModuleHandleA(c.dll)); // freed again

        EXPECT_EQ(1, CallDllRegistration(dest_.Path(), c.dll, "DllUnregisterServer"));
        EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, c.serverKey));
        EXPECT_EQ(before_, CurrentFolder());
    }
}

TEST_F(Com, DllRunsInItsFolderAndTheResultFollowsTheSign)
{
    PlaceTestDll("nxtfailreg.dll");
    SetEnvironmentVariableA("NXT_LOAD_FOLDER", NULL);
    SetEnvironmentVariableA("NXT_CALL_FOLDER", NULL);
    EXPECT_EQ(-1, CallDllRegistration(dest_.Path(), "nxtfailreg.dll", "DllRegisterServer"));
    EXPECT_EQ(dest_.Path(), Environment("NXT_LOAD_FOLDER"));
    EXPECT_EQ(dest_.Path(), Environment("NXT_CALL_FOLDER"));
    EXPECT_EQ(before_, CurrentFolder());
    // A positive code (S_FALSE) counts as success.
    EXPECT_EQ(1, CallDllRegistration(dest_.Path(), "nxtfailreg.dll", "DllUnregisterServer"));
    EXPECT_EQ(before_, CurrentFolder());
    EXPECT_EQ(NULL, GetModuleHandleA("nxtfailreg.dll"));
}

TEST_F(Com, NothingHappensWithoutTheDllOrItsEntryPoint)
{
    PlaceTestDll("nxtnoentry.dll");
    SetEnvironmentVariableA("NXT_NOENTRY_LOADED", NULL);
    EXPECT_EQ(0, CallDllRegistration(dest_.Path(), "nxtnoentry.dll", "DllRegisterServer"));
    EXPECT_EQ("1", Environment("NXT_NOENTRY_LOADED")); // it did load
    EXPECT_EQ(NULL, GetModuleHandleA("nxtnoentry.dll"));
    EXPECT_EQ(before_, CurrentFolder());

    EXPECT_EQ(0, CallDllRegistration(dest_.Path(), "missing.dll", "DllRegisterServer"));
    EXPECT_EQ(before_, CurrentFolder());
}

// A DLL the run placed that is there and does not load is a failed registration.
TEST_F(Com, ADllThatDoesNotLoadFails)
{
    WriteFileText(dest_.File("broken.dll"), "MZ and nothing after it");
    EXPECT_EQ(-1, CallDllRegistration(dest_.Path(), "broken.dll", "DllRegisterServer"));
    EXPECT_EQ(before_, CurrentFolder());
}

// Watches for the icon placement page while the code under test runs. With answer set
// it picks My Computer and Next; otherwise it notes the page and cancels it. Every page
// that appears is answered, so that a fault fails the test, never hangs it.
class PageWatcher {
public:
    explicit PageWatcher(bool answer)
        : driver_(kPlacementCaption, [answer](HWND page, int) {
              if (answer)
                  Click(page, 1852);
              Click(page, answer ? IDOK : IDCANCEL);
          }) {}
    bool Seen()
    {
        driver_.Finish();
        return driver_.Answered() > 0;
    }
private:
    UiDriver driver_;
};

// Each letter one key: "D" Desktop or "M" My Computer with the title "Old", lower case
// the key without a default value.
static void Prepare(const char *places, const char *clsid)
{
    for (const char *p = places; *p; p++)
        SetRegistryString(HKEY_LOCAL_MACHINE, NamespaceKey(*p == 'M' || *p == 'm', clsid).c_str(), NULL, NULL,
                          isupper(*p) ? "Old" : NULL);
}

// The titled entries of a class, e.g. "D:Old M:NEXFER Pro ".
static std::string Entries(const char *clsid)
{
    std::string entries;
    int found;
    for (int place = 0; place < 2; place++) {
        std::string title = RegString(HKEY_LOCAL_MACHINE, NamespaceKey(place, clsid).c_str(), NULL, &found);
        if (found)
            entries += std::string(place ? "M:" : "D:") + title + " ";
    }
    return entries;
}

TEST_F(Com, NamespaceEntriesWithoutThePage)
{
    const DWORD both = INSTALL_CLASSIC | INSTALL_EXPLORER, quiet = INSTALL_QUIET;
    const struct {
        const char *name;
        DWORD flags;
        int location;                      // g_iconLocation before and after
        const char *explorer, *iconLink;   // keys before
        int locationAfter;
        const char *explorerAfter, *iconLinkAfter;
    } cases[] = {
        { "quiet, nothing present", both | quiet, 1, "", "", 1, "M:NEXFER Pro Explorer ", "M:NEXFER Pro " },
        { "quiet, desktop", both | quiet, 0, "", "", 0, "D:NEXFER Pro Explorer ", "D:NEXFER Pro " },
        { "explorer in My Computer", both, 0, "M", "", 1, "M:Old ", "M:NEXFER Pro " },
        { "explorer on the desktop", both, 1, "D", "", 0, "D:Old ", "D:NEXFER Pro " },
        { "icon link elsewhere stays", both | quiet, 1, "", "D", 0, "M:NEXFER Pro Explorer ", "D:Old " },
        { "key without value is absent", INSTALL_EXPLORER | quiet, 0, "d", "", 0, "D:NEXFER Pro Explorer ", "" },
        { "explorer only", INSTALL_EXPLORER | quiet, 1, "", "", 1, "M:NEXFER Pro Explorer ", "" },
        { "classic only: nothing", INSTALL_CLASSIC, 0, "", "", 0, "", "" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        Clean();
        Prepare(c.explorer, CLSID_EXPLORER_TEXT);
        Prepare(c.iconLink, CLSID_ICONLINK_TEXT);
        g_iconLocation = c.location;
        PageWatcher watcher(false);
        PlaceNamespaceEntries(c.flags, RunIconPlacementPage);
        EXPECT_FALSE(watcher.Seen());
        EXPECT_EQ(c.locationAfter, g_iconLocation);
        EXPECT_EQ(c.explorerAfter, Entries(CLSID_EXPLORER_TEXT));
        EXPECT_EQ(c.iconLinkAfter, Entries(CLSID_ICONLINK_TEXT));
    }
}

TEST_F(Com, PageDecidesThePlaceWhenNothingIsRegistered)
{
    g_iconLocation = 0;
    PageWatcher watcher(true); // chooses My Computer
    PlaceNamespaceEntries(INSTALL_CLASSIC | INSTALL_EXPLORER, RunIconPlacementPage);
    EXPECT_TRUE(watcher.Seen());
    EXPECT_EQ(1, g_iconLocation);
    EXPECT_EQ("M:NEXFER Pro Explorer ", Entries(CLSID_EXPLORER_TEXT));
    EXPECT_EQ("M:NEXFER Pro ", Entries(CLSID_ICONLINK_TEXT));

    // Re-installation: the earlier placement is found and the page is not shown again.
    g_iconLocation = 0;
    PageWatcher again(false);
    PlaceNamespaceEntries(INSTALL_CLASSIC | INSTALL_EXPLORER, RunIconPlacementPage);
    EXPECT_FALSE(again.Seen());
    EXPECT_EQ(1, g_iconLocation);
}

TEST_F(Com, RemoveNamespaceEntriesTakesBothClassesFromBothPlaces)
{
    EXPECT_EQ(1, RemoveNamespaceEntries()); // nothing registered
    Prepare("Dm", CLSID_EXPLORER_TEXT);
    Prepare("dM", CLSID_ICONLINK_TEXT);
    EXPECT_EQ(1, RemoveNamespaceEntries());
    for (int place = 0; place < 2; place++) {
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NamespaceKey(place, CLSID_EXPLORER_TEXT).c_str()));
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NamespaceKey(place, CLSID_ICONLINK_TEXT).c_str()));
    }
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                          std::string(NAMESPACE_KEY("Desktop", "")).substr(0, strlen(NAMESPACE_KEY("Desktop", "")) - 1).c_str()));
}
