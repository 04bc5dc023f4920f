// rowsums OUTPUT FILE|- ...   writes the table of check values the setup program carries:
//                             for each argument, in row order, the file's size and its
//                             CRC-32, both 32-bit little-endian; "-" (a row the program
//                             does not check) gives eight zero bytes.
// rowsums --print FILE        prints the file's size and CRC-32 (for the tests).
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "readall.h"

namespace {

// CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, as zip and PNG use it); the
// setup program computes the same value at start-up.
uint32_t Crc32(const std::vector<uint8_t> &bytes)
{
    uint32_t table[256];
    for (uint32_t n = 0; n < 256; ++n) {
        uint32_t c = n;
        for (int k = 0; k < 8; ++k)
            c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        table[n] = c;
    }
    uint32_t crc = 0xFFFFFFFFu;
    for (uint8_t b : bytes)
        crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// The file's bytes; the table holds 32-bit sizes.
int ReadRow(const char *path, std::vector<uint8_t> *out)
{
    if (!ReadAll("rowsums", path, out))
        return 0;
    if (out->size() > 0xFFFFFFFFu) {
        std::fprintf(stderr, "rowsums: %s is larger than 4 GB\n", path);
        return 0;
    }
    return 1;
}

void PutU32(std::vector<uint8_t> *out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out->push_back((uint8_t)(value >> (8 * i)));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--print") == 0) {
        std::vector<uint8_t> bytes;
        if (!ReadRow(argv[2], &bytes))
            return 1;
        std::printf("%zu %08x\n", bytes.size(), Crc32(bytes));
        return 0;
    }
    if (argc < 3) {
        std::fprintf(stderr, "usage: rowsums OUTPUT FILE|- ...\n       rowsums --print FILE\n");
        return 1;
    }
    std::vector<uint8_t> table;
    for (int i = 2; i < argc; ++i) {
        std::vector<uint8_t> bytes;
        if (std::strcmp(argv[i], "-") == 0) {
            PutU32(&table, 0);
            PutU32(&table, 0);
            continue;
        }
        if (!ReadRow(argv[i], &bytes))
            return 1;
        PutU32(&table, (uint32_t)bytes.size());
        PutU32(&table, Crc32(bytes));
    }
    FILE *f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(table.data(), 1, table.size(), f) != table.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "rowsums: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
