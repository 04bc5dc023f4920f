// The four pictures mkart writes, composed from the motifs and the font; the bitmaps at
// any scale of their 100 % size.
#pragma once

#include "canvas.h"

namespace art {

const int kProductWidth = 212, kProductHeight = 112;
const int kMakerWidth = 151, kMakerHeight = 118;
const int kStripWidth = 151, kStripHeight = 236;

// "NEXFER Pro" beside a globe with transfer arrows, on deep blue.
Canvas ProductPicture(double scale = 1.0);
// "QUORVANE" under its round logo, on a light card.
Canvas MakerPicture(double scale = 1.0);
// Tall sky with globe, arrows, folder and disk for the wizard pages.
Canvas StripPicture(double scale = 1.0);
// Program icon of size x size pixels (16 to 256) on a transparent background.
Canvas IconPicture(int size);

} // namespace art
