// Messages from the string table, message inserts and the setup log.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"

int LoadMessage(UINT number, char *buffer, int capacity)
{
    char fallback[2048];

    if (capacity <= 0)
        return 0;
    if (LoadStringA(g_hInst, number, buffer, capacity) > 0)
        return 1;
    FormatText(fallback, COUNTOF(fallback), "%u DEBUG - Unable to load string", number);
    strncpy(buffer, fallback, (size_t)capacity);
    buffer[capacity - 1] = '\0';
    return 0;
}

int FormatInserts(char *output, int cchOutput, const char *pattern, ...)
{
    va_list args;
    DWORD written;

    va_start(args, pattern);
    written = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, pattern, 0, 0, output,
                             (DWORD)cchOutput, &args);
    va_end(args);
    return (int)written;
}

// Set when there is no usable temporary folder: the log is then written nowhere rather
// than into whatever folder happens to be current.
static int s_logDisabled;

void DisableLog(void)
{
    s_logDisabled = 1;
}

void WriteLog(const char *text)
{
    FILE *log;

    if (!g_bLogging || s_logDisabled)
        return;
    log = fopen("setup.log", "a");
    if (!log)
        return;
    fputs(text, log);
    fputs("\n", log);
    fclose(log);
}

// A text of several lines (message inserts turn each line break into CR LF) goes into
// the log as one log line per text line.
static void LogLines(const char *text)
{
    char line[FORMATTED_SIZE];
    const char *start = text;

    for (;;) {
        size_t n = strcspn(start, "\r\n");
        if (n >= sizeof(line))
            n = sizeof(line) - 1;
        memcpy(line, start, n);
        line[n] = '\0';
        WriteLog(line);
        start += n;
        if (*start == '\r')
            start++;
        if (*start == '\n')
            start++;
        if (*start == '\0')
            return;
    }
}

int ShowMessage(HWND owner, const char *text, const char *caption, UINT type, int quietAnswer)
{
    if (g_bSilent) {
        LogLines(text);
        return quietAnswer;
    }
    return MessageBoxA(owner, text, caption, type);
}
