// A payload row's form (SZDD or plain) and its expansion through the LZ functions.
#include <string.h>
#include "session/text.h"
#include "setupkit.h"
#include <lzexpand.h>

#define SZDD_HEADER_SIZE 14

static const BYTE s_szddMagic[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 };

int RowForm(const BYTE *data, DWORD size, DWORD *expanded)
{
    if (size >= SZDD_HEADER_SIZE && memcmp(data, s_szddMagic, sizeof(s_szddMagic)) == 0 && data[8] == 'A') {
        *expanded = data[10] | (data[11] << 8) | (data[12] << 16) | ((DWORD)data[13] << 24);
        return ROW_SZDD;
    }
    *expanded = size;
    return ROW_PLAIN;
}

// The LZ functions read from a file handle, so the row goes to a temporary file first.
static int WriteTempCopy(const BYTE *data, DWORD size, char *path)
{
    char folder[KIT_PATH_SIZE];
    DWORD n = GetTempPathA(COUNTOF(folder), folder), written = 0;
    HANDLE file;
    int ok;

    if (n == 0 || n >= (DWORD)COUNTOF(folder) || !GetTempFileNameA(folder, "nxk", 0, path))
        return 0;
    file = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        DeleteFileA(path);
        return 0;
    }
    ok = WriteFile(file, data, size, &written, NULL) && written == size;
    CloseHandle(file);
    if (!ok)
        DeleteFileA(path);
    return ok;
}

// Handles come from CreateFileA rather than LZOpenFileA or OpenFile, whose OFSTRUCT
// keeps only 128 characters of a path; LZInit and LZCopy take them cast to HFILE.
int ExpandRow(const BYTE *data, DWORD size, const char *destination, DWORD *written)
{
    char source[KIT_PATH_SIZE];
    HANDLE in, out;
    DWORD expected;
    LONG copied = -1;
    INT lz;

    *written = 0;
    RowForm(data, size, &expected);
    if (!WriteTempCopy(data, size, source))
        return 0;
    in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    out = CreateFileA(destination, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (in != INVALID_HANDLE_VALUE && out != INVALID_HANDLE_VALUE) {
        lz = LZInit((HFILE)(INT_PTR)in);
        if (lz >= 0) {
            copied = LZCopy(lz, (HFILE)(INT_PTR)out);
            LZClose(lz);  // closes the source handle too
            in = INVALID_HANDLE_VALUE;
        }
    }
    if (in != INVALID_HANDLE_VALUE)
        CloseHandle(in);
    if (out != INVALID_HANDLE_VALUE)
        CloseHandle(out);
    DeleteFileA(source);
    if (copied < 0)
        return 0;
    *written = (DWORD)copied;
    return *written == expected;
}
