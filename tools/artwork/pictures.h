// The four pictures mkart writes, composed from the motifs and the font.
#pragma once

#include "canvas.h"

namespace art {

const int kProductWidth = 212, kProductHeight = 112;
const int kMakerWidth = 151, kMakerHeight = 118;
const int kStripWidth = 151, kStripHeight = 236;

// "NEXFER Pro" beside a globe with transfer arrows, on deep blue.
Canvas ProductPicture();
// "QUORVANE" under its round logo, on a light card.
Canvas MakerPicture();
// Tall sky with globe, arrows, folder and disk for the wizard pages.
Canvas StripPicture();
// Program icon of size x size pixels (32 or 16) on a transparent background.
Canvas IconPicture(int size);

} // namespace art
