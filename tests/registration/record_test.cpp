// Installation record: registry helpers, the uninstall entry and the WIN.INI section.
#include <gtest/gtest.h>
#include <string.h>
#include "harness/testutil.h"
#include "registration/record.h"

static const char kTestRoot[] = "Software\\NXTestRecord";

class Record : public testing::Test {
protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    static void Clean()
    {
        DeleteKeyTree(HKEY_LOCAL_MACHINE, kTestRoot);
        DeleteKeyTree(HKEY_LOCAL_MACHINE, UNINSTALL_KEY);
        ClearWinIniSection(RECORD_SECTION);
        ClearWinIniSection("NXTestOther");
    }
    static std::string Path(const char *tail) { return std::string(kTestRoot) + "\\" + tail; }
};

// Stored size of a REG_SZ value, -1 when it is missing or of another type.
static long StoredSize(const char *path, const char *value)
{
    DWORD type = 0, size = 0;
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    LONG rc = RegQueryValueExA(key, value, NULL, &type, NULL, &size);
    RegCloseKey(key);
    return rc == ERROR_SUCCESS && type == REG_SZ ? (long)size : -1;
}

TEST_F(Record, UninstallEntryQuotesOnlyTheProgramPathAndIsNeverCut)
{
    WriteUninstallEntry("C:\\Program Files\\NEXFER Pro", "My Tools, 2");
    std::string command = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString");
    EXPECT_EQ("\"C:\\Program Files\\NEXFER Pro\\nxfrem32.exe\" -f C:\\Program Files\\NEXFER Pro"
              " -d C:\\Program Files\\NEXFER Pro -g My Tools, 2", command);
    EXPECT_EQ((long)command.size() + 1, StoredSize(UNINSTALL_KEY, "UninstallString"));
    EXPECT_EQ((long)sizeof("Quorvane NEXFER Pro Uninstall"), StoredSize(UNINSTALL_KEY, "DisplayName"));
    EXPECT_EQ("Quorvane NEXFER Pro Uninstall", RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));

    // The longest folder and group are stored whole; anything longer leaves no entry.
    std::string folder = "C:\\" + std::string(UNINSTALL_FOLDER_MAX - 3, 'f');
    std::string group(UNINSTALL_GROUP_MAX, 'g');
    WriteUninstallEntry(folder.c_str(), group.c_str());
    command = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString");
    EXPECT_EQ((size_t)UNINSTALL_STRING_SIZE - 1, command.size());
    EXPECT_EQ(" -g " + group, command.substr(command.size() - group.size() - 4));
    DeleteUninstallEntry();
    WriteUninstallEntry(folder.c_str(), (group + "g").c_str());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(Record, DeleteUninstallEntryWithSubkeysOrMissing)
{
    WriteUninstallEntry("C:\\N", DEFAULT_GROUP);
    ASSERT_EQ(1, SetRegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "Extra\\Deeper", "v", "x"));
    DeleteUninstallEntry();
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
    DeleteUninstallEntry(); // nothing to remove, nothing reported
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST_F(Record, SetAndReadRegistryString)
{
    char buffer[16];
    // Without a text only the key is made.
    EXPECT_EQ(0, SetRegistryString(HKEY_LOCAL_MACHINE, kTestRoot, "Bare", NULL, NULL));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("Bare").c_str()));
    EXPECT_EQ(0, ReadRegistryString(HKEY_LOCAL_MACHINE, Path("Bare").c_str(), NULL, "dflt", buffer, 16));
    EXPECT_STREQ("dflt", buffer); // value missing: the default

    memset(buffer, '#', sizeof(buffer));
    EXPECT_EQ(0, ReadRegistryString(HKEY_LOCAL_MACHINE, Path("None").c_str(), NULL, "dflt", buffer, 8));
    EXPECT_EQ(std::string(16, '#'), std::string(buffer, 16)); // key missing: untouched

    ASSERT_EQ(1, SetRegistryString(HKEY_LOCAL_MACHINE, kTestRoot, "K", "abc", "abc"));
    EXPECT_EQ(4L, StoredSize(Path("K").c_str(), "abc"));
    EXPECT_EQ(1, ReadRegistryString(HKEY_LOCAL_MACHINE, Path("K").c_str(), "abc", NULL, buffer, 4));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ('#', buffer[4]); // exact fit, nothing written beyond
    EXPECT_EQ(0, ReadRegistryString(HKEY_LOCAL_MACHINE, Path("K").c_str(), "abc", "d", buffer, 3));
    EXPECT_STREQ("d", buffer);

    // A value of another type is terminated by hand, or refused when it fills the buffer.
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyA(HKEY_LOCAL_MACHINE, Path("K").c_str(), &key));
    RegSetValueExA(key, "bin", 0, REG_BINARY, (const BYTE *)"xyz", 3);
    RegCloseKey(key);
    EXPECT_EQ(1, ReadRegistryString(HKEY_LOCAL_MACHINE, Path("K").c_str(), "bin", NULL, buffer, 8));
    EXPECT_STREQ("xyz", buffer);
    EXPECT_EQ(0, ReadRegistryString(HKEY_LOCAL_MACHINE, Path("K").c_str(), "bin", NULL, buffer, 3));
    EXPECT_STREQ("", buffer);
}

