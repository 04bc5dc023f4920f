// Start-up: window geometry, Windows family, centring, the message pump.
#include <gtest/gtest.h>
#include "harness/testutil.h"
#include "session/session.h"
#include "session/startup.h"

struct GeometryCase {
    int right, bottom;
    int x, y, width, height;
};

TEST(Startup, MainWindowGeometryFollowsTheDesktop)
{
    const GeometryCase cases[] = {
        { 640, 480, 20, 40, 600, 400 },
        { 800, 600, 80, 60, 640, 480 },
        { 1024, 768, 104, 78, 816, 612 },
        { 1280, 1024, 128, 104, 1024, 816 },
        { 500, 300, -50, -50, 600, 400 },
    };
    for (const GeometryCase &c : cases) {
        RECT desktop = { 0, 0, c.right, c.bottom }, out;
        ComputeMainWindowRect(&desktop, &out);
        EXPECT_EQ(c.x, out.left) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.y, out.top) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.width, out.right) << c.right << "x" << c.bottom;
        EXPECT_EQ(c.height, out.bottom) << c.right << "x" << c.bottom;
    }
}

struct FamilyCase {
    const char *os;
    int major, minor, explore;
    int isNT, allowed, proposed;
};

TEST(Startup, WindowsFamilyDetection)
{
    const FamilyCase cases[] = {
        { "Windows_NT", 4, 0, 1, 1, 15, 12 },
        { "Windows_NT", 3, 51, 0, 1, 15, 4 },
        { "Windows_NT", 3, 10, 1, 1, 15, 12 },
        { "nt", 4, 10, 1, 0, 15, 12 },       // letter case matters
        { "nt", 3, 10, 1, 0, 3, 1 },
        { nullptr, 4, 0, 0, 0, 15, 4 },       // Windows 95 with EXPLORER=FALSE
        { nullptr, 4, 10, 1, 0, 15, 12 },
        { nullptr, 3, 95, 1, 0, 15, 12 },     // a 3.95 report counts as Windows 95
        { nullptr, 3, 50, 1, 0, 15, 12 },
        { nullptr, 3, 49, 1, 0, 3, 1 },       // older Windows
        { nullptr, 3, 10, 0, 0, 3, 1 },
    };
    for (const FamilyCase &c : cases) {
        int isNT = -1, allowed = -1, proposed = -1;
        DetectWindowsFamily(c.os, c.major, c.minor, c.explore, &isNT, &allowed, &proposed);
        SCOPED_TRACE(testing::Message() << (c.os ? c.os : "(none)") << " " << c.major << "." << c.minor);
        EXPECT_EQ(c.isNT, isNT);
        EXPECT_EQ(c.allowed, allowed);
        EXPECT_EQ(c.proposed, proposed);
    }
}

TEST(Startup, CentreOnScreenKeepsTheSizeAndNeverGoesNegative)
{
    RECT desktop, after;
    GetWindowRect(GetDesktopWindow(), &desktop);
    int dw = desktop.right - desktop.left, dh = desktop.bottom - desktop.top;

    HWND small = CreateWindowExA(0, "STATIC", "small", WS_POPUP, 3, 5, 200, 100, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(small != NULL);
    CentreOnScreen(small, 0);
    GetWindowRect(small, &after);
    EXPECT_EQ(dw / 2 - 100, after.left);
    EXPECT_EQ(dh / 2 - 50, after.top);
    EXPECT_EQ(200, after.right - after.left);
    EXPECT_EQ(100, after.bottom - after.top);

    CentreOnScreen(small, 7);
    GetWindowRect(small, &after);
    EXPECT_EQ(dh / 2 - 50 + 7, after.top);
    DestroyWindow(small);

    HWND large = CreateWindowExA(0, "STATIC", "large", WS_POPUP, 3, 5, dw + 300, dh + 200, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(large != NULL);
    CentreOnScreen(large, 0);
    GetWindowRect(large, &after);
    EXPECT_EQ(0, after.left);
    EXPECT_EQ(0, after.top);
    EXPECT_EQ(dw + 300, after.right - after.left);
    DestroyWindow(large);
}

static int s_timerMessages;

static LRESULT CALLBACK CountingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_USER + 1)
        s_timerMessages++;
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(Startup, PumpMessagesDispatchesEveryWaitingMessageAndSurvivesQuit)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = CountingProc;
    wc.hInstance = GetModuleHandleA(NULL);
    wc.lpszClassName = "NxPumpTest";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, "NxPumpTest", "", WS_POPUP, 0, 0, 1, 1, NULL, NULL, NULL, NULL);
    ASSERT_TRUE(window != NULL);

    s_timerMessages = 0;
    PostMessageA(window, WM_USER + 1, 0, 0);
    PostQuitMessage(0);
    PostMessageA(window, WM_USER + 1, 0, 0);
    EXPECT_EQ(1, PumpMessages());
    EXPECT_EQ(2, s_timerMessages);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE));
    DestroyWindow(window);
}

TEST(Startup, TempFolderHasNoTrailingSeparator)
{
    char folder[256];
    ASSERT_EQ(1, GetTempFolder(folder, sizeof(folder)));
    size_t len = strlen(folder);
    ASSERT_GT(len, 0u);
    EXPECT_NE('\\', folder[len - 1]);
    EXPECT_NE('/', folder[len - 1]);
    char reported[256];
    GetTempPathA(sizeof(reported), reported);
    EXPECT_EQ(std::string(reported), std::string(folder) + "\\");
}
