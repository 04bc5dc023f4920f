// Finding and reading Install.ini: quiet mode, logging, restart permission, interface
// and bonus proposals, icon location and the two background lines.
#include <string.h>
#include "session/messages.h"
#include "session/options.h"
#include "session/session.h"
#include "session/switches.h"
#include "session/text.h"

#define OPTION_VALUE_SIZE 261

int IsOptionValue(const char *value, const char *word, const char *digit)
{
    return lstrcmpiA(value, word) == 0 || strcmp(value, digit) == 0;
}

static int FileExists(const char *path)
{
    return path[0] != '\0' && GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
}

static void FindOptionsFile(int currentFolderFirst)
{
    char *slash;
    DWORD n;

    IniFileName[0] = '\0';
    if (currentFolderFirst) {
        n = GetCurrentDirectoryA(COUNTOF(IniFileName), IniFileName);
        if (n == 0 || n >= (DWORD)COUNTOF(IniFileName)) {
            IniFileName[0] = '\0';
            return;
        }
        if (AppendText(IniFileName, COUNTOF(IniFileName), "\\install.ini") && FileExists(IniFileName))
            return;
        IniFileName[0] = '\0';
    }
    n = GetModuleFileNameA(g_hInst, IniFileName, COUNTOF(IniFileName));
    if (n == 0 || n >= (DWORD)COUNTOF(IniFileName)) {
        IniFileName[0] = '\0';
        return;
    }
    slash = FindLastSeparator(IniFileName, 0);
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

static void ReadOptionsFile(int currentFolderFirst)
{
    FindOptionsFile(currentFolderFirst);
    if (!FileExists(IniFileName)) {
        SetNoFileDefaults();
        ApplyOptionSwitches();
        return;
    }
    g_bLogging = !ReadFlag("LOGGING", "FALSE", "FALSE", "0");
    g_bAllowReboot = ReadFlag("ALLOWRBT", "FALSE", "TRUE", "1");
    g_bSilent = ReadFlag("QUIET", "FALSE", "TRUE", "1");
    ApplyOptionSwitches();
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

void ReadOptions(void)
{
    ReadOptionsFile(1);
}

void ReadOptionsBesideProgram(void)
{
    ReadOptionsFile(0);
}

// Copies the n characters at text, blanks at both ends removed, into out.
static void CopyTrimmed(char *out, int cchOut, const char *text, size_t n)
{
    while (n > 0 && (*text == ' ' || *text == '\t')) {
        text++;
        n--;
    }
    while (n > 0 && (text[n - 1] == ' ' || text[n - 1] == '\t' || text[n - 1] == '\r'))
        n--;
    if (n >= (size_t)cchOut)
        n = (size_t)cchOut - 1;
    memcpy(out, text, n);
    out[n] = '\0';
}

// One line of an INI text: "[name]" switches *inSection, "key=value" of the wanted key
// inside the section fills value. 1 when the key was found.
static int MatchIniLine(const char *line, size_t n, const char *section, const char *key,
                        int *inSection, char *value, int cchValue)
{
    char name[OPTION_VALUE_SIZE];
    const char *equals = (const char *)memchr(line, '=', n);

    CopyTrimmed(name, COUNTOF(name), line, n);
    if (name[0] == '[') {
        size_t len = strlen(name);
        if (len >= 2 && name[len - 1] == ']') {
            name[len - 1] = '\0';
            *inSection = lstrcmpiA(name + 1, section) == 0;
        }
        return 0;
    }
    if (!*inSection || !equals)
        return 0;
    CopyTrimmed(name, COUNTOF(name), line, (size_t)(equals - line));
    if (lstrcmpiA(name, key) != 0)
        return 0;
    CopyTrimmed(value, cchValue, equals + 1, n - (size_t)(equals - line) - 1);
    // As the profile functions do: one pair of enclosing quotes goes.
    n = strlen(value);
    if (n >= 2 && (value[0] == '"' || value[0] == '\'') && value[n - 1] == value[0]) {
        memmove(value, value + 1, n - 2);
        value[n - 2] = '\0';
    }
    return 1;
}

int FindOptionInText(const char *text, size_t size, const char *section, const char *key,
                     char *value, int cchValue)
{
    size_t start = 0;
    int inSection = 0;

    if (cchValue <= 0)
        return 0;
    // A UTF-8 byte order mark would otherwise become part of the first line.
    if (size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        start = 3;
    while (start < size) {
        const char *end = (const char *)memchr(text + start, '\n', size - start);
        size_t n = end ? (size_t)(end - (text + start)) : size - start;
        if (MatchIniLine(text + start, n, section, key, &inSection, value, cchValue))
            return 1;
        start += n + 1;
    }
    return 0;
}
