// Writing payload rows out of the executable, expanding them, and cleaning up the
// temporary copies.
#include <windows.h>
#include <lzexpand.h>
#include <string.h>
#include "session/journal.h"
#include "session/startup.h"
#include "session/text.h"
#include "session/workfolder.h"
#include "payload/integrity.h"
#include "payload/payload.h"

#define EXTRACT_PATH_SIZE 256
#define EXPANSION_PATH_SIZE 1024

// The bytes of row index, where they lie in module; NULL for a row it does not carry.
static const void *RowBytes(HMODULE module, int index, DWORD *size)
{
    HRSRC found;
    HGLOBAL loaded;

    if (index < 0 || index >= PAYLOAD_COUNT || PayloadTable[index].resourceName[0] == '\0')
        return NULL;
    found = FindResourceA(module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE);
    loaded = found ? LoadResource(module, found) : NULL;
    if (!loaded)
        return NULL;
    *size = SizeofResource(module, found);
    return IsInsideImage(module, LockResource(loaded), *size) ? LockResource(loaded) : NULL;
}

// Writes bytes into file from its start and ends the file after them. 1 on success.
static int WriteFrom(HANDLE file, const void *bytes, DWORD size)
{
    DWORD written = 0;

    return SetFilePointer(file, 0, NULL, FILE_BEGIN) != INVALID_SET_FILE_POINTER &&
           WriteFile(file, bytes, size, &written, NULL) && written == size && SetEndOfFile(file);
}

int ExtractPayloadTo(HMODULE module, int index, HANDLE file)
{
    DWORD size = 0;
    const void *bytes = RowBytes(module, index, &size);

    return bytes && WriteFrom(file, bytes, size);
}

int ExtractPayload(HMODULE module, int index, const char *folder, const char *fileName)
{
    char path[EXTRACT_PATH_SIZE];
    DWORD size = 0;
    const void *bytes = RowBytes(module, index, &size);
    HANDLE file;
    int result;

    if (!bytes)
        return 0;
    // The profile functions of Windows would read a byte order mark as part of the first line.
    if (index == PAYLOAD_OPTIONS && size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) {
        bytes = (const BYTE *)bytes + 3;
        size -= 3;
    }
    if (!JoinPath(path, COUNTOF(path), folder, fileName)) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // A new file: a name that exists, a link another program put there included, is refused.
    file = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    result = WriteFrom(file, bytes, size);
    CloseHandle(file);
    return result;
}

DWORD PayloadStoredSize(HMODULE module, int index)
{
    HRSRC found;

    if (index < 0 || index >= PAYLOAD_COUNT || PayloadTable[index].resourceName[0] == '\0')
        return 0;
    found = FindResourceA(module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE);
    return found ? SizeofResource(module, found) : 0;
}

// An SZDD file starts with its magic, the method, the name's last character and the
// expanded size (32 bits, little-endian) at offset 10.
#define SZDD_HEADER_SIZE 14

DWORD PayloadExpandedSize(HMODULE module, int index)
{
    static const BYTE magic[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 };
    DWORD stored = PayloadStoredSize(module, index);
    HGLOBAL loaded;
    const BYTE *bytes;

    if (stored < SZDD_HEADER_SIZE)
        return stored;
    loaded = LoadResource(module, FindResourceA(module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE));
    bytes = loaded ? (const BYTE *)LockResource(loaded) : NULL;
    if (!bytes || memcmp(bytes, magic, sizeof(magic)) != 0)
        return stored;
    return (DWORD)bytes[10] | ((DWORD)bytes[11] << 8) | ((DWORD)bytes[12] << 16) | ((DWORD)bytes[13] << 24);
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

// The new content is written beside the destination under this name and takes the
// destination's place only once it is complete, so that a copy that fails half-way (a
// full disk) leaves an earlier file whole. Short, so that it fits wherever a product
// file name fits.
#define EXPANSION_NAME "~nxnew.tmp"

// destination's folder joined with the expansion name. 0 when it does not fit.
static int ExpansionPath(const char *destination, char *out, int cchOut)
{
    const char *name = destination;

    for (const char *p = destination; *p; p++) {
        if (*p == '\\' || *p == '/')
            name = p + 1;
    }
    if ((size_t)(name - destination) + sizeof(EXPANSION_NAME) > (size_t)cchOut)
        return 0;
    memcpy(out, destination, (size_t)(name - destination));
    memcpy(out + (name - destination), EXPANSION_NAME, sizeof(EXPANSION_NAME));
    return 1;
}

// An existing destination must be free to be written now: a file another program holds
// (or a read-only one) fails here, before anything is written, and no sibling appears.
// The read-only attribute is asked first: Windows refuses every write, rename over and
// deletion of such a file, but an emulation run by an administrator may let them pass.
static int DestinationWritable(const char *destination)
{
    DWORD attributes = GetFileAttributesA(destination);
    HANDLE file;
    DWORD error;

    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return 0;
    }
    file = CreateFileA(destination, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
        return 1;
    }
    error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND)
        return 1;
    SetLastError(error);
    return 0;
}

