// Opening a setup program: its PE headers read from the file (to tell a program from
// any other file and to see a signature), then the module loaded as a data file for
// the resource functions.
#include <string.h>
#include "setupkit.h"

#define HEADER_READ_SIZE 4096

static const BYTE *FindDataDirectories(const BYTE *headers, DWORD size, DWORD *count)
{
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)headers;
    DWORD at, optional;
    WORD magic;

    if (size < sizeof(*dos) || dos->e_magic != IMAGE_DOS_SIGNATURE || dos->e_lfanew <= 0)
        return NULL;
    at = (DWORD)dos->e_lfanew;
    optional = at + sizeof(DWORD) + sizeof(IMAGE_FILE_HEADER);
    if (optional + sizeof(IMAGE_OPTIONAL_HEADER64) > size || *(const DWORD *)(headers + at) != IMAGE_NT_SIGNATURE)
        return NULL;
    magic = *(const WORD *)(headers + optional);
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        const IMAGE_OPTIONAL_HEADER32 *h = (const IMAGE_OPTIONAL_HEADER32 *)(headers + optional);
        *count = h->NumberOfRvaAndSizes;
        return (const BYTE *)h->DataDirectory;
    }
    if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        const IMAGE_OPTIONAL_HEADER64 *h = (const IMAGE_OPTIONAL_HEADER64 *)(headers + optional);
        *count = h->NumberOfRvaAndSizes;
        return (const BYTE *)h->DataDirectory;
    }
    return NULL;
}

// Reads the headers from the file itself: a signature lives outside the image, so
// the loaded module does not show it. 1 for a PE program.
static int ReadSecuritySize(HANDLE file, DWORD *securitySize)
{
    static BYTE headers[HEADER_READ_SIZE];
    DWORD got = 0, count = 0;
    const BYTE *directories;
    IMAGE_DATA_DIRECTORY security;

    if (!ReadFile(file, headers, sizeof(headers), &got, NULL))
        return 0;
    directories = FindDataDirectories(headers, got, &count);
    if (!directories)
        return 0;
    *securitySize = 0;
    if (count > IMAGE_DIRECTORY_ENTRY_SECURITY) {
        memcpy(&security, directories + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(security), sizeof(security));
        *securitySize = security.Size;
    }
    return 1;
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
    int isProgram;

    if (file == INVALID_HANDLE_VALUE) {
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return Fail(KIT_BAD_PROGRAM, "%s: no such file", path);
        return Fail(KIT_BAD_PROGRAM, "%s: cannot be opened (error %lu)", path, error);
    }
    isProgram = ReadSecuritySize(file, &image->securitySize);
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
    EnumResourceNamesA(image->module, "EXE", CollectRow, (LONG_PTR)image);
    if (image->carriedCount == 0) {
        CloseSetupImage(image);
        return Fail(KIT_NO_PAYLOAD, "%s: carries no payload rows (no resource of type EXE)", path);
    }
    image->optionsLanguage = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    if (image->carried[PAYLOAD_OPTIONS])
        EnumResourceLanguagesA(image->module, "EXE", PayloadTable[PAYLOAD_OPTIONS].resourceName,
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
    found = FindResourceA(image->module, PayloadTable[index].resourceName, "EXE");
    if (!found)
        return 0;
    loaded = LoadResource(image->module, found);
    if (!loaded)
        return 0;
    *size = SizeofResource(image->module, found);
    *data = (const BYTE *)LockResource(loaded);
    return *data != NULL;
}
