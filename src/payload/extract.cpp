// Writing payload rows out of the executable, expanding them, and cleaning up the
// temporary copies.
#include <windows.h>
#include <lzexpand.h>
#include <string.h>
#include "../session/startup.h"
#include "../session/text.h"
#include "payload.h"

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
    found = FindResourceA(module, PayloadTable[index].resourceName, "EXE");
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

// Opens the destination with OpenFile rather than LZOpenFileA: on a file another
// program holds, LZOpenFileA(OF_CREATE) reports success yet writes a sibling whose
// last character is "_", so the failure would never be seen.
int ExpandFile(char *source, const char *destination)
{
    OFSTRUCT sourceInfo, destInfo;
    size_t len = strlen(source);
    char replaced;
    INT from, to;
    LONG copied;

    if (lstrcmpiA(source, destination) == 0)
        return 1;
    if (len == 0)
        return 0;
    replaced = source[len - 1];
    source[len - 1] = '_';
    from = LZOpenFileA(source, &sourceInfo, OF_READ);
    if (from < 0) {
        source[len - 1] = replaced;
        from = LZOpenFileA(source, &sourceInfo, OF_READ);
        if (from < 0)
            return 0;
    }
    to = (INT)(INT_PTR)OpenFile(destination, &destInfo, OF_CREATE | OF_WRITE);
    if (to == (INT)(INT_PTR)HFILE_ERROR) {
        LZClose(from);
        return 0;
    }
    copied = LZCopy(from, to);
    _lclose((HFILE)to);
    LZClose(from);
    return copied > 0;
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
