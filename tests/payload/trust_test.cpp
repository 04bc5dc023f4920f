// The access-list rule on descriptors written as SDDL, and the list of created folders.
#include <gtest/gtest.h>
#include <windows.h>
#include <sddl.h>
#include <string>
#include "harness/testutil.h"
#include "payload/trust.h"

#define TI "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

TEST(Trust, DescriptorsFromSddl)
{
    struct { const char *sddl; int place; int trusted; } cases[] = {
        // Program Files as Windows sets it up: users read and run; creator owner inherit-only.
        { "O:" TI "D:PAI(A;;FA;;;" TI ")(A;;0x1301bf;;;SY)(A;;0x1301bf;;;BA)(A;;0x1200a9;;;BU)"
          "(A;OICIIO;GA;;;CO)", TRUST_FOLDER, 1 },
        { "O:BAD:(A;;FA;;;SY)(A;;GRGX;;;BU)", TRUST_FILE, 1 },
        // A folder a user may add files to, or a file a user may write: generic rights count.
        { "O:BAD:(A;;FA;;;BA)(A;;0x100002;;;AU)", TRUST_FOLDER, 0 },
        { "O:BAD:(A;;FA;;;BA)(A;;GW;;;BU)", TRUST_FILE, 0 },
        { "O:BAD:(A;;FA;;;BA)(A;;0x120004;;;BU)", TRUST_FILE, 0 },
        { "O:BAD:(A;;FA;;;BA)(A;;WD;;;WD)", TRUST_ABOVE, 0 },
        { "O:BAD:(A;;FA;;;BA)(A;;SD;;;BU)", TRUST_ABOVE, 0 },
        // Above the folder only its own deletion and its lists count; at the root not even DELETE.
        { "O:BAD:(A;;FA;;;BA)(A;;0x100006;;;AU)", TRUST_ABOVE, 1 },
        { "O:SYD:(A;;FA;;;BA)(A;;0x110006;;;AU)", TRUST_ROOT, 1 },
        { "O:SYD:(A;;FA;;;BA)(A;;0x40;;;AU)", TRUST_ROOT, 0 },
        // A denial is not a grant; a grant after it still counts.
        { "O:BAD:(D;;FA;;;BU)(A;;FA;;;BA)", TRUST_FILE, 1 },
        { "O:BAD:(D;;FA;;;BU)(A;;GA;;;BU)", TRUST_FILE, 0 },
        // An owner that is not the system's, a NULL list, no list at all.
        { "O:BUD:(A;;FA;;;BA)", TRUST_FILE, 0 },
        { "O:S-1-5-21-1-2-3-1001D:(A;;FA;;;BA)", TRUST_FILE, 0 },
        { "O:BA", TRUST_FILE, 0 },
    };
    for (const auto &c : cases) {
        PSECURITY_DESCRIPTOR descriptor = NULL;
        SCOPED_TRACE(c.sddl);
        ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(c.sddl, SDDL_REVISION_1, &descriptor, NULL));
        EXPECT_EQ(c.trusted, IsTrustedDescriptor(descriptor, c.place));
        LocalFree(descriptor);
    }
    // A NULL access list lets everyone in.
    SECURITY_DESCRIPTOR open;
    PSID administrators = NULL;
    ASSERT_TRUE(ConvertStringSidToSidA("S-1-5-32-544", &administrators));
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorOwner(&open, administrators, FALSE);
    SetSecurityDescriptorDacl(&open, TRUE, NULL, FALSE);
    EXPECT_EQ(0, IsTrustedDescriptor(&open, TRUST_FILE));
    LocalFree(administrators);
}

TEST(Trust, CreatedFoldersGetTheProgramFilesList)
{
    PSECURITY_DESCRIPTOR descriptor = BuildFolderDescriptor();
    char *sddl = NULL;
    ASSERT_TRUE(descriptor != NULL);
    ASSERT_TRUE(ConvertSecurityDescriptorToStringSecurityDescriptorA(descriptor, SDDL_REVISION_1,
                                                                     DACL_SECURITY_INFORMATION, &sddl, NULL));
    EXPECT_STREQ("D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" TI ")(A;OICI;0x1200a9;;;BU)", sddl);
    LocalFree(sddl);
    LocalFree(descriptor);
}

// An earlier installation's folder is taken in only when nothing but the product's files
// is there: anything else could have been planted to run with this program's rights.
TEST(Trust, FoldersHoldingOnlyTheProductsFiles)
{
    struct { const char *names; int only; } cases[] = {
        { "nxfpro32.dll|nxf95pro.exe|NEXFER.ini|nxfpro32.hlp", 1 },
        { "NXFPRO32.DLL|nxfpro32.del|nxfpro32.new|nxfpro32.gid|session.log|~nxnew.tmp|sites.bak", 1 },
        { "nxfpro32.dll|version.dll", 0 },
        { "nxfpro32.dll|nxfpro32.dll.exe", 0 },
        { "helper.del", 0 },
        { "nxfpro32.dll|plugins\\", 0 },
        { "readme", 0 },
        { "", 1 },
    };
    std::string root = EnterTempFolder() + "\\only";
    for (const auto &c : cases) {
        SCOPED_TRACE(c.names);
        RemoveTree(root);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), NULL));
        std::string names = c.names;
        for (size_t start = 0; start < names.size();) {
            size_t end = names.find('|', start);
            std::string name = names.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (name.back() == '\\')
                CreateDirectoryA((root + "\\" + name).c_str(), NULL);
            else
                WriteFileText(root + "\\" + name, "x");
            start = end == std::string::npos ? names.size() : end + 1;
        }
        EXPECT_EQ(c.only, HoldsOnlyProductFiles(root.c_str()));
    }
    RemoveTree(root);
}
