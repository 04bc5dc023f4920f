// The whole of a file, for the host tools: ReadAll(tool, path, &bytes) appends the file's
// bytes and returns 1, or names the tool and the file on stderr and returns 0.
#ifndef NX_TOOLS_READALL_H
#define NX_TOOLS_READALL_H

#include <cstdint>
#include <cstdio>
#include <vector>

inline int ReadAll(const char *tool, const char *path, std::vector<uint8_t> *out)
{
    FILE *f = std::fopen(path, "rb");
    if (!f) {
        std::fprintf(stderr, "%s: cannot open %s\n", tool, path);
        return 0;
    }
    uint8_t chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out->insert(out->end(), chunk, chunk + got);
    int ok = !std::ferror(f);
    std::fclose(f);
    if (!ok)
        std::fprintf(stderr, "%s: cannot read %s\n", tool, path);
    return ok;
}

#endif
