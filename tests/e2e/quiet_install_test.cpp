// Quiet installations of the real program in fresh prefixes: what a user and Windows
// see afterwards.
#include <gtest/gtest.h>
#include <winerror.h>
#include <algorithm>
#include "e2e.h"
#include "harness/testutil.h"
#include "registration/com.h"
#include "registration/record.h"
#include "payload/payload.h"
#include "nxversion.h"

#define DEFAULT_DEST "C:\\Program Files\\NEXFER Pro"

static bool Contains(const std::vector<std::string> &list, const char *item)
{
    return std::find(list.begin(), list.end(), item) != list.end();
}

static DWORD RunQuiet(const char *variant)
{
    SetupRun run = RunSetupVariant(variant, 120000);
    EXPECT_TRUE(run.ended);
    EXPECT_FALSE(run.showedWindow);
    return run.exitCode;
}

TEST(QuietInstall, DefaultsInstallEverythingAndRecordIt)
{
    // The explorer interface registered itself: a restart is due, and not allowed.
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuiet("setup_quiet_default"));
    std::vector<std::string> files = FolderFiles(DEFAULT_DEST);
    for (const char *name : { "nxf95pro.exe", "nxfpro32.dll", "NxfPro32.cnt", "nxfpro32.hlp", "nxfproex.dll",
                              "nsnxfch.dll", "nsnxf.cnt", "nsnxf.hlp", "nxfscrpt.exe", "nxffind.exe", "nxfsync.exe",
                              "nxfsyncl.dll", "nxflink.exe", "nxfstub.dll", "nxfrem32.exe", "RelNotes.txt",
                              "linkup.wav", "fault.wav", "finish.wav", "NEXFER.ini", "sites1.ini", "sites8.ini" })
        EXPECT_TRUE(Contains(files, name)) << name;

    // The product INI points at the folder and keeps the placeholder address.
    std::string ini = ReadFileText(DEFAULT_DEST "\\NEXFER.ini");
    EXPECT_NE(std::string::npos, ini.find("SESSIONINI=" DEFAULT_DEST "\\sites5.ini"));
    EXPECT_NE(std::string::npos, ini.find("MAILADDR=nexfer60@"));

    EXPECT_EQ(DEFAULT_DEST "\\nxf95pro.exe",
              RegString(HKEY_CLASSES_ROOT, BASE_SERVER_KEY, NULL));
    EXPECT_EQ(DEFAULT_DEST "\\nxfproex.dll", RegString(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT) "\\InProcServer32", NULL));
    EXPECT_EQ(DEFAULT_DEST "\\nxfstub.dll", RegString(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT) "\\InProcServer32", NULL));
    EXPECT_EQ("NEXFER Pro Explorer", RegString(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT), NULL));
    EXPECT_EQ("NEXFER Pro", RegString(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT), NULL));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT)));

    EXPECT_EQ(DEFAULT_DEST, WinIni("DIR"));
    EXPECT_EQ("NEXFER Pro", WinIni("GROUP"));
    EXPECT_EQ(DEFAULT_DEST, WinIni("DEFDIR"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
    EXPECT_EQ("990810", WinIni("PRO"));
    EXPECT_EQ("<missing>", WinIni("SPFLAGS"));
    EXPECT_EQ("\"" DEFAULT_DEST "\\nxfrem32.exe\" -f " DEFAULT_DEST " -d " DEFAULT_DEST " -g NEXFER Pro",
              RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"));

    std::vector<std::string> items = GroupItems("NEXFER Pro");
    for (const char *title : { "NEXFER Pro", "NEXFER Pro Help", "NEXFER Pro Explorer Help", "NEXFER Scripting Utility",
                               "NEXFER Find Help", "NEXFER Synchronize Utility", "NEXFER Pro Icon Placement",
                               "Uninstall NEXFER Pro", "NEXFER Pro Release Notes" })
        EXPECT_TRUE(Contains(items, title)) << title;

    // Temporary payload copies are gone; the explorer registration wanted a restart,
    // which a quiet run without ALLOWRBT does not make: the program simply ended.
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (PayloadTable[i].tempName[0]) {
            EXPECT_FALSE(FileExists(TempFolder() + PayloadTable[i].tempName)) << PayloadTable[i].tempName;
        }
    }
    std::vector<std::string> log = ReadLines(TempFolder() + "setup.log");
    EXPECT_TRUE(Contains(log, "nV=12 nM=15"));
    EXPECT_TRUE(Contains(log, ("Copying " + TempFolder() + "nxf95pro.exe to " DEFAULT_DEST "\\nxf95pro.exe").c_str()));
}

// Bytes of every file in folder, in KB rounded up.
static DWORD FolderKb(const std::string &folder)
{
    ULONGLONG bytes = 0;
    for (const std::string &name : FolderFiles(folder)) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExA((folder + "\\" + name).c_str(), GetFileExInfoStandard, &data))
            bytes += ((ULONGLONG)data.nFileSizeHigh << 32) | data.nFileSizeLow;
    }
    return (DWORD)((bytes + 1023) / 1024);
}

