// Glyph table and the renderer: each glyph is widened for bold if asked, enlarged
// four times with Scale2x so diagonals and corners come out smooth, then sampled
// bilinearly and thresholded, which gives clean outlines at any scale.
#include "font.h"

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

namespace art {

namespace {

const int kRows = 9;    // 7 rows of capitals plus 2 of descenders
const int kCapRows = 7;
const int kSpaceWidth = 3;

struct GlyphRow {
    char ch;
    const char *rows; // rows separated by '|', '#' = ink; missing rows are empty
};

const GlyphRow kGlyphs[] = {
    {'A', ".###.|#...#|#...#|#####|#...#|#...#|#...#"},
    {'B', "####.|#...#|#...#|####.|#...#|#...#|####."},
    {'C', ".###.|#...#|#....|#....|#....|#...#|.###."},
    {'D', "####.|#...#|#...#|#...#|#...#|#...#|####."},
    {'E', "#####|#....|#....|####.|#....|#....|#####"},
    {'F', "#####|#....|#....|####.|#....|#....|#...."},
    {'G', ".###.|#...#|#....|#.###|#...#|#...#|.####"},
    {'H', "#...#|#...#|#...#|#####|#...#|#...#|#...#"},
    {'I', "###|.#.|.#.|.#.|.#.|.#.|###"},
    {'J', "..###|...#.|...#.|...#.|#..#.|#..#.|.##.."},
    {'K', "#...#|#..#.|#.#..|##...|#.#..|#..#.|#...#"},
    {'L', "#....|#....|#....|#....|#....|#....|#####"},
    {'M', "#...#|##.##|#.#.#|#.#.#|#...#|#...#|#...#"},
    {'N', "#...#|#...#|##..#|#.#.#|#..##|#...#|#...#"},
    {'O', ".###.|#...#|#...#|#...#|#...#|#...#|.###."},
    {'P', "####.|#...#|#...#|####.|#....|#....|#...."},
    {'Q', ".###.|#...#|#...#|#...#|#.#.#|#..#.|.##.#"},
    {'R', "####.|#...#|#...#|####.|#.#..|#..#.|#...#"},
    {'S', ".####|#....|#....|.###.|....#|....#|####."},
    {'T', "#####|..#..|..#..|..#..|..#..|..#..|..#.."},
    {'U', "#...#|#...#|#...#|#...#|#...#|#...#|.###."},
    {'V', "#...#|#...#|#...#|.#.#.|.#.#.|.#.#.|..#.."},
    {'W', "#...#|#...#|#...#|#.#.#|#.#.#|#.#.#|.#.#."},
    {'X', "#...#|#...#|.#.#.|..#..|.#.#.|#...#|#...#"},
    {'Y', "#...#|#...#|.#.#.|..#..|..#..|..#..|..#.."},
    {'Z', "#####|....#|...#.|..#..|.#...|#....|#####"},
    {'a', ".....|.....|.###.|....#|.####|#...#|.####"},
    {'b', "#....|#....|#.##.|##..#|#...#|#...#|####."},
    {'c', ".....|.....|.###.|#....|#....|#...#|.###."},
    {'d', "....#|....#|.##.#|#..##|#...#|#...#|.####"},
    {'e', ".....|.....|.###.|#...#|#####|#....|.###."},
    {'f', "..##.|.#..#|.#...|###..|.#...|.#...|.#..."},
    {'g', ".....|.....|.####|#...#|#...#|#...#|.####|....#|.###."},
    {'h', "#....|#....|#.##.|##..#|#...#|#...#|#...#"},
    {'i', ".#.|...|##.|.#.|.#.|.#.|###"},
    {'j', "...#|....|..##|...#|...#|...#|...#|#..#|.##."},
    {'k', "#...|#...|#..#|#.#.|##..|#.#.|#..#"},
    {'l', "##.|.#.|.#.|.#.|.#.|.#.|###"},
    {'m', ".....|.....|##.#.|#.#.#|#.#.#|#.#.#|#.#.#"},
    {'n', ".....|.....|#.##.|##..#|#...#|#...#|#...#"},
    {'o', ".....|.....|.###.|#...#|#...#|#...#|.###."},
    {'p', ".....|.....|####.|#...#|#...#|#...#|####.|#....|#...."},
    {'q', ".....|.....|.####|#...#|#...#|#...#|.####|....#|....#"},
    {'r', ".....|.....|#.##.|##..#|#....|#....|#...."},
    {'s', ".....|.....|.####|#....|.###.|....#|####."},
    {'t', ".#...|.#...|###..|.#...|.#...|.#..#|..##."},
    {'u', ".....|.....|#...#|#...#|#...#|#..##|.##.#"},
    {'v', ".....|.....|#...#|#...#|#...#|.#.#.|..#.."},
    {'w', ".....|.....|#...#|#...#|#.#.#|#.#.#|.#.#."},
    {'x', ".....|.....|#...#|.#.#.|..#..|.#.#.|#...#"},
    {'y', ".....|.....|#...#|#...#|#...#|#...#|.####|....#|.###."},
    {'z', ".....|.....|#####|...#.|..#..|.#...|#####"},
    {'0', ".###.|#...#|#..##|#.#.#|##..#|#...#|.###."},
    {'1', "..#..|.##..|..#..|..#..|..#..|..#..|.###."},
    {'2', ".###.|#...#|....#|...#.|..#..|.#...|#####"},
    {'3', "#####|...#.|..#..|...#.|....#|#...#|.###."},
    {'4', "...#.|..##.|.#.#.|#..#.|#####|...#.|...#."},
    {'5', "#####|#....|####.|....#|....#|#...#|.###."},
    {'6', "..##.|.#...|#....|####.|#...#|#...#|.###."},
    {'7', "#####|....#|...#.|..#..|.#...|.#...|.#..."},
    {'8', ".###.|#...#|#...#|.###.|#...#|#...#|.###."},
    {'9', ".###.|#...#|#...#|.####|....#|...#.|.##.."},
    {'.', ".|.|.|.|.|.|#"},
    {',', "..|..|..|..|..|..|.#|#."},
    {'-', "....|....|....|####"},
    {':', ".|.|#|.|.|.|#"},
    {'/', "....#|....#|...#.|..#..|.#...|#....|#...."},
    {'&', ".##..|#..#.|#.#..|.#...|#.#.#|#..#.|.##.#"},
};

// A glyph after bolding and enlargement: cells of 1/4 font pixel, with a border of
// one font pixel so the smoothing and sampling never read outside it.
struct Bitmap {
    int w = 0, h = 0;
    std::vector<unsigned char> ink;
    int At(int x, int y) const { return x < 0 || y < 0 || x >= w || y >= h ? 0 : ink[y * w + x]; }
};

Bitmap ParseGlyph(const char *rows, bool bold)
{
    int width = static_cast<int>(std::strcspn(rows, "|"));
    Bitmap b;
    b.w = width + (bold ? 1 : 0) + 2;
    b.h = kRows + 2;
    b.ink.assign(b.w * b.h, 0);
    int x = 0, y = 0;
    for (const char *p = rows; *p; ++p) {
        if (*p == '|') {
            ++y;
            x = 0;
            continue;
        }
        if (*p == '#') {
            b.ink[(y + 1) * b.w + x + 1] = 1;
            if (bold)
                b.ink[(y + 1) * b.w + x + 2] = 1;
        }
        ++x;
    }
    return b;
}

Bitmap Scale2x(const Bitmap &s)
{
    Bitmap d;
    d.w = s.w * 2;
    d.h = s.h * 2;
    d.ink.assign(d.w * d.h, 0);
    for (int y = 0; y < s.h; ++y) {
        for (int x = 0; x < s.w; ++x) {
            int p = s.At(x, y), a = s.At(x, y - 1), b = s.At(x + 1, y);
            int c = s.At(x - 1, y), dn = s.At(x, y + 1);
            d.ink[(2 * y) * d.w + 2 * x] = (c == a && c != dn && a != b) ? a : p;
            d.ink[(2 * y) * d.w + 2 * x + 1] = (a == b && a != c && b != dn) ? b : p;
            d.ink[(2 * y + 1) * d.w + 2 * x] = (dn == c && dn != b && c != a) ? c : p;
            d.ink[(2 * y + 1) * d.w + 2 * x + 1] = (b == dn && b != a && dn != c) ? dn : p;
        }
    }
    return d;
}

const Bitmap *FindGlyph(char ch, bool bold)
{
    static std::map<std::pair<char, bool>, Bitmap> cache;
    auto key = std::make_pair(ch, bold);
    auto it = cache.find(key);
    if (it != cache.end())
        return &it->second;
    for (const GlyphRow &g : kGlyphs)
        if (g.ch == ch)
            return &(cache[key] = Scale2x(Scale2x(ParseGlyph(g.rows, bold))));
    return nullptr;
}

// Advance of one character in font pixels, before tracking.
double Advance(char ch, bool bold)
{
    const Bitmap *g = FindGlyph(ch, bold);
    return g ? g->w / 4 - 2 + 1 : kSpaceWidth + 1;
}

// Bilinear sample of the enlarged glyph at (u,v) in its cells, thresholded at one half.
bool Inked(const Bitmap &g, double u, double v)
{
    double fx = u - 0.5, fy = v - 0.5;
    int x = static_cast<int>(std::floor(fx)), y = static_cast<int>(std::floor(fy));
    double tx = fx - x, ty = fy - y;
    double top = g.At(x, y) * (1 - tx) + g.At(x + 1, y) * tx;
    double bottom = g.At(x, y + 1) * (1 - tx) + g.At(x + 1, y + 1) * tx;
    return top * (1 - ty) + bottom * ty >= 0.5;
}

} // namespace

double CapHeight(const TextStyle &style) { return kCapRows * style.scale; }

double TextWidth(const std::string &text, const TextStyle &style)
{
    double units = 0;
    for (char ch : text)
        units += Advance(ch, style.bold) + style.tracking;
    if (!text.empty())
        units -= 1 + style.tracking;
    return units * style.scale;
}

void DrawText(Canvas &canvas, const std::string &text, double x, double y, const TextStyle &style,
              const Paint &paint)
{
    double cell = style.scale / 4;
    for (char ch : text) {
        const Bitmap *g = FindGlyph(ch, style.bold);
        if (g) {
            // The glyph's origin is one font pixel up and left of its first ink cell.
            double ox = x - style.scale, oy = y - style.scale;
            Shape shape = [g, ox, oy, cell](double px, double py) {
                return Inked(*g, (px - ox) / cell, (py - oy) / cell);
            };
            canvas.Fill({ox, oy, ox + g->w * cell, oy + g->h * cell}, shape, paint);
        }
        x += (Advance(ch, style.bold) + style.tracking) * style.scale;
    }
}

} // namespace art
