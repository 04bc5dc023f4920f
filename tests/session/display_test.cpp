// The choices behind the program's look on any display: which carried picture to show,
// what the pictures become at a DPI, and the colours under high contrast.
#include <gtest/gtest.h>
#include "session/display.h"
#include "session/mainwnd.h"
#include "session/session.h"

TEST(Display, CarriedPictureIsTheExactOrNextLarger)
{
    const int heights[] = { 236, 472, 590 };
    const struct {
        int wanted, index;
    } cases[] = {
        { 100, 0 }, { 236, 0 }, { 240, 0 },   // within a thirty-second: the 100 % one as it is
        { 250, 1 }, { 354, 1 }, { 472, 1 },   // 150 %: the 200 % one, scaled down
        { 473, 1 }, { 500, 2 }, { 590, 2 },
        { 600, 2 }, { 900, 2 },               // beyond the largest: the largest, never enlarged
    };
    for (const auto &c : cases)
        EXPECT_EQ(c.index, PickCarriedPicture(heights, 3, c.wanted)) << c.wanted;
}

TEST(Display, PicturesAtEachDpiFillTheirScaledSize)
{
    const struct {
        int picture, width, height;
    } base[] = { { PICTURE_PRODUCT, 212, 112 }, { PICTURE_MAKER, 151, 118 }, { PICTURE_STRIP, 151, 236 } };
    for (const auto &b : base) {
        for (int dpi : { 96, 120, 144, 168, 192, 240 }) {
            HBITMAP picture = LoadPictureForDpi(b.picture, dpi);
            BITMAP info = {};
            ASSERT_TRUE(picture != NULL) << b.picture << " at " << dpi;
            GetObjectA(picture, sizeof(info), &info);
            // Halftoning may lose a pixel to rounding; more would be a picture too small.
            EXPECT_NEAR(MulDiv(b.height, dpi, 96), info.bmHeight, 1) << b.picture << " at " << dpi;
            EXPECT_NEAR(MulDiv(b.width, dpi, 96), info.bmWidth, 2) << b.picture << " at " << dpi;
            DeleteObject(picture);
        }
    }
}

TEST(Display, HighContrastTakesTheSystemColours)
{
    COLORREF back, text;
    PickBackgroundColours(0, RGB(1, 2, 3), RGB(4, 5, 6), &back, &text);
    EXPECT_EQ(RGB(0, 128, 128), back);
    EXPECT_EQ(RGB(255, 255, 255), text);
    PickBackgroundColours(1, RGB(1, 2, 3), RGB(4, 5, 6), &back, &text);
    EXPECT_EQ(RGB(1, 2, 3), back);
    EXPECT_EQ(RGB(4, 5, 6), text);
}

// Windows moved to a monitor of another DPI take the rectangle Windows suggests (Wine
// never sends the message: the test does).
TEST(Display, DpiChangeTakesTheSuggestedRectangle)
{
    ASSERT_TRUE(RegisterMainClass(g_hInst, NULL) || GetLastError() == ERROR_CLASS_ALREADY_EXISTS);
    HWND window = CreateWindowExA(0, MAIN_CLASS_NAME, "background", WS_CAPTION | WS_SYSMENU | WS_VISIBLE,
                                  0, 0, 400, 300, NULL, NULL, g_hInst, NULL);
    ASSERT_TRUE(window != NULL);
    RECT suggested = { 30, 20, 830, 620 }, now;
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(192, 192), (LPARAM)&suggested);
    GetWindowRect(window, &now);
    EXPECT_TRUE(EqualRect(&suggested, &now)) << now.left << "," << now.top << "," << now.right << "," << now.bottom;
    SendMessageA(window, WM_CLOSE, 0, 0);
}
