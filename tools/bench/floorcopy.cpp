// floorcopy SOURCE DEST: the floor of make bench. Copies every file of the folder SOURCE
// into the new folder DEST in 1 MiB reads and writes, as a plain program does: what the
// disk (and Wine's file layer) take to place those bytes, without any setup work.
#include <windows.h>
#include <stdio.h>
#include <string>

#define BLOCK (1024 * 1024)

static int CopyOne(const std::string &from, const std::string &to, char *buffer)
{
    HANDLE in = CreateFileA(from.c_str(), GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
    HANDLE out = CreateFileA(to.c_str(), GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD got = 0, written = 0;
    int ok = in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE;

    while (ok && ReadFile(in, buffer, BLOCK, &got, NULL) && got > 0)
        ok = WriteFile(out, buffer, got, &written, NULL) && written == got;
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    return ok;
}

int main(int argc, char **argv)
{
    static char buffer[BLOCK];
    WIN32_FIND_DATAA found;
    HANDLE search;
    int files = 0;

    if (argc != 3 || !CreateDirectoryA(argv[2], NULL)) {
        fprintf(stderr, "usage: floorcopy SOURCE NEW-DEST\n");
        return 2;
    }
    search = FindFirstFileA((std::string(argv[1]) + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 1;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (!CopyOne(std::string(argv[1]) + "\\" + found.cFileName, std::string(argv[2]) + "\\" + found.cFileName,
                     buffer)) {
            fprintf(stderr, "floorcopy: %s not copied (error %lu)\n", found.cFileName, GetLastError());
            return 1;
        }
        files++;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files ? 0 : 1;
}
