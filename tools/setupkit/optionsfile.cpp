// Recognising an options file: text lines that are each a [section], a key=value pair,
// a ";" comment or empty, and which of the two sections the program reads it holds.
#include <string.h>
#include "session/text.h"
#include "setupkit.h"

#define SECTION_NAME_SIZE 64

static int IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

// Records the section named between start and end (the brackets excluded).
static void NoteSection(const char *start, const char *end, OptionsCheck *check)
{
    char name[SECTION_NAME_SIZE];
    size_t len;

    while (start < end && IsBlank(*start))
        start++;
    while (end > start && IsBlank(end[-1]))
        end--;
    len = (size_t)(end - start);
    if (len >= sizeof(name))
        return;
    memcpy(name, start, len);
    name[len] = '\0';
    if (lstrcmpiA(name, "INSTALL") == 0)
        check->install = 1;
    else if (lstrcmpiA(name, "NEXFER") == 0)
        check->nexfer = 1;
}

// 1 when the line from start to end (no line break) is one an INI file may hold.
static int CheckLine(const char *start, const char *end, OptionsCheck *check)
{
    const char *close, *equals;

    while (start < end && IsBlank(*start))
        start++;
    while (end > start && IsBlank(end[-1]))
        end--;
    if (start == end || *start == ';')
        return 1;
    if (*start == '[') {
        close = (const char *)memchr(start, ']', (size_t)(end - start));
        if (!close)
            return 0;
        NoteSection(start + 1, close, check);
        return 1;
    }
    equals = (const char *)memchr(start, '=', (size_t)(end - start));
    return equals != NULL && equals != start;
}

int CheckOptionsText(const char *text, DWORD size, OptionsCheck *check)
{
    const char *at = text, *end = text + size, *lineEnd;
    int line = 0;

    memset(check, 0, sizeof(*check));
    if (memchr(text, '\0', size)) {
        check->binary = 1;
        return 0;
    }
    if (size >= 3 && memcmp(text, "\xEF\xBB\xBF", 3) == 0)
        at += 3;
    while (at < end) {
        line++;
        lineEnd = (const char *)memchr(at, '\n', (size_t)(end - at));
        if (!lineEnd)
            lineEnd = end;
        if (!CheckLine(at, lineEnd, check) && check->badLine == 0)
            check->badLine = line;
        at = lineEnd + 1;
    }
    return check->badLine == 0;
}
