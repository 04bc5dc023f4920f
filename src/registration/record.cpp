// The installation record: registry helpers shared by the registration code, the
// uninstall entry the control panel lists, and the WIN.INI section NEXFER.
#include <string.h>
#include "nxversion.h"
#include "registration/record.h"
#include "session/journal.h"
#include "session/messages.h"
#include "session/sizes.h"
#include "session/text.h"

#define REG_PATH_SIZE      1024
#define SUBKEY_NAME_SIZE   256
#define CHILD_PATH_SIZE    256
#define DISPLAY_NAME       "Quorvane NEXFER Pro Uninstall"
#define UNINSTALL_PROGRAM  "nxfrem32.exe"

int SetRegistryString(HKEY root, const char *path, const char *extra, const char *valueName,
                      const char *text)
{
    char keyPath[REG_PATH_SIZE];
    HKEY key;
    int result = 0;

    if (!CopyText(keyPath, COUNTOF(keyPath), path))
        return 0;
    if (extra && (!AppendText(keyPath, COUNTOF(keyPath), "\\") ||
                  !AppendText(keyPath, COUNTOF(keyPath), extra)))
        return 0;
    if (!JournalRegValue(root, keyPath, valueName) || RegCreateKeyA(root, keyPath, &key) != ERROR_SUCCESS)
        return 0;
    if (text && RegSetValueExA(key, valueName, 0, REG_SZ, (const BYTE *)text,
                               (DWORD)strlen(text) + 1) == ERROR_SUCCESS)
        result = 1;
    RegCloseKey(key);
    return result;
}

// The value type is not trusted: a text is only taken when it ends inside the buffer.
static LONG QueryText(HKEY key, const char *valueName, char *buffer, DWORD cbBuffer)
{
    DWORD size = cbBuffer;
    LONG rc = RegQueryValueExA(key, valueName, NULL, NULL, (BYTE *)buffer, &size);

    if (rc != ERROR_SUCCESS)
        return rc;
    if (size > 0 && buffer[size - 1] == '\0')
        return ERROR_SUCCESS;
    if (size >= cbBuffer)
        return ERROR_MORE_DATA;
    buffer[size] = '\0';
    return ERROR_SUCCESS;
}

int ReadRegistryString(HKEY root, const char *path, const char *valueName,
                       const char *defaultText, char *buffer, DWORD cbBuffer)
{
    HKEY key;
    LONG rc;

    if (RegOpenKeyA(root, path, &key) != ERROR_SUCCESS)
        return 0;
    rc = QueryText(key, valueName, buffer, cbBuffer);
    RegCloseKey(key);
    if (rc == ERROR_SUCCESS)
        return 1;
    if (defaultText)
        CopyText(buffer, (int)cbBuffer, defaultText);
    else if (rc == ERROR_MORE_DATA && cbBuffer > 0)
        buffer[0] = '\0'; // never leave a cut, unterminated text behind
    return 0;
}

// Removes the subkey name of key (whose path under root is path). 0 when it stays.
static int DeleteSubkey(HKEY root, const char *path, HKEY key, const char *name)
{
    char child[CHILD_PATH_SIZE];
    HKEY survivor;
    int result = 1;

    if (RegDeleteKeyA(key, name) == ERROR_SUCCESS)
        return 1;
    // It has subkeys of its own. A child path that does not fit is refused, not cut.
    if (!CopyText(child, COUNTOF(child), path) || !AppendText(child, COUNTOF(child), "\\") ||
        !AppendText(child, COUNTOF(child), name))
        return 0;
    if (!DeleteRegistryTree(child, root))
        result = 0;
    if (RegOpenKeyExA(key, name, 0, KEY_READ, &survivor) == ERROR_SUCCESS) {
        RegCloseKey(survivor);
        return 0;
    }
    return result;
}

int DeleteRegistryTree(const char *path, HKEY root)
{
    char name[SUBKEY_NAME_SIZE];
    HKEY key;
    int result = 1;

    if (RegOpenKeyExA(root, path, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return 0;
    while (RegEnumKeyA(key, 0, name, COUNTOF(name)) == ERROR_SUCCESS) {
        // Index 0 is asked again after each deletion; a subkey that survives its own
        // deletion would come back forever, so the loop ends there.
        if (!DeleteSubkey(root, path, key, name)) {
            result = 0;
            break;
        }
    }
    RegCloseKey(key);
    RegDeleteKeyA(root, path);
    return result;
}

int BuildUninstallString(char *out, int cch, const char *destFolder, const char *group)
{
    return FormatText(out, cch, "\"%s\\" UNINSTALL_PROGRAM "\" -f %s -d %s -g %s",
                      destFolder, destFolder, destFolder, group);
}

static int SetValueText(HKEY key, const char *name, const char *text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)strlen(text) + 1) == ERROR_SUCCESS;
}

