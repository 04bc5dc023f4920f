// mkart OUTDIR: writes the setup program's artwork (product and maker bitmaps,
// the wizard strip and the program icon), all drawn here from code. The bitmaps are
// RLE8-compressed; OUTDIR/plain holds them uncompressed, for the tests to compare with.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "imagefile.h"
#include "pictures.h"

namespace {

const int kPaletteColours = 256;

int WriteBitmap(const std::string &dir, const char *name, const art::Canvas &canvas)
{
    art::IndexedImage image = art::Quantise(canvas, kPaletteColours);
    std::string path = dir + "/" + name, plain = dir + "/plain/" + name;
    if (art::WriteBytes(path, art::EncodeBmp8(image, true)) && art::WriteBytes(plain, art::EncodeBmp8(image, false)))
        return 1;
    std::fprintf(stderr, "mkart: cannot write %s or %s\n", path.c_str(), plain.c_str());
    return 0;
}

int WriteIcon(const std::string &dir, const char *name)
{
    art::Canvas large = art::IconPicture(32), small = art::IconPicture(16);
    std::string path = dir + "/" + name;
    if (art::WriteBytes(path, art::EncodeIco({&large, &small})))
        return 1;
    std::fprintf(stderr, "mkart: cannot write %s\n", path.c_str());
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mkart OUTDIR\n");
        return 2;
    }
    std::string dir = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(dir + "/plain", ec);
    if (ec) {
        std::fprintf(stderr, "mkart: cannot create %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    int ok = WriteBitmap(dir, "nx_bmp.bmp", art::ProductPicture());
    ok = ok && WriteBitmap(dir, "quorvane.bmp", art::MakerPicture());
    ok = ok && WriteBitmap(dir, "strip.bmp", art::StripPicture());
    ok = ok && WriteIcon(dir, "app_main.ico");
    return ok ? 0 : 1;
}
