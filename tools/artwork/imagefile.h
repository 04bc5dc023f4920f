// Turning canvases into files: median-cut quantisation to a 256-colour palette,
// the 8 bpp BMP encoder (plain or RLE8) and the 32 bpp ICO encoder. Byte order is written out
// explicitly, so the files are the same on any host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "canvas.h"

namespace art {

struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> palette; // 0x00RRGGBB, at most 256 entries
    std::vector<uint8_t> index;    // top row first, one byte per pixel
};

// The canvas composited over black and reduced to at most maxColours colours.
IndexedImage Quantise(const Canvas &canvas, int maxColours);
// Bottom-up BITMAPINFOHEADER file, 8 bpp, a full 256-entry palette (biClrUsed 256);
// the pixels run-length encoded (BI_RLE8) when rle is set, else stored as they are.
std::vector<uint8_t> EncodeBmp8(const IndexedImage &image, bool rle);
// PNG of the canvas: 8-bit RGBA, deflated.
std::vector<uint8_t> EncodePng(const Canvas &canvas);
// Icon file with one 32 bpp BGRA image per canvas plus its AND mask; a 256-pixel image
// is stored as a PNG instead.
std::vector<uint8_t> EncodeIco(const std::vector<const Canvas *> &images);
// 1 when the whole buffer was written, 0 otherwise.
int WriteBytes(const std::string &path, const std::vector<uint8_t> &bytes);

} // namespace art
