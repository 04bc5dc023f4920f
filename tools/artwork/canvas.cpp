// Canvas compositing plus the shape and paint builders the pictures are drawn with.
#include "canvas.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace art {

namespace {

const int kSamples = 4; // per axis, so 16 samples per pixel

double Clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

} // namespace

Rgba Rgb(int r, int g, int b, double a) { return {r / 255.0, g / 255.0, b / 255.0, a}; }

Rgba Mix(const Rgba &from, const Rgba &to, double t)
{
    t = Clamp01(t);
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t,
            from.b + (to.b - from.b) * t, from.a + (to.a - from.a) * t};
}

Rgba WithAlpha(const Rgba &c, double a) { return {c.r, c.g, c.b, a}; }

Canvas::Canvas(int width, int height, const Rgba &fill, double scale)
    : width_(static_cast<int>(std::lround(width * scale))), height_(static_cast<int>(std::lround(height * scale))),
      logicalWidth_(width), logicalHeight_(height), scale_(scale),
      pixels_(static_cast<size_t>(width_) * height_, fill)
{
}

void Canvas::Blend(int x, int y, const Rgba &c, double coverage)
{
    Rgba &d = pixels_[y * width_ + x];
    double sa = Clamp01(c.a * coverage);
    double oa = sa + d.a * (1 - sa);
    if (oa <= 0) {
        d = {0, 0, 0, 0};
        return;
    }
    d.r = (c.r * sa + d.r * d.a * (1 - sa)) / oa;
    d.g = (c.g * sa + d.g * d.a * (1 - sa)) / oa;
    d.b = (c.b * sa + d.b * d.a * (1 - sa)) / oa;
    d.a = oa;
}

void Canvas::Fill(const Box &box, const Shape &shape, const Paint &paint)
{
    const double s = scale_;
    int x0 = std::max(0, static_cast<int>(std::floor(box.x0 * s)));
    int y0 = std::max(0, static_cast<int>(std::floor(box.y0 * s)));
    int x1 = std::min(width_, static_cast<int>(std::ceil(box.x1 * s)) + 1);
    int y1 = std::min(height_, static_cast<int>(std::ceil(box.y1 * s)) + 1);
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            int hits = 0;
            for (int sy = 0; sy < kSamples; ++sy)
                for (int sx = 0; sx < kSamples; ++sx)
                    hits += shape((x + (sx + 0.5) / kSamples) / s, (y + (sy + 0.5) / kSamples) / s) ? 1 : 0;
            if (hits)
                Blend(x, y, paint((x + 0.5) / s, (y + 0.5) / s), hits / double(kSamples * kSamples));
        }
    }
}

void Canvas::FillAll(const Paint &paint)
{
    Fill({0, 0, double(logicalWidth_), double(logicalHeight_)}, [](double, double) { return true; }, paint);
}

Paint Solid(const Rgba &c)
{
    return [c](double, double) { return c; };
}

Paint LinearGradient(double x0, double y0, const Rgba &c0, double x1, double y1, const Rgba &c1)
{
    return LinearStops(x0, y0, x1, y1, {c0, c1});
}

Paint LinearStops(double x0, double y0, double x1, double y1, std::vector<Rgba> stops)
{
    double dx = x1 - x0, dy = y1 - y0;
    double len2 = dx * dx + dy * dy;
    return [=](double x, double y) {
        double t = Clamp01(((x - x0) * dx + (y - y0) * dy) / len2) * (stops.size() - 1);
        size_t i = std::min(static_cast<size_t>(t), stops.size() - 2);
        return Mix(stops[i], stops[i + 1], t - i);
    };
}

Paint RadialGradient(double cx, double cy, double radius, const Rgba &inner, const Rgba &outer)
{
    return [=](double x, double y) {
        return Mix(inner, outer, std::hypot(x - cx, y - cy) / radius);
    };
}

Shape Circle(double cx, double cy, double r)
{
    return [=](double x, double y) { return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r; };
}

Shape Ellipse(double cx, double cy, double rx, double ry)
{
    return [=](double x, double y) {
        double u = (x - cx) / rx, v = (y - cy) / ry;
        return u * u + v * v <= 1;
    };
}

