// Messages from the string table, message inserts and the setup log.
#include <stdarg.h>
#include <string.h>
#include "session/messages.h"
#include "session/session.h"
#include "session/startup.h"
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

#define LOG_NAME_SIZE 16
#define LOG_PATH_SIZE (MAX_PATH + LOG_NAME_SIZE)
#define LOG_TRIES     1000

// The log's name in the temporary folder: setup.log, or the new name the log went on
// under when that file was refused.
static char s_logName[LOG_NAME_SIZE] = "setup.log";

void DisableLog(void)
{
    s_logDisabled = 1;
}

void ResetLog(void)
{
    s_logDisabled = 0;
    CopyText(s_logName, COUNTOF(s_logName), "setup.log");
}

// The temporary folder is everybody's: the log is opened by its full path, and a link
// found at its name is opened as the link itself, never followed.
static HANDLE OpenLogFile(const char *name, DWORD disposition)
{
    char path[LOG_PATH_SIZE];

    if (!GetTempFolder(path, MAX_PATH) || !AppendText(path, COUNTOF(path), "\\") ||
        !AppendText(path, COUNTOF(path), name))
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, NULL, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, NULL);
}

// 1 for a plain file with one name; otherwise why holds what it is instead. A hard link
// or a reparse point would aim the log's lines at a file another program chose.
static int IsPlainFile(HANDLE file, char *why, int cchWhy)
{
    BY_HANDLE_FILE_INFORMATION info;

    if (!GetFileInformationByHandle(file, &info))
        FormatText(why, cchWhy, "it cannot be examined (%lu)", GetLastError());
    else if (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY))
        FormatText(why, cchWhy, "it is a link or a folder");
    else if (info.nNumberOfLinks != 1)
        FormatText(why, cchWhy, "it has %lu names (a hard link)", info.nNumberOfLinks);
    else
        return 1;
    return 0;
}

static void WriteLine(HANDLE log, const char *text)
{
    DWORD written;

    WriteFile(log, text, (DWORD)strlen(text), &written, NULL);
    WriteFile(log, "\r\n", 2, &written, NULL);
}

// The refused file is left alone; the log goes on in a file of a new name beside it
// (created new, so no link can be met), whose first line says why.
static HANDLE DivertLog(const char *why)
{
    char refused[LOG_NAME_SIZE], line[FORMATTED_SIZE];
    HANDLE log;

    CopyText(refused, COUNTOF(refused), s_logName);
    for (int n = 1; n <= LOG_TRIES; n++) {
        FormatText(s_logName, COUNTOF(s_logName), "setup-%d.log", n);
        log = OpenLogFile(s_logName, CREATE_NEW);
        if (log != INVALID_HANDLE_VALUE) {
            FormatText(line, COUNTOF(line), "%s was not written: %s. The log goes on here.", refused, why);
            WriteLine(log, line);
            return log;
        }
        if (GetLastError() != ERROR_FILE_EXISTS)
            break;
    }
    CopyText(s_logName, COUNTOF(s_logName), refused);
    return INVALID_HANDLE_VALUE;
}

void WriteLog(const char *text)
{
    char why[MESSAGE_SIZE];
    HANDLE log;

    if (!g_bLogging || s_logDisabled)
        return;
    log = OpenLogFile(s_logName, OPEN_ALWAYS);
    if (log == INVALID_HANDLE_VALUE) {
        FormatText(why, COUNTOF(why), "it cannot be opened (%lu)", GetLastError());
    } else if (!IsPlainFile(log, why, COUNTOF(why))) {
        CloseHandle(log);
        log = INVALID_HANDLE_VALUE;
    }
    if (log == INVALID_HANDLE_VALUE)
        log = DivertLog(why);
    if (log == INVALID_HANDLE_VALUE)
        return;
    // Written through the handle that was checked, never a second open of the name.
    WriteLine(log, text);
    CloseHandle(log);
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
