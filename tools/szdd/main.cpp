// szdd [-c CHAR] INPUT OUTPUT   writes INPUT as an SZDD file with the smallest possible encoding.
// szdd --size INPUT             prints the size in bytes of that file without writing it.
// CHAR is the original name's replaced last character stored in the header (default 0).
#include "pack.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace {

const size_t kChunkSize = 64 * 1024;

struct Options {
    int sizeOnly;
    uint8_t lastChar;
    const char *input;
    const char *output;
};

int Usage()
{
    fprintf(stderr, "usage: szdd [-c CHAR] INPUT OUTPUT\n"
                    "       szdd --size INPUT\n");
    return 0;
}

// 1 when the arguments form one of the two commands, 0 after printing the usage.
int ParseOptions(int argc, char **argv, Options *opt)
{
    *opt = Options{0, 0, nullptr, nullptr};
    if (argc == 3 && strcmp(argv[1], "--size") == 0) {
        opt->sizeOnly = 1;
        opt->input = argv[2];
        return 1;
    }
    int next = 1;
    if (argc == 5 && strcmp(argv[1], "-c") == 0) {
        if (strlen(argv[2]) != 1)
            return Usage();
        opt->lastChar = (uint8_t)argv[2][0];
        next = 3;
    }
    if (argc != next + 2)
        return Usage();
    opt->input = argv[next];
    opt->output = argv[next + 1];
    return 1;
}

int ReadInput(const char *path, std::vector<uint8_t> *data)
{
    FILE *f = fopen(path, "rb");
    if (!f) {
        fprintf(stderr, "szdd: cannot open %s: %s\n", path, strerror(errno));
        return 0;
    }
    uint8_t chunk[kChunkSize];
    size_t got;
    while ((got = fread(chunk, 1, sizeof(chunk), f)) > 0 && data->size() <= kMaxInput)
        data->insert(data->end(), chunk, chunk + got);
    int ok = !ferror(f);
    if (!ok)
        fprintf(stderr, "szdd: cannot read %s: %s\n", path, strerror(errno));
    else if (data->size() > kMaxInput) {
        fprintf(stderr, "szdd: %s is larger than %zu bytes\n", path, kMaxInput);
        ok = 0;
    }
    fclose(f);
    return ok;
}

// Writes the whole buffer; a partial regular file is removed again.
int WriteOutput(const char *path, const std::vector<uint8_t> &bytes)
{
    FILE *f = fopen(path, "wb");
    if (!f) {
        fprintf(stderr, "szdd: cannot create %s: %s\n", path, strerror(errno));
        return 0;
    }
    int ok = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (fclose(f) != 0)
        ok = 0;
    struct stat st;
    if (!ok) {
        fprintf(stderr, "szdd: cannot write %s: %s\n", path, strerror(errno));
        if (stat(path, &st) == 0 && S_ISREG(st.st_mode))  // never a device such as /dev/full
            remove(path);
    }
    return ok;
}

}  // namespace

int main(int argc, char **argv)
{
    Options opt;
    if (!ParseOptions(argc, argv, &opt))
        return 2;
    std::vector<uint8_t> data;
    if (!ReadInput(opt.input, &data))
        return 1;

    MatchTable table;
    if (!FindMatches(data.data(), data.size(), &table))
        return 1;  // ReadInput already refused larger files
    uint32_t bits = ChooseItems(data.size(), &table);
    if (opt.sizeOnly) {
        printf("%zu\n", SzddSize(bits));
        return 0;
    }
    std::vector<uint8_t> packed;
    WriteSzdd(data.data(), data.size(), opt.lastChar, table, &packed);
    return WriteOutput(opt.output, packed) ? 0 : 1;
}
