// The motifs the pictures share: globe, transfer arrows, folder, disk and cloud.
// Each is drawn into a box given by its position and size, so one motif serves a
// 16-pixel icon and a large banner alike.
#pragma once

#include "canvas.h"

namespace art {

// Globe of radius r with a grid of meridians and parallels; grid lines are about
// r/20 wide but never thinner than minLine.
void DrawGlobe(Canvas &canvas, double cx, double cy, double r, double minLine);
// Soft shadow under a round object.
void DrawRoundShadow(Canvas &canvas, double cx, double cy, double r, double strength);
// Two opposed arrows between xLeft and xRight: orange at yUpper pointing right,
// green at yLower pointing left; shaft and head are widths, headLen the head's length.
void DrawArrowPair(Canvas &canvas, double xLeft, double xRight, double yUpper, double yLower, double shaft,
                   double head, double headLen, double outline);
// The same pair for 16-pixel icons, built from whole pixels: shafts two pixels high
// centred on the pixel edges yUpper and yLower, stepped heads six pixels high.
void DrawPixelArrowPair(Canvas &canvas, int xLeft, int xRight, int yUpper, int yLower);
// Two opposed arrows stacked in a box: the upper one orange pointing right (sending),
// the lower one green pointing left (receiving).
void DrawTransferArrows(Canvas &canvas, double x, double y, double w, double h, double outline);
// Same pair standing upright: orange up, green down.
void DrawUpDownArrows(Canvas &canvas, double x, double y, double w, double h, double outline);
void DrawFolder(Canvas &canvas, double x, double y, double w, double h);
void DrawDisk(Canvas &canvas, double x, double y, double size);
void DrawCloud(Canvas &canvas, double x, double y, double w, double alpha);

} // namespace art
