// peinfo sizes FILE...     prints the make-up of each setup program: code and data, artwork
//                          (bitmaps and icons), payload (the EXE resources), total, in bytes.
// peinfo compare A B       exit 0 when the files are byte-identical; otherwise names the first
//                          differing offset and the part of the PE file that holds it, exit 1.
// peinfo imports FILE      prints every DLL the file imports, one a line ("delay NAME" for a
//                          delay-loaded one).
// peinfo loadconfig FILE   prints the load configuration's DependentLoadFlags
//                          ("DependentLoadFlags 0x0800"), or "no load configuration".
// peinfo setloadconfig FILE MAP SYMBOL
//                          points FILE's load configuration entry at SYMBOL, whose address
//                          the linker's MAP file gives, and brings the header checksum up to
//                          date; the linker in use does not set the entry itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "readall.h"

namespace {

const uint16_t kRtBitmap = 2, kRtIcon = 3, kRtGroupIcon = 14;
const int kMaxDepth = 3; // type, name, language

struct Section {
    char name[9];
    uint32_t rva, virtualSize, rawOffset, rawSize;
};

struct Image {
    std::vector<uint8_t> bytes;
    std::vector<Section> sections;
    uint32_t resourceRva = 0;
    uint32_t headersEnd = 0;
    uint32_t optional = 0;    // offset of the optional header
    uint32_t directories = 0; // offset of the data directories
    uint32_t directoryCount = 0;
    bool plus = false;        // PE32+ (x86_64)
};

const int kImportDirectory = 1, kLoadConfigDirectory = 10, kDelayImportDirectory = 13;

struct Sizes {
    uint64_t artwork = 0, payload = 0;
    uint64_t bookkeeping = 0; // directory entries, names and data entries of those two
};

uint32_t U16(const std::vector<uint8_t> &b, size_t at) { return at + 2 <= b.size() ? b[at] | b[at + 1] << 8 : 0; }
uint32_t U32(const std::vector<uint8_t> &b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }

// 1 when the file is a PE image; fills the section table and the resource directory's RVA.
int ParseImage(const char *path, Image *img)
{
    if (!ReadAll("peinfo", path, &img->bytes))
        return 0;
    const std::vector<uint8_t> &b = img->bytes;
    uint32_t pe = U32(b, 0x3c);
    if (b.size() < 0x40 || U32(b, pe) != 0x4550) {
        std::fprintf(stderr, "peinfo: %s is not a PE file\n", path);
        return 0;
    }
    uint32_t count = U16(b, pe + 6), optSize = U16(b, pe + 20), opt = pe + 24;
    img->plus = U16(b, opt) == 0x20b;
    uint32_t dirs = opt + (img->plus ? 112 : 96);
    img->optional = opt;
    img->directories = dirs;
    img->directoryCount = U32(b, dirs - 4);
    img->resourceRva = U32(b, dirs + 2 * 8);
    img->headersEnd = opt + optSize + 40 * count;
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = opt + optSize + 40 * i;
        Section s = {};
        for (int k = 0; k < 8 && at + k < b.size(); ++k)
            s.name[k] = (char)b[at + k];
        s.virtualSize = U32(b, at + 8);
        s.rva = U32(b, at + 12);
        s.rawSize = U32(b, at + 16);
        s.rawOffset = U32(b, at + 20);
        img->sections.push_back(s);
    }
    return 1;
}

// File offset of an RVA, or 0 when no section holds it.
uint32_t OffsetOf(const Image &img, uint32_t rva)
{
    for (const Section &s : img.sections)
        if (rva >= s.rva && rva < s.rva + s.rawSize)
            return rva - s.rva + s.rawOffset;
    return 0;
}

// Resource type of a type-level entry: kind 1 artwork, 2 payload, 0 anything else.
int KindOf(const Image &img, uint32_t base, uint32_t nameField)
{
    const std::vector<uint8_t> &b = img.bytes;
    if (!(nameField & 0x80000000u)) {
        uint32_t id = nameField & 0xffff;
        return id == kRtBitmap || id == kRtIcon || id == kRtGroupIcon ? 1 : 0;
    }
    uint32_t at = base + (nameField & 0x7fffffffu);
    uint32_t len = U16(b, at);
    std::string name;
    for (uint32_t i = 0; i < len; ++i)
        name += (char)U16(b, at + 2 + 2 * i);
    return name == "EXE" ? 2 : 0;
}

