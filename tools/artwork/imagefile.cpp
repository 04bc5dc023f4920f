// Quantiser and encoders for the picture files mkart writes.
#include "imagefile.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include <zlib.h>

namespace art {

namespace {

const int kFileHeaderSize = 14;
const int kInfoHeaderSize = 40;
const int kPaletteEntries = 256;
const int kPelsPerMeter = 2835; // 72 dpi
const uint32_t kBiRgb = 0, kBiRle8 = 1;
const int kMaxRun = 255;
const int kMinLiteral = 3; // absolute mode: shorter stretches go out as runs of one

struct Entry {
    uint32_t rgb;
    uint32_t count;
};

int Channel(uint32_t rgb, int c) { return (rgb >> (16 - 8 * c)) & 0xff; }

uint8_t ToByte(double v) { return static_cast<uint8_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); }

uint32_t Opaque(const Rgba &p)
{
    return uint32_t(ToByte(p.r * p.a)) << 16 | uint32_t(ToByte(p.g * p.a)) << 8 | ToByte(p.b * p.a);
}

// Channel with the widest spread in a box, and that spread.
int WidestChannel(const std::vector<Entry> &box, int *spread)
{
    int best = 0;
    *spread = -1;
    for (int c = 0; c < 3; ++c) {
        int lo = 255, hi = 0;
        for (const Entry &e : box) {
            lo = std::min(lo, Channel(e.rgb, c));
            hi = std::max(hi, Channel(e.rgb, c));
        }
        if (hi - lo > *spread) {
            *spread = hi - lo;
            best = c;
        }
    }
    return best;
}

uint64_t Population(const std::vector<Entry> &box)
{
    uint64_t n = 0;
    for (const Entry &e : box)
        n += e.count;
    return n;
}

// Splits the box at the pixel-weighted median of its widest channel.
void SplitBox(std::vector<Entry> &box, std::vector<Entry> *upper)
{
    int spread;
    int c = WidestChannel(box, &spread);
    std::sort(box.begin(), box.end(), [c](const Entry &a, const Entry &b) {
        return Channel(a.rgb, c) != Channel(b.rgb, c) ? Channel(a.rgb, c) < Channel(b.rgb, c) : a.rgb < b.rgb;
    });
    uint64_t half = Population(box) / 2, seen = 0;
    size_t cut = 1;
    for (; cut < box.size() - 1; ++cut) {
        seen += box[cut - 1].count;
        if (seen >= half)
            break;
    }
    upper->assign(box.begin() + cut, box.end());
    box.resize(cut);
}

uint32_t MeanColour(const std::vector<Entry> &box)
{
    double sum[3] = {0, 0, 0};
    uint64_t n = Population(box);
    for (const Entry &e : box)
        for (int c = 0; c < 3; ++c)
            sum[c] += double(Channel(e.rgb, c)) * e.count;
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c)
        rgb = rgb << 8 | uint32_t(std::lround(sum[c] / n));
    return rgb;
}

std::vector<uint32_t> MedianCut(std::vector<Entry> colours, int maxColours)
{
    std::vector<std::vector<Entry>> boxes{std::move(colours)};
    while (static_cast<int>(boxes.size()) < maxColours) {
        size_t pick = boxes.size();
        double bestScore = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            int spread;
            WidestChannel(boxes[i], &spread);
            double score = boxes[i].size() > 1 ? spread * std::sqrt(double(Population(boxes[i]))) : 0;
            if (score > bestScore) {
                bestScore = score;
                pick = i;
            }
        }
        if (pick == boxes.size())
            break;
        std::vector<Entry> upper;
        SplitBox(boxes[pick], &upper);
        boxes.push_back(std::move(upper));
    }
    std::vector<uint32_t> palette;
    for (const auto &box : boxes)
        palette.push_back(MeanColour(box));
    return palette;
}

