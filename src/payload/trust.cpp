// The access-list rule for the product's DLLs and the access list of the folders this
// run creates.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <string.h>
#include "payload/trust.h"
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

int IsTrustedDll(const char *folder, const char *dllName)
{
    char path[PATH_SIZE], root[4] = { folder[0], ':', '\\', '\0' };
    DWORD flags = 0;
    char *cut;
    int place = TRUST_FOLDER;

    if (RunsUnderWine()) {
        WriteLog("Access lists not checked: Wine keeps none");
        return 1;
    }
    if (folder[1] != ':' || !GetVolumeInformationA(root, NULL, 0, NULL, NULL, &flags, NULL, 0) ||
        !(flags & FILE_PERSISTENT_ACLS) || !JoinPath(path, COUNTOF(path), folder, dllName) ||
        !IsTrustedPath(path, TRUST_FILE))
        return 0;
    // Up the folders, one part at a time, to the root.
    while ((cut = FindLastSeparator(path, 0)) != NULL && cut > path + 2) {
        *cut = '\0';
        if (!IsTrustedPath(path, place))
            return 0;
        place = TRUST_ABOVE;
    }
    return IsTrustedPath(root, TRUST_ROOT);
}

PSECURITY_DESCRIPTOR BuildFolderDescriptor(void)
{
    PSECURITY_DESCRIPTOR descriptor = NULL;

    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kFolderSddl, SDDL_REVISION_1, &descriptor, NULL))
        return NULL;
    return descriptor;
}
