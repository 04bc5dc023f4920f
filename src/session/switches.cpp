// Reading the command line's switches and the usage box that lists them.
#include <string.h>
#include "session/session.h"
#include "session/messages.h"
#include "session/switches.h"
#include "session/text.h"
#include "resource.h"

#define USAGE_SIZE 1024

struct FlagSwitch {
    const char *name;
    DWORD bit;
};

static const FlagSwitch s_flagSwitches[] = {
    { "quiet", SWITCH_QUIET },         { "log", SWITCH_LOG },
    { "norestart", SWITCH_NORESTART }, { "uninstall", SWITCH_UNINSTALL },
    { "?", SWITCH_HELP },
};

// Copies the next argument at *line into out without its quotes and moves *line past
// it. 0 at the end of the line; -1 when the argument does not fit (out holds its start).
static int NextArgument(const char **line, char *out, int cchOut)
{
    const char *p = *line;
    int n = 0, quoted = 0, fits = 1;

    while (*p == ' ' || *p == '\t')
        p++;
    if (!*p)
        return 0;
    for (; *p && (quoted || (*p != ' ' && *p != '\t')); p++) {
        if (*p == '"')
            quoted = !quoted;
        else if (n + 1 < cchOut)
            out[n++] = *p;
        else
            fits = 0;
    }
    out[n] = '\0';
    *line = p;
    return fits ? 1 : -1;
}

static const char *s_refusal;

void RefuseSwitchValue(const char *reason)
{
    s_refusal = reason;
}

const char *SwitchRefusal(void)
{
    return s_refusal;
}

// "name=value" with a value that is not empty and fits field.
static int TakeValue(const char *argument, const char *name, char *field, int cchField)
{
    size_t n = strlen(name);

    if (_strnicmp(argument, name, n) != 0 || argument[n] != '=' || argument[n + 1] == '\0')
        return 0;
    if (CopyText(field, cchField, argument + n + 1))
        return 1;
    RefuseSwitchValue("the value is too long");
    return 0;
}

static int ReadSwitch(const char *argument)
{
    if (argument[0] != '/' && argument[0] != '-')
        return 0;
    argument++;
    for (int i = 0; i < COUNTOF(s_flagSwitches); i++) {
        if (lstrcmpiA(argument, s_flagSwitches[i].name) == 0) {
            g_dwSwitches |= s_flagSwitches[i].bit;
            return 1;
        }
    }
    if (TakeValue(argument, "dir", g_szDirSwitch, COUNTOF(g_szDirSwitch))) {
        g_dwSwitches |= SWITCH_DIR;
        return 1;
    }
    if (TakeValue(argument, "group", g_szGroupSwitch, COUNTOF(g_szGroupSwitch))) {
        g_dwSwitches |= SWITCH_GROUP;
        return 1;
    }
    return 0;
}

int ParseSwitches(const char *commandLine, char *bad, int cchBad)
{
    char argument[ARGUMENT_SIZE];
    const char *line = commandLine ? commandLine : "";
    int result, understood = 1;

    if (cchBad > 0)
        bad[0] = '\0';
    s_refusal = NULL;
    while ((result = NextArgument(&line, argument, COUNTOF(argument))) != 0) {
        const char *refusal = s_refusal;
        // Every argument is read, so that /quiet after a faulty one still counts; the
        // first faulty one is reported, with its reason.
        if (result > 0 && ReadSwitch(argument))
            continue;
        if (understood) {
            understood = 0;
            FormatText(bad, cchBad, "%s", argument);
        } else {
            s_refusal = refusal;
        }
    }
    return understood;
}

void ApplyOptionSwitches(void)
{
    if (g_dwSwitches & SWITCH_QUIET)
        g_bSilent = 1;
    if (g_dwSwitches & SWITCH_LOG)
        g_bLogging = 1;
    if (g_dwSwitches & SWITCH_NORESTART)
        g_bAllowReboot = 0;
}

void ShowUsage(void)
{
    char text[USAGE_SIZE];

    LoadMessage(IDS_USAGE, text, COUNTOF(text));
    MessageBoxA(NULL, text, INSTALL_CAPTION, MB_OK | MB_ICONINFORMATION);
}
