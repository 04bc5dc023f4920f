// The window driver itself: clicks only what a user could click, answers boxes in turn,
// and a script that fails closes what the test thread shows instead of leaving it hanging.
// The failures these cases provoke are captured, so only a fault of the driver fails them.
#include <gtest/gtest.h>
#include <gtest/gtest-spi.h>
#include <stdexcept>
#include <string>
#include "harness/testutil.h"

static const char kCaption[] = "Harness probe";
static const int kNoSuchButton = 4242;

// What a message box shown on this thread under a driver came to, with every failure
// reported meanwhile (from any thread) captured.
struct Outcome {
    int result = 0;
    DWORD shownMs = 0;
    std::vector<std::string> failures;
    std::vector<bool> fatal;
};

template <typename Driver> static Outcome ShowUnder(Driver makeDriver, UINT type = MB_OKCANCEL)
{
    Outcome outcome;
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter capture(
            testing::ScopedFakeTestPartResultReporter::INTERCEPT_ALL_THREADS, &results);
        DWORD start = GetTickCount();
        UiDriver driver = makeDriver();
        outcome.result = MessageBoxA(NULL, "Shown by the harness test", kCaption, type);
        outcome.shownMs = GetTickCount() - start;
        driver.Finish();
    }
    for (int i = 0; i < results.size(); i++) {
        outcome.failures.push_back(results.GetTestPartResult(i).message());
        outcome.fatal.push_back(results.GetTestPartResult(i).fatally_failed());
    }
    return outcome;
}

TEST(UiDriver, FailedAssertionClosesTheBoxAndReportsTheStep)
{
    Outcome outcome = ShowUnder([] {
        return UiDriver([] {
            HWND box = WaitForDialog(kCaption);
            ASSERT_TRUE(box != NULL);
            ASSERT_EQ(1, Click(box, kNoSuchButton)) << "the step that fails";
            ADD_FAILURE() << "the script went on after its failed assertion";
        });
    });
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_LT(outcome.shownMs, 3000u);
    ASSERT_EQ(2u, outcome.failures.size());
    EXPECT_TRUE(outcome.fatal[0]);
    EXPECT_NE(std::string::npos, outcome.failures[0].find("the step that fails")) << outcome.failures[0];
    EXPECT_NE(std::string::npos, outcome.failures[1].find("every dialog of this process is closed"));
    EXPECT_EQ(NULL, FindDialog(GetCurrentProcessId(), kCaption, 0));
}

TEST(UiDriver, ExceptionClosesTheBoxAndIsReported)
{
    Outcome outcome = ShowUnder([] {
        return UiDriver([] {
            WaitForDialog(kCaption);
            throw std::runtime_error("probe exception");
        });
    });
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_LT(outcome.shownMs, 3000u);
    ASSERT_EQ(2u, outcome.failures.size());
    EXPECT_NE(std::string::npos, outcome.failures[0].find("probe exception")) << outcome.failures[0];
}

TEST(UiDriver, BoxLeftOpenByAPassingScriptFailsAfterFiveSeconds)
{
    Outcome outcome = ShowUnder([] { return UiDriver([] { EXPECT_TRUE(WaitForDialog(kCaption) != NULL); }); });
    EXPECT_EQ(IDCANCEL, outcome.result);
    EXPECT_GE(outcome.shownMs, 5000u);
    EXPECT_LT(outcome.shownMs, 8000u);
    ASSERT_EQ(1u, outcome.failures.size());
    EXPECT_NE(std::string::npos, outcome.failures[0].find("\"Harness probe\" was still open 5 s after"))
        << outcome.failures[0];
}

TEST(UiDriver, NonFatalFailuresAreReportedAndTheScriptGoesOn)
{
    Outcome outcome = ShowUnder([] {
        return UiDriver([] {
            HWND box = WaitForDialog(kCaption);
            EXPECT_EQ("another text", MessageBoxText(box));
            EXPECT_EQ(1, Click(box, IDOK));
        });
    });
    EXPECT_EQ(IDOK, outcome.result);
    ASSERT_EQ(1u, outcome.failures.size());
    EXPECT_FALSE(outcome.fatal[0]);
    EXPECT_NE(std::string::npos, outcome.failures[0].find("Shown by the harness test"));
}

TEST(UiDriver, AnsweringDriverTakesEachBoxInTurn)
{
    std::vector<int> numbers;
    UiDriver driver(kCaption, [&numbers](HWND box, int n) {
        numbers.push_back(n);
        Click(box, n == 0 ? IDCANCEL : IDOK);
    });
    EXPECT_EQ(IDCANCEL, MessageBoxA(NULL, "first", kCaption, MB_OKCANCEL));
    EXPECT_EQ(IDOK, MessageBoxA(NULL, "second", kCaption, MB_OKCANCEL));
    driver.Finish();
    EXPECT_EQ(2, driver.Answered());
    EXPECT_EQ((std::vector<int>{ 0, 1 }), numbers);
}

// Click leaves a hidden or disabled button alone; a message box's unused buttons are hidden.
TEST(Click, OnlyVisibleEnabledButtons)
{
    int clicks[3] = { -1, -1, -1 };
    bool stayed = false;
    UiDriver driver([&] {
        HWND box = WaitForDialog(kCaption);
        ASSERT_TRUE(box != NULL);
        clicks[0] = Click(box, IDNO);
        EnableWindow(GetDlgItem(box, IDCANCEL), FALSE);
        clicks[1] = Click(box, IDCANCEL);
        Sleep(300);
        stayed = IsWindowVisible(box) != 0;
        clicks[2] = Click(box, IDOK);
    });
    EXPECT_EQ(IDOK, MessageBoxA(NULL, "Click", kCaption, MB_OKCANCEL));
    driver.Finish();
    EXPECT_EQ(0, clicks[0]);
    EXPECT_EQ(0, clicks[1]);
    EXPECT_TRUE(stayed);
    EXPECT_EQ(1, clicks[2]);
}
