// Damaged copies of a built setup program for the tests of its start-up check.
#include "damage.h"
#include "harness/testutil.h"

// A module loaded as a data file is the file mapped as it lies (the low bits of its
// handle mark the kind of mapping), so a resource's address less the mapping's start
// is its offset in the file.
static const BYTE *MappingStart(HMODULE module)
{
    return (const BYTE *)((ULONG_PTR)module & ~(ULONG_PTR)3);
}

std::string CopyWithChangedRowByte(const std::string &program, const std::string &copy, const char *resource)
{
    HMODULE module = LoadLibraryExA(program.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    if (!module)
        return "cannot load " + program;
    HRSRC found = FindResourceA(module, resource, "EXE");
    const BYTE *data = found ? (const BYTE *)LockResource(LoadResource(module, found)) : NULL;
    size_t size = found ? SizeofResource(module, found) : 0;
    size_t offset = data ? (size_t)(data - MappingStart(module)) : 0;
    std::string row = data ? std::string((const char *)data, size) : std::string();
    FreeLibrary(module);
    if (row.empty())
        return std::string("no row ") + resource;
    std::string bytes = ReadFileText(program);
    if (offset + size > bytes.size() || bytes.compare(offset, size, row) != 0)
        return std::string("row ") + resource + " is not where the resource functions place it";
    bytes[offset + size / 2] ^= 0x01;
    WriteFileText(copy, bytes);
    return ReadFileText(copy) == bytes ? "" : "cannot write " + copy;
}

// The copy is rebuilt with every resource but the one left out: Wine 8's UpdateResource
// keeps a resource it is asked to delete (no data, size 0), which Windows removes.
struct Rebuild {
    HMODULE source;
    HANDLE update;
    LPCSTR dropType, dropName;
    int dropped, failed;
};

static bool SameId(LPCSTR a, LPCSTR b)
{
    if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b))
        return a == b;
    return lstrcmpiA(a, b) == 0;
}

static BOOL CALLBACK CopyLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param)
{
    Rebuild *r = (Rebuild *)param;
    HRSRC found = FindResourceExA(module, type, name, language);
    void *data = found ? LockResource(LoadResource(module, found)) : NULL;

    if (SameId(type, r->dropType) && SameId(name, r->dropName))
        r->dropped++;
    else if (!data || !UpdateResourceA(r->update, type, name, language, data, SizeofResource(module, found)))
        r->failed++;
    return TRUE;
}

static BOOL CALLBACK CopyName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param)
{
    EnumResourceLanguagesA(module, type, name, CopyLanguage, param);
    return TRUE;
}

static BOOL CALLBACK CopyType(HMODULE module, LPSTR type, LONG_PTR param)
{
    EnumResourceNamesA(module, type, CopyName, param);
    return TRUE;
}

std::string CopyWithoutResource(const std::string &program, const std::string &copy, LPCSTR type, LPCSTR name)
{
    Rebuild r = { NULL, NULL, type, name, 0, 0 };
    if (!CopyFileA(program.c_str(), copy.c_str(), FALSE))
        return "cannot copy to " + copy;
    r.source = LoadLibraryExA(program.c_str(), NULL, LOAD_LIBRARY_AS_DATAFILE);
    r.update = BeginUpdateResourceA(copy.c_str(), TRUE);
    if (!r.source || !r.update) {
        if (r.source)
            FreeLibrary(r.source);
        return "cannot read " + program + " or update " + copy;
    }
    EnumResourceTypesA(r.source, CopyType, (LONG_PTR)&r);
    bool written = EndUpdateResourceA(r.update, r.failed != 0 || r.dropped != 1) && r.failed == 0 && r.dropped == 1;
    FreeLibrary(r.source);
    if (r.dropped != 1)
        return "the program carries no such resource";
    return written ? "" : "cannot write " + copy;
}
