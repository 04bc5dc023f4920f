// Whether a product DLL may run with this program's rights: no account but the
// system's own may have replaced it, by its access lists and those of its folders.
#ifndef NX_TRUST_H
#define NX_TRUST_H

#include <windows.h>

// What a descriptor guards, for the rights that count against it.
enum TrustPlace {
    TRUST_FILE,     // the DLL: write, append, DELETE, WRITE_DAC, WRITE_OWNER
    TRUST_FOLDER,   // its folder: add-file, FILE_DELETE_CHILD, DELETE, WRITE_DAC, WRITE_OWNER
    TRUST_ABOVE,    // each folder above: DELETE, WRITE_DAC, WRITE_OWNER
    TRUST_ROOT      // the volume root: FILE_DELETE_CHILD, WRITE_DAC, WRITE_OWNER
};

// 1 when the owner is Administrators, SYSTEM or TrustedInstaller and no other account
// holds a counting right (after MapGenericMask); 0 for a missing or NULL access list.
int IsTrustedDescriptor(PSECURITY_DESCRIPTOR descriptor, int place);

// 1 when folder\dllName and every folder up to its volume's root pass, on a volume
// that keeps access lists. Under Wine, which keeps none, 1 and a log line.
int IsTrustedDll(const char *folder, const char *dllName);

// 1 when folder (or, while it is still to be made, its nearest existing parent) and every
// folder up to its volume's root pass. Under Wine 1.
int IsTrustedFolder(const char *folder);

// Gives folder the access list of BuildFolderDescriptor, owned by Administrators, in place
// of what it inherited. 1 when set; under Wine 1, nothing set.
int ProtectFolder(const char *folder);

// 1 when folder holds files only, each a payload file, its ".new" or ".del" form, or a
// settings or work file (".ini", ".log", ".tmp", ".bak", ".gid").
int HoldsOnlyProductFiles(const char *folder);

// 0 when destination may be installed into; IDS_DEST_UNSAFE when another account could
// change it or a folder above it. The earlier installation's folder (recorded) that holds
// only the product's files is given the protected list instead; both are logged.
UINT CheckDestinationTrust(const char *destination, int recorded);

// 1 under Wine, whose files keep no access lists (its answers come from Unix modes, and
// a descriptor it is given becomes a Unix mode that could lock this program out).
int RunsUnderWine(void);

// The access list of a folder this run creates, like the Program Files folder's:
// Administrators, SYSTEM and TrustedInstaller change it, users read and run. Free it
// with LocalFree. NULL when it cannot be built.
PSECURITY_DESCRIPTOR BuildFolderDescriptor(void);

#endif
