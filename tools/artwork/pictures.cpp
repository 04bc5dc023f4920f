// Composition of the product, maker, strip and icon pictures.
#include "pictures.h"

#include "font.h"
#include "symbols.h"

namespace art {

namespace {

Box Whole(const Canvas &c) { return BoxOf(0, 0, c.Width(), c.Height()); }

void DrawFrame(Canvas &c, const Rgba &colour)
{
    c.Fill(Whole(c), Subtract(Rect(0, 0, c.Width(), c.Height()), Rect(1, 1, c.Width() - 1, c.Height() - 1)),
           Solid(colour));
}

// Text with a soft drop shadow below and to the right.
void DrawShadowedText(Canvas &c, const std::string &text, double x, double y, const TextStyle &style,
                      const Paint &paint, double shadowAlpha)
{
    double d = style.scale * 0.45;
    DrawText(c, text, x + d, y + d, style, Solid(Rgb(0, 0, 0, shadowAlpha)));
    DrawText(c, text, x, y, style, paint);
}

void DrawProductTitle(Canvas &c)
{
    TextStyle title{3.0, false, 0};
    double x = 200 - TextWidth("NEXFER", title), y = 22;
    DrawShadowedText(c, "NEXFER", x, y, title,
                     LinearGradient(0, y, Rgb(255, 255, 255), 0, y + CapHeight(title), Rgb(186, 220, 255)), 0.55);
    TextStyle pro{2.6, true, 0.3};
    double px = 200 - TextWidth("Pro", pro), py = y + CapHeight(title) + 8;
    DrawShadowedText(c, "Pro", px, py, pro,
                     LinearGradient(0, py, Rgb(255, 222, 110), 0, py + CapHeight(pro), Rgb(240, 140, 30)), 0.55);
    c.Fill(Whole(c), Rect(x, py + 7, px - 6, py + 9), LinearGradient(x, 0, Rgb(240, 150, 40, 0), px - 6, 0,
                                                                    Rgb(240, 150, 40, 0.95)));
    TextStyle tag{1, false, 1};
    std::string tagline = "FTP CLIENT SUITE";
    DrawText(c, tagline, 200 - TextWidth(tagline, tag), 92, tag, Solid(Rgb(170, 208, 240)));
}

void DrawLogoMark(Canvas &c, double cx, double cy, double r)
{
    Box box = CircleBox(cx, cy, r * 1.5);
    DrawRoundShadow(c, cx + 1.5, cy + 2.5, r * 1.15, 0.25);
    Shape tail = Stroke(cx + 0.52 * r, cy + 0.52 * r, cx + 0.92 * r, cy + 0.92 * r, 0.24 * r);
    c.Fill(box, Circle(cx, cy, r * 0.8),
           RadialGradient(cx - 0.3 * r, cy - 0.3 * r, r, Rgb(220, 246, 246), Rgb(150, 206, 210)));
    c.Fill(box, Ring(cx, cy, r * 0.72, r),
           LinearGradient(cx - r, cy - r, Rgb(0, 168, 160), cx + r, cy + r, Rgb(8, 58, 112)));
    c.Fill(box, Dilate(tail, 1.5), Solid(Rgb(255, 255, 255)));
    c.Fill(box, tail, LinearGradient(cx, cy, Rgb(255, 200, 70), cx + r, cy + r, Rgb(232, 110, 20)));
    DrawTransferArrows(c, cx - 0.5 * r, cy - 0.42 * r, r, 0.84 * r, 0);
}

} // namespace

Canvas ProductPicture(double scale)
{
    Canvas c(kProductWidth, kProductHeight, Rgb(0, 0, 0), scale);
    c.FillAll(LinearStops(0, 0, 0, kProductHeight, {Rgb(8, 22, 62), Rgb(16, 52, 116), Rgb(26, 86, 156)}));
    c.Fill(Whole(c), Polygon({118, 0, 172, 0, 96, 112, 42, 112}), Solid(Rgb(255, 255, 255, 0.05)));
    DrawRoundShadow(c, 47, 59, 38, 0.45);
    DrawGlobe(c, 44, 54, 33, 1.2);
    DrawTransferArrows(c, 52, 64, 38, 26, 1.3);
    DrawProductTitle(c);
    DrawFrame(c, Rgb(110, 170, 226));
    return c;
}

Canvas MakerPicture(double scale)
{
    Canvas c(kMakerWidth, kMakerHeight, Rgb(0, 0, 0), scale);
    c.FillAll(LinearGradient(0, 0, Rgb(253, 254, 255), 0, kMakerHeight, Rgb(220, 232, 238)));
    DrawLogoMark(c, 75.5, 38, 23);
    TextStyle name{2.5, false, 0};
    double x = (kMakerWidth - TextWidth("QUORVANE", name)) / 2;
    DrawText(c, "QUORVANE", x, 73, name, LinearGradient(0, 73, Rgb(24, 50, 92), 0, 91, Rgb(6, 22, 48)));
    TextStyle tag{1, false, 2};
    double tw = TextWidth("SOFTWARE", tag), tx = (kMakerWidth - tw) / 2;
    DrawText(c, "SOFTWARE", tx, 100, tag, Solid(Rgb(0, 112, 112)));
    c.Fill(Whole(c), Rect(x, 103, tx - 7, 104), Solid(Rgb(0, 128, 128, 0.7)));
    c.Fill(Whole(c), Rect(tx + tw + 7, 103, x + TextWidth("QUORVANE", name), 104), Solid(Rgb(0, 128, 128, 0.7)));
    DrawFrame(c, Rgb(0, 88, 92));
    return c;
}

Canvas StripPicture(double scale)
{
    Canvas c(kStripWidth, kStripHeight, Rgb(0, 0, 0), scale);
    c.FillAll(LinearStops(0, 0, 0, kStripHeight,
                          {Rgb(12, 30, 88), Rgb(34, 88, 172), Rgb(110, 178, 232), Rgb(212, 236, 250)}));
    c.Fill(Whole(c), Circle(118, 26, 70), RadialGradient(118, 26, 70, Rgb(255, 255, 255, 0.3), Rgb(255, 255, 255, 0)));
    DrawCloud(c, 84, 100, 60, 0.45);
    DrawCloud(c, -10, 124, 70, 0.55);
    DrawRoundShadow(c, 79, 76, 52, 0.4);
    DrawGlobe(c, 75, 70, 44, 1.4);
    DrawUpDownArrows(c, 55, 126, 40, 42, 1.3);
    c.Fill(Whole(c), Rect(0, 212, kStripWidth, kStripHeight),
           LinearGradient(0, 212, Rgb(150, 176, 200), 0, kStripHeight, Rgb(100, 126, 156)));
    c.Fill(Whole(c), Rect(0, 212, kStripWidth, 213), Solid(Rgb(255, 255, 255, 0.6)));
    DrawFolder(c, 12, 172, 64, 48);
    DrawDisk(c, 90, 170, 48);
    return c;
}

Canvas IconPicture(int size)
{
    // Two designs: the 16-pixel one, its pixel arrows sharp, for 16 and 20 pixels; the
    // 32-pixel one, whose arrow rows sit on whole pixels at 32, drawn larger for the rest.
    int design = size >= 24 ? 32 : 16;
    Canvas c(design, design, Rgb(0, 0, 0, 0), size / double(design));
    if (design == 32) {
        DrawGlobe(c, 14, 13.5, 13, 1);
        DrawArrowPair(c, 11, 31, 20, 27, 3, 8, 6, 1);
    } else {
        DrawGlobe(c, 6.5, 6, 6, 0.8);
        DrawPixelArrowPair(c, 3, 16, 9, 13);
    }
    return c;
}

} // namespace art
