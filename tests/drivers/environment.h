// A clean installation environment for driver tests: a scratch destination, the
// temporary folder as source, and removal of every trace an installation leaves.
#ifndef NX_TEST_ENVIRONMENT_H
#define NX_TEST_ENVIRONMENT_H

#include <gtest/gtest.h>
#include <string>
#include "harness/testutil.h"

#include "registration/com.h"
#include "registration/record.h"

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
