// Floating-point RGBA canvas with anti-aliased shape filling: every picture mkart
// writes is painted here first, then quantised or packed by imagefile.cpp.
#pragma once

#include <functional>
#include <vector>

namespace art {

struct Rgba {
    double r, g, b, a;
};

// 8-bit colour with full opacity unless told otherwise.
Rgba Rgb(int r, int g, int b, double a = 1.0);
Rgba Mix(const Rgba &from, const Rgba &to, double t);
Rgba WithAlpha(const Rgba &c, double a);

// A shape answers whether a point (in pixel units, pixel centres at .5) lies inside.
using Shape = std::function<bool(double x, double y)>;
// A paint gives the colour at a point.
using Paint = std::function<Rgba(double x, double y)>;

struct Box {
    double x0, y0, x1, y1;
};

// A picture is drawn in its 100 % units; a canvas made with a larger scale holds
// width * scale by height * scale pixels and maps every shape and paint onto them, so the
// same drawing code gives each carried size.
class Canvas {
public:
    Canvas(int width, int height, const Rgba &fill, double scale = 1.0);
    // The drawing's size in 100 % units.
    int Width() const { return logicalWidth_; }
    int Height() const { return logicalHeight_; }
    int PixelWidth() const { return width_; }
    int PixelHeight() const { return height_; }
    const Rgba &At(int x, int y) const { return pixels_[y * width_ + x]; }
    // Composites paint over the pixels the shape covers, weighted by coverage
    // measured on a 4 x 4 grid of samples per pixel; only pixels inside box are visited.
    void Fill(const Box &box, const Shape &shape, const Paint &paint);
    void FillAll(const Paint &paint);

private:
    void Blend(int x, int y, const Rgba &c, double coverage);
    int width_;
    int height_;
    int logicalWidth_;
    int logicalHeight_;
    double scale_;
    std::vector<Rgba> pixels_;
};

Paint Solid(const Rgba &c);
Paint LinearGradient(double x0, double y0, const Rgba &c0, double x1, double y1, const Rgba &c1);
// Gradient through several colours spaced evenly from (x0,y0) to (x1,y1).
Paint LinearStops(double x0, double y0, double x1, double y1, std::vector<Rgba> stops);
Paint RadialGradient(double cx, double cy, double radius, const Rgba &inner, const Rgba &outer);

Shape Circle(double cx, double cy, double r);
Shape Ellipse(double cx, double cy, double rx, double ry);
Shape Ring(double cx, double cy, double rInner, double rOuter);
Shape EllipseRing(double cx, double cy, double rx, double ry, double thickness);
Shape Rect(double x0, double y0, double x1, double y1);
Shape RoundRect(double x0, double y0, double x1, double y1, double radius);
// Closed polygon, even-odd rule.
Shape Polygon(std::vector<double> xy);
// Segment with round caps, width w.
Shape Stroke(double x0, double y0, double x1, double y1, double w);
// Arrow from (x0,y0) to the tip (x1,y1): shaft width w, head width hw and length hl.
Shape Arrow(double x0, double y0, double x1, double y1, double w, double hw, double hl);
Shape Intersect(Shape a, Shape b);
Shape Unite(Shape a, Shape b);
Shape Subtract(Shape a, Shape b);
// Shape moved by (dx,dy).
Shape Offset(Shape s, double dx, double dy);
// Shape grown by about d in every direction (for outlines and halos).
Shape Dilate(Shape s, double d);

Box BoxOf(double x0, double y0, double x1, double y1);
Box CircleBox(double cx, double cy, double r);

} // namespace art
