// The access-list rule for the product's DLLs and the access list of the folders this
// run creates.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <string.h>
#include "payload/payload.h"
#include "payload/trust.h"
#include "resource.h"
#include "session/messages.h"
#include "session/sizes.h"
#include "session/text.h"

#define TRUSTED_INSTALLER "S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"

static const char kFolderSddl[] =
    "D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;FA;;;" TRUSTED_INSTALLER ")(A;OICI;0x1200a9;;;BU)";

static const DWORD kCounting[] = {
    FILE_WRITE_DATA | FILE_APPEND_DATA | DELETE | WRITE_DAC | WRITE_OWNER,
    FILE_ADD_FILE | FILE_DELETE_CHILD | DELETE | WRITE_DAC | WRITE_OWNER,
    DELETE | WRITE_DAC | WRITE_OWNER,
    FILE_DELETE_CHILD | WRITE_DAC | WRITE_OWNER,
};

static int IsSystemAccount(PSID sid)
{
    static const char *const names[] = { "S-1-5-32-544", "S-1-5-18", TRUSTED_INSTALLER };
    int same = 0;

    for (int i = 0; i < COUNTOF(names) && !same; i++) {
        PSID known = NULL;
        if (ConvertStringSidToSidA(names[i], &known)) {
            same = EqualSid(sid, known);
            LocalFree(known);
        }
    }
    return same;
}

int IsTrustedDescriptor(PSECURITY_DESCRIPTOR descriptor, int place)
{
    GENERIC_MAPPING mapping = { FILE_GENERIC_READ, FILE_GENERIC_WRITE, FILE_GENERIC_EXECUTE, FILE_ALL_ACCESS };
    PSID owner = NULL;
    PACL acl = NULL;
    BOOL defaulted, present = FALSE;

    if (!descriptor || !GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner ||
        !IsSystemAccount(owner) || !GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) ||
        !present || !acl)
        return 0;
    for (DWORD i = 0; i < acl->AceCount; i++) {
        ACCESS_ALLOWED_ACE *ace;
        DWORD mask;
        if (!GetAce(acl, i, (void **)&ace))
            return 0;
        // A denial only takes rights away; an inherit-only entry guards children.
        if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE || (ace->Header.AceFlags & INHERIT_ONLY_ACE))
            continue;
        mask = ace->Mask;
        MapGenericMask(&mask, &mapping);
        if ((mask & kCounting[place]) && !IsSystemAccount((PSID)&ace->SidStart))
            return 0;
    }
    return 1;
}

static int IsTrustedPath(const char *path, int place)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;
    int trusted;

    if (GetNamedSecurityInfoA(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                              NULL, NULL, NULL, NULL, &descriptor) != ERROR_SUCCESS)
        return 0;
    trusted = IsTrustedDescriptor(descriptor, place);
    LocalFree(descriptor);
    return trusted;
}

int RunsUnderWine(void)
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != NULL;
}

// Under Wine every check answers 1; the log says so once.
static int AccessListsKept(void)
{
    static int said;

    if (!RunsUnderWine())
        return 1;
    if (!said)
        WriteLog("Access lists not checked: Wine keeps none");
    said = 1;
    return 0;
}

// path (guarded as place) and every folder above it to its volume's root, which must
// keep access lists.
static int IsTrustedChain(char *path, int place)
{
    char root[PATH_SIZE];
    DWORD flags = 0;
    size_t rootLength;
    char *cut;

    if (!GetVolumePathNameA(path, root, COUNTOF(root)) ||
        !GetVolumeInformationA(root, NULL, 0, NULL, NULL, &flags, NULL, 0) || !(flags & FILE_PERSISTENT_ACLS))
        return 0;
    rootLength = strlen(root);
    while (strlen(path) > rootLength) {
        if (!IsTrustedPath(path, place) || (cut = FindLastSeparator(path, 0)) == NULL)
            return 0;
        *cut = '\0';
        place = place == TRUST_FILE ? TRUST_FOLDER : TRUST_ABOVE;
    }
    return IsTrustedPath(root, TRUST_ROOT);
}

int IsTrustedDll(const char *folder, const char *dllName)
{
    char path[PATH_SIZE];

    if (!AccessListsKept())
        return 1;
    return JoinPath(path, COUNTOF(path), folder, dllName) && IsTrustedChain(path, TRUST_FILE);
}

