// The helpers that point a test at the program under test: the same file of the build
// under test, and the registry view that program uses. A test that read the 64-bit view
// while the i686 program writes the 32-bit one would find nothing, or something stale.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>
#include "harness/testutil.h"

#define PROBE_KEY "Software\\NxHarnessViewProbe"

// Sets the environment the harness gives a test program for the time of a test case.
class ProductEnvironment {
public:
    ProductEnvironment(const char *testBuild, const char *productBuild, const char *arch)
    {
        Save("NX_TEST_BUILD", testBuild);
        Save("NX_PRODUCT_BUILD", productBuild);
        Save("NX_PRODUCT_ARCH", arch);
    }
    ~ProductEnvironment()
    {
        for (const std::string &setting : saved_)
            _putenv(setting.c_str());
    }
private:
    void Save(const char *name, const char *value)
    {
        const char *old = getenv(name);
        saved_.push_back(std::string(name) + "=" + (old ? old : ""));
        _putenv((std::string(name) + "=" + value).c_str());
    }
    std::vector<std::string> saved_;
};

// A key written in one view only, as the program of that view would write it.
static void WriteInView(REGSAM view, const char *data)
{
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_LOCAL_MACHINE, PROBE_KEY, 0, NULL, 0,
                                             KEY_ALL_ACCESS | view, NULL, &key, NULL));
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, "Where", 0, REG_SZ, (const BYTE *)data, (DWORD)strlen(data) + 1));
    RegCloseKey(key);
}

static void RemoveFromBothViews()
{
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, PROBE_KEY, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, PROBE_KEY, KEY_WOW64_64KEY, 0);
}

TEST(ProductHelpers, TheI686ProgramIsReadInThe32BitView)
{
    RemoveFromBothViews();
    WriteInView(KEY_WOW64_32KEY, "32-bit");
    {
        ProductEnvironment env("/b/x64", "/b/x86", "i686");
        EXPECT_TRUE(ProductIsI686());
        EXPECT_EQ((REGSAM)KEY_WOW64_32KEY, ProductRegistryView());
        EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, PROBE_KEY));
        EXPECT_EQ("32-bit", RegString(HKEY_LOCAL_MACHINE, PROBE_KEY, "Where"));
    }
    {
        ProductEnvironment env("/b/x64", "/b/x64", "x86_64");
        EXPECT_FALSE(ProductIsI686());
        EXPECT_EQ((REGSAM)0, ProductRegistryView());
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PROBE_KEY));
        int found = 1;
        EXPECT_EQ("", RegString(HKEY_LOCAL_MACHINE, PROBE_KEY, "Where", &found));
        EXPECT_EQ(0, found);
    }
    RemoveFromBothViews();
}

TEST(ProductHelpers, DeleteKeyTreeRemovesTheKeyOfTheProgramsViewOnly)
{
    RemoveFromBothViews();
    WriteInView(KEY_WOW64_32KEY, "32-bit");
    WriteInView(KEY_WOW64_64KEY, "64-bit");
    {
        ProductEnvironment env("/b/x64", "/b/x86", "i686");
        DeleteKeyTree(HKEY_LOCAL_MACHINE, PROBE_KEY);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PROBE_KEY));
    }
    {
        ProductEnvironment env("/b/x64", "/b/x64", "x86_64");
        EXPECT_EQ("64-bit", RegString(HKEY_LOCAL_MACHINE, PROBE_KEY, "Where"));
        DeleteKeyTree(HKEY_LOCAL_MACHINE, PROBE_KEY);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, PROBE_KEY));
    }
    RemoveFromBothViews();
}

TEST(ProductHelpers, ProductFileMapsFilesOfTheTestBuildOnly)
{
    ProductEnvironment env("/deep/clone/build/x64", "/deep/clone/build/x86", "i686");
    EXPECT_EQ("Z:\\deep\\clone\\build\\x86\\tests\\e2e\\setup_quiet_default.exe",
              ProductFile("Z:\\deep\\clone\\build\\x64\\tests\\e2e\\setup_quiet_default.exe"));
    EXPECT_EQ("Z:\\deep\\clone\\build\\x86\\setup.exe", ProductFile("z:\\DEEP\\clone\\build\\X64\\setup.exe"));
    // Not under the test build (a longer name that merely starts alike, another folder).
    EXPECT_EQ("Z:\\deep\\clone\\build\\x64-other\\setup.exe", ProductFile("Z:\\deep\\clone\\build\\x64-other\\setup.exe"));
    EXPECT_EQ("C:\\Program Files\\NEXFER Pro\\nxf95pro.exe", ProductFile("C:\\Program Files\\NEXFER Pro\\nxf95pro.exe"));
}

TEST(ProductHelpers, WithoutTheHarnessSettingsEveryFileIsItsOwn)
{
    ProductEnvironment env("", "", "");
    EXPECT_EQ("Z:\\b\\x64\\setup.exe", ProductFile("Z:\\b\\x64\\setup.exe"));
    EXPECT_EQ((REGSAM)0, ProductRegistryView());
}
