// mkart OUTDIR: writes the setup program's artwork (product and maker bitmaps,
// the wizard strip, each at the scales carried, and the program icon at 16 to 256 pixels), all drawn here from code. The bitmaps are
// RLE8-compressed; OUTDIR/plain holds them uncompressed, for the tests to compare with.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

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

// Each bitmap at 100 % as NAME.bmp and at the larger carried scales as NAME_PERCENT.bmp.
// The program scales the next larger one down for the scales between; the wizard strip,
// on every page, carries one more.
int WriteScaledBitmaps(const std::string &dir, const char *name, art::Canvas (*draw)(double),
                       std::initializer_list<int> percents)
{
    for (int percent : percents) {
        std::string file = name;
        if (percent != 100)
            file += "_" + std::to_string(percent);
        if (!WriteBitmap(dir, (file + ".bmp").c_str(), draw(percent / 100.0)))
            return 0;
    }
    return 1;
}

int WriteIcon(const std::string &dir, const char *name)
{
    std::vector<art::Canvas> images;
    std::vector<const art::Canvas *> order;
    for (int size : {16, 20, 24, 32, 40, 48, 64, 256})
        images.push_back(art::IconPicture(size));
    for (const art::Canvas &c : images)
        order.push_back(&c);
    std::string path = dir + "/" + name;
    if (art::WriteBytes(path, art::EncodeIco(order)))
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
    int ok = WriteScaledBitmaps(dir, "nx_bmp", art::ProductPicture, {100, 250});
    ok = ok && WriteScaledBitmaps(dir, "quorvane", art::MakerPicture, {100, 250});
    ok = ok && WriteScaledBitmaps(dir, "strip", art::StripPicture, {100, 200, 250});
    ok = ok && WriteIcon(dir, "app_main.ico");
    return ok ? 0 : 1;
}