static std::string Today()
{
    SYSTEMTIME now;
    char text[16];
    GetLocalTime(&now);
    snprintf(text, sizeof(text), "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return text;
}

// What inventory tools read, written by an installation and written again by an update.
TEST(QuietInstall, TheUninstallEntryCarriesWhatInventoryToolsRead)
{
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuiet("setup_quiet_default"));
    for (int pass = 0; pass < 2; pass++) {
        SCOPED_TRACE(pass ? "update" : "installation");
        EXPECT_EQ("Quorvane NEXFER Pro Uninstall", RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName"));
        EXPECT_EQ(NX_VERSION_TEXT, RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayVersion"));
        EXPECT_EQ("Quorvane Software", RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "Publisher"));
        EXPECT_EQ(DEFAULT_DEST, RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallLocation"));
        EXPECT_EQ(DEFAULT_DEST "\\nxf95pro.exe", RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayIcon"));
        // The folder holds nothing but the product's files after a fresh installation.
        EXPECT_EQ(FolderKb(DEFAULT_DEST), RegDword(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "EstimatedSize"));
        EXPECT_LT(100u, RegDword(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "EstimatedSize"));
        EXPECT_EQ(Today(), RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallDate"));
        EXPECT_EQ(1u, RegDword(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "NoModify"));
        EXPECT_EQ(1u, RegDword(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "NoRepair"));
        EXPECT_EQ(6u, RegDword(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "VersionMajor"));
        int found = 0;
        EXPECT_EQ(0u, RegDword(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "VersionMinor", &found));
        EXPECT_TRUE(found);
        RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "QuietUninstallString", &found);
        EXPECT_FALSE(found);
        if (pass == 1)
            break;
        // Stale values of an older release, and a product file of another size.
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_SET_VALUE | ProductRegistryView(), &key));
        RegSetValueExA(key, "InstallDate", 0, REG_SZ, (const BYTE *)"19990810", 9);
        RegDeleteValueA(key, "DisplayVersion");
        DWORD one = 1;
        RegSetValueExA(key, "EstimatedSize", 0, REG_DWORD, (const BYTE *)&one, sizeof(one));
        RegCloseKey(key);
        ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuiet("setup_quiet_default"));
    }
}

TEST(QuietInstall, ClassicOnlyWithoutTheBonusPack)
{
    ASSERT_EQ(0u, RunQuiet("setup_quiet_classic"));
    std::vector<std::string> files = FolderFiles(DEFAULT_DEST);
    EXPECT_TRUE(Contains(files, "nxf95pro.exe"));
    EXPECT_TRUE(Contains(files, "NEXFER.ini"));
    EXPECT_TRUE(Contains(files, "nxflink.exe"));
    EXPECT_FALSE(Contains(files, "nxfproex.dll"));
    EXPECT_FALSE(Contains(files, "nxfscrpt.exe"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_ICONLINK_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_EXPLORER_TEXT)));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, CLASS_KEY(CLSID_ICONLINK_TEXT)));
    std::vector<std::string> items = GroupItems("NEXFER Pro");
    EXPECT_TRUE(Contains(items, "NEXFER Pro"));
    EXPECT_FALSE(Contains(items, "NEXFER Find Utility"));
    EXPECT_TRUE(Contains(ReadLines(TempFolder() + "setup.log"), "nV=4 nM=15"));
    EXPECT_EQ("12", WinIni("INSTOPTS"));
}

