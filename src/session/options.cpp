// Finding and reading Install.ini: quiet mode, logging, restart permission, interface
// and bonus proposals, icon location and the two background lines.
#include <string.h>
#include "messages.h"
#include "options.h"
#include "session.h"
#include "text.h"

#define OPTION_VALUE_SIZE 261

int IsOptionValue(const char *value, const char *word, const char *digit)
{
    return lstrcmpiA(value, word) == 0 || strcmp(value, digit) == 0;
}

static int FileExists(const char *path)
{
    return path[0] != '\0' && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static void FindOptionsFile(void)
{
    char *slash;

    IniFileName[0] = '\0';
    DWORD n = GetCurrentDirectoryA(COUNTOF(IniFileName), IniFileName);
    if (n == 0 || n >= (DWORD)COUNTOF(IniFileName)) {
        IniFileName[0] = '\0';
        return;
    }
    if (AppendText(IniFileName, COUNTOF(IniFileName), "\\install.ini") && FileExists(IniFileName))
        return;
    IniFileName[0] = '\0';
    n = GetModuleFileNameA(g_hInst, IniFileName, COUNTOF(IniFileName));
    if (n == 0 || n >= (DWORD)COUNTOF(IniFileName)) {
        IniFileName[0] = '\0';
        return;
    }
    slash = strrchr(IniFileName, '\\');
    if (slash)
        *slash = '\0';
    if (!AppendText(IniFileName, COUNTOF(IniFileName), "\\install.ini") || !FileExists(IniFileName))
        IniFileName[0] = '\0';
}

static void SetNoFileDefaults(void)
{
    g_bLogging = 0;
    g_bAllowReboot = 1;
    g_bSilent = 0;
    g_bNoPass = 0;
    g_bExplore = 1;
    gbInstallBonusPack = 1;
    g_iconLocation = 0;
    g_szLine1[0] = '\0';
    g_szLine2[0] = '\0';
}

// Reads one flag key; on is 1 when the value is the given word or digit.
static int ReadFlag(const char *key, const char *defaultValue, const char *word, const char *digit)
{
    char value[OPTION_VALUE_SIZE];

    GetPrivateProfileStringA("INSTALL", key, defaultValue, value, COUNTOF(value), IniFileName);
    return IsOptionValue(value, word, digit);
}

static void LogNumber(const char *format, int value)
{
    char line[64];

    FormatText(line, COUNTOF(line), format, value);
    WriteLog(line);
}

static void ReadLine(const char *key, char *field, const char *name)
{
    char line[LINE_SIZE + 32];

    GetPrivateProfileStringA("Install", key, "", field, LINE_SIZE, IniFileName);
    FormatText(line, COUNTOF(line), "%s=\"%s\"", name, field);
    WriteLog(line);
}

void ReadOptions(void)
{
    FindOptionsFile();
    if (!FileExists(IniFileName)) {
        SetNoFileDefaults();
        return;
    }
    g_bLogging = !ReadFlag("LOGGING", "FALSE", "FALSE", "0");
    g_bAllowReboot = ReadFlag("ALLOWRBT", "FALSE", "TRUE", "1");
    g_bSilent = ReadFlag("QUIET", "FALSE", "TRUE", "1");
    LogNumber("g_bSilent=%d", g_bSilent);
    g_bNoPass = ReadFlag("NOPASSWORD", "FALSE", "TRUE", "1");
    LogNumber("g_bNoPass=%d", g_bNoPass);
    gbInstallBonusPack = ReadFlag("BONUS", "TRUE", "TRUE", "1");
    LogNumber("gbInstallBonusPack=%d", gbInstallBonusPack);
    g_iconLocation = ReadFlag("DESKTOP", "TRUE", "TRUE", "1") ? 0 : 1;
    LogNumber("g_iconLocation=%d", g_iconLocation);
    g_bExplore = !ReadFlag("EXPLORER", "TRUE", "FALSE", "0");
    LogNumber("g_bExplore=%d", g_bExplore);
    ReadLine("LINE1", g_szLine1, "g_szLine1");
    ReadLine("LINE2", g_szLine2, "g_szLine2");
}
