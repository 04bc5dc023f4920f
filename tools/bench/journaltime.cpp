// journaltime PROGRAM...: what the journal of an installation run costs. Every carried
// row of each program is placed into a new folder and then placed again over itself (an
// installation, then an update), once with the journal kept (earlier copies set aside,
// deleted at the end) and once without; best of five each, and the difference.
#include <stdio.h>
#include <string>
#include "payload/payload.h"
#include "session/journal.h"

#define PASSES 5

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;

    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) * 1000.0 / (double)frequency.QuadPart;
}

static void EmptyFolder(const std::string &folder)
{
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);

    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

// Places every carried row into dest twice; the time in ms, or a negative value.
static double PlaceTwice(HMODULE module, const std::string &work, const std::string &dest, int journal)
{
    LARGE_INTEGER start, end;

    EmptyFolder(dest);
    CreateDirectoryA(dest.c_str(), NULL);
    QueryPerformanceCounter(&start);
    for (int round = 0; round < 2; round++) {
        if (journal)
            JournalBegin();
        for (int i = 0; i < PAYLOAD_COUNT; i++) {
            if (i == PAYLOAD_OPTIONS || !PayloadTable[i].carried)
                continue;
            char scratch[MAX_PATH];
            snprintf(scratch, sizeof(scratch), "%s\\scratch.tmp", work.c_str());
            if (!ExtractPayload(module, i, work.c_str(), "scratch.tmp") ||
                !ExpandFile(scratch, (dest + "\\" + PayloadTable[i].installedName).c_str()))
                return -1;
            DeleteFileA(scratch);
        }
        if (journal)
            JournalKeep();
    }
    QueryPerformanceCounter(&end);
    return Milliseconds(start, end);
}

static int TimeJournal(const char *path)
{
    HMODULE module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    char temp[MAX_PATH];
    double best[2] = { 0, 0 };

    if (!module || !GetTempPathA(MAX_PATH, temp)) {
        fprintf(stderr, "journaltime: %s cannot be loaded (error %lu)\n", path, GetLastError());
        return 0;
    }
    std::string work = std::string(temp) + "journaltime";
    std::string dest = work + "\\dest";
    CreateDirectoryA(work.c_str(), NULL);
    for (int pass = 0; pass < PASSES; pass++) {
        for (int journal = 0; journal < 2; journal++) {
            double ms = PlaceTwice(module, work, dest, journal);
            if (ms < 0) {
                fprintf(stderr, "journaltime: a row of %s could not be placed (error %lu)\n", path, GetLastError());
                return 0;
            }
            if (pass == 0 || ms < best[journal])
                best[journal] = ms;
        }
    }
    EmptyFolder(dest);
    RemoveDirectoryA(work.c_str());
    printf("%s: placing every row twice takes %.1f ms without the journal, %.1f ms with it: "
           "the journal costs %.1f ms\n", path, best[0], best[1], best[1] - best[0]);
    FreeLibrary(module);
    return 1;
}

int main(int argc, char **argv)
{
    int ok = argc > 1;

    for (int i = 1; i < argc; i++)
        ok &= TimeJournal(argv[i]);
    fflush(stdout);
    return ok ? 0 : 1;
}