Shape Ring(double cx, double cy, double rInner, double rOuter)
{
    return Subtract(Circle(cx, cy, rOuter), Circle(cx, cy, rInner));
}

Shape EllipseRing(double cx, double cy, double rx, double ry, double thickness)
{
    double h = thickness / 2;
    Shape outer = Ellipse(cx, cy, rx + h, ry + h);
    if (rx <= h || ry <= h)
        return outer;
    return Subtract(outer, Ellipse(cx, cy, rx - h, ry - h));
}

Shape Rect(double x0, double y0, double x1, double y1)
{
    return [=](double x, double y) { return x >= x0 && x < x1 && y >= y0 && y < y1; };
}

Shape RoundRect(double x0, double y0, double x1, double y1, double radius)
{
    return [=](double x, double y) {
        if (x < x0 || x >= x1 || y < y0 || y >= y1)
            return false;
        double cx = std::clamp(x, x0 + radius, x1 - radius);
        double cy = std::clamp(y, y0 + radius, y1 - radius);
        return (x - cx) * (x - cx) + (y - cy) * (y - cy) <= radius * radius;
    };
}

Shape Polygon(std::vector<double> xy)
{
    return [xy = std::move(xy)](double x, double y) {
        bool inside = false;
        size_t n = xy.size() / 2;
        for (size_t i = 0, j = n - 1; i < n; j = i++) {
            double xi = xy[2 * i], yi = xy[2 * i + 1], xj = xy[2 * j], yj = xy[2 * j + 1];
            if ((yi > y) != (yj > y) && x < (xj - xi) * (y - yi) / (yj - yi) + xi)
                inside = !inside;
        }
        return inside;
    };
}

Shape Stroke(double x0, double y0, double x1, double y1, double w)
{
    double dx = x1 - x0, dy = y1 - y0;
    double len2 = dx * dx + dy * dy;
    double r2 = w * w / 4;
    return [=](double x, double y) {
        double t = len2 > 0 ? Clamp01(((x - x0) * dx + (y - y0) * dy) / len2) : 0;
        double px = x0 + t * dx - x, py = y0 + t * dy - y;
        return px * px + py * py <= r2;
    };
}

Shape Arrow(double x0, double y0, double x1, double y1, double w, double hw, double hl)
{
    double len = std::hypot(x1 - x0, y1 - y0);
    double ux = (x1 - x0) / len, uy = (y1 - y0) / len; // along the arrow
    double nx = -uy, ny = ux;                          // across it
    double bx = x1 - ux * hl, by = y1 - uy * hl;       // base of the head
    auto at = [&](double px, double py, double across) {
        return std::vector<double>{px + nx * across, py + ny * across};
    };
    std::vector<double> pts;
    for (auto p : {at(x0, y0, w / 2), at(bx, by, w / 2), at(bx, by, hw / 2), at(x1, y1, 0),
                   at(bx, by, -hw / 2), at(bx, by, -w / 2), at(x0, y0, -w / 2)})
        pts.insert(pts.end(), p.begin(), p.end());
    return Polygon(pts);
}

Shape Intersect(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && b(x, y); };
}

Shape Unite(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) || b(x, y); };
}

Shape Subtract(Shape a, Shape b)
{
    return [a = std::move(a), b = std::move(b)](double x, double y) { return a(x, y) && !b(x, y); };
}

Shape Offset(Shape s, double dx, double dy)
{
    return [s = std::move(s), dx, dy](double x, double y) { return s(x - dx, y - dy); };
}

Shape Dilate(Shape s, double d)
{
    return [s = std::move(s), d](double x, double y) {
        if (s(x, y))
            return true;
        for (int i = 0; i < 16; ++i) {
            double a = i * 3.14159265358979 / 8;
            if (s(x + d * std::cos(a), y + d * std::sin(a)))
                return true;
        }
        return false;
    };
}

Box BoxOf(double x0, double y0, double x1, double y1) { return {x0, y0, x1, y1}; }

Box CircleBox(double cx, double cy, double r) { return {cx - r - 1, cy - r - 1, cx + r + 1, cy + r + 1}; }

} // namespace art
