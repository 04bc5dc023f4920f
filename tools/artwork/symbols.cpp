// Motif drawing for the product, maker, strip and icon pictures.
#include "symbols.h"

#include <algorithm>

namespace art {

namespace {

const Rgba kOutline = Rgb(16, 28, 52, 0.85);

const double kSmallGlobe = 10; // below this radius the grid keeps only its main lines

Shape GlobeGrid(double cx, double cy, double r, double lw)
{
    bool small = r < kSmallGlobe;
    Shape grid = EllipseRing(cx, cy, r * (small ? 0.5 : 0.36), r, lw);
    if (!small)
        grid = Unite(grid, EllipseRing(cx, cy, r * 0.76, r, lw));
    grid = Unite(grid, Rect(cx - lw / 2, cy - r, cx + lw / 2, cy + r));
    for (double s : {-0.56, 0.0, 0.56})
        if (!small || s == 0.0)
            grid = Unite(grid, Rect(cx - r, cy + s * r - lw / 2, cx + r, cy + s * r + lw / 2));
    return Intersect(grid, Circle(cx, cy, r - lw * 0.6));
}

void DrawOutlinedArrow(Canvas &canvas, const Box &box, const Shape &arrow, const Paint &fill,
                       double outline)
{
    if (outline > 0)
        canvas.Fill(box, Dilate(arrow, outline), Solid(kOutline));
    canvas.Fill(box, arrow, fill);
}

Paint OrangeAcross(double y0, double y1)
{
    return LinearGradient(0, y0, Rgb(255, 214, 92), 0, y1, Rgb(232, 112, 18));
}

Paint GreenAcross(double y0, double y1)
{
    return LinearGradient(0, y0, Rgb(160, 236, 104), 0, y1, Rgb(34, 140, 46));
}

// Arrow of whole pixels along row edge yc from the tail at x0 to the tip at x1.
Shape PixelArrow(int x0, int x1, int yc)
{
    const int half = 3;
    int dir = x1 > x0 ? 1 : -1;
    int base = x1 - dir * half;
    Shape s = Rect(std::min(x0, base), yc - 1, std::max(x0, base), yc + 1);
    for (int i = 0; i < half; ++i) {
        int col = dir > 0 ? base + i : base - i - 1;
        s = Unite(s, Rect(col, yc - half + i, col + 1, yc + half - i));
    }
    return s;
}

} // namespace

void DrawPixelArrowPair(Canvas &canvas, int xLeft, int xRight, int yUpper, int yLower)
{
    Box box = BoxOf(xLeft, yUpper - 4, xRight, yLower + 4);
    canvas.Fill(box, PixelArrow(xLeft, xRight, yUpper), OrangeAcross(yUpper - 3, yUpper + 3));
    canvas.Fill(box, PixelArrow(xRight, xLeft, yLower), GreenAcross(yLower - 3, yLower + 3));
}

void DrawRoundShadow(Canvas &canvas, double cx, double cy, double r, double strength)
{
    canvas.Fill(CircleBox(cx, cy, r), Circle(cx, cy, r),
                RadialGradient(cx, cy, r, Rgb(0, 0, 0, strength), Rgb(0, 0, 0, 0)));
}

void DrawGlobe(Canvas &canvas, double cx, double cy, double r, double minLine)
{
    Box box = CircleBox(cx, cy, r);
    double lw = std::max(minLine, r / 20);
    canvas.Fill(box, Circle(cx, cy, r),
                RadialGradient(cx - 0.35 * r, cy - 0.4 * r, 1.5 * r, Rgb(140, 212, 255), Rgb(6, 46, 132)));
    canvas.Fill(box, GlobeGrid(cx, cy, r, lw), Solid(Rgb(235, 248, 255, 0.5)));
    canvas.Fill(box, Intersect(Ellipse(cx - 0.3 * r, cy - 0.45 * r, 0.52 * r, 0.32 * r), Circle(cx, cy, r)),
                RadialGradient(cx - 0.3 * r, cy - 0.45 * r, 0.52 * r, Rgb(255, 255, 255, 0.55),
                               Rgb(255, 255, 255, 0)));
    canvas.Fill(box, Ring(cx, cy, r - lw * 1.1, r), Solid(Rgb(190, 230, 255, 0.55)));
}

void DrawArrowPair(Canvas &canvas, double xLeft, double xRight, double yUpper, double yLower, double shaft,
                   double head, double headLen, double outline)
{
    Box box = BoxOf(xLeft - outline - 1, yUpper - head / 2 - outline - 1, xRight + outline + 1,
                    yLower + head / 2 + outline + 1);
    DrawOutlinedArrow(canvas, box, Arrow(xLeft, yUpper, xRight, yUpper, shaft, head, headLen),
                      OrangeAcross(yUpper - head / 2, yUpper + head / 2), outline);
    DrawOutlinedArrow(canvas, box, Arrow(xRight, yLower, xLeft, yLower, shaft, head, headLen),
                      GreenAcross(yLower - head / 2, yLower + head / 2), outline);
}

void DrawTransferArrows(Canvas &canvas, double x, double y, double w, double h, double outline)
{
    DrawArrowPair(canvas, x, x + w, y + 0.25 * h, y + 0.75 * h, 0.2 * h, 0.48 * h, std::min(0.42 * w, 0.5 * h),
                  outline);
}

void DrawUpDownArrows(Canvas &canvas, double x, double y, double w, double h, double outline)
{
    Box box = BoxOf(x - outline - 1, y - outline - 1, x + w + outline + 1, y + h + outline + 1);
    double shaft = 0.2 * w, head = 0.48 * w, len = std::min(0.42 * h, 0.5 * w);
    double xLeft = x + 0.25 * w, xRight = x + 0.75 * w;
    DrawOutlinedArrow(canvas, box, Arrow(xLeft, y + h, xLeft, y, shaft, head, len),
                      LinearGradient(xLeft - head / 2, 0, Rgb(255, 214, 92), xLeft + head / 2, 0,
                                     Rgb(232, 112, 18)),
                      outline);
    DrawOutlinedArrow(canvas, box, Arrow(xRight, y, xRight, y + h, shaft, head, len),
                      LinearGradient(xRight - head / 2, 0, Rgb(160, 236, 104), xRight + head / 2, 0,
                                     Rgb(34, 140, 46)),
                      outline);
}

void DrawFolder(Canvas &canvas, double x, double y, double w, double h)
{
    Box box = BoxOf(x - 2, y - 2, x + w + 2, y + h + 2);
    double r = 0.05 * w;
    Shape back = Unite(RoundRect(x, y + 0.12 * h, x + w, y + h, r), RoundRect(x, y, x + 0.42 * w, y + 0.3 * h, r));
    canvas.Fill(box, Dilate(back, 1), Solid(Rgb(120, 76, 12, 0.8)));
    canvas.Fill(box, back, LinearGradient(0, y, Rgb(226, 170, 58), 0, y + h, Rgb(178, 116, 26)));
    canvas.Fill(box, Rect(x + 0.08 * w, y + 0.2 * h, x + 0.92 * w, y + 0.7 * h),
                LinearGradient(0, y + 0.2 * h, Rgb(255, 255, 255), 0, y + 0.7 * h, Rgb(226, 230, 236)));
    for (double t : {0.3, 0.4, 0.5})
        canvas.Fill(box, Rect(x + 0.16 * w, y + t * h, x + 0.84 * w, y + t * h + std::max(1.0, 0.02 * h)),
                    Solid(Rgb(150, 180, 220)));
    Shape front = Polygon({x + 0.04 * w, y + 0.36 * h, x + w, y + 0.36 * h, x + 0.96 * w, y + h, x, y + h});
    canvas.Fill(box, Dilate(front, 0.8), Solid(Rgb(150, 96, 18, 0.9)));
    canvas.Fill(box, front, LinearGradient(0, y + 0.36 * h, Rgb(255, 226, 128), 0, y + h, Rgb(236, 172, 54)));
}

void DrawDisk(Canvas &canvas, double x, double y, double s)
{
    Box box = BoxOf(x - 2, y - 2, x + s + 2, y + s + 2);
    Shape body = Polygon({x, y, x + 0.86 * s, y, x + s, y + 0.14 * s, x + s, y + s, x, y + s});
    canvas.Fill(box, Dilate(body, 1), Solid(Rgb(10, 18, 36, 0.9)));
    canvas.Fill(box, body, LinearGradient(x, y, Rgb(66, 96, 150), x + s, y + s, Rgb(24, 38, 74)));
    canvas.Fill(box, Rect(x + 0.26 * s, y, x + 0.76 * s, y + 0.36 * s),
                LinearGradient(x + 0.26 * s, 0, Rgb(236, 240, 246), x + 0.76 * s, 0, Rgb(150, 158, 172)));
    canvas.Fill(box, Rect(x + 0.58 * s, y + 0.06 * s, x + 0.68 * s, y + 0.3 * s), Solid(Rgb(40, 48, 64)));
    canvas.Fill(box, RoundRect(x + 0.14 * s, y + 0.5 * s, x + 0.86 * s, y + 0.97 * s, 0.04 * s),
                Solid(Rgb(248, 250, 252)));
    for (double t : {0.62, 0.72, 0.82})
        canvas.Fill(box, Rect(x + 0.2 * s, y + t * s, x + 0.8 * s, y + t * s + std::max(1.0, 0.025 * s)),
                    Solid(Rgb(120, 160, 220)));
}

void DrawCloud(Canvas &canvas, double x, double y, double w, double alpha)
{
    Box box = BoxOf(x - 1, y - 1, x + w + 1, y + 0.5 * w + 1);
    Shape cloud = Unite(Circle(x + 0.24 * w, y + 0.3 * w, 0.14 * w), Circle(x + 0.46 * w, y + 0.22 * w, 0.2 * w));
    cloud = Unite(cloud, Circle(x + 0.7 * w, y + 0.29 * w, 0.15 * w));
    cloud = Unite(cloud, RoundRect(x + 0.06 * w, y + 0.28 * w, x + 0.94 * w, y + 0.44 * w, 0.08 * w));
    canvas.Fill(box, cloud,
                LinearGradient(0, y, Rgb(255, 255, 255, alpha), 0, y + 0.44 * w, Rgb(214, 230, 246, alpha)));
}

} // namespace art
