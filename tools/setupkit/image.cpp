// Opening a setup program: its PE headers read from the file (to tell a program from
// any other file and to see a signature), then the module loaded as a data file for
// the resource functions.
#include <stddef.h>
#include <string.h>
#include "setupkit.h"

#define HEADER_READ_SIZE 4096

// File offset of the security entry among the data directories of headers, 0 when the
// program has none; -1 when headers are no PE headers.
static long FindSecurityEntry(const BYTE *headers, DWORD size)
{
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)headers;
    DWORD at, optional, count;
    WORD magic;

    if (size < sizeof(*dos) || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0)
        return -1;
    at = (DWORD)dos->e_lfanew;
    optional = at + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    if (optional + sizeof(IMAGE_OPTIONAL_HEADER64) > size || *(const DWORD *)(headers + at) != IMAGE_NT_SIGNATURE)
        return -1;
    magic = *(const WORD *)(headers + optional);
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        count = ((const IMAGE_OPTIONAL_HEADER32 *)(headers + optional))->NumberOfRvaAndSizes;
        optional += offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        count = ((const IMAGE_OPTIONAL_HEADER64 *)(headers + optional))->NumberOfRvaAndSizes;
        optional += offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    } else {
        return -1;
    }
    if (count <= IMAGE_DIRECTORY_ENTRY_SECURITY)
        return 0;
    return (long)(optional + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY));
}

// Reads the headers from the file itself: a signature lives outside the image, so the
// loaded module does not show it. 1 for a PE program; entry then holds the security
// entry (zero when absent) and offset its place in the file.
static int ReadSecurityEntry(HANDLE file, IMAGE_DATA_DIRECTORY *entry, long *offset)
{
    static BYTE headers[HEADER_READ_SIZE];
    DWORD got = 0;

    memset(entry, 0, sizeof(*entry));
    if (SetFilePointer(file, 0, NULL, FILE_BEGIN) != 0 || !ReadFile(file, headers, sizeof(headers), &got, NULL))
        return 0;
    *offset = FindSecurityEntry(headers, got);
    if (*offset > 0)
        memcpy(entry, headers + *offset, sizeof(*entry));
    return *offset >= 0;
}

int RemoveSignature(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    IMAGE_DATA_DIRECTORY entry, cleared = {};
    DWORD size, written = 0;
    long offset = 0;
    int ok = 0;

    if (file == INVALID_HANDLE_VALUE)
        return 0;
    size = GetFileSize(file, NULL);
    if (!ReadSecurityEntry(file, &entry, &offset))
        goto done;
    // The certificate table sits at the end of the file, outside every section.
    if (entry.Size == 0 || entry.VirtualAddress + entry.Size != size) {
        ok = entry.Size == 0;
        goto done;
    }
    ok = SetFilePointer(file, entry.VirtualAddress, NULL, FILE_BEGIN) == entry.VirtualAddress && SetEndOfFile(file) &&
         SetFilePointer(file, offset, NULL, FILE_BEGIN) == (DWORD)offset &&
         WriteFile(file, &cleared, sizeof(cleared), &written, NULL) && written == sizeof(cleared);
done:
    CloseHandle(file);
    return ok;
}

static BOOL CALLBACK CollectRow(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    SetupImage *image = (SetupImage *)param;
    int index = IS_INTRESOURCE(name) ? -1 : FindRowByResource(name);

    if (index < 0) {
        image->foreignCount++;
    } else if (!image->carried[index]) {
        image->carried[index] = 1;
        image->carriedCount++;
    }
    return TRUE;
}

static BOOL CALLBACK TakeLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    *(WORD *)param = language;
    return FALSE;
}

static int CheckProgramFile(const char *path, SetupImage *image)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, NULL);
    DWORD error = GetLastError();
    IMAGE_DATA_DIRECTORY security;
    long offset;
    int isProgram;

    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return Fail(KIT_BAD_PROGRAM, "%s: no such file", path);
        return Fail(KIT_BAD_PROGRAM, "%s: cannot be opened (error %lu)", path, error);
    }
    isProgram = ReadSecurityEntry(file, &security, &offset);
    image->securitySize = security.Size;
    CloseHandle(file);
    if (!isProgram)
        return Fail(KIT_BAD_PROGRAM, "%s: not a Windows program (no PE headers)", path);
    return KIT_OK;
}

int OpenSetupImage(const char *path, SetupImage *image)
{
    int result;

    memset(image, 0, sizeof(*image));
    result = CheckProgramFile(path, image);
    if (result != KIT_OK)
        return result;
    image->module = LoadLibraryExA(path, NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!image->module)
        return Fail(KIT_BAD_PROGRAM, "%s: cannot be loaded as a program (error %lu)", path, GetLastError());
    EnumResourceNamesA(image->module, PAYLOAD_RESOURCE_TYPE, CollectRow, (LONG_PTR)image);
    if (image->carriedCount == 0) {
        CloseSetupImage(image);
        return Fail(KIT_NO_PAYLOAD, "%s: carries no payload rows (no resource of type EXE)", path);
    }
    image->optionsLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    if (image->carried[PAYLOAD_OPTIONS])
        EnumResourceLanguagesA(image->module, PAYLOAD_RESOURCE_TYPE, PayloadTable[PAYLOAD_OPTIONS].resourceName,
                               TakeLanguage, (LONG_PTR)&image->optionsLanguage);
    return KIT_OK;
}

void CloseSetupImage(SetupImage *image)
{
    if (image->module)
        FreeLibrary(image->module);
    image->module = NULL;
}

int RowData(const SetupImage *image, int index, const BYTE **data, DWORD *size)
{
    HRSRC found;
    HGLOBAL loaded;

    if (index < 0 || index >= PAYLOAD_COUNT || !image->carried[index])
        return 0;
    found = FindResourceA(image->module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE);
    if (!found)
        return 0;
    loaded = LoadResource(image->module, found);
    if (!loaded)
        return 0;
    *size = SizeofResource(image->module, found);
    *data = (const BYTE *)LockResource(loaded);
    return *data != NULL;
}
