// A clean installation environment for driver tests: a scratch destination, the
// temporary folder as source, and removal of every trace an installation leaves.
#ifndef NX_TEST_ENVIRONMENT_H
#define NX_TEST_ENVIRONMENT_H

#include <gtest/gtest.h>
#include <string>
#include "harness/testutil.h"

#define BASE_SERVER_KEY "CLSID\\{5E1F7A20-3C4B-4D8E-9A61-2B7C0D3E4A10}\\InProcServer32"
#define EXPLORER_CLASS_KEY "CLSID\\{5E1F7A20-3C4B-4D8E-9a61-2b7c0d3e4a01}"
#define ICONLINK_CLASS_KEY "CLSID\\{5E1F7A20-3C4B-4D8E-9a61-2b7c0d3e4a0a}"
#define NAMESPACE_KEY(place, clsid) \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\" place "\\Namespace\\" clsid
#define UNINSTALL_ENTRY "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NEXFERPro"

// Removes a program group through the service and from disk.
void RemoveGroup(const char *group);

class InstallEnvironment : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::string Dest(const char *name) const { return dest_.File(name); }
    ScratchFolder dest_;
    std::string temp_;   // the temporary folder with a trailing backslash
};

#endif
