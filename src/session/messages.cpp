// Messages from the string table, message inserts and the setup log.
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include "messages.h"
#include "session.h"
#include "text.h"

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

int FormatInserts(char *output, const char *pattern, ...)
{
    va_list args;
    DWORD written;

    va_start(args, pattern);
    written = FormatMessageA(FORMAT_MESSAGE_FROM_STRING, pattern, 0, 0, output,
                             FORMATTED_SIZE, &args);
    va_end(args);
    return (int)written;
}

void WriteLog(const char *text)
{
    FILE *log;

    if (!g_bLogging)
        return;
    log = fopen("setup.log", "a");
    if (!log)
        return;
    fputs(text, log);
    fputs("\n", log);
    fclose(log);
}

int ShowMessage(HWND owner, const char *text, const char *caption, UINT type, int quietAnswer)
{
    if (g_bSilent) {
        WriteLog(text);
        return quietAnswer;
    }
    return MessageBoxA(owner, text, caption, type);
}
