// artcheck DIR: reads back what mkart wrote and checks each file's layout the way
// the setup program's loaders will read it (header fields, sizes, palette, RLE8 data, mask).
#include <algorithm>
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

// The plain copy: the layout checks, then its pixel indices, top row last as stored.
std::vector<uint8_t> CheckPlainBmp(const std::string &dir, const std::string &name, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> b = ReadAll(dir + "/plain/" + name), pixels;
    uint32_t stride = (w + 3) & ~3u, offset = kFileHeaderSize + kInfoHeaderSize + kPaletteBytes;
    Expect(b.size() == offset + stride * h, "plain/" + name, "file size");
    if (b.size() != offset + stride * h)
        return pixels;
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
        for (uint32_t x = 0; x < w; ++x) {
            pixels.push_back(b[offset + y * stride + x]);
            colours.insert(U32(b, kFileHeaderSize + kInfoHeaderSize + 4 * pixels.back()) & 0xffffff);
        }
    Expect(colours.size() >= kMinColours, name, "too few colours: not a drawn picture");
    return pixels;
}

// Decodes BI_RLE8 data the strict way: every row ends with an end of line holding exactly w
// pixels, the last with the end of bitmap; no deltas. 1 when the data is well formed.
int DecodeRle8(const std::vector<uint8_t> &b, size_t at, uint32_t w, uint32_t h, std::vector<uint8_t> *pixels)
{
    std::vector<uint8_t> row;
    while (at + 2 <= b.size()) {
        uint8_t count = b[at], value = b[at + 1];
        at += 2;
        if (count > 0) {
            row.insert(row.end(), count, value);
        } else if (value >= 3) {
            if (at + value > b.size())
                return 0;
            row.insert(row.end(), b.begin() + at, b.begin() + at + value);
            at += value + (value & 1);
        } else if (value == 2 || row.size() != w) {
            return 0;
        } else {
            pixels->insert(pixels->end(), row.begin(), row.end());
            row.clear();
            if (value == 1)
                return at == b.size() && pixels->size() == (size_t)w * h;
        }
    }
    return 0;
}

// The shipped copy: the same header and palette as the plain one, RLE8 pixels that decode
// to exactly the plain copy's pixels.
void CheckBmp(const std::string &dir, const std::string &name, uint32_t w, uint32_t h)
{
    std::vector<uint8_t> plain = CheckPlainBmp(dir, name, w, h);
    std::vector<uint8_t> b = ReadAll(dir + "/" + name), decoded;
    uint32_t offset = kFileHeaderSize + kInfoHeaderSize + kPaletteBytes;
    Expect(b.size() > offset, name, "file size");
    if (b.size() <= offset || plain.empty())
        return;
    std::vector<uint8_t> p = ReadAll(dir + "/plain/" + name);
    Expect(b[0] == 'B' && b[1] == 'M' && U32(b, 2) == b.size() && U32(b, 10) == offset, name, "file header");
    Expect(U32(b, 14) == kInfoHeaderSize && U32(b, 18) == w && U32(b, 22) == h, name, "dimensions (bottom-up)");
    Expect(U16(b, 26) == 1 && U16(b, 28) == 8, name, "planes and 8 bpp");
    Expect(U32(b, 30) == 1, name, "BI_RLE8");
    Expect(U32(b, 34) == b.size() - offset, name, "biSizeImage is the compressed size");
    Expect(std::equal(b.begin() + 38, b.begin() + offset, p.begin() + 38), name, "palette and resolution as plain");
    Expect(DecodeRle8(b, offset, w, h, &decoded), name, "RLE8 data malformed");
    Expect(decoded == plain, name, "RLE8 pixels differ from the plain copy");
    Expect(b.size() < p.size(), name, "RLE8 copy not smaller than the plain one");
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

// Eight images, 16 to 64 pixels as 32 bpp bitmaps, 256 as a PNG of that size.
void CheckIco(const std::string &dir, const std::string &name)
{
    const uint32_t sizes[] = {16, 20, 24, 32, 40, 48, 64, 256};
    const int count = sizeof(sizes) / sizeof(sizes[0]);
    std::vector<uint8_t> b = ReadAll(dir + "/" + name);
    Expect(b.size() > 6 + count * 16, name, "file too short");
    if (b.size() <= 6 + count * 16)
        return;
    Expect(U16(b, 0) == 0 && U16(b, 2) == 1 && U16(b, 4) == count, name, "icon directory with 8 images");
    for (int i = 0; i < count; ++i) {
        size_t e = 6 + 16 * i, at = U32(b, e + 12);
        Expect(b[e] == (sizes[i] & 0xff) && b[e + 1] == (sizes[i] & 0xff), name, "entry dimensions");
        Expect(U16(b, e + 6) == 32, name, "entry bit count");
        if (sizes[i] < 256) {
            CheckIconImage(b, at, U32(b, e + 8), sizes[i], name);
            continue;
        }
        static const uint8_t png[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
        bool fits = at + 24 <= b.size() && at + U32(b, e + 8) <= b.size();
        Expect(fits && std::equal(png, png + sizeof(png), b.begin() + at), name, "256-pixel image is a PNG");
        Expect(fits && b[at + 18] == 1 && b[at + 19] == 0 && b[at + 22] == 1 && b[at + 23] == 0, name,
               "PNG is 256 by 256");
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
    CheckBmp(argv[1], "nx_bmp_250.bmp", 530, 280);
    CheckBmp(argv[1], "quorvane.bmp", 151, 118);
    CheckBmp(argv[1], "quorvane_250.bmp", 378, 295);
    CheckBmp(argv[1], "strip.bmp", 151, 236);
    CheckBmp(argv[1], "strip_200.bmp", 302, 472);
    CheckBmp(argv[1], "strip_250.bmp", 378, 590);
    CheckIco(argv[1], "app_main.ico");
    std::printf("%s\n", failures ? "artcheck: FAILED" : "artcheck: all files valid");
    return failures ? 1 : 0;
}
