// Writing payload rows out of the executable, expanding them, and cleaning up the
// temporary copies.
#include <windows.h>
#include <lzexpand.h>
#include <string.h>
#include "session/startup.h"
#include "session/text.h"
#include "payload/payload.h"

#define EXTRACT_PATH_SIZE 256
#define CLEANUP_PATH_SIZE 512

int ExtractPayload(HMODULE module, int index, const char *folder, const char *fileName)
{
    char path[EXTRACT_PATH_SIZE];
    HRSRC found;
    HGLOBAL loaded;
    HANDLE file;
    DWORD size, written = 0;
    int result;

    if (index < 0 || index >= PAYLOAD_COUNT || PayloadTable[index].resourceName[0] == '\0')
        return 0;
    found = FindResourceA(module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE);
    if (!found)
        return 0;
    size = SizeofResource(module, found);
    loaded = LoadResource(module, found);
    if (!loaded)
        return 0;
    if (!JoinPath(path, COUNTOF(path), folder, fileName)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                       FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        FreeResource(loaded);
        return 0;
    }
    result = WriteFile(file, LockResource(loaded), size, &written, NULL) && written == size;
    CloseHandle(file);
    FreeResource(loaded);
    return result;
}

// Opens a source for LZCopy: an SZDD file is read through the LZ layer, any other file
// as it is. OpenFile and LZOpenFileA keep the path in a 128-byte OFSTRUCT and fail for a
// deeper folder; CreateFileA has no such limit, and LZInit takes its handle (handles
// keep 32 significant bits on 64-bit Windows). Negative when it cannot be opened.
static INT OpenExpansionSource(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    INT lz;

    if (file == INVALID_HANDLE_VALUE)
        return -1;
    lz = LZInit((INT)(INT_PTR)file);
    if (lz < 0)
        CloseHandle(file);
    return lz;
}

// The source is looked up in its underscore form first, then under its own name.
static INT OpenSourceEitherForm(char *source)
{
    size_t len = strlen(source);
    char replaced = source[len - 1];
    INT from;

    source[len - 1] = '_';
    from = OpenExpansionSource(source);
    if (from < 0) {
        source[len - 1] = replaced;
        from = OpenExpansionSource(source);
    }
    return from;
}

// The destination is opened without sharing: a file another program holds makes the
// expansion fail instead of being written beside it under another name. A copy that
// fails half-way is removed rather than left as a truncated product file.
int ExpandFile(char *source, const char *destination)
{
    HANDLE to;
    INT from;
    LONG copied;
    DWORD error;

    if (lstrcmpiA(source, destination) == 0)
        return 1;
    if (source[0] == '\0')
        return 0;
    from = OpenSourceEitherForm(source);
    if (from < 0)
        return 0;
    to = CreateFileA(destination, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (to == INVALID_HANDLE_VALUE) {
        error = GetLastError();
        LZClose(from);
        SetLastError(error);
        return 0;
    }
    copied = LZCopy(from, (INT)(INT_PTR)to);
    error = GetLastError();
    CloseHandle(to);
    LZClose(from);
    if (copied > 0)
        return 1;
    DeleteFileA(destination);
    SetLastError(error);
    return 0;
}

int DeleteTempPayloadFiles(void)
{
    char folder[EXTRACT_PATH_SIZE];
    char path[CLEANUP_PATH_SIZE];

    if (!GetTempFolder(folder, COUNTOF(folder)))
        return 0;
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (PayloadTable[i].tempName[0] == '\0')
            continue;
        if (JoinPath(path, COUNTOF(path), folder, PayloadTable[i].tempName))
            DeleteFileA(path);
    }
    return 0;
}
