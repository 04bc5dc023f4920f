// checktime PROGRAM...: the cost of the start-up check of each setup program: the bytes
// of the rows it checks and the time CheckCarriedRows takes on the program mapped as a
// data file, on the first pass and the best of five (make bench prints it).
#include <stdio.h>
#include "payload/integrity.h"

#define PASSES 5

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;

    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

// Bytes of the rows the check reads.
static unsigned long long CheckedBytes(HMODULE module)
{
    unsigned long long total = 0;

    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        HRSRC found = IsCheckedRow(i) ? FindResourceA(module, PayloadTable[i].resourceName, PAYLOAD_RESOURCE_TYPE)
                                      : NULL;
        total += found ? SizeofResource(module, found) : 0;
    }
    return total;
}

static int TimeCheck(const char *path)
{
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    LARGE_INTEGER start, end;
    double first = 0, best = 0;
    int result = ROWS_INTACT;

    if (!module) {
        fprintf(stderr, "checktime: %s cannot be loaded (error %lu)\n", path, GetLastError());
        return 0;
    }
    for (int pass = 0; pass < PASSES; pass++) {
        QueryPerformanceCounter(&start);
        result = CheckCarriedRows(module);
        QueryPerformanceCounter(&end);
        double ms = Milliseconds(start, end);
        if (pass == 0)
            first = best = ms;
        else if (ms < best)
            best = ms;
    }
    printf("%s: %llu bytes checked in %.1f ms (first pass), %.1f ms (best of %d)%s\n", path,
           CheckedBytes(module), first, best, PASSES, result == ROWS_INTACT ? "" : ", DAMAGED");
    FreeLibrary(module);
    return result == ROWS_INTACT;
}

int main(int argc, char **argv)
{
    int ok = argc > 1;

    for (int i = 1; i < argc; i++)
        ok &= TimeCheck(argv[i]);
    fflush(stdout);
    return ok ? 0 : 1;
}