// Adds the data sizes under one resource directory to the totals of kind, and the bytes
// that describe artwork and payload (their entries, names, subdirectories and data
// entries) to the bookkeeping.
void SumDirectory(const Image &img, uint32_t base, uint32_t dir, int depth, int kind, Sizes *sizes)
{
    const std::vector<uint8_t> &b = img.bytes;
    uint32_t entries = U16(b, dir + 12) + U16(b, dir + 14);
    for (uint32_t i = 0; i < entries && depth < kMaxDepth; ++i) {
        uint32_t e = dir + 16 + 8 * i, nameField = U32(b, e), target = U32(b, e + 4);
        int k = depth == 0 ? KindOf(img, base, nameField) : kind;
        if (k != 0) {
            sizes->bookkeeping += 8;
            if (nameField & 0x80000000u)
                sizes->bookkeeping += 2 + 2 * U16(b, base + (nameField & 0x7fffffffu));
            sizes->bookkeeping += 16; // the subdirectory's header, or the data entry
        }
        if (target & 0x80000000u) {
            SumDirectory(img, base, base + (target & 0x7fffffffu), depth + 1, k, sizes);
            continue;
        }
        uint32_t size = U32(b, base + target + 4);
        if (k == 1)
            sizes->artwork += size;
        else if (k == 2)
            sizes->payload += size;
    }
}

int PrintSizes(const char *path)
{
    Image img;
    if (!ParseImage(path, &img))
        return 0;
    Sizes sizes;
    uint32_t base = img.resourceRva ? OffsetOf(img, img.resourceRva) : 0;
    if (base)
        SumDirectory(img, base, base, 0, 0, &sizes);
    uint64_t total = img.bytes.size();
    std::printf("%-28s %10s %10s %10s %10s\n", path, "code+data", "artwork", "payload", "total");
    std::printf("%-28s %10llu %10llu %10llu %10llu\n", "",
                (unsigned long long)(total - sizes.artwork - sizes.payload),
                (unsigned long long)sizes.artwork, (unsigned long long)sizes.payload,
                (unsigned long long)total);
    std::printf("  of code+data, resource directory entries of artwork and payload: %llu;"
                " program overhead without them: %llu\n",
                (unsigned long long)sizes.bookkeeping,
                (unsigned long long)(total - sizes.artwork - sizes.payload - sizes.bookkeeping));
    return 1;
}

// The part of the file an offset falls in: a section's name, the headers, or the tail.
std::string PartAt(const Image &img, uint64_t offset)
{
    if (offset < img.headersEnd)
        return "the PE headers";
    for (const Section &s : img.sections)
        if (offset >= s.rawOffset && offset < (uint64_t)s.rawOffset + s.rawSize)
            return std::string("section ") + s.name;
    return "no section (padding or data after the sections)";
}

int Compare(const char *pathA, const char *pathB)
{
    Image a, b;
    if (!ParseImage(pathA, &a) || !ParseImage(pathB, &b))
        return 2;
    size_t n = a.bytes.size() < b.bytes.size() ? a.bytes.size() : b.bytes.size();
    size_t at = 0;
    while (at < n && a.bytes[at] == b.bytes[at])
        ++at;
    if (at == n && a.bytes.size() == b.bytes.size()) {
        std::printf("identical: %s and %s (%zu bytes)\n", pathA, pathB, n);
        return 0;
    }
    std::printf("differ: %s (%zu bytes) and %s (%zu bytes)\n", pathA, a.bytes.size(), pathB, b.bytes.size());
    std::printf("first difference at offset 0x%zx (%zu), in %s\n", at, at, PartAt(a, at).c_str());
    return 1;
}

// RVA and size of data directory index; 0 when the file has none.
uint32_t DirectoryRva(const Image &img, int index, uint32_t *size = nullptr)
{
    if ((uint32_t)index >= img.directoryCount)
        return 0;
    if (size)
        *size = U32(img.bytes, img.directories + 8 * index + 4);
    return U32(img.bytes, img.directories + 8 * index);
}

std::string NameAt(const Image &img, uint32_t rva)
{
    std::string name;
    for (uint32_t at = OffsetOf(img, rva); at && at < img.bytes.size() && img.bytes[at]; ++at)
        name += (char)img.bytes[at];
    return name;
}

int PrintImports(const char *path)
{
    Image img;
    if (!ParseImage(path, &img))
        return 0;
    // Import descriptors (20 bytes, the name's RVA at 12) and delay-load descriptors
    // (32 bytes, the name's RVA at 4), each list ended by an entry of zeros.
    uint32_t at = OffsetOf(img, DirectoryRva(img, kImportDirectory));
    for (; at && U32(img.bytes, at + 12); at += 20)
        std::printf("%s\n", NameAt(img, U32(img.bytes, at + 12)).c_str());
    at = OffsetOf(img, DirectoryRva(img, kDelayImportDirectory));
    for (; at && U32(img.bytes, at + 4); at += 32)
        std::printf("delay %s\n", NameAt(img, U32(img.bytes, at + 4)).c_str());
    return 1;
}

// Where DependentLoadFlags lies in the load configuration: after the fields up to
// CSDVersion, whose widths differ between PE32 and PE32+.
uint32_t DependentLoadFlagsOffset(const Image &img)
{
    return img.plus ? 78 : 54;
}