TEST(QuietInstall, OptionsFileGivesFolderGroupPasswordAndIconPlace)
{
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuiet("setup_quiet_custom"));
    EXPECT_TRUE(FileExists("C:\\FTP Tools\\NEXFER\\nxf95pro.exe"));
    EXPECT_EQ("C:\\FTP Tools\\NEXFER", WinIni("DIR"));
    EXPECT_EQ("1", WinIni("SPFLAGS"));
    EXPECT_EQ("My FTP Tools", WinIni("GROUP"));
    EXPECT_FALSE(GroupItems("My FTP Tools").empty());
    EXPECT_FALSE(FileExists(GroupFolder("NEXFER Pro")));
    std::string uninstall = RegString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString");
    EXPECT_EQ(" -g My FTP Tools", uninstall.substr(uninstall.size() - 16));
    // DESKTOP=FALSE: both entries in My Computer.
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_EXPLORER_TEXT)));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("MyComputer", CLSID_ICONLINK_TEXT)));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, NAMESPACE_KEY("Desktop", CLSID_EXPLORER_TEXT)));
}

TEST(QuietInstall, AnEarlierFolderWinsOverTheOptionsFile)
{
    WriteProfileStringA("NEXFER", "DIR", "C:\\Earlier NX");
    ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuiet("setup_quiet_custom"));
    EXPECT_TRUE(FileExists("C:\\Earlier NX\\nxf95pro.exe"));
    EXPECT_FALSE(FileExists("C:\\FTP Tools\\NEXFER"));
    EXPECT_EQ("C:\\Earlier NX", WinIni("DEFDIR"));
}

TEST(QuietInstall, EmptyFolderInTheOptionsFileInstallsNothing)
{
    ASSERT_EQ((DWORD)ERROR_INSTALL_FAILURE, RunQuiet("setup_quiet_emptydir"));
    std::vector<std::string> log = ReadLines(TempFolder() + "setup.log");
    EXPECT_TRUE(Contains(log, "Failed to create DestDir \"\""));
    EXPECT_FALSE(Contains(log, "nV=12 nM=15"));
    EXPECT_EQ("<missing>", WinIni("DIR"));
    EXPECT_FALSE(FileExists(DEFAULT_DEST));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UNINSTALL_KEY));
}

TEST(QuietInstall, TheSourceFolderIsRefused)
{
    WriteProfileStringA("NEXFER", "DIR", TempFolder().c_str());
    ASSERT_EQ((DWORD)ERROR_INSTALL_FAILURE, RunQuiet("setup_quiet_default"));
    std::vector<std::string> log = ReadLines(TempFolder() + "setup.log");
    EXPECT_TRUE(Contains(log, ("SourceDir=DestDir \"" + TempFolder() + "\"").c_str()));
    EXPECT_FALSE(FileExists(TempFolder() + "nxf95pro.exe"));
    EXPECT_EQ("<missing>", WinIni("DEFDIR"));

    // Written without the trailing backslash it is not the same text, but it is still
    // the temporary folder, which is never a product folder.
    std::string bare = TempFolder().substr(0, TempFolder().size() - 1);
    WriteProfileStringA("NEXFER", "DIR", bare.c_str());
    ASSERT_EQ((DWORD)ERROR_INSTALL_FAILURE, RunQuiet("setup_quiet_default"));
    EXPECT_FALSE(FileExists(TempFolder() + "nxf95pro.exe"));
    EXPECT_EQ("<missing>", WinIni("DEFDIR"));
    EXPECT_TRUE(Contains(ReadLines(TempFolder() + "setup.log"), ("You cannot install to " + bare + ".").c_str()));
}

struct MailCase {
    const char *before;
    const char *after;
};

TEST(QuietInstall, MailPlaceholderIsBroughtUpToDate)
{
    const MailCase cases[] = {
        { "Guest@Unknown.example.net", "nexfer602@" },
        { "GUEST@UNKNOWN", "nexfer602@" },
        { "NEXFER602@", "NEXFER602@" },
        { "someone@example.org", "someone@example.org" },
        { "nexfer60@", "nexfer60@" },
    };
    // An existing NEXFER.ini is kept by a quiet run, so the address is the user's.
    CreateDirectoryA("C:\\Program Files\\NEXFER Pro", NULL);
    for (const MailCase &c : cases) {
        WriteFileText(DEFAULT_DEST "\\NEXFER.ini", std::string("[_config_]\r\nMAILADDR=") + c.before + "\r\n");
        ASSERT_EQ((DWORD)ERROR_SUCCESS_REBOOT_REQUIRED, RunQuiet("setup_quiet_default"));
        char value[128];
        GetPrivateProfileStringA("_config_", "MAILADDR", "", value, sizeof(value), DEFAULT_DEST "\\NEXFER.ini");
        EXPECT_STREQ(c.after, value) << c.before;
    }
}
