// The installation record: WIN.INI section NEXFER, the uninstall entry, registry helpers.
#ifndef NX_RECORD_H
#define NX_RECORD_H

#include <windows.h>

#define RECORD_SECTION  "NEXFER"
#define UNINSTALL_KEY   "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NEXFERPro"
#define DEFAULT_GROUP   "NEXFER Pro"
// The removal spells the first component this way; the registry ignores letter case.
#define UNINSTALL_KEY_REMOVAL "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\NEXFERPro"

// UninstallString holds the program path quoted and three arguments: room for a folder
// of 260 characters three times and a group name of 255.
#define UNINSTALL_FOLDER_MAX  260
#define UNINSTALL_GROUP_MAX   255
#define UNINSTALL_FIXED_TEXT  "\"\\nxfrem32.exe\" -f  -d  -g "
#define UNINSTALL_STRING_SIZE \
    (3 * UNINSTALL_FOLDER_MAX + UNINSTALL_GROUP_MAX + (int)sizeof(UNINSTALL_FIXED_TEXT))

// Creates or opens root\path[\extra] and, when text is given, sets valueName (NULL: the
// default value). 1 only when a value was written.
int SetRegistryString(HKEY root, const char *path, const char *extra, const char *valueName,
                      const char *text);

// Reads valueName of root\path into buffer (cbBuffer bytes). 1 when read; 0 otherwise,
// with defaultText copied when the key opened but the value did not.
int ReadRegistryString(HKEY root, const char *path, const char *valueName,
                       const char *defaultText, char *buffer, DWORD cbBuffer);

// Deletes root\path with all its subkeys. 1 when every subkey went.
int DeleteRegistryTree(const char *path, HKEY root);

// Builds the uninstall command line; 0 when it does not fit cch characters.
int BuildUninstallString(char *out, int cch, const char *destFolder, const char *group);

// 1 when both values of the uninstall entry were written.
int WriteUninstallEntry(const char *destFolder, const char *group);
// The mark of a folder this product's installation made (madeThisRun), which lets a removal
// sweep its work files; an update into a marked folder keeps the mark, any other loses it.
int MarkFolderMadeBySetup(const char *destFolder, int madeThisRun);

// The values inventory and deployment tools read, beside the entry's two: version,
// publisher, folder, icon (iconName in destFolder), size in KB, date, no modify or
// repair. Each value that cannot be written is logged; none fails the installation.
void WriteInventoryValues(const char *destFolder, const char *iconName, DWORD sizeKb);
// The uninstall entry's value that marks a folder this product's installation made:
// only there does a removal delete work files it did not name itself.
#define FOLDER_MARK_VALUE "FolderMadeBySetup"
int IsFolderMadeBySetup(const char *folder);

// 1 when folder is the installed product's, as both the WIN.INI record and the
// uninstall entry name it.
int IsConfirmedRecord(const char *folder);

// 1 for a UNC path or a folder on a network drive.
int IsNetworkFolder(const char *folder);

void DeleteUninstallEntry(void);
void ClearInstallRecord(void);

#endif