int PrintLoadConfig(const char *path)
{
    Image img;
    if (!ParseImage(path, &img))
        return 0;
    uint32_t size = 0, at = OffsetOf(img, DirectoryRva(img, kLoadConfigDirectory, &size));
    uint32_t field = DependentLoadFlagsOffset(img);
    if (!at || size < field + 2 || U32(img.bytes, at) < field + 2) {
        std::printf("no load configuration\n");
        return 1;
    }
    std::printf("DependentLoadFlags 0x%04x\n", U16(img.bytes, at + field));
    return 1;
}

// The PE header checksum: the file as 16-bit words without the checksum field, added with
// end-around carry, plus the file's length.
uint32_t HeaderChecksum(const std::vector<uint8_t> &b, uint32_t field)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        if (i == field || i == field + 2)
            continue;
        sum += i + 1 < b.size() ? U16(b, i) : b[i];
        sum = (sum & 0xffff) + (sum >> 16);
    }
    return (uint32_t)(((sum & 0xffff) + (sum >> 16)) + b.size());
}

// The symbol's address in a GNU ld map file: a line "  0xADDRESS  SYMBOL". 0 when absent.
uint64_t MapAddress(const char *mapPath, const char *symbol)
{
    std::vector<uint8_t> map;
    if (!ReadAll("peinfo", mapPath, &map))
        return 0;
    std::string text(map.begin(), map.end()), line;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        start = end == std::string::npos ? text.size() : end + 1;
        char address[32], name[256];
        if (std::sscanf(line.c_str(), " %31s %255s", address, name) == 2 && std::strcmp(name, symbol) == 0 &&
            std::strncmp(address, "0x", 2) == 0)
            return std::strtoull(address, nullptr, 16);
    }
    return 0;
}

int SetLoadConfig(const char *path, const char *mapPath, const char *symbol)
{
    Image img;
    if (!ParseImage(path, &img))
        return 0;
    std::vector<uint8_t> &b = img.bytes;
    uint32_t checksumField = img.optional + 64;
    uint64_t imageBase = img.plus ? (uint64_t)U32(b, img.optional + 24) | (uint64_t)U32(b, img.optional + 28) << 32
                                  : U32(b, img.optional + 28);
    uint64_t address = MapAddress(mapPath, symbol);
    uint32_t rva = (uint32_t)(address - imageBase), at = address > imageBase ? OffsetOf(img, rva) : 0;
    if (!at || img.directoryCount <= (uint32_t)kLoadConfigDirectory) {
        std::fprintf(stderr, "peinfo: %s: no %s in %s, or it lies in no section\n", path, symbol, mapPath);
        return 0;
    }
    // A checksum the linker wrote must be the one computed here, or the result would lie.
    uint32_t stored = U32(b, checksumField);
    if (stored && stored != HeaderChecksum(b, checksumField)) {
        std::fprintf(stderr, "peinfo: %s: its header checksum is not the one expected\n", path);
        return 0;
    }
    uint32_t size = U32(b, at), entry = img.directories + 8 * kLoadConfigDirectory;
    for (int k = 0; k < 4; ++k) {
        b[entry + k] = (uint8_t)(rva >> 8 * k);
        b[entry + 4 + k] = (uint8_t)(size >> 8 * k);
    }
    uint32_t sum = HeaderChecksum(b, checksumField);
    for (int k = 0; k < 4; ++k)
        b[checksumField + k] = (uint8_t)(sum >> 8 * k);
    FILE *f = std::fopen(path, "r+b");
    int ok = f && std::fwrite(b.data(), 1, b.size(), f) == b.size();
    ok = f && std::fclose(f) == 0 && ok;
    if (!ok)
        std::fprintf(stderr, "peinfo: cannot write %s\n", path);
    return ok;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 3 && std::strcmp(argv[1], "sizes") == 0) {
        int ok = 1;
        for (int i = 2; i < argc; ++i)
            ok = PrintSizes(argv[i]) && ok;
        return ok ? 0 : 2;
    }
    if (argc == 4 && std::strcmp(argv[1], "compare") == 0)
        return Compare(argv[2], argv[3]);
    if (argc == 3 && std::strcmp(argv[1], "imports") == 0)
        return PrintImports(argv[2]) ? 0 : 2;
    if (argc == 3 && std::strcmp(argv[1], "loadconfig") == 0)
        return PrintLoadConfig(argv[2]) ? 0 : 2;
    if (argc == 5 && std::strcmp(argv[1], "setloadconfig") == 0)
        return SetLoadConfig(argv[2], argv[3], argv[4]) ? 0 : 2;
    std::fprintf(stderr, "usage: peinfo sizes FILE...\n       peinfo compare A B\n       peinfo imports FILE\n"
                         "       peinfo loadconfig FILE\n       peinfo setloadconfig FILE MAP SYMBOL\n");
    return 2;
}
