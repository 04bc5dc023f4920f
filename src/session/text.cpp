// Bounded text and path helpers.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <windows.h>
#include "session/text.h"

int CopyText(char *out, int cchOut, const char *src)
{
    size_t len;

    if (cchOut <= 0)
        return 0;
    len = strlen(src);
    if (len >= (size_t)cchOut) {
        out[0] = '\0';
        return 0;
    }
    memcpy(out, src, len + 1);
    return 1;
}

int AppendText(char *out, int cchOut, const char *src)
{
    size_t have = strlen(out);
    size_t len = strlen(src);

    if (cchOut <= 0 || have + len >= (size_t)cchOut)
        return 0;
    memcpy(out + have, src, len + 1);
    return 1;
}

char *FindLastSeparatorIn(unsigned codePage, const char *text, int slashes)
{
    const char *found = NULL;

    for (const char *p = text; *p; p = CharNextExA((WORD)codePage, p, 0)) {
        if (*p == '\\' || (slashes && *p == '/'))
            found = p;
    }
    return (char *)found;
}

char *FindLastSeparator(const char *text, int slashes)
{
    return FindLastSeparatorIn(CP_ACP, text, slashes);
}

static int EndsWithSeparator(const char *text, int slashes)
{
    const char *last = FindLastSeparator(text, slashes);
    return last && last[1] == '\0';
}

int EndsWithBackslash(const char *text)
{
    return EndsWithSeparator(text, 0);
}

static int JoinWith(char *out, int cchOut, const char *folder, const char *name, int slashCounts)
{
    int hasSeparator = EndsWithSeparator(folder, slashCounts);

    if (!CopyText(out, cchOut, folder))
        return 0;
    if (!hasSeparator && !AppendText(out, cchOut, "\\")) {
        out[0] = '\0';
        return 0;
    }
    if (!AppendText(out, cchOut, name)) {
        out[0] = '\0';
        return 0;
    }
    return 1;
}

int JoinPath(char *out, int cchOut, const char *folder, const char *name)
{
    return JoinWith(out, cchOut, folder, name, 0);
}

int JoinPathAnySeparator(char *out, int cchOut, const char *folder, const char *name)
{
    return JoinWith(out, cchOut, folder, name, 1);
}

int FormatText(char *out, int cchOut, const char *format, ...)
{
    va_list args;
    int n;

    if (cchOut <= 0)
        return 0;
    // The system's _vsnprintf rather than MinGW's own printf, a dozen KB of code. A cut
    // result comes back as -1 or as exactly cchOut, and then without its terminator.
    va_start(args, format);
    n = _vsnprintf(out, (size_t)cchOut, format, args);
    va_end(args);
    if (n < 0 || n >= cchOut) {
        out[cchOut - 1] = '\0';
        return 0;
    }
    return 1;
}
