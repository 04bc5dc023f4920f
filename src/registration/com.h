// COM self-registration and the shell namespace entries.
#ifndef NX_COM_H
#define NX_COM_H

#include <windows.h>

#define CLSID_BASE_TEXT     "{5E1F7A20-3C4B-4D8E-9A61-2B7C0D3E4A10}"
#define CLSID_EXPLORER_TEXT "{5E1F7A20-3C4B-4D8E-9a61-2b7c0d3e4a01}"
#define CLSID_ICONLINK_TEXT "{5E1F7A20-3C4B-4D8E-9a61-2b7c0d3e4a0a}"

// Registry keys of the classes (under HKEY_CLASSES_ROOT) and of the shell namespace
// entries (under HKEY_LOCAL_MACHINE, place "Desktop" or "MyComputer").
#define CLASS_KEY(clsid)            "CLSID\\" clsid
#define BASE_SERVER_KEY             CLASS_KEY(CLSID_BASE_TEXT) "\\InProcServer32"
#define NAMESPACE_KEY(place, clsid) \
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\" place "\\Namespace\\" clsid

// Titles of the namespace entries and of the explorer interface's program item, whose
// command is the folder junction of the explorer class.
#define EXPLORER_ENTRY_TITLE "NEXFER Pro Explorer"
#define ICONLINK_ENTRY_TITLE "NEXFER Pro"
#define EXPLORER_ITEM_TITLE  "NEXFER Pro Explorer"
#define EXPLORER_JUNCTION    EXPLORER_ITEM_TITLE "." CLSID_EXPLORER_TEXT

int RegisterBaseServer(const char *programPath);
int UnregisterBaseServer(void);

// 0: the DLL is not there or lacks the entry point; 1: it returned >= 0; -1: it
// returned a negative code, or it is there and does not load.
int CallDllRegistration(const char *folder, const char *dllName, const char *entryPoint);

// The explorer entry where one is found, else where g_iconLocation points after
// askPlacement (the icon placement page; not called in a quiet run, may be NULL); then
// the icon-link entry beside it when the classic interface is installed too.
void PlaceNamespaceEntries(DWORD flags, int (*askPlacement)(void));
int RemoveNamespaceEntries(void);

// Deletes the class keys the product's two DLLs write (explorer and icon link), with their
// subkeys: what stands in for their unregistration when they may not be loaded.
void DeleteProductClassKeys(void);

#endif