int IsTrustedFolder(const char *folder)
{
    char path[PATH_SIZE];
    char *cut;
    int place = TRUST_FOLDER;

    if (!AccessListsKept())
        return 1;
    CopyText(path, COUNTOF(path), folder);
    // A folder still to be made is guarded by its nearest existing parent.
    while (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES) {
        if ((cut = FindLastSeparator(path, 0)) == NULL || cut < path + 2 || strlen(path) <= 3)
            return 0;
        cut[cut[-1] == ':' ? 1 : 0] = '\0';
        place = TRUST_ABOVE;
    }
    return IsTrustedChain(path, place);
}

int ProtectFolder(const char *folder)
{
    PSECURITY_DESCRIPTOR descriptor = BuildFolderDescriptor();
    PSID administrators = NULL;
    PACL acl = NULL;
    BOOL present = FALSE, defaulted;
    int done = 0;

    if (!AccessListsKept())
        return 1;
    if (descriptor && GetSecurityDescriptorDacl(descriptor, &present, &acl, &defaulted) && present &&
        ConvertStringSidToSidA("S-1-5-32-544", &administrators))
        done = SetNamedSecurityInfoA((char *)folder, SE_FILE_OBJECT,
                                     OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                         PROTECTED_DACL_SECURITY_INFORMATION,
                                     administrators, NULL, acl, NULL) == ERROR_SUCCESS;
    LocalFree(administrators);
    LocalFree(descriptor);
    return done;
}

PSECURITY_DESCRIPTOR BuildFolderDescriptor(void)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;

    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kFolderSddl, SDDL_REVISION_1, &descriptor, NULL))
        return NULL;
    return descriptor;
}

// The names a product folder holds: the payload's files, their ".new" and ".del" forms,
// and the settings and work files the product and this program keep there (".ini",
// ".log", ".tmp", ".bak", ".gid": files no program loads code from by their name).
static int IsProductName(const char *name)
{
    static const char *const dataKinds[] = { ".ini", ".log", ".tmp", ".bak", ".gid" };
    const char *dot = strrchr(name, '.');
    size_t stem = dot ? (size_t)(dot - name) : strlen(name);
    int derived = dot && (lstrcmpiA(dot, ".new") == 0 || lstrcmpiA(dot, ".del") == 0);

    for (int i = 0; dot && i < COUNTOF(dataKinds); i++)
        if (lstrcmpiA(dot, dataKinds[i]) == 0)
            return 1;
    for (int i = 0; i < PAYLOAD_COUNT; i++) {
        const char *own = PayloadTable[i].installedName;
        const char *ownDot = strrchr(own, '.');
        if (lstrcmpiA(name, own) == 0 ||
            (derived && ownDot && (size_t)(ownDot - own) == stem && _strnicmp(name, own, stem) == 0))
            return 1;
    }
    return 0;
}

int HoldsOnlyProductFiles(const char *folder)
{
    char pattern[PATH_SIZE];
    WIN32_FIND_DATAA found;
    HANDLE search;
    int only = 1;

    if (!JoinPath(pattern, COUNTOF(pattern), folder, "*"))
        return 0;
    search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (strcmp(found.cFileName, ".") == 0 || strcmp(found.cFileName, "..") == 0)
            continue;
        only = !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsProductName(found.cFileName);
    } while (only && FindNextFileA(search, &found));
    FindClose(search);
    return only;
}

UINT CheckDestinationTrust(const char *destination, int recorded)
{
    char line[PATH_SIZE + 96];

    if (IsTrustedFolder(destination))
        return 0;
    // An earlier installation's folder made before folders got their own list: taken in
    // when nothing but the product's files is there to have been planted.
    if (recorded && HoldsOnlyProductFiles(destination) && ProtectFolder(destination) &&
        IsTrustedFolder(destination)) {
        FormatText(line, COUNTOF(line), "The installed folder %s now has the protected access list", destination);
        WriteLog(line);
        return 0;
    }
    FormatText(line, COUNTOF(line), "Other accounts can change %s or a folder above it: refused", destination);
    WriteLog(line);
    return IDS_DEST_UNSAFE;
}