uint8_t Nearest(const std::vector<uint32_t> &palette, uint32_t rgb)
{
    size_t best = 0;
    long bestDist = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        long d = 0;
        for (int c = 0; c < 3; ++c) {
            long k = Channel(palette[i], c) - Channel(rgb, c);
            d += k * k;
        }
        if (bestDist < 0 || d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return static_cast<uint8_t>(best);
}

void Put16(std::vector<uint8_t> &out, uint32_t v)
{
    out.push_back(v & 0xff);
    out.push_back((v >> 8) & 0xff);
}

void Put32(std::vector<uint8_t> &out, uint32_t v)
{
    Put16(out, v & 0xffff);
    Put16(out, v >> 16);
}

void PutBig32(std::vector<uint8_t> &out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void PutInfoHeader(std::vector<uint8_t> &out, int w, int h, int bpp, uint32_t compression, uint32_t imageSize,
                   uint32_t clrUsed)
{
    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<uint32_t>(w));
    Put32(out, static_cast<uint32_t>(h)); // positive: bottom-up
    Put16(out, 1);                        // planes
    Put16(out, static_cast<uint32_t>(bpp));
    Put32(out, compression);
    Put32(out, imageSize);
    Put32(out, kPelsPerMeter);
    Put32(out, kPelsPerMeter);
    Put32(out, clrUsed);
    Put32(out, 0); // all colours important
}

// Length of the stretch from x that absolute mode should carry: up to the next run of three.
int LiteralLength(const uint8_t *row, int x, int width)
{
    int k = x;
    while (k < width && k - x < kMaxRun) {
        if (k + 2 < width && row[k] == row[k + 1] && row[k] == row[k + 2])
            break;
        ++k;
    }
    return k - x;
}

// One row in BI_RLE8: runs as (count, index), other stretches in absolute mode (0, count,
// indices, padded to a word), then end of line, or end of bitmap after the last row.
void EncodeRle8Row(const uint8_t *row, int width, bool last, std::vector<uint8_t> &out)
{
    int x = 0;
    while (x < width) {
        int run = 1;
        while (x + run < width && run < kMaxRun && row[x + run] == row[x])
            ++run;
        int literal = run >= 2 ? 0 : LiteralLength(row, x, width);
        if (literal < kMinLiteral) {
            out.push_back(static_cast<uint8_t>(run));
            out.push_back(row[x]);
            x += run;
            continue;
        }
        out.push_back(0);
        out.push_back(static_cast<uint8_t>(literal));
        out.insert(out.end(), row + x, row + x + literal);
        if (literal & 1)
            out.push_back(0);
        x += literal;
    }
    out.push_back(0);
    out.push_back(last ? 1 : 0);
}

} // namespace

IndexedImage Quantise(const Canvas &canvas, int maxColours)
{
    IndexedImage img;
    img.width = canvas.PixelWidth();
    img.height = canvas.PixelHeight();
    std::map<uint32_t, uint32_t> histogram;
    std::vector<uint32_t> rgb;
    for (int y = 0; y < img.height; ++y)
        for (int x = 0; x < img.width; ++x) {
            rgb.push_back(Opaque(canvas.At(x, y)));
            ++histogram[rgb.back()];
        }
    std::vector<Entry> colours;
    for (const auto &h : histogram)
        colours.push_back({h.first, h.second});
    img.palette = MedianCut(colours, maxColours);
    std::map<uint32_t, uint8_t> lookup;
    for (const auto &h : histogram)
        lookup[h.first] = Nearest(img.palette, h.first);
    for (uint32_t c : rgb)
        img.index.push_back(lookup[c]);
    return img;
}

std::vector<uint8_t> EncodeBmp8(const IndexedImage &image, bool rle)
{
    uint32_t stride = (image.width + 3) & ~3u;
    std::vector<uint8_t> pixels;
    for (int y = image.height - 1; y >= 0; --y) {
        const uint8_t *row = &image.index[static_cast<size_t>(y) * image.width];
        if (rle) {
            EncodeRle8Row(row, image.width, y == 0, pixels);
            continue;
        }
        pixels.insert(pixels.end(), row, row + image.width);
        pixels.resize(pixels.size() + (stride - image.width), 0);
    }
    uint32_t imageSize = static_cast<uint32_t>(pixels.size());
    uint32_t offset = kFileHeaderSize + kInfoHeaderSize + kPaletteEntries * 4;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offset + imageSize);
    Put32(out, 0); // reserved
    Put32(out, offset);
    PutInfoHeader(out, image.width, image.height, 8, rle ? kBiRle8 : kBiRgb, imageSize, kPaletteEntries);
    for (int i = 0; i < kPaletteEntries; ++i) {
        uint32_t c = i < static_cast<int>(image.palette.size()) ? image.palette[i] : 0;
        Put32(out, c & 0xffffff); // B, G, R, reserved 0
    }
    out.insert(out.end(), pixels.begin(), pixels.end());
    return out;
}

