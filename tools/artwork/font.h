// mkart's own bitmap font: 5 x 7 capitals, lower case with descenders, digits and a
// little punctuation, drawn scaled with smoothed diagonals.
#pragma once

#include <string>

#include "canvas.h"

namespace art {

struct TextStyle {
    double scale = 1;    // canvas pixels per font pixel
    bool bold = false;   // each stroke one font pixel wider
    double tracking = 0; // extra space between letters, in font pixels
};

// Height of a capital letter in canvas pixels.
double CapHeight(const TextStyle &style);
// Advance width of the text in canvas pixels (no trailing space after the last letter).
double TextWidth(const std::string &text, const TextStyle &style);
// Draws text with the top of its capitals at y; letters the font lacks are skipped.
void DrawText(Canvas &canvas, const std::string &text, double x, double y, const TextStyle &style,
              const Paint &paint);

} // namespace art
