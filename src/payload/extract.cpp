// Writing payload rows out of the executable, expanding them, and cleaning up the
// temporary copies.
#include <windows.h>
#include <string.h>
#include "session/journal.h"
#include "session/session.h"
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
#define SZDD_RING_SIZE 4096

static const BYTE kSzddMagic[8] = { 'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33 };

DWORD PayloadExpandedSize(HMODULE module, int index)
{
    DWORD stored = PayloadStoredSize(module, index);
    HGLOBAL loaded;
    const BYTE *bytes;

    if (stored < SZDD_HEADER_SIZE)
        return stored;
    loaded = LoadResource(module, FindResourceA(module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE));
    bytes = loaded ? (const BYTE *)LockResource(loaded) : NULL;
    if (!bytes || memcmp(bytes, kSzddMagic, sizeof(kSzddMagic)) != 0)
        return stored;
    return (DWORD)bytes[10] | ((DWORD)bytes[11] << 8) | ((DWORD)bytes[12] << 16) | ((DWORD)bytes[13] << 24);
}

// Opens source for reading: its underscore form first, then its own name.
static HANDLE OpenSourceEitherForm(char *source)
{
    size_t last = strlen(source) - 1;
    char own = source[last];
    HANDLE from = INVALID_HANDLE_VALUE;

    for (int pass = 0; pass < 2 && from == INVALID_HANDLE_VALUE; pass++) {
        source[last] = pass ? own : '_';
        from = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    }
    return from;
}

// One expansion in progress: blocks read from the source and written to the new file.
typedef struct Expansion {
    HANDLE from, to;
    BYTE *in, *out, *ring;
    DWORD inLength, inNext, outLength, total;
    int stopped;  // a read or write failed, or the user cancelled; the system error says which
    int cancelledBefore;  // a Cancel pressed before this file began is seen after it, as ever
} Expansion;

// Reads the next block of the source. Between blocks the windows are kept answering, and
// a Cancel of the copy stops the expansion. 0 at the end of the source or when stopped.
static int ReadBlock(Expansion *x)
{
    if (x->stopped)
        return 0;
    PumpMessages();
    if (g_bCancel && !x->cancelledBefore) {
        SetLastError(ERROR_CANCELLED);
        x->stopped = 1;
        return 0;
    }
    x->inNext = 0;
    if (!ReadFile(x->from, x->in, EXPANSION_BLOCK_SIZE, &x->inLength, NULL)) {
        x->inLength = 0;
        x->stopped = 1;
    }
    return x->inLength != 0;
}

// Writes count bytes to the new file; a write that stops short without a system error
// is a full disk.
static void WriteBlock(Expansion *x, const BYTE *bytes, DWORD count)
{
    DWORD written = 0;

    if (x->stopped)
        return;
    SetLastError(ERROR_DISK_FULL);
    x->stopped = !WriteFile(x->to, bytes, count, &written, NULL) || written != count;
    x->total += written;
}

static int NextByte(Expansion *x)
{
    if (x->inNext == x->inLength && !ReadBlock(x))
        return -1;
    return x->in[x->inNext++];
}

static void PutByte(Expansion *x, int c)
{
    x->out[x->outLength++] = (BYTE)c;
    if (x->outLength == EXPANSION_BLOCK_SIZE) {
        WriteBlock(x, x->out, x->outLength);
        x->outLength = 0;
    }
}

// The LZSS stream of an SZDD file: a control byte, least significant bit first, for each
// group of up to eight items; a set bit is a literal byte, a clear one two bytes naming a
// position in a 4096-byte ring (filled with blanks at first) and a length of 3 to 18. It
// runs to the end of the source, whatever size the header gives, as the LZ layer does.
static void ExpandStream(Expansion *x)
{
    unsigned at = SZDD_RING_SIZE - 16, from;
    int control = 0, c, high, n;

    memset(x->ring, ' ', SZDD_RING_SIZE);
    for (;;) {
        control >>= 1;
        if (!(control & 0x100)) {
            if ((c = NextByte(x)) < 0)
                break;
            control = c | 0xFF00;
        }
        if (control & 1) {
            if ((c = NextByte(x)) < 0)
                break;
            x->ring[at++ % SZDD_RING_SIZE] = (BYTE)c;
            PutByte(x, c);
            continue;
        }
        if ((c = NextByte(x)) < 0 || (high = NextByte(x)) < 0)
            break;
        from = (unsigned)c | ((unsigned)(high & 0xF0) << 4);
        for (n = (high & 0x0F) + 3; n > 0; n--) {
            c = x->ring[from++ % SZDD_RING_SIZE];
            x->ring[at++ % SZDD_RING_SIZE] = (BYTE)c;
            PutByte(x, c);
        }
    }
    WriteBlock(x, x->out, x->outLength);
}

// Copies the source, from its start, into the new file: expanded when it is an SZDD file
// of the one method there is, as it is otherwise (a file shorter than the header too).
// The number of bytes written; a system error is set when it is 0.
static DWORD CopySource(Expansion *x)
{
    if (ReadBlock(x) && x->inLength >= SZDD_HEADER_SIZE && memcmp(x->in, kSzddMagic, sizeof(kSzddMagic)) == 0) {
        if (x->in[8] != 'A') {
            SetLastError(ERROR_INVALID_DATA);
            return 0;
        }
        x->inNext = SZDD_HEADER_SIZE;
        ExpandStream(x);
    } else {
        do
            WriteBlock(x, x->in, x->inLength);
        while (ReadBlock(x));
    }
    if (x->stopped)
        return 0;
    if (x->total == 0)
        SetLastError(ERROR_INVALID_DATA);
    return x->total;
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

// Copies the source into path, a new file. 1 when bytes were written; otherwise nothing
// is left at path.
static int CopyExpanded(HANDLE from, const char *path)
{
    // One thread, one expansion at a time: the blocks and the ring are the program's own.
    static BYTE buffers[2 * EXPANSION_BLOCK_SIZE + SZDD_RING_SIZE];
    Expansion x;
    DWORD error;

    memset(&x, 0, sizeof(x));
    x.from = from;
    x.cancelledBefore = g_bCancel;
    x.in = buffers;
    x.out = buffers + EXPANSION_BLOCK_SIZE;
    x.ring = x.out + EXPANSION_BLOCK_SIZE;
    // Made new, after whatever an earlier run left under the name: never written through
    // a name that exists (a link there would take the bytes elsewhere).
    DeleteFileA(path);
    if (!JournalWorkFile(path))
        return 0;
    x.to = CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, NULL);
    if (x.to != INVALID_HANDLE_VALUE) {
        CopySource(&x);
        error = GetLastError();
        CloseHandle(x.to);
        if (x.total == 0 || x.stopped)
            DeleteFileA(path);
        SetLastError(error);
    }
    return x.to != INVALID_HANDLE_VALUE && x.total != 0 && !x.stopped;
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

// Expands the opened source into destination through a new file beside it. 1 when a
// non-empty result took the destination's place.
static int ExpandOpened(HANDLE from, const char *destination)
{
    char fresh[EXPANSION_PATH_SIZE];
    DWORD error;

    if (!ExpansionPath(destination, fresh, COUNTOF(fresh))) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    if (!DestinationWritable(destination) || !CopyExpanded(from, fresh))
        return 0;
    if (TakePlace(fresh, destination))
        return 1;
    error = GetLastError();
    DeleteFileA(fresh);
    SetLastError(error);
    return 0;
}

int ExpandFile(char *source, const char *destination)
{
    HANDLE from;
    DWORD error;
    int result;

    if (lstrcmpiA(source, destination) == 0)
        return 1;
    if (source[0] == '\0')
        return 0;
    from = OpenSourceEitherForm(source);
    if (from == INVALID_HANDLE_VALUE)
        return 0;
    result = ExpandOpened(from, destination);
    error = GetLastError();
    CloseHandle(from);
    SetLastError(error);
    return result;
}

int ExpandHeldFile(HANDLE file, const char *destination)
{
    if (SetFilePointer(file, 0, NULL, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        return 0;
    return ExpandOpened(file, destination);
}

// Everything this run extracted lives in its own work folder; the shared temporary
// folder's files of these generic names may be another installer's.
int DeleteTempPayloadFiles(void)
{
    RemoveWorkFolder();
    return 0;
}