int WriteUninstallEntry(const char *destFolder, const char *group)
{
    char command[UNINSTALL_STRING_SIZE];
    HKEY key;
    int written;

    // An entry whose command line cannot be formed would only mislead the control panel.
    if (!BuildUninstallString(command, COUNTOF(command), destFolder, group) ||
        !JournalRegValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "DisplayName") ||
        !JournalRegValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "UninstallString"))
        return 0;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, &key) != ERROR_SUCCESS)
        return 0;
    written = SetValueText(key, "DisplayName", DISPLAY_NAME);
    written = SetValueText(key, "UninstallString", command) && written;
    RegCloseKey(key);
    return written;
}

int MarkFolderMadeBySetup(const char *destFolder, int madeThisRun)
{
    HKEY key;
    int written = 1;

    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return 0;
    if (madeThisRun)
        written = SetValueText(key, FOLDER_MARK_VALUE, destFolder);
    else if (!IsFolderMadeBySetup(destFolder))
        RegDeleteValueA(key, FOLDER_MARK_VALUE);
    RegCloseKey(key);
    return written;
}

static int SetValueNumber(HKEY key, const char *name, DWORD number)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof(number)) == ERROR_SUCCESS;
}

// One value of the inventory; a failure is only logged.
static void NoteValue(int written, const char *name)
{
    char line[MESSAGE_SIZE];

    if (written)
        return;
    FormatText(line, COUNTOF(line), "Uninstall entry value %s not written", name);
    WriteLog(line);
}

void WriteInventoryValues(const char *destFolder, const char *iconName, DWORD sizeKb)
{
    char icon[PATH_SIZE], date[16];
    static const char *const names[] = { "DisplayVersion", "Publisher", "InstallLocation", "DisplayIcon",
                                         "EstimatedSize", "InstallDate", "NoModify", "NoRepair",
                                         "VersionMajor", "VersionMinor" };
    SYSTEMTIME now;
    HKEY key;

    for (int i = 0; i < COUNTOF(names); i++) {
        if (!JournalRegValue(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, names[i])) {
            NoteValue(0, names[i]);
            return;
        }
    }
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        NoteValue(0, "DisplayVersion and the others");
        return;
    }
    GetLocalTime(&now);
    FormatText(date, COUNTOF(date), "%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    NoteValue(SetValueText(key, "DisplayVersion", NX_VERSION_TEXT), "DisplayVersion");
    NoteValue(SetValueText(key, "Publisher", NX_COMPANY_TEXT), "Publisher");
    NoteValue(SetValueText(key, "InstallLocation", destFolder), "InstallLocation");
    NoteValue(JoinPath(icon, COUNTOF(icon), destFolder, iconName) && SetValueText(key, "DisplayIcon", icon),
              "DisplayIcon");
    NoteValue(SetValueNumber(key, "EstimatedSize", sizeKb), "EstimatedSize");
    NoteValue(SetValueText(key, "InstallDate", date), "InstallDate");
    NoteValue(SetValueNumber(key, "NoModify", 1), "NoModify");
    NoteValue(SetValueNumber(key, "NoRepair", 1), "NoRepair");
    NoteValue(SetValueNumber(key, "VersionMajor", NX_VERSION_MAJOR), "VersionMajor");
    NoteValue(SetValueNumber(key, "VersionMinor", NX_VERSION_MINOR), "VersionMinor");
    RegCloseKey(key);
}

int IsFolderMadeBySetup(const char *folder)
{
    char mark[FOLDER_SIZE];

    // Read through the same view the entry was written in.
    return ReadRegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, FOLDER_MARK_VALUE, "", mark, sizeof(mark)) &&
           lstrcmpiA(mark, folder) == 0;
}

int IsConfirmedRecord(const char *folder)
{
    char recorded[FOLDER_SIZE], confirmed[FOLDER_SIZE];

    return GetProfileStringA(RECORD_SECTION, "DIR", "", recorded, COUNTOF(recorded)) > 0 &&
           ReadRegistryString(HKEY_LOCAL_MACHINE, UNINSTALL_KEY, "InstallLocation", "", confirmed,
                              sizeof(confirmed)) &&
           lstrcmpiA(recorded, folder) == 0 && lstrcmpiA(confirmed, folder) == 0;
}

int IsNetworkFolder(const char *folder)
{
    char root[4] = { folder[0], ':', '\\', '\0' };

    if ((folder[0] == '\\' || folder[0] == '/') && (folder[1] == '\\' || folder[1] == '/'))
        return 1;
    return folder[0] && folder[1] == ':' && GetDriveTypeA(root) == DRIVE_REMOTE;
}

void DeleteUninstallEntry(void)
{
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, UNINSTALL_KEY_REMOVAL) != ERROR_SUCCESS)
        DeleteRegistryTree(UNINSTALL_KEY_REMOVAL, HKEY_LOCAL_MACHINE);
}

void ClearInstallRecord(void)
{
    WriteProfileStringA(RECORD_SECTION, NULL, NULL);
}
