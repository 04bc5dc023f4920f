// Test entry point: every test starts with a clean session record and component status.
#include <gtest/gtest.h>
#include "drivers/components.h"
#include "session/session.h"

namespace {
class ResetSession : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo &) override
    {
        ResetSessionState();
        ResetComponentStatus();
    }
};
}

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new ResetSession);
    return RUN_ALL_TESTS();
}
