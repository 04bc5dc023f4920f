// The exit code of a run, for the deployment tool that started it, and the log line
// that names it.
#include "session/ending.h"
#include "session/messages.h"
#include "session/session.h"
#include "session/text.h"

void EndRun(int code, const char *ending)
{
    g_nExitCode = code;
    g_pszEnding = ending;
}

void LogRunEnding(void)
{
    char line[MESSAGE_SIZE];

    FormatText(line, COUNTOF(line), "Exit code %d: %s", g_nExitCode, g_pszEnding);
    WriteLog(line);
}
