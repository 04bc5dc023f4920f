// artcheck DIR: reads back what mkart wrote and checks each file's layout the way
// the setup program's loaders will read it (header fields, sizes, palette, mask).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

namespace {

const uint32_t kFileHeaderSize = 14;
const uint32_t kInfoHeaderSize = 40;
const uint32_t kPaletteBytes = 256 * 4;
const size_t kMinColours = 32; // a drawn picture, not a flat fill

int failures = 0;

void Expect(bool ok, const std::string &file, const char *what)
{
    if (!ok) {
        std::printf("FAIL %s: %s\n", file.c_str(), what);
        ++failures;
    }
}

uint32_t U16(const std::vector<uint8_t> &b, size_t at) { return at + 2 <= b.size() ? b[at] | b[at + 1] << 8 : 0; }
uint32_t U32(const std::vector<uint8_t> &b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

std::vector<uint8_t> ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void CheckBmp(const std::string &dir, const std::string &name, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> b = ReadAll(dir + "/" + name);
    uint32_t stride = (w + 3) & ~3u, offset = kFileHeaderSize + kInfoHeaderSize + kPaletteBytes;
    Expect(b.size() == offset + stride * h, name, "file size");
    if (b.size() != offset + stride * h)
        return;
    Expect(b[0] == 'B' && b[1] == 'M', name, "signature");
    Expect(U32(b, 2) == b.size(), name, "bfSize");
    Expect(U32(b, 10) == offset, name, "bfOffBits");
    Expect(U32(b, 14) == kInfoHeaderSize, name, "biSize (BITMAPINFOHEADER)");
    Expect(U32(b, 18) == w && U32(b, 22) == h, name, "dimensions (bottom-up)");
    Expect(U16(b, 26) == 1 && U16(b, 28) == 8, name, "planes and 8 bpp");
    Expect(U32(b, 30) == 0, name, "BI_RGB");
    Expect(U32(b, 46) == 256, name, "biClrUsed 256");
    std::set<uint32_t> colours;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x)
            colours.insert(U32(b, kFileHeaderSize + kInfoHeaderSize + 4 * b[offset + y * stride + x]) & 0xffffff);
    Expect(colours.size() >= kMinColours, name, "too few colours: not a drawn picture");
}

// One icon image: header, then alpha and mask must agree (mask bit set where transparent).
void CheckIconImage(const std::vector<uint8_t> &b, size_t at, uint32_t size, uint32_t w, const std::string &name)
{
    uint32_t maskStride = ((w + 31) / 32) * 4;
    bool fits = at + size <= b.size() && size == kInfoHeaderSize + w * w * 4 + maskStride * w;
    Expect(fits, name, "image size or offset");
    if (!fits)
        return;
    Expect(U32(b, at) == kInfoHeaderSize && U32(b, at + 4) == w && U32(b, at + 8) == 2 * w, name,
           "image header dimensions");
    Expect(U16(b, at + 14) == 32, name, "image is 32 bpp");
    size_t pixels = at + kInfoHeaderSize, mask = pixels + w * w * 4;
    int opaque = 0, clear = 0, mismatched = 0;
    for (uint32_t y = 0; y < w; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            bool transparent = b[pixels + 4 * (y * w + x) + 3] < 128;
            bool maskBit = b[mask + y * maskStride + x / 8] & (0x80 >> (x % 8));
            (transparent ? clear : opaque)++;
            mismatched += transparent != maskBit;
        }
    Expect(mismatched == 0, name, "AND mask disagrees with alpha");
    Expect(opaque > 0 && clear > 0, name, "icon has no shape on a transparent background");
}

void CheckIco(const std::string &dir, const std::string &name)
{
    std::vector<uint8_t> b = ReadAll(dir + "/" + name);
    Expect(b.size() > 6 + 2 * 16, name, "file too short");
    if (b.size() <= 6 + 2 * 16)
        return;
    Expect(U16(b, 0) == 0 && U16(b, 2) == 1 && U16(b, 4) == 2, name, "icon directory with 2 images");
    const uint32_t sizes[] = {32, 16};
    for (int i = 0; i < 2; ++i) {
        size_t e = 6 + 16 * i;
        Expect(b[e] == sizes[i] && b[e + 1] == sizes[i], name, "entry dimensions");
        Expect(U16(b, e + 6) == 32, name, "entry bit count");
        CheckIconImage(b, U32(b, e + 12), U32(b, e + 8), sizes[i], name);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: artcheck DIR\n");
        return 2;
    }
    CheckBmp(argv[1], "nx_bmp.bmp", 212, 112);
    CheckBmp(argv[1], "quorvane.bmp", 151, 118);
    CheckBmp(argv[1], "strip.bmp", 151, 236);
    CheckIco(argv[1], "app_main.ico");
    std::printf("%s\n", failures ? "artcheck: FAILED" : "artcheck: all files valid");
    return failures ? 1 : 0;
}