// Creates path\names[0]\names[1]... one level at a time (the ANSI calls refuse a full
// path beyond 260 characters); with create 0 only opens. 1 when every level is there.
static int KeyChain(const std::string &path, const std::vector<std::string> &names, int create)
{
    HKEY key, next;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    for (const std::string &name : names) {
        LONG rc = create ? RegCreateKeyA(key, name.c_str(), &next)
                         : RegOpenKeyExA(key, name.c_str(), 0, KEY_ALL_ACCESS, &next);
        RegCloseKey(key);
        if (rc != ERROR_SUCCESS)
            return 0;
        key = next;
    }
    RegCloseKey(key);
    return 1;
}

TEST_F(Record, DeleteRegistryTree)
{
    const char *leaves[] = { "T\\A\\B\\C\\D", "T\\A\\B2", "T\\E", "T\\A\\B\\C2", "Sibling" };
    for (const char *leaf : leaves)
        ASSERT_EQ(1, SetRegistryString(HKEY_LOCAL_MACHINE, kTestRoot, leaf, "v", leaf));
    EXPECT_EQ(1, DeleteRegistryTree(Path("T").c_str(), HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("T").c_str()));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, Path("Sibling").c_str()));
    EXPECT_EQ(0, DeleteRegistryTree(Path("T").c_str(), HKEY_LOCAL_MACHINE));

    // Below "root\Deep\<200 characters>" a child path exceeds 256 characters: it is
    // refused and the loops end with 0 instead of asking for that subkey forever.
    std::string n200(200, 'n'), m100(100, 'm');
    ASSERT_EQ(1, KeyChain(kTestRoot, { "Deep", n200, m100, "Inner" }, 1));
    EXPECT_EQ(0, DeleteRegistryTree(Path("Deep").c_str(), HKEY_LOCAL_MACHINE));
    EXPECT_TRUE(KeyChain(kTestRoot, { "Deep", n200, m100 }, 0));
    // One level shallower the same names go.
    ASSERT_EQ(1, KeyChain(kTestRoot, { "T2", n200, "Inner" }, 1));
    EXPECT_EQ(1, DeleteRegistryTree(Path("T2").c_str(), HKEY_LOCAL_MACHINE));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, Path("T2").c_str()));
}

TEST_F(Record, ClearInstallRecordRemovesTheWholeSection)
{
    const char *keys[] = { "DIR", "GROUP", "DEFDIR", "INSTOPTS", "PRO", "SPFLAGS", "NOTOURS" };
    char value[32];
    for (const char *key : keys)
        WriteProfileStringA(RECORD_SECTION, key, "1");
    WriteProfileStringA("NXTestOther", "DIR", "kept");
    ClearInstallRecord();
    EXPECT_EQ(0u, GetProfileStringA(RECORD_SECTION, NULL, "", value, sizeof(value)));
    GetProfileStringA("NXTestOther", "DIR", "", value, sizeof(value));
    EXPECT_STREQ("kept", value);
}
