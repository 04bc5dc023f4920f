// The check of the carried payload rows. A row travels inside the program over
// downloads, mail gateways and copies; the SZDD container has no check of its own, so
// the build records each row's size and CRC-32 and start-up compares them before
// anything is extracted. The CRC finds accidental damage (every change of up to 32
// adjacent bits, every one- or two-bit error, anything else but for a 1 in 2^32
// chance); deliberate change is the Authenticode signature's business, which an
// embedded value of any strength could not replace.
#include "payload/integrity.h"
#include "resource.h"

static DWORD s_crcTable[256];

static void FillCrcTable(void)
{
    for (DWORD n = 0; n < 256; n++) {
        DWORD c = n;
        for (int k = 0; k < 8; k++)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        s_crcTable[n] = c;
    }
}

DWORD RowChecksum(const BYTE *data, DWORD size)
{
    DWORD crc = 0xFFFFFFFFu;

    if (!s_crcTable[1])
        FillCrcTable();
    for (DWORD i = 0; i < size; i++)
        crc = s_crcTable[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

int IsCheckedRow(int index)
{
    return index >= 0 && index < PAYLOAD_COUNT && PayloadTable[index].carried && index != PAYLOAD_OPTIONS;
}

const RowCheck *FindRowChecks(HMODULE module)
{
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_ROW_CHECKS), (LPCSTR)RT_RCDATA);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;

    const void *data = loaded ? LockResource(loaded) : NULL;

    if (SizeofResource(module, found) != PAYLOAD_COUNT * sizeof(RowCheck) ||
        !IsInsideImage(module, data, PAYLOAD_COUNT * sizeof(RowCheck)))
        return NULL;
    return (const RowCheck *)data;
}

int IsInsideImage(HMODULE module, const void *data, DWORD size)
{
    const BYTE *base = (const BYTE *)((ULONG_PTR)module & ~(ULONG_PTR)3);
    const IMAGE_DOS_HEADER *dos = (const IMAGE_DOS_HEADER *)base;
    const IMAGE_NT_HEADERS *nt = (const IMAGE_NT_HEADERS *)(base + dos->e_lfanew);
    DWORD image = nt->OptionalHeader.SizeOfImage;
    ULONG_PTR offset = (ULONG_PTR)((const BYTE *)data - base);

    // An entry of a damaged resource directory may point anywhere.
    return data && (const BYTE *)data >= base && offset <= image && size <= image - offset;
}

int RowMatches(HMODULE module, int index, const RowCheck *checks)
{
    HRSRC found = FindResourceA(module, PayloadTable[index].resourceName, PAYLOAD_RESOURCE_TYPE);
    HGLOBAL loaded = found ? LoadResource(module, found) : NULL;
    const BYTE *data = loaded ? (const BYTE *)LockResource(loaded) : NULL;
    DWORD size = data ? SizeofResource(module, found) : 0;

    return IsInsideImage(module, data, size) && size == checks[index].size && RowChecksum(data, size) == checks[index].crc;
}

int CheckCarriedRows(HMODULE module)
{
    const RowCheck *checks = FindRowChecks(module);

    if (!checks)
        return ROWS_NO_TABLE;
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        if (IsCheckedRow(i) && !RowMatches(module, i, checks))
            return i;
    }
    return ROWS_INTACT;
}
