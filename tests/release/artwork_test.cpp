// The bitmaps carried RLE8-compressed in the built setup program draw exactly as the
// uncompressed copies the artwork tool writes beside them.
#include <gtest/gtest.h>
#include <windows.h>
#include <set>
#include <string>
#include <vector>
#include "resource.h"

static const char kSetup[] = NX_TEST_SETUP_EXE;
static const size_t kMinColours = 32;

// Pixels of a bitmap as 32 bpp, top row first; empty when they cannot be read.
static std::vector<DWORD> Pixels(HBITMAP bitmap, BITMAP *info)
{
    std::vector<DWORD> pixels;
    if (!GetObjectA(bitmap, sizeof(*info), info))
        return pixels;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = info->bmWidth;
    format.bmiHeader.biHeight = -info->bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    pixels.resize((size_t)info->bmWidth * info->bmHeight);
    HDC screen = GetDC(NULL);
    int rows = GetDIBits(screen, bitmap, 0, info->bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(NULL, screen);
    if (rows != info->bmHeight)
        pixels.clear();
    return pixels;
}

// Compression named in the header of a bitmap resource; -1 when it is not there.
static long StoredCompression(HMODULE module, const char *name)
{
    HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(2));
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const BITMAPINFOHEADER *header = loaded ? (const BITMAPINFOHEADER *)LockResource(loaded) : NULL;
    return header ? (long)header->biCompression : -1;
}

TEST(Artwork, CompressedBitmapsDrawAsTheirPlainCopies)
{
    static const struct {
        const char *resource;
        const char *file;
    } bitmaps[] = {
        { "NX_BMP", "nx_bmp.bmp" },
        { "QUORVANE", "quorvane.bmp" },
        { MAKEINTRESOURCEA(IDB_PICTURE_STRIP), "strip.bmp" },
        { MAKEINTRESOURCEA(IDB_STRIP_200), "strip_200.bmp" },
        { MAKEINTRESOURCEA(IDB_STRIP_250), "strip_250.bmp" },
        { MAKEINTRESOURCEA(IDB_PRODUCT_250), "nx_bmp_250.bmp" },
        { MAKEINTRESOURCEA(IDB_MAKER_250), "quorvane_250.bmp" },
    };
    HMODULE setup = LoadLibraryExA(kSetup, NULL, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(setup != NULL) << kSetup << ": error " << GetLastError();
    for (const auto &b : bitmaps) {
        std::string plainPath = std::string(NX_TEST_PLAIN_ART_DIR) + "/" + b.file;
        EXPECT_EQ((long)BI_RLE8, StoredCompression(setup, b.resource)) << b.file;
        HBITMAP shipped = LoadBitmapA(setup, b.resource);
        HBITMAP plain = (HBITMAP)LoadImageA(NULL, plainPath.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE);
        BITMAP shippedInfo = {}, plainInfo = {};
        std::vector<DWORD> shippedPixels = Pixels(shipped, &shippedInfo);
        std::vector<DWORD> plainPixels = Pixels(plain, &plainInfo);
        EXPECT_FALSE(shippedPixels.empty()) << b.file << ": the program's copy did not load";
        EXPECT_FALSE(plainPixels.empty()) << plainPath << " did not load";
        EXPECT_EQ(plainInfo.bmWidth, shippedInfo.bmWidth) << b.file;
        EXPECT_EQ(plainInfo.bmHeight, shippedInfo.bmHeight) << b.file;
        size_t differing = 0;
        for (size_t i = 0; i < shippedPixels.size() && i < plainPixels.size(); ++i)
            differing += shippedPixels[i] != plainPixels[i];
        EXPECT_EQ(0u, differing) << b.file << ": pixels that differ";
        std::set<DWORD> colours(shippedPixels.begin(), shippedPixels.end());
        EXPECT_GE(colours.size(), kMinColours) << b.file << ": not a drawn picture";
        DeleteObject(shipped);
        DeleteObject(plain);
    }
    FreeLibrary(setup);
}