namespace {

// Each row of RGBA bytes with the PNG filter (none, sub, up, average, Paeth) whose
// output has the smallest sum of magnitudes: what deflate packs best.
void FilterRow(const std::vector<uint8_t> &row, const std::vector<uint8_t> &above, std::vector<uint8_t> &out)
{
    std::vector<uint8_t> best, trial(row.size());
    long bestSum = -1;
    for (int type = 0; type < 5; ++type) {
        long sum = 0;
        for (size_t i = 0; i < row.size(); ++i) {
            int a = i >= 4 ? row[i - 4] : 0, b = above[i], c = i >= 4 ? above[i - 4] : 0;
            int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            int predictor[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : (pb <= pc ? b : c)};
            trial[i] = static_cast<uint8_t>(row[i] - predictor[type]);
            sum += trial[i] < 128 ? trial[i] : 256 - trial[i];
        }
        if (bestSum < 0 || sum < bestSum) {
            bestSum = sum;
            best = trial;
            best.insert(best.begin(), static_cast<uint8_t>(type));
        }
    }
    out.insert(out.end(), best.begin(), best.end());
}

} // namespace

std::vector<uint8_t> EncodePng(const Canvas &c)
{
    int w = c.PixelWidth(), h = c.PixelHeight();
    std::vector<uint8_t> raw, above(static_cast<size_t>(w) * 4, 0), row;
    for (int y = 0; y < h; ++y) {
        row.clear();
        for (int x = 0; x < w; ++x) {
            const Rgba &p = c.At(x, y);
            row.insert(row.end(), {ToByte(p.r), ToByte(p.g), ToByte(p.b), ToByte(p.a)});
        }
        FilterRow(row, above, raw);
        above = row;
    }
    uLongf packedSize = compressBound(raw.size());
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), raw.size(), 9) != Z_OK)
        return {};
    packed.resize(packedSize);
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    auto chunk = [&out](const char *type, const std::vector<uint8_t> &body) {
        PutBig32(out, static_cast<uint32_t>(body.size()));
        size_t start = out.size();
        out.insert(out.end(), type, type + 4);
        out.insert(out.end(), body.begin(), body.end());
        PutBig32(out, static_cast<uint32_t>(crc32(0, out.data() + start, static_cast<uInt>(out.size() - start))));
    };
    std::vector<uint8_t> header;
    PutBig32(header, w);
    PutBig32(header, h);
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, deflate, no interlace
    chunk("IHDR", header);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return out;
}

std::vector<uint8_t> EncodeIco(const std::vector<const Canvas *> &images)
{
    std::vector<uint8_t> dir, data;
    Put16(dir, 0); // reserved
    Put16(dir, 1); // icon
    Put16(dir, static_cast<uint32_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (const Canvas *c : images) {
        int w = c->PixelWidth(), h = c->PixelHeight();
        uint32_t maskStride = ((w + 31) / 32) * 4;
        uint32_t size = kInfoHeaderSize + w * h * 4 + maskStride * h;
        // The 256-pixel image is stored as a PNG, as Windows Vista and later read it.
        std::vector<uint8_t> png = w >= 256 ? EncodePng(*c) : std::vector<uint8_t>();
        if (!png.empty())
            size = static_cast<uint32_t>(png.size());
        dir.push_back(static_cast<uint8_t>(w & 0xff)); // 0 stands for 256
        dir.push_back(static_cast<uint8_t>(h & 0xff));
        dir.push_back(0); // no palette
        dir.push_back(0);
        Put16(dir, 1);  // planes
        Put16(dir, 32); // bits per pixel
        Put32(dir, size);
        Put32(dir, offset + static_cast<uint32_t>(data.size()));
        if (!png.empty()) {
            data.insert(data.end(), png.begin(), png.end());
            continue;
        }
        // An icon image's height counts the colour rows and the mask rows together.
        PutInfoHeader(data, w, 2 * h, 32, kBiRgb, w * h * 4 + maskStride * h, 0);
        for (int y = h - 1; y >= 0; --y)
            for (int x = 0; x < w; ++x) {
                const Rgba &p = c->At(x, y);
                data.push_back(ToByte(p.b));
                data.push_back(ToByte(p.g));
                data.push_back(ToByte(p.r));
                data.push_back(ToByte(p.a));
            }
        for (int y = h - 1; y >= 0; --y) {
            std::vector<uint8_t> row(maskStride, 0);
            for (int x = 0; x < w; ++x)
                if (c->At(x, y).a < 0.5)
                    row[x / 8] |= 0x80 >> (x % 8);
            data.insert(data.end(), row.begin(), row.end());
        }
    }
    dir.insert(dir.end(), data.begin(), data.end());
    return dir;
}

int WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes)
{
    FILE *f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    size_t written = std::fwrite(bytes.data(), 1, bytes.size(), f);
    int closed = std::fclose(f) == 0;
    return written == bytes.size() && closed;
}

} // namespace art
