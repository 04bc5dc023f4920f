// phasetime PROGRAM: how a setup program's file placement divides between writing the
// rows to the scratch file and expanding them to their places. Every carried row goes
// through one held scratch file into a new folder, as an installation does; the median
// of five passes of each step is printed.
#include <stdio.h>
#include <algorithm>
#include <string>
#include "payload/payload.h"

#define PASSES 5

static double Seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;

    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

static void RemoveFolder(const std::string &folder)
{
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (PayloadTable[i].installedName[0])
            DeleteFileA((folder + "\\" + PayloadTable[i].installedName).c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

// One pass: the seconds spent writing the scratch file and expanding, 0 on a failure.
static int PlaceAll(HMODULE module, HANDLE scratch, const std::string &dest, double *writes, double *expansion)
{
    LARGE_INTEGER a, b, c;

    *writes = *expansion = 0;
    RemoveFolder(dest);
    CreateDirectoryA(dest.c_str(), NULL);
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (i == PAYLOAD_OPTIONS || !PayloadTable[i].carried)
            continue;
        QueryPerformanceCounter(&a);
        if (!ExtractPayloadTo(module, i, scratch))
            return 0;
        QueryPerformanceCounter(&b);
        if (!ExpandHeldFile(scratch, (dest + "\\" + PayloadTable[i].installedName).c_str()))
            return 0;
        QueryPerformanceCounter(&c);
        *writes += Seconds(a, b);
        *expansion += Seconds(b, c);
    }
    return 1;
}

int main(int argc, char **argv)
{
    HMODULE module = argc == 2 ? LoadLibraryExA(argv[1], NULL, LOAD_LIBRARY_AS_DATAFILE) : NULL;
    char temp[MAX_PATH];
    double writes[PASSES], expansion[PASSES];

    if (!module || !GetTempPathA(MAX_PATH, temp)) {
        fprintf(stderr, "usage: phasetime SETUP-PROGRAM\n");
        return 2;
    }
    std::string work = std::string(temp) + "phasetime";
    CreateDirectoryA(work.c_str(), NULL);
    std::string scratchPath = work + "\\scratch.tmp";
    HANDLE scratch = CreateFileA(scratchPath.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                 CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    for (int pass = 0; pass < PASSES; pass++) {
        if (scratch == INVALID_HANDLE_VALUE || !PlaceAll(module, scratch, work + "\\dest", &writes[pass], &expansion[pass])) {
            fprintf(stderr, "phasetime: a row of %s could not be placed (error %lu)\n", argv[1], GetLastError());
            return 1;
        }
    }
    CloseHandle(scratch);
    DeleteFileA(scratchPath.c_str());
    RemoveFolder(work + "\\dest");
    RemoveDirectoryA(work.c_str());
    std::sort(writes, writes + PASSES);
    std::sort(expansion, expansion + PASSES);
    printf("scratch writes %.3f s, expansion %.3f s\n", writes[PASSES / 2], expansion[PASSES / 2]);
    FreeLibrary(module);
    return 0;
}