// The system error behind a failed LZCopy. A write that stops short on a full disk
// leaves no system error, only the library's write error: that is reported as the
// disk being full, which is what the user must be told.
static DWORD LzFailureCode(LONG copied)
{
    DWORD error = GetLastError();

    if (copied > 0 || error != 0)
        return error;
    if (copied == LZERROR_WRITE)
        return ERROR_DISK_FULL;
    if (copied == LZERROR_READ || copied == LZERROR_BADINHANDLE)
        return ERROR_READ_FAULT;
    return ERROR_INVALID_DATA;
}

// Copies the opened source into path through the LZ layer. 1 when bytes were written;
// otherwise nothing is left at path.
static int CopyExpanded(INT from, const char *path)
{
    HANDLE to;
    LONG copied;
    DWORD error;

    // Made new, after whatever an earlier run left under the name: never written through
    // a name that exists (a link there would take the bytes elsewhere).
    DeleteFileA(path);
    to = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (to == INVALID_HANDLE_VALUE)
        return 0;
    SetLastError(0);
    copied = LZCopy(from, (INT)(INT_PTR)to);
    error = LzFailureCode(copied);
    CloseHandle(to);
    if (copied > 0)
        return 1;
    DeleteFileA(path);
    SetLastError(error);
    return 0;
}

// The complete new file takes destination's name. While a journal is kept, an earlier
// file there is set aside first (taken back or deleted when the run ends) and the change
// is recorded; otherwise it is replaced. 1 on success.
static int TakePlace(const char *fresh, const char *destination)
{
    int recorded;

    if (JournalActive()) {
        if (GetFileAttributesA(destination) != INVALID_FILE_ATTRIBUTES)
            recorded = JournalSetAside(destination, NULL, 0);
        else
            recorded = JournalCreated(destination);
        if (!recorded)
            return 0;
    }
    if (MoveFileExA(fresh, destination, MOVEFILE_REPLACE_EXISTING))
        return 1;
    JournalUndoLast();
    return 0;
}

// Expands the opened source into destination through a new file beside it, and closes
// the source. 1 when a non-empty result took the destination's place.
static int ExpandOpened(INT from, const char *destination)
{
    char fresh[EXPANSION_PATH_SIZE];
    int result = 0;
    DWORD error;

    if (!ExpansionPath(destination, fresh, COUNTOF(fresh))) {
        LZClose(from);
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (DestinationWritable(destination) && CopyExpanded(from, fresh)) {
        result = TakePlace(fresh, destination);
        if (!result) {
            error = GetLastError();
            DeleteFileA(fresh);
            SetLastError(error);
        }
    }
    error = GetLastError();
    LZClose(from);
    SetLastError(error);
    return result;
}

int ExpandFile(char *source, const char *destination)
{
    INT from;

    if (lstrcmpiA(source, destination) == 0)
        return 1;
    if (source[0] == '\0')
        return 0;
    from = OpenSourceEitherForm(source);
    if (from < 0)
        return 0;
    return ExpandOpened(from, destination);
}

int ExpandHeldFile(HANDLE file, const char *destination)
{
    HANDLE copy;
    INT from;

    // A second handle of the same open file, read from its start: the LZ layer closes it,
    // the held one stays open.
    if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &copy, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return 0;
    SetFilePointer(copy, 0, NULL, FILE_BEGIN);
    from = LZInit((INT)(INT_PTR)copy);
    if (from < 0) {
        CloseHandle(copy);
        return 0;
    }
    return ExpandOpened(from, destination);
}

// Everything this run extracted lives in its own work folder; the shared temporary
// folder's files of these generic names may be another installer's.
int DeleteTempPayloadFiles(void)
{
    RemoveWorkFolder();
    return 0;
}
